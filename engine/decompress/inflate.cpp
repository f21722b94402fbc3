// Inflate: decodes deflated entry data (RFC 1951) through the engine's
// 32 KB window, which is at the same time the output staging area.
#include <cstdio>
#include <cstring>

#include "engine/decompress/decode_table.h"
#include "engine/decompress/decompress.h"
#include "engine/io.h"
#include "engine/options.h"

// Decoder state, reset at the start of every entry.
uint32_t inflate_bits = 0;       // bit buffer, next unread bit at bit 0
unsigned inflate_bit_count = 0;  // valid bits in inflate_bits
unsigned inflate_pos = 0;        // next free position in window
// Set once the window has been filled and flushed in this entry: from then
// on every distance up to 32768 reaches bytes of this entry.
bool inflate_window_full = false;
// End markers fetched in this entry: past the entry's data or the archive's
// end; each one put eight one-bits into the bit buffer.
static unsigned inflate_padding_bytes = 0;

// Literal/length lengths followed by distance lengths of a dynamic block.
unsigned code_lengths[288 + 32];

// The fixed-code tables, built on first use and kept for the engine run.
static DecodeEntry* fixed_literal_table = nullptr;
static DecodeEntry* fixed_distance_table = nullptr;
static int fixed_literal_bits = 0;
static int fixed_distance_bits = 0;

constexpr int LITERAL_LOOKUP_BITS = 9;
constexpr int DISTANCE_LOOKUP_BITS = 6;
constexpr int FIXED_LITERAL_LOOKUP_BITS = 7;
constexpr int FIXED_DISTANCE_LOOKUP_BITS = 5;
constexpr int CODE_LENGTH_LOOKUP_BITS = 7;

// Results of the block decoders (those of inflate_entry).
enum : int { INFLATE_OK = 0, INFLATE_BAD = 1, INFLATE_BAD_BLOCK = 2, INFLATE_NO_MEMORY = 3 };

constexpr unsigned code_length_order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                            11, 4, 12, 3, 13, 2, 14, 1, 15};
// Length codes 257-285; 286 and 287 are invalid codes.
constexpr uint16_t length_base[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,
                                      17, 19, 23, 27, 31, 35, 43, 51, 59,  67,  83,
                                      99, 115, 131, 163, 195, 227, 258, 0, 0};
constexpr uint8_t length_extra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                      3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Distance codes 0-29; 30 and 31 may get a length in a dynamic block but
// are invalid codes, so the lists carry them as such.
constexpr uint16_t distance_base[32] = {1,    2,    3,    4,    5,    7,     9,     13,
                                        17,   25,   33,   49,   65,   97,    129,   193,
                                        257,  385,  513,  769,  1025, 1537,  2049,  3073,
                                        4097, 6145, 8193, 12289, 16385, 24577, 0, 0};
constexpr uint8_t distance_extra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                        7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 99, 99};

// The input state of io.h in locals, so that the hot loops keep it in
// registers (stores into the window could otherwise alias it). Loaded at the
// start of a decoding function and saved before it returns; flush_output
// does not touch the input state, so calls to it need no saving.
struct InputCursor {
    const uint8_t* pos;
    const uint8_t* start;  // input_pos when loaded
    const uint8_t* end;    // end of the bytes both in the block and in the entry
    unsigned padding;      // inflate_padding_bytes
};

static inline InputCursor load_input()
{
    int32_t available = input_count < compressed_left ? input_count : compressed_left;
    if (available < 0)
        available = 0;
    return InputCursor{input_pos, input_pos, input_pos + available, inflate_padding_bytes};
}

// Accounts the bytes taken since load_input as read_byte would have.
static inline void save_input(const InputCursor& in)
{
    int32_t taken = static_cast<int32_t>(in.pos - in.start);
    input_pos = const_cast<uint8_t*>(in.pos);
    input_count -= taken;
    compressed_left -= taken;
    inflate_padding_bytes = in.padding;
}

// read_byte on the cursor: the same result and bookkeeping, with a call
// only at the end of an input block or of the entry's data.
static inline int next_byte(InputCursor& in)
{
    if (in.pos < in.end)
        return *in.pos++;
    save_input(in);
    int byte = read_byte();
    in = load_input();
    if (byte < 0)
        in.padding++;
    return byte;
}

// Bit-buffer helpers on local copies of the state. Past the end of the entry
// read_byte gives -1, which fills every bit from `count` upward with ones.
#define NEED_BITS(n)                                                   \
    while (count < static_cast<unsigned>(n)) {                         \
        bits |= static_cast<uint32_t>(next_byte(in)) << count;         \
        count += 8;                                                    \
    }
