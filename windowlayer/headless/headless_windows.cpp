// Headless windows: dialogs built from the template table, top-level windows
// of registered classes, their controls, texts and states, and the delivery
// of raw messages to window procedures.
#include <cstring>
#include "windowlayer/headless/headless_state.h"

namespace {

constexpr uint16_t RAW_EDIT_CHANGE = 0x0300;
constexpr uint16_t RAW_BUTTON_CLICKED = 0;
constexpr int32_t SWP_SIZE = 1, SWP_MOVE = 2, SWP_SHOW = 8, SWP_HIDE = 0x10;
constexpr int32_t DEFAULT_TOP_WIDTH = 640, DEFAULT_TOP_HEIGHT = 480;

// Dialog units to pixels with the base units of 8-point "MS Sans Serif".
int32_t horizontal_pixels(int units) { return units * 6 / 4; }
int32_t vertical_pixels(int units) { return units * 13 / 8; }

const char* class_of(ControlKind kind)
{
    switch (kind) {
    case ControlKind::DEFAULT_BUTTON:
    case ControlKind::BUTTON:
    case ControlKind::CHECKBOX: return "Button";
    case ControlKind::EDIT:
    case ControlKind::READ_ONLY_EDIT: return "Edit";
    case ControlKind::PROGRESS_BAR: return "ProgressBar";
    default: return "Static";
    }
}

bool is_edit(const HeadlessWindow* window)
{
    return window->kind == HEADLESS_TEXT_CHILD ||
           (window->kind == HEADLESS_CONTROL && (window->control_kind == ControlKind::EDIT ||
                                                 window->control_kind == ControlKind::READ_ONLY_EDIT));
}

bool is_tab_stop(const HeadlessWindow* window)
{
    switch (window->control_kind) {
    case ControlKind::DEFAULT_BUTTON:
    case ControlKind::BUTTON:
    case ControlKind::CHECKBOX:
    case ControlKind::EDIT:
    case ControlKind::READ_ONLY_EDIT: return true;
    default: return false;
    }
}

HeadlessWindow* new_window(HeadlessWindowKind kind, HeadlessWindow* parent)
{
    HeadlessWindow& window = headless.windows.emplace_back();
    window.in_use = true;
    window.kind = kind;
    window.parent = parent;
    return &window;
}

const HeadlessClass* find_class(const char* name)
{
    for (const HeadlessClass& candidate : headless.classes) {
        if (name != nullptr && equal_ignoring_case(candidate.name, name)) {
            return &candidate;
        }
    }
    return nullptr;
}

// Bitmap pictures size themselves to their bitmap, as static bitmap controls do.
void picture_size(int bitmap_id, int32_t* width, int32_t* height)
{
    if (bitmap_id == 200) {
        *width = 230;
        *height = 210;
    } else if (bitmap_id == 201) {
        *width = 200;
        *height = 180;
    }
}

HeadlessWindow* add_control(HeadlessWindow* dialog, const DialogControl& control, int language)
{
    HeadlessWindow* window = new_window(HEADLESS_CONTROL, dialog);
    window->control_kind = control.kind;
    window->id = control.id;
    window->class_name = class_of(control.kind);
    window->text = control_text(control, language);
    window->read_only = control.kind == ControlKind::READ_ONLY_EDIT;
    window->visible = true;
    window->width = horizontal_pixels(control_width(control, language));
    window->height = vertical_pixels(control.height);
    if (control.kind == ControlKind::PICTURE) {
        picture_size(control.id, &window->width, &window->height);
    }
    window->x = horizontal_pixels(control.x);
    window->y = dialog->client_height - vertical_pixels(control.y) - window->height;
    window->client_width = window->width;
    window->client_height = window->height;
    if (control.kind == ControlKind::PROGRESS_BAR) {
        if (const HeadlessClass* window_class = find_class("ProgressBar")) {
            window->procedure = window_class->procedure;
        }
    }
    return window;
}

HeadlessWindow* build_dialog(const DialogTemplate& layout, OsWindowProc procedure)
{
    HeadlessWindow* dialog = new_window(HEADLESS_DIALOG, nullptr);
    dialog->template_id = layout.resource_id;
    dialog->procedure = procedure;
    dialog->class_name = "#32770";
    dialog->text = layout.caption;
    dialog->client_width = horizontal_pixels(layout.width);
    dialog->client_height = vertical_pixels(layout.height);
    dialog->width = dialog->client_width + 2 * FRAME_WIDTH;
    dialog->height = dialog->client_height + 2 * FRAME_WIDTH + CAPTION_HEIGHT;
    dialog->y = headless.sys_values[OS_SV_SCREEN_HEIGHT] - dialog->height;
    for (const DialogControl& control : dialog_controls) {
        add_control(dialog, control, layout.language);
    }
    return dialog;
}

void set_client_size(HeadlessWindow* window)
{
    if (window->kind == HEADLESS_DIALOG || window->kind == HEADLESS_TOP_WINDOW) {
        window->client_width = window->width > 2 * FRAME_WIDTH ? window->width - 2 * FRAME_WIDTH : 0;
        int32_t frame = 2 * FRAME_WIDTH + CAPTION_HEIGHT;
        window->client_height = window->height > frame ? window->height - frame : 0;
    } else {
        window->client_width = window->width;
        window->client_height = window->height;
    }
}

// Tells the parent that an edit's text changed, as the edit itself would.
void notify_edit_change(OsWindow edit)
{
    OsWindow parent = nullptr;
    uintptr_t first = 0;
    {
        HeadlessGuard guard(headless.lock);
        HeadlessWindow* window = find_window(edit);
        if (window == nullptr || window->parent == nullptr || !is_edit(window)) {
            return;
        }
        parent = window->parent;
        first = (static_cast<uintptr_t>(RAW_EDIT_CHANGE) << 16) | static_cast<uint16_t>(window->id);
    }
    call_procedure(parent, OS_RAW_COMMAND, first, reinterpret_cast<intptr_t>(edit));
}

// Destroys the window's children first-to-last, then forgets the window.
void release_window(HeadlessWindow* window)
{
    for (HeadlessWindow& candidate : headless.windows) {
        if (candidate.in_use && candidate.parent == window) {
            release_window(&candidate);
        }
    }
    if (headless.focus == window) {
        headless.focus = nullptr;
    }
    window->in_use = false;
}

}  // namespace

