// Windows part of the start-menu work: the programs folder from the user's
// shell-folder settings, the search path, the ANSI code page and shell links
// written through the shell's link object.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>

#include "installer/shortcuts.h"

namespace {

constexpr char shell_folders_key[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// CoUninitialize only balances a CoInitialize that succeeded.
bool com_initialised = false;

// Releases a COM interface when it goes out of scope.
template <typename Interface>
struct ComPointer {
    Interface* pointer = nullptr;
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer()
    {
        if (pointer != nullptr)
            pointer->Release();
    }
};

}  // namespace

bool query_programs_folder(char* out, int size)
{
    char value[MAX_PATH] = "";
    bool read = false;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, shell_folders_key, &key) == ERROR_SUCCESS) {
        DWORD value_size = sizeof value - 1;  // room for a terminator the value may lack
        read = RegQueryValueExA(key, "Programs", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &value_size)
            == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    // Without the setting the shell's own idea of the folder is the best guess.
    if (!read && SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, value) != S_OK)
        value[0] = '\0';
    out[0] = '\0';
    DWORD expanded = ExpandEnvironmentStringsA(value, out, static_cast<DWORD>(size));
    if (expanded == 0 || expanded > static_cast<DWORD>(size))
        std::snprintf(out, size, "%s", value);
    std::size_t length = std::strlen(out);
    if (length > 0 && out[length - 1] == '\\')
        out[length - 1] = '\0';
    return read;
}

void folder_name_from_oem(char* text, int /*size*/)
{
    // In place: the ANSI text is never longer than the OEM one.
    OemToCharA(text, text);
}

bool find_on_search_path(const char* program, char* out, int size)
{
    char* file_part = nullptr;
    DWORD found = SearchPathA(nullptr, program, "", static_cast<DWORD>(size), out, &file_part);
    if (found == 0 || found >= static_cast<DWORD>(size)) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool begin_shortcuts()
{
    HRESULT result = CoInitialize(nullptr);
    com_initialised = SUCCEEDED(result);
    return com_initialised || result == RPC_E_CHANGED_MODE;
}

void end_shortcuts()
{
    if (com_initialised)
        CoUninitialize();
    com_initialised = false;
}

bool write_shortcut(const ShortcutLink& link)
{
    ComPointer<IShellLinkA> shell_link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell_link.pointer))))
        return false;
    shell_link.pointer->SetPath(link.target);
    shell_link.pointer->SetArguments(link.arguments);
    shell_link.pointer->SetWorkingDirectory(link.working_directory);
    shell_link.pointer->SetDescription(link.description);
    if (link.icon[0] != '\0')
        shell_link.pointer->SetIconLocation(link.icon, 0);
    ComPointer<IPersistFile> file;
    if (FAILED(shell_link.pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.pointer))))
        return false;
    WCHAR wide_name[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, link.file, -1, wide_name, MAX_PATH) == 0)
        return false;
    return SUCCEEDED(file.pointer->Save(wide_name, TRUE));
}
