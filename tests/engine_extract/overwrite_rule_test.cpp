// The installer's call of the engine, one entry at a time, and its rule for
// files that already exist: questions through the window layer, one answer
// for all option files per process, and backups beside replaced files.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/extract.h"
#include "engine/options.h"
#include "engine/records.h"
#include "installer/settings.h"
#include "tests/engine_extract/extract_fixture.h"
#include "windowlayer/headless/headless.h"

namespace {

constexpr int ANSWER_YES = 1;  // the layer's yes; any other answer counts as no
constexpr int ANSWER_NO = 2;
constexpr int QUESTION_STYLE = 0x80 | 0x11;

class InstallerCallTest : public ExtractTest {
protected:
    void SetUp() override
    {
        ExtractTest::SetUp();
        settings.dialog_window = reinterpret_cast<OsWindow>(0x1234);
        target_ = path("target");
        std::filesystem::create_directories(target_);
    }

    // An archive whose entries keep their letter case (made on NTFS).
    std::string archive_of(const std::vector<std::string>& names)
    {
        ZipArchive zip;
        for (const std::string& name : names)
            zip.add("data/" + name, "new " + name).made_by_host = 11;
        return write_archive(zip);
    }

    std::string in_target(const std::string& name) const { return target_ + "/" + name; }

    std::string target_;
};

TEST_F(InstallerCallTest, MissingTargetIsCreatedSilently)
{
    std::string archive = archive_of({"README.DOC"});
    EngineRun run = install_entry(archive, "data/README.DOC", target_);
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(read_bytes(in_target("README.DOC")), "new README.DOC");
    EXPECT_EQ(headless_box_count(), 0);
}

TEST_F(InstallerCallTest, OrdinaryFileIsReplacedWithoutQuestionOrBackup)
{
    std::string archive = archive_of({"QEL.EXE"});
    ASSERT_TRUE(write_bytes(in_target("QEL.EXE"), "old"));
    ASSERT_TRUE(set_file_time(in_target("QEL.EXE"), 1893456000));  // newer than the entry

    EngineRun run = install_entry(archive, "data/QEL.EXE", target_);
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_EQ(read_bytes(in_target("QEL.EXE")), "new QEL.EXE");
    EXPECT_EQ(headless_box_count(), 0);
    EXPECT_FALSE(file_exists(in_target("QEL.0XE")));
    EXPECT_EQ(settings.backups_made.load(), 0);
}

TEST_F(InstallerCallTest, UserDataFileIsReplacedOnlyAfterItsQuestion)
{
    struct Case { const char* name; int answer; const char* backup; };
    const Case cases[] = {
        {"PHONEBK", ANSWER_NO, "PHONEB0"},
        {"PHONEBK", ANSWER_YES, "PHONEB0"},
        {"QELXFER.QRX", ANSWER_YES, "QELXFER.0RX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " answered " + std::to_string(c.answer));
        headless_reset();
        settings.backups_made = 0;
        std::remove(in_target(c.backup).c_str());
        std::string archive = archive_of({c.name});
        ASSERT_TRUE(write_bytes(in_target(c.name), "the user's own"));
        headless_queue_answer(c.answer);

        EngineRun run = install_entry(archive, std::string("data/") + c.name, target_);
        EXPECT_EQ(run.result, RC_OK) << run.err;
        std::vector<HeadlessMessageBox> boxes = headless_boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].owner, settings.dialog_window);
        EXPECT_EQ(boxes[0].title, "Information");
        EXPECT_EQ(boxes[0].text, "Overwrite " + in_target(c.name) + " with QEL's installation defaults?");
        EXPECT_EQ(boxes[0].style, QUESTION_STYLE);
        if (c.answer == ANSWER_YES) {
            EXPECT_EQ(read_bytes(in_target(c.name)), std::string("new ") + c.name);
            EXPECT_EQ(read_bytes(in_target(c.backup)), "the user's own");
            EXPECT_EQ(settings.backups_made.load(), 1);
        } else {
            EXPECT_EQ(read_bytes(in_target(c.name)), "the user's own");
            EXPECT_FALSE(file_exists(in_target(c.backup)));
            EXPECT_EQ(settings.backups_made.load(), 0);
        }
    }
}

