#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/decompress/decompress.h"
#include "engine/engine.h"
#include "engine/records.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/implode_encoder.h"
#include "tests/support/legacy_fixtures.h"
#include "tests/support/sample_data.h"
#include "tests/support/seven_zip.h"
#include "tests/support/zip_writer.h"

namespace {

// Text with stretches of noise, in the proportions these tests were tuned for.
std::string mixed_bytes(size_t size)
{
    return ::mixed_bytes(size, 3000, 9000);
}

struct Variant {
    const char* name;
    uint16_t flags;
};
const Variant variants[] = {
    {"4K two trees", implode_flags(false, false)},
    {"8K two trees", implode_flags(true, false)},
    {"4K three trees", implode_flags(false, true)},
    {"8K three trees", implode_flags(true, true)},
};

DecoderRun explode(const std::string& raw, size_t size, uint16_t flags)
{
    compressed_used = -12345;  // shows whether the decoder set it
    return run_decoder(explode_entry, raw, static_cast<uint32_t>(size), flags, METHOD_IMPLODED);
}

std::string imploded_tokens(const std::vector<ImplodeToken>& tokens, uint16_t flags)
{
    return implode_tokens(tokens, flags, implode_trees(tokens, flags));
}

// ---- Round trips through the test imploder ----

TEST(ExplodeRoundTrip, EveryVariantGivesTheInputBack)
{
    struct Kind {
        const char* name;
        std::string (*make)(size_t);
    };
    const Kind kinds[] = {
        {"random", [](size_t n) { return random_bytes(n); }},
        {"text", [](size_t n) { return text_bytes(n); }},
        {"mixed", mixed_bytes},
        {"zeros", [](size_t n) { return std::string(n, '\0'); }},
    };
    const size_t sizes[] = {1, 100, 5000, 32768, 40000, 300000};
    for (const Variant& v : variants) {
        for (const Kind& kind : kinds) {
            for (size_t size : sizes) {
                SCOPED_TRACE(std::string(v.name) + ", " + kind.name + ", size " + std::to_string(size));
                std::string data = kind.make(size);
                DecoderRun run = explode(implode(data, v.flags), size, v.flags);
                ASSERT_EQ(run.result, 0);
                ASSERT_TRUE(run.output == data);
                EXPECT_EQ(run.crc, zip_crc32(data));
            }
        }
    }
}

TEST(ExplodeRoundTrip, SevenZipAgreesWithTheTestImploder)
{
    if (!have_7zip())
        GTEST_SKIP() << "7zz not installed: the imploder is not checked against 7-Zip";
    std::string data = mixed_bytes(70000) + std::string(400, 'q') + text_bytes(2000);
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        ZipArchive zip;
        zip.add_raw("DATA.BIN", METHOD_IMPLODED, implode(data, v.flags), data).flags = v.flags;
        EXPECT_TRUE(seven_zip_accepts(zip.build(), std::to_string(v.flags)));
        // The check is not blind: a wrong CRC is refused.
        zip.entries[0].crc32 = zip_crc32(data) ^ 1u;
        EXPECT_FALSE(seven_zip_accepts(zip.build(), std::to_string(v.flags) + "_bad"));
    }
}

// ---- Hand-made token streams ----

