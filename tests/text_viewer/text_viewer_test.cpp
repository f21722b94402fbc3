// Text windows for the documents: one per present document, cascaded, with a
// read-only Courier edit; closing the last one dismisses the install dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "installer/settings.h"
#include "installer/text_viewer.h"
#include "tests/support/installer_scratch.h"
#include "windowlayer/headless/headless.h"

namespace {

intptr_t plain_dialog_proc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return os_DefDlgProc(window, message, first, second);
}

class TextViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        text_windows_created = 0;
        text_windows_open = 0;
        std::error_code error;
        std::filesystem::current_path(scratch.path(), error);
        ASSERT_FALSE(error);
        headless_set_sys_value(OS_SV_SCREEN_WIDTH, 800);
        headless_set_sys_value(OS_SV_SCREEN_HEIGHT, 600);
        headless_set_sys_value(OS_SV_CASCADE_A, 4);
        headless_set_sys_value(OS_SV_CASCADE_B, 20);
        settings.dialog_window = os_LoadDlg(nullptr, nullptr, plain_dialog_proc, nullptr, 100, nullptr);
        ASSERT_NE(settings.dialog_window, nullptr);
    }
    void TearDown() override
    {
        headless_reset();
        reset_install_settings();
    }

    std::vector<OsWindow> windows() { return headless_top_windows("ShowTextWindow"); }
    std::string edit_text(OsWindow window) { return headless_text(os_SubWin(window, TEXT_EDIT_ID)); }

    CurrentDirectoryGuard cwd;
    ScratchDirectory scratch;
};

TEST_F(TextViewerTest, EveryDocumentGetsACascadedWindowInListOrder)
{
    for (const char* name : document_names)
        scratch.write(name, std::string("text of ") + name);
    show_documents();
    auto shown = windows();
    ASSERT_EQ(shown.size(), 7u);
    EXPECT_EQ(text_windows_open, 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(headless_text(shown[i]), document_names[i]);
        EXPECT_EQ(edit_text(shown[i]), std::string("text of ") + document_names[i]);
        EXPECT_TRUE(headless_is_visible(shown[i]));
        OsWinPos position = {};
        os_QueryWinPos(shown[i], &position);
        int offset = 24 * (i + 1);
        EXPECT_EQ(position.x, offset);
        EXPECT_EQ(position.y, 600 / 4 - offset);
        EXPECT_EQ(position.width, 600);
        EXPECT_EQ(position.height, 450);
    }
    EXPECT_TRUE(headless_class_registered("ShowTextWindow"));
}

TEST_F(TextViewerTest, TheEditIsAReadOnlyCourierChild)
{
    scratch.write("README.DOC", "read me");
    show_documents();
    ASSERT_EQ(windows().size(), 1u);
    OsWindow edit = os_SubWin(windows()[0], TEXT_EDIT_ID);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(headless_is_read_only(edit));
    EXPECT_EQ(headless_font(edit), "8.Courier");
}

TEST_F(TextViewerTest, ClosingTheLastWindowDismissesTheDialog)
{
    scratch.write("README.DOC", "one");
    scratch.write("ISDN.DOC", "two");
    show_documents();
    auto shown = windows();
    ASSERT_EQ(shown.size(), 2u);
    headless_close(shown[0]);
    EXPECT_FALSE(headless_window_exists(shown[0]));
    EXPECT_EQ(text_windows_open, 1);
    EXPECT_FALSE(headless_is_dismissed(settings.dialog_window));
    headless_close(shown[1]);
    EXPECT_EQ(text_windows_open, 0);
    EXPECT_TRUE(headless_is_dismissed(settings.dialog_window));
    EXPECT_EQ(text_windows_created, 2);  // never lowered
}

TEST_F(TextViewerTest, TextEndsAtAZeroByteAndLongDocumentsStayTerminated)
{
    struct Case {
        const char* name;
        std::string contents;
        std::string shown;
    };
    std::string exact(DOCUMENT_BUFFER_SIZE, 'a');
    std::string longer(DOCUMENT_BUFFER_SIZE + 100, 'b');
    const Case cases[] = {
        {"DEVELOP.DOC", std::string("before\0after", 12), "before"},
        {"VERSIONS.DOC", exact, exact.substr(0, DOCUMENT_BUFFER_SIZE - 1)},
        {"PROBLEMS.DOC", longer, longer.substr(0, DOCUMENT_BUFFER_SIZE - 1)},
        {"ISDN.DOC", "\x84\x94\x81 bytes as they are\r\n", "\x84\x94\x81 bytes as they are\r\n"},
    };
    for (const Case& c : cases)
        scratch.write(c.name, c.contents);
    show_documents();
    auto shown = windows();
    ASSERT_EQ(shown.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(headless_text(shown[i]), cases[i].name);
        EXPECT_EQ(edit_text(shown[i]), cases[i].shown) << cases[i].name;
    }
}

TEST_F(TextViewerTest, NoDocumentOpensNoWindow)
{
    scratch.make_directory("README.DOC/x");  // not a file that reads
    show_documents();
    EXPECT_TRUE(windows().empty());
    EXPECT_EQ(text_windows_open, 0);
    EXPECT_FALSE(headless_is_dismissed(settings.dialog_window));
}

TEST_F(TextViewerTest, ResizingKeepsTheEditOnePixelPastTheClientEdges)
{
    scratch.write("README.DOC", "x");
    show_documents();
    OsWindow window = windows()[0];
    os_SetWinPos(window, 0, 10, 10, 500, 300, OS_POS_MOVE_SIZE);
    OsRect client = {};
    os_QueryWinClRect(window, &client);
    OsWinPos edit = {};
    os_QueryWinPos(os_SubWin(window, TEXT_EDIT_ID), &edit);
    EXPECT_EQ(edit.x, -1);
    EXPECT_EQ(edit.y, -1);
    EXPECT_EQ(edit.width, client.right + 1);
    EXPECT_EQ(edit.height, client.top + 2);
}

TEST_F(TextViewerTest, LaterWindowsContinueTheCascade)
{
    show_text_window("first", "ONE");
    show_text_window("second", "TWO");
    auto shown = windows();
    ASSERT_EQ(shown.size(), 2u);
    OsWinPos second = {};
    os_QueryWinPos(shown[1], &second);
    EXPECT_EQ(second.x, 48);
    EXPECT_EQ(edit_text(shown[1]), "second");
}

}  // namespace
