// Hostile archives: names that try to leave the target directory, entries
// that collide or overlap, directories that lie about themselves and sizes
// at the edge of 32 bits. Each archive is extracted with -o -d into a fresh
// target nested below a private root; afterwards the whole root is walked
// and everything found must be the archive, the target's parents or inside
// the target, and nothing anywhere may be a symbolic link.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "engine/options.h"
#include "tests/support/engine_capture.h"
#include "tests/support/implode_encoder.h"
#include "tests/support/installer_scratch.h"
#include "tests/support/zip_writer.h"

namespace fs = std::filesystem;

namespace {

struct Sandbox {
    fs::path root;     // private temporary root
    fs::path work;     // current directory during the run (inside root)
    fs::path target;   // -d directory, a few levels below root
    fs::path archive;  // the archive, beside the target's parents
};

// Builds the archive's entries; root is the sandbox root with '/' separators
// so that absolute names can aim at a place the walk will see.
using Builder = std::function<void(ZipArchive&, const std::string& root)>;
// Edits the built bytes (optional).
using Patch = std::function<void(std::string& bytes, const ZipLayout&)>;

struct HostileCase {
    const char* label;
    Builder build;
    Patch patch;
    int result;                          // expected engine result
    const char* message;                 // substring of standard error ("" none needed)
    std::vector<std::string> expected;   // files that must exist below the target
};

void put_u32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string slashes(const fs::path& path)
{
    std::string text = path.generic_string();
    return text;
}

std::string backslashes(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

// True when child lies inside parent (or is parent).
bool inside(const fs::path& child, const fs::path& parent)
{
    auto c = child.lexically_normal().generic_string();
    auto p = parent.lexically_normal().generic_string();
    return c == p || (c.size() > p.size() && c.compare(0, p.size(), p) == 0 && c[p.size()] == '/');
}

// Everything below root that should not be there, one line each.
std::string strays(const Sandbox& box)
{
    std::string report;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(box.root, fs::directory_options::none, ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path& p = it->path();
        fs::file_status status = fs::symlink_status(p, ec);
        if (fs::is_symlink(status)) {
            report += "symbolic link: " + p.string() + "\n";
            continue;
        }
        if (inside(p, box.target) || p == box.archive)
            continue;
        if (fs::is_directory(status) && inside(box.target, p))
            continue;  // one of the target's parents
        report += "outside the target: " + p.string() + "\n";
    }
    if (ec)
        report += "walk failed: " + ec.message() + "\n";
    return report;
}

// Test names and failure lines show the case's label, not its bytes.
void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.label;
}

class HostileBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        box_.root = scratch_.path();
        box_.work = box_.root / "a";
        box_.target = box_.work / "b" / "c" / "target";
        box_.archive = box_.root / "hostile.zip";
        std::error_code ec;
        ASSERT_TRUE(fs::create_directories(box_.target, ec)) << ec.message();
        fs::current_path(box_.work, ec);
    }

    // Destroyed in reverse: the run's directory is left before it is removed.
    ScratchDirectory scratch_;
    CurrentDirectoryGuard previous_directory_;
    Sandbox box_;
};

class HostileArchive : public HostileBase, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileArchive, StaysInsideTargetWithMessageAndResult)
{
    const HostileCase& c = GetParam();
    ZipArchive zip;
    c.build(zip, slashes(box_.root));
    std::string bytes = zip.build();
    if (c.patch)
        c.patch(bytes, zip.layout);
    ASSERT_TRUE(write_bytes(box_.archive.string(), bytes));

    CapturedRun run = run_engine_captured({"-o", box_.archive.string(), "-d", box_.target.string()});

    EXPECT_EQ(run.result, c.result) << "standard output:\n" << run.out << "standard error:\n" << run.err;
    if (c.message[0] != '\0') {
        EXPECT_NE(run.err.find(c.message), std::string::npos) << "standard error:\n" << run.err;
    }
    EXPECT_EQ(strays(box_), "") << run.err;
    for (const std::string& file : c.expected)
        EXPECT_TRUE(fs::is_regular_file(box_.target / file)) << file << "\n" << run.err;
}

