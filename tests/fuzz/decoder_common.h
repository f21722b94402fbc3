// Feeds raw entry data to one decompressor; the first two bytes choose the
// entry's flags, the next four its stated uncompressed size (kept small so
// runs stay short).
#pragma once
#include <cstdint>
#include <string>

#include "tests/support/decoder_harness.h"

inline int fuzz_decoder(int (*decoder)(), const uint8_t* data, size_t size, uint16_t method)
{
    if (size < 6)
        return 0;
    uint16_t flags = static_cast<uint16_t>(data[0] | data[1] << 8);
    uint32_t stated = (data[2] | data[3] << 8 | data[4] << 16 | static_cast<uint32_t>(data[5]) << 24) % (1u << 22);
    std::string compressed(reinterpret_cast<const char*>(data + 6), size - 6);
    run_decoder(decoder, compressed, stated, flags, method);
    return 0;
}
