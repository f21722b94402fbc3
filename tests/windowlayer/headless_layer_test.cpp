// The headless window layer: dialogs from the template table, nested change
// notifications, scripted message boxes, posted messages, threads, painting
// records, profile and file search.
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "windowlayer/dialog_templates.h"
#include "windowlayer/headless/headless.h"
#include "windowlayer/os_layer.h"

namespace {

// What the test dialog procedure saw, translated: "code:id:notification".
std::vector<std::string> seen;
int nesting = 0;
int deepest_nesting = 0;

std::string describe(const OsMsg& message)
{
    return std::to_string(message.code) + ":" + std::to_string(message.id) + ":" +
           std::to_string(message.notification);
}

// Mirrors the install dialog's habit: a change of 302 sets 307, whose change
// is reported (nested) before the outer handler goes on.
intptr_t chaining_procedure(OsWindow dialog, uint32_t raw, uintptr_t first, intptr_t second)
{
    OsMsg message{};
    os_TranslateMsg(&message, dialog, raw, first, second);
    nesting++;
    deepest_nesting = std::max(deepest_nesting, nesting);
    seen.push_back(describe(message));
    if (message.code == OS_CODE_CONTROL && message.id == 302 && message.notification == OS_NOTIFY_EDIT_CHANGED) {
        char text[260];
        os_QueryWindowText(os_SubWin(dialog, 302), sizeof text, text);
        os_SetWindowText(os_SubWin(dialog, 307), text);
        seen.push_back("after 307 set");
    }
    if (message.code == 1026) {
        os_DismissDlg(dialog, 7);
    }
    nesting--;
    return message.code == OS_CODE_INIT ? 1 : os_DefDlgProc(dialog, raw, first, second);
}

class HeadlessLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_reset();
        seen.clear();
        nesting = 0;
        deepest_nesting = 0;
    }
    void TearDown() override { headless_reset(); }
};

TEST_F(HeadlessLayer, DialogIsBuiltFromTheTemplateOfItsLanguage)
{
    struct Case {
        int resource_id;
        const char* caption;
        const char* install_text;
        int checkbox_304_width;   // pixels: dialog units * 6 / 4
    };
    const Case cases[] = {
        {100, "QEL Install", "Install", 173 * 6 / 4},
        {101, "QEL Installation", "Installieren", 175 * 6 / 4},
        {102, "Installation de QEL", "Installer", 173 * 6 / 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resource_id);
        headless_reset();
        OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, c.resource_id, nullptr);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(headless_dialog_template(dialog), c.resource_id);
        EXPECT_EQ(headless_text(dialog), c.caption);
        EXPECT_FALSE(headless_is_visible(dialog));
        EXPECT_EQ(headless_control_text(dialog, 1), c.install_text);
        OsWinPos position{};
        ASSERT_TRUE(os_QueryWinPos(os_SubWin(dialog, 304), &position));
        EXPECT_EQ(position.width, c.checkbox_304_width);
        for (const DialogControl& control : dialog_controls) {
            if (control.id != NO_CONTROL_ID) {
                EXPECT_NE(os_SubWin(dialog, control.id), nullptr) << control.id;
            }
        }
        EXPECT_EQ(headless_class_name(os_SubWin(dialog, 308)), "ProgressBar");
        EXPECT_TRUE(headless_is_read_only(os_SubWin(dialog, 311)));
    }
}

TEST_F(HeadlessLayer, UnknownTemplateGivesNoDialog)
{
    EXPECT_EQ(os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 99, nullptr), nullptr);
    EXPECT_TRUE(seen.empty());
}

TEST_F(HeadlessLayer, PositionsGrowUpwardFromTheDialogBottom)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    OsRect client{};
    ASSERT_TRUE(os_QueryWinClRect(dialog, &client));
    EXPECT_EQ(client.top, 220 * 13 / 8);
    OsWinPos checkbox_300{}, checkbox_304{}, picture_200{};
    os_QueryWinPos(os_SubWin(dialog, 300), &checkbox_300);
    os_QueryWinPos(os_SubWin(dialog, 304), &checkbox_304);
    os_QueryWinPos(os_SubWin(dialog, 200), &picture_200);
    // 300 sits above 304, so its y (bottom edge, upward) is larger.
    EXPECT_GT(checkbox_300.y, checkbox_304.y);
    EXPECT_EQ(checkbox_300.y + checkbox_300.height, client.top - 20 * 13 / 8);
    EXPECT_EQ(picture_200.width, 230);
    EXPECT_EQ(picture_200.height, 210);
}

