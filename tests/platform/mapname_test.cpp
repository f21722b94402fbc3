// Entry names to output paths: mapping rules, the extraction root, directory
// creation, the limits, and names that try to leave the extraction root.
#include <gtest/gtest.h>

#include <string>

#include "platform_fixture.h"

namespace {

using MapName = ScratchDirTest;

struct MapCase {
    const char* name;
    const char* expected;  // output path under the root "out/"
    int result;
};

TEST_F(MapName, NamesUnderTheRoot)
{
    const MapCase cases[] = {
        {"plain.txt", "out/plain.txt", PATH_OK},
        {"a/b/c.txt", "out/a/b/c.txt", PATH_OK},
        {"a\\b\\c.txt", "out/a/b/c.txt", PATH_OK},  // backslashes separate too
        {"a/./b//c.txt", "out/a/b/c.txt", PATH_OK},
        {"ab:c.txt", "out/ab_c.txt", PATH_OK},
        {"ab\x16:c.txt", "out/ab:c.txt", PATH_OK},  // Ctrl-V keeps the ':'
        {"x\x01y\x7fz\xff.txt", "out/xyz.txt", PATH_OK},
        {"\xe4rger.txt", "out/\xe4rger.txt", PATH_OK},
        {"a b.txt", "out/a b.txt", PATH_OK},
        {"readme;1", "out/readme", PATH_OK},
        {"readme;", "out/readme", PATH_OK},
        {"a;b", "out/a;b", PATH_OK},
        {"v;12;3", "out/v;12", PATH_OK},
        {"d;1/f", "out/d;1/f", PATH_OK},  // only the last component loses a version
        {"...x", "out/...x", PATH_OK},
    };
    ASSERT_EQ(set_root("out"), PATH_OK);
    for (const MapCase& c : cases) {
        EXPECT_EQ(map(c.name), c.result) << c.name;
        EXPECT_STREQ(entry_name, c.expected) << c.name;
    }
    EXPECT_TRUE(is_dir("out/a/b"));
    EXPECT_TRUE(is_dir("out/d;1"));
}

TEST_F(MapName, OptionsSpacesAndVersions)
{
    struct OptionCase {
        int spaces_to_underscore;
        int keep_versions;
        const char* name;
        const char* expected;
    };
    const OptionCase cases[] = {
        {1, 0, "a b/c d.txt", "out/a_b/c_d.txt"},
        {0, 1, "readme;1", "out/readme;1"},
        {0, 1, "v;12;3", "out/v;12;3"},
    };
    ASSERT_EQ(set_root("out/"), PATH_OK);
    for (const OptionCase& c : cases) {
        engine_options.spaces_to_underscore = c.spaces_to_underscore;
        engine_options.keep_versions = c.keep_versions;
        EXPECT_EQ(map(c.name), PATH_OK) << c.name;
        EXPECT_STREQ(entry_name, c.expected) << c.name;
    }
}

// No name may write outside the root: absolute prefixes and parent
// references are dropped with a warning and result 1.
TEST_F(MapName, UnsafeComponentsStayBeneathTheRoot)
{
    const MapCase cases[] = {
        {"../evil.txt", "out/evil.txt", PATH_TRUNCATED},
        {"a/../../b.txt", "out/a/b.txt", PATH_TRUNCATED},
        {"a\\..\\..\\b.txt", "out/a/b.txt", PATH_TRUNCATED},
        {"/etc/passwd", "out/etc/passwd", PATH_TRUNCATED},
        {"//server/share/x", "out/server/share/x", PATH_TRUNCATED},
        {"\\\\server\\share\\x", "out/server/share/x", PATH_TRUNCATED},
        {"C:/windows/x.dll", "out/windows/x.dll", PATH_TRUNCATED},
        {"C:x.dll", "out/x.dll", PATH_TRUNCATED},  // drive-relative on Windows
        {".. /x", "out/x", PATH_TRUNCATED},  // Windows trims it to ".."
        {"a/..../x", "out/a/x", PATH_TRUNCATED},
        {".\x01./x", "out/x", PATH_TRUNCATED},       // ".." once the control character goes
        {"\x16.\x16./x", "out/x", PATH_TRUNCATED},  // quoting does not hide ".."
        {"..\x16/..\x16/x", "out/.._.._x", PATH_OK},  // a quoted '/' splits nothing
        {"\x16/etc", "out/_etc", PATH_OK},
    };
    ASSERT_EQ(set_root("out"), PATH_OK);
    for (const MapCase& c : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(map(c.name), c.result) << c.name;
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_STREQ(entry_name, c.expected) << c.name;
        if (c.result == PATH_TRUNCATED) {
            EXPECT_NE(err.find("dropped from"), std::string::npos) << c.name;
        } else {
            EXPECT_EQ(err, "") << c.name;
        }
    }
    EXPECT_FALSE(exists("server"));
    EXPECT_FALSE(exists("windows"));
    EXPECT_TRUE(is_dir("out/server/share"));
}

TEST_F(MapName, NamesThatLeaveNothingToWrite)
{
    const MapCase cases[] = {
        {"..", "", PATH_FAILED},
        {"a/..", "", PATH_FAILED},
        {"x/..;1", "", PATH_FAILED},  // the version cut leaves ".."
        {".", "", PATH_FAILED},
        {"../", "out/", PATH_SKIP},  // a directory entry of nothing
    };
    ASSERT_EQ(set_root("out"), PATH_OK);
    for (const MapCase& c : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(map(c.name), c.result) << c.name;
        std::string err = ::testing::internal::GetCapturedStderr();
        if (c.result == PATH_FAILED) {
            EXPECT_NE(err.find("mapname:  conversion of " + std::string(c.name) + " failed\n"), std::string::npos);
        } else {
            EXPECT_STREQ(entry_name, c.expected);
        }
    }
    EXPECT_EQ(path_builder.long_path, nullptr);  // released on every exit
}

TEST_F(MapName, WithoutRootNamesStayInTheCurrentDirectory)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(map("../up.txt"), PATH_TRUNCATED);
    ::testing::internal::GetCapturedStderr();
    EXPECT_STREQ(entry_name, "up.txt");
    EXPECT_EQ(map("d/f.txt"), PATH_OK);
    EXPECT_STREQ(entry_name, "d/f.txt");
    EXPECT_TRUE(is_dir("d"));
}

