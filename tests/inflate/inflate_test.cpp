#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/decompress/decompress.h"
#include "engine/io.h"
#include "engine/options.h"
#include "tests/inflate/deflate_stream.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/sample_data.h"
#include "tests/support/zip_writer.h"

namespace {

// Text with stretches of noise, in the proportions these tests were tuned for.
std::string mixed_bytes(size_t size)
{
    return ::mixed_bytes(size, 5000, 20000);
}

DecoderRun inflate(const std::string& compressed, size_t size = 0)
{
    return run_decoder(inflate_entry, compressed, static_cast<uint32_t>(size));
}

// ---- Round trips over encoders, levels, data kinds and sizes ----

TEST(InflateRoundTrip, EveryLevelAndSizeGivesTheInputBack)
{
    struct Kind {
        const char* name;
        std::string (*make)(size_t);
    };
    const Kind kinds[] = {
        {"random", [](size_t n) { return random_bytes(n); }},
        {"text", [](size_t n) { return text_bytes(n); }},
        {"mixed", mixed_bytes},
    };
    const size_t sizes[] = {1, 1000, 32767, 32768, 32769, 200000, 3000000};
    const int levels[] = {0, 1, 6, 9};
    for (const Kind& kind : kinds) {
        for (size_t size : sizes) {
            std::string data = kind.make(size);
            for (int level : levels) {
                SCOPED_TRACE(std::string(kind.name) + " size " + std::to_string(size) + " level " +
                             std::to_string(level));
                DecoderRun run = inflate(deflate_raw(data, level), size);
                ASSERT_EQ(run.result, 0);
                ASSERT_EQ(run.output.size(), data.size());
                ASSERT_TRUE(run.output == data);
                EXPECT_EQ(run.crc, zip_crc32(data));
            }
        }
    }
}

TEST(InflateRoundTrip, ForcedFixedAndDynamicBlocks)
{
    const std::string inputs[] = {"a", text_bytes(5000), mixed_bytes(150000), std::string(100000, 'z')};
    for (const std::string& data : inputs) {
        for (DeflateBlocks blocks : {DeflateBlocks::Fixed, DeflateBlocks::Dynamic}) {
            SCOPED_TRACE("size " + std::to_string(data.size()) + " blocks " +
                         std::to_string(static_cast<int>(blocks)));
            std::string compressed = deflate_raw(data, 6, blocks);
            EXPECT_EQ(first_block_type(compressed), blocks == DeflateBlocks::Fixed ? 1 : 2);
            DecoderRun run = inflate(compressed, data.size());
            ASSERT_EQ(run.result, 0);
            EXPECT_TRUE(run.output == data);
        }
    }
}

TEST(InflateRoundTrip, FixedTablesAreRebuiltAfterRelease)
{
    std::string data = text_bytes(3000);
    std::string compressed = deflate_raw(data, 6, DeflateBlocks::Fixed);
    for (int round = 0; round < 3; round++) {
        EXPECT_TRUE(inflate(compressed).output == data);
        release_fixed_tables();
        release_fixed_tables();  // nothing left to release
    }
}

// ---- Hand-made streams: edge cases and results ----

struct StreamCase {
    const char* name;
    std::string stream;
    int result;
    std::string output;  // checked when result is 0
};

std::string stored_block(const std::string& data, bool last, bool bad_complement = false)
{
    BitWriter w;
    w.put(last ? 1 : 0, 1);
    w.put(0, 2);
    w.align();
    uint32_t len = static_cast<uint32_t>(data.size());
    w.put(len, 16);
    w.put((~len & 0xffff) ^ (bad_complement ? 1u : 0u), 16);
    for (char c : data)
        w.put_byte(static_cast<uint8_t>(c));
    return w.finish();
}

// A fixed block of literals, then optional matches, then end of block.
std::string fixed_block(const std::string& literals,
                        const std::vector<std::pair<int, int>>& matches = {})
{
    BlockCodes codes = BlockCodes::fixed();
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    for (char c : literals)
        codes.literal(w, static_cast<uint8_t>(c));
    for (auto [length, dist] : matches)
        codes.match(w, length, dist);
    codes.end_of_block(w);
    return w.finish();
}

std::vector<int> lengths_with(int size, std::vector<std::pair<int, int>> set)
{
    std::vector<int> lengths(size, 0);
    for (auto [symbol, len] : set)
        lengths[symbol] = len;
    return lengths;
}

// A dynamic block of the given codes that sends `symbols` (literal/length
// symbol, or -1 followed by a distance symbol) and ends.
std::string dynamic_block(const DynamicHeader& header, const std::vector<int>& symbols,
                          bool end = true)
{
    BitWriter w;
    write_dynamic_header(w, true, header);
    BlockCodes codes(header.literal_lengths, header.distance_lengths);
    for (size_t i = 0; i < symbols.size(); i++) {
        if (symbols[i] == -1)
            codes.distance(w, symbols[++i]);
        else
            codes.literal(w, symbols[i]);
    }
    if (end)
        codes.end_of_block(w);
    return w.finish();
}

// 288 literal/length codes (224 of 8 bits, 64 of 9) and 32 distance codes.
DynamicHeader full_alphabets()
{
    DynamicHeader h;
    h.literal_lengths.assign(288, 8);
    for (int i = 224; i < 288; i++)
        h.literal_lengths[i] = 9;
    h.distance_lengths.assign(32, 5);
    return h;
}

std::vector<StreamCase> stream_cases()
{
    std::vector<StreamCase> cases;
    cases.push_back({"empty stored block", stored_block("", true), 0, ""});
    cases.push_back({"stored blocks", stored_block("abc", false) + stored_block("de", true), 0, "abcde"});
    cases.push_back({"stored bad complement", stored_block("abc", true, true), 1, ""});
    {
        BitWriter w;
        w.put(1, 1);
        w.put(3, 2);
        cases.push_back({"block type 3", w.finish() + std::string(4, '\0'), 2, ""});
    }
    cases.push_back({"length 258 at distance 1", fixed_block("x", {{258, 1}}), 0, std::string(259, 'x')});
    cases.push_back({"overlapping copy", fixed_block("ab", {{7, 2}}), 0, "ababababa"});
    cases.push_back({"distance before the first byte", fixed_block("ab", {{3, 3}}), 1, ""});
    cases.push_back({"match at the very start", fixed_block("", {{3, 1}}), 1, ""});
    cases.push_back({"no data at all", "", 1, ""});
    cases.push_back({"ones only: block type 3", std::string(64, '\xff'), 2, ""});
    // A fixed block whose data are all ones decodes literal 255 until the
    // data run out; it must not go on past them.
    cases.push_back({"fixed block of ones", "\xfb" + std::string(63, '\xff'), 1, ""});
    {
        // The first code-length symbol is 16: it repeats the length 0.
        DynamicHeader h;
        h.literal_lengths = lengths_with(257, {{65, 1}, {256, 1}});
        h.distance_lengths = {0};
        h.length_symbols = {{16, 0}, {18, 51}, {1, 0}, {18, 127}, {18, 41}, {1, 0}, {0, 0}};
        cases.push_back({"code-length symbol 16 first", dynamic_block(h, {65, 65, 65}), 0, "AAA"});
    }
    {
        DynamicHeader h = full_alphabets();
        cases.push_back({"288 and 32 codes", dynamic_block(h, {'a', 257, -1, 0}), 0, "aaaa"});
        cases.push_back({"literal code 286", dynamic_block(h, {'a', 286, -1, 0}), 1, ""});
        cases.push_back({"literal code 287", dynamic_block(h, {'a', 287, -1, 0}), 1, ""});
        cases.push_back({"distance code 30", dynamic_block(h, {'a', 257, -1, 30}), 1, ""});
        cases.push_back({"distance code 31", dynamic_block(h, {'a', 257, -1, 31}), 1, ""});
    }
    {
        DynamicHeader h;
        h.literal_lengths = lengths_with(257, {{65, 1}, {66, 1}, {256, 1}});
        h.distance_lengths = {1};
        cases.push_back({"over-subscribed literal code", dynamic_block(h, {65}), 2, ""});
    }
    {
        DynamicHeader h;
        h.literal_lengths = lengths_with(257, {{65, 1}, {256, 1}});
        h.distance_lengths = {1, 1, 1};
        cases.push_back({"over-subscribed distance code", dynamic_block(h, {65}), 2, ""});
    }
    {
        DynamicHeader h;
        h.literal_lengths = lengths_with(257, {{65, 1}, {256, 1}});
        h.distance_lengths = {0};
        h.length_symbols = plain_length_symbols(h.literal_lengths);
        h.length_symbols.push_back({18, 127});  // 138 zeros where 1 length is left
        cases.push_back({"code-length repeat past the end", dynamic_block(h, {65}), 1, ""});
    }
    {
        DynamicHeader h;
        h.literal_lengths = lengths_with(257, {{65, 1}, {256, 1}});
        h.distance_lengths = {0};
        h.code_length_lengths = lengths_with(19, {{0, 2}, {1, 2}});
        cases.push_back({"incomplete code-length code", dynamic_block(h, {65}), 1, ""});
    }
    {
        DynamicHeader h;
        h.literal_lengths = lengths_with(257, {{65, 1}, {256, 1}});
        h.distance_lengths = {0};
        h.code_length_lengths = std::vector<int>(19, 0);
        cases.push_back({"no code-length code", dynamic_block(h, {65}), 1, ""});
    }
    {
        // Literals only: no distance code at all; a match is then invalid.
        DynamicHeader h;
        h.literal_lengths = lengths_with(258, {{65, 2}, {256, 2}, {257, 1}});
        h.distance_lengths = {0};
        cases.push_back({"literals without distance codes", dynamic_block(h, {65, 65}), 0, "AA"});
        cases.push_back({"match without distance codes", dynamic_block(h, {65, 257}), 1, ""});
    }
    return cases;
}

TEST(InflateStreams, ResultsAndOutputs)
{
    for (const StreamCase& c : stream_cases()) {
        SCOPED_TRACE(c.name);
        DecoderRun run = inflate(c.stream);
        EXPECT_EQ(run.result, c.result);
        if (c.result == 0) {
            EXPECT_EQ(run.output, c.output);
            EXPECT_EQ(run.crc, zip_crc32(c.output));
        }
    }
}

TEST(InflateStreams, ExactlyOneWindowOfOutput)
{
    std::string data = text_bytes(32768);
    DecoderRun run = inflate(deflate_raw(data, 6, DeflateBlocks::Fixed));
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.output == data);
}

