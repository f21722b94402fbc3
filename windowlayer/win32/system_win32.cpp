// Win32 window layer: lifecycle, threads, system values, profile, current
// directory, libraries, file search, program path and assertions.
//
// The profile is an INI file, "VESKWIN.INI" in the Windows directory (the
// layer's own name), read with GetPrivateProfileStringA; the environment
// variable QEL_PROFILE may name another INI file (tests use it). Example:
//     [Quellane ]
//     HomePath=C:\QEL
//     WindowPos=0 0 640 480
#include "windowlayer/win32/layer_win32.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

Win32Layer win32_layer = {};

namespace {

struct ThreadStart {
    OsThreadProc function;
    uint32_t parameter;
};

DWORD WINAPI run_thread(void* start_record)
{
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(start_record));
    start->function(start->parameter);
    return 0;
}

// Windows version as the layer numbers it: major * 100 + minor (4.00 = 400,
// 3.51 = 351). RtlGetVersion tells the truth where GetVersionEx is shimmed.
int32_t windows_version(int32_t* platform)
{
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto get_version = ntdll != nullptr
        ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
        : nullptr;
    if (get_version == nullptr || get_version(&info) != 0) {
        return 0;
    }
    if (platform != nullptr) {
        *platform = info.dwPlatformId == VER_PLATFORM_WIN32_NT ? OS_PLATFORM_NT : static_cast<int32_t>(info.dwPlatformId);
    }
    return static_cast<int32_t>(info.dwMajorVersion * 100 + info.dwMinorVersion);
}

void profile_path(char* buffer, size_t size)
{
    const char* chosen = std::getenv("QEL_PROFILE");
    if (chosen != nullptr && chosen[0] != '\0') {
        std::snprintf(buffer, size, "%s", chosen);
        return;
    }
    char windows[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) {
        std::snprintf(buffer, size, "VESKWIN.INI");   // the system looks in the Windows directory
        return;
    }
    std::snprintf(buffer, size, "%s\\VESKWIN.INI", windows);
}

}  // namespace

HINSTANCE layer_instance()
{
    return win32_layer.instance != nullptr ? win32_layer.instance : GetModuleHandleA(nullptr);
}