// The name of the entry before must not stand in for a missing one: the
// nameless entry's data would replace that entry's file.
TEST_F(HostileBase, EmptyNameNeverReusesThePreviousName)
{
    ZipArchive zip;
    zip.add("kept.txt", "kept");
    zip.add("", "nameless");
    ASSERT_TRUE(zip.write_file(box_.archive.string()));

    CapturedRun run = run_engine_captured({"-o", box_.archive.string(), "-d", box_.target.string()});

    EXPECT_EQ(run.result, RC_ERR) << run.err;
    EXPECT_EQ(read_bytes((box_.target / "kept.txt").string()), "kept");
    EXPECT_EQ(strays(box_), "");
}

const char* const DROPPED = "path components dropped";

// Names that aim outside: every one ends up inside the target, reported.
const HostileCase escape_cases[] = {
    {"DotDot", [](ZipArchive& z, const std::string&) { z.add("../../../escaped.txt", "x"); }, nullptr, RC_WARN,
     DROPPED, {"escaped.txt"}},
    {"DotDotInside", [](ZipArchive& z, const std::string&) { z.add("a/../../../escaped.txt", "x"); }, nullptr,
     RC_WARN, DROPPED, {}},
    {"Absolute", [](ZipArchive& z, const std::string& root) { z.add(root + "/escaped.txt", "x"); }, nullptr,
     RC_WARN, DROPPED, {}},
    {"EtcName", [](ZipArchive& z, const std::string&) { z.add("/etc/x", "x"); }, nullptr, RC_WARN, DROPPED,
     {"etc/x"}},
    {"DoubleSlash", [](ZipArchive& z, const std::string& root) { z.add("/" + root + "/escaped.txt", "x"); },
     nullptr, RC_WARN, DROPPED, {}},
    {"ServerName", [](ZipArchive& z, const std::string&) { z.add("//server/x", "x"); }, nullptr, RC_WARN, DROPPED,
     {"server/x"}},
    {"DriveLetter", [](ZipArchive& z, const std::string& root) { z.add(backslashes(root) + "\\escaped.txt", "x"); },
     nullptr, RC_WARN, DROPPED, {}},
    {"DriveX", [](ZipArchive& z, const std::string&) { z.add("C:\\x", "x"); }, nullptr, RC_WARN, DROPPED, {}},
    {"BackslashDotDot", [](ZipArchive& z, const std::string&) { z.add("..\\..\\escaped.txt", "x"); }, nullptr,
     RC_WARN, DROPPED, {}},
    {"BackslashInside", [](ZipArchive& z, const std::string&) { z.add("a\\..\\..\\escaped.txt", "x"); }, nullptr,
     RC_WARN, DROPPED, {}},
};
INSTANTIATE_TEST_SUITE_P(Names, HostileArchive, ::testing::ValuesIn(escape_cases),
                         [](const auto& info) { return std::string(info.param.label); });

// Names with nothing to write, and names that are file and directory at once.
const HostileCase name_cases[] = {
    {"EmptyName", [](ZipArchive& z, const std::string&) { z.add("", "x"); z.add("after.txt", "y"); }, nullptr,
     RC_ERR, "conversion of", {"after.txt"}},
    // "/" names the target itself as a directory: nothing to write.
    {"OnlySlash", [](ZipArchive& z, const std::string&) { z.add("/", "x"); z.add("after.txt", "y"); }, nullptr,
     RC_OK, DROPPED, {"after.txt"}},
    {"DirectoryThenFile",
     [](ZipArchive& z, const std::string&) {
         z.add_directory("same/");
         z.add("same", "file");
         z.add("after.txt", "y");
     },
     nullptr, RC_DISK, "cannot create", {"after.txt"}},
    {"FileThenDirectory",
     [](ZipArchive& z, const std::string&) {
         z.add("same", "file");
         z.add_directory("same/");
         z.add("same/inner.txt", "x");
         z.add("after.txt", "y");
     },
     nullptr, RC_ERR, "exists but is not directory", {"same", "after.txt"}},
};
INSTANTIATE_TEST_SUITE_P(Collisions, HostileArchive, ::testing::ValuesIn(name_cases),
                         [](const auto& info) { return std::string(info.param.label); });