HeadlessWindow* find_window(OsWindow handle)
{
    if (handle == nullptr) {
        return nullptr;
    }
    for (HeadlessWindow& candidate : headless.windows) {
        if (&candidate == handle) {
            return candidate.in_use ? &candidate : nullptr;
        }
    }
    return nullptr;
}

HeadlessWindow* find_child(HeadlessWindow* parent, int id)
{
    if (parent == nullptr) {
        return nullptr;
    }
    for (HeadlessWindow& candidate : headless.windows) {
        if (candidate.in_use && candidate.parent == parent && candidate.id == id) {
            return &candidate;
        }
    }
    return nullptr;
}

intptr_t call_procedure(OsWindow handle, uint32_t message, uintptr_t first, intptr_t second)
{
    OsWindowProc procedure = nullptr;
    {
        HeadlessGuard guard(headless.lock);
        HeadlessWindow* window = find_window(handle);
        if (window != nullptr) {
            procedure = window->procedure;
        }
    }
    return procedure != nullptr ? procedure(handle, message, first, second) : 0;
}

void reset_windows()
{
    headless.windows.clear();
    headless.classes.clear();
    headless.posts.clear();
    headless.focus = nullptr;
}

bool equal_ignoring_case(const std::string& a, const char* b)
{
    size_t length = std::strlen(b);
    if (a.size() != length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y && std::tolower(x) != std::tolower(y)) {
            return false;
        }
    }
    return true;
}

// --- Dialogs ----------------------------------------------------------------------