TEST(InflateStreams, MatchAcrossTheWindowWrap)
{
    // 32778 stored bytes put the position at 10 after one wrap; a match of 30
    // at distance 20 then starts 10 bytes before the window's end.
    std::string head = random_bytes(32778, 3);
    std::string stream = stored_block(head.substr(0, 30000), false) +
                         stored_block(head.substr(30000), false) + fixed_block("", {{30, 20}});
    std::string expected = head;
    for (int i = 0; i < 30; i++)
        expected.push_back(expected[expected.size() - 20]);
    DecoderRun run = inflate(stream);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.output == expected);
}

TEST(InflateStreams, FarthestDistanceOnceTheWindowIsFull)
{
    std::string head = random_bytes(40000, 5);
    std::string stream = stored_block(head, false) + fixed_block("", {{258, 32768}});
    std::string expected = head + head.substr(40000 - 32768, 258);
    DecoderRun run = inflate(stream);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.output == expected);
}

TEST(InflateStreams, NoBytesOfTheEarlierEntryLeakIn)
{
    ASSERT_EQ(inflate(fixed_block("secret")).output, "secret");
    DecoderRun run = inflate(fixed_block("", {{6, 6}}));
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.output.find("secret"), std::string::npos);
}

// ---- Incomplete codes and their messages ----

