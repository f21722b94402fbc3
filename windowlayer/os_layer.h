// The window-system layer: dialogs, windows, message translation, threads,
// profile, system values, file search, message boxes and painting helpers.
//
// The layer comes from OS/2: translated message codes (59 initialise, 32
// command, 48 control, 41 close) and y coordinates that grow upward from the
// parent's bottom edge are its own. Raw messages, as window procedures receive
// them, carry the Win32 numbers below; the Win32 implementation translates
// between the two worlds, the headless implementation (tests) produces the
// same raw messages from its in-memory controls.
#pragma once
#include <cstdint>

using OsWindow = void*;   // a window or dialog; null is "none"
using OsModule = void*;   // a module instance or a loaded library
using OsHandle = void*;   // a brush, bitmap or device context

// Raw messages (Win32 numbering).
enum : uint32_t {
    OS_RAW_CREATE = 1,
    OS_RAW_DESTROY = 2,
    OS_RAW_SIZE = 5,
    OS_RAW_PAINT = 15,
    OS_RAW_CLOSE = 16,
    OS_RAW_INITDIALOG = 0x0110,
    OS_RAW_COMMAND = 0x0111,
    OS_MSG_1025 = 1025,
    OS_MSG_PROGRESS = 1026,  // progress position to the bar; end of run to the dialog
};

// Translated message codes and control notifications.
enum : uint32_t {
    OS_CODE_INIT = 59,
    OS_CODE_COMMAND = 32,
    OS_CODE_CONTROL = 48,
    OS_CODE_CLOSE = 41,
    OS_NOTIFY_CLICKED = 1,
    OS_NOTIFY_EDIT_CHANGED = 4,
};

// Window procedures get raw messages: (window, message, first, second).
using OsWindowProc = intptr_t (*)(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
using OsThreadProc = void (*)(uint32_t parameter);

struct OsThreadRecord { uint32_t words[3]; };

// Result of os_TranslateMsg.
struct OsMsg {
    uint32_t code;          // 59, 32, 48, 41, 1026, or the raw message when not translated
    uint16_t id;            // control or command id
    uint16_t notification;  // control notification (4 = edit text changed)
};

// os_QueryWinPos record: y grows upward from the parent's bottom.
struct OsWinPos { int32_t flags, height, width, y, x; };
// Rectangles in the layer's upward coordinates.
struct OsRect { int32_t left, bottom, right, top; };

struct OsPaint {
    OsHandle device_context;  // first field, as painting code relies on
    OsRect area;
    uint8_t reserved[64];     // implementation's own state
};

struct OsFindRecord {
    char pattern[260];
    char name[260];
    uint32_t attributes;      // 8 = directory
    void* handle;             // implementation's search state
};
constexpr uint32_t OS_FIND_DIRECTORY = 8;

// os_SetWinPos orders and flags.
enum : int32_t { OS_ORDER_TOP = 3, OS_POS_MOVE_SIZE = 3, OS_POS_MOVE_SIZE_SHOW = 11, OS_POS_SHOW_ACTIVATE = 136 };

// System values.
enum : int32_t {
    OS_SV_VERSION = 0,      // 400 = 4.00
    OS_SV_PLATFORM = 1,     // 4 = Windows NT
    OS_SV_CASCADE_A = 7,
    OS_SV_CASCADE_B = 10,
    OS_SV_SCREEN_WIDTH = 11,
    OS_SV_SCREEN_HEIGHT = 12,
    OS_SV_COLOUR = 17,
};
constexpr int32_t OS_PLATFORM_NT = 4;

// --- Layer lifecycle and threads ---------------------------------------------
int os_Initialize(OsModule instance, const char* directory, int flags);
int os_InitWinThread(OsThreadRecord* record, int a, int b);
int os_CleanupWinThread(OsThreadRecord* record);
int os_CreateThread(OsThreadProc function, uint32_t parameter);

// --- Dialogs and windows -----------------------------------------------------
OsWindow os_LoadDlg(OsWindow parent, OsWindow owner, OsWindowProc procedure, OsModule module, int resource_id, void* data);
int os_ProcessDlg(OsWindow dialog);
int os_DismissDlg(OsWindow dialog, int result);
int os_DestroyWindow(OsWindow window);
uint32_t os_TranslateMsg(OsMsg* record, OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
OsWindow os_SubWin(OsWindow window, int id);
intptr_t os_DefDlgProc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
intptr_t os_DefWinProc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
int os_SetWindowText(OsWindow window, const char* text);   // edits notify before returning
int os_QueryWindowText(OsWindow window, int size, char* buffer);
int os_CheckControl(OsWindow dialog, int id, int state);
int os_IsButtonChecked(OsWindow dialog, int id);
int os_EnableWindow(OsWindow window, int state);
int os_ShowWindow(OsWindow window, int state);
int os_IsWindowEnabled(OsWindow window);
int os_SetFocus(OsWindow window);
int os_ContrlMgr(OsWindow edit, int a, int limit, int b);  // (edit, 0, 259, 0): text limit
int os_SetFontNameSize(OsWindow window, const char* font); // "8.Courier"
int os_QueryWinPos(OsWindow window, OsWinPos* position);
int os_SetWinPos(OsWindow window, int order, int x, int y, int width, int height, int flags);
int os_QueryWinRect(OsWindow window, OsRect* rectangle);
int os_QueryWinClRect(OsWindow window, OsRect* rectangle);
int os_CenterWinOverWin(OsWindow over, OsWindow window, int flags);
int os_PostMsg(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
intptr_t os_SendMsg(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);  // synchronous
int os_MessageBox(OsWindow owner, const char* title, const char* text, int style);  // 1 = yes

// Window classes and plain windows (progress bar, text viewer).
// Every window of a class has one 32-bit window word.
uint16_t os_RegisterClass(const char* name, OsWindowProc procedure, int class_style, int icon_id);
OsWindow os_CreateTopWindow(const char* class_name, const char* title, OsModule module);
OsWindow os_CreateTextChild(OsWindow parent, int id, const char* text, int x, int y, int width, int height, OsModule module);
intptr_t os_DefaultWindowProc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
int os_SetWindowWord(OsWindow window, int index, uint32_t value);
uint32_t os_QueryWindowWord(OsWindow window, int index);

// --- Painting ----------------------------------------------------------------
OsHandle os_BeginPaint(OsWindow window, OsPaint* paint, int flags);
int os_EndPaint(OsPaint* paint);
int os_InvalidateRcl(OsWindow window, const OsRect* rectangle, int flags);
int os_NiceRCL(const OsRect* rectangle, OsPaint* paint, int style);  // -1 or 1: edge frame
OsHandle os_CreateSolidBrush(uint32_t colour);
OsHandle os_LoadBitmap(int resource_id);
OsHandle os_CreatePatternBrush(OsHandle bitmap);
int os_FillRect(OsPaint* paint, const OsRect* rectangle, OsHandle brush);
int os_DeleteObject(OsHandle object);

// --- System, profile, files, modules -----------------------------------------
int32_t os_QuerySysValue(int32_t index);
int os_IniMgr(int operation, int a, const char* application, const char* key, char* buffer, int* size);
int os_QueryCWD(char* buffer, int size);
OsModule os_LoadModule(const char* file_name);
int os_FreeModule(OsModule module);
int os_FileFindMgr(int operation, OsFindRecord* record);  // 0 first, 1 next, 2 end; 0 = found
int os_QueryModulePath(OsModule module, char* buffer, int size);  // the program's own path
void _os_AssertMsg(const char* expression, const char* source_file, int line);