// Directories that lie: shared or overlapping data, wrong counts, huge
// sizes, a local header offset that points into the central directory.
const HostileCase directory_cases[] = {
    // The second entry is the first one's local header: the same file is
    // written twice under the local name, which loses nothing.
    {"SharedData",
     [](ZipArchive& z, const std::string&) {
         z.add("first.txt", "shared");
         z.add("second.txt", "other");
         z.entries[1].local_header_offset = 0;
     },
     nullptr, RC_OK, "", {"first.txt"}},
    {"OverlappingEntries",
     [](ZipArchive& z, const std::string&) {
         z.add("outer.bin", std::string(40, 'o'));
         z.add("inner.txt", "inner");
     },
     [](std::string& bytes, const ZipLayout& l) {
         // The first entry claims the second's local header as its data.
         uint32_t size = l.local_offsets[1] + 20 - l.data_offsets[0];
         put_u32(bytes, l.local_offsets[0] + 18, size);
         put_u32(bytes, l.central_offsets[0] + 20, size);
     },
     RC_ERR, "bad CRC", {"outer.bin", "inner.txt"}},
    {"MoreEntriesThanDirectory",
     [](ZipArchive& z, const std::string&) {
         z.add("one.txt", "1");
         z.end.total_entries = 5;
         z.end.entries_this_disk = 5;
     },
     nullptr, RC_BADERR, "expected central file header signature not found", {"one.txt"}},
    {"FewerEntriesThanDirectory",
     [](ZipArchive& z, const std::string&) {
         z.add("one.txt", "1");
         z.add("two.txt", "2");
         z.end.total_entries = 1;
         z.end.entries_this_disk = 1;
     },
     nullptr, RC_WARN, "didn't find end-of-central-dir signature", {"one.txt"}},
    {"CompressedSizeNear4G",
     [](ZipArchive& z, const std::string&) {
         z.add("big.txt", "small").compressed_size = 0xFFFFFFF0u;
         z.add("after.txt", "y");
     },
     nullptr, RC_ERR, "bad CRC", {"after.txt"}},
    {"UncompressedSizeNear4G",
     [](ZipArchive& z, const std::string&) {
         z.add_deflated("big.txt", "small data").uncompressed_size = 0xFFFFFFF0u;
         z.add("after.txt", "y");
     },
     nullptr, RC_OK, "", {"big.txt", "after.txt"}},  // deflate ends by its own marks
    {"ImplodedSizeNear4G",
     [](ZipArchive& z, const std::string&) {
         const std::string text = "imploded text promising four gigabytes\n";
         z.add_raw("big.txt", 6, implode(text, 0), text).uncompressed_size = 0xFFFFFFF0u;
         z.add("after.txt", "y");
     },
     nullptr, RC_ERR, "invalid compressed data for explode format", {"after.txt"}},
    {"ImplodedCompressedSize2G",  // starts below zero: no read may count further down
     [](ZipArchive& z, const std::string&) {
         const std::string text = "imploded text said to be two gigabytes long\n";
         z.add_raw("big.txt", 6, implode(text, 0), text).compressed_size = 0x80000000u;
         z.add("after.txt", "y");
     },
     nullptr, RC_ERR, "invalid compressed data for explode format", {"after.txt"}},
    {"LocalHeaderInCentralDirectory",
     [](ZipArchive& z, const std::string&) {
         z.add("fine.txt", "fine");
         z.add("inside.txt", "x");
     },
     [](std::string& bytes, const ZipLayout& l) { put_u32(bytes, l.central_offsets[1] + 42, l.central_offset); },
     RC_ERR, "local header sig", {"fine.txt"}},
};
INSTANTIATE_TEST_SUITE_P(Directory, HostileArchive, ::testing::ValuesIn(directory_cases),
                         [](const auto& info) { return std::string(info.param.label); });

#ifndef _WIN32
// A Unix entry with symbolic-link mode whose data names a place outside,
// then an entry below it: no link is made, so nothing follows it.
const HostileCase link_cases[] = {
    {"LinkThenEntryBelow",
     [](ZipArchive& z, const std::string& root) {
         ZipEntry& link = z.add("lnk", root);
         link.made_by_host = 3;
         link.external_attributes = 0120777u << 16;
         ZipEntry& below = z.add("lnk/x", "through the link");
         below.made_by_host = 3;
         below.external_attributes = 0100644u << 16;
     },
     nullptr, RC_ERR, "exists but is not directory", {"lnk"}},
};
INSTANTIATE_TEST_SUITE_P(Links, HostileArchive, ::testing::ValuesIn(link_cases),
                         [](const auto& info) { return std::string(info.param.label); });
#endif

}  // namespace
