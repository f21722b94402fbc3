// Extraction of whole archives: byte-exact output, damaged entries and the
// command options that change what is written where.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "engine/io.h"
#include "engine/options.h"
#include "tests/engine_extract/extract_fixture.h"

namespace {

std::string crc_hex(uint32_t crc)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(crc));
    return text;
}

// Overwrites a little-endian 32-bit field of the built archive.
void put32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// Offset of the local-header offset field in a central header.
constexpr size_t CENTRAL_LOCAL_OFFSET = 42;

// "%-22s" as the progress and skipping lines pad names.
std::string padded(const std::string& name)
{
    return name.size() >= 22 ? name : name + std::string(22 - name.size(), ' ');
}

TEST_F(ExtractTest, StoredAndDeflatedEntriesExtractByteExact)
{
    struct Case { const char* name; size_t size; int method; int level; DeflateBlocks blocks; };
    const Case cases[] = {
        {"empty.txt", 0, 0, 0, DeflateBlocks::Auto},
        {"small.txt", 100, 0, 0, DeflateBlocks::Auto},
        // Crosses the 32768-byte window twice and many 2048-byte input blocks.
        {"sub/stored.bin", 70001, 0, 0, DeflateBlocks::Auto},
        {"sub/deep/level6.txt", 100000, 8, 6, DeflateBlocks::Auto},
        {"fixed.txt", 5000, 8, 6, DeflateBlocks::Fixed},
        {"dynamic.txt", 5000, 8, 9, DeflateBlocks::Dynamic},
        {"level0.txt", 40000, 8, 0, DeflateBlocks::Auto},
        {"deflated_empty.txt", 0, 8, 6, DeflateBlocks::Auto},
    };
    ZipArchive zip;
    unsigned seed = 1;
    for (const Case& c : cases) {
        std::string data = sample_data(c.size, seed++);
        if (c.method == 0)
            zip.add(c.name, data);
        else
            zip.add_deflated(c.name, data, c.level, c.blocks);
    }
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({"-qq", archive, "-d", path("out")});
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    seed = 1;
    for (const Case& c : cases)
        EXPECT_EQ(read_bytes(path("out/") + c.name), sample_data(c.size, seed++)) << c.name;
}

TEST_F(ExtractTest, ProgressLinesNameEachEntryAndItsMethod)
{
    ZipArchive zip;
    zip.add("one.txt", "1\n");
    zip.add_deflated("two.txt", sample_data(3000));
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({archive, "-d", path("out")});
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_NE(run.out.find(" extracting: " + path("out/one.txt") + "  \n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  inflating: " + path("out/two.txt") + "  \n"), std::string::npos) << run.out;
}

// One damaged entry among sound ones: what is reported, what is still written.
struct DamageCase {
    const char* what;
    std::function<void(ZipArchive&)> edit_entries;                   // before building
    std::function<void(std::string&, const ZipLayout&)> edit_bytes;  // after building
    int result;
    std::function<std::string(const ZipLayout&)> message;            // expected on standard error
    std::vector<std::string> written;
    std::vector<std::string> not_written;
};

