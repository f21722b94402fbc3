// Unreduce on data from the test reducer and on hand-made symbol streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/decompress/decompress.h"
#include "engine/io.h"
#include "engine/records.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/reduce_encoder.h"
#include "tests/support/shrink_encoder.h"

namespace {

DecoderRun run_unreduce(const std::string& compressed, size_t size, int factor)
{
    return run_decoder(unreduce_entry, compressed, static_cast<uint32_t>(size), 0,
                       static_cast<uint16_t>(factor + 1));
}

struct RoundTrip {
    const char* name;
    std::string input;
    ReduceOptions options;
    // What the stream must contain, so that the case tests what it claims.
    int min_matches, min_long_lengths, min_escaped_dle;
};

std::string with_dle_bytes(size_t size)
{
    std::string text = sample_text(size, 21);
    for (size_t i = 0; i < text.size(); i += 37)
        text[i] = static_cast<char>(REDUCE_DLE);
    return text;
}

std::vector<RoundTrip> round_trips()
{
    return {
        {"text", sample_text(60000, 20), {}, 1000, 0, 0},
        {"text_with_dle_bytes", with_dle_bytes(50000), {}, 1000, 0, 100},
        {"long_runs", std::string(5000, 'r') + sample_text(3000, 22) + std::string(20000, '\0'), {}, 50, 50, 0},
        {"noise_and_text", sample_noise(20000, 23) + sample_text(20000, 23), {}, 100, 0, 10},
        {"literals_only", with_dle_bytes(20000), {false, 32, 256}, 0, 0, 100},
        {"all_followers", sample_text(30000, 24), {true, 63, 256}, 100, 0, 0},
        {"no_followers", sample_text(30000, 25), {true, 0, 256}, 100, 0, 0},
    };
}

struct FactorCase {
    int factor;
    RoundTrip trip;
};

class UnreduceRoundTrip : public ::testing::TestWithParam<FactorCase> {};

TEST_P(UnreduceRoundTrip, RestoresTheInput)
{
    const int factor = GetParam().factor;
    const RoundTrip& c = GetParam().trip;
    ReducedData data = reduce(c.input, factor, c.options);
    EXPECT_GE(data.stats.matches, c.min_matches);
    EXPECT_GE(data.stats.long_lengths, c.min_long_lengths);
    EXPECT_GE(data.stats.escaped_dle, c.min_escaped_dle);
    DecoderRun run = run_unreduce(data.compressed, c.input.size(), factor);
    EXPECT_EQ(run.crc, data.crc);
    ASSERT_EQ(run.output.size(), c.input.size());
    EXPECT_TRUE(run.output == c.input);
}

std::vector<FactorCase> factor_cases()
{
    std::vector<FactorCase> cases;
    for (int factor = 1; factor <= 4; ++factor)
        for (const RoundTrip& trip : round_trips())
            cases.push_back({factor, trip});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Streams, UnreduceRoundTrip, ::testing::ValuesIn(factor_cases()),
                         [](const auto& info) {
                             return std::string(info.param.trip.name) + "_factor" +
                                    std::to_string(info.param.factor);
                         });

TEST(Unreduce, EachFactorReachesItsLongestMatchAndFarthestDistance)
{
    for (int factor = 1; factor <= 4; ++factor) {
        // A block repeated at exactly the largest distance, long enough for
        // the longest match.
        int distance = reduce_max_distance(factor);
        std::string block = sample_noise(static_cast<size_t>(distance), 30 + factor);
        std::string input = block + block + block;
        ReducedData data = reduce(input, factor);
        EXPECT_EQ(data.stats.farthest_match, distance) << "factor " << factor;
        EXPECT_EQ(data.stats.longest_match, reduce_max_length(factor)) << "factor " << factor;
        DecoderRun run = run_unreduce(data.compressed, input.size(), factor);
        EXPECT_TRUE(run.output == input) << "factor " << factor;
    }
}

// Hand-made symbol streams, each coded without and with follower sets.
struct SymbolCase {
    const char* name;
    int factor;
    std::vector<uint8_t> symbols;
    std::string expected;
};

class UnreduceSymbols : public ::testing::TestWithParam<SymbolCase> {};

TEST_P(UnreduceSymbols, DecodeAsExpected)
{
    const SymbolCase& c = GetParam();
    for (int followers : {0, 4, 63}) {
        DecoderRun run = run_unreduce(code_symbols(c.symbols, followers), c.expected.size(), c.factor);
        EXPECT_EQ(run.result, 0);
        EXPECT_TRUE(run.output == c.expected) << "followers " << followers;
        EXPECT_EQ(run.crc, reference_crc32(c.expected));
    }
}

SymbolCase longest_short_length_factor1()
{
    // V = 0xFF: all seven length bits set, so a length byte (10) follows,
    // and the distance's high bit is 1: 140 bytes from 262 back.
    std::string prefix = sample_noise(300, 40);
    std::vector<uint8_t> symbols(prefix.begin(), prefix.end());
    for (size_t i = 0; i < symbols.size(); ++i)
        if (symbols[i] == REDUCE_DLE)
            symbols[i] = 0x41, prefix[i] = 0x41;
    symbols.insert(symbols.end(), {REDUCE_DLE, 0xFF, 10, 5});
    std::string expected = prefix;
    for (int i = 0; i < 140; ++i)
        expected += expected[expected.size() - 262];
    return {"v_ff_gives_140_bytes_at_262", 1, symbols, expected};
}

std::vector<SymbolCase> symbol_cases()
{
    return {
        {"dle_zero_is_the_byte_144", 1, {'x', REDUCE_DLE, 0, 'y'}, "x\x90y"},
        {"dle_zero_repeated", 3, {REDUCE_DLE, 0, REDUCE_DLE, 0}, "\x90\x90"},
        longest_short_length_factor1(),
        // Length 4 at distance 10 before anything was produced: zeros.
        {"match_before_first_byte", 1, {REDUCE_DLE, 1, 9, 'z'}, std::string(4, '\0') + "z"},
        // Two bytes produced, then 4 from 4 back: two zeros, then "ab".
        {"match_reaching_before_first_byte", 2, {'a', 'b', REDUCE_DLE, 1, 3}, std::string("ab\0\0ab", 6)},
        {"overlapping_match_repeats", 4, {'a', 'b', REDUCE_DLE, 7, 1}, "abababababab"},
        // Factor 4: V = 0xF3 is length 3 + 3 with distance high bits 15.
        {"factor4_far_distance_before_start", 4, {'q', REDUCE_DLE, 0xF3, 0xFF}, "q" + std::string(6, '\0')},
        // The entry is 5 bytes; a match that would run past it stops there.
        {"last_match_stops_at_the_size", 1, {'a', REDUCE_DLE, 10, 0}, "aaaaa"},
    };
}

INSTANTIATE_TEST_SUITE_P(Streams, UnreduceSymbols, ::testing::ValuesIn(symbol_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Unreduce, MatchesAcrossTheWindowEndAfterTheFirstPass)
{
    // 16384-byte window: data longer than it, with matches that straddle
    // the wrap point at every distance class.
    std::string unit = sample_noise(1500, 50);
    std::string input;
    while (input.size() < 70000)
        input += unit + sample_text(700, static_cast<uint32_t>(input.size()));
    for (int factor = 1; factor <= 4; ++factor) {
        ReducedData data = reduce(input, factor);
        DecoderRun run = run_unreduce(data.compressed, input.size(), factor);
        EXPECT_TRUE(run.output == input) << "factor " << factor;
    }
}

TEST(Unreduce, TruncatedDataStopsInsteadOfPaddingToTheSize)
{
    std::string input = sample_text(40000, 60);
    ReducedData data = reduce(input, 2);
    for (size_t cut : {size_t{0}, size_t{10}, data.compressed.size() / 2, data.compressed.size() - 1}) {
        DecoderRun run = run_unreduce(data.compressed.substr(0, cut), input.size(), 2);
        EXPECT_LT(run.output.size(), input.size()) << "cut " << cut;
        EXPECT_TRUE(input.compare(0, run.output.size(), run.output) == 0) << "cut " << cut;
    }
    // A tiny entry that claims four gigabytes ends with its data.
    DecoderRun run = run_unreduce(data.compressed.substr(0, 200), 0xFFFFFFFFu, 2);
    EXPECT_LT(run.output.size(), 200u * 8 / 4 * 258);
}

TEST(Unreduce, GarbageEndsWithinTheDeclaredSize)
{
    for (int factor = 1; factor <= 4; ++factor) {
        for (uint32_t seed = 1; seed <= 10; ++seed) {
            std::string garbage = sample_noise(100 + seed * 301, seed * 7 + static_cast<uint32_t>(factor));
            DecoderRun run = run_unreduce(garbage, 50000, factor);
            EXPECT_EQ(run.result, 0);
            EXPECT_LE(run.output.size(), 50000u);
        }
    }
}

TEST(Unreduce, FollowerIndexBeyondTheSetStaysInItsRow)
{
    // Byte 0 (the symbol before the first) has 3 followers, so indices have
    // 2 bits and index 3 names the row's unused fourth slot.
    LsbBitWriter writer;
    for (int value = 255; value >= 1; --value)
        writer.put(0, 6);
    writer.put(3, 6);
    for (uint32_t follower : {'a', 'b', 'c'})
        writer.put(follower, 8);
    writer.put(0, 1);
    writer.put(1, 2);  // 'b'
    writer.put(1, 8);  // then 'b' has no followers: a plain literal 1
    DecoderRun run = run_unreduce(writer.finish(), 2, 1);
    EXPECT_EQ(run.output, std::string("b\x01"));

    LsbBitWriter beyond;
    for (int value = 255; value >= 1; --value)
        beyond.put(0, 6);
    beyond.put(3, 6);
    for (uint32_t follower : {'a', 'b', 'c'})
        beyond.put(follower, 8);
    beyond.put(0, 1);
    beyond.put(3, 2);
    run = run_unreduce(beyond.finish(), 1, 1);
    EXPECT_LE(run.output.size(), 1u);  // the slot's old byte may even be a DLE
}

TEST(Unreduce, MethodOutsideTheReducedRangeProducesNothing)
{
    DecoderRun run = run_decoder(unreduce_entry, code_symbols({'a'}, 0), 1, 0, METHOD_SHRUNK);
    EXPECT_EQ(run.output, "");
}

}  // namespace