TEST(ExplodeStreams, MatchLengthsDistancesAndZeroFill)
{
    const uint16_t two_4k = implode_flags(false, false), two_8k = implode_flags(true, false);
    const uint16_t three_4k = implode_flags(false, true), three_8k = implode_flags(true, true);
    std::string far_4k = random_bytes(4096, 21), far_8k = random_bytes(8192, 22);
    auto literals = [](const std::string& s) {
        std::vector<ImplodeToken> tokens;
        for (char c : s)
            tokens.push_back(literal_token(static_cast<uint8_t>(c)));
        return tokens;
    };
    auto plus = [](std::vector<ImplodeToken> tokens, std::vector<ImplodeToken> more) {
        tokens.insert(tokens.end(), more.begin(), more.end());
        return tokens;
    };
    struct Case {
        const char* name;
        uint16_t flags;
        std::vector<ImplodeToken> tokens;
        std::string output;
    };
    const Case cases[] = {
        {"length code 0 is 2 bytes without a literal tree", two_4k,
         plus(literals("ab"), {match_token(2, 2)}), "abab"},
        {"length code 0 is 3 bytes with a literal tree", three_4k,
         plus(literals("abc"), {match_token(3, 3)}), "abcabc"},
        {"length code 63, longest without a literal tree", two_4k,
         plus(literals("z"), {match_token(320, 1)}), std::string(321, 'z')},
        {"length code 63, longest with a literal tree", three_8k,
         plus(literals("z"), {match_token(321, 1)}), std::string(322, 'z')},
        {"length code 63 with extra 0", two_8k, plus(literals("z"), {match_token(65, 1)}),
         std::string(66, 'z')},
        {"match at the very start reads zeros", two_4k,
         plus({match_token(5, 10)}, literals("x")), std::string(5, '\0') + "x"},
        {"match partly before the first byte", three_4k,
         plus(literals("ab"), {match_token(4, 5)}), std::string("ab\0\0\0a", 6)},
        {"farthest distance, 4K", two_4k, plus(literals(far_4k), {match_token(10, 4096)}),
         far_4k + far_4k.substr(0, 10)},
        {"farthest distance, 8K", three_8k, plus(literals(far_8k), {match_token(10, 8192)}),
         far_8k + far_8k.substr(0, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecoderRun run = explode(imploded_tokens(c.tokens, c.flags), c.output.size(), c.flags);
        EXPECT_EQ(run.result, 0);
        EXPECT_TRUE(run.output == c.output);
    }
}

TEST(ExplodeStreams, BitLengthLists)
{
    const uint16_t two_trees = implode_flags(false, false);
    const uint16_t three_trees = implode_flags(false, true);
    const std::string lengths_64 = implode_length_list(std::vector<int>(64, 6));
    auto list = [](std::initializer_list<int> bytes) {
        std::string s;
        for (int b : bytes)
            s.push_back(static_cast<char>(b));
        return s;
    };
    struct Case {
        const char* name;
        uint16_t flags;
        std::string raw;
        int result;
    };
    const Case cases[] = {
        {"first byte 0: a single pair, 16 codes", two_trees, list({0x00, 0xF5}) + lengths_64, 4},
        {"63 lengths", two_trees, list({0x03, 0xF5, 0xF5, 0xF5, 0xE5}) + lengths_64, 4},
        {"65 lengths", two_trees, list({0x04, 0xF5, 0xF5, 0xF5, 0xF5, 0x05}) + lengths_64, 4},
        {"list cut short by the end of data", two_trees, list({0x03, 0xF5}), 4},
        {"no data at all", two_trees, "", 4},
        {"over-subscribed length tree", two_trees,
         implode_length_list(std::vector<int>(64, 5)) + lengths_64, 2},
        {"incomplete distance tree", two_trees,
         lengths_64 + implode_length_list(std::vector<int>(64, 7)), 1},
        {"over-subscribed literal tree", three_trees,
         implode_length_list(std::vector<int>(256, 7)) + lengths_64 + lengths_64, 2},
        {"incomplete literal tree", three_trees,
         implode_length_list(std::vector<int>(256, 9)) + lengths_64 + lengths_64, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecoderRun run = explode(c.raw + std::string(16, '\x55'), 100, c.flags);
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(run.output, "");
    }
}

TEST(ExplodeStreams, CompressedSizeMustBeUsedExactly)
{
    std::string data = text_bytes(20000);
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        std::string raw = implode(data, v.flags);
        const int32_t stored = static_cast<int32_t>(raw.size());

        DecoderRun exact = explode(raw, data.size(), v.flags);
        EXPECT_EQ(exact.result, 0);
        EXPECT_EQ(compressed_used, -12345);  // only set on a mismatch

        DecoderRun longer = explode(raw + "\x5a", data.size(), v.flags);
        EXPECT_EQ(longer.result, 5);
        EXPECT_EQ(compressed_used, stored);  // one less than the stored size
        EXPECT_TRUE(longer.output == data);

        // The missing byte reads as one-bits, which may decode as longer codes.
        DecoderRun shorter = explode(raw.substr(0, raw.size() - 1), data.size(), v.flags);
        EXPECT_EQ(shorter.result, 5);
        EXPECT_GE(compressed_used, stored);  // more than the stored size
        EXPECT_EQ(shorter.output.size(), data.size());
    }
}

TEST(ExplodeStreams, EmptyEntry)
{
    // Sizes kept in a data descriptor: the local header says 0 bytes.
    std::string raw = implode(text_bytes(500), implode_flags(true, true));
    DecoderRun run = explode(raw, 0, implode_flags(true, true));
    EXPECT_EQ(run.result, 5);
    EXPECT_EQ(compressed_used, 0);
    EXPECT_EQ(run.output, "");

    run = explode("", 0, implode_flags(false, false));
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.output, "");
}

// Raw literals (9 bits each) behind data whose matches use distance codes
// of 8 bits, padded to an exact compressed size: the distance lookup is 7
// bits wide up to 200000 compressed bytes and 8 bits above.
TEST(ExplodeStreams, DistanceLookupWidthSwitch)
{
    const uint16_t flags = implode_flags(false, false);
    ImplodeTrees trees;
    trees.length = std::vector<int>(64, 6);
    trees.distance = std::vector<int>(64, 8);
    trees.distance[0] = 1;
    trees.distance[1] = 2;
    trees.distance[2] = trees.distance[3] = 7;

    // Literals add 9 bits each and a match of distance code 0 adds 14, so
    // some filler and match count gives every wanted size.
    std::string head = random_bytes(4096, 31);
    auto make = [&](size_t filler, int short_matches, std::string* data) {
        std::vector<ImplodeToken> tokens;
        *data = head + random_bytes(filler, 32);
        for (char c : *data)
            tokens.push_back(literal_token(static_cast<uint8_t>(c)));
        std::vector<uint16_t> distances = {300, 1000, 2000, 4096, 64, 200};
        distances.insert(distances.end(), short_matches, 1);
        for (uint16_t distance : distances) {
            tokens.push_back(match_token(20, distance));
            for (size_t i = 0; i < 20; i++)
                data->push_back((*data)[data->size() - distance]);
        }
        return implode_tokens(tokens, flags, trees);
    };
    for (size_t target : {200000u, 200001u}) {
        SCOPED_TRACE(target);
        std::string raw, data;
        size_t estimate = 170000;
        raw = make(estimate, 0, &data);
        estimate += (static_cast<long>(target) - static_cast<long>(raw.size())) * 8 / 9;
        for (int matches = 0; matches < 4 && raw.size() != target; matches++)
            for (size_t filler = estimate - 3; filler <= estimate + 3 && raw.size() != target; filler++)
                raw = make(filler, matches, &data);
        ASSERT_EQ(raw.size(), target);
        DecoderRun run = explode(raw, data.size(), flags);
        EXPECT_EQ(run.result, 0);
        EXPECT_TRUE(run.output == data);
    }
}

// ---- Damaged data always ends, within the tables ----

TEST(ExplodeDamage, TruncationAtEveryByteEnds)
{
    std::string data = mixed_bytes(8000);
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        std::string raw = implode(data, v.flags);
        for (size_t cut = 0; cut < raw.size(); cut++) {
            DecoderRun run = explode(raw.substr(0, cut), data.size(), v.flags);
            ASSERT_TRUE(run.result != 0 || run.crc != zip_crc32(data)) << "cut at " << cut;
            ASSERT_LE(run.output.size(), data.size() + 321);
        }
    }
}

