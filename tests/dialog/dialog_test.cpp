// The install dialog's rules, driven through the headless layer as a user
// would: typing, clicking, closing, and the worker's end-of-run message.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "installer/catalogue.h"
#include "installer/dialog.h"
#include "installer/settings.h"
#include "installer/text_viewer.h"
#include "installer/worker.h"
#include "tests/support/installer_scratch.h"
#include "windowlayer/headless/headless.h"

namespace {

constexpr const char* PROGRAM_DIRECTORY = "C:\\SETUP\\QEL";
constexpr int DATA_CONTROLS[] = {ID_LOG_PATH, ID_OPTIONS_PATH, ID_SCRIPT_PATH, ID_UPLOAD_PATH, ID_DOWNLOAD_PATH};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        text_windows_created = 0;
        text_windows_open = 0;
        headless_set_cwd(PROGRAM_DIRECTORY);
        headless_set_default_answer(0);
    }
    void TearDown() override
    {
        headless_reset();  // joins a worker that a test started
        reset_install_settings();
    }

    void open_dialog(int template_id = 100)
    {
        dialog = os_LoadDlg(nullptr, nullptr, install_dialog_proc, nullptr, template_id, nullptr);
        ASSERT_NE(dialog, nullptr);
        settings.dialog_window = dialog;
    }
    std::string text(int id) { return headless_control_text(dialog, id); }
    bool enabled(int id) { return os_IsWindowEnabled(os_SubWin(dialog, id)) != 0; }
    int focus_id() { return headless_window_id(headless_focus()); }
    void set_text(int id, const std::string& value) { os_SetWindowText(os_SubWin(dialog, id), value.c_str()); }
    void type(int id, const char* characters) { ASSERT_TRUE(headless_type_text(dialog, id, characters)); }
    void clear(int id) { headless_clear_text(dialog, id); }
    void press(int id) { os_SendMsg(dialog, OS_RAW_COMMAND, static_cast<uintptr_t>(id), 0); }
    bool carry_over(bool options, bool phone_book, bool scripts)
    {
        return enabled(ID_COPY_OPTIONS) == options && enabled(ID_COPY_PHONE_BOOK) == phone_book &&
               enabled(ID_COPY_SCRIPTS) == scripts;
    }
    // An earlier installation in the scratch directory, named by the profile.
    std::string earlier_installation(const std::string& options_file)
    {
        scratch.write("OPTIONS/STANDARD.QPA", options_file);
        std::string path = scratch.path();
        headless_set_profile("Quellane ", "HomePath", path.c_str());
        for (char& c : path)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return path;  // as the dialog shows it
    }

    OsWindow dialog = nullptr;
    ScratchDirectory scratch;
};

// --- Path rules ------------------------------------------------------------------------

TEST_F(DialogTest, CompleteShortPathResolvesAgainstTheProgramDirectory)
{
    const std::string long_directory = "C:\\" + std::string(254, 'x');
    struct Case {
        std::string current;
        const char* path;
        std::string expected;
    };
    const Case cases[] = {
        {PROGRAM_DIRECTORY, "d:x", "d:\\x"},
        {PROGRAM_DIRECTORY, "\\ab", "C:\\ab"},
        {PROGRAM_DIRECTORY, "abc", "C:\\SETUP\\QEL\\abc"},
        {PROGRAM_DIRECTORY, "..\\", "C:\\SETUP\\"},
        {PROGRAM_DIRECTORY, "d:\\", "d:\\"},
        {"D:\\A\\B\\", "..\\", "D:\\A\\"},
        {"C:\\", "abc", "C:\\\\abc"},        // two backslashes at a drive's root
        {"C:\\", "..\\", "C:\\"},            // the root is its own parent
        {"C:\\TOP", "..\\", "C:\\"},
        {"\\\\server\\share", "abc", "abc"},  // no drive letter: left alone
        {long_directory, "abc", "abc"},       // would not fit: refused
        {long_directory, "d:x", "d:\\x"},
    };
    for (const Case& c : cases) {
        headless_set_cwd(c.current.c_str());
        char path[PATH_SIZE];
        std::snprintf(path, sizeof path, "%s", c.path);
        complete_short_path(path);
        EXPECT_EQ(std::string(path), c.expected) << c.current << " + " << c.path;
    }
}