OsWindow os_LoadDlg(OsWindow, OsWindow, OsWindowProc procedure, OsModule, int resource_id, void* data)
{
    const DialogTemplate* layout = find_dialog_template(resource_id);
    if (layout == nullptr) {
        return nullptr;
    }
    HeadlessWindow* dialog = nullptr;
    std::vector<OsWindow> created;   // controls of a registered class get their create message
    {
        HeadlessGuard guard(headless.lock);
        dialog = build_dialog(*layout, procedure);
        for (HeadlessWindow& candidate : headless.windows) {
            if (candidate.in_use && candidate.parent == dialog && candidate.procedure != nullptr) {
                created.push_back(&candidate);
            }
        }
    }
    for (OsWindow control : created) {
        call_procedure(control, OS_RAW_CREATE, 0, 0);
    }
    OsWindow first_stop = nullptr;
    {
        HeadlessGuard guard(headless.lock);
        for (HeadlessWindow& candidate : headless.windows) {
            if (candidate.in_use && candidate.parent == dialog && is_tab_stop(&candidate)) {
                first_stop = &candidate;
                break;
            }
        }
    }
    call_procedure(dialog, OS_RAW_INITDIALOG, reinterpret_cast<uintptr_t>(first_stop),
                   reinterpret_cast<intptr_t>(data));
    HeadlessGuard guard(headless.lock);
    // The procedure may have placed the focus itself; otherwise the first tab stop gets it.
    HeadlessWindow* focus = headless.focus;
    if (find_window(dialog) != nullptr && (focus == nullptr || focus->parent != dialog)) {
        headless.focus = find_window(first_stop);
    }
    return find_window(dialog);
}

int os_ProcessDlg(OsWindow dialog)
{
    for (;;) {
        HeadlessPost post{};
        bool have_post = false;
        {
            HeadlessGuard guard(headless.lock);
            HeadlessWindow* window = find_window(dialog);
            if (window == nullptr) {
                return -1;
            }
            if (window->dismissed) {
                return window->dismiss_result;
            }
            if (!headless.posts.empty()) {
                post = headless.posts.front();
                headless.posts.pop_front();
                have_post = true;
            }
        }
        if (have_post) {
            call_procedure(post.window, post.message, post.first, post.second);
            continue;
        }
        HeadlessIdleHandler idle = nullptr;
        {
            HeadlessGuard guard(headless.lock);
            idle = headless.idle_handler;
        }
        if (idle != nullptr && idle(dialog)) {
            continue;
        }
        std::unique_lock<std::recursive_mutex> waiting(headless.lock);
        if (headless.posts.empty()) {
            if (headless.running_threads.load() == 0) {
                return -1;   // no user, no thread: nothing can dismiss the dialog any more
            }
            headless.posted.wait_for(waiting, std::chrono::milliseconds(20));
        }
    }
}

int os_DismissDlg(OsWindow dialog, int result)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(dialog);
    if (window == nullptr) {
        return 0;
    }
    window->dismissed = true;
    window->dismiss_result = result;
    window->visible = false;
    headless.posted.notify_all();
    return 1;
}

int os_DestroyWindow(OsWindow handle)
{
    std::vector<OsWindow> doomed;   // the window first, then its descendants
    {
        HeadlessGuard guard(headless.lock);
        if (find_window(handle) == nullptr) {
            return 0;
        }
        doomed.push_back(handle);
        for (size_t i = 0; i < doomed.size(); ++i) {
            for (HeadlessWindow& candidate : headless.windows) {
                if (candidate.in_use && candidate.parent == doomed[i]) {
                    doomed.push_back(&candidate);
                }
            }
        }
    }
    for (OsWindow window : doomed) {
        call_procedure(window, OS_RAW_DESTROY, 0, 0);
    }
    HeadlessGuard guard(headless.lock);
    if (HeadlessWindow* window = find_window(handle)) {
        release_window(window);
    }
    return 1;
}

OsWindow os_SubWin(OsWindow window, int id)
{
    HeadlessGuard guard(headless.lock);
    return find_child(find_window(window), id);
}

intptr_t os_DefDlgProc(OsWindow, uint32_t, uintptr_t, intptr_t)
{
    return 0;
}

intptr_t os_DefWinProc(OsWindow window, uint32_t message, uintptr_t, intptr_t)
{
    if (message == OS_RAW_CLOSE) {
        os_DestroyWindow(window);
    }
    return 0;
}

intptr_t os_DefaultWindowProc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return os_DefWinProc(window, message, first, second);
}

// --- Texts and states ----------------------------------------------------------------

int os_SetWindowText(OsWindow handle, const char* text)
{
    bool notify = false;
    {
        HeadlessGuard guard(headless.lock);
        HeadlessWindow* window = find_window(handle);
        if (window == nullptr) {
            return 0;
        }
        window->text = text != nullptr ? text : "";
        notify = is_edit(window);
    }
    // An edit reports every change, also one made by the program, before the
    // setter returns; the dialog's field rules depend on this nesting.
    if (notify) {
        notify_edit_change(handle);
    }
    return 1;
}

