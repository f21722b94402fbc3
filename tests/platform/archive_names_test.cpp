// Expansion of wildcard archive names by directory scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform_fixture.h"

namespace {

class ArchiveNames : public ScratchDirTest {
protected:
    // Every name next_archive_name hands out for spec, until it ends.
    static std::vector<std::string> expand(const char* spec)
    {
        std::vector<std::string> names;
        for (int guard = 0; guard < 100; ++guard) {
            const char* name = next_archive_name(spec);
            if (name == nullptr)
                break;
            names.push_back(name);
        }
        return names;
    }

    static std::vector<std::string> sorted(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ArchiveNames, Expansion)
{
    ASSERT_TRUE(std::filesystem::create_directory("arch"));
    make_file("arch/one.fil");
    make_file("arch/Two.FIL");
    make_file("arch/three.txt");
    make_file("top.zip");

    struct Case {
        const char* spec;
        std::vector<std::string> names;  // in any order
    };
    const Case cases[] = {
        {"arch/*.fil", {"arch/Two.FIL", "arch/one.fil"}},
        {"arch/ONE.FIL", {"arch/one.fil"}},  // spelled as the directory has it
        {"arch/*.zip", {"arch/*.zip"}},      // no match: the pattern once
        {"nowhere/*.fil", {"nowhere/*.fil"}},
        {"*.zip", {"top.zip"}},  // no directory part: the bare name
        {"missing.zip", {"missing.zip"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sorted(expand(c.spec)), c.names) << c.spec;
}

TEST_F(ArchiveNames, NameTooLongForTheResultIsSkipped)
{
    if (DRIVE_LETTERS)
        GTEST_SKIP() << "paths this long exceed MAX_PATH below the scratch directory";
    // Directory part and name fill 264 bytes with the room for ".zip".
    std::string dir(120, 'd');
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    std::string long_name(140, 'n');
    std::string short_name = "n.fil";
    make_file(dir + "/" + long_name);
    make_file(dir + "/" + short_name);
    std::string spec = dir + "/n*";
    // The long name would make 121 + 140 + 4 + 1 = 266 bytes.
    EXPECT_EQ(expand(spec.c_str()), std::vector<std::string>{dir + "/" + short_name});
}

TEST_F(ArchiveNames, StartsAfreshAfterTheEnd)
{
    make_file("a.zip");
    EXPECT_STREQ(next_archive_name("a.zip"), "a.zip");
    EXPECT_EQ(next_archive_name("a.zip"), nullptr);
    EXPECT_STREQ(next_archive_name("b.zip"), "b.zip");
    EXPECT_EQ(next_archive_name("b.zip"), nullptr);
    EXPECT_STREQ(next_archive_name("A.ZIP"), "a.zip");
    EXPECT_EQ(next_archive_name("A.ZIP"), nullptr);
}

}  // namespace