TEST_F(DialogTest, DeriveDataPathMovesWhatLayInsideTheEarlierInstallation)
{
    struct Case {
        const char* existing;
        const char* destination;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"E:\\QEL", "D:\\NEW", "E:\\QEL\\DOWNLOAD", "D:\\NEW\\DOWNLOAD"},
        {"E:\\QEL", "D:\\NEW", "F:\\DATA\\DL", "F:\\DATA\\DL"},
        {"E:\\QEL", "D:\\NEW", "E:\\QELDATA\\DL", "D:\\NEW\\DATA\\DL"},  // the prefix test has no separator
        {"E:\\QEL", "D:\\NEW", "e:\\qel\\log", "D:\\NEW\\log"},
        {"E:\\QEL", "D:\\NEW", "DOWNLOAD", "D:\\NEW\\DOWNLOAD"},
        {"E:\\QEL\\", "D:\\NEW", "E:\\QEL\\UP", "D:\\NEW\\UP"},
        {"E:\\QEL", "D:\\NEW\\", "LOG", "D:\\NEW\\LOG"},               // no second backslash
        {"E:\\QEL", "", "LOG", ""},
        {"E:\\QEL", "", "F:\\DATA\\DL", "F:\\DATA\\DL"},
        {"", "D:\\NEW", "\\SCRIPT", "D:\\NEW\\SCRIPT"},
    };
    for (const Case& c : cases) {
        std::snprintf(settings.existing_path, PATH_SIZE, "%s", c.existing);
        char result[PATH_SIZE] = "stale";
        derive_data_path(c.destination, result, c.name);
        EXPECT_STREQ(result, c.expected) << c.existing << " " << c.destination << " " << c.name;
    }
}

TEST_F(DialogTest, DeriveDataPathRefusesAResultThatDoesNotFit)
{
    std::string destination = "D:\\" + std::string(250, 'd');
    char result[PATH_SIZE] = "stale";
    derive_data_path(destination.c_str(), result, "DOWNLOAD");
    EXPECT_STREQ(result, "");
    derive_data_path(destination.c_str(), result, "LOG");
    EXPECT_EQ(std::strlen(result), 257u);
}

// --- Initialisation ----------------------------------------------------------------------

TEST_F(DialogTest, InitialisationFillsEverythingFromHomePath)
{
    headless_set_profile("Quellane ", "HomePath", "E:\\QEL");
    open_dialog();
    EXPECT_EQ(headless_text(dialog), "QEL Install V3.07");
    EXPECT_EQ(text(ID_EXISTING_PATH), "e:\\qel");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "e:\\qel");
    const char* names[] = {"LOG", "OPTIONS", "SCRIPT", "UPLOAD", "DOWNLOAD"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(text(DATA_CONTROLS[i]), std::string("e:\\qel\\") + names[i]);
    for (int id : {302, 307, 310, 311, 312, 318, 319})
        EXPECT_EQ(headless_text_limit(os_SubWin(dialog, id)), 259) << id;
    EXPECT_FALSE(enabled(ID_EXISTING_PATH));
    EXPECT_FALSE(enabled(ID_EXISTING_LABEL));
    EXPECT_TRUE(carry_over(false, false, false));
    EXPECT_EQ(focus_id(), ID_DESTINATION_PATH);
    EXPECT_TRUE(headless_is_visible(dialog));
    EXPECT_TRUE(headless_is_centred(dialog));
    EXPECT_EQ(os_IsButtonChecked(dialog, ID_COPY_OPTIONS), 1);
}