int os_QueryWindowText(OsWindow handle, int size, char* buffer)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr) {
        return 0;
    }
    size_t length = window->text.size() < static_cast<size_t>(size) ? window->text.size() : size - 1;
    std::memcpy(buffer, window->text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int os_CheckControl(OsWindow dialog, int id, int state)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* control = find_child(find_window(dialog), id);
    if (control == nullptr) {
        return 0;
    }
    control->checked = state != 0;
    return 1;
}

int os_IsButtonChecked(OsWindow dialog, int id)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* control = find_child(find_window(dialog), id);
    return control != nullptr && control->checked ? 1 : 0;
}

int os_EnableWindow(OsWindow handle, int state)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr) {
        return 0;
    }
    window->enabled = state != 0;
    return 1;
}

int os_ShowWindow(OsWindow handle, int state)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr) {
        return 0;
    }
    window->visible = state != 0;
    return 1;
}

int os_IsWindowEnabled(OsWindow handle)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    return window != nullptr && window->enabled ? 1 : 0;
}

int os_SetFocus(OsWindow handle)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr) {
        return 0;
    }
    headless.focus = window;
    return 1;
}

int os_ContrlMgr(OsWindow edit, int, int limit, int)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(edit);
    if (window == nullptr || limit < 0) {
        return 0;
    }
    window->text_limit = limit;
    return 1;
}

int os_SetFontNameSize(OsWindow handle, const char* font)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr || font == nullptr) {
        return 0;
    }
    window->font = font;
    return 1;
}

// --- Positions -------------------------------------------------------------------------

int os_QueryWinPos(OsWindow handle, OsWinPos* position)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr || position == nullptr) {
        return 0;
    }
    position->flags = window->visible ? SWP_SHOW : 0;
    position->height = window->height;
    position->width = window->width;
    position->y = window->y;
    position->x = window->x;
    return 1;
}

int os_SetWinPos(OsWindow handle, int, int x, int y, int width, int height, int flags)
{
    bool resized = false;
    {
        HeadlessGuard guard(headless.lock);
        HeadlessWindow* window = find_window(handle);
        if (window == nullptr) {
            return 0;
        }
        if (flags & SWP_MOVE) {
            window->x = x;
            window->y = y;
        }
        if (flags & SWP_SIZE) {
            window->width = width > 0 ? width : 0;
            window->height = height > 0 ? height : 0;
            set_client_size(window);
            resized = true;
        }
        if (flags & SWP_SHOW) {
            window->visible = true;
        }
        if (flags & SWP_HIDE) {
            window->visible = false;
        }
    }
    if (resized) {
        call_procedure(handle, OS_RAW_SIZE, 0, 0);
    }
    return 1;
}

int os_QueryWinRect(OsWindow handle, OsRect* rectangle)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr || rectangle == nullptr) {
        return 0;
    }
    *rectangle = OsRect{0, 0, window->width, window->height};
    return 1;
}

int os_QueryWinClRect(OsWindow handle, OsRect* rectangle)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr || rectangle == nullptr) {
        return 0;
    }
    *rectangle = OsRect{0, 0, window->client_width, window->client_height};
    return 1;
}

int os_CenterWinOverWin(OsWindow over, OsWindow handle, int)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr) {
        return 0;
    }
    int32_t area_x = 0, area_y = 0;
    int32_t area_width = headless.sys_values[OS_SV_SCREEN_WIDTH];
    int32_t area_height = headless.sys_values[OS_SV_SCREEN_HEIGHT];
    if (HeadlessWindow* base = find_window(over)) {
        area_x = base->x;
        area_y = base->y;
        area_width = base->width;
        area_height = base->height;
    }
    window->x = area_x + (area_width - window->width) / 2;
    window->y = area_y + (area_height - window->height) / 2;
    window->centred = true;
    return 1;
}

// --- Messages ------------------------------------------------------------------------

int os_PostMsg(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    HeadlessGuard guard(headless.lock);
    if (find_window(window) == nullptr) {
        return 0;
    }
    headless.posts.push_back(HeadlessPost{window, message, first, second});
    headless.posted.notify_all();
    return 1;
}

