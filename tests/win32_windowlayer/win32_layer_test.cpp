// The Win32 window layer on the program's own dialog templates: change
// notifications of program-set texts arrive before the setter returns,
// message translation, the modal loop, upward coordinates, profile, system
// values and code page 850 texts in labels and message boxes.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>
#include "windowlayer/os_layer.h"

namespace {

std::vector<std::string> seen;

std::string describe(const OsMsg& message)
{
    return std::to_string(message.code) + ":" + std::to_string(message.id) + ":" +
           std::to_string(message.notification);
}

intptr_t test_dialog_procedure(OsWindow dialog, uint32_t raw, uintptr_t first, intptr_t second)
{
    OsMsg message{};
    os_TranslateMsg(&message, dialog, raw, first, second);
    switch (message.code) {
    case OS_CODE_INIT:
        seen.push_back(describe(message));
        os_SetFocus(os_SubWin(dialog, 307));
        return 1;
    case OS_CODE_COMMAND:
    case OS_CODE_CLOSE:
        seen.push_back(describe(message));
        return 0;
    case OS_CODE_CONTROL:
        // Edits also report focus changes (1, 2), which these tests ignore.
        if (message.id != 300 && (message.notification == 1 || message.notification == 2)) {
            return 0;
        }
        seen.push_back(describe(message));
        if (message.id == 302 && message.notification == OS_NOTIFY_EDIT_CHANGED) {
            char text[260];
            os_QueryWindowText(os_SubWin(dialog, 302), sizeof text, text);
            os_SetWindowText(os_SubWin(dialog, 307), text);
            seen.push_back("after 307 set");
        }
        return 0;
    case OS_MSG_PROGRESS:
        seen.push_back("1026");
        os_DismissDlg(dialog, 5);
        return 0;
    default:
        return os_DefDlgProc(dialog, raw, first, second);
    }
}

intptr_t bar_procedure(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    if (message == OS_MSG_PROGRESS) {
        os_SetWindowWord(window, 0, static_cast<uint32_t>(first));
        return 0;
    }
    return os_DefWinProc(window, message, first, second);
}

class Win32Layer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        os_Initialize(GetModuleHandleA(nullptr), ".", 0);
        os_RegisterClass("ProgressBar", bar_procedure, 0, 0);
    }
    void SetUp() override
    {
        seen.clear();
        dialog = os_LoadDlg(nullptr, nullptr, test_dialog_procedure, nullptr, 100, nullptr);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override
    {
        if (dialog != nullptr) {
            os_DestroyWindow(dialog);
        }
    }
    OsWindow dialog = nullptr;
};

TEST_F(Win32Layer, InitialisationIsTranslatedAndKeepsTheProceduresFocus)
{
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "59:0:0");
    EXPECT_EQ(GetFocus(), static_cast<HWND>(os_SubWin(dialog, 307)));
    EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(dialog)));
    char caption[150];
    os_QueryWindowText(dialog, sizeof caption, caption);
    EXPECT_STREQ(caption, "QEL Install");
}

TEST_F(Win32Layer, ProgramSetTextNotifiesBeforeTheSetterReturns)
{
    seen.clear();
    EXPECT_EQ(os_SetWindowText(os_SubWin(dialog, 302), "C:\\QEL"), 1);
    seen.push_back("setter returned");
    const std::vector<std::string> expected = {"48:302:4", "48:307:4", "after 307 set", "setter returned"};
    EXPECT_EQ(seen, expected);
    char text[260];
    EXPECT_EQ(os_QueryWindowText(os_SubWin(dialog, 307), sizeof text, text), 6);
    EXPECT_STREQ(text, "C:\\QEL");
}

TEST_F(Win32Layer, ReadOnlyEditAlsoNotifies)
{
    seen.clear();
    os_SetWindowText(os_SubWin(dialog, 311), "D:\\NEW\\OPTIONS");
    EXPECT_EQ(seen, std::vector<std::string>{"48:311:4"});
}