TEST_F(InstallerCallTest, LowerCasedNamesMeetTheRuleAndTheQuestionSpeaksTheRunsLanguage)
{
    ZipArchive zip;
    zip.add("data/PHONEBK", "new book");  // from MS-DOS: read as data/phonebk
    std::string archive = write_archive(zip);
    ASSERT_TRUE(write_bytes(in_target("phonebk"), "old book"));
    settings.language_index = 1;

    EngineRun run = install_entry(archive, "data/phonebk", target_);
    EXPECT_EQ(run.result, RC_OK) << run.err;
    std::vector<HeadlessMessageBox> boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Datei " + in_target("phonebk") + " mit Standardeinstellungen \x81" "berschreiben?");
    EXPECT_EQ(read_bytes(in_target("phoneb0")), "old book");
    EXPECT_EQ(read_bytes(in_target("phonebk")), "new book");
}

TEST_F(InstallerCallTest, OneQuestionCoversEveryOptionFileOfTheRun)
{
    const char* names[] = {"STANDARD.QPA", "STANDARD.QKY", "STANDARD.QEL"};
    for (int answer : {ANSWER_YES, ANSWER_NO}) {
        SCOPED_TRACE(answer);
        headless_reset();
        options_overwrite_always = 0;
        options_overwrite_never = 0;
        std::string archive = archive_of({names[0], names[1], names[2]});
        for (const char* name : names)
            ASSERT_TRUE(write_bytes(in_target(name), std::string("old ") + name));
        headless_queue_answer(answer);

        for (const char* name : names) {
            EngineRun run = install_entry(archive, std::string("data/") + name, target_);
            EXPECT_EQ(run.result, RC_OK) << run.err;
        }
        std::vector<HeadlessMessageBox> boxes = headless_boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text,
                  "Overwrite existing option files with QEL's installation defaults (all QEL settings will be lost)?");
        EXPECT_EQ(boxes[0].style, QUESTION_STYLE);
        const char* backups[] = {"STANDARD.0PA", "STANDARD.0KY", "STANDARD.0EL"};
        for (int i = 0; i < 3; ++i) {
            if (answer == ANSWER_YES) {
                EXPECT_EQ(read_bytes(in_target(names[i])), std::string("new ") + names[i]);
                EXPECT_EQ(read_bytes(in_target(backups[i])), std::string("old ") + names[i]);
            } else {
                EXPECT_EQ(read_bytes(in_target(names[i])), std::string("old ") + names[i]);
                EXPECT_FALSE(file_exists(in_target(backups[i])));
            }
            std::remove(in_target(backups[i]).c_str());
        }
    }
}

TEST_F(InstallerCallTest, OverwriteOptionReplacesWithoutQuestionOrBackup)
{
    std::string archive = archive_of({"PHONEBK"});
    ASSERT_TRUE(write_bytes(in_target("PHONEBK"), "old"));
    EngineRun run = run_engine({"-qq", "-o", "-j", archive, "data/PHONEBK", "-d", target_});
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_EQ(headless_box_count(), 0);
    EXPECT_EQ(read_bytes(in_target("PHONEBK")), "new PHONEBK");
    EXPECT_FALSE(file_exists(in_target("PHONEB0")));
}

TEST_F(InstallerCallTest, FileIsKeptWhenItsBackupCannotBeMade)
{
    std::string archive = archive_of({"PHONEBK"});
    ASSERT_TRUE(write_bytes(in_target("PHONEBK"), "precious"));
    std::filesystem::create_directories(in_target("PHONEB0"));  // the backup cannot be written

    EngineRun run = install_entry(archive, "data/PHONEBK", target_);
    EXPECT_EQ(run.result, RC_WARN);
    EXPECT_EQ(read_bytes(in_target("PHONEBK")), "precious");
    EXPECT_EQ(settings.backups_made.load(), 0);
    EXPECT_EQ(run.err.find("warning:  cannot back up " + in_target("PHONEBK") + "; existing file kept\n"), 0u)
        << run.err;
}