TEST_F(HeadlessLayer, InitialisationComesBeforeLoadReturns)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "59:0:0");
    // Without a focus placed by the procedure the first tab stop has it.
    EXPECT_EQ(headless_focus(), os_SubWin(dialog, 1));
}

TEST_F(HeadlessLayer, ProgramSetTextNotifiesNestedBeforeTheSetterReturns)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    seen.clear();
    os_SetWindowText(os_SubWin(dialog, 302), "C:\\QEL");
    seen.push_back("setter returned");
    const std::vector<std::string> expected = {"48:302:4", "48:307:4", "after 307 set", "setter returned"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(deepest_nesting, 2);
    EXPECT_EQ(headless_control_text(dialog, 307), "C:\\QEL");
}

TEST_F(HeadlessLayer, LabelsAndCheckStatesDoNotNotify)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 101, nullptr);
    seen.clear();
    os_SetWindowText(os_SubWin(dialog, 309), "Status text");
    os_CheckControl(dialog, 300, 1);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(os_IsButtonChecked(dialog, 300), 1);
    EXPECT_EQ(headless_control_text(dialog, 309), "Status text");
}

TEST_F(HeadlessLayer, TypingNotifiesPerCharacterAndHonoursTheLimit)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    OsWindow edit = os_SubWin(dialog, 310);
    os_ContrlMgr(edit, 0, 3, 0);
    seen.clear();
    EXPECT_TRUE(headless_type_text(dialog, 310, "abcde"));
    EXPECT_EQ(headless_text(edit), "abc");
    EXPECT_EQ(seen.size(), 3u);
    // The limit binds the user only: the program may set longer texts.
    os_SetWindowText(edit, "longer than three");
    EXPECT_EQ(headless_text(edit), "longer than three");
    seen.clear();
    EXPECT_TRUE(headless_clear_text(dialog, 310));
    EXPECT_EQ(seen, std::vector<std::string>{"48:310:4"});
    EXPECT_EQ(headless_focus(), edit);
}

TEST_F(HeadlessLayer, ClicksToggleCheckboxesAndCommandButtons)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    seen.clear();
    EXPECT_TRUE(headless_click(dialog, 300));
    EXPECT_EQ(os_IsButtonChecked(dialog, 300), 1);
    EXPECT_TRUE(headless_click(dialog, 1));
    os_EnableWindow(os_SubWin(dialog, 2), 0);
    EXPECT_FALSE(headless_click(dialog, 2));   // disabled: nothing happens
    EXPECT_FALSE(headless_click(dialog, 309)); // a label is not clickable
    const std::vector<std::string> expected = {"48:300:1", "32:1:0"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(os_IsWindowEnabled(os_SubWin(dialog, 2)), 0);
}

TEST_F(HeadlessLayer, ProcessDlgDeliversPostsUntilDismissed)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    os_PostMsg(dialog, OS_MSG_PROGRESS, 0, 0);
    EXPECT_EQ(headless_pending_posts(), 1);
    EXPECT_EQ(os_ProcessDlg(dialog), 7);
    EXPECT_TRUE(headless_is_dismissed(dialog));
    EXPECT_EQ(headless_pending_posts(), 0);
}

TEST_F(HeadlessLayer, ProcessDlgReturnsWhenNothingCanHappen)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    EXPECT_EQ(os_ProcessDlg(dialog), -1);
    EXPECT_FALSE(headless_is_dismissed(dialog));
}

OsWindow worker_dialog = nullptr;
void posting_worker(uint32_t)
{
    os_SetWindowText(os_SubWin(worker_dialog, 309), "working");
    os_MessageBox(worker_dialog, "Information", "from the worker", 40);
    os_PostMsg(worker_dialog, OS_MSG_PROGRESS, 0, 0);
}

TEST_F(HeadlessLayer, ProcessDlgWaitsForTheWorkersPost)
{
    worker_dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    ASSERT_EQ(os_CreateThread(posting_worker, 0), 1);
    EXPECT_EQ(os_ProcessDlg(worker_dialog), 7);
    headless_join_threads();
    EXPECT_EQ(headless_running_threads(), 0);
    EXPECT_EQ(headless_control_text(worker_dialog, 309), "working");
    ASSERT_EQ(headless_box_count(), 1);
    EXPECT_EQ(headless_boxes()[0].owner, worker_dialog);
}

