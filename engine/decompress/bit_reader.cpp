// The bit reader shared by unshrink and unreduce: bits come least significant
// first from read_byte, and past the end of the entry's data they read as 0.
#include "engine/decompress/decompress.h"
#include "engine/io.h"

uint32_t bit_reservoir = 0;
int reservoir_count = 0;
int input_ended = 0;

void clear_bit_reader()
{
    bit_reservoir = 0;
    reservoir_count = 0;
    input_ended = 0;
}

uint32_t read_bits(int n)
{
    if (reservoir_count < n) {
        // Stays set only when not a single byte could be added.
        input_ended = 1;
        if (reservoir_count < 0)
            reservoir_count = 0;  // the shifted-out bits are zero already
        while (reservoir_count <= 24) {
            int byte = read_byte();
            if (byte < 0)
                break;
            bit_reservoir |= static_cast<uint32_t>(byte) << reservoir_count;
            reservoir_count += 8;
            input_ended = 0;
        }
    }
    uint32_t value = bit_reservoir & 0xFFFFu & ((1u << n) - 1u);
    bit_reservoir >>= n;
    reservoir_count -= n;
    return value;
}
