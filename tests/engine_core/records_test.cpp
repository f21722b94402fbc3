#include <gtest/gtest.h>

#include <string>

#include "tests/engine_core/engine_run.h"
#include "tests/support/zip_writer.h"

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(RecordFields, OverlongNameIsCutAndTheNextFieldsStillLineUp)
{
    ScratchDirectory scratch("long_name");
    ZipArchive zip;
    std::string name(300, 'n');
    name.replace(0, 5, "start");
    ZipEntry& e = zip.add(name, "data");
    e.made_by_host = 3;
    e.extra = std::string("\x55\x54\x01\x00\x01", 5);
    e.comment = "entry comment";
    zip.add("after", "1").made_by_host = 3;
    ASSERT_TRUE(zip.write_file("t.zip"));
    EngineRun run = run_engine({"-v", "t.zip"});
    std::string kept = name.substr(0, 260);
    EXPECT_TRUE(contains(run.err, "warning:  filename too long--truncating.\n[ " + kept + " ]\n")) << run.err;
    EXPECT_TRUE(contains(run.out, "  " + kept + "\nentry comment\n"));
    EXPECT_TRUE(contains(run.out, "   after\n"));
    // The cut name is also too long for the entry table.
    EXPECT_EQ(run.result, 2);
}

TEST(RecordFields, HostDecidesCaseAndVolumeLabels)
{
    struct Case { const char* stored; uint8_t host; uint32_t attributes; const char* shown; };
    const Case cases[] = {
        {"README.TXT", 0, 0x20, "^readme.txt"},
        {"README.TXT", 3, 0x20, " README.TXT"},
        {"README.TXT", 6, 0x20, " README.TXT"},   // HPFS keeps case
        {"README.TXT", 10, 0x20, "^readme.txt"},
        {"README.TXT", 200, 0x20, " README.TXT"},  // unknown hosts count as 12
        {"MYDISK12.345", 0, 0x08, " MYDISK12345"},
        {"LABEL", 11, 0x08, " LABEL"},
        {"MYDISK12.345", 3, 0x08, " MYDISK12.345"},  // no DOS attributes on this host
    };
    for (const Case& c : cases) {
        ScratchDirectory scratch("hosts");
        ZipArchive zip;
        ZipEntry& e = zip.add(c.stored, "x");
        e.made_by_host = c.host;
        e.external_attributes = c.attributes;
        ASSERT_TRUE(zip.write_file("t.zip"));
        EngineRun run = run_engine({"-l", "t.zip"});
        EXPECT_TRUE(contains(run.out, std::string("  ") + c.shown + "\n")) << c.stored << " " << int(c.host)
                                                                            << "\n" << run.out;
    }
}

TEST(ArchiveComment, EscapesAndLineEndsAndQuietness)
{
    ScratchDirectory scratch("comment");
    ZipArchive zip;
    zip.add("f", "1");
    zip.comment = "first\x1b[1m\r\nsecond\r\n";
    ASSERT_TRUE(zip.write_file("t.zip"));
    EngineRun run = run_engine({"-v", "t.zip"});
    EXPECT_EQ(run.out.rfind("Archive:  t.zip\nfirst^[[1m\nsecond\n\n Length", 0), 0u) << run.out;
    run = run_engine({"-vq", "t.zip"});
    EXPECT_FALSE(contains(run.out, "first"));
    // -z shows the comment, even when quiet, and nothing else.
    run = run_engine({"-zq", "t.zip"});
    EXPECT_EQ(run.out, "first^[[1m\nsecond\n\n");
    EXPECT_EQ(run.result, 0);
}

}  // namespace