TEST_F(ExtractTest, DamagedEntriesAreReportedAndTheOthersStillExtract)
{
    const std::string one = sample_data(3000, 1), two = sample_data(3000, 2), three = sample_data(3000, 3);
    const uint32_t two_crc = zip_crc32(two);
    auto no_bytes = [](std::string&, const ZipLayout&) {};
    auto no_entries = [](ZipArchive&) {};
    auto fixed_text = [](std::string text) { return [text](const ZipLayout&) { return text; }; };

    const DamageCase cases[] = {
        {"bad CRC: the file is written, then reported",
         [&](ZipArchive& zip) { zip.entries[1].crc32 = two_crc ^ 1; }, no_bytes, RC_ERR,
         fixed_text(" bad CRC " + crc_hex(two_crc) + "  (should be " + crc_hex(two_crc ^ 1) + ")\n"),
         {"one.txt", "two.txt", "three.txt"}, {}},
        {"bad local signature of a later entry: its header is read where it stands", no_entries,
         [](std::string& bytes, const ZipLayout& layout) { bytes[layout.local_offsets[1] + 2] = 'X'; }, RC_ERR,
         [](const ZipLayout& layout) {
             return "file #1:  bad zipfile offset (local header sig):  " + std::to_string(layout.local_offsets[1]) +
                    "\n";
         },
         {"one.txt", "two.txt", "three.txt"}, {}},
        {"bad local signature of the first entry: re-compensation fails too", no_entries,
         [](std::string& bytes, const ZipLayout&) { bytes[2] = 'X'; }, RC_BADERR,
         fixed_text("file #0:  bad zipfile offset (local header sig):  0\n  (attempting to re-compensate)\n"
                    "file #0:  bad zipfile offset (local header sig):  0\n"),
         {"two.txt", "three.txt"}, {"one.txt"}},
        {"bytes inside the archive: the first entry re-compensates and all extract", no_entries,
         [](std::string& bytes, const ZipLayout& layout) {
             bytes.insert(layout.central_offset, std::string(100, 'J'));
         },
         RC_ERR,
         fixed_text("file #0:  bad zipfile offset (local header sig):  100\n  (attempting to re-compensate)\n"),
         {"one.txt", "two.txt", "three.txt"}, {}},
        {"local header offset past the end of the file", no_entries,
         [](std::string& bytes, const ZipLayout& layout) {
             put32(bytes, layout.central_offsets[1] + CENTRAL_LOCAL_OFFSET, 0x00F00000);
         },
         RC_BADERR, fixed_text("file #1:  bad zipfile offset (lseek):  15728640\n"), {"one.txt", "three.txt"},
         {"two.txt"}},
        {"local header offset two bytes before the end of the file", no_entries,
         [](std::string& bytes, const ZipLayout& layout) {
             put32(bytes, layout.central_offsets[1] + CENTRAL_LOCAL_OFFSET, layout.size - 2);
         },
         RC_BADERR,
         [](const ZipLayout& layout) {
             return "file #1:  bad zipfile offset (EOF):  " + std::to_string(layout.size - 2) + "\n";
         },
         {"one.txt", "three.txt"}, {"two.txt"}},
        {"directory claims one entry more than it holds",
         [](ZipArchive& zip) { zip.end.total_entries = 4; zip.end.entries_this_disk = 4; }, no_bytes, RC_BADERR,
         fixed_text("error:  expected central file header signature not found (file #3).\n"
                    "  (please check that you have transferred or created the zipfile in the\n"
                    "  appropriate BINARY mode and that you have compiled unzip properly)\n"),
         {"one.txt", "two.txt", "three.txt"}, {}},
        {"encrypted entry", [](ZipArchive& zip) { zip.entries[1].flags |= 1; }, no_bytes, RC_WARN,
         fixed_text("   skipping: " + padded("two.txt") + "  encrypted (not supported)\n"), {"one.txt", "three.txt"},
         {"two.txt"}},
        {"method 9", [](ZipArchive& zip) { zip.entries[1].method = 9; }, no_bytes, RC_WARN,
         fixed_text("   skipping: " + padded("two.txt") + "  compression method 9\n"), {"one.txt", "three.txt"},
         {"two.txt"}},
        {"method 7", [](ZipArchive& zip) { zip.entries[1].method = 7; }, no_bytes, RC_WARN,
         fixed_text("   skipping: " + padded("two.txt") + "  compression method 7\n"), {"one.txt", "three.txt"},
         {"two.txt"}},
        {"needed version 2.5", [](ZipArchive& zip) { zip.entries[1].needed_version = 25; }, no_bytes, RC_WARN,
         fixed_text("   skipping: " + padded("two.txt") + "  need PK compat. v2.5 (can do v2.0)\n"),
         {"one.txt", "three.txt"}, {"two.txt"}},
        {"VMS entry needing version 4.3",
         [](ZipArchive& zip) {
             zip.entries[1].needed_host = 2;
             zip.entries[1].needed_version = 43;
         },
         no_bytes, RC_WARN, fixed_text("   skipping: " + padded("two.txt") + "  need VMS compat. v4.3 (can do v4.2)\n"),
         {"one.txt", "three.txt"}, {"two.txt"}},
        {"invalid deflate data",
         [](ZipArchive& zip) { zip.entries[1].compressed = std::string("\xff\xff\xff\xff", 4); }, no_bytes, RC_ERR,
         [this](const ZipLayout&) { return "  error:  invalid compressed (deflated) data for " + path("two.txt") + "\n"; },
         {"one.txt", "three.txt"}, {}},
    };

    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        ZipArchive zip;
        zip.add("one.txt", one);
        zip.add_deflated("two.txt", two);
        zip.add("three.txt", three);
        c.edit_entries(zip);
        std::string bytes = zip.build();
        c.edit_bytes(bytes, zip.layout);
        std::string archive = path("damaged.zip");
        ASSERT_TRUE(write_bytes(archive, bytes));
        for (const char* name : {"one.txt", "two.txt", "three.txt"})
            std::remove(path(name).c_str());

        EngineRun run = run_engine({"-qq", archive, "-d", dir_});
        EXPECT_EQ(run.result, c.result) << run.err;
        EXPECT_NE(run.err.find(c.message(zip.layout)), std::string::npos) << run.err;
        for (const std::string& name : c.written)
            EXPECT_TRUE(file_exists(path(name))) << name;
        for (const std::string& name : c.not_written)
            EXPECT_FALSE(file_exists(path(name))) << name;
        if (file_exists(path("one.txt"))) {
            EXPECT_EQ(read_bytes(path("one.txt")), one);
        }
        if (file_exists(path("three.txt"))) {
            EXPECT_EQ(read_bytes(path("three.txt")), three);
        }
    }
}

