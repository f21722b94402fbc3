// Unreduce: methods 2 to 5 (reduced with compression factor 1 to 4). Each
// byte value has a set of up to 63 likely followers, sent at the start of the
// entry; a symbol is then either a literal (flag bit 1 and 8 bits) or an index
// into the previous symbol's set. In the symbol stream DLE (144) introduces a
// match: DLE 0 is the byte 144 itself, otherwise DLE V [extra length] D gives
// a length of 3 or more and a distance of up to 4096 bytes.
//
// The window's lower 16384 bytes are the sliding window; its upper half holds
// the follower sets, 256 rows of 64 bytes.
//
// Decoding stops when the entry's size is reached (a match never writes past
// it) or when the compressed data ends before that; a truncated entry then
// fails the CRC check of the caller instead of being padded out to its size.
#include <cstring>

#include "engine/decompress/decompress.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/records.h"

namespace {

constexpr int DLE = 144;
constexpr int SLIDE_SIZE = WINDOW_SIZE / 2;  // 16384
constexpr int FOLLOWER_ROW = 64;
uint8_t* const follower_sets = window + SLIDE_SIZE;
static_assert(256 * FOLLOWER_ROW == WINDOW_SIZE - SLIDE_SIZE, "sets fill the upper half");

// Indexed by the reduction factor; entry 0 is not used by any method.
constexpr int length_mask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
constexpr int distance_shift[5] = {0, 7, 6, 5, 4};
constexpr int distance_mask[5] = {0, 1, 3, 7, 15};

// Bits of a follower index for a set of n followers: max(1, ceil(log2 n)).
constexpr int index_bits_for(int n)
{
    if (n == 0)
        return 8;
    int bits = 1;
    while ((1 << bits) < n)
        ++bits;
    return bits;
}

struct IndexBits {
    int bits[256];
    constexpr IndexBits() : bits()
    {
        for (int n = 0; n < 256; ++n)
            bits[n] = index_bits_for(n);
    }
};
constexpr IndexBits index_bits;

int reduction_factor = 1;
uint8_t follower_counts[256];

// Output state of one entry.
int slide_pos = 0;
bool first_pass = true;
uint32_t bytes_left = 0;

void flush_slide()
{
    flush_output(window, static_cast<uint32_t>(slide_pos), false);
    slide_pos = 0;
    first_pass = false;
}

void put_byte(int byte)
{
    window[slide_pos++] = static_cast<uint8_t>(byte);
    --bytes_left;
    if (slide_pos == SLIDE_SIZE)
        flush_slide();
}

// Copies count bytes from distance back, in pieces that neither cross the
// window's end on the source nor on the destination side. On the first pass
// a source at or after the position was never produced and reads as zeros.
void copy_match(int distance, uint32_t count)
{
    if (count > bytes_left)
        count = bytes_left;
    bytes_left -= count;
    int source = (slide_pos - distance) & (SLIDE_SIZE - 1);
    while (count > 0) {
        int further = source > slide_pos ? source : slide_pos;
        uint32_t piece = static_cast<uint32_t>(SLIDE_SIZE - further);
        if (piece > count)
            piece = count;
        uint8_t* target = window + slide_pos;
        const uint8_t* from = window + source;
        if (first_pass && source >= slide_pos) {
            std::memset(target, 0, piece);
        } else if (source > slide_pos || static_cast<uint32_t>(slide_pos - source) >= piece) {
            std::memmove(target, from, piece);
        } else {
            for (uint32_t i = 0; i < piece; ++i)  // overlapping: repeats the pattern
                target[i] = from[i];
        }
        source = (source + static_cast<int>(piece)) & (SLIDE_SIZE - 1);
        slide_pos += static_cast<int>(piece);
        count -= piece;
        if (slide_pos == SLIDE_SIZE)
            flush_slide();
    }
}

void read_follower_sets()
{
    for (int value = 255; value >= 0; --value) {
        int count = static_cast<int>(read_bits(6));
        follower_counts[value] = static_cast<uint8_t>(count);
        uint8_t* row = follower_sets + value * FOLLOWER_ROW;
        for (int i = 0; i < count; ++i)
            row[i] = static_cast<uint8_t>(read_bits(8));
    }
}

// Next symbol after previous, or -1 when the compressed data has ended.
int read_symbol(int previous)
{
    int count = follower_counts[previous];
    if (count == 0) {
        int literal = static_cast<int>(read_bits(8));
        return input_ended ? -1 : literal;
    }
    int is_literal = static_cast<int>(read_bits(1));
    if (input_ended)
        return -1;
    if (is_literal) {
        int literal = static_cast<int>(read_bits(8));
        return input_ended ? -1 : literal;
    }
    // An index beyond the set reads whatever that slot of the row holds.
    int index = static_cast<int>(read_bits(index_bits.bits[count]));
    if (input_ended)
        return -1;
    return follower_sets[previous * FOLLOWER_ROW + index];
}

}  // namespace

int unreduce_entry()
{
    reduction_factor = static_cast<int>(local_header.method) - 1;
    if (reduction_factor < 1 || reduction_factor > 4)
        return RC_OK;  // not a reduced entry; the CRC check reports it
    clear_bit_reader();  // the data starts on a byte boundary
    read_follower_sets();

    const int factor = reduction_factor;
    slide_pos = 0;
    first_pass = true;
    bytes_left = uncompressed_size;
    int previous = 0, state = 0, v = 0, length = 0;
    while (bytes_left > 0) {
        int symbol = read_symbol(previous);
        if (symbol < 0)
            break;
        if (state == 0) {
            if (symbol == DLE)
                state = 1;
            else
                put_byte(symbol);
        } else if (state == 1) {
            if (symbol == 0) {
                put_byte(DLE);
                state = 0;
            } else {
                v = symbol;
                length = v & length_mask[factor];
                state = length == length_mask[factor] ? 2 : 3;
            }
        } else if (state == 2) {
            length += symbol;
            state = 3;
        } else {
            int distance = ((v >> distance_shift[factor]) & distance_mask[factor]) * 256 + symbol + 1;
            copy_match(distance, static_cast<uint32_t>(length + 3));
            state = 0;
        }
        previous = symbol;
    }
    if (slide_pos > 0)
        flush_slide();
    return RC_OK;
}
