// Unshrink on data from the test shrinker and on hand-made code sequences.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/decompress/decompress.h"
#include "engine/io.h"
#include "engine/records.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/shrink_encoder.h"

namespace {

DecoderRun run_unshrink(const std::string& compressed, size_t size)
{
    return run_decoder(unshrink_entry, compressed, static_cast<uint32_t>(size), 0, METHOD_SHRUNK);
}

// Codes of the default width 9 and after n widenings.
RawCode c9(uint32_t value) { return {value, 9}; }
RawCode c10(uint32_t value) { return {value, 10}; }

TEST(Unshrink, EmptyEntryWritesNothing)
{
    DecoderRun run = run_unshrink("", 0);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.crc, 0u);
}

struct RoundTrip {
    const char* name;
    std::string input;
    ShrinkOptions options;
    // What the stream must exercise, so that the case tests what it claims.
    int min_special_cases, min_widenings, min_clears, min_reused, min_codes_while_full;
    int min_clears_with_holes = 0;
};

class UnshrinkRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(UnshrinkRoundTrip, RestoresTheInput)
{
    const RoundTrip& c = GetParam();
    ShrunkData data = shrink(c.input, c.options);
    const ShrinkStats& s = data.stats;
    EXPECT_GE(s.special_cases, c.min_special_cases);
    EXPECT_GE(s.widenings, c.min_widenings);
    EXPECT_GE(s.partial_clears, c.min_clears);
    EXPECT_GE(s.reused_codes, c.min_reused);
    EXPECT_GE(s.codes_while_full, c.min_codes_while_full);
    EXPECT_GE(s.clears_with_holes, c.min_clears_with_holes);
    if (s.partial_clears > 0 && s.first_assigned_after_clear != 0) {
        EXPECT_EQ(s.first_assigned_after_clear, s.lowest_freed);
    }

    DecoderRun run = run_unshrink(data.compressed, c.input.size());
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.crc, data.crc);
    ASSERT_EQ(run.output.size(), c.input.size());
    EXPECT_TRUE(run.output == c.input);
}

std::vector<RoundTrip> round_trips()
{
    return {
        {"one_byte", "Q", {}, 0, 0, 0, 0, 0},
        {"special_case_run", std::string(300, 'a'), {}, 1, 0, 0, 0, 0},
        {"special_case_pairs", std::string(2000, 'a') + "abababababababababab", {}, 2, 0, 0, 0, 0},
        {"natural_widening", sample_text(20000, 3), {}, 0, 2, 0, 0, 0},
        {"early_widening_to_13_bits", sample_text(3000, 4), {{}, {100, 200, 300, 400, 500}, false}, 0, 4, 0, 0, 0},
        {"partial_clear_reuses_lowest_freed", sample_text(6000, 5), {{3000}, {}, false}, 0, 0, 1, 1, 0},
        // Later clears find assigned entries above the lowest free one; the
        // whole table is cleared, not only the entries below it.
        {"repeated_clears_leave_holes", sample_text(30000, 6), {{2000, 2600, 9000, 9100, 20000}, {}, false}, 0, 0, 5, 1, 0, 2},
        {"full_table_without_clear", sample_noise(14000, 7) + sample_text(4000, 7), {}, 0, 4, 0, 0, 100},
        {"clear_whenever_full", sample_noise(30000, 8) + sample_text(30000, 8), {{}, {}, true}, 0, 4, 2, 1, 0},
        {"crosses_output_flushes", sample_text(150000, 9) + std::string(70000, 'z'), {}, 0, 4, 0, 0, 0},
    };
}