#define DROP_BITS(n)         \
    do {                     \
        bits >>= (n);        \
        count -= (n);        \
    } while (0)

// True once bits beyond the entry's compressed data (or a truncated
// archive's end) have been consumed: the buffer then holds fewer bits than
// the end markers fetched, which sit above all real bits. Damaged or
// truncated data ends here instead of decoding endless one-bits.
static inline bool consumed_past_end(unsigned padding, unsigned count)
{
    return padding != 0 && static_cast<uint64_t>(padding) * 8 > count;
}

// Flushes the full window and starts over at its beginning.
static inline unsigned flush_full_window()
{
    flush_output(window, WINDOW_SIZE, false);
    inflate_window_full = true;
    return 0;
}

// Takes n (at most 16) bits from the shared state.
static unsigned take_bits(unsigned n)
{
    InputCursor in = load_input();
    uint32_t bits = inflate_bits;
    unsigned count = inflate_bit_count;
    NEED_BITS(n);
    unsigned value = bits & bit_mask[n];
    DROP_BITS(n);
    inflate_bits = bits;
    inflate_bit_count = count;
    save_input(in);
    return value;
}

// Copies a match of `length` bytes from `distance` back, in pieces that
// stop at the end of the window; returns the new position.
static inline unsigned copy_match(unsigned pos, unsigned distance, unsigned length)
{
    unsigned source = (pos - distance) & (WINDOW_SIZE - 1);
    if (source < pos && pos + length < WINDOW_SIZE) {
        // The common case: the match neither wraps nor fills the window.
        uint8_t* out = window + pos;
        const uint8_t* in = window + source;
        if (distance >= length) {
            std::memcpy(out, in, length);
        } else {
            for (unsigned i = 0; i < length; i++)  // overlap repeats recent bytes
                out[i] = in[i];
        }
        return pos + length;
    }
    while (length > 0) {
        unsigned further = source > pos ? source : pos;
        unsigned piece = WINDOW_SIZE - further;
        if (piece > length)
            piece = length;
        length -= piece;
        if (source > pos) {
            // Older bytes ahead of us: a forward move never reads a byte
            // already overwritten.
            std::memmove(window + pos, window + source, piece);
            pos += piece;
            source += piece;
        } else if (pos - source >= piece) {
            std::memcpy(window + pos, window + source, piece);
            pos += piece;
            source += piece;
        } else {
            // Overlap: byte by byte repeats the recent bytes.
            uint8_t* out = window + pos;
            const uint8_t* in = window + source;
            for (unsigned i = 0; i < piece; i++)
                out[i] = in[i];
            pos += piece;
            source += piece;
        }
        if (pos == WINDOW_SIZE)
            pos = flush_full_window();
        source &= WINDOW_SIZE - 1;
    }
    return pos;
}

// Decodes one code: looks up the first level, walks the sub-tables and
// drops the code's bits; entry becomes nullptr for a pattern that is no code.
#define DECODE_SYMBOL(entry, table, lookup_bits, mask)                      \
    NEED_BITS(lookup_bits);                                                 \
    entry = (table) + (bits & (mask));                                      \
    while (entry->op > DECODE_LITERAL) {                                    \
        if (entry->op == DECODE_INVALID) {                                  \
            entry = nullptr;                                                \
            break;                                                          \
        }                                                                   \
        unsigned sub_bits = entry->op - DECODE_LITERAL;                     \
        DROP_BITS(entry->bits);                                             \
        NEED_BITS(sub_bits);                                                \
        entry = entry->next + (bits & bit_mask[sub_bits]);                  \
    }                                                                       \
    if (entry != nullptr)                                                   \
        DROP_BITS(entry->bits);