TEST_F(DialogTest, PicturesSitAtTheCheckboxesAndOnlyOneShows)
{
    open_dialog();
    OsWinPos installed = {}, phone_book = {}, large = {}, small = {};
    os_QueryWinPos(os_SubWin(dialog, ID_ALREADY_INSTALLED), &installed);
    os_QueryWinPos(os_SubWin(dialog, ID_COPY_PHONE_BOOK), &phone_book);
    os_QueryWinPos(os_SubWin(dialog, ID_PICTURE_LARGE), &large);
    os_QueryWinPos(os_SubWin(dialog, ID_PICTURE_SMALL), &small);
    int top = installed.y + installed.height;
    EXPECT_EQ(large.x, phone_book.x);
    EXPECT_EQ(small.x, phone_book.x);
    EXPECT_EQ(large.y + large.height, top);
    EXPECT_EQ(small.y + small.height, top);
    EXPECT_EQ(large.width, 230);
    EXPECT_EQ(small.width, 200);
    bool room = top - (phone_book.y + phone_book.height) >= 210;
    EXPECT_EQ(headless_is_visible(os_SubWin(dialog, ID_PICTURE_LARGE)), room);
    EXPECT_EQ(headless_is_visible(os_SubWin(dialog, ID_PICTURE_SMALL)), !room);
}

TEST_F(DialogTest, FocusGoesToTheEarlierPathWhenItIsDeclaredButUnknown)
{
    settings.already_installed = 1;
    open_dialog();
    EXPECT_EQ(os_IsButtonChecked(dialog, ID_ALREADY_INSTALLED), 1);
    EXPECT_TRUE(enabled(ID_EXISTING_PATH));
    EXPECT_EQ(focus_id(), ID_EXISTING_PATH);
}

// --- Typing ----------------------------------------------------------------------------------

TEST_F(DialogTest, DestinationFollowsTheEarlierPathUntilTheUserTypesAnother)
{
    open_dialog();
    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));
    for (const char* c = "c:\\qel"; *c != '\0'; ++c) {
        char one[2] = {*c, '\0'};
        type(ID_EXISTING_PATH, one);
        EXPECT_EQ(text(ID_DESTINATION_PATH), text(ID_EXISTING_PATH));
    }
    EXPECT_EQ(text(ID_LOG_PATH), "c:\\qel\\LOG");
    clear(ID_DESTINATION_PATH);
    type(ID_DESTINATION_PATH, "d:\\new");
    type(ID_EXISTING_PATH, "2");
    EXPECT_EQ(text(ID_EXISTING_PATH), "c:\\qel2");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "d:\\new");
    EXPECT_EQ(text(ID_DOWNLOAD_PATH), "d:\\new\\DOWNLOAD");
}

TEST_F(DialogTest, ThreeTypedCharactersAreCompleted)
{
    struct Case {
        const char* typed;
        const char* destination;
    };
    const Case cases[] = {
        {"d:x", "d:\\x"},
        {"\\ab", "C:\\ab"},
        {"abc", "C:\\SETUP\\QEL\\abc"},
        {"d:\\", "d:\\"},
    };
    open_dialog();
    for (const Case& c : cases) {
        clear(ID_DESTINATION_PATH);
        type(ID_DESTINATION_PATH, c.typed);
        EXPECT_EQ(text(ID_DESTINATION_PATH), c.destination);
        std::string separator = c.destination[std::strlen(c.destination) - 1] == '\\' ? "" : "\\";
        EXPECT_EQ(text(ID_LOG_PATH), c.destination + separator + "LOG");
    }
    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));
    type(ID_EXISTING_PATH, "e:q");
    EXPECT_EQ(text(ID_EXISTING_PATH), "e:\\q");
}

TEST_F(DialogTest, FloppyDrivesAreRefused)
{
    open_dialog();
    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));
    type(ID_EXISTING_PATH, "A:");
    EXPECT_EQ(text(ID_EXISTING_PATH), "");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "");
    type(ID_DESTINATION_PATH, "b:");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "");
    EXPECT_EQ(text(ID_LOG_PATH), "");
    type(ID_DESTINATION_PATH, "c:");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "c:");
}