INSTANTIATE_TEST_SUITE_P(Streams, UnshrinkRoundTrip, ::testing::ValuesIn(round_trips()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Unshrink, SpecialCaseIsPreviousStringPlusItsFirstByte)
{
    // 'a', then 257 before it exists: "a" + "a".
    DecoderRun run = run_unshrink(pack_codes({c9('a'), c9(257)}), 3);
    EXPECT_EQ(run.output, "aaa");
    // 'a', 'b' (257 = ab), 258 before it exists: "b" + "b".
    run = run_unshrink(pack_codes({c9('a'), c9('b'), c9(258)}), 4);
    EXPECT_EQ(run.output, "abbb");
}

TEST(Unshrink, WideningAppliesFromTheNextCodeOn)
{
    DecoderRun run = run_unshrink(pack_codes({c9('x'), c9(256), c9(1), c10('y'), c10(257)}), 4);
    EXPECT_EQ(run.output, "xyxy");
}

TEST(Unshrink, UnknownControlSubCodeChangesNothing)
{
    DecoderRun run = run_unshrink(pack_codes({c9('x'), c9(256), c9(7), c9('y')}), 2);
    EXPECT_EQ(run.output, "xy");
}

TEST(Unshrink, PartialClearKeepsPrefixesAndReusesTheLowestFreedEntry)
{
    // a b 257(ab) c d: 257 = ab, 258 = ba, 259 = abc, 260 = cd. 257 is the
    // prefix of 259 and stays; 258, 259 and 260 are freed. The next entry
    // (d e) goes to 258, which the stream then uses.
    DecoderRun run = run_unshrink(pack_codes({c9('a'), c9('b'), c9(257), c9('c'), c9('d'), c9(256), c9(2),
                                              c9('e'), c9(258), c9(257)}),
                                  11);
    EXPECT_EQ(run.output, "ababcdedeab");
}

TEST(Unshrink, TextModeConvertsLineEndsThroughTheTranslationBuffer)
{
    release_translate_buffer();
    std::string input = sample_text(90000, 11);
    ShrunkData data = shrink(input);
    DecoderRun run = run_decoder(
        [] {
            current_entry->text_mode = 1;
            return unshrink_entry();
        },
        data.compressed, static_cast<uint32_t>(input.size()), 0, METHOD_SHRUNK);
    EXPECT_EQ(run.result, 0);
    EXPECT_NE(translate_buffer, nullptr);
    EXPECT_EQ(run.crc, data.crc) << "the CRC covers the data before conversion";
    std::string expected;
    for (size_t i = 0; i < input.size(); ++i) {
        if (input[i] == '\n' && i > 0 && input[i - 1] == '\r')
            continue;
        if (input[i] == '\r' || input[i] == '\n')
            expected += "\r\n";
        else
            expected += input[i];
    }
    EXPECT_TRUE(run.output == expected);
    release_translate_buffer();
    EXPECT_EQ(translate_buffer, nullptr);
}

// Damaged streams end the entry early; nothing is written beyond what was
// decoded before the damage, and the CRC then disagrees.
struct Damaged {
    const char* name;
    std::vector<RawCode> codes;
    std::string expected;
};

class UnshrinkDamaged : public ::testing::TestWithParam<Damaged> {};

TEST_P(UnshrinkDamaged, StopsAtTheDamage)
{
    const Damaged& c = GetParam();
    DecoderRun run = run_unshrink(pack_codes(c.codes), 100);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.output, c.expected);
}

std::vector<Damaged> damaged_streams()
{
    std::vector<RawCode> five_widenings = {c9('a')};
    for (int width = 9; width <= 13; ++width)
        five_widenings.insert(five_widenings.end(), {{256, width}, {1, width}});
    five_widenings.push_back({'b', 14});
    return {
        {"code_never_assigned", {c9('a'), c9('b'), c9(300), c9('c')}, "ab"},
        {"first_code_is_control", {c9(256), c9(1), c10('a')}, ""},
        {"first_code_is_a_string", {c9(257), c9('a')}, ""},
        {"widening_past_13_bits", five_widenings, "a"},
        // After the clear 257 is the next free entry, and it is assigned with
        // the previous code 257 as its own prefix: a chain without end.
        {"prefix_chain_without_literal", {c9('a'), c9('b'), c9(257), c9(256), c9(2), c9('c'), c9(257)}, "ababc"},
        {"control_code_without_sub_code", {c9('a'), c9(256)}, "a"},
    };
}

INSTANTIATE_TEST_SUITE_P(Streams, UnshrinkDamaged, ::testing::ValuesIn(damaged_streams()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Unshrink, TruncatedAndGarbledDataEndWithinTheTables)
{
    std::string input = sample_text(40000, 12);
    ShrunkData data = shrink(input, {{5000, 15000}, {}, false});
    for (size_t cut : {size_t{1}, size_t{2}, data.compressed.size() / 2, data.compressed.size() - 1}) {
        DecoderRun run = run_unshrink(data.compressed.substr(0, cut), input.size());
        EXPECT_EQ(run.result, 0);
        EXPECT_LT(run.output.size(), input.size());
        EXPECT_TRUE(input.compare(0, run.output.size(), run.output) == 0) << "cut " << cut;
    }
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::string garbage = sample_noise(300 + seed * 97, seed);
        DecoderRun run = run_unshrink(garbage, 1000);
        EXPECT_EQ(run.result, 0);
        EXPECT_LE(run.output.size(), garbage.size() * 8 / 9 * 8192) << "seed " << seed;
    }
    std::string flipped = data.compressed;
    for (size_t i = 10; i < flipped.size(); i += 101)
        flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    DecoderRun run = run_unshrink(flipped, input.size());
    EXPECT_EQ(run.result, 0);
    EXPECT_NE(run.crc, data.crc);
}

}  // namespace
