// Win32 window layer: dialogs from the resource templates, the modal loop,
// texts and states of controls, positions, messages and message boxes.
//
// A dialog procedure of the layer answers every message itself and calls
// os_DefDlgProc for what it leaves to the system. The thunk below turns that
// into Win32's dialog-procedure protocol: a call that reached os_DefDlgProc
// returns FALSE (the dialog manager does its default), any other is handled
// and its answer becomes the message result.
#include "windowlayer/win32/layer_win32.h"
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct DialogRecord {
    OsWindowProc procedure;
    void* data;
    volatile LONG dismissed;   // set by os_DismissDlg, read by the modal loop
    volatile LONG result;
};

thread_local bool default_requested = false;

DialogRecord* record_of(HWND dialog)
{
    return reinterpret_cast<DialogRecord*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

bool focus_inside(HWND dialog)
{
    HWND focus = GetFocus();
    return focus != nullptr && (focus == dialog || IsChild(dialog, focus));
}

INT_PTR CALLBACK dialog_thunk(HWND dialog, UINT message, WPARAM first, LPARAM second)
{
    if (message == WM_INITDIALOG) {
        auto* record = reinterpret_cast<DialogRecord*>(second);
        SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        second = reinterpret_cast<LPARAM>(record->data);
    }
    DialogRecord* record = record_of(dialog);
    if (record == nullptr) {
        return FALSE;
    }
    // The layer knows "text changed" only; the edit's "about to redraw"
    // notice that precedes it every time is not the layer's to deliver.
    if (message == WM_COMMAND && HIWORD(first) == EN_UPDATE && is_edit_window(reinterpret_cast<HWND>(second))) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
        std::unique_ptr<DialogRecord> release(record);
        return FALSE;
    }
    bool outer_request = default_requested;
    default_requested = false;
    intptr_t answer = record->procedure(dialog, message, first, second);
    bool wants_default = default_requested;
    default_requested = outer_request;
    if (message == WM_INITDIALOG) {
        // The layer's initialisation answers 1 after placing the focus
        // itself; Win32 would then move it to the first tab stop.
        return answer != 0 && !focus_inside(dialog) ? TRUE : FALSE;
    }
    if (wants_default) {
        return FALSE;
    }
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(answer));
    return TRUE;
}

constexpr int32_t SWP_LAYER_SIZE = 1, SWP_LAYER_MOVE = 2, SWP_LAYER_ZORDER = 4, SWP_LAYER_SHOW = 8,
                  SWP_LAYER_HIDE = 0x10, SWP_LAYER_ACTIVATE = 0x80;

}  // namespace

HWND to_window(OsWindow window)
{
    return static_cast<HWND>(window);
}

bool is_edit_window(HWND window)
{
    wchar_t name[16] = L"";
    return window != nullptr && GetClassNameW(window, name, 16) > 0 && lstrcmpiW(name, L"Edit") == 0;
}

int reference_height(HWND window)
{
    HWND parent = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr;
    if (parent == nullptr) {
        return GetSystemMetrics(SM_CYSCREEN);
    }
    RECT client = {};
    GetClientRect(parent, &client);
    return client.bottom;
}

RECT to_win32_rect(const OsRect& rectangle, int height)
{
    return RECT{rectangle.left, height - rectangle.top, rectangle.right, height - rectangle.bottom};
}

// --- Dialogs ------------------------------------------------------------------------------

OsWindow os_LoadDlg(OsWindow, OsWindow owner, OsWindowProc procedure, OsModule module, int resource_id, void* data)
{
    if (procedure == nullptr) {
        return nullptr;
    }
    HINSTANCE instance = module != nullptr ? static_cast<HINSTANCE>(module) : layer_instance();
    auto record = std::make_unique<DialogRecord>();
    record->procedure = procedure;
    record->data = data;
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(resource_id), to_window(owner), dialog_thunk,
                                     reinterpret_cast<LPARAM>(record.get()));
    if (dialog == nullptr) {
        return nullptr;   // missing template or control class: the record was never attached
    }
    record.release();     // owned by the dialog now, freed on its last message
    return dialog;
}

int os_ProcessDlg(OsWindow window)
{
    HWND dialog = to_window(window);
    DialogRecord* record = IsWindow(dialog) ? record_of(dialog) : nullptr;
    if (record == nullptr) {
        return -1;
    }
    MSG message;
    while (!record->dismissed) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));   // leave the quit for the outer loop
            return -1;
        }
        if (got == -1) {
            return -1;
        }
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!IsWindow(dialog)) {
            return -1;    // destroyed while running: the record is gone with it
        }
    }
    return record->result;
}

