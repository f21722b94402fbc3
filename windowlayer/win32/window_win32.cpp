// Win32 window layer: window classes with one 32-bit window word, plain
// top-level windows, the read-only text child, and painting in the layer's
// upward coordinates.
#include "windowlayer/win32/layer_win32.h"
#include <cstring>

namespace {

constexpr int MAX_CLASSES = 16;

struct ClassEntry {
    ATOM atom;
    OsWindowProc procedure;
};

// Written by os_RegisterClass on the dialog thread before any window of the
// class exists; read by the thunk afterwards.
ClassEntry classes[MAX_CLASSES];
int class_count = 0;

OsWindowProc procedure_of(HWND window)
{
    auto atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
    for (int i = 0; i < class_count; ++i) {
        if (classes[i].atom == atom) {
            return classes[i].procedure;
        }
    }
    return nullptr;
}

LRESULT CALLBACK window_thunk(HWND window, UINT message, WPARAM first, LPARAM second)
{
    OsWindowProc procedure = procedure_of(window);
    if (procedure == nullptr) {
        return DefWindowProcW(window, message, first, second);
    }
    return procedure(window, message, first, second);
}

// The paint record's reserved bytes hold the window and its client height.
struct PaintState {
    HWND window;
    int height;
};

PaintState paint_state(const OsPaint* paint)
{
    PaintState state = {};
    std::memcpy(&state, paint->reserved, sizeof state);
    return state;
}

}  // namespace

uint16_t os_RegisterClass(const char* name, OsWindowProc procedure, int class_style, int icon_id)
{
    if (name == nullptr || procedure == nullptr || class_count == MAX_CLASSES) {
        return 0;
    }
    HINSTANCE instance = layer_instance();
    HICON icon = icon_id != 0 ? LoadIconW(instance, MAKEINTRESOURCEW(icon_id)) : nullptr;
    if (icon == nullptr) {
        icon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    }
    std::wstring wide_name = widen(name, CP_ACP);
    WNDCLASSW window_class = {};
    window_class.style = static_cast<UINT>(class_style);
    window_class.lpfnWndProc = window_thunk;
    window_class.cbWndExtra = 4;   // the one 32-bit window word
    window_class.hInstance = instance;
    window_class.hIcon = icon;
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));   // IDC_ARROW
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    window_class.lpszClassName = wide_name.c_str();
    ATOM atom = RegisterClassW(&window_class);
    if (atom == 0) {
        return 0;
    }
    classes[class_count++] = ClassEntry{atom, procedure};
    return atom;
}

OsWindow os_CreateTopWindow(const char* class_name, const char* title, OsModule module)
{
    HINSTANCE instance = module != nullptr ? static_cast<HINSTANCE>(module) : layer_instance();
    return CreateWindowExW(0, widen(class_name, CP_ACP).c_str(), widen(title, TEXT_CODE_PAGE).c_str(),
                           WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           nullptr, nullptr, instance, nullptr);
}

OsWindow os_CreateTextChild(OsWindow parent, int id, const char* text, int x, int y, int width, int height,
                            OsModule module)
{
    HWND owner = to_window(parent);
    RECT client = {};
    if (!GetClientRect(owner, &client)) {
        return nullptr;
    }
    HINSTANCE instance = module != nullptr ? static_cast<HINSTANCE>(module) : layer_instance();
    DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_MULTILINE;
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", text != nullptr ? text : "", style, x,
                                client.bottom - (y + height), width, height, owner,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (edit != nullptr) {
        SendMessageW(edit, EM_LIMITTEXT, 0, 0);   // no limit below the system's own
    }
    return edit;
}

intptr_t os_DefaultWindowProc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return DefWindowProcW(to_window(window), message, first, second);
}

int os_SetWindowWord(OsWindow window, int index, uint32_t value)
{
    if (index != 0 || !IsWindow(to_window(window))) {
        return 0;
    }
    SetLastError(0);
    SetWindowLongW(to_window(window), 0, static_cast<LONG>(value));
    return GetLastError() == 0 ? 1 : 0;
}

uint32_t os_QueryWindowWord(OsWindow window, int index)
{
    return index == 0 ? static_cast<uint32_t>(GetWindowLongW(to_window(window), 0)) : 0;
}

// --- Painting -------------------------------------------------------------------------------------

OsHandle os_BeginPaint(OsWindow window, OsPaint* paint, int)
{
    if (paint == nullptr) {
        return nullptr;
    }
    std::memset(paint, 0, sizeof *paint);
    HWND handle = to_window(window);
    PAINTSTRUCT system_paint = {};
    HDC context = BeginPaint(handle, &system_paint);
    RECT client = {};
    GetClientRect(handle, &client);
    PaintState state = {handle, client.bottom};
    std::memcpy(paint->reserved, &state, sizeof state);
    paint->device_context = context;
    const RECT& area = system_paint.rcPaint;
    paint->area = OsRect{area.left, client.bottom - area.bottom, area.right, client.bottom - area.top};
    return context;
}

int os_EndPaint(OsPaint* paint)
{
    if (paint == nullptr) {
        return 0;
    }
    // EndPaint needs only the device context of the record BeginPaint filled.
    PAINTSTRUCT system_paint = {};
    system_paint.hdc = static_cast<HDC>(paint->device_context);
    return EndPaint(paint_state(paint).window, &system_paint) ? 1 : 0;
}

int os_InvalidateRcl(OsWindow window, const OsRect* rectangle, int)
{
    HWND handle = to_window(window);
    if (rectangle == nullptr) {
        return InvalidateRect(handle, nullptr, TRUE) ? 1 : 0;
    }
    RECT client = {};
    GetClientRect(handle, &client);
    RECT area = to_win32_rect(*rectangle, client.bottom);
    return InvalidateRect(handle, &area, TRUE) ? 1 : 0;
}

// Style -1 draws the outer and 1 the inner ring of a sunken well, one pixel
// each: together the classic recessed frame of a progress bar.
int os_NiceRCL(const OsRect* rectangle, OsPaint* paint, int style)
{
    if (rectangle == nullptr || paint == nullptr) {
        return 0;
    }
    RECT area = to_win32_rect(*rectangle, paint_state(paint).height);
    UINT edge = style < 0 ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
    return DrawEdge(static_cast<HDC>(paint->device_context), &area, edge, BF_RECT) ? 1 : 0;
}

OsHandle os_CreateSolidBrush(uint32_t colour)
{
    return CreateSolidBrush(colour);
}

OsHandle os_LoadBitmap(int resource_id)
{
    return LoadBitmapW(layer_instance(), MAKEINTRESOURCEW(resource_id));
}

OsHandle os_CreatePatternBrush(OsHandle bitmap)
{
    return bitmap != nullptr ? CreatePatternBrush(static_cast<HBITMAP>(bitmap)) : nullptr;
}

int os_FillRect(OsPaint* paint, const OsRect* rectangle, OsHandle brush)
{
    if (paint == nullptr || rectangle == nullptr || brush == nullptr) {
        return 0;
    }
    RECT area = to_win32_rect(*rectangle, paint_state(paint).height);
    return FillRect(static_cast<HDC>(paint->device_context), &area, static_cast<HBRUSH>(brush)) ? 1 : 0;
}

int os_DeleteObject(OsHandle object)
{
    return object != nullptr && DeleteObject(static_cast<HGDIOBJ>(object)) ? 1 : 0;
}