TEST_F(Win32Layer, ButtonsCommandCheckboxesNotifyCloseIsFortyOne)
{
    seen.clear();
    SendMessageW(static_cast<HWND>(os_SubWin(dialog, 1)), BM_CLICK, 0, 0);
    SendMessageW(static_cast<HWND>(os_SubWin(dialog, 2)), BM_CLICK, 0, 0);
    SendMessageW(static_cast<HWND>(os_SubWin(dialog, 300)), BM_CLICK, 0, 0);
    SendMessageW(static_cast<HWND>(dialog), WM_CLOSE, 0, 0);
    const std::vector<std::string> expected = {"32:1:0", "32:2:0", "48:300:1", "41:0:0"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(os_IsButtonChecked(dialog, 300), 1);
    EXPECT_TRUE(IsWindow(static_cast<HWND>(dialog)));   // close was handled, not defaulted
}

TEST_F(Win32Layer, PostedMessageEndsTheModalLoop)
{
    EXPECT_EQ(os_PostMsg(dialog, OS_MSG_PROGRESS, 0, 0), 1);
    EXPECT_EQ(os_ProcessDlg(dialog), 5);
    EXPECT_EQ(seen.back(), "1026");
    EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(dialog)));
}

OsWindow worker_dialog = nullptr;
void posting_worker(uint32_t)
{
    os_SetWindowText(os_SubWin(worker_dialog, 309), "from the worker");
    os_SendMsg(os_SubWin(worker_dialog, 308), OS_MSG_PROGRESS, 57, 0);
    os_PostMsg(worker_dialog, OS_MSG_PROGRESS, 0, 0);
}

TEST_F(Win32Layer, WorkerThreadReachesTheDialogThroughTheLoop)
{
    worker_dialog = dialog;
    ASSERT_EQ(os_CreateThread(posting_worker, 0), 1);
    EXPECT_EQ(os_ProcessDlg(dialog), 5);
    EXPECT_EQ(os_QueryWindowWord(os_SubWin(dialog, 308), 0), 57u);
    char status[64];
    os_QueryWindowText(os_SubWin(dialog, 309), sizeof status, status);
    EXPECT_STREQ(status, "from the worker");
}

TEST_F(Win32Layer, PositionsGrowUpwardFromTheClientBottom)
{
    OsWinPos checkbox_300{}, checkbox_304{};
    ASSERT_TRUE(os_QueryWinPos(os_SubWin(dialog, 300), &checkbox_300));
    ASSERT_TRUE(os_QueryWinPos(os_SubWin(dialog, 304), &checkbox_304));
    EXPECT_GT(checkbox_300.y, checkbox_304.y);
    RECT client{}, control{};
    GetClientRect(static_cast<HWND>(dialog), &client);
    GetWindowRect(static_cast<HWND>(os_SubWin(dialog, 300)), &control);
    MapWindowPoints(nullptr, static_cast<HWND>(dialog), reinterpret_cast<POINT*>(&control), 2);
    EXPECT_EQ(checkbox_300.y, client.bottom - control.bottom);
    EXPECT_EQ(checkbox_300.x, control.left);

    // Moving a picture to an upward y puts its top edge where the layer says.
    OsWindow picture = os_SubWin(dialog, 200);
    int top = checkbox_300.y + checkbox_300.height;
    ASSERT_TRUE(os_SetWinPos(picture, 0, checkbox_304.x, top - 210, 230, 210, OS_POS_MOVE_SIZE));
    OsWinPos placed{};
    os_QueryWinPos(picture, &placed);
    EXPECT_EQ(placed.y, top - 210);
    EXPECT_EQ(placed.height, 210);
    EXPECT_EQ(placed.x, checkbox_304.x);
}

TEST_F(Win32Layer, LabelsTakeCodePage850)
{
    OsWindow status = os_SubWin(dialog, 309);
    os_SetWindowText(status, "L\x94schen \x81""ber");
    wchar_t wide[64] = L"";
    GetWindowTextW(static_cast<HWND>(status), wide, 64);
    EXPECT_EQ(std::wstring(wide), std::wstring(L"L\u00F6schen \u00FCber"));
    char back[64];
    os_QueryWindowText(status, sizeof back, back);
    EXPECT_STREQ(back, "L\x94schen \x81""ber");
}