int idle_calls = 0;
bool clicking_user(OsWindow dialog)
{
    idle_calls++;
    if (idle_calls == 2) {
        os_PostMsg(dialog, OS_MSG_PROGRESS, 0, 0);
    }
    return idle_calls < 5;
}

TEST_F(HeadlessLayer, IdleHandlerPlaysTheUser)
{
    idle_calls = 0;
    headless_set_idle_handler(clicking_user);
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    EXPECT_EQ(os_ProcessDlg(dialog), 7);
    EXPECT_EQ(idle_calls, 2);
}

int console_handler(OsWindow, const char*, const char* text, int)
{
    return std::string(text) == "yes please" ? 1 : 0;
}

TEST_F(HeadlessLayer, MessageBoxesAreScriptedAndRecorded)
{
    int owner_marker = 0;
    OsWindow owner = &owner_marker;
    headless_queue_answer(0);
    headless_queue_answer(1);
    headless_set_default_answer(6);
    EXPECT_EQ(os_MessageBox(owner, "Information", "first", 0x11 | 0x80), 0);
    EXPECT_EQ(os_MessageBox(nullptr, "Fehler", "second", 36), 1);
    EXPECT_EQ(os_MessageBox(nullptr, "Error", "third", 36), 6);
    headless_set_box_handler(console_handler);
    EXPECT_EQ(os_MessageBox(nullptr, "Q", "yes please", 0x11), 1);
    EXPECT_EQ(os_MessageBox(nullptr, "Q", "no thanks", 0x11), 0);
    std::vector<HeadlessMessageBox> boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].owner, owner);
    EXPECT_EQ(boxes[0].title, "Information");
    EXPECT_EQ(boxes[0].text, "first");
    EXPECT_EQ(boxes[0].style, 0x91);
    EXPECT_EQ(boxes[0].answer, 0);
    EXPECT_EQ(boxes[1].owner, nullptr);
    EXPECT_EQ(boxes[2].answer, 6);
    EXPECT_EQ(boxes[4].answer, 0);
}

TEST_F(HeadlessLayer, SystemValuesProfileAndDirectoriesAreSettable)
{
    EXPECT_EQ(os_QuerySysValue(OS_SV_PLATFORM), OS_PLATFORM_NT);
    EXPECT_GE(os_QuerySysValue(OS_SV_VERSION), 400);
    headless_set_sys_value(OS_SV_VERSION, 351);
    EXPECT_EQ(os_QuerySysValue(OS_SV_VERSION), 351);
    EXPECT_EQ(os_QuerySysValue(-1), 0);
    EXPECT_EQ(os_QuerySysValue(1000), 0);

    char value[28] = "untouched";
    int size = sizeof value;
    EXPECT_EQ(os_IniMgr(2, 0, "Quellane ", "WindowPos", value, &size), 0);
    headless_set_profile("Quellane ", "HomePath", "C:\\QEL\\A-RATHER-LONG-DIRECTORY-NAME");
    size = sizeof value;
    EXPECT_NE(os_IniMgr(2, 0, "Quellane ", "HomePath", value, &size), 0);
    EXPECT_EQ(std::string(value), std::string("C:\\QEL\\A-RATHER-LONG-DIRECT"));  // cut to 27 + NUL
    EXPECT_EQ(size, 28);
    // The trailing blank is part of the application name.
    size = sizeof value;
    EXPECT_EQ(os_IniMgr(2, 0, "Quellane", "HomePath", value, &size), 0);

    char directory[260];
    headless_set_cwd("C:\\QEL\\SETUP");
    ASSERT_TRUE(os_QueryCWD(directory, sizeof directory));
    EXPECT_STREQ(directory, "C:\\QEL\\SETUP");
    headless_set_module_path("C:\\QEL\\SETUP\\SETUP.EXE");
    EXPECT_GT(os_QueryModulePath(nullptr, directory, sizeof directory), 0);
    EXPECT_STREQ(directory, "C:\\QEL\\SETUP\\SETUP.EXE");
    char tiny[5];
    os_QueryModulePath(nullptr, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "C:\\Q");

    EXPECT_EQ(os_LoadModule("CAPI2032.DLL"), nullptr);
    headless_set_module_present("capi2032.dll", true);
    OsModule library = os_LoadModule("CAPI2032.DLL");
    EXPECT_NE(library, nullptr);
    EXPECT_EQ(os_FreeModule(library), 1);
}

