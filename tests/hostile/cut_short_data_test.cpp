// Compressed data that ends long before the size it claims: the decoders
// must give up once the data is exhausted instead of decoding end markers
// as one-bits until the stated size (up to 4 GB) is produced.
#include <gtest/gtest.h>

#include <string>

#include "engine/decompress/decompress.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/implode_encoder.h"

namespace {

constexpr uint32_t CLAIMED_SIZE = 0x30000000u;  // 768 MB promised
constexpr size_t MOST_OUTPUT = 1u << 20;          // a damaged entry stops well before

TEST(CutShortData, ExplodeStopsWhenTheDataRunsOut)
{
    const std::string text = "hello hello hello, imploded text that ends far too early\n";
    for (uint16_t flags : {0, 2, 4, 6}) {
        std::string raw = implode(text, flags);
        DecoderRun run = run_decoder(explode_entry, raw, CLAIMED_SIZE, flags, 6);
        EXPECT_NE(run.result, 0) << "flags " << flags;
        EXPECT_LT(run.output.size(), MOST_OUTPUT) << "flags " << flags;
    }
}

TEST(CutShortData, ExplodeOfWholeDataStillSucceeds)
{
    const std::string text = "complete data decodes as before\n";
    for (uint16_t flags : {0, 2, 4, 6}) {
        DecoderRun run = run_decoder(explode_entry, implode(text, flags), static_cast<uint32_t>(text.size()), flags, 6);
        EXPECT_EQ(run.result, 0) << "flags " << flags;
        EXPECT_EQ(run.output, text) << "flags " << flags;
    }
}

}  // namespace
