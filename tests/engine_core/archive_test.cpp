#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/engine_core/engine_run.h"
#include "tests/support/zip_writer.h"

namespace {

constexpr char NOT_FOUND_TEXT[] =
    "  End-of-central-directory signature not found.  Either this file is not\n"
    "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
    "  latter case the central directory and zipfile comment will be found on\n"
    "  the last disk(s) of this archive.\n\n";

std::string text_of(size_t size, int seed)
{
    std::string s;
    for (int i = 0; s.size() < size; ++i)
        s += "line " + std::to_string((i * 31 + seed) % 977) + " of entry " + std::to_string(seed) + "\n";
    s.resize(size);
    return s;
}

// Three entries: stored, deflated with fixed and with dynamic blocks.
ZipArchive sound_archive()
{
    ZipArchive zip;
    zip.add("one.txt", text_of(300, 1));
    zip.add_deflated("two.txt", text_of(3000, 2), 6, DeflateBlocks::Fixed);
    zip.add_deflated("dir/three.txt", text_of(5000, 3), 9, DeflateBlocks::Dynamic);
    for (ZipEntry& e : zip.entries)
        e.made_by_host = 3;
    return zip;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Lines of a listing that name an entry of the sound archive.
int listed_entries(const std::string& out)
{
    int n = 0;
    for (const char* name : {"  one.txt\n", "  two.txt\n", "  dir/three.txt\n"})
        n += contains(out, name);
    return n;
}

struct DamageCase {
    const char* what;
    std::function<std::string()> make;  // archive bytes
    int result;
    const char* message;                // expected on stderr ("" for none)
    int listed;                         // entries listed
};

std::string with(const std::function<void(ZipArchive&)>& change)
{
    ZipArchive zip = sound_archive();
    change(zip);
    return zip.build();
}

TEST(DamagedArchives, EndRecordAndCentralDirectoryTable)
{
    const DamageCase cases[] = {
        {"sound", [] { return with([](ZipArchive&) {}); }, 0, "", 3},
        {"100 bytes prepended", [] { return with([](ZipArchive& z) { z.prefix = std::string(100, 'x'); }); }, 1,
         "warning [t.zip]:  extra 100 bytes at beginning or within zipfile\n  (attempting to process anyway)\n", 3},
        {"NULL central offset",
         [] {
             return with([](ZipArchive& z) {
                 z.prefix = std::string(100, 'x');
                 z.end.central_dir_offset = 0;
             });
         },
         2, "error [t.zip]:  NULL central directory offset\n  (attempting to process anyway)\n", 3},
        {"central size 20 too large",
         [] {
             ZipArchive z = sound_archive();
             z.build();
             z.end.central_dir_size = z.layout.central_size + 20;
             return z.build();
         },
         2,
         "error [t.zip]:  missing 20 bytes in zipfile\n  (attempting to process anyway)\n"
         "error [t.zip]:  reported length of central directory is\n  20 bytes too long (Atari STZIP zipfile?  "
         "R.Vandel ZIPSPLIT 1.1\n  zipfile?).  Compensating...\n",
         3},
        {"central offset beyond the directory",
         [] {
             ZipArchive z = sound_archive();
             z.build();
             z.end.central_dir_offset = z.layout.central_offset + 7;
             z.end.central_dir_size = z.layout.central_size - 7;
             return z.build();
         },
         3, "error [t.zip]:  start of central directory not found;\n  zipfile corrupt.\n", 0},
        {"multi-disk", [] { return with([](ZipArchive& z) { z.end.this_disk = 2; }); }, 11,
         "\nerror [t.zip]:  zipfile is part of multi-disk archive\n  (sorry, not yet supported).\n", 0},
        {"second disk of two",
         [] {
             return with([](ZipArchive& z) {
                 z.end.this_disk = 1;
                 z.end.central_dir_disk = 1;
             });
         },
         1, "\n     Warning:  zipfile claims to be second disk of a two-part archive;\n", 3},
        {"empty", [] { return ZipArchive().build(); }, 1, "warning [t.zip]:  zipfile is empty\n", 0},
        {"comment holding a complete end record nearest the end",
         [] {
             ZipArchive z = sound_archive();
             std::string plain = z.build();
             z.comment = plain.substr(z.layout.end_offset);  // the end record itself
             return z.build();
         },
         2, "warning [t.zip]:  extra 22 bytes at beginning or within zipfile\n", 3},
        {"comment ending with a stray signature",
         [] { return with([](ZipArchive& z) { z.comment = std::string("note PK\5\6", 9); }); }, 0, "", 3},
        {"comment cut short",
         [] {
             ZipArchive z = sound_archive();
             z.comment = "a comment";
             z.end.comment_length = 40;
             return z.build();
         },
         1, "\ncaution:  zipfile comment truncated\n", 3},
    };
    for (const DamageCase& c : cases) {
        ScratchDirectory scratch("damage");
        ASSERT_TRUE(write_bytes("t.zip", c.make()));
        EngineRun run = run_engine({"-v", "t.zip"});
        EXPECT_EQ(run.result, c.result) << c.what << "\n" << run.err;
        if (*c.message) {
            EXPECT_TRUE(contains(run.err, c.message)) << c.what << "\n" << run.err;
        } else {
            EXPECT_EQ(run.err, "") << c.what;
        }
        EXPECT_EQ(listed_entries(run.out), c.listed) << c.what << "\n" << run.out;
    }
}

// Cutting the archive anywhere before its end loses the end record.
TEST(DamagedArchives, TruncationAtEveryRegion)
{
    ZipArchive zip = sound_archive();
    zip.comment = "archive comment";
    const std::string bytes = zip.build();
    const ZipLayout& l = zip.layout;
    const uint32_t cuts[] = {0, 10, l.local_offsets[1] + 5, l.data_offsets[1] + 7, l.central_offset + 3,
                             l.central_offsets[2] + 40, l.end_offset + 2, l.end_offset + 21};
    for (uint32_t cut : cuts) {
        ScratchDirectory scratch("cut");
        ASSERT_TRUE(write_bytes("t.zip", bytes.substr(0, cut)));
        EngineRun run = run_engine({"-v", "t.zip"});
        EXPECT_EQ(run.result, 9) << cut;
        EXPECT_TRUE(contains(run.err, NOT_FOUND_TEXT)) << cut;
        EXPECT_TRUE(contains(run.err, "No zipfiles found.\n")) << cut;
    }
    ScratchDirectory scratch("cut_comment");
    ASSERT_TRUE(write_bytes("t.zip", bytes.substr(0, l.end_offset + 22 + 5)));
    EngineRun run = run_engine({"-v", "t.zip"});
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(contains(run.err, "\ncaution:  zipfile comment truncated\n"));
    EXPECT_EQ(listed_entries(run.out), 3);
}

TEST(DamagedArchives, FileShorterThanAnEndRecord)
{
    ScratchDirectory scratch("short");
    ASSERT_TRUE(write_bytes("t.zip", "PK\5\6 short"));
    EngineRun run = run_engine({"-v", "t.zip"});
    EXPECT_EQ(run.result, 9);
    EXPECT_EQ(run.out, "Archive:  t.zip\n");
    EXPECT_EQ(run.err, std::string(NOT_FOUND_TEXT) +
                           "unzip:  can't find zipfile directory in t.zip,\n"
                           "        and can't find t.zip.zip, period.\n"
                           "\nNo zipfiles found.\n");
}

// Archives whose end record sits at chosen offsets around the 2048-byte
// blocks of the backward search, and archives of exactly 2048 and 2049 bytes.
TEST(EndRecordSearch, BlockBoundaries)
{
    struct Case { const char* what; uint32_t end_offset; uint32_t size; };
    const Case cases[] = {
        {"signature inside a block", 2048 + 2000, 0},
        {"signature spans blocks at 2045", 2048 + 2045, 0},
        {"signature spans blocks at 2046", 2048 + 2046, 0},
        {"signature spans blocks at 2047", 2048 + 2047, 0},
        {"record completes in an unscanned tail", 2048 + 2038, 0},
        {"record in a scanned tail", 4096 + 10, 0},
        {"exactly 2048 bytes", 0, 2048},
        {"exactly 2049 bytes", 0, 2049},
        {"exactly 2047 bytes", 0, 2047},
        {"comment far from the record", 0, 60000},
    };
    for (const Case& c : cases) {
        ZipArchive zip = sound_archive();
        zip.build();
        uint32_t pad = c.end_offset ? c.end_offset - zip.layout.end_offset
                                    : c.size - zip.layout.size;
        if (c.end_offset) {
            zip.entries[0].data += std::string(pad, '.');
            zip.entries[0].compressed = zip.entries[0].data;
        } else {
            zip.comment = std::string(pad, 'c');
        }
        std::string bytes = zip.build();
        if (c.end_offset) {
            ASSERT_EQ(zip.layout.end_offset, c.end_offset) << c.what;
        } else {
            ASSERT_EQ(bytes.size(), c.size) << c.what;
        }
        ScratchDirectory scratch("blocks");
        ASSERT_TRUE(write_bytes("t.zip", bytes));
        EngineRun run = run_engine({"-vq", "t.zip"});
        EXPECT_EQ(run.result, 0) << c.what << "\n" << run.err;
        EXPECT_EQ(run.err, "") << c.what;
        EXPECT_EQ(listed_entries(run.out), 3) << c.what;
    }
}

TEST(ArchiveNames, ZipSuffixRetryAndWildcards)
{
    ScratchDirectory scratch("names");
    ASSERT_TRUE(sound_archive().write_file("arch.zip"));
    EngineRun run = run_engine({"-v", "arch"});
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(contains(run.out, "Archive:  arch.zip\n"));
    EXPECT_EQ(run.err, "");

    ASSERT_TRUE(sound_archive().write_file("arch2.zip"));
    run = run_engine({"-v", "arch*.zip"});
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(contains(run.out, "Archive:  arch2.zip\n"));
    EXPECT_EQ(run.err, "\n2 archives were successfully processed.\n");

    run = run_engine({"-v", "missing"});
    EXPECT_EQ(run.result, 9);
    EXPECT_TRUE(contains(run.err, "missing.zip"));
    EXPECT_TRUE(contains(run.err, "No zipfiles found.\n"));
}

TEST(ArchiveNames, OneArchiveWithoutDirectoryAmongTwo)
{
    ScratchDirectory scratch("names_mixed");
    ASSERT_TRUE(sound_archive().write_file("good.zip"));
    ASSERT_TRUE(write_bytes("bad.zip", std::string(3000, 'b')));
    EngineRun run = run_engine({"-v", "*.zip"});
    EXPECT_EQ(run.result, 9);
    EXPECT_EQ(listed_entries(run.out), 3);
    EXPECT_TRUE(contains(run.err, "1 archive was successfully processed.\n1 file had no zipfile directory.\n"));
}

// Prepended bytes shift every offset; extraction still finds each entry.
TEST(DamagedArchives, PrependedBytesStillExtractEveryEntry)
{
    ScratchDirectory scratch("prefix_extract");
    ZipArchive zip = sound_archive();
    zip.prefix = std::string(100, '\0');
    ASSERT_TRUE(zip.write_file("t.zip"));
    EngineRun run = run_engine({"-qq", "t.zip", "-d", "out"});
    EXPECT_EQ(run.result, 1) << run.err;
    for (const ZipEntry& e : zip.entries)
        EXPECT_EQ(read_bytes("out/" + e.name), e.data) << e.name;
}

TEST(DamagedArchives, TestingAShiftedArchivePassesItsCrcChecks)
{
    ScratchDirectory scratch("prefix_test");
    ZipArchive zip = sound_archive();
    zip.prefix = "#!/bin/sh\nexit 0\n";
    ASSERT_TRUE(zip.write_file("t.zip"));
    EngineRun run = run_engine({"-tq", "t.zip"});
    EXPECT_EQ(run.result, 1) << run.err << run.out;
}

}  // namespace