TEST_F(MapName, DirectoryEntriesCreateLevelByLevel)
{
    ASSERT_EQ(set_root("out"), PATH_OK);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(map("d1/d2/d3/"), PATH_DIR_CREATED);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "   creating: out/d1/d2/d3/         \n");
    EXPECT_TRUE(is_dir("out/d1/d2/d3"));

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(map("d1/d2/d3/"), PATH_SKIP);  // all there already: silent
    EXPECT_EQ(map("d1/d2/d4/"), PATH_DIR_CREATED);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "   creating: out/d1/d2/d4/         \n");

    engine_options.quiet_level = 1;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(map("q/"), PATH_SKIP);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(is_dir("out/q"));
}

TEST_F(MapName, JunkPathsDropsTheDirectoryPart)
{
    engine_options.junk_paths = 1;
    ASSERT_EQ(set_root("out"), PATH_OK);
    EXPECT_EQ(map("dir/sub/file.txt"), PATH_OK);
    EXPECT_STREQ(entry_name, "out/file.txt");
    EXPECT_EQ(map("dir\\sub\\other.txt"), PATH_OK);
    EXPECT_STREQ(entry_name, "out/other.txt");
    EXPECT_EQ(map("dir/sub/"), PATH_SKIP);
    EXPECT_FALSE(exists("out/dir"));

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(map("dir/.."), PATH_FAILED);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("mapname:  conversion of dir/.. failed"), std::string::npos);
}

TEST_F(MapName, FreshenCreatesNoDirectories)
{
    ASSERT_EQ(set_root("out"), PATH_OK);
    engine_options.freshen = 1;
    EXPECT_EQ(map("new/file.txt"), PATH_SKIP);
    EXPECT_FALSE(exists("out/new"));
    EXPECT_EQ(map("file.txt"), PATH_OK);
    EXPECT_STREQ(entry_name, "out/file.txt");
}

TEST_F(MapName, FileWhereADirectoryIsNeeded)
{
    ASSERT_EQ(set_root("out"), PATH_OK);
    make_file("out/blocker");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(map("blocker/file.txt"), PATH_FAILED);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "checkdir error:  out/blocker exists but is not directory\n"
              "                 unable to process blocker/file.txt.\n");
    EXPECT_EQ(path_builder.long_path, nullptr);
}

TEST_F(MapName, DirectoryPartLongerThanTheLimit)
{
    ASSERT_EQ(set_root("out"), PATH_OK);  // "out/" takes 4 characters
    std::string dir(255, 'd');            // 4 + 255 = 259 > 258
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(map(dir + "/f"), PATH_TOO_LONG);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "checkdir error:  path too long: out/" + dir + "\n");
    EXPECT_FALSE(exists("out/" + dir));

    // Windows cannot create it below a scratch directory (MAX_PATH).
    if (!DRIVE_LETTERS) {
        std::string fits(254, 'e');  // exactly 258 characters
        EXPECT_EQ(map(fits + "/f"), PATH_OK);
        EXPECT_EQ(std::string(entry_name), "out/" + fits + "/f");
    }
}

TEST_F(MapName, LongNameIsCutAt260Characters)
{
    ASSERT_EQ(set_root("out"), PATH_OK);
    std::string name(259, 'n');  // "out/" + 259 = 263: three characters too many
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(map(name), PATH_OK);  // the cut is reported, not passed on
    std::string err = ::testing::internal::GetCapturedStderr();
    std::string expected_path = "out/" + std::string(256, 'n');
    // Windows refuses the long name below the scratch directory and maps it.
    if (!DRIVE_LETTERS) {
        EXPECT_EQ(std::string(entry_name), expected_path);
    }
    std::string warning = "checkdir warning:  path too long; truncating\n                   " + name +
                          "\n                -> " + expected_path + "\n";
    EXPECT_EQ(err, warning + warning + warning);
}