// Decodes literals and matches up to the end-of-block code: 0 there, 1 on
// an invalid code, a distance before the entry's start, or data past the end.
static int decode_codes(const DecodeEntry* literals, const DecodeEntry* distances,
                        int literal_bits, int distance_bits)
{
    if (literals == nullptr)
        return INFLATE_BAD;  // no literal/length code at all
    InputCursor in = load_input();
    uint32_t bits = inflate_bits;
    unsigned count = inflate_bit_count;
    unsigned pos = inflate_pos;
    const unsigned literal_mask = bit_mask[literal_bits];
    const unsigned distance_mask = bit_mask[distance_bits];
    int result = INFLATE_BAD;

    for (;;) {
        const DecodeEntry* entry;
        DECODE_SYMBOL(entry, literals, literal_bits, literal_mask);
        if (entry == nullptr)
            break;
        unsigned op = entry->op;
        if (op == DECODE_LITERAL) {
            window[pos++] = static_cast<uint8_t>(entry->value);
            if (pos == WINDOW_SIZE)
                pos = flush_full_window();
        } else if (op == DECODE_END_OF_BLOCK) {
            result = INFLATE_OK;
            break;
        } else {
            NEED_BITS(op);
            unsigned length = entry->value + (bits & bit_mask[op]);
            DROP_BITS(op);
            if (distances == nullptr)
                break;
            DECODE_SYMBOL(entry, distances, distance_bits, distance_mask);
            if (entry == nullptr)
                break;
            op = entry->op;
            NEED_BITS(op);
            unsigned distance = entry->value + (bits & bit_mask[op]);
            DROP_BITS(op);
            if (distance > pos && !inflate_window_full)
                break;  // reaches before the entry's first byte
            pos = copy_match(pos, distance, length);
        }
        if (consumed_past_end(in.padding, count))
            break;
    }
    if (result == INFLATE_OK && consumed_past_end(in.padding, count))
        result = INFLATE_BAD;
    inflate_bits = bits;
    inflate_bit_count = count;
    inflate_pos = pos;
    save_input(in);
    return result;
}

static int copy_stored_block()
{
    InputCursor in = load_input();
    uint32_t bits = inflate_bits;
    unsigned count = inflate_bit_count;
    DROP_BITS(count & 7);
    NEED_BITS(16);
    unsigned length = bits & 0xffff;
    DROP_BITS(16);
    NEED_BITS(16);
    unsigned complement = bits & 0xffff;
    DROP_BITS(16);
    int result = INFLATE_OK;
    if (length != (~complement & 0xffff) || consumed_past_end(in.padding, count)) {
        result = INFLATE_BAD;
        length = 0;
    }

    unsigned pos = inflate_pos;
    while (length > 0) {
        if (count >= 8) {
            // Whole bytes the bit buffer already holds come first.
            window[pos++] = static_cast<uint8_t>(bits);
            DROP_BITS(8);
            length--;
        } else if (in.pos < in.end) {
            // Then straight from the input block, as many as fit.
            unsigned piece = length;
            if (piece > static_cast<unsigned>(in.end - in.pos))
                piece = static_cast<unsigned>(in.end - in.pos);
            if (piece > WINDOW_SIZE - pos)
                piece = WINDOW_SIZE - pos;
            std::memcpy(window + pos, in.pos, piece);
            in.pos += piece;
            pos += piece;
            length -= piece;
        } else {
            int byte = next_byte(in);
            if (byte < 0) {
                result = INFLATE_BAD;  // the block runs past the entry's data
                break;
            }
            window[pos++] = static_cast<uint8_t>(byte);
            length--;
        }
        if (pos == WINDOW_SIZE)
            pos = flush_full_window();
    }
    inflate_bits = bits;
    inflate_bit_count = count;
    inflate_pos = pos;
    save_input(in);
    return result;
}

static int decode_fixed_block()
{
    if (fixed_literal_table == nullptr) {
        unsigned lengths[288];
        for (unsigned i = 0; i < 288; i++)
            lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        DecodeEntry* literal_table;
        int literal_bits = FIXED_LITERAL_LOOKUP_BITS;
        int r = build_decode_table(lengths, 288, 257, length_base, length_extra,
                                   &literal_table, &literal_bits);
        if (r != TABLE_COMPLETE) {
            free_decode_table(literal_table);
            return r;
        }
        for (unsigned i = 0; i < 30; i++)
            lengths[i] = 5;
        DecodeEntry* distance_table;
        int distance_bits = FIXED_DISTANCE_LOOKUP_BITS;
        r = build_decode_table(lengths, 30, 0, distance_base, distance_extra,
                               &distance_table, &distance_bits);
        if (r > TABLE_INCOMPLETE) {  // two of the 32 patterns are unused
            free_decode_table(distance_table);
            free_decode_table(literal_table);
            return r;
        }
        fixed_literal_table = literal_table;
        fixed_literal_bits = literal_bits;
        fixed_distance_table = distance_table;
        fixed_distance_bits = distance_bits;
    }
    return decode_codes(fixed_literal_table, fixed_distance_table, fixed_literal_bits,
                        fixed_distance_bits) != 0
               ? INFLATE_BAD
               : INFLATE_OK;
}

