#include <gtest/gtest.h>

#include "engine/options.h"

namespace {

struct WildcardCase {
    const char* name;
    const char* pattern;
    bool ignore_case;
    bool matches;
};

TEST(MatchWildcard, PatternTable)
{
    const WildcardCase cases[] = {
        // literal and case folding
        {"readme.txt", "readme.txt", false, true},
        {"readme.txt", "*.TXT", true, true},
        {"ReadMe.txt", "*.TXT", false, false},
        {"README.TXT", "readme.txt", true, true},
        {"abc", "ab", false, false},
        {"ab", "abc", false, false},
        // ? and *
        {"", "*", false, true},
        {"", "?", false, false},
        {"a", "?", false, true},
        {"abc", "a*c", false, true},
        {"ac", "a*c", false, true},
        {"abcbc", "a*bc", false, true},
        {"abcd", "a*c", false, false},
        {"a", "a*b", false, false},
        {"dir/sub/file.txt", "dir/*", false, true},
        {"x.y.z", "*.*.*", false, true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false, false},
        // sets
        {"bx", "[a-c]x", false, true},
        {"bx", "[!a-c]x", false, false},
        {"dx", "[!a-c]x", false, true},
        {"dx", "[^a-c]x", false, true},
        {"-", "[-a]", false, true},
        {"a", "[-a]", false, true},
        {"b", "[-a]", false, false},
        {"b", "[c-a]", false, false},
        {"a", "[a-]", false, false},
        {"-", "[a-]", false, false},
        {"]", "[\\]]", false, true},
        {"B", "[a-c]", true, true},
        {"B", "[a-c]", false, false},
        {"a", "[abc", false, false},
        {"", "[a]", false, false},
        {"\xE9", "[\xE0-\xEF]", false, true},
        // backslash
        {"a*", "a\\*", false, true},
        {"ab", "a\\*", false, false},
        {"a", "a\\", false, false},
    };
    for (const WildcardCase& c : cases)
        EXPECT_EQ(match_wildcard(c.name, c.pattern, c.ignore_case), c.matches)
            << "name \"" << c.name << "\" pattern \"" << c.pattern << "\" ignore_case " << c.ignore_case;
}

}  // namespace