TEST_F(Win32Layer, StatesLimitsAndCentring)
{
    OsWindow edit = os_SubWin(dialog, 310);
    os_ContrlMgr(edit, 0, 259, 0);
    EXPECT_EQ(SendMessageW(static_cast<HWND>(edit), EM_GETLIMITTEXT, 0, 0), 259);
    os_EnableWindow(edit, 0);
    EXPECT_EQ(os_IsWindowEnabled(edit), 0);
    os_EnableWindow(edit, 1);
    EXPECT_EQ(os_IsWindowEnabled(edit), 1);
    os_CheckControl(dialog, 303, 1);
    EXPECT_EQ(os_IsButtonChecked(dialog, 303), 1);
    os_CenterWinOverWin(nullptr, dialog, 1);
    os_SetWinPos(dialog, OS_ORDER_TOP, 0, 0, 0, 0, OS_POS_SHOW_ACTIVATE);
    EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(dialog)));
    RECT area{};
    GetWindowRect(static_cast<HWND>(dialog), &area);
    EXPECT_NEAR(area.left + area.right, GetSystemMetrics(SM_CXSCREEN), 1);
    EXPECT_NEAR(area.top + area.bottom, GetSystemMetrics(SM_CYSCREEN), 1);
}

TEST(Win32LayerDialogs, AllThreeTemplatesLoadAndAMissingOneDoesNot)
{
    struct Case {
        int id;
        const wchar_t* caption;
        const wchar_t* checkbox_300;
    };
    const Case cases[] = {
        {100, L"QEL Install", L"QEL already installed"},
        {101, L"QEL Installation", L"QEL bereits installiert"},
        {102, L"Installation de QEL", L"QEL est d\u00E9j\u00E0 install\u00E9"},
    };
    for (const Case& c : cases) {
        OsWindow dialog = os_LoadDlg(nullptr, nullptr, test_dialog_procedure, nullptr, c.id, nullptr);
        ASSERT_NE(dialog, nullptr) << c.id;
        wchar_t text[128] = L"";
        GetWindowTextW(static_cast<HWND>(dialog), text, 128);
        EXPECT_EQ(std::wstring(text), c.caption);
        GetDlgItemTextW(static_cast<HWND>(dialog), 300, text, 128);
        EXPECT_EQ(std::wstring(text), c.checkbox_300);
        os_DestroyWindow(dialog);
    }
    EXPECT_EQ(os_LoadDlg(nullptr, nullptr, test_dialog_procedure, nullptr, 99, nullptr), nullptr);
}

TEST(Win32LayerSystem, VersionAndPlatformFollowTheRealSystem)
{
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    auto get_version = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    ASSERT_NE(get_version, nullptr);
    ASSERT_EQ(get_version(&info), 0);
    EXPECT_EQ(os_QuerySysValue(OS_SV_VERSION), static_cast<int32_t>(info.dwMajorVersion * 100 + info.dwMinorVersion));
    EXPECT_EQ(os_QuerySysValue(OS_SV_PLATFORM), OS_PLATFORM_NT);
    EXPECT_GE(os_QuerySysValue(OS_SV_VERSION), 400);
    EXPECT_EQ(os_QuerySysValue(OS_SV_SCREEN_WIDTH), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(os_QuerySysValue(OS_SV_SCREEN_HEIGHT), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(os_QuerySysValue(OS_SV_CASCADE_A) + os_QuerySysValue(OS_SV_CASCADE_B), 0);
    EXPECT_EQ(static_cast<uint32_t>(os_QuerySysValue(OS_SV_COLOUR)), GetSysColor(COLOR_HIGHLIGHT));
}

TEST(Win32LayerSystem, ProfileIsReadFromTheIniFile)
{
    char file[MAX_PATH];
    GetTempPathA(sizeof file, file);
    std::string path = std::string(file) + "qel_profile_test.ini";
    FILE* ini = std::fopen(path.c_str(), "w");
    ASSERT_NE(ini, nullptr);
    std::fputs("[Quellane ]\nHomePath=E:\\QEL\nWindowPos=10 20 640 480\n", ini);
    std::fclose(ini);
    _putenv_s("QEL_PROFILE", path.c_str());

    char value[260] = "";
    int size = sizeof value;
    EXPECT_NE(os_IniMgr(2, 0, "Quellane ", "HomePath", value, &size), 0);
    EXPECT_STREQ(value, "E:\\QEL");
    EXPECT_EQ(size, 7);
    char small[5] = "";
    size = sizeof small;
    EXPECT_NE(os_IniMgr(2, 0, "Quellane ", "WindowPos", small, &size), 0);
    EXPECT_STREQ(small, "10 2");
    size = sizeof value;
    EXPECT_EQ(os_IniMgr(2, 0, "Quellane ", "Missing", value, &size), 0);
    EXPECT_STREQ(value, "");
    size = sizeof value;
    EXPECT_EQ(os_IniMgr(2, 0, "Other", "HomePath", value, &size), 0);

    _putenv_s("QEL_PROFILE", "");
    DeleteFileA(path.c_str());
}

TEST(Win32LayerSystem, FileSearchSkipsDotEntries)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "qel_find_test";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\SUB").c_str(), nullptr);
    FILE* file = std::fopen((root + "\\A.BAK").c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    OsFindRecord record{};
    std::snprintf(record.pattern, sizeof record.pattern, "%s\\*.*", root.c_str());
    std::vector<std::string> names;
    for (int result = os_FileFindMgr(0, &record); result == 0; result = os_FileFindMgr(1, &record)) {
        names.push_back(std::string(record.name) + (record.attributes == OS_FIND_DIRECTORY ? "/" : ""));
    }
    os_FileFindMgr(2, &record);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A.BAK", "SUB/"}));
    DeleteFileA((root + "\\A.BAK").c_str());
    RemoveDirectoryA((root + "\\SUB").c_str());
    RemoveDirectoryA(root.c_str());
    EXPECT_EQ(os_LoadModule("NO-SUCH-LIBRARY-4711.DLL"), nullptr);
    OsModule kernel = os_LoadModule("KERNEL32.DLL");
    EXPECT_NE(kernel, nullptr);
    EXPECT_EQ(os_FreeModule(kernel), 1);
    char path[512];
    EXPECT_GT(os_QueryModulePath(nullptr, path, sizeof path), 0);
    char cwd[260];
    EXPECT_EQ(os_QueryCWD(cwd, sizeof cwd), 1);
    EXPECT_EQ(cwd[1], ':');
}

// Finds a message box by title, reads its text and presses one of its buttons.
struct BoxSeen {
    std::wstring text;
    bool found = false;
};

BOOL CALLBACK collect_static(HWND child, LPARAM data)
{
    auto* seen_box = reinterpret_cast<BoxSeen*>(data);
    wchar_t name[32] = L"";
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, L"Static") == 0) {
        wchar_t text[512] = L"";
        GetWindowTextW(child, text, 512);
        if (wcslen(text) > seen_box->text.size()) {
            seen_box->text = text;
        }
    }
    return TRUE;
}