// Reads the literal/length and distance code lengths of a dynamic block
// into code_lengths with the block's code-length code.
static int read_code_lengths(const DecodeEntry* table, int lookup_bits, unsigned total)
{
    InputCursor in = load_input();
    uint32_t bits = inflate_bits;
    unsigned count = inflate_bit_count;
    const unsigned mask = bit_mask[lookup_bits];
    unsigned previous = 0;
    int result = INFLATE_OK;
    for (unsigned i = 0; i < total && result == INFLATE_OK;) {
        NEED_BITS(static_cast<unsigned>(lookup_bits));
        const DecodeEntry* entry = table + (bits & mask);
        if (entry->op != DECODE_LITERAL) {  // an unused pattern
            result = INFLATE_BAD;
            break;
        }
        DROP_BITS(entry->bits);
        unsigned symbol = entry->value;
        unsigned repeat = 0, value = 0;
        if (symbol < 16) {
            previous = symbol;
            repeat = 1;
            value = symbol;
        } else if (symbol == 16) {
            NEED_BITS(2);
            repeat = 3 + (bits & 3);
            DROP_BITS(2);
            value = previous;
        } else {
            unsigned extra = symbol == 17 ? 3 : 7;
            NEED_BITS(extra);
            repeat = (symbol == 17 ? 3 : 11) + (bits & bit_mask[extra]);
            DROP_BITS(extra);
            previous = 0;
        }
        if (i + repeat > total || consumed_past_end(in.padding, count)) {
            result = INFLATE_BAD;
            break;
        }
        while (repeat-- > 0)
            code_lengths[i++] = value;
    }
    inflate_bits = bits;
    inflate_bit_count = count;
    save_input(in);
    return result;
}

static int decode_dynamic_block()
{
    unsigned literal_count = 257 + take_bits(5);
    unsigned distance_count = 1 + take_bits(5);
    unsigned length_code_count = 4 + take_bits(4);
    if (literal_count > 288 || distance_count > 32)
        return INFLATE_BAD;

    unsigned lengths[19] = {};
    for (unsigned i = 0; i < length_code_count; i++)
        lengths[code_length_order[i]] = take_bits(3);
    if (consumed_past_end(inflate_padding_bytes, inflate_bit_count))
        return INFLATE_BAD;

    int r;
    {
        // The dynamic block's tables are freed on every way out of it.
        DecodeTableOwner length_table;
        int length_bits = CODE_LENGTH_LOOKUP_BITS;
        r = build_decode_table(lengths, 19, 19, nullptr, nullptr, &length_table.table, &length_bits);
        if (r != TABLE_COMPLETE)
            return r;
        if (length_table.table == nullptr)
            return INFLATE_BAD;  // no code-length code at all
        r = read_code_lengths(length_table.table, length_bits, literal_count + distance_count);
        if (r != INFLATE_OK)
            return r;
    }

    DecodeTableOwner literal_table;
    int literal_bits = LITERAL_LOOKUP_BITS;
    r = build_decode_table(code_lengths, literal_count, 257, length_base, length_extra,
                           &literal_table.table, &literal_bits);
    if (r != TABLE_COMPLETE) {
        if (r == TABLE_INCOMPLETE && engine_options.quiet_level == 0)
            std::fputs("(incomplete l-tree)  ", stderr);
        return r;
    }
    DecodeTableOwner distance_table;
    int distance_bits = DISTANCE_LOOKUP_BITS;
    r = build_decode_table(code_lengths + literal_count, distance_count, 0, distance_base,
                           distance_extra, &distance_table.table, &distance_bits);
    if (r == TABLE_INCOMPLETE) {
        if (engine_options.quiet_level == 0)
            std::fputs("(incomplete d-tree)  ", stderr);
    } else if (r != TABLE_COMPLETE) {
        return r;
    }
    return decode_codes(literal_table.table, distance_table.table, literal_bits, distance_bits) != 0
               ? INFLATE_BAD
               : INFLATE_OK;
}

static int decode_block(bool* last)
{
    *last = take_bits(1) != 0;
    unsigned type = take_bits(2);
    if (consumed_past_end(inflate_padding_bytes, inflate_bit_count))
        return INFLATE_BAD;
    switch (type) {
    case 0:
        return copy_stored_block();
    case 1:
        return decode_fixed_block();
    case 2:
        return decode_dynamic_block();
    default:
        return INFLATE_BAD_BLOCK;
    }
}

int inflate_entry()
{
    inflate_pos = 0;
    inflate_bits = 0;
    inflate_bit_count = 0;
    inflate_window_full = false;
    inflate_padding_bytes = 0;
    bool last = false;
    while (!last) {
        int r = decode_block(&last);
        if (r != INFLATE_OK)
            return r;
    }
    flush_output(window, inflate_pos, false);
    return INFLATE_OK;
}

void release_fixed_tables()
{
    if (fixed_literal_table != nullptr) {
        free_decode_table(fixed_distance_table);
        free_decode_table(fixed_literal_table);
        fixed_literal_table = nullptr;
        fixed_distance_table = nullptr;
    }
}
