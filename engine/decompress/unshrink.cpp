// Unshrink: method 1, dynamic LZW with codes of 9 to 13 bits. The control
// code 256 followed by 1 widens the codes by one bit, followed by 2 frees every
// entry that no other entry extends (a partial clear).
//
// The three tables share the engine's 32768-byte window, so decoding needs no
// memory of its own:
//   bytes     0..16383  prefix_table: 8192 signed 16-bit codes, -1 = free entry
//   bytes 16384..24575  suffix_table: last byte of each entry's string
//   bytes 24576..32767  decode_stack: one string, filled from the end backwards
// Decoded strings are gathered in output_buffer and flushed in 65536-byte
// chunks, which flush_output translates into translate_buffer in text mode.
//
// Damaged data (a code that is neither assigned nor the next free one, a
// widening past 13 bits, a prefix chain longer than the stack) stops the
// entry; the CRC check of the caller then reports it.
#include <cstdlib>
#include <cstring>

#include "engine/decompress/decompress.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/records.h"

namespace {

constexpr int MAX_CODE_WIDTH = 13;
constexpr int TABLE_SIZE = 8192;        // codes 0..8191
constexpr int CONTROL_CODE = 256;
constexpr int FIRST_STRING_CODE = 257;
constexpr int FREE_ENTRY = -1;
constexpr int SUFFIX_OFFSET = 2 * TABLE_SIZE;
constexpr int STACK_OFFSET = SUFFIX_OFFSET + TABLE_SIZE;
constexpr int STACK_SIZE = WINDOW_SIZE - STACK_OFFSET;  // 8192
static_assert(STACK_SIZE == 8192, "the tables must fill the window exactly");

int code_width = 9;
int next_free_code = FIRST_STRING_CODE;
int first_char = 0;      // first byte of the previous string
int output_count = 0;    // bytes pending in output_buffer

uint8_t* const suffix_table = window + SUFFIX_OFFSET;
uint8_t* const decode_stack = window + STACK_OFFSET;

// The prefix table lies in the byte window; memcpy keeps the 16-bit
// accesses free of alignment and aliasing assumptions.
inline int prefix_of(int code)
{
    int16_t value;
    std::memcpy(&value, window + 2 * code, sizeof value);
    return value;
}

inline void set_prefix(int code, int prefix)
{
    int16_t value = static_cast<int16_t>(prefix);
    std::memcpy(window + 2 * code, &value, sizeof value);
}

int find_free_code(int from)
{
    int code = from;
    while (code < TABLE_SIZE && prefix_of(code) != FREE_ENTRY)
        ++code;
    return code;
}

void reset_tables()
{
    code_width = 9;
    next_free_code = FIRST_STRING_CODE;
    for (int code = 0; code < CONTROL_CODE; ++code) {
        set_prefix(code, 0);
        suffix_table[code] = static_cast<uint8_t>(code);
    }
    for (int code = CONTROL_CODE; code < TABLE_SIZE; ++code)
        set_prefix(code, FREE_ENTRY);
}

// Frees every assigned string entry that no other assigned entry names as
// its prefix. The whole table is scanned: after an earlier clear, assigned
// entries can lie above next_free_code, and they both hold leaves and keep
// their prefixes alive.
void partial_clear()
{
    constexpr uint8_t KEEP = 1;
    uint8_t* is_prefix = decode_stack;  // the stack is idle between codes
    std::memset(is_prefix, 0, STACK_SIZE);
    for (int code = FIRST_STRING_CODE; code < TABLE_SIZE; ++code) {
        int prefix = prefix_of(code);
        if (prefix >= FIRST_STRING_CODE)
            is_prefix[prefix] = KEEP;
    }
    for (int code = FIRST_STRING_CODE; code < TABLE_SIZE; ++code)
        if (is_prefix[code] != KEEP)
            set_prefix(code, FREE_ENTRY);
    next_free_code = find_free_code(FIRST_STRING_CODE);
}

void flush_pending()
{
    if (output_count > 0)
        flush_output(output_buffer, static_cast<uint32_t>(output_count), true);
    output_count = 0;
}

void put_string(const uint8_t* string, int length)
{
    if (output_count + length < OUTPUT_BLOCK) {
        std::memcpy(output_buffer + output_count, string, static_cast<size_t>(length));
        output_count += length;
        return;
    }
    for (int i = 0; i < length; ++i) {
        output_buffer[output_count++] = string[i];
        if (output_count == OUTPUT_BLOCK)
            flush_pending();
    }
}

// Reads the next code, handling control sequences. Returns the code, or -1
// at the end of the data or when a widening would pass 13 bits.
int next_code()
{
    int code = static_cast<int>(read_bits(code_width));
    while (!input_ended && code == CONTROL_CODE) {
        uint32_t sub_code = read_bits(code_width);
        if (input_ended)
            return -1;
        if (sub_code == 1) {
            if (code_width == MAX_CODE_WIDTH)
                return -1;
            ++code_width;
        } else if (sub_code == 2) {
            partial_clear();
        }
        code = static_cast<int>(read_bits(code_width));
    }
    return input_ended ? -1 : code;
}

// Decodes code onto the stack; returns the string's length, or 0 for a code
// that cannot be decoded (never assigned, or a chain that does not end).
int decode_string(int code, int previous_code)
{
    int top = STACK_SIZE;
    if (prefix_of(code) == FREE_ENTRY) {
        // Only the entry about to be assigned may be used before it exists:
        // it is the previous string followed by its own first byte.
        if (code != next_free_code)
            return 0;
        decode_stack[--top] = static_cast<uint8_t>(first_char);
        code = previous_code;
    }
    while (code >= FIRST_STRING_CODE) {
        if (top == 1)
            return 0;  // the chain would overflow the stack: a loop
        int prefix = prefix_of(code);
        if (prefix == FREE_ENTRY) {
            decode_stack[--top] = static_cast<uint8_t>(first_char);
            code = previous_code;
        } else {
            decode_stack[--top] = suffix_table[code];
            code = prefix;
        }
    }
    first_char = code & 0xFF;
    decode_stack[--top] = static_cast<uint8_t>(first_char);
    return STACK_SIZE - top;
}

void add_entry(int previous_code)
{
    if (next_free_code >= TABLE_SIZE)
        return;
    set_prefix(next_free_code, previous_code);
    suffix_table[next_free_code] = static_cast<uint8_t>(first_char);
    next_free_code = find_free_code(next_free_code + 1);
}

}  // namespace

void release_translate_buffer()
{
    std::free(translate_buffer);
    translate_buffer = nullptr;
}

int unshrink_entry()
{
    if (current_entry != nullptr && current_entry->text_mode && translate_buffer == nullptr) {
        translate_buffer = static_cast<uint8_t*>(std::malloc(TRANSLATE_BUFFER_SIZE));
        if (translate_buffer == nullptr)
            return RC_MEM2;
    }
    clear_bit_reader();  // the data starts on a byte boundary
    output_count = 0;
    reset_tables();

    int previous_code = static_cast<int>(read_bits(code_width));
    if (input_ended || previous_code >= CONTROL_CODE)
        return RC_OK;  // empty, or damaged from its first code on
    first_char = previous_code;
    output_buffer[output_count++] = static_cast<uint8_t>(first_char);

    for (;;) {
        int code = next_code();
        if (code < 0)
            break;
        int length = decode_string(code, previous_code);
        if (length == 0)
            break;
        put_string(decode_stack + STACK_SIZE - length, length);
        add_entry(previous_code);
        previous_code = code;
    }
    flush_pending();
    return RC_OK;
}
