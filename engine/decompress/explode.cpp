// Explode: decodes imploded entry data (method 6), the sliding-dictionary
// method with Shannon-Fano coded literals, lengths and distances.
#include <array>
#include <cstring>

#include "engine/decompress/decode_table.h"
#include "engine/decompress/decompress.h"
#include "engine/io.h"
#include "engine/records.h"

int32_t compressed_used = 0;

// Code lengths of the tree being read.
unsigned imploded_lengths[256];

// Results of explode_entry beyond those of the table builder.
enum : int { EXPLODE_OK = 0, EXPLODE_BAD = 1, EXPLODE_BAD_LENGTHS = 4, EXPLODE_SIZE_DIFFERS = 5 };

constexpr uint16_t FLAG_8K_DICTIONARY = 0x0002;
constexpr uint16_t FLAG_LITERAL_TREE = 0x0004;
// Entries with more compressed data than this get a wider distance lookup.
constexpr int32_t WIDE_DISTANCE_THRESHOLD = 200000;
// Bytes past the end of the compressed data tolerated before the data
// counts as cut short.
constexpr unsigned MAX_BYTES_PAST_END = 8;

constexpr std::array<uint16_t, 64> code_bases(unsigned first, unsigned step)
{
    std::array<uint16_t, 64> bases{};
    for (unsigned code = 0; code < 64; code++)
        bases[code] = static_cast<uint16_t>(first + step * code);
    return bases;
}

constexpr std::array<uint16_t, 64> length_base_min2 = code_bases(2, 1);  // no literal tree
constexpr std::array<uint16_t, 64> length_base_min3 = code_bases(3, 1);  // literal tree
constexpr std::array<uint16_t, 64> distance_base_4k = code_bases(1, 64);
constexpr std::array<uint16_t, 64> distance_base_8k = code_bases(1, 128);
// Length code 63 is followed by 8 more bits; distances have no extra bits
// of their own (their low bits come raw before the code).
constexpr std::array<uint8_t, 64> length_extra_implode = [] {
    std::array<uint8_t, 64> extras{};
    extras[63] = 8;
    return extras;
}();
constexpr std::array<uint8_t, 64> distance_extra_implode{};

// Bit buffer helpers on locals; past the entry's end read_byte gives -1,
// which fills the buffer with one-bits.
#define NEED_BITS(n)                                                   \
    while (count < static_cast<unsigned>(n)) {                         \
        int next_ = read_byte();                                       \
        ends_seen += next_ < 0;                                        \
        bits |= static_cast<uint32_t>(next_) << count;                 \
        count += 8;                                                    \
    }
#define DROP_BITS(n)         \
    do {                     \
        bits >>= (n);        \
        count -= (n);        \
    } while (0)

// Looks a code up on the complemented bits, as the imploder writes its
// codes inverted; entry becomes nullptr for a pattern that is no code.
#define DECODE_COMPLEMENTED(entry, table, lookup_bits)                      \
    NEED_BITS(lookup_bits);                                                 \
    entry = (table) + (~bits & bit_mask[lookup_bits]);                      \
    while (entry->op > DECODE_LITERAL) {                                    \
        if (entry->op == DECODE_INVALID) {                                  \
            entry = nullptr;                                                \
            break;                                                          \
        }                                                                   \
        unsigned sub_bits = entry->op - DECODE_LITERAL;                     \
        DROP_BITS(entry->bits);                                             \
        NEED_BITS(sub_bits);                                                \
        entry = entry->next + (~bits & bit_mask[sub_bits]);                 \
    }                                                                       \
    if (entry != nullptr)                                                   \
        DROP_BITS(entry->bits);

// Reads one tree's compressed bit-length list: a count byte, then bytes of
// (codes - 1) << 4 | (length - 1). A byte past the end reads as 255.
static int read_sf_lengths(unsigned* lengths, unsigned n)
{
    unsigned items = static_cast<unsigned>(read_byte() & 0xff) + 1;
    unsigned stored = 0;
    for (unsigned i = 0; i < items; i++) {
        unsigned byte = static_cast<unsigned>(read_byte() & 0xff);
        unsigned length = (byte & 0x0f) + 1;
        unsigned codes = (byte >> 4) + 1;
        if (stored + codes > n)
            return EXPLODE_BAD_LENGTHS;
        while (codes-- > 0)
            lengths[stored++] = length;
    }
    return stored == n ? EXPLODE_OK : EXPLODE_BAD_LENGTHS;
}

// Reads a tree's lengths and builds its table; an incomplete tree is
// damaged data here.
static int read_tree(unsigned n, unsigned simple_count, const uint16_t* bases,
                     const uint8_t* extras, DecodeEntry** table, int* lookup_bits)
{
    int r = read_sf_lengths(imploded_lengths, n);
    if (r != EXPLODE_OK)
        return r;
    return build_decode_table(imploded_lengths, n, simple_count, bases, extras, table, lookup_bits);
}

// Flushes the full window; from then on every distance reaches real bytes.
static inline unsigned flush_full_window(bool* first_pass)
{
    flush_output(window, WINDOW_SIZE, false);
    *first_pass = false;
    return 0;
}