TEST_F(DialogTest, UncheckingAlreadyInstalledEmptiesTheEarlierPath)
{
    open_dialog();
    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));
    type(ID_EXISTING_PATH, "c:\\old");
    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));
    EXPECT_EQ(settings.already_installed, 0);
    EXPECT_EQ(text(ID_EXISTING_PATH), "");
    EXPECT_EQ(text(ID_DESTINATION_PATH), "c:\\old");  // stays as the place to install to
    EXPECT_FALSE(enabled(ID_EXISTING_PATH));
}

TEST_F(DialogTest, CarryOverIsOfferedOnlyWhereOldAndNewPlacesDiffer)
{
    std::string earlier = earlier_installation("QPA3.07\nOptsPath=\"OPTIONS\"\nScriptPath=\"SCRIPT\"\n");
    open_dialog();
    EXPECT_EQ(settings.previous_found, 1);
    EXPECT_TRUE(carry_over(false, false, false));  // disabled after initialisation whatever was found

    type(ID_DESTINATION_PATH, "NEW");             // a destination of its own
    EXPECT_TRUE(carry_over(true, true, true));

    set_text(ID_DESTINATION_PATH, earlier);       // installing over the earlier one
    EXPECT_TRUE(carry_over(false, false, false));

    type(ID_SCRIPT_PATH, "2");                    // scripts elsewhere than before
    EXPECT_TRUE(carry_over(false, false, true));

    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));
    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));  // earlier path emptied: nothing found
    EXPECT_EQ(settings.previous_found, 0);
    EXPECT_TRUE(carry_over(false, false, false));
}

TEST_F(DialogTest, NoEarlierFilesGiveTheDefaultDirectories)
{
    std::string earlier = earlier_installation("QPA3.07\nDownloadPath=\"F:\\DL\"\n");
    open_dialog();
    EXPECT_EQ(text(ID_DOWNLOAD_PATH), "F:\\DL");
    ASSERT_TRUE(headless_click(dialog, ID_ALREADY_INSTALLED));
    type(ID_EXISTING_PATH, "x");                  // a directory without earlier files
    clear(ID_DESTINATION_PATH);
    type(ID_DESTINATION_PATH, "d:\\new");
    EXPECT_EQ(text(ID_DOWNLOAD_PATH), "d:\\new\\DOWNLOAD");
}

// --- Install ---------------------------------------------------------------------------------

TEST_F(DialogTest, ValidationNamesTheFirstEmptyFieldAndFocusesIt)
{
    struct Case {
        int emptied;
        const CatalogueRow* message;
    };
    const Case cases[] = {
        {ID_LOG_PATH, &msg_log_empty},       {ID_OPTIONS_PATH, &msg_options_empty},
        {ID_SCRIPT_PATH, &msg_script_empty}, {ID_UPLOAD_PATH, &msg_upload_empty},
        {ID_DOWNLOAD_PATH, &msg_download_empty},
    };
    settings.language_index = 1;
    open_dialog(101);
    type(ID_DESTINATION_PATH, "d:\\new");
    for (const Case& c : cases) {
        std::string kept = text(c.emptied);
        set_text(c.emptied, "");
        press(ID_INSTALL);
        auto boxes = headless_boxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, c.message->text[1]);
        EXPECT_EQ(boxes.back().title, "Information");
        EXPECT_EQ(boxes.back().style, 40);
        EXPECT_EQ(boxes.back().owner, dialog);
        EXPECT_EQ(focus_id(), c.emptied);
        set_text(c.emptied, kept);
    }
    EXPECT_EQ(headless_box_count(), 5);
    EXPECT_EQ(headless_counters().threads_started, 0);
    EXPECT_TRUE(enabled(ID_INSTALL));
}

TEST_F(DialogTest, AllFieldsEmptyShowOnlyTheDestinationMessage)
{
    open_dialog();
    press(ID_INSTALL);
    auto boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Destination path is empty");
    EXPECT_EQ(focus_id(), ID_DESTINATION_PATH);
}

