// Shrunk and reduced entries from real archives of the DOS era, and our test
// shrinker checked against an independent decoder (7-Zip, where installed).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <filesystem>

#include "engine/decompress/decompress.h"
#include "engine/engine.h"
#include "engine/records.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/reduce_encoder.h"
#include "tests/support/shrink_encoder.h"
#include "tests/support/legacy_fixtures.h"
#include "tests/support/seven_zip.h"
#include "tests/support/zip_writer.h"

namespace {


struct Archive {
    const char* file;
    int legacy_entries;  // shrunk or reduced entries in it
};

class LegacyArchive : public ::testing::TestWithParam<Archive> {};

TEST_P(LegacyArchive, EveryShrunkAndReducedEntryHasItsStoredCrc)
{
    std::string zip = legacy_fixture(GetParam().file);
    ASSERT_FALSE(zip.empty()) << GetParam().file;
    int tested = 0;
    for (const RawEntry& e : local_entries(zip)) {
        if (e.method < METHOD_SHRUNK || e.method > METHOD_REDUCED4)
            continue;
        int (*decoder)() = e.method == METHOD_SHRUNK ? unshrink_entry : unreduce_entry;
        DecoderRun run = run_decoder(decoder, e.data, e.size, e.flags, e.method);
        EXPECT_EQ(run.result, 0) << e.name;
        EXPECT_EQ(run.output.size(), e.size) << e.name;
        EXPECT_EQ(run.crc, e.crc) << e.name << " method " << e.method;
        EXPECT_EQ(reference_crc32(run.output), e.crc) << e.name;
        ++tested;
    }
    EXPECT_EQ(tested, GetParam().legacy_entries);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LegacyArchive,
                         ::testing::Values(Archive{"cc_SHRUNK.ZIP", 2}, Archive{"sc_Zip.shrink.zip", 2},
                                           Archive{"sc_Zip.reduce1.zip", 3}, Archive{"sc_Zip.reduce2.zip", 3},
                                           Archive{"sc_Zip.reduce3.zip", 3}, Archive{"sc_Zip.reduce4.zip", 3}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// ---- The same methods through the whole engine.

struct EngineRun {
    int result = 0;
    std::string out, err;
};

EngineRun run_engine(std::vector<std::string> words)
{
    words.insert(words.begin(), "unzip");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    EngineRun run;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run.result = engine_main(static_cast<int>(words.size()), argv.data());
    run.err = ::testing::internal::GetCapturedStderr();
    run.out = ::testing::internal::GetCapturedStdout();
    return run;
}

TEST(LegacyEngine, TestsTheFixtureArchives)
{
    for (const char* name : {"cc_SHRUNK.ZIP", "sc_Zip.shrink.zip", "sc_Zip.reduce1.zip", "sc_Zip.reduce2.zip",
                             "sc_Zip.reduce3.zip", "sc_Zip.reduce4.zip"}) {
        EngineRun run = run_engine({"-t", std::string(QEL_SHARED_FIXTURE_DIR) + "/legacy/" + name});
        EXPECT_EQ(run.result, 0) << name << run.out << run.err;
        EXPECT_NE(run.out.find("No errors detected"), std::string::npos) << name << run.out;
    }
}

// An archive with a shrunk entry and one entry of each reduction factor.
ZipArchive legacy_archive(const std::string& text, const std::string& binary)
{
    ZipArchive zip;
    zip.add_raw("SHRUNK.TXT", METHOD_SHRUNK, shrink(text, {{20000}, {}, false}).compressed, text)
        .internal_attributes = 1;
    for (int factor = 1; factor <= 4; ++factor)
        zip.add_raw("REDUCED" + std::to_string(factor) + ".BIN", static_cast<uint16_t>(factor + 1),
                    reduce(binary, factor).compressed, binary);
    return zip;
}

TEST(LegacyEngine, ListsTestsAndExtractsEveryMethod)
{
    std::string text = sample_text(70000, 70);
    std::string binary = sample_noise(3000, 71) + sample_text(40000, 72) + sample_noise(3000, 71);
    std::string dir = ::testing::TempDir() + "qel_legacy_engine";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string archive = dir + "/LEGACY.ZIP";
    ZipArchive zip = legacy_archive(text, binary);
    ASSERT_TRUE(zip.write_file(archive));

    EngineRun listing = run_engine({"-v", archive});
    EXPECT_EQ(listing.result, 0) << listing.err;
    for (const char* method : {"Shrunk", "Reduce1", "Reduce2", "Reduce3", "Reduce4"})
        EXPECT_NE(listing.out.find(method), std::string::npos) << method << "\n" << listing.out;

    EngineRun test = run_engine({"-t", archive});
    EXPECT_EQ(test.result, 0) << test.out << test.err;

    std::string out_dir = dir + "/out";
    EngineRun extract = run_engine({"-qq", "-o", archive, "-d", out_dir});
    EXPECT_EQ(extract.result, 0) << extract.err;
    // Names of entries made on MS-DOS come out in lower case.
    EXPECT_TRUE(read_bytes(out_dir + "/shrunk.txt") == text);
    for (int factor = 1; factor <= 4; ++factor)
        EXPECT_TRUE(read_bytes(out_dir + "/reduced" + std::to_string(factor) + ".bin") == binary) << factor;

    // A damaged shrunk entry is reported through its CRC.
    std::string bytes = zip.build();
    bytes[zip.layout.data_offsets[0] + 500] ^= 0x21;
    ASSERT_TRUE(write_bytes(archive, bytes));
    EngineRun damaged = run_engine({"-t", archive});
    EXPECT_NE(damaged.result, 0);
    EXPECT_NE((damaged.out + damaged.err).find("bad CRC"), std::string::npos) << damaged.out << damaged.err;
    std::filesystem::remove_all(dir);
}

// ---- Agreement with 7-Zip, which decodes shrunk (not reduced) entries.

struct ShrinkCase {
    const char* name;
    std::string input;
    ShrinkOptions options;
    int min_clears_with_holes = 0;
};

class ShrinkerAgainst7Zip : public ::testing::TestWithParam<ShrinkCase> {};

TEST_P(ShrinkerAgainst7Zip, ArchiveTestsClean)
{
    if (!have_7zip())
        GTEST_SKIP() << "7zz not installed";
    const ShrinkCase& c = GetParam();
    ShrunkData data = shrink(c.input, c.options);
    EXPECT_GE(data.stats.clears_with_holes, c.min_clears_with_holes);
    ZipArchive zip;
    zip.add_raw("DATA.BIN", METHOD_SHRUNK, data.compressed, c.input);
    EXPECT_TRUE(seven_zip_accepts(zip.build(), c.name));

    // The check itself is not blind: a wrong CRC is refused.
    zip.entries[0].crc32 = data.crc ^ 1u;
    EXPECT_FALSE(seven_zip_accepts(zip.build(), std::string(c.name) + "_bad"));
}

std::vector<ShrinkCase> shrink_cases()
{
    return {
        {"special_case", std::string(5000, 'a') + "ab", {}},
        {"widening", sample_text(20000, 3), {{}, {50, 60}, false}},
        {"partial_clear", sample_text(8000, 5), {{3000}, {}, false}},
        // Clears while assigned entries lie above the lowest free one: only a
        // clear over the whole table agrees with 7-Zip.
        {"clears_with_holes", sample_text(30000, 6), {{2000, 2600, 9000, 9100, 20000}, {}, false}, 2},
        {"full_table", sample_noise(14000, 7) + sample_text(4000, 7), {}},
        {"clear_whenever_full", sample_noise(30000, 8) + sample_text(30000, 8), {{}, {}, true}},
    };
}

INSTANTIATE_TEST_SUITE_P(Streams, ShrinkerAgainst7Zip, ::testing::ValuesIn(shrink_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