int inflate_quietly()
{
    engine_options.quiet_level = 1;
    return inflate_entry();
}

TEST(InflateMessages, IncompleteCodes)
{
    struct Case {
        const char* name;
        std::vector<int> literal_lengths;
        std::vector<int> distance_lengths;
        std::vector<int> symbols;
        int result;
        const char* message;
    };
    // Literal 'A', end of block and length code 257 (3 bytes) make a complete code.
    std::vector<int> complete = lengths_with(258, {{65, 2}, {256, 2}, {257, 1}});
    const Case cases[] = {
        {"incomplete literal code", lengths_with(257, {{65, 2}, {256, 2}}), {1}, {65}, 1,
         "(incomplete l-tree)  "},
        {"single distance code of 2 bits", complete, {2}, {65, 257, -1, 0}, 0, "(incomplete d-tree)  "},
        {"single distance code of 1 bit", complete, {1}, {65, 257, -1, 0}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DynamicHeader h;
        h.literal_lengths = c.literal_lengths;
        h.distance_lengths = c.distance_lengths;
        std::string stream = dynamic_block(h, c.symbols);

        testing::internal::CaptureStderr();
        DecoderRun run = inflate(stream);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(run.result, c.result);
        if (c.result == 0) {
            EXPECT_EQ(run.output, "AAAA");
        }

        testing::internal::CaptureStderr();
        run = run_decoder(inflate_quietly, stream, 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(run.result, c.result);
    }
}

// ---- Damaged and truncated data always ends with an error ----

TEST(InflateDamage, TruncationAtEveryByteFails)
{
    std::string data = mixed_bytes(12000);
    const std::string streams[] = {
        deflate_raw(data, 9),
        deflate_raw(data, 6, DeflateBlocks::Fixed),
        deflate_raw(data, 6, DeflateBlocks::Dynamic),
        deflate_raw(data.substr(0, 3000), 0),
    };
    for (const std::string& stream : streams) {
        ASSERT_EQ(inflate(stream).result, 0);
        for (size_t cut = 0; cut < stream.size(); cut++) {
            DecoderRun run = inflate(stream.substr(0, cut));
            ASSERT_NE(run.result, 0) << "cut at " << cut << " of " << stream.size();
        }
    }
}

// The archive file ends long before the entry's stated compressed size: the
// decoder must stop at the file's end, not read end markers for the rest.
int inflate_archive_cut_short()
{
    compressed_left += 100000000;
    return inflate_entry();
}

TEST(InflateDamage, ArchiveEndingInsideTheEntryFails)
{
    const std::string streams[] = {"\xfb" + std::string(63, '\xff'), fixed_block("abc").substr(0, 2),
                                   stored_block(text_bytes(5000), true).substr(0, 3000)};
    for (const std::string& stream : streams) {
        DecoderRun run = run_decoder(inflate_archive_cut_short, stream, 0);
        EXPECT_EQ(run.result, 1);
        EXPECT_GT(run.compressed_left, 90000000);  // stopped right at the file's end
    }
}

TEST(InflateDamage, RandomCorruptionAlwaysEnds)
{
    std::string data = mixed_bytes(60000);
    std::string stream = deflate_raw(data, 6);
    std::mt19937 rng(99);
    int failures = 0;
    for (int trial = 0; trial < 300; trial++) {
        std::string damaged = stream;
        for (int flips = 0; flips < 1 + trial % 4; flips++)
            damaged[rng() % damaged.size()] ^= static_cast<char>(1 + rng() % 255);
        DecoderRun run = run_decoder(inflate_quietly, damaged, 0);
        EXPECT_LE(run.result, 2);
        if (run.result != 0 || run.crc != zip_crc32(data))
            failures++;
    }
    EXPECT_GT(failures, 200);  // a flip in unused bits may do no harm
}

}  // namespace