TEST_F(DialogTest, BetaUpgradeAsksFirstAndNoDropsTheInstall)
{
    earlier_installation("QPA2.60\n");
    open_dialog();
    ASSERT_EQ(settings.upgrade_from_beta, 1);
    set_text(ID_DESTINATION_PATH, "");            // validation stops a Yes before the worker

    headless_queue_answer(0);
    press(ID_INSTALL);
    auto boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, msg_beta_upgrade.text[0]);
    EXPECT_EQ(boxes[0].title, "Information");
    EXPECT_EQ(boxes[0].style, 0x91);

    headless_queue_answer(1);
    press(ID_INSTALL);
    boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, "Destination path is empty");
}

TEST_F(DialogTest, InstallStartsOneWorkerOnTheValidatedChoices)
{
    std::string destination = scratch.file("new");
    open_dialog();
    set_text(ID_DESTINATION_PATH, destination);
    press(ID_INSTALL);
    EXPECT_EQ(settings.worker_started, 1);
    EXPECT_FALSE(enabled(ID_INSTALL));
    EXPECT_EQ(focus_id(), ID_DESTINATION_PATH);
    EXPECT_STREQ(install_choices.destination_path, destination.c_str());
    set_text(ID_DESTINATION_PATH, "d:\\elsewhere");  // edits during the run change nothing
    press(ID_INSTALL);                              // nor does a second Install
    EXPECT_STREQ(install_choices.destination_path, destination.c_str());
    EXPECT_EQ(headless_counters().threads_started, 1);
    headless_join_threads();
}

// --- Cancel, close and the end of the run ----------------------------------------------------

TEST_F(DialogTest, CancelOrCloseBeforeInstallEndsTheDialog)
{
    for (bool use_close : {false, true}) {
        SetUp();
        open_dialog();
        if (use_close)
            headless_close(dialog);
        else
            press(ID_CANCEL);
        EXPECT_EQ(settings.cancel_requested, 1);
        EXPECT_EQ(headless_pending_posts(), 1);
        headless_pump();
        EXPECT_TRUE(headless_is_dismissed(dialog));
        EXPECT_EQ(headless_box_count(), 0);  // no documents question after a cancel
    }
}

TEST_F(DialogTest, CancelWhileTheWorkerRunsOnlyAsksItToStop)
{
    open_dialog();
    settings.worker_started = 1;
    press(ID_CANCEL);
    EXPECT_EQ(settings.cancel_requested, 1);
    EXPECT_EQ(headless_pending_posts(), 0);
    EXPECT_FALSE(headless_is_dismissed(dialog));
}

TEST_F(DialogTest, EndOfRunOffersTheDocuments)
{
    CurrentDirectoryGuard cwd;
    std::error_code error;
    std::filesystem::current_path(scratch.path(), error);
    struct Case {
        int answer;
        bool readme;
        bool dismissed;
    };
    const Case cases[] = {{0, true, true}, {1, false, true}, {1, true, false}};
    for (const Case& c : cases) {
        SetUp();
        settings.language_index = 2;
        if (c.readme)
            scratch.write("README.DOC", "read me");
        else
            std::filesystem::remove(scratch.file("README.DOC"));
        open_dialog(102);
        headless_queue_answer(c.answer);
        os_PostMsg(dialog, OS_MSG_PROGRESS, 0, 0);
        headless_pump();
        auto boxes = headless_boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "Information");
        EXPECT_EQ(boxes[0].text, msg_read_docs.text[2]);
        EXPECT_EQ(boxes[0].style, 0x11);
        EXPECT_EQ(headless_is_dismissed(dialog), c.dismissed);
        if (!c.dismissed) {
            auto windows = headless_top_windows("ShowTextWindow");
            ASSERT_EQ(windows.size(), 1u);
            headless_close(windows[0]);
            EXPECT_TRUE(headless_is_dismissed(dialog));
        }
    }
}

}  // namespace