TEST_F(HeadlessLayer, RealProgramPathWhenNotSet)
{
    char path[512];
    EXPECT_GT(os_QueryModulePath(nullptr, path, sizeof path), 0);
    EXPECT_NE(std::string(path).find("windowlayer_tests"), std::string::npos);
}

// A bar-like class: its word is the position, painting fills one solid block
// per 10 percent over pattern blocks.
intptr_t bar_procedure(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    if (message == OS_MSG_PROGRESS) {
        os_SetWindowWord(window, 0, static_cast<uint32_t>(first));
        os_InvalidateRcl(window, nullptr, 0);
        return 0;
    }
    if (message != OS_RAW_PAINT) {
        return os_DefWinProc(window, message, first, second);
    }
    OsPaint paint{};
    os_BeginPaint(window, &paint, 0);
    OsRect all{};
    os_QueryWinRect(window, &all);
    os_NiceRCL(&all, &paint, -1);
    OsHandle solid = os_CreateSolidBrush(os_QuerySysValue(OS_SV_COLOUR));
    OsHandle bitmap = os_LoadBitmap(2);
    OsHandle pattern = os_CreatePatternBrush(bitmap);
    uint32_t lit = os_QueryWindowWord(window, 0) / 10;
    for (uint32_t i = 0; i < 10; ++i) {
        OsRect block{static_cast<int32_t>(i * 4), 0, static_cast<int32_t>(i * 4 + 3), all.top};
        os_FillRect(&paint, &block, lit > i ? solid : pattern);
    }
    os_DeleteObject(solid);
    os_DeleteObject(pattern);
    os_DeleteObject(bitmap);
    os_EndPaint(&paint);
    return 0;
}

TEST_F(HeadlessLayer, PaintingIsRecordedWithBrushKinds)
{
    ASSERT_NE(os_RegisterClass("ProgressBar", bar_procedure, 0, 0), 0);
    EXPECT_EQ(os_RegisterClass("ProgressBar", bar_procedure, 0, 0), 0);  // already there
    EXPECT_EQ(headless_class_icon("ProgressBar"), 1);
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    OsWindow bar = os_SubWin(dialog, 308);
    EXPECT_EQ(os_SendMsg(bar, OS_MSG_PROGRESS, 35, 0), 0);
    EXPECT_EQ(os_QueryWindowWord(bar, 0), 35u);
    EXPECT_EQ(headless_painting(bar).invalidations, 1);
    HeadlessPainting painting = headless_paint(bar);
    ASSERT_EQ(painting.fills.size(), 10u);
    int solid = 0;
    for (const HeadlessFill& fill : painting.fills) {
        solid += fill.brush_kind == HEADLESS_BRUSH_SOLID ? 1 : 0;
        if (fill.brush_kind == HEADLESS_BRUSH_PATTERN) {
            EXPECT_EQ(fill.bitmap_id, 2);
        }
    }
    EXPECT_EQ(solid, 3);
    ASSERT_EQ(painting.frames.size(), 1u);
    EXPECT_EQ(painting.frames[0].style, -1);
    EXPECT_EQ(painting.paints, 1);
    EXPECT_EQ(headless_live_objects(), 0);
    EXPECT_EQ(os_LoadBitmap(999), nullptr);
}

int destroyed_text_windows = 0;
intptr_t text_procedure(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
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
    case OS_RAW_DESTROY:
        destroyed_text_windows++;
        return 0;
    default:
        return os_DefaultWindowProc(window, message, first, second);
    }
}

TEST_F(HeadlessLayer, TopWindowsWithTextChildrenResizeAndClose)
{
    destroyed_text_windows = 0;
    EXPECT_EQ(os_CreateTopWindow("ShowTextWindow", "README.DOC", nullptr), nullptr);  // no class yet
    os_RegisterClass("ShowTextWindow", text_procedure, 0, 0);
    OsWindow window = os_CreateTopWindow("ShowTextWindow", "README.DOC", nullptr);
    ASSERT_NE(window, nullptr);
    OsWindow child = os_SubWin(window, 257);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(headless_window_kind(child), HEADLESS_TEXT_CHILD);
    EXPECT_TRUE(headless_is_read_only(child));
    EXPECT_EQ(headless_font(child), "8.Courier");
    EXPECT_EQ(headless_text(child), "x");
    EXPECT_FALSE(headless_is_visible(window));

    os_SetWinPos(window, 0, 24, 168, 768, 576, 11);
    OsRect client{};
    os_QueryWinClRect(window, &client);
    OsWinPos edit{};
    os_QueryWinPos(child, &edit);
    EXPECT_EQ(edit.x, -1);
    EXPECT_EQ(edit.y, -1);
    EXPECT_EQ(edit.width, client.right + 1);
    EXPECT_EQ(edit.height, client.top + 2);
    EXPECT_TRUE(headless_is_visible(window));
    EXPECT_EQ(headless_top_windows("ShowTextWindow").size(), 1u);

    EXPECT_TRUE(headless_close(window));   // default procedure destroys it
    EXPECT_FALSE(headless_window_exists(window));
    EXPECT_FALSE(headless_window_exists(child));
    EXPECT_EQ(destroyed_text_windows, 1);
    EXPECT_TRUE(headless_top_windows("ShowTextWindow").empty());
}