// Copies a match into the window. Before the first flush, bytes at or after
// the position were never produced and read as zeros.
static unsigned copy_match(unsigned pos, unsigned distance, unsigned length, bool* first_pass)
{
    unsigned source = (pos - distance) & (WINDOW_SIZE - 1);
    while (length > 0) {
        unsigned further = source > pos ? source : pos;
        unsigned piece = WINDOW_SIZE - further;
        if (piece > length)
            piece = length;
        if (*first_pass && source >= pos) {
            std::memset(window + pos, 0, piece);
        } else if (source > pos) {
            std::memmove(window + pos, window + source, piece);
        } else if (pos - source >= piece) {
            std::memcpy(window + pos, window + source, piece);
        } else {
            for (unsigned i = 0; i < piece; i++)  // overlap repeats recent bytes
                window[pos + i] = window[source + i];
        }
        pos += piece;
        source = (source + piece) & (WINDOW_SIZE - 1);
        length -= piece;
        if (pos == WINDOW_SIZE)
            pos = flush_full_window(first_pass);
    }
    return pos;
}

struct ImplodeTables {
    const DecodeEntry* literals;  // nullptr: literals are 8 raw bits
    const DecodeEntry* lengths;
    const DecodeEntry* distances;
    int literal_bits;
    int length_bits;
    int distance_bits;
    unsigned raw_distance_bits;   // 6 for the 4K, 7 for the 8K dictionary
};

// The decoding loop of every variant; stops once uncompressed_size bytes
// are produced. 0, 1 (invalid code) or 5 (compressed size not used exactly).
static int decode_imploded(const ImplodeTables& t)
{
    uint32_t bits = 0;
    unsigned count = 0;
    unsigned pos = 0;
    bool first_pass = true;
    int64_t left = uncompressed_size;
    const unsigned raw_mask = bit_mask[t.raw_distance_bits];
    // End markers fetched: a code may look a byte or two past the data, but
    // damaged sizes or a truncated archive would otherwise decode one-bits
    // until the stated size (up to 4 GB) is produced.
    unsigned ends_seen = 0;

    while (left > 0) {
        if (ends_seen > MAX_BYTES_PAST_END)
            return EXPLODE_BAD;
        NEED_BITS(1);
        unsigned is_literal = bits & 1;
        DROP_BITS(1);
        const DecodeEntry* entry;
        if (is_literal) {
            unsigned byte;
            if (t.literals != nullptr) {
                DECODE_COMPLEMENTED(entry, t.literals, t.literal_bits);
                if (entry == nullptr)
                    return EXPLODE_BAD;
                byte = entry->value;
            } else {
                NEED_BITS(8);
                byte = bits & 0xff;
                DROP_BITS(8);
            }
            window[pos++] = static_cast<uint8_t>(byte);
            left--;
            if (pos == WINDOW_SIZE)
                pos = flush_full_window(&first_pass);
            continue;
        }
        NEED_BITS(t.raw_distance_bits);
        unsigned distance = bits & raw_mask;
        DROP_BITS(t.raw_distance_bits);
        DECODE_COMPLEMENTED(entry, t.distances, t.distance_bits);
        if (entry == nullptr)
            return EXPLODE_BAD;
        distance += entry->value;
        DECODE_COMPLEMENTED(entry, t.lengths, t.length_bits);
        if (entry == nullptr)
            return EXPLODE_BAD;
        unsigned length = entry->value;
        if (entry->op != 0) {  // code 63: 8 more bits of length
            NEED_BITS(8);
            length += bits & 0xff;
            DROP_BITS(8);
        }
        left -= length;  // a last match may overshoot
        pos = copy_match(pos, distance, length, &first_pass);
    }
    flush_output(window, pos, false);

    // Whole bytes still in the bit buffer were fetched but not used.
    int32_t unused_held = static_cast<int32_t>(count / 8);
    if (compressed_left + unused_held != 0) {
        compressed_used = static_cast<int32_t>(static_cast<int64_t>(local_header.compressed_size) -
                                               compressed_left - unused_held);
        return EXPLODE_SIZE_DIFFERS;
    }
    return EXPLODE_OK;
}

int explode_entry()
{
    uint16_t flags = local_header.flags;
    if (uncompressed_size == 0) {
        // Nothing to produce (sizes may sit in a trailing data descriptor):
        // no data is read, and any stored data counts as not used.
        if (compressed_left == 0)
            return EXPLODE_OK;
        compressed_used = 0;
        return EXPLODE_SIZE_DIFFERS;
    }

    ImplodeTables t{};
    t.length_bits = 7;
    t.distance_bits = compressed_left > WIDE_DISTANCE_THRESHOLD ? 8 : 7;
    t.raw_distance_bits = flags & FLAG_8K_DICTIONARY ? 7 : 6;
    const auto& distance_bases = flags & FLAG_8K_DICTIONARY ? distance_base_8k : distance_base_4k;
    const auto& length_bases = flags & FLAG_LITERAL_TREE ? length_base_min3 : length_base_min2;

    DecodeTableOwner literals, lengths, distances;
    int r;
    if (flags & FLAG_LITERAL_TREE) {
        t.literal_bits = 9;
        r = read_tree(256, 256, nullptr, nullptr, &literals.table, &t.literal_bits);
        if (r != EXPLODE_OK)
            return r;
    }
    r = read_tree(64, 0, length_bases.data(), length_extra_implode.data(), &lengths.table,
                  &t.length_bits);
    if (r != EXPLODE_OK)
        return r;
    r = read_tree(64, 0, distance_bases.data(), distance_extra_implode.data(), &distances.table,
                  &t.distance_bits);
    if (r != EXPLODE_OK)
        return r;

    t.literals = literals.table;
    t.lengths = lengths.table;
    t.distances = distances.table;
    return decode_imploded(t);
}