TEST_F(ExtractTest, SixtyFiveEntriesRunInTwoBlocks)
{
    ZipArchive zip;
    for (int i = 0; i < 65; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "e%03d.txt", i);
        zip.add(name, sample_data(50 + i, i + 1));
    }
    std::string bytes = zip.build();
    bytes[zip.layout.local_offsets[64] + 2] = 'X';  // the 65th entry's messages name file #64
    std::string archive = path("many.zip");
    ASSERT_TRUE(write_bytes(archive, bytes));

    EngineRun run = run_engine({"-qq", archive, "-d", path("out")});
    EXPECT_EQ(run.result, RC_ERR);
    EXPECT_NE(run.err.find("file #64:  bad zipfile offset (local header sig):  " +
                           std::to_string(zip.layout.local_offsets[64]) + "\n"),
              std::string::npos)
        << run.err;
    for (int i = 0; i < 65; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "e%03d.txt", i);
        EXPECT_EQ(read_bytes(path("out/") + name), sample_data(50 + i, i + 1)) << name;
    }

    // A pattern that selects entries of both blocks.
    EngineRun some = run_engine({"-qq", archive, "e06?.txt", "e00[0-1].txt", "-d", path("some")});
    EXPECT_EQ(some.result, RC_ERR);
    EXPECT_TRUE(file_exists(path("some/e000.txt")));
    EXPECT_TRUE(file_exists(path("some/e064.txt")));
    EXPECT_FALSE(file_exists(path("some/e002.txt")));
    EXPECT_FALSE(file_exists(path("some/e059.txt")));
}

TEST_F(ExtractTest, TestModeWritesNothingAndSummarises)
{
    ZipArchive zip;
    zip.add("one.txt", "first\n");
    zip.add_deflated("two.txt", sample_data(4000));
    zip.add("three.txt", "third\n");
    std::string archive = write_archive(zip);
    ZipArchive bad = zip;
    bad.entries[2].crc32 = 0x12345678;
    std::string bad_archive = write_archive(bad, "bad.zip");
    ZipArchive skipping = zip;
    skipping.entries[0].flags |= 1;
    std::string skipping_archive = write_archive(skipping, "skip.zip");

    struct Case { std::vector<std::string> args; int result; std::string summary; };
    const Case cases[] = {
        {{"-t", archive}, RC_OK, "No errors detected in compressed data of " + archive + ".\n"},
        {{"-t", archive, "one.txt", "t*"}, RC_OK, "No errors detected in " + archive + " for the 3 files tested.\n"},
        {{"-t", archive, "two.txt"}, RC_OK, "No errors detected in " + archive + " for the 1 file tested.\n"},
        {{"-t", archive, "nothing"}, RC_OK, "Caution:  zero files tested in " + archive + ".\n"},
        {{"-t", bad_archive}, RC_ERR, "At least one error was detected in " + bad_archive + ".\n"},
        {{"-t", skipping_archive}, RC_WARN,
         "No errors detected in " + skipping_archive + " for the 2 files tested.\n"
         "1 file skipped because of unsupported compression or encoding.\n"},
    };
    for (const Case& c : cases) {
        EngineRun run = run_engine(c.args);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(run.result, c.result) << run.err;
        EXPECT_NE(run.out.find(c.summary), std::string::npos) << run.out;
    }
    EngineRun run = run_engine({"-t", archive});
    EXPECT_NE(run.out.find("    testing: " + padded("one.txt") + "   OK\n"), std::string::npos) << run.out;
    EXPECT_FALSE(file_exists(path("one.txt")));
    EXPECT_EQ(run_engine({"-tqq", archive}).out, "");
}