TEST(ExplodeDamage, RandomCorruptionEnds)
{
    std::string data = mixed_bytes(30000);
    std::mt19937 rng(5);
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        std::string raw = implode(data, v.flags);
        for (int trial = 0; trial < 150; trial++) {
            std::string damaged = raw;
            for (int flips = 0; flips < 1 + trial % 3; flips++)
                damaged[rng() % damaged.size()] ^= static_cast<char>(1 + rng() % 255);
            DecoderRun run = explode(damaged, data.size(), v.flags);
            EXPECT_LE(run.result, 5);
            EXPECT_LE(run.output.size(), data.size() + 321);
        }
        // Pure noise as entry data, with a large size to produce.
        for (int trial = 0; trial < 50; trial++) {
            DecoderRun run = explode(random_bytes(600, 100 + trial), 200000, v.flags);
            EXPECT_LE(run.result, 5);
            EXPECT_LE(run.output.size(), 200000u + 321);
        }
    }
}

// ---- Imploded entries written by DOS-era archivers ----


TEST(ExplodeFixtures, RealEntriesHaveTheirStoredCrc)
{
    struct Expected {
        const char* archive;
        const char* entry;
        uint16_t flags;
        uint32_t size, crc;
    };
    // CRC-32 values as the archives store them.
    const Expected expected[] = {
        {"cc_imploding-4Kdict-2trees.zip", "HEADER.TXT", 0x0000, 818, 0x3222d8c7},
        {"cc_imploding-8Kdict-3trees.zip", "LICENSE.TXT", 0x0006, 11560, 0x495fc599},
        {"sc_Zip.implode.zip", "EXE/TEST.EXE", 0x0000, 45056, 0xcfb109c8},
        {"sc_Zip.implode.zip", nullptr, 0x0006, 15498, 0x9bd160fa},  // the code page 437 name
    };
    for (const Expected& x : expected) {
        SCOPED_TRACE(std::string(x.archive) + " " + (x.entry ? x.entry : "(text)"));
        std::string zip = read_bytes(legacy_fixture_path(x.archive));
        ASSERT_FALSE(zip.empty());
        bool found = false;
        for (const RawEntry& e : local_entries(zip)) {
            if (e.method != METHOD_IMPLODED || (x.entry ? e.name != x.entry : e.crc != x.crc))
                continue;
            found = true;
            EXPECT_EQ(e.flags, x.flags);
            DecoderRun run = explode(e.data, e.size, e.flags);
            EXPECT_EQ(run.result, 0);
            EXPECT_EQ(run.output.size(), x.size);
            EXPECT_EQ(run.crc, x.crc);
        }
        EXPECT_TRUE(found);
    }
}