std::wstring widen(const char* text, UINT code_page)
{
    if (text == nullptr || text[0] == '\0') {
        return std::wstring();
    }
    int length = MultiByteToWideChar(code_page, 0, text, -1, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(code_page, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

int narrow(const wchar_t* text, UINT code_page, char* buffer, int size)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    if (text == nullptr || text[0] == L'\0') {
        return 0;
    }
    int needed = WideCharToMultiByte(code_page, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return 0;
    }
    std::string whole(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(code_page, 0, text, -1, whole.data(), needed, nullptr, nullptr);
    std::snprintf(buffer, static_cast<size_t>(size), "%s", whole.c_str());
    return static_cast<int>(std::strlen(buffer));
}

// --- Lifecycle and threads -------------------------------------------------------------

int os_Initialize(OsModule instance, const char*, int)
{
    if (instance == reinterpret_cast<OsModule>(static_cast<intptr_t>(-1))) {
        for (int i = 0; i < 8; ++i) {
            if (win32_layer.fonts[i] != nullptr) {
                DeleteObject(win32_layer.fonts[i]);
                win32_layer.fonts[i] = nullptr;
                win32_layer.font_names[i][0] = '\0';
            }
        }
        return 1;
    }
    win32_layer.instance = instance != nullptr ? static_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
    return 1;
}

int os_InitWinThread(OsThreadRecord*, int, int) { return 1; }
int os_CleanupWinThread(OsThreadRecord*) { return 1; }

int os_CreateThread(OsThreadProc function, uint32_t parameter)
{
    if (function == nullptr) {
        return 0;
    }
    auto* start = new ThreadStart{function, parameter};
    HANDLE thread = CreateThread(nullptr, 0, run_thread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

// --- System values and profile -----------------------------------------------------------

int32_t os_QuerySysValue(int32_t index)
{
    int32_t platform = 0;
    switch (index) {
    case OS_SV_VERSION: return windows_version(nullptr);
    case OS_SV_PLATFORM: windows_version(&platform); return platform;
    case OS_SV_CASCADE_A: return GetSystemMetrics(SM_CYSIZEFRAME);
    case OS_SV_CASCADE_B: return GetSystemMetrics(SM_CYCAPTION);
    case OS_SV_SCREEN_WIDTH: return GetSystemMetrics(SM_CXSCREEN);
    case OS_SV_SCREEN_HEIGHT: return GetSystemMetrics(SM_CYSCREEN);
    case OS_SV_COLOUR: return static_cast<int32_t>(GetSysColor(COLOR_HIGHLIGHT));
    default: return 0;
    }
}

// Operation 2 reads a key: non-zero when found; *size becomes the bytes
// stored with the terminator.
int os_IniMgr(int operation, int, const char* application, const char* key, char* buffer, int* size)
{
    if (operation != 2 || application == nullptr || key == nullptr || buffer == nullptr ||
        size == nullptr || *size <= 0) {
        return 0;
    }
    static const char missing[] = "\x01?";   // cannot appear in an INI value
    char file[MAX_PATH + 16];
    profile_path(file, sizeof file);
    std::string value(static_cast<size_t>(*size) + sizeof missing, '\0');
    GetPrivateProfileStringA(application, key, missing, value.data(), static_cast<DWORD>(value.size()), file);
    if (std::strcmp(value.c_str(), missing) == 0) {
        buffer[0] = '\0';
        return 0;
    }
    std::snprintf(buffer, static_cast<size_t>(*size), "%s", value.c_str());
    *size = static_cast<int>(std::strlen(buffer)) + 1;
    return 1;
}

// --- Directories, libraries, files, program path ---------------------------------------------

int os_QueryCWD(char* buffer, int size)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    if (length == 0 || length >= static_cast<DWORD>(size)) {
        buffer[0] = '\0';   // too long for the caller's field: no partial path
        return 0;
    }
    return 1;
}

OsModule os_LoadModule(const char* file_name)
{
    if (file_name == nullptr) {
        return nullptr;
    }
    // A missing library must not raise the system's "not found" box.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(file_name);
    SetErrorMode(previous);
    return module;
}

int os_FreeModule(OsModule module)
{
    return module != nullptr && FreeLibrary(static_cast<HMODULE>(module)) ? 1 : 0;
}

namespace {

// Fills the record from a search result; "." and ".." are not reported, so
// callers walking directories never climb back up.
int report_found(HANDLE search, WIN32_FIND_DATAA* found, OsFindRecord* record)
{
    for (;;) {
        if (std::strcmp(found->cFileName, ".") != 0 && std::strcmp(found->cFileName, "..") != 0) {
            std::snprintf(record->name, sizeof record->name, "%s", found->cFileName);
            record->attributes = (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? OS_FIND_DIRECTORY : 0;
            return 0;
        }
        if (!FindNextFileA(search, found)) {
            return 1;
        }
    }
}

}  // namespace

int os_FileFindMgr(int operation, OsFindRecord* record)
{
    if (record == nullptr) {
        return 1;
    }
    WIN32_FIND_DATAA found = {};
    HANDLE search = static_cast<HANDLE>(record->handle);
    switch (operation) {
    case 0:
        record->handle = nullptr;   // a fresh record: its handle is not trusted
        record->pattern[sizeof record->pattern - 1] = '\0';
        search = FindFirstFileA(record->pattern, &found);
        if (search == INVALID_HANDLE_VALUE) {
            return 1;
        }
        record->handle = search;
        return report_found(search, &found, record);
    case 1:
        if (search == nullptr || !FindNextFileA(search, &found)) {
            return 1;
        }
        return report_found(search, &found, record);
    case 2:
        if (search != nullptr) {
            FindClose(search);
        }
        record->handle = nullptr;
        return 0;
    default:
        return 1;
    }
}

int os_QueryModulePath(OsModule module, char* buffer, int size)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    DWORD length = GetModuleFileNameA(static_cast<HMODULE>(module), buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= static_cast<DWORD>(size)) {
        buffer[0] = '\0';   // cut paths would point elsewhere
        return 0;
    }
    return static_cast<int>(length);
}

void _os_AssertMsg(const char* expression, const char* source_file, int line)
{
    char text[512];
    std::snprintf(text, sizeof text, "Assertion failed: %s\nFile %s, line %d", expression != nullptr ? expression : "?",
                  source_file != nullptr ? source_file : "?", line);
    std::fprintf(stderr, "%s\n", text);
    MessageBoxA(nullptr, text, "Assertion", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    std::abort();
}