TEST_F(ExtractTest, PipeAndConsoleOptionsWriteToStandardOutput)
{
    ZipArchive zip;
    zip.add("one.txt", "first\n");
    zip.add_deflated("two.bin", sample_data(20000));
    std::string archive = write_archive(zip);

    EngineRun piped = run_engine({"-p", archive});
    EXPECT_EQ(piped.result, RC_OK);
    EXPECT_EQ(piped.out, "first\n" + sample_data(20000));

    EngineRun console = run_engine({"-c", archive, "one.txt"});
    EXPECT_EQ(console.result, RC_OK);
    EXPECT_NE(console.out.find(" extracting: " + padded("one.txt") + "  \nfirst\n"), std::string::npos)
        << console.out;
    EXPECT_FALSE(file_exists(path("one.txt")));
}

TEST_F(ExtractTest, ExistingFilesFollowTheOverwriteOptions)
{
    ZipArchive zip;
    zip.add("file.txt", "from the archive");  // dated 2002
    std::string archive = write_archive(zip);
    const int64_t year_1990 = 631152000, year_2030 = 1893456000;

    struct Case {
        const char* options;
        bool exists;
        int64_t file_time;
        bool replaced;  // else the old content (or nothing) stays
    };
    const Case cases[] = {
        {"-n", true, year_1990, false},  {"-o", true, year_2030, true},   {"-u", true, year_2030, false},
        {"-u", true, year_1990, true},   {"-u", false, 0, true},          {"-f", false, 0, false},
        {"-f", true, year_1990, true},   {"-f", true, year_2030, false},  {"-no", true, year_1990, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.options) + (c.exists ? " existing" : " missing"));
        std::string target = path("file.txt");
        std::remove(target.c_str());
        if (c.exists) {
            ASSERT_TRUE(write_bytes(target, "old content"));
            ASSERT_TRUE(set_file_time(target, c.file_time));
        }
        EngineRun run = run_engine({"-qq", c.options, archive, "-d", dir_});
        EXPECT_EQ(run.result, RC_OK) << run.err;
        if (c.replaced) {
            EXPECT_EQ(read_bytes(target), "from the archive");
        } else if (c.exists) {
            EXPECT_EQ(read_bytes(target), "old content");
        } else {
            EXPECT_FALSE(file_exists(target));
        }
    }
}

TEST_F(ExtractTest, ReadOnlyFileIsReplaced)
{
    ZipArchive zip;
    zip.add("locked.txt", "new");
    std::string archive = write_archive(zip);
    std::string target = path("locked.txt");
    ASSERT_TRUE(write_bytes(target, "old"));
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);

    EngineRun run = run_engine({"-qq", "-o", archive, "-d", dir_});
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_EQ(read_bytes(target), "new");
}

TEST_F(ExtractTest, JunkPathsDropsTheDirectories)
{
    ZipArchive zip;
    zip.add("dir/sub/file.txt", "content");
    zip.add_directory("dir/sub/");
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({"-qq", "-j", archive, "-d", path("out")});
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_EQ(read_bytes(path("out/file.txt")), "content");
    EXPECT_FALSE(file_exists(path("out/dir")));
}

TEST_F(ExtractTest, DirectoryEntriesCreateDirectoriesAndLabelsAreSkipped)
{
    ZipArchive zip;
    zip.add_directory("empty/inner/");
    zip.add("MYDISK", "").external_attributes = 0x08;  // a DOS volume label
    zip.add("after.txt", "after");
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({"-qq", archive, "-d", path("out")});
    EXPECT_EQ(run.result, RC_OK) << run.err;
    EXPECT_TRUE(std::filesystem::is_directory(path("out/empty/inner")));
    EXPECT_NE(run.err.find("   skipping: " + padded("MYDISK") + "  volume label\n"), std::string::npos) << run.err;
    EXPECT_FALSE(file_exists(path("out/MYDISK")));
    EXPECT_FALSE(file_exists(path("out/mydisk")));
    EXPECT_EQ(read_bytes(path("out/after.txt")), "after");
}