TEST_F(MapName, VolumeLabelWithoutOptionIsNotApplied)
{
    entry_.is_volume_label = 1;
    ASSERT_EQ(set_root("out"), PATH_OK);
    EXPECT_EQ(map("MYDISK"), PATH_VOLUME_LABEL);
    EXPECT_STREQ(entry_name, "MYDISK");
    EXPECT_EQ(path_builder.long_path, nullptr);
}

struct RootCase {
    const char* directory;
    bool may_create;
    int result;
    const char* root;  // nullptr: no root
};

TEST_F(MapName, ExtractionRoot)
{
    make_file("plainfile");
    ASSERT_TRUE(std::filesystem::create_directory("exists"));
    const RootCase cases[] = {
        {"exists", true, PATH_OK, "exists/"},
        {"exists/", true, PATH_OK, "exists/"},
        {"", true, PATH_OK, nullptr},
        {"created", true, PATH_OK, "created/"},
        {"missing", false, PATH_SKIP, nullptr},
        {"no/parent", true, PATH_FAILED, nullptr},
        {"plainfile", true, PATH_FAILED, nullptr},
        {"/", true, PATH_OK, "/"},
    };
    for (const RootCase& c : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(set_root(c.directory, c.may_create), c.result) << c.directory;
        std::string err = ::testing::internal::GetCapturedStderr();
        if (c.root == nullptr) {
            EXPECT_EQ(path_builder.root_length, 0) << c.directory;
        } else {
            ASSERT_NE(path_builder.root, nullptr) << c.directory;
            EXPECT_STREQ(path_builder.root, c.root);
            EXPECT_EQ(path_builder.root_length, static_cast<int>(std::strlen(c.root)));
        }
        if (c.result == PATH_FAILED) {
            EXPECT_EQ(err, "checkdir:  can't create extraction directory: " + std::string(c.directory) + "\n");
        }
        checkdir(nullptr, FREE_ROOT);
        EXPECT_EQ(path_builder.root_length, 0);
    }
    EXPECT_TRUE(is_dir("created"));
    EXPECT_FALSE(exists("missing"));
}

TEST_F(MapName, RootTooLongIsRefused)
{
    std::string directory(300, 'r');
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(set_root(directory.c_str()), PATH_FAILED);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "checkdir error:  path too long: " + directory + "\n");
    EXPECT_EQ(path_builder.root_length, 0);
}

TEST(MapAttributes, LowByteWithArchiveBit)
{
    struct Case { uint32_t external; int32_t attributes; };
    const Case cases[] = {
        {0x00000000u, 0x20},
        {0x00000001u, 0x21},
        {0x81A40003u, 0x23},  // high bits (Unix mode) are ignored
        {0x000000FFu, 0xFF},
    };
    CurrentEntry& entry = entry_block[0];
    current_entry = &entry;
    for (const Case& c : cases) {
        central_header.external_attributes = c.external;
        map_attributes();
        EXPECT_EQ(entry.file_attributes, c.attributes) << std::hex << c.external;
    }
}

TEST(FatNames, EightDotThreeMapping)
{
    struct Case { const char* component; const char* mapped; };
    const Case cases[] = {
        {"index.html", "index.htm"},
        {"abcdefghij.txt", "abcdefgh.txt"},
        {"verylongfilename", "verylong"},
        {"verylongfile_name", "verylong.nam"},
        {"long_name", "long_nam"},
        {"abcdefghi_jk", "abcdefgh.jk"},
        {"a.b.c", "a_b.c"},
        {"x.y.z.longext", "x_y_z.lon"},
        {".exrc", "_.exr"},
        {".p1.p2", "_p1.p2"},
        {"[x].y", "_x_.y"},
        {"..", ".."},
        {".", ""},
        {"short.c", "short.c"},
    };
    for (const Case& c : cases) {
        char buffer[32] = "pre/";
        char* end = map_to_fat_name(c.component, buffer + 4, buffer + sizeof buffer);
        EXPECT_EQ(std::string(buffer), "pre/" + std::string(c.mapped)) << c.component;
        EXPECT_EQ(end, buffer + 4 + std::strlen(c.mapped));
    }
}

TEST(FatNames, NeverWritesPastTheLimit)
{
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    char* end = map_to_fat_name("abcdefgh.txt", buffer, buffer + 5);
    EXPECT_EQ(end, buffer + 4);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], '#');

    // Components are at most 260 characters; anything beyond is not read.
    char big[300];
    map_to_fat_name((std::string(200, 'z') + ".ext").c_str(), big, big + sizeof big);
    EXPECT_STREQ(big, "zzzzzzzz.ext");
    map_to_fat_name((std::string(1000, 'z') + ".ext").c_str(), big, big + sizeof big);
    EXPECT_STREQ(big, "zzzzzzzz");
}

}  // namespace