int os_DismissDlg(OsWindow window, int result)
{
    HWND dialog = to_window(window);
    DialogRecord* record = IsWindow(dialog) ? record_of(dialog) : nullptr;
    if (record == nullptr) {
        return 0;
    }
    InterlockedExchange(&record->result, result);
    InterlockedExchange(&record->dismissed, 1);
    ShowWindow(dialog, SW_HIDE);
    PostMessageW(dialog, WM_NULL, 0, 0);   // wakes the modal loop
    return 1;
}

int os_DestroyWindow(OsWindow window)
{
    return DestroyWindow(to_window(window)) ? 1 : 0;
}

OsWindow os_SubWin(OsWindow window, int id)
{
    return GetDlgItem(to_window(window), id);
}

intptr_t os_DefDlgProc(OsWindow, uint32_t, uintptr_t, intptr_t)
{
    default_requested = true;
    return 0;
}

intptr_t os_DefWinProc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return DefWindowProcW(to_window(window), message, first, second);
}

// --- Texts and states -------------------------------------------------------------------------

int os_SetWindowText(OsWindow window, const char* text)
{
    HWND handle = to_window(window);
    if (!IsWindow(handle)) {
        return 0;
    }
    // Edits hold paths (ANSI); the edit reports the change (EN_CHANGE) to
    // its parent before SetWindowText returns.
    if (is_edit_window(handle)) {
        return SetWindowTextA(handle, text != nullptr ? text : "") ? 1 : 0;
    }
    return SetWindowTextW(handle, widen(text, TEXT_CODE_PAGE).c_str()) ? 1 : 0;
}

int os_QueryWindowText(OsWindow window, int size, char* buffer)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    HWND handle = to_window(window);
    if (!IsWindow(handle)) {
        return 0;
    }
    if (is_edit_window(handle)) {
        return GetWindowTextA(handle, buffer, size);
    }
    int length = GetWindowTextLengthW(handle);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(handle, wide.data(), length + 1);
    return narrow(wide.c_str(), TEXT_CODE_PAGE, buffer, size);
}

int os_CheckControl(OsWindow dialog, int id, int state)
{
    return CheckDlgButton(to_window(dialog), id, state ? BST_CHECKED : BST_UNCHECKED) ? 1 : 0;
}

int os_IsButtonChecked(OsWindow dialog, int id)
{
    return IsDlgButtonChecked(to_window(dialog), id) == BST_CHECKED ? 1 : 0;
}

int os_EnableWindow(OsWindow window, int state)
{
    HWND handle = to_window(window);
    if (!IsWindow(handle)) {
        return 0;
    }
    EnableWindow(handle, state ? TRUE : FALSE);
    return 1;
}

int os_ShowWindow(OsWindow window, int state)
{
    HWND handle = to_window(window);
    if (!IsWindow(handle)) {
        return 0;
    }
    ShowWindow(handle, state ? SW_SHOW : SW_HIDE);
    return 1;
}

int os_IsWindowEnabled(OsWindow window)
{
    HWND handle = to_window(window);
    return IsWindow(handle) && IsWindowEnabled(handle) ? 1 : 0;
}

int os_SetFocus(OsWindow window)
{
    return SetFocus(to_window(window)) != nullptr || GetFocus() == to_window(window) ? 1 : 0;
}

int os_ContrlMgr(OsWindow edit, int, int limit, int)
{
    HWND handle = to_window(edit);
    if (!IsWindow(handle) || limit < 0) {
        return 0;
    }
    SendMessageW(handle, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    return 1;
}

// "8.Courier": point size, a dot, the face name. Fonts are kept until shutdown.
int os_SetFontNameSize(OsWindow window, const char* font)
{
    HWND handle = to_window(window);
    const char* dot = font != nullptr ? std::strchr(font, '.') : nullptr;
    if (!IsWindow(handle) || dot == nullptr) {
        return 0;
    }
    int slot = 0;
    while (slot < 8 && win32_layer.fonts[slot] != nullptr && std::strcmp(win32_layer.font_names[slot], font) != 0) {
        ++slot;
    }
    if (slot == 8) {
        return 0;
    }
    if (win32_layer.fonts[slot] == nullptr) {
        HDC screen = GetDC(nullptr);
        int height = -MulDiv(std::atoi(font), GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        win32_layer.fonts[slot] = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                              FIXED_PITCH | FF_MODERN, dot + 1);
        std::snprintf(win32_layer.font_names[slot], sizeof win32_layer.font_names[slot], "%s", font);
    }
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(win32_layer.fonts[slot]), TRUE);
    return win32_layer.fonts[slot] != nullptr ? 1 : 0;
}

// --- Positions ----------------------------------------------------------------------------------

