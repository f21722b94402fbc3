// Test API of the headless window layer.
//
// The headless layer implements every os_ operation of windowlayer/os_layer.h
// in memory, so installer code runs natively (and under wine) without a
// window system. Dialogs are built from the shared template table
// (windowlayer/dialog_templates.h) with sizes converted from dialog units at
// 6/4 pixels across and 13/8 pixels down (the base units of 8-point
// "MS Sans Serif"); positions are reported in the layer's upward coordinates.
//
// Behaviour worth knowing when writing tests:
// - os_LoadDlg sends the raw init message (0x0110) before it returns, as the
//   real layer does; os_SetWindowText on an edit delivers the raw command
//   (edit change, 0x0300 in the high word) to the dialog procedure before it
//   returns, also when the program sets the text, so notifications nest.
// - The "ProgressBar" control of a template gets the class's procedure (and
//   its create message) when the class is registered before os_LoadDlg;
//   otherwise it is a plain control. The real system refuses such a dialog.
// - os_PostMsg queues; os_ProcessDlg delivers queued messages until the
//   dialog is dismissed. When the queue is empty it calls the idle handler
//   (the test playing the user); without one it waits while layer threads
//   run, and returns -1 once nothing can happen any more (never hangs).
// - os_SendMsg calls the procedure at once, on the calling thread.
// - os_MessageBox records every box; it is answered by the handler when one
//   is set, else from the queue of scripted answers, else by the default
//   answer (1 = yes/OK unless the test sets another).
// - os_CreateThread starts a real std::thread; headless_join_threads waits.
// - Painting: os_BeginPaint starts a fresh record of the window's fills and
//   frames; headless_paint sends the paint message and returns what it drew.
// All functions are safe to call from the worker thread too.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "windowlayer/os_layer.h"

enum HeadlessWindowKind : int {
    HEADLESS_DIALOG,
    HEADLESS_TOP_WINDOW,     // os_CreateTopWindow
    HEADLESS_TEXT_CHILD,     // os_CreateTextChild: read-only multi-line edit
    HEADLESS_CONTROL,        // a control of a dialog template
};

enum HeadlessBrushKind : int { HEADLESS_BRUSH_SOLID = 1, HEADLESS_BRUSH_PATTERN = 2 };

struct HeadlessMessageBox {
    OsWindow owner;
    std::string title;
    std::string text;
    int style;
    int answer;
};

struct HeadlessFill {
    OsRect rectangle;
    int brush_kind;          // HEADLESS_BRUSH_SOLID or HEADLESS_BRUSH_PATTERN
    uint32_t colour;         // solid brushes
    int bitmap_id;           // pattern brushes
};

struct HeadlessFrame {
    OsRect rectangle;
    int style;               // -1 or 1
};

struct HeadlessPainting {
    std::vector<HeadlessFill> fills;
    std::vector<HeadlessFrame> frames;
    int paints = 0;          // completed os_BeginPaint/os_EndPaint pairs so far
    int invalidations = 0;   // os_InvalidateRcl calls so far
};

struct HeadlessCounters {
    int initialize_calls;    // os_Initialize with a module instance
    int shutdown_calls;      // os_Initialize (-1, 0, 0)
    int init_thread_calls;
    int cleanup_thread_calls;
    int threads_started;
};

// --- Whole layer ---------------------------------------------------------------
// Joins running layer threads, destroys every window, forgets classes, boxes,
// scripted answers, handlers, posted messages, painting records, profile,
// modules and settings, and restores the defaults below.
void headless_reset();
HeadlessCounters headless_counters();

// --- Message boxes ---------------------------------------------------------------
using HeadlessBoxHandler = int (*)(OsWindow owner, const char* title, const char* text, int style);
void headless_queue_answer(int answer);            // next unanswered box gets it
void headless_set_default_answer(int answer);      // used when the queue is empty (start: 1)
void headless_set_box_handler(HeadlessBoxHandler handler);  // null: queue, then default
std::vector<HeadlessMessageBox> headless_boxes();  // every box so far, in order
int headless_box_count();

// --- System values, profile, directories, modules ----------------------------------
// Defaults: version 1000 (10.00), platform 4 (NT), screen 1024 x 768,
// cascade values 7 -> 4 and 10 -> 20, colour 17 -> 0x800000 (blue in 0x00BBGGRR).
void headless_set_sys_value(int32_t index, int32_t value);
void headless_set_profile(const char* application, const char* key, const char* value);
void headless_clear_profile();
// os_QueryCWD answers this when set (non-null, non-empty), else the real one.
void headless_set_cwd(const char* path);
// os_QueryModulePath answers this when set, else the real program path.
void headless_set_module_path(const char* path);
// os_LoadModule finds only libraries made present here (case-insensitive).
void headless_set_module_present(const char* file_name, bool present);

// --- Threads and messages ----------------------------------------------------------
void headless_join_threads();
int headless_running_threads();
// Delivers the posted messages queued now (and any they post); returns how many.
int headless_pump();
int headless_pending_posts();
// Called by os_ProcessDlg when no posted message is waiting; return false
// when the simulated user has nothing more to do.
using HeadlessIdleHandler = bool (*)(OsWindow dialog);
void headless_set_idle_handler(HeadlessIdleHandler handler);

// --- Windows -----------------------------------------------------------------------
bool headless_window_exists(OsWindow window);
HeadlessWindowKind headless_window_kind(OsWindow window);
int headless_window_id(OsWindow window);           // control or child id, else 0
int headless_dialog_template(OsWindow dialog);     // resource id it was loaded from
OsWindow headless_parent(OsWindow window);
std::string headless_class_name(OsWindow window);  // "Button", "Edit", "Static", "ProgressBar", ...
std::string headless_text(OsWindow window);
std::string headless_control_text(OsWindow dialog, int id);
bool headless_is_visible(OsWindow window);
bool headless_is_dismissed(OsWindow dialog);
int headless_dismiss_result(OsWindow dialog);
OsWindow headless_focus();
int headless_text_limit(OsWindow window);          // 0: no limit set
std::string headless_font(OsWindow window);        // as given to os_SetFontNameSize
bool headless_is_read_only(OsWindow window);
bool headless_is_centred(OsWindow window);         // os_CenterWinOverWin was applied
// Top-level windows of a class (os_CreateTopWindow), in creation order.
std::vector<OsWindow> headless_top_windows(const char* class_name);
bool headless_class_registered(const char* class_name);
int headless_class_icon(const char* class_name);   // icon actually used (fallback 1)

// --- The simulated user -------------------------------------------------------------
// Types the characters one by one at the end of an edit's text; each accepted
// character notifies the dialog; characters over the text limit are refused.
// Returns false when the control is missing, disabled or not an edit.
bool headless_type_text(OsWindow dialog, int id, const char* text);
// Selects all and deletes it: one change notification when there was text.
bool headless_clear_text(OsWindow dialog, int id);
// Clicks a button or checkbox (an automatic checkbox toggles first); false
// when the control is missing or disabled.
bool headless_click(OsWindow dialog, int id);
// The close box: sends the raw close message to the window's procedure.
bool headless_close(OsWindow window);

// --- Painting --------------------------------------------------------------------------
// Sends the raw paint message to the window's procedure and returns the record.
HeadlessPainting headless_paint(OsWindow window);
HeadlessPainting headless_painting(OsWindow window);
int headless_live_objects();   // brushes and bitmaps not yet deleted
