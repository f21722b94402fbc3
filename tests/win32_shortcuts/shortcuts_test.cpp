// The start-menu folder and its shell links, written and read back through
// the shell's link object under the real component system.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "installer/catalogue.h"
#include "installer/settings.h"
#include "installer/shortcuts.h"
#include "installer/worker.h"
#include "windowlayer/headless/headless.h"

namespace {

constexpr char shell_folders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct LinkContents {
    bool loaded = false;
    std::string path, arguments, working_directory, description, icon;
    int icon_index = -1;
};

LinkContents read_link(const std::wstring& file)
{
    LinkContents contents;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return contents;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
            char text[MAX_PATH];
            contents.loaded = true;
            if (link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK)
                contents.path = text;
            if (SUCCEEDED(link->GetArguments(text, MAX_PATH)))
                contents.arguments = text;
            if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
                contents.working_directory = text;
            if (SUCCEEDED(link->GetDescription(text, MAX_PATH)))
                contents.description = text;
            if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &contents.icon_index)))
                contents.icon = text;
        }
        persist->Release();
    }
    link->Release();
    return contents;
}

std::vector<std::wstring> files_in(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::wstring wide(const std::string& text)
{
    wchar_t buffer[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, MAX_PATH);
    return buffer;
}

void remove_tree(const std::wstring& folder)
{
    for (const std::wstring& name : files_in(folder))
        DeleteFileW((folder + L"\\" + name).c_str());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." && name != L"..")
                remove_tree(folder + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

class ShortcutsTest : public ::testing::Test {
protected:
    std::string base;       // scratch directory
    std::string programs;   // the programs folder the registry names
    char saved_value[MAX_PATH] = "";
    bool had_value = false;

    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        install_choices = InstallChoices{};
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        base = std::string(temp) + "qel_shortcuts_" + std::to_string(GetCurrentProcessId());
        remove_tree(wide(base));
        CreateDirectoryA(base.c_str(), nullptr);
        programs = base + "\\Programs";
        CreateDirectoryA(programs.c_str(), nullptr);
        std::snprintf(install_choices.destination_path, PATH_SIZE, "C:\\QELDEST");
        headless_set_cwd("C:\\DIST");
        CoInitialize(nullptr);
        // Point the user's programs folder at the scratch directory, through an
        // environment reference and with a closing backslash.
        SetEnvironmentVariableA("QEL_TEST_BASE", base.c_str());
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, shell_folders, &key), ERROR_SUCCESS);
        DWORD size = sizeof saved_value;
        had_value = RegQueryValueExA(key, "Programs", nullptr, nullptr, reinterpret_cast<BYTE*>(saved_value), &size)
            == ERROR_SUCCESS;
        const char value[] = "%QEL_TEST_BASE%\\Programs\\";
        RegSetValueExA(key, "Programs", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
        RegCloseKey(key);
    }

    void TearDown() override
    {
        HKEY key;
        if (RegCreateKeyA(HKEY_CURRENT_USER, shell_folders, &key) == ERROR_SUCCESS) {
            if (had_value)
                RegSetValueExA(key, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_value),
                               static_cast<DWORD>(std::strlen(saved_value) + 1));
            else
                RegDeleteValueA(key, "Programs");
            RegCloseKey(key);
        }
        CoUninitialize();
        remove_tree(wide(base));
        headless_reset();
    }
};

TEST_F(ShortcutsTest, ProgramsFolderIsExpandedWithoutClosingBackslash)
{
    char folder[PATH_SIZE];
    EXPECT_TRUE(query_programs_folder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), programs);
}