intptr_t os_SendMsg(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return call_procedure(window, message, first, second);
}

// --- Classes and plain windows ------------------------------------------------------

uint16_t os_RegisterClass(const char* name, OsWindowProc procedure, int class_style, int icon_id)
{
    HeadlessGuard guard(headless.lock);
    if (name == nullptr || procedure == nullptr || find_class(name) != nullptr) {
        return 0;
    }
    // Icon 1 is the program's only icon: every other id falls back to it.
    headless.classes.push_back(HeadlessClass{name, procedure, class_style, 1});
    (void)icon_id;
    return static_cast<uint16_t>(0xC000 + headless.classes.size() - 1);
}

OsWindow os_CreateTopWindow(const char* class_name, const char* title, OsModule)
{
    HeadlessWindow* window = nullptr;
    {
        HeadlessGuard guard(headless.lock);
        const HeadlessClass* window_class = find_class(class_name);
        if (window_class == nullptr) {
            return nullptr;
        }
        window = new_window(HEADLESS_TOP_WINDOW, nullptr);
        window->class_name = window_class->name;
        window->procedure = window_class->procedure;
        window->text = title != nullptr ? title : "";
        window->width = DEFAULT_TOP_WIDTH;
        window->height = DEFAULT_TOP_HEIGHT;
        window->x = 2 * CAPTION_HEIGHT;
        window->y = headless.sys_values[OS_SV_SCREEN_HEIGHT] - DEFAULT_TOP_HEIGHT - 2 * CAPTION_HEIGHT;
        set_client_size(window);
    }
    // A create answer of -1 refuses the window, as the real system does.
    if (call_procedure(window, OS_RAW_CREATE, 0, 0) == -1) {
        os_DestroyWindow(window);
        return nullptr;
    }
    HeadlessGuard guard(headless.lock);
    return find_window(window);
}

OsWindow os_CreateTextChild(OsWindow parent, int id, const char* text, int x, int y, int width, int height, OsModule)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* owner = find_window(parent);
    if (owner == nullptr) {
        return nullptr;
    }
    HeadlessWindow* window = new_window(HEADLESS_TEXT_CHILD, owner);
    window->id = id;
    window->class_name = "Edit";
    window->text = text != nullptr ? text : "";
    window->read_only = true;
    window->visible = true;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;
    set_client_size(window);
    return window;
}

int os_SetWindowWord(OsWindow handle, int index, uint32_t value)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    if (window == nullptr || index != 0) {
        return 0;   // one 32-bit word per window
    }
    window->window_word = value;
    return 1;
}

uint32_t os_QueryWindowWord(OsWindow handle, int index)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* window = find_window(handle);
    return window != nullptr && index == 0 ? window->window_word : 0;
}

// --- Test API: windows ------------------------------------------------------------------

bool headless_window_exists(OsWindow window)
{
    HeadlessGuard guard(headless.lock);
    return find_window(window) != nullptr;
}

#define WITH_WINDOW(handle, fallback) \
    HeadlessGuard guard(headless.lock); \
    HeadlessWindow* window = find_window(handle); \
    if (window == nullptr) return fallback

HeadlessWindowKind headless_window_kind(OsWindow handle) { WITH_WINDOW(handle, HEADLESS_CONTROL); return window->kind; }
int headless_window_id(OsWindow handle) { WITH_WINDOW(handle, 0); return window->id; }
int headless_dialog_template(OsWindow handle) { WITH_WINDOW(handle, 0); return window->template_id; }
OsWindow headless_parent(OsWindow handle) { WITH_WINDOW(handle, nullptr); return window->parent; }
std::string headless_class_name(OsWindow handle) { WITH_WINDOW(handle, ""); return window->class_name; }
std::string headless_text(OsWindow handle) { WITH_WINDOW(handle, ""); return window->text; }
bool headless_is_visible(OsWindow handle) { WITH_WINDOW(handle, false); return window->visible; }
bool headless_is_dismissed(OsWindow handle) { WITH_WINDOW(handle, false); return window->dismissed; }
int headless_dismiss_result(OsWindow handle) { WITH_WINDOW(handle, 0); return window->dismiss_result; }
int headless_text_limit(OsWindow handle) { WITH_WINDOW(handle, 0); return window->text_limit; }
std::string headless_font(OsWindow handle) { WITH_WINDOW(handle, ""); return window->font; }
bool headless_is_read_only(OsWindow handle) { WITH_WINDOW(handle, false); return window->read_only; }
bool headless_is_centred(OsWindow handle) { WITH_WINDOW(handle, false); return window->centred; }

