// The install worker with the real engine on archives built by the test:
// progress values, targets chosen by the entries' prefixes, cancel, failures,
// archives the entry table cannot hold, carry-over and the final messages.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "installer/catalogue.h"
#include "installer/driver.h"
#include "installer/file_system.h"
#include "installer/settings.h"
#include "installer/worker.h"
#include "tests/support/zip_writer.h"
#include "windowlayer/headless/headless.h"
#include "windowlayer/os_layer.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint32_t> progress_values;
int cancel_after_progress = -1;  // progress message after which the user cancels

// Stands in for the progress bar: records every position the worker sends.
intptr_t recording_progress_bar(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    if (message != OS_MSG_PROGRESS)
        return os_DefaultWindowProc(window, message, first, second);
    progress_values.push_back(static_cast<uint32_t>(first));
    if (static_cast<int>(progress_values.size()) == cancel_after_progress)
        settings.cancel_requested = 1;
    return 0;
}

intptr_t plain_dialog(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return os_DefDlgProc(window, message, first, second);
}

void set_environment(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

void set(char* field, const std::string& text) { std::snprintf(field, PATH_SIZE, "%s", text.c_str()); }

class WorkerTest : public ::testing::Test {
protected:
    fs::path root;
    fs::path old_cwd;

    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        reset_entry_table();
        install_choices_taken = 0;
        progress_values.clear();
        cancel_after_progress = -1;
        std::error_code ignored;
        root = fs::temp_directory_path() / ("qel_worker_" + std::to_string(::getpid()) + "_"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root, ignored);
        fs::create_directories(root / "dist", ignored);
        fs::create_directories(root / "xdg" / "applications", ignored);
        set_environment("XDG_DATA_HOME", (root / "xdg").string().c_str());
        old_cwd = fs::current_path();
        fs::current_path(root / "dist", ignored);  // the program's directory

        os_RegisterClass("ProgressBar", recording_progress_bar, 0, 0);
        settings.dialog_window = os_LoadDlg(nullptr, nullptr, plain_dialog, nullptr, 100, nullptr);
        ASSERT_NE(settings.dialog_window, nullptr);
        set(settings.archive_file, (root / "dist" / "INSTALL.FIL").string());
        std::string destination = root.string() + "\\QEL";
        set(settings.destination_path, destination);
        set(settings.log_path, destination + "\\LOG");
        set(settings.options_path, destination + "\\OPTIONS");
        set(settings.script_path, destination + "\\SCRIPT");
        set(settings.upload_path, root.string() + "\\DATA\\UP");
        set(settings.download_path, destination + "\\DOWNLOAD");
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::current_path(old_cwd, ignored);
        fs::remove_all(root, ignored);
        headless_reset();
    }

    void write_archive(ZipArchive& zip) { ASSERT_TRUE(zip.write_file((root / "dist" / "INSTALL.FIL").string())); }

    // The dialog's part at Install, then the worker on this thread.
    void run_worker()
    {
        take_install_choices();
        install_worker(0);
    }

    // Files are found in any letter case, as on the target system: the engine
    // lower-cases the upper-case names of archives made on MS-DOS.
    static std::string any_case(const fs::path& file)
    {
        char native[PATH_SIZE];
        native_path(native, sizeof native, file.string().c_str());
        return native;
    }
    std::string read(const fs::path& file) const { return read_bytes(any_case(file)); }
    // A text file written in text mode, with CR LF line ends on Windows.
    std::string read_text(const fs::path& file) const
    {
        std::string text = read(file);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }
    bool exists(const fs::path& file) const
    {
        std::error_code ignored;
        return fs::exists(any_case(file), ignored);
    }

    std::vector<std::string> box_texts() const
    {
        std::vector<std::string> texts;
        for (const HeadlessMessageBox& box : headless_boxes())
            texts.push_back(box.text);
        return texts;
    }
};

TEST_F(WorkerTest, ProgressFollowsBytesAndEndsAtHundred)
{
    ZipArchive zip;
    zip.add("README.DOC", std::string(100, 'r'));
    zip.add("LOG/dummy.tmp", "");
    zip.add_deflated("OPTIONS/STANDARD.QPA", std::string(250, 'o'));
    write_archive(zip);
    run_worker();
    EXPECT_EQ(progress_values, (std::vector<uint32_t>{28, 28, 100, 100}));
    EXPECT_EQ(percent_done, 100u);
    EXPECT_EQ(settings.install_failed, 0);
    EXPECT_EQ(box_texts(), std::vector<std::string>{catalogue_text(msg_all_done)});
    EXPECT_EQ(headless_control_text(settings.dialog_window, 309), catalogue_text(msg_install_complete));
    EXPECT_EQ(headless_pending_posts(), 1);  // 1026 to the dialog
    EXPECT_EQ(read(root / "QEL" / "README.DOC"), std::string(100, 'r'));
}

