// Canonical Huffman code to multi-level lookup tables.
#include "engine/decompress/decode_table.h"

#include <cstdlib>

constexpr uint16_t bit_mask[MAX_CODE_BITS + 1] = {
    0x0000, 0x0001, 0x0003, 0x0007, 0x000f, 0x001f, 0x003f, 0x007f, 0x00ff,
    0x01ff, 0x03ff, 0x07ff, 0x0fff, 0x1fff, 0x3fff, 0x7fff, 0xffff,
};

// Symbols sorted by code length, then by symbol.
static unsigned code_values[MAX_CODE_COUNT];

void free_decode_table(DecodeEntry* table)
{
    while (table != nullptr) {
        DecodeEntry* allocation = table - 1;  // the hidden chain slot
        table = allocation->next;
        std::free(allocation);
    }
}

// Checks the code for over-subscription and returns how many patterns of
// the longest length g are left unused (the dummy codes), or -1.
static int unused_patterns(const unsigned* count, int shortest, int g)
{
    int patterns = 1 << shortest;
    for (int len = shortest; len < g; len++, patterns <<= 1) {
        patterns -= static_cast<int>(count[len]);
        if (patterns < 0)
            return -1;
    }
    patterns -= static_cast<int>(count[g]);
    return patterns < 0 ? -1 : patterns;
}

// Width of a table opened at depth w for the first code of length k, of
// which codes_left (this one included) are still to place.
static int table_width(const unsigned* count, int k, int w, unsigned codes_left,
                       int g, int max_bits, int end_of_block_length)
{
    int j = k - w;
    int limit = g - w < max_bits ? g - w : max_bits;
    unsigned unfilled = 1u << j;
    if (unfilled > codes_left) {
        unfilled -= codes_left;
        int len = k;
        while (j < limit) {
            j++;
            len++;
            unfilled <<= 1;
            if (unfilled <= count[len])
                break;  // codes of this length use up the rest
            unfilled -= count[len];
        }
    }
    // Let the end-of-block code end exactly at a table's last bit.
    if (w < end_of_block_length && end_of_block_length < w + j)
        j = end_of_block_length - w;
    return j;
}

// The slot that decodes the idx-th symbol of the sorted list.
static DecodeEntry symbol_slot(unsigned idx, unsigned value_count, unsigned simple_count,
                               const uint16_t* bases, const uint8_t* extras)
{
    DecodeEntry slot{};
    if (idx >= value_count) {
        slot.op = DECODE_INVALID;  // pattern of an incomplete code
        return slot;
    }
    unsigned symbol = code_values[idx];
    if (symbol < simple_count) {
        slot.op = symbol < 256 ? DECODE_LITERAL : DECODE_END_OF_BLOCK;
        slot.value = static_cast<uint16_t>(symbol);
    } else {
        slot.op = extras[symbol - simple_count];
        slot.value = bases[symbol - simple_count];
    }
    return slot;
}

int build_decode_table(const unsigned* lengths, unsigned count, unsigned simple_count,
                       const uint16_t* bases, const uint8_t* extras,
                       DecodeEntry** table, int* lookup_bits)
{
    *table = nullptr;
    if (count > MAX_CODE_COUNT)
        return TABLE_OVERSUBSCRIBED;
    int end_of_block_length = count > 256 ? static_cast<int>(lengths[256]) : MAX_CODE_BITS;

    unsigned length_count[MAX_CODE_BITS + 1] = {};
    for (unsigned v = 0; v < count; v++) {
        if (lengths[v] > MAX_CODE_BITS)
            return TABLE_OVERSUBSCRIBED;
        length_count[lengths[v]]++;
    }
    if (length_count[0] == count) {
        *lookup_bits = 0;
        return TABLE_COMPLETE;
    }

    int shortest = 1, g = MAX_CODE_BITS;
    while (length_count[shortest] == 0)
        shortest++;
    while (length_count[g] == 0)
        g--;
    int max_bits = *lookup_bits;
    if (max_bits < shortest)
        max_bits = shortest;
    if (max_bits > g)
        max_bits = g;

    int dummies = unused_patterns(length_count, shortest, g);
    if (dummies < 0)
        return TABLE_OVERSUBSCRIBED;

    // Sort the symbols by length (a counting sort keeps symbol order).
    unsigned offset[MAX_CODE_BITS + 2] = {};
    for (int len = 1; len <= MAX_CODE_BITS; len++)
        offset[len + 1] = offset[len] + length_count[len];
    unsigned value_count = offset[MAX_CODE_BITS + 1];
    for (unsigned v = 0; v < count; v++)
        if (lengths[v] != 0)
            code_values[offset[lengths[v]]++] = v;
    // The unused patterns of the longest length decode as invalid codes.
    length_count[g] += static_cast<unsigned>(dummies);

    // Open tables, one per level: table, bits decoded before it, its width,
    // and the low code bits that lead to it.
    DecodeEntry* level_table[MAX_CODE_BITS];
    int level_start[MAX_CODE_BITS];
    int level_width[MAX_CODE_BITS];
    unsigned level_prefix[MAX_CODE_BITS];
    int h = -1;
    DecodeEntry** chain_end = table;

    unsigned code = 0;  // current code, bit-reversed as it is read
    unsigned idx = 0;   // position in the sorted symbol list
    for (int k = shortest; k <= g; k++) {
        for (unsigned left = length_count[k]; left > 0; left--) {
            while (h < 0 || k > level_start[h] + level_width[h]) {
                int w = h < 0 ? 0 : level_start[h] + level_width[h];
                int j = table_width(length_count, k, w, left, g, max_bits, end_of_block_length);
                size_t slots = (static_cast<size_t>(1) << j) + 1;
                auto* allocation = static_cast<DecodeEntry*>(std::malloc(slots * sizeof(DecodeEntry)));
                if (allocation == nullptr) {
                    free_decode_table(*table);
                    *table = nullptr;
                    return TABLE_NO_MEMORY;
                }
                allocation->op = 0;
                allocation->bits = 0;
                allocation->next = nullptr;
                *chain_end = allocation + 1;
                chain_end = &allocation->next;
                if (h >= 0) {
                    DecodeEntry link{};
                    link.op = static_cast<uint8_t>(DECODE_LITERAL + j);
                    link.bits = static_cast<uint8_t>(level_width[h]);
                    link.next = allocation + 1;
                    level_table[h][(code >> level_start[h]) & bit_mask[level_width[h]]] = link;
                }
                h++;
                level_table[h] = allocation + 1;
                level_start[h] = w;
                level_width[h] = j;
                level_prefix[h] = code & bit_mask[w];
            }

            DecodeEntry slot = symbol_slot(idx++, value_count, simple_count, bases, extras);
            int w = level_start[h];
            slot.bits = static_cast<uint8_t>(k - w);
            unsigned size = 1u << level_width[h];
            for (unsigned i = code >> w; i < size; i += 1u << (k - w))
                level_table[h][i] = slot;

            // Next code of length k, incremented in bit-reversed form.
            unsigned bit = 1u << (k - 1);
            while (code & bit) {
                code ^= bit;
                bit >>= 1;
            }
            code ^= bit;

            // Leave the tables whose patterns are all used.
            while (h > 0 && (code & bit_mask[level_start[h]]) != level_prefix[h])
                h--;
        }
    }
    *lookup_bits = level_width[0];
    return dummies != 0 && g != 1 ? TABLE_INCOMPLETE : TABLE_COMPLETE;
}