int os_QueryWinPos(OsWindow window, OsWinPos* position)
{
    HWND handle = to_window(window);
    if (!IsWindow(handle) || position == nullptr) {
        return 0;
    }
    RECT area = {};
    GetWindowRect(handle, &area);
    HWND parent = (GetWindowLongW(handle, GWL_STYLE) & WS_CHILD) ? GetParent(handle) : nullptr;
    if (parent != nullptr) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    }
    position->flags = IsWindowVisible(handle) ? SWP_LAYER_SHOW : 0;
    position->width = area.right - area.left;
    position->height = area.bottom - area.top;
    position->x = area.left;
    position->y = reference_height(handle) - area.bottom;
    return 1;
}

int os_SetWinPos(OsWindow window, int, int x, int y, int width, int height, int flags)
{
    HWND handle = to_window(window);
    if (!IsWindow(handle)) {
        return 0;
    }
    OsWinPos now = {};
    os_QueryWinPos(window, &now);
    int final_height = (flags & SWP_LAYER_SIZE) ? height : now.height;
    int final_y = (flags & SWP_LAYER_MOVE) ? y : now.y;
    UINT win32_flags = 0;
    win32_flags |= (flags & SWP_LAYER_SIZE) ? 0 : SWP_NOSIZE;
    win32_flags |= (flags & SWP_LAYER_ZORDER) ? 0 : SWP_NOZORDER;
    win32_flags |= (flags & SWP_LAYER_SHOW) ? SWP_SHOWWINDOW : 0;
    win32_flags |= (flags & SWP_LAYER_HIDE) ? SWP_HIDEWINDOW : 0;
    win32_flags |= (flags & SWP_LAYER_ACTIVATE) ? 0 : SWP_NOACTIVATE;
    // Moving keeps the bottom edge where the layer put it; so does resizing.
    int top = reference_height(handle) - (final_y + final_height);
    int left = (flags & SWP_LAYER_MOVE) ? x : now.x;
    if (!(flags & (SWP_LAYER_MOVE | SWP_LAYER_SIZE))) {
        win32_flags |= SWP_NOMOVE;
    }
    return SetWindowPos(handle, HWND_TOP, left, top, width, height, win32_flags) ? 1 : 0;
}

int os_QueryWinRect(OsWindow window, OsRect* rectangle)
{
    RECT area = {};
    if (rectangle == nullptr || !GetWindowRect(to_window(window), &area)) {
        return 0;
    }
    *rectangle = OsRect{0, 0, area.right - area.left, area.bottom - area.top};
    return 1;
}

int os_QueryWinClRect(OsWindow window, OsRect* rectangle)
{
    RECT client = {};
    if (rectangle == nullptr || !GetClientRect(to_window(window), &client)) {
        return 0;
    }
    *rectangle = OsRect{0, 0, client.right, client.bottom};
    return 1;
}

int os_CenterWinOverWin(OsWindow over, OsWindow window, int)
{
    HWND handle = to_window(window);
    RECT area = {};
    if (!GetWindowRect(handle, &area)) {
        return 0;
    }
    RECT base = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (over != nullptr) {
        GetWindowRect(to_window(over), &base);
    }
    int width = area.right - area.left, height = area.bottom - area.top;
    int left = base.left + (base.right - base.left - width) / 2;
    int top = base.top + (base.bottom - base.top - height) / 2;
    return SetWindowPos(handle, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 1 : 0;
}

// --- Messages and message boxes ------------------------------------------------------------------

int os_PostMsg(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return PostMessageW(to_window(window), message, first, second) ? 1 : 0;
}

intptr_t os_SendMsg(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return SendMessageW(to_window(window), message, first, second);
}

// Styles: 0x11 asks yes or no (question icon), +0x80 makes it a warning;
// 36 is an error and 40 an information box with OK. Answer 1 is yes (or OK).
int os_MessageBox(OsWindow owner, const char* title, const char* text, int style)
{
    UINT type = MB_OK;
    if ((style & 0x11) == 0x11) {
        type = MB_YESNO | ((style & 0x80) ? MB_ICONWARNING : MB_ICONQUESTION);
    } else if (style & 0x80) {
        type = MB_OK | MB_ICONWARNING;
    } else if (style & 0x04) {
        type = MB_OK | MB_ICONERROR;
    } else if (style & 0x08) {
        type = MB_OK | MB_ICONINFORMATION;
    }
    HWND parent = to_window(owner);
    if (parent == nullptr) {
        type |= MB_TASKMODAL | MB_SETFOREGROUND;
    }
    std::wstring wide_title = widen(title, TEXT_CODE_PAGE);
    std::wstring wide_text = widen(text, TEXT_CODE_PAGE);
    int answer = MessageBoxW(IsWindow(parent) ? parent : nullptr, wide_text.c_str(), wide_title.c_str(), type);
    return answer == IDYES || answer == IDOK ? 1 : 0;
}
