// The headless layer's one process-wide record and the helpers its source
// files share. Everything a window is lives in HeadlessWindow; the record is
// guarded by one recursive lock that is never held while a window procedure,
// a message-box handler or the idle handler runs, so procedures may call back
// into the layer freely and from any thread.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "windowlayer/dialog_templates.h"
#include "windowlayer/headless/headless.h"

struct HeadlessWindow {
    bool in_use = false;
    HeadlessWindowKind kind = HEADLESS_CONTROL;
    ControlKind control_kind = ControlKind::LABEL;
    int id = 0;
    int template_id = 0;
    HeadlessWindow* parent = nullptr;
    OsWindowProc procedure = nullptr;   // dialog or class procedure
    std::string class_name;
    std::string text;
    std::string font;
    int text_limit = 0;
    bool checked = false;
    bool enabled = true;
    bool visible = false;
    bool read_only = false;
    bool dismissed = false;
    bool centred = false;
    int dismiss_result = 0;
    // Upward coordinates: x from the parent's left, y from its bottom (the
    // screen's for top-level windows and dialogs).
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t client_width = 0, client_height = 0;
    uint32_t window_word = 0;
    HeadlessPainting painting;
};

struct HeadlessClass {
    std::string name;
    OsWindowProc procedure;
    int style;
    int icon;
};

struct HeadlessPost {
    OsWindow window;
    uint32_t message;
    uintptr_t first;
    intptr_t second;
};

enum HeadlessObjectKind : int { OBJECT_FREE = 0, OBJECT_SOLID = 1, OBJECT_PATTERN = 2, OBJECT_BITMAP = 3 };

struct HeadlessObject {
    HeadlessObjectKind kind = OBJECT_FREE;
    uint32_t colour = 0;
    int bitmap_id = 0;
};

struct HeadlessProfileEntry {
    std::string application;
    std::string key;
    std::string value;
};

constexpr int SYS_VALUE_COUNT = 64;

struct HeadlessLayer {
    std::recursive_mutex lock;
    std::condition_variable_any posted;       // signalled on every post and thread end
    std::deque<HeadlessWindow> windows;       // deque: handles (addresses) stay valid
    std::vector<HeadlessClass> classes;
    std::deque<HeadlessPost> posts;
    std::deque<HeadlessObject> objects;
    std::vector<HeadlessMessageBox> boxes;
    std::deque<int> answers;
    int default_answer = 1;
    HeadlessBoxHandler box_handler = nullptr;
    HeadlessIdleHandler idle_handler = nullptr;
    int32_t sys_values[SYS_VALUE_COUNT] = {};
    std::vector<HeadlessProfileEntry> profile;
    std::string cwd;
    std::string module_path;
    std::vector<std::string> modules_present;
    std::vector<std::thread> threads;
    std::atomic<int> running_threads{0};
    HeadlessWindow* focus = nullptr;
    HeadlessCounters counters = {};

    // A test that never joined its threads must not end in std::terminate:
    // finished threads are joined, any still running is let go.
    ~HeadlessLayer()
    {
        bool finished = running_threads.load() == 0;
        for (std::thread& thread : threads) {
            if (thread.joinable()) {
                finished ? thread.join() : thread.detach();
            }
        }
    }
};

extern HeadlessLayer headless;

using HeadlessGuard = std::lock_guard<std::recursive_mutex>;

// Window of a handle, or null when the handle names no live window. Call
// with the lock held.
HeadlessWindow* find_window(OsWindow handle);
// Child of a window with the given id (lock held), or null.
HeadlessWindow* find_child(HeadlessWindow* parent, int id);
// Calls the window's procedure without holding the lock; 0 when it has none.
intptr_t call_procedure(OsWindow handle, uint32_t message, uintptr_t first, intptr_t second);
// Resets the window part of the record (lock held).
void reset_windows();
// Resets the painting part of the record (lock held).
void reset_objects();
bool equal_ignoring_case(const std::string& a, const char* b);

// The real program path, from the host system; false when unknown.
bool host_module_path(char* buffer, int size);

// Frame around the client area of dialogs and top-level windows, in pixels.
constexpr int32_t FRAME_WIDTH = 4;
constexpr int32_t CAPTION_HEIGHT = 20;