TEST_F(ShortcutsTest, EnglishFolderHoldsTwelveLinks)
{
    create_shortcuts();
    std::wstring folder = wide(programs) + L"\\QEL for Windows NT";
    std::vector<std::wstring> names = files_in(folder);
    EXPECT_EQ(names.size(), 12u);

    char notepad[MAX_PATH] = "";
    char* file_part = nullptr;
    bool have_notepad = SearchPathA(nullptr, "NOTEPAD.EXE", "", MAX_PATH, notepad, &file_part) != 0;

    struct Expected {
        const char* file;
        const char* path;
        const char* arguments;
        const char* icon;
    };
    const Expected rows[] = {
        {"QEL", "C:\\QELDEST\\QEL.EXE", "", ""},
        {"Readme.doc", nullptr, "README.DOC", "C:\\DIST\\inst_doc.ico"},
        {"Versions.doc", nullptr, "VERSIONS.DOC", "C:\\DIST\\inst_doc.ico"},
        {"Order from Delvaro", "C:\\QELDEST\\QEL.EXE", "/ORDER:0", "C:\\DIST\\inst_ger.ico"},
        {"Order from Quintrel Micro", "C:\\QELDEST\\QEL.EXE", "/ORDER:1", "C:\\DIST\\inst_usa.ico"},
        {"Order from R.Tarsen", "C:\\QELDEST\\QEL.EXE", "/ORDER:2", "C:\\DIST\\inst_aus.ico"},
        {"Order from L.Olvenheim", "C:\\QELDEST\\QEL.EXE", "/ORDER:3", "C:\\DIST\\inst_dk.ico"},
    };
    for (const Expected& row : rows) {
        SCOPED_TRACE(row.file);
        LinkContents link = read_link(folder + L"\\" + wide(row.file) + L".LNK");
        ASSERT_TRUE(link.loaded);
        if (row.path != nullptr) {
            EXPECT_STREQ(link.path.c_str(), row.path);
            EXPECT_EQ(link.arguments, row.arguments);
        } else if (have_notepad) {
            EXPECT_EQ(_stricmp(link.path.c_str(), notepad), 0) << link.path;
            EXPECT_EQ(link.arguments, row.arguments);
        }
        EXPECT_EQ(link.working_directory, "C:\\QELDEST");
        EXPECT_EQ(link.description, row.file);
        EXPECT_EQ(link.icon, row.icon);
        if (row.icon[0] != '\0') {
            EXPECT_EQ(link.icon_index, 0);
        }
    }
}

TEST_F(ShortcutsTest, GermanFolderNameInAnsiCodePage)
{
    settings.language_index = 1;
    create_shortcuts();
    std::wstring folder = wide(programs) + L"\\QEL f\u00fcr Windows NT";
    EXPECT_EQ(files_in(folder).size(), 12u);
    LinkContents link = read_link(folder + L"\\Bestellen bei Delvaro.LNK");
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.arguments, "/ORDER:0");
}

TEST_F(ShortcutsTest, Windows95FolderName)
{
    headless_set_sys_value(OS_SV_PLATFORM, 1);
    create_shortcuts();
    EXPECT_EQ(files_in(wide(programs) + L"\\QEL for Windows'95").size(), 12u);
}

TEST_F(ShortcutsTest, MissingEditorOpensTheDocumentItself)
{
    const ShortcutRow row = {"readme.doc", "NO_SUCH_EDITOR_QEL.EXE", "README.DOC", "inst_doc.ico"};
    ShortcutLink link;
    build_shortcut(&link, "C:\\FOLDER", row);
    EXPECT_STREQ(link.target, "C:\\QELDEST\\README.DOC");
    EXPECT_STREQ(link.arguments, "");
    EXPECT_STREQ(link.file, "C:\\FOLDER\\Readme.doc.LNK");
    ASSERT_TRUE(CreateDirectoryA((programs + "\\X").c_str(), nullptr));
    std::snprintf(link.file, sizeof link.file, "%s\\X\\Readme.doc.LNK", programs.c_str());
    ASSERT_TRUE(write_shortcut(link));
    LinkContents read_back = read_link(wide(link.file));
    ASSERT_TRUE(read_back.loaded);
    EXPECT_STREQ(read_back.path.c_str(), "C:\\QELDEST\\README.DOC");
    EXPECT_EQ(read_back.arguments, "");
}

TEST_F(ShortcutsTest, SecondRunReplacesLinks)
{
    create_shortcuts();
    std::snprintf(install_choices.destination_path, PATH_SIZE, "D:\\OTHER");
    create_shortcuts();
    std::wstring folder = wide(programs) + L"\\QEL for Windows NT";
    EXPECT_EQ(files_in(folder).size(), 12u);
    LinkContents link = read_link(folder + L"\\QEL.LNK");
    ASSERT_TRUE(link.loaded);
    EXPECT_STREQ(link.path.c_str(), "D:\\OTHER\\QEL.EXE");
    EXPECT_EQ(link.working_directory, "D:\\OTHER");
}

}  // namespace