TEST(ExplodeFixtures, SameContentAsOtherMethods)
{
    // TEST.EXE is imploded in one archive and reduced in another.
    std::string imploded, reduced;
    for (const RawEntry& e : local_entries(read_bytes(legacy_fixture_path("sc_Zip.implode.zip"))))
        if (e.name == "EXE/TEST.EXE")
            imploded = explode(e.data, e.size, e.flags).output;
    for (const RawEntry& e : local_entries(read_bytes(legacy_fixture_path("sc_Zip.reduce1.zip"))))
        if (e.name == "TEST.EXE")
            reduced = run_decoder(unreduce_entry, e.data, e.size, e.flags, e.method).output;
    EXPECT_EQ(imploded.size(), 45056u);
    EXPECT_TRUE(imploded == reduced);
}

// The whole engine tests each archive as "-t" does.
TEST(ExplodeFixtures, EngineTestsTheArchives)
{
    for (const char* name : {"cc_imploding-4Kdict-2trees.zip", "cc_imploding-8Kdict-3trees.zip",
                             "sc_Zip.implode.zip"}) {
        SCOPED_TRACE(name);
        std::vector<std::string> args = {"unzip", "-t", legacy_fixture_path(name)};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int result = engine_main(static_cast<int>(args.size()), argv.data());
        std::string out = testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, 0) << out << err;
        EXPECT_EQ(err.find("error"), std::string::npos) << err;
    }
}

}  // namespace