void answer_box(const wchar_t* title, int button, BoxSeen* seen_box)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        HWND box = FindWindowW(L"#32770", title);
        if (box != nullptr) {
            EnumChildWindows(box, collect_static, reinterpret_cast<LPARAM>(seen_box));
            seen_box->found = true;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            return;
        }
        Sleep(50);
    }
}

TEST(Win32LayerBoxes, TextsAreConvertedAndAnswersMapped)
{
    struct Case {
        int style;
        int button;
        int answer;
    };
    const Case cases[] = {{0x11 | 0x80, IDYES, 1}, {0x11, IDNO, 0}, {40, IDOK, 1}, {36, IDOK, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        BoxSeen seen_box;
        std::thread user(answer_box, L"Fehler \u00FC", c.button, &seen_box);
        int answer = os_MessageBox(nullptr, "Fehler \x81", "Datei L\x94schen?\r\rWirklich \x82", c.style);
        user.join();
        ASSERT_TRUE(seen_box.found);
        EXPECT_EQ(answer, c.answer);
        EXPECT_NE(seen_box.text.find(L"L\u00F6schen?"), std::wstring::npos);
        EXPECT_NE(seen_box.text.find(L"Wirklich \u00E9"), std::wstring::npos);
    }
}

}  // namespace

namespace {

// Fills the bottom half of its client red and the top half with the bar
// pattern, in the layer's upward coordinates, inside a two-ring frame.
intptr_t paint_probe_procedure(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    if (message != OS_RAW_PAINT) {
        return os_DefaultWindowProc(window, message, first, second);
    }
    OsPaint paint{};
    os_BeginPaint(window, &paint, 0);
    OsRect client{};
    os_QueryWinClRect(window, &client);
    OsHandle red = os_CreateSolidBrush(0x0000FF);
    OsHandle bitmap = os_LoadBitmap(2);
    OsHandle pattern = os_CreatePatternBrush(bitmap);
    OsRect bottom_half{0, 0, client.right, client.top / 2};
    OsRect top_half{0, client.top / 2, client.right, client.top};
    os_FillRect(&paint, &bottom_half, red);
    os_FillRect(&paint, &top_half, pattern);
    os_NiceRCL(&client, &paint, -1);
    os_DeleteObject(red);
    os_DeleteObject(pattern);
    os_DeleteObject(bitmap);
    os_EndPaint(&paint);
    return 0;
}

TEST(Win32LayerWindows, PaintingUsesUpwardCoordinates)
{
    os_Initialize(GetModuleHandleA(nullptr), ".", 0);
    ASSERT_NE(os_RegisterClass("PaintProbe", paint_probe_procedure, 0, 0), 0);
    OsWindow window = os_CreateTopWindow("PaintProbe", "Paint probe", nullptr);
    ASSERT_NE(window, nullptr);
    HWND handle = static_cast<HWND>(window);
    // Class defaults: one window word, icon 1 as fallback, arrow, light grey.
    EXPECT_EQ(GetClassLongPtrW(handle, GCL_CBWNDEXTRA), 4);
    EXPECT_NE(GetClassLongPtrW(handle, GCLP_HICON), 0);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrW(handle, GCLP_HBRBACKGROUND)), GetStockObject(LTGRAY_BRUSH));
    ASSERT_TRUE(os_SetWinPos(window, 0, 50, 200, 300, 200, OS_POS_MOVE_SIZE_SHOW));
    RECT area{};
    GetWindowRect(handle, &area);
    EXPECT_EQ(area.bottom, GetSystemMetrics(SM_CYSCREEN) - 200);   // y is the bottom edge, upward
    EXPECT_EQ(area.left, 50);
    UpdateWindow(handle);
    RECT client{};
    GetClientRect(handle, &client);
    HDC context = GetDC(handle);
    COLORREF low = GetPixel(context, client.right / 2, client.bottom - 10);
    COLORREF high_a = GetPixel(context, client.right / 2, 10);
    COLORREF high_b = GetPixel(context, client.right / 2 + 1, 10);
    ReleaseDC(handle, context);
    EXPECT_EQ(low, RGB(255, 0, 0));
    EXPECT_TRUE((high_a == RGB(192, 192, 192) && high_b == RGB(128, 128, 128)) ||
                (high_a == RGB(128, 128, 128) && high_b == RGB(192, 192, 192)))
        << std::hex << high_a << " " << high_b;
    os_DestroyWindow(window);
}

