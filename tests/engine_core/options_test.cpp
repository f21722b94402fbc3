#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/command.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "tests/engine_core/engine_run.h"
#include "tests/support/zip_writer.h"

namespace {

constexpr char CONFLICT_TEXT[] = "error:  -fn or any combination of -c, -l, -p, -t, -u and -v options invalid\n";
constexpr char SYNOPSIS[] = "Usage: unzip [-Z] [-opts[modifiers]] file[.zip] [list] [-x xlist] [-d exdir]\n";

// Parses option words followed by an archive name; the parser's result.
int parse_words(std::vector<std::string> words)
{
    words.insert(words.begin(), "unzip");
    words.push_back("a.zip");
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(words.size());
    char** args = argv.data();
    engine_options = EngineOptions{};
    testing::internal::CaptureStderr();
    int rc = parse_options(argc, args);
    testing::internal::GetCapturedStderr();
    return rc;
}

TEST(ParseOptions, LettersCountsAndNegation)
{
    struct Case { std::vector<std::string> words; int32_t EngineOptions::*field; int32_t value; };
    const Case cases[] = {
        {{"-q-q"}, &EngineOptions::quiet_level, 0},
        {{"-qq"}, &EngineOptions::quiet_level, 2},
        {{"-qqq", "--", "-q"}, &EngineOptions::quiet_level, 2},  // the count survives the word
        {{"-qqq", "--dq"}, &EngineOptions::quiet_level, 2},     // d keeps the count
        {{"-qqq", "---q"}, &EngineOptions::quiet_level, 1},
        {{"-aaa"}, &EngineOptions::text_level, 2},
        {{"-a-b"}, &EngineOptions::text_level, 1},
        {{"-ab"}, &EngineOptions::text_level, 0},
        {{"-lv"}, &EngineOptions::list_level, 2},
        {{"-v"}, &EngineOptions::list_level, 2},
        {{"-vl"}, &EngineOptions::list_level, 3},
        {{"-vv-v"}, &EngineOptions::list_level, 2},
        {{"-z--z"}, &EngineOptions::comment_only, -1},
        {{"-p"}, &EngineOptions::quiet_level, 999},
        {{"-p-p"}, &EngineOptions::quiet_level, 0},
        {{"-p-p"}, &EngineOptions::to_stdout, 0},
        {{"-aap"}, &EngineOptions::text_level, 0},
        {{"-f"}, &EngineOptions::update, 1},
        {{"-f-f"}, &EngineOptions::update, 0},
        {{"-no"}, &EngineOptions::overwrite_all, 0},
        {{"-no"}, &EngineOptions::overwrite_force, 1},
        {{"-oo--o"}, &EngineOptions::overwrite_all, 0},
        {{"-$$"}, &EngineOptions::volume_labels, 2},
        {{"-jUVs"}, &EngineOptions::keep_versions, 1},
        {{"-jUVs-s"}, &EngineOptions::spaces_to_underscore, 0},
        {{"-t"}, &EngineOptions::extracting, 0},
        {{"-c"}, &EngineOptions::extracting, 0},
        {{"-l"}, &EngineOptions::extracting, 0},
        {{"-o"}, &EngineOptions::extracting, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse_words(c.words), 0) << c.words[0];
        EXPECT_EQ(engine_options.*c.field, c.value) << c.words[0];
    }
}

TEST(ParseOptions, ConflictsAndUnknownLettersAreRejected)
{
    for (const char* word : {"-fn", "-ct", "-tu", "-ft", "-pl", "-uv"}) {
        EngineRun run = run_engine({word, "a.zip"});
        EXPECT_EQ(run.result, 10) << word;
        EXPECT_EQ(run.err.rfind(CONFLICT_TEXT, 0), 0u) << word;
        EXPECT_TRUE(run.err.find(SYNOPSIS) != std::string::npos) << word;
        EXPECT_EQ(run.out, "") << word;
    }
    EngineRun run = run_engine({"-k", "a.zip"});
    EXPECT_EQ(run.result, 10);
    EXPECT_TRUE(run.err.find(SYNOPSIS) != std::string::npos);
    EXPECT_TRUE(run.err.find("error:") == std::string::npos);
}

TEST(ParseOptions, NoArchiveShowsUsageOnStandardOutput)
{
    for (std::vector<std::string> args : {std::vector<std::string>{}, std::vector<std::string>{"-q"}}) {
        EngineRun run = run_engine(args);
        EXPECT_EQ(run.result, 0);
        EXPECT_TRUE(run.out.find(SYNOPSIS) != std::string::npos);
        EXPECT_EQ(run.err, "");
    }
}

TEST(ParseOptions, NeverAndOverwriteTogetherWarn)
{
    ScratchDirectory scratch("no");
    ZipArchive zip;
    zip.add("f.txt", "new");
    ASSERT_TRUE(zip.write_file("t.zip"));
    ASSERT_TRUE(write_bytes("f.txt", "old"));
    EngineRun run = run_engine({"-qq", "-no", "t.zip"});
    EXPECT_EQ(run.err.rfind("caution:  both -n and -o specified; ignoring -o\n", 0), 0u);
    EXPECT_EQ(read_bytes("f.txt"), "old");
}

// Selection state after the arguments that follow the archive name.
struct SelectionCase {
    std::vector<std::string> args;
    int process_all;
    std::vector<std::string> include;
    int include_count;
    std::vector<std::string> exclude;
    const char* message;
};

std::vector<std::string> pattern_list(char** list, int count)
{
    std::vector<std::string> result;
    for (int i = 0; list != nullptr && list[i] != nullptr && i < 8; ++i)
        result.push_back(list[i]);
    if (count == 0 && list != nullptr && list[0] != nullptr && std::string(list[0]) == "*")
        return {"*"};
    return result;
}

TEST(EngineMain, ArgumentsAfterTheArchiveName)
{
    const SelectionCase cases[] = {
        {{"-v", "none.zip"}, 1, {"*"}, 0, {}, ""},
        {{"none.zip", "-d", "out"}, 1, {"*"}, 0, {}, ""},
        {{"none.zip", "-d", "out", "a", "b"}, 0, {"a", "b"}, 2, {}, ""},
        {{"none.zip", "a", "-d", "out", "b"}, 0, {"a"}, 1, {}, ""},
        {{"none.zip", "-x", "p"}, 0, {"*"}, 0, {"p"}, ""},
        {{"none.zip", "a", "b", "-x", "c"}, 0, {"a", "b"}, 2, {"c"}, ""},
        {{"none.zip", "-d", "out", "-x", "c"}, 0, {"*"}, 0, {"c"}, ""},
        {{"none.zip", "-x", "c", "-d", "out"}, 0, {"*"}, 0, {"c"}, ""},
        {{"none.zip", "a", "-d"}, 0, {"a"}, 1, {}, "error:  must specify directory to which to extract with -d option\n"},
        {{"-l", "none.zip", "-d", "out"}, 1, {"*"}, 0, {}, "caution:  not extracting; -d ignored\n"},
        {{"none.zip", "-dpath"}, 0, {"-dpath"}, 1, {}, ""},
        {{"-v", "dir\\none.zip", "a\\b"}, 0, {"a/b"}, 1, {}, ""},
    };
    for (const SelectionCase& c : cases) {
        ScratchDirectory scratch("selection");
        EngineRun run = run_engine(c.args);
        EXPECT_EQ(run.result, 9) << c.args[1];
        EXPECT_EQ(process_all, c.process_all) << c.args[1];
        EXPECT_EQ(pattern_list(include_patterns, include_count), c.include) << c.args[1];
        EXPECT_EQ(include_count, c.include_count) << c.args[1];
        EXPECT_EQ(pattern_list(exclude_count ? exclude_patterns : nullptr, exclude_count), c.exclude) << c.args[1];
        EXPECT_EQ(exclude_count, static_cast<int>(c.exclude.size())) << c.args[1];
        if (*c.message) {
            EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << c.args[1] << run.err;
        }
    }
}

TEST(EngineMain, InstallerCallsSetTheirOptions)
{
    ScratchDirectory scratch("installer_calls");
    EngineRun run = run_engine({"-v", "none.zip"});
    EXPECT_EQ(engine_options.list_level, 2);
    EXPECT_EQ(engine_options.extracting, 0);
    EXPECT_EQ(process_all, 1);
    EXPECT_STREQ(archive_spec, "none.zip");

    run = run_engine({"-qq", "-j", "none.zip", "OPTIONS/STANDARD.QPA", "-d", "target"});
    EXPECT_EQ(engine_options.quiet_level, 2);
    EXPECT_EQ(engine_options.junk_paths, 1);
    EXPECT_EQ(engine_options.extracting, 1);
    EXPECT_TRUE(create_directories);
    EXPECT_EQ(include_count, 1);
    EXPECT_STREQ(include_patterns[0], "OPTIONS/STANDARD.QPA");
    EXPECT_EQ(include_patterns[1], nullptr);
    EXPECT_EQ(run.argv[5], nullptr);  // the slot that held "-d"
}

TEST(EngineMain, EveryCallStartsWithClearedOptions)
{
    ScratchDirectory scratch("cleared");
    run_engine({"-o", "-s", "-a", "none.zip"});
    EXPECT_EQ(engine_options.overwrite_all, 1);
    EXPECT_EQ(engine_options.spaces_to_underscore, 1);
    run_engine({"none.zip"});
    EXPECT_EQ(engine_options.overwrite_all, 0);
    EXPECT_EQ(engine_options.overwrite_force, 0);
    EXPECT_EQ(engine_options.spaces_to_underscore, 0);
    EXPECT_EQ(engine_options.text_level, 0);
}

}  // namespace
