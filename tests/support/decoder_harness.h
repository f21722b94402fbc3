// Runs one decompressor on raw entry data held in memory, the way the
// extraction code runs it on an archive: input through the engine's window
// onto a temporary file, output through flush_output into another.
#pragma once
#include <cstdint>
#include <string>

struct DecoderRun {
    int result = 0;          // the decoder's return value
    std::string output;      // bytes written through flush_output
    uint32_t crc = 0;        // final CRC-32 of the output
    int32_t compressed_left = 0;  // after decoding
};

// flags are the entry's general purpose flags (explode reads bits 1 and 2).
DecoderRun run_decoder(int (*decoder)(), const std::string& compressed,
                       uint32_t uncompressed_size, uint16_t flags = 0,
                       uint16_t method = 8);