TEST_F(WorkerTest, EntriesLandWhereTheirPrefixSays)
{
    ZipArchive zip;
    zip.add("LOG/dummy.tmp", "log");
    zip.add("log/old/a.log", "old log");
    zip.add("Options/STANDARD.QPA", "QPA3.00\n");
    zip.add("SCRIPT/SAMPLES/MISC/A.QRX", "script");
    zip.add("UPLOAD/dummy.tmp", "up");
    zip.add("DOWNLOAD/dummy.tmp", "down");
    zip.add("DOCS/A.TXT", "doc");
    zip.add("LOGO.BMP", "logo");
    zip.add("DOWNLOADS.TXT", "not a directory");
    write_archive(zip);
    run_worker();
    EXPECT_EQ(settings.install_failed, 0);
    fs::path qel = root / "QEL";
    EXPECT_EQ(read(qel / "LOG" / "dummy.tmp"), "") << "placeholder removed by the clean-up";
    EXPECT_EQ(read(qel / "LOG" / "old" / "a.log"), "old log");
    EXPECT_EQ(read_text(qel / "OPTIONS" / "STANDARD.QPA"), "QPA3.00\n");
    EXPECT_EQ(read(qel / "SCRIPT" / "SAMPLES" / "MISC" / "A.QRX"), "script");
    EXPECT_EQ(read(root / "DATA" / "UP" / "dummy.tmp"), "up") << "placeholders outside the destination stay";
    EXPECT_EQ(read(qel / "A.TXT"), "doc");
    EXPECT_EQ(read(qel / "LOGO.BMP"), "logo");
    EXPECT_EQ(read(qel / "DOWNLOADS.TXT"), "not a directory");
}

TEST_F(WorkerTest, TargetForPrefix)
{
    struct Case {
        const char* entry;
        const char* expected;
    };
    const Case cases[] = {
        {"LOG/dummy.tmp", "C:\\QEL\\LOG"},
        {"log/old/a.log", "C:\\QEL\\LOG\\old"},
        {"LOG/", "C:\\QEL\\LOG"},
    };
    for (const Case& c : cases) {
        char out[PATH_SIZE];
        target_for_prefix(out, sizeof out, c.entry, "C:\\QEL\\LOG");
        EXPECT_STREQ(out, c.expected) << c.entry;
    }
}

TEST_F(WorkerTest, TraceLinesSurroundEngineCalls)
{
    ZipArchive zip;
    zip.add("README.DOC", "r").made_by_host = 11;  // NTFS: the name keeps its case
    write_archive(zip);
    ::testing::internal::CaptureStderr();
    run_worker();
    std::string trace = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(trace.find("get_zip_name() return=0\n\nget_zip_name(README.DOC)\nget_zip_name() return=0\n\n"),
              std::string::npos)
        << trace;
}