intptr_t text_probe_procedure(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    OsRect client{};
    switch (message) {
    case OS_RAW_CREATE:
        os_QueryWinClRect(window, &client);
        os_CreateTextChild(window, 257, "x", 0, 0, client.right, client.top, nullptr);
        os_SetFontNameSize(os_SubWin(window, 257), "8.Courier");
        return 0;
    case OS_RAW_SIZE:
        if (OsWindow child = os_SubWin(window, 257)) {
            os_QueryWinClRect(window, &client);
            os_SetWinPos(child, 0, -1, -1, client.right + 1, client.top + 2, OS_POS_MOVE_SIZE);
        }
        return 0;
    default:
        return os_DefaultWindowProc(window, message, first, second);
    }
}

TEST(Win32LayerWindows, TextChildIsAReadOnlyMultiLineEditThatFollowsItsParent)
{
    os_Initialize(GetModuleHandleA(nullptr), ".", 0);
    ASSERT_NE(os_RegisterClass("TextProbe", text_probe_procedure, 0, 0), 0);
    OsWindow window = os_CreateTopWindow("TextProbe", "README.DOC", nullptr);
    ASSERT_NE(window, nullptr);
    HWND child = static_cast<HWND>(os_SubWin(window, 257));
    ASSERT_NE(child, nullptr);
    LONG style = GetWindowLongW(child, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(style & WS_HSCROLL);
    os_SetWinPos(window, 0, 24, 168, 500, 400, OS_POS_MOVE_SIZE_SHOW);
    os_SetWindowText(child, "line one\r\nline two");
    EXPECT_EQ(SendMessageW(child, EM_GETLINECOUNT, 0, 0), 2);
    RECT client{}, edit{};
    GetClientRect(static_cast<HWND>(window), &client);
    GetWindowRect(child, &edit);
    MapWindowPoints(nullptr, static_cast<HWND>(window), reinterpret_cast<POINT*>(&edit), 2);
    EXPECT_EQ(edit.left, -1);
    EXPECT_EQ(edit.top, -1);
    EXPECT_EQ(edit.right, client.right);
    EXPECT_EQ(edit.bottom, client.bottom + 1);
    EXPECT_NE(SendMessageW(child, WM_GETFONT, 0, 0), 0);
    SendMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);   // the default destroys it
    EXPECT_FALSE(IsWindow(static_cast<HWND>(window)));
}

}  // namespace