std::string headless_control_text(OsWindow dialog, int id)
{
    HeadlessGuard guard(headless.lock);
    HeadlessWindow* control = find_child(find_window(dialog), id);
    return control != nullptr ? control->text : "";
}

OsWindow headless_focus()
{
    HeadlessGuard guard(headless.lock);
    return headless.focus;
}

std::vector<OsWindow> headless_top_windows(const char* class_name)
{
    HeadlessGuard guard(headless.lock);
    std::vector<OsWindow> found;
    for (HeadlessWindow& candidate : headless.windows) {
        if (candidate.in_use && candidate.kind == HEADLESS_TOP_WINDOW &&
            (class_name == nullptr || equal_ignoring_case(candidate.class_name, class_name))) {
            found.push_back(&candidate);
        }
    }
    return found;
}

bool headless_class_registered(const char* class_name)
{
    HeadlessGuard guard(headless.lock);
    return find_class(class_name) != nullptr;
}

int headless_class_icon(const char* class_name)
{
    HeadlessGuard guard(headless.lock);
    const HeadlessClass* window_class = find_class(class_name);
    return window_class != nullptr ? window_class->icon : 0;
}

// --- Test API: the simulated user -----------------------------------------------------

bool headless_type_text(OsWindow dialog, int id, const char* text)
{
    OsWindow edit = nullptr;
    {
        HeadlessGuard guard(headless.lock);
        HeadlessWindow* control = find_child(find_window(dialog), id);
        if (control == nullptr || !is_edit(control) || !control->enabled) {
            return false;
        }
        edit = control;
        headless.focus = control;
    }
    for (const char* next = text; next != nullptr && *next != '\0'; ++next) {
        {
            HeadlessGuard guard(headless.lock);
            HeadlessWindow* control = find_window(edit);
            if (control == nullptr) {
                return false;
            }
            bool full = control->text_limit > 0 && control->text.size() >= static_cast<size_t>(control->text_limit);
            if (control->read_only || full) {
                continue;   // the edit beeps and keeps its text
            }
            control->text.push_back(*next);
        }
        notify_edit_change(edit);
    }
    return true;
}

bool headless_clear_text(OsWindow dialog, int id)
{
    OsWindow edit = nullptr;
    {
        HeadlessGuard guard(headless.lock);
        HeadlessWindow* control = find_child(find_window(dialog), id);
        if (control == nullptr || !is_edit(control) || !control->enabled) {
            return false;
        }
        headless.focus = control;
        if (control->read_only || control->text.empty()) {
            return true;
        }
        control->text.clear();
        edit = control;
    }
    notify_edit_change(edit);
    return true;
}

bool headless_click(OsWindow dialog, int id)
{
    uintptr_t first = 0;
    OsWindow control_handle = nullptr;
    {
        HeadlessGuard guard(headless.lock);
        HeadlessWindow* control = find_child(find_window(dialog), id);
        if (control == nullptr || !control->enabled || control->kind != HEADLESS_CONTROL) {
            return false;
        }
        if (control->control_kind == ControlKind::CHECKBOX) {
            control->checked = !control->checked;
        } else if (control->control_kind != ControlKind::BUTTON &&
                   control->control_kind != ControlKind::DEFAULT_BUTTON) {
            return false;
        }
        headless.focus = control;
        control_handle = control;
        first = (static_cast<uintptr_t>(RAW_BUTTON_CLICKED) << 16) | static_cast<uint16_t>(id);
    }
    call_procedure(dialog, OS_RAW_COMMAND, first, reinterpret_cast<intptr_t>(control_handle));
    return true;
}

bool headless_close(OsWindow window)
{
    {
        HeadlessGuard guard(headless.lock);
        if (find_window(window) == nullptr) {
            return false;
        }
    }
    call_procedure(window, OS_RAW_CLOSE, 0, 0);
    return true;
}