TEST_F(HeadlessLayer, CentringUsesTheScreen)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    os_CenterWinOverWin(nullptr, dialog, 1);
    OsWinPos position{};
    os_QueryWinPos(dialog, &position);
    EXPECT_EQ(position.x, (1024 - position.width) / 2);
    EXPECT_EQ(position.y, (768 - position.height) / 2);
    EXPECT_TRUE(headless_is_centred(dialog));
    os_SetWinPos(dialog, OS_ORDER_TOP, 0, 0, 0, 0, OS_POS_SHOW_ACTIVATE);
    EXPECT_TRUE(headless_is_visible(dialog));
}

TEST_F(HeadlessLayer, FileSearchMatchesWildcardsWithoutCase)
{
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("qel_find_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    fs::create_directories(root / "SUB");
    for (const char* name : {"A.BAK", "b.bak", "C.TXT", "NODOT"}) {
        std::ofstream(root / name) << "x";
    }
    struct Case {
        const char* pattern;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"*.BAK", {"A.BAK", "b.bak"}},
        {"?.txt", {"C.TXT"}},
        {"*.*", {"A.BAK", "C.TXT", "NODOT", "SUB", "b.bak"}},
        {"*.XYZ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        OsFindRecord record{};
        std::snprintf(record.pattern, sizeof record.pattern, "%s\\%s", root.string().c_str(), c.pattern);
        std::vector<std::string> found;
        for (int result = os_FileFindMgr(0, &record); result == 0; result = os_FileFindMgr(1, &record)) {
            found.push_back(record.name);
            EXPECT_EQ(record.attributes == OS_FIND_DIRECTORY, found.back() == "SUB");
        }
        os_FileFindMgr(2, &record);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.names);
    }
    OsFindRecord missing{};
    std::snprintf(missing.pattern, sizeof missing.pattern, "%s", (root / "NOPE" / "*.*").string().c_str());
    EXPECT_NE(os_FileFindMgr(0, &missing), 0);
    EXPECT_EQ(os_FileFindMgr(2, &missing), 0);
    fs::remove_all(root);
}

TEST_F(HeadlessLayer, DestroyingTheDialogForgetsItsControls)
{
    OsWindow dialog = os_LoadDlg(nullptr, nullptr, chaining_procedure, nullptr, 100, nullptr);
    OsWindow edit = os_SubWin(dialog, 302);
    EXPECT_EQ(os_DestroyWindow(dialog), 1);
    EXPECT_FALSE(headless_window_exists(dialog));
    EXPECT_FALSE(headless_window_exists(edit));
    EXPECT_EQ(os_SetWindowText(edit, "late"), 0);
    EXPECT_EQ(os_PostMsg(dialog, OS_MSG_PROGRESS, 0, 0), 0);
    EXPECT_EQ(os_DestroyWindow(dialog), 0);
}

TEST_F(HeadlessLayer, LifecycleCallsAreCounted)
{
    OsThreadRecord record{};
    os_Initialize(nullptr, ".", 0);
    os_InitWinThread(&record, 0, 0);
    os_CleanupWinThread(&record);
    os_Initialize(reinterpret_cast<OsModule>(static_cast<intptr_t>(-1)), nullptr, 0);
    HeadlessCounters counters = headless_counters();
    EXPECT_EQ(counters.initialize_calls, 1);
    EXPECT_EQ(counters.init_thread_calls, 1);
    EXPECT_EQ(counters.cleanup_thread_calls, 1);
    EXPECT_EQ(counters.shutdown_calls, 1);
}

}  // namespace
