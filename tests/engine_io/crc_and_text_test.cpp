#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/io.h"
#include "engine/options.h"
#include "engine/records.h"

namespace {

TEST(Crc32, MatchesTheStandardCheckValue)
{
    const char* text = "123456789";
    uint32_t crc = update_crc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(text), 9) ^ 0xFFFFFFFFu;
    EXPECT_EQ(crc, 0xCBF43926u);
    EXPECT_EQ(crc_table[1], 0x77073096u);
    EXPECT_EQ(crc_table[255], 0x2D02EF8Du);
}

// The eight-byte steps must agree with the byte-wise definition at every
// length and alignment.
TEST(Crc32, WideStepsAgreeWithTheByteWiseTable)
{
    uint8_t data[64];
    for (int i = 0; i < 64; ++i)
        data[i] = static_cast<uint8_t>(i * 37 + 11);
    for (size_t start = 0; start < 8; ++start)
        for (size_t size = 0; start + size <= 64; ++size) {
            uint32_t expected = 0xFFFFFFFFu;
            for (size_t i = start; i < start + size; ++i)
                expected = crc_table[(expected ^ data[i]) & 0xFF] ^ (expected >> 8);
            ASSERT_EQ(update_crc(0xFFFFFFFFu, data + start, size), expected) << start << "+" << size;
        }
}

// Text mode is checked through flush_output into a temporary file.
std::string flush_text_chunks(std::initializer_list<std::string> chunks)
{
    static uint8_t out[OUTPUT_BUFFER_SIZE];
    output_buffer = out;
    engine_options = {};
    CurrentEntry entry{};
    entry.text_mode = 1;
    current_entry = &entry;
    output_file = std::tmpfile();
    new_file = 1;
    disk_full = 0;
    for (const std::string& chunk : chunks)
        flush_output(reinterpret_cast<const uint8_t*>(chunk.data()), static_cast<uint32_t>(chunk.size()), false);
    std::fflush(output_file);
    std::rewind(output_file);
    std::string result;
    int c;
    while ((c = std::fgetc(output_file)) != EOF)
        result += static_cast<char>(c);
    std::fclose(output_file);
    output_file = nullptr;
    return result;
}

TEST(TextMode, LineEndsBecomeCrLf)
{
    struct Case { std::initializer_list<std::string> chunks; std::string expected; };
    const Case cases[] = {
        {{"a\rb"}, "a\r\nb"},
        {{"a\nb"}, "a\r\nb"},
        {{"a\r\nb"}, "a\r\nb"},
        {{"a\r\rb"}, "a\r\n\r\nb"},
        {{"a\r", "\nb"}, "a\r\nb"},
        {{"a\x1a"}, "a\x1a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(flush_text_chunks(c.chunks), c.expected);
}

}  // namespace