TEST_F(WorkerTest, CancelAfterThirdOfTenEntries)
{
    ZipArchive zip;
    for (int i = 0; i < 10; ++i)
        zip.add("FILE" + std::to_string(i) + ".DAT", "data");
    zip.add("OPTIONS/STANDARD.QPA", "QPA3.00\nDownloadPath=\"X\"\n");
    write_archive(zip);
    cancel_after_progress = 3;
    run_worker();
    EXPECT_EQ(progress_values.size(), 3u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(exists(root / "QEL" / ("FILE" + std::to_string(i) + ".DAT")), i < 3) << i;
    EXPECT_EQ(box_texts(), std::vector<std::string>{catalogue_text(msg_install_aborted)});
    EXPECT_FALSE(exists(root / "xdg" / "applications" / "QEL for Windows NT")) << "no shortcuts";
    EXPECT_EQ(headless_pending_posts(), 1);
}

TEST_F(WorkerTest, FailingEntryStopsInstallation)
{
    ZipArchive zip;
    zip.add("GOOD.DAT", "good");
    ZipEntry& bad = zip.add("BAD.DAT", "bad data");
    bad.crc32 = 0x12345678;
    zip.add("LATER.DAT", "later");
    write_archive(zip);
    run_worker();
    EXPECT_EQ(settings.install_failed, 1);
    EXPECT_EQ(progress_values, std::vector<uint32_t>{23});  // 4 of 17 bytes
    EXPECT_FALSE(exists(root / "QEL" / "LATER.DAT"));
    EXPECT_EQ(box_texts(), std::vector<std::string>{catalogue_text(msg_install_error)});
    EXPECT_EQ(headless_boxes()[0].style, 36);
    EXPECT_EQ(headless_pending_posts(), 1);
}

TEST_F(WorkerTest, SingleFailingEntrySendsNoProgress)
{
    ZipArchive zip;
    ZipEntry& bad = zip.add("BAD.DAT", "bad data");
    bad.crc32 = 0x12345678;
    write_archive(zip);
    run_worker();
    EXPECT_TRUE(progress_values.empty());
    EXPECT_EQ(box_texts(), std::vector<std::string>{catalogue_text(msg_install_error)});
    EXPECT_EQ(headless_pending_posts(), 1);
}

TEST_F(WorkerTest, MissingArchiveFailsAtListing)
{
    run_worker();
    EXPECT_EQ(settings.install_failed, 1);
    EXPECT_EQ(box_texts(), std::vector<std::string>{catalogue_text(msg_install_error)});
}

// Archives the entry table cannot describe are refused before anything is
// written: 250 entries, or a name of 150 characters.
TEST_F(WorkerTest, ArchivesBeyondTheTableAreRefused)
{
    struct Case {
        int entries;
        size_t name_length;
        bool refused;
    };
    const Case cases[] = {{249, 8, false}, {250, 8, true}, {1, 149, false}, {1, 150, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.entries) + " entries, name of " + std::to_string(c.name_length));
        std::error_code ignored;
        fs::remove_all(root / "QEL", ignored);
        headless_reset();
        os_RegisterClass("ProgressBar", recording_progress_bar, 0, 0);
        settings.dialog_window = os_LoadDlg(nullptr, nullptr, plain_dialog, nullptr, 100, nullptr);
        settings.install_failed = 0;
        reset_entry_table();
        ZipArchive zip;
        for (int i = 0; i < c.entries; ++i) {
            std::string number = std::to_string(i);
            zip.add(std::string(c.name_length - number.size(), 'N') + number, "x");
        }
        write_archive(zip);
        run_worker();
        EXPECT_EQ(settings.install_failed, c.refused ? 1 : 0);
        EXPECT_EQ(exists(root / "QEL"), !c.refused);
        std::vector<std::string> boxes = box_texts();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes[0], catalogue_text(c.refused ? msg_install_error : msg_all_done));
    }
}

TEST_F(WorkerTest, CarryOverCopiesOptionsScriptsAndPhoneBook)
{
    ZipArchive zip;
    zip.add("OPTIONS/STANDARD.QPA", "QPA3.00\nDownloadPath=\"OLD\"\n");
    write_archive(zip);
    fs::create_directories(root / "OLD" / "OPTIONS");
    fs::create_directories(root / "OLD" / "SCRIPT" / "SUB");
    write_bytes((root / "OLD" / "OPTIONS" / "QEL.KEY").string(), "key");
    write_bytes((root / "OLD" / "SCRIPT" / "SUB" / "A.QRX").string(), "script");
    write_bytes((root / "OLD" / "PHONEBK").string(), "phone book");
    write_bytes((root / "dist" / "README.DOC").string(), "readme");
    write_bytes((root / "dist" / "VESKWIN.DLL").string(), "library");
    set(settings.existing_path, root.string() + "\\OLD");
    set(settings.previous_options_dir, root.string() + "\\OLD\\OPTIONS");
    set(settings.previous_script_dir, root.string() + "\\OLD\\SCRIPT");
    set(settings.previous_version, "2.51");
    run_worker();
    fs::path qel = root / "QEL";
    EXPECT_EQ(read(qel / "OPTIONS" / "standard.qky"), "key");
    EXPECT_EQ(read(qel / "SCRIPT" / "SUB" / "A.QRX"), "script");
    EXPECT_EQ(read(qel / "PHONEBK"), "phone book");
    EXPECT_EQ(read(qel / "README.DOC"), "readme");
    EXPECT_EQ(read(qel / "VESKWIN.DLL"), "library");
    EXPECT_FALSE(exists(qel / "PROBLEMS.DOC"));
    EXPECT_EQ(read_text(qel / "OPTIONS" / "STANDARD.QPA"), "QPA3.00\nDownloadPath=\"DOWNLOAD\"\n");
    EXPECT_EQ(box_texts(), std::vector<std::string>{catalogue_text(msg_all_done)});
}