TEST_F(InstallerCallTest, OnlyWholeEndingsOfTheListsAsk)
{
    // Name endings that are not a list's text, and a name shorter than any.
    for (const char* name : {"X", "dir/phonebk.txt", "STANDARD.QPAX", "dir/HONEBK"}) {
        SCOPED_TRACE(name);
        std::snprintf(entry_name, sizeof entry_name, "%s", name);
        int result = RC_OK;
        EXPECT_EQ(approve_overwrite(&result), 1);
        EXPECT_EQ(result, RC_OK);
    }
    EXPECT_EQ(headless_box_count(), 0);
    EXPECT_EQ(settings.backups_made.load(), 0);
}

TEST(BackupName, ReplacesTheCharacterAfterTheFirstDotOrTheLast)
{
    struct Case { const char* path; const char* backup; };
    const Case cases[] = {
        {"STANDARD.QPA", "STANDARD.0PA"},
        {"PHONEBK", "PHONEB0"},
        {"c:/qel/options/standard.qky", "c:/qel/options/standard.0ky"},
        {"dir.d/PHONEBK", "dir.d/PHONEB0"},  // a dot of a directory does not count
        {"a/b.c.d", "a/b.0.d"},
        {"x/NAME.", "x/NAME.0"},
    };
    for (const Case& c : cases) {
        char backup[ENTRY_NAME_SIZE];
        ASSERT_TRUE(make_backup_name(c.path, backup, sizeof backup)) << c.path;
        EXPECT_STREQ(backup, c.backup);
    }
    char backup[ENTRY_NAME_SIZE];
    EXPECT_FALSE(make_backup_name("dir/", backup, sizeof backup));
    EXPECT_FALSE(make_backup_name("PHONEBK", backup, 8));  // one byte short
}

TEST(DosTime, CountsDaysLikeTheCalendar)
{
    auto at = [](int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
        uint16_t date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
        uint16_t time = static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
        return dos_time_to_seconds(date, time);
    };
    constexpr int64_t DAY = 86400;
    // Differences between winter dates cancel the zone's offset.
    EXPECT_EQ(at(2000, 3, 1) - at(2000, 2, 28), 2 * DAY);  // 2000 is a leap year
    EXPECT_EQ(at(2100, 3, 1) - at(2100, 2, 28), 1 * DAY);  // 2100 is not
    EXPECT_EQ(at(1981, 1, 1) - at(1980, 1, 1), 366 * DAY);
    EXPECT_EQ(at(1980, 1, 1, 13, 45, 58) - at(1980, 1, 1), 13 * 3600 + 45 * 60 + 58);
    // 1980-01-01 00:00 local is 315532800 UTC give or take one zone.
    EXPECT_LE(std::llabs(at(1980, 1, 1) - 315532800), 14 * 3600);
    // DOS dates reach 2107, past the 32-bit second count.
    EXPECT_GT(at(2107, 12, 31), int64_t{0x7FFFFFFF});
    // A month field outside 1..12 still gives a date of that year.
    EXPECT_EQ(at(1990, 0, 1), at(1990, 1, 1));
    EXPECT_EQ(at(1990, 15, 1), at(1990, 12, 1));
}

TEST_F(ExtractTest, CheckExistingComparesWithTheEntryTime)
{
    local_header.mod_date = (22 << 9) | (9 << 5) | 1;  // 2002-09-01
    local_header.mod_time = 12 << 11;
    int64_t entry_time = dos_time_to_seconds(local_header.mod_date, local_header.mod_time);
    std::string file = path("f");
    EXPECT_EQ(check_existing(file.c_str()), -1);
    ASSERT_TRUE(write_bytes(file, "x"));
    struct Case { int64_t time; int expected; };
    const Case cases[] = {{entry_time, 1}, {entry_time + 100, 1}, {entry_time - 2, 0}, {entry_time - 1, 1}};
    for (const Case& c : cases) {
        ASSERT_TRUE(set_file_time(file, c.time));
        EXPECT_EQ(check_existing(file.c_str()), c.expected) << c.time - entry_time;
    }
}

}  // namespace