#ifndef _WIN32
// A write error asks whether to go on; without a console the previous
// answer decides: 'y' discards the rest of the entry and goes on, anything
// else ends the archive at once. (-o: the overwrite rule, which sets the
// answer itself, stays out of the way.)
TEST_F(ExtractTest, WriteErrorEndsTheArchiveUnlessAnsweredYes)
{
    if (!file_exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    ZipArchive zip;
    zip.add("full", sample_data(1000));
    zip.add("after.txt", "after");
    std::string archive = write_archive(zip);
    std::filesystem::create_directories(path("out"));
    std::filesystem::create_symlink("/dev/full", path("out/full"));

    struct Case { char answer; int result; bool after_written; };
    const Case cases[] = {{'y', RC_WARN, true}, {'n', RC_DISK, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        std::remove(path("out/after.txt").c_str());
        answer[0] = c.answer;
        EngineRun run = run_engine({"-qq", "-o", archive, "-d", path("out")});
        EXPECT_EQ(run.result, c.result) << run.err;
        EXPECT_NE(run.err.find("\n" + path("out/full") + ":  write error (disk full?).  Continue? (y/n/^C) "),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(file_exists(path("out/after.txt")), c.after_written);
    }
}
#endif

TEST_F(ExtractTest, TextOptionConvertsLineEnds)
{
    ZipArchive zip;
    zip.add("text.txt", "a\nb\r\nc\rd").internal_attributes = 1;
    zip.add_deflated("data.bin", "x\ny\n");
    std::string archive = write_archive(zip);

    struct Case { const char* option; std::string text; std::string data; };
    const Case cases[] = {
        {"-b", "a\nb\r\nc\rd", "x\ny\n"},
        {"-a", "a\r\nb\r\nc\r\nd", "x\ny\n"},
        {"-aa", "a\r\nb\r\nc\r\nd", "x\r\ny\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        EngineRun run = run_engine({"-qq", "-o", c.option, archive, "-d", dir_});
        EXPECT_EQ(run.result, RC_OK) << run.err;
        EXPECT_EQ(read_bytes(path("text.txt")), c.text);
        EXPECT_EQ(read_bytes(path("data.bin")), c.data);
    }
    EngineRun tagged = run_engine({"-o", "-a", archive, "-d", dir_});
    EXPECT_NE(tagged.out.find(" extracting: " + path("text.txt") + "  [text]  \n"), std::string::npos) << tagged.out;
    EXPECT_NE(tagged.out.find("  inflating: " + path("data.bin") + "  [binary]\n"), std::string::npos) << tagged.out;
}

TEST_F(ExtractTest, PatternsSelectAndReportWhatMatchedNothing)
{
    ZipArchive zip;
    zip.add("one.txt", "1");
    zip.add("two.txt", "2");
    zip.add("three.dat", "3");
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({"-qq", archive, "*.txt", "nosuch", "-x", "two*", "nothing", "-d", path("out")});
    EXPECT_TRUE(file_exists(path("out/one.txt")));
    EXPECT_FALSE(file_exists(path("out/two.txt")));
    EXPECT_FALSE(file_exists(path("out/three.dat")));
    EXPECT_NE(run.err.find("caution: filename not matched:  nosuch\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("caution: excluded filename not matched:  nothing\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("not matched:  *.txt"), std::string::npos);
    EXPECT_EQ(run.err.find("not matched:  two*"), std::string::npos);
}

TEST_F(ExtractTest, UnsafeEntryNamesStayBelowTheRootWithAWarning)
{
    ZipArchive zip;
    zip.add("../escaped.txt", "up");
    zip.add("safe.txt", "ok");
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({"-qq", archive, "-d", path("out")});
    EXPECT_EQ(run.result, RC_WARN) << run.err;
    EXPECT_FALSE(file_exists(path("escaped.txt")));
    EXPECT_EQ(read_bytes(path("out/escaped.txt")), "up");
    EXPECT_EQ(read_bytes(path("out/safe.txt")), "ok");
}

}  // namespace
