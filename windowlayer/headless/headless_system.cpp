// Headless layer: lifecycle, threads, message boxes, system values, profile,
// current directory, program path, libraries, file search and the test API
// that sets all of these.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include "windowlayer/headless/headless_state.h"

HeadlessLayer headless;

namespace {

void set_default_sys_values()
{
    std::fill(std::begin(headless.sys_values), std::end(headless.sys_values), 0);
    headless.sys_values[OS_SV_VERSION] = 1000;
    headless.sys_values[OS_SV_PLATFORM] = OS_PLATFORM_NT;
    headless.sys_values[OS_SV_CASCADE_A] = 4;
    headless.sys_values[OS_SV_CASCADE_B] = 20;
    headless.sys_values[OS_SV_SCREEN_WIDTH] = 1024;
    headless.sys_values[OS_SV_SCREEN_HEIGHT] = 768;
    headless.sys_values[OS_SV_COLOUR] = 0x800000;
}

// Runs once before any test: the defaults hold without a reset too.
struct DefaultsAtStart {
    DefaultsAtStart() { set_default_sys_values(); }
} defaults_at_start;

void copy_bounded(char* buffer, int size, const std::string& text)
{
    if (buffer == nullptr || size <= 0) {
        return;
    }
    std::snprintf(buffer, static_cast<size_t>(size), "%s", text.c_str());
}

const HeadlessProfileEntry* find_profile(const char* application, const char* key)
{
    for (const HeadlessProfileEntry& entry : headless.profile) {
        if (equal_ignoring_case(entry.application, application) && equal_ignoring_case(entry.key, key)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

// --- Lifecycle and threads ------------------------------------------------------------

int os_Initialize(OsModule instance, const char*, int)
{
    HeadlessGuard guard(headless.lock);
    if (instance == reinterpret_cast<OsModule>(static_cast<intptr_t>(-1))) {
        headless.counters.shutdown_calls++;
    } else {
        headless.counters.initialize_calls++;
    }
    return 1;
}

int os_InitWinThread(OsThreadRecord* record, int, int)
{
    HeadlessGuard guard(headless.lock);
    headless.counters.init_thread_calls++;
    (void)record;
    return 1;
}

int os_CleanupWinThread(OsThreadRecord*)
{
    HeadlessGuard guard(headless.lock);
    headless.counters.cleanup_thread_calls++;
    return 1;
}

int os_CreateThread(OsThreadProc function, uint32_t parameter)
{
    if (function == nullptr) {
        return 0;
    }
    HeadlessGuard guard(headless.lock);
    headless.counters.threads_started++;
    headless.running_threads++;
    headless.threads.emplace_back([function, parameter] {
        function(parameter);
        HeadlessGuard done(headless.lock);
        headless.running_threads--;
        headless.posted.notify_all();
    });
    return 1;
}

void headless_join_threads()
{
    for (;;) {
        std::thread next;
        {
            HeadlessGuard guard(headless.lock);
            if (headless.threads.empty()) {
                return;
            }
            next = std::move(headless.threads.back());
            headless.threads.pop_back();
        }
        if (next.joinable()) {
            next.join();
        }
    }
}

int headless_running_threads()
{
    return headless.running_threads.load();
}

void headless_reset()
{
    headless_join_threads();
    HeadlessGuard guard(headless.lock);
    reset_windows();
    reset_objects();
    headless.boxes.clear();
    headless.answers.clear();
    headless.default_answer = 1;
    headless.box_handler = nullptr;
    headless.idle_handler = nullptr;
    set_default_sys_values();
    headless.profile.clear();
    headless.cwd.clear();
    headless.module_path.clear();
    headless.modules_present.clear();
    headless.counters = HeadlessCounters{};
}

HeadlessCounters headless_counters()
{
    HeadlessGuard guard(headless.lock);
    return headless.counters;
}

// --- Posted messages --------------------------------------------------------------------

int headless_pump()
{
    int delivered = 0;
    for (;;) {
        HeadlessPost post{};
        {
            HeadlessGuard guard(headless.lock);
            if (headless.posts.empty()) {
                return delivered;
            }
            post = headless.posts.front();
            headless.posts.pop_front();
        }
        call_procedure(post.window, post.message, post.first, post.second);
        delivered++;
    }
}

int headless_pending_posts()
{
    HeadlessGuard guard(headless.lock);
    return static_cast<int>(headless.posts.size());
}

void headless_set_idle_handler(HeadlessIdleHandler handler)
{
    HeadlessGuard guard(headless.lock);
    headless.idle_handler = handler;
}

// --- Message boxes ----------------------------------------------------------------------

int os_MessageBox(OsWindow owner, const char* title, const char* text, int style)
{
    title = title != nullptr ? title : "";
    text = text != nullptr ? text : "";
    HeadlessBoxHandler handler = nullptr;
    int answer = 0;
    {
        HeadlessGuard guard(headless.lock);
        handler = headless.box_handler;
        if (handler == nullptr && !headless.answers.empty()) {
            answer = headless.answers.front();
            headless.answers.pop_front();
        } else {
            answer = headless.default_answer;
        }
    }
    // The handler may take its time (a console question): no lock held.
    if (handler != nullptr) {
        answer = handler(owner, title, text, style);
    }
    HeadlessGuard guard(headless.lock);
    headless.boxes.push_back(HeadlessMessageBox{owner, title, text, style, answer});
    return answer;
}

void headless_queue_answer(int answer)
{
    HeadlessGuard guard(headless.lock);
    headless.answers.push_back(answer);
}

void headless_set_default_answer(int answer)
{
    HeadlessGuard guard(headless.lock);
    headless.default_answer = answer;
}

void headless_set_box_handler(HeadlessBoxHandler handler)
{
    HeadlessGuard guard(headless.lock);
    headless.box_handler = handler;
}

std::vector<HeadlessMessageBox> headless_boxes()
{
    HeadlessGuard guard(headless.lock);
    return headless.boxes;
}

int headless_box_count()
{
    HeadlessGuard guard(headless.lock);
    return static_cast<int>(headless.boxes.size());
}

// --- System values and profile ------------------------------------------------------------

int32_t os_QuerySysValue(int32_t index)
{
    HeadlessGuard guard(headless.lock);
    return index >= 0 && index < SYS_VALUE_COUNT ? headless.sys_values[index] : 0;
}

void headless_set_sys_value(int32_t index, int32_t value)
{
    HeadlessGuard guard(headless.lock);
    if (index >= 0 && index < SYS_VALUE_COUNT) {
        headless.sys_values[index] = value;
    }
}

// Operation 2 reads a key: non-zero when found; *size gets the bytes stored
// with the terminator, never more than it said on entry.
int os_IniMgr(int operation, int, const char* application, const char* key, char* buffer, int* size)
{
    if (operation != 2 || application == nullptr || key == nullptr || buffer == nullptr ||
        size == nullptr || *size <= 0) {
        return 0;
    }
    HeadlessGuard guard(headless.lock);
    const HeadlessProfileEntry* entry = find_profile(application, key);
    if (entry == nullptr) {
        buffer[0] = '\0';
        return 0;
    }
    copy_bounded(buffer, *size, entry->value);
    *size = static_cast<int>(std::strlen(buffer)) + 1;
    return 1;
}

void headless_set_profile(const char* application, const char* key, const char* value)
{
    HeadlessGuard guard(headless.lock);
    for (HeadlessProfileEntry& entry : headless.profile) {
        if (equal_ignoring_case(entry.application, application) && equal_ignoring_case(entry.key, key)) {
            entry.value = value != nullptr ? value : "";
            return;
        }
    }
    headless.profile.push_back(HeadlessProfileEntry{application, key, value != nullptr ? value : ""});
}

void headless_clear_profile()
{
    HeadlessGuard guard(headless.lock);
    headless.profile.clear();
}

// --- Directories, program path, libraries ------------------------------------------------------

int os_QueryCWD(char* buffer, int size)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    {
        HeadlessGuard guard(headless.lock);
        if (!headless.cwd.empty()) {
            copy_bounded(buffer, size, headless.cwd);
            return 1;
        }
    }
    std::error_code failure;
    std::string current = std::filesystem::current_path(failure).string();
    if (failure) {
        buffer[0] = '\0';
        return 0;
    }
    copy_bounded(buffer, size, current);
    return 1;
}

void headless_set_cwd(const char* path)
{
    HeadlessGuard guard(headless.lock);
    headless.cwd = path != nullptr ? path : "";
}

int os_QueryModulePath(OsModule, char* buffer, int size)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    {
        HeadlessGuard guard(headless.lock);
        if (!headless.module_path.empty()) {
            copy_bounded(buffer, size, headless.module_path);
            return static_cast<int>(std::strlen(buffer));
        }
    }
    if (!host_module_path(buffer, size)) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<int>(std::strlen(buffer));
}

void headless_set_module_path(const char* path)
{
    HeadlessGuard guard(headless.lock);
    headless.module_path = path != nullptr ? path : "";
}

OsModule os_LoadModule(const char* file_name)
{
    if (file_name == nullptr) {
        return nullptr;
    }
    HeadlessGuard guard(headless.lock);
    for (std::string& present : headless.modules_present) {
        if (equal_ignoring_case(present, file_name)) {
            return &present;   // any stable non-null address serves as the handle
        }
    }
    return nullptr;
}

int os_FreeModule(OsModule module)
{
    return module != nullptr ? 1 : 0;
}

void headless_set_module_present(const char* file_name, bool present)
{
    HeadlessGuard guard(headless.lock);
    auto& list = headless.modules_present;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (equal_ignoring_case(*it, file_name)) {
            if (!present) {
                list.erase(it);
            }
            return;
        }
    }
    if (present) {
        list.emplace_back(file_name);
    }
}

void _os_AssertMsg(const char* expression, const char* source_file, int line)
{
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression != nullptr ? expression : "?",
                 source_file != nullptr ? source_file : "?", line);
    std::abort();
}