TEST_F(WorkerTest, DisabledCarryOverIsNotCopied)
{
    ZipArchive zip;
    zip.add("README.DOC", "r");
    write_archive(zip);
    fs::create_directories(root / "OLD" / "OPTIONS");
    write_bytes((root / "OLD" / "OPTIONS" / "KEEP.TXT").string(), "keep");
    write_bytes((root / "OLD" / "PHONEBK").string(), "phone book");
    set(settings.existing_path, root.string() + "\\OLD");
    set(settings.previous_options_dir, root.string() + "\\OLD\\OPTIONS");
    os_EnableWindow(os_SubWin(settings.dialog_window, 303), 0);
    settings.copy_phone_book = 0;
    run_worker();
    EXPECT_FALSE(exists(root / "QEL" / "OPTIONS" / "KEEP.TXT"));
    EXPECT_FALSE(exists(root / "QEL" / "PHONEBK"));
}

// The worker installs what was validated at Install, whatever the dialog's
// fields say later.
TEST_F(WorkerTest, WorksOnChoicesTakenAtInstall)
{
    ZipArchive zip;
    zip.add("README.DOC", "r");
    write_archive(zip);
    take_install_choices();
    set(settings.destination_path, root.string() + "\\ELSEWHERE");
    install_worker(0);
    EXPECT_TRUE(exists(root / "QEL" / "README.DOC"));
    EXPECT_FALSE(exists(root / "ELSEWHERE"));
}

TEST_F(WorkerTest, FinalMessagesForBackupsAndIsdn)
{
    ZipArchive zip;
    zip.add("README.DOC", "r");
    write_archive(zip);
    settings.backups_made = 1;
    headless_set_module_present("CAPI2032.DLL", true);
    run_worker();
    EXPECT_EQ(box_texts(), (std::vector<std::string>{catalogue_text(msg_all_done), catalogue_text(msg_backups_made),
                                                     catalogue_text(msg_isdn_note)}));
}

#ifndef _WIN32
// The native build's start menu is the freedesktop.org menu (see shortcuts_posix.cpp).
TEST_F(WorkerTest, ShortcutsAreWrittenIntoTheProgramsFolder)
{
    ZipArchive zip;
    zip.add("QEL.EXE", "program");
    write_archive(zip);
    run_worker();
    fs::path folder = root / "xdg" / "applications" / "QEL for Windows NT";
    int count = 0;
    std::error_code ignored;
    for (const fs::directory_entry& item : fs::directory_iterator(folder, ignored)) {
        (void)item;
        ++count;
    }
    EXPECT_EQ(count, 12);
    std::string order = read(folder / "Order from Delvaro.desktop");
    EXPECT_NE(order.find("/QEL/QEL.EXE\" /ORDER:0\n"), std::string::npos) << order;
}
#endif

TEST_F(WorkerTest, ThreadedRunPostsEndOfRun)
{
    ZipArchive zip;
    zip.add("README.DOC", "r");
    write_archive(zip);
    take_install_choices();
    ASSERT_NE(os_CreateThread(install_worker, 0), 0);
    headless_join_threads();
    EXPECT_EQ(headless_pending_posts(), 1);
    EXPECT_TRUE(exists(root / "QEL" / "README.DOC"));
}

TEST(ProgressArithmetic, SixtyFourBitPercentages)
{
    struct Case {
        uint64_t done;
        uint64_t total;
        uint32_t expected;
    };
    const Case cases[] = {
        {100, 350, 28}, {350, 350, 100}, {0, 0, 100}, {50, 0, 100},
        {50000000, 100000000, 50}, {4000000000u, 5000000000u, 80}, {42949673, 42949673u * 2, 50},
    };
    for (const Case& c : cases)
        EXPECT_EQ(progress_percent(c.done, c.total), c.expected) << c.done << "/" << c.total;
}

TEST(LegacyNames, VersionsBelow290)
{
    struct Case {
        const char* version;
        bool legacy;
    };
    const Case cases[] = {{"2.51", true}, {"2.90", false}, {"3.00", false}, {"", true}, {"2.9", true}, {"2.8a", true}};
    for (const Case& c : cases)
        EXPECT_EQ(needs_legacy_names(c.version), c.legacy) << c.version;
}

}  // namespace
