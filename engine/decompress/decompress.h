// Entry points of the decompressors. Each reads the current entry's data with
// read_byte and writes through the window with flush_output.
#pragma once
#include <cstdint>

int inflate_entry();          // 0 ok, 1/2 invalid data, 3 no memory
void release_fixed_tables();  // drop the cached fixed-code tables
int explode_entry();          // 0 ok, 3 no memory, 5 size disagrees, else invalid data
int unshrink_entry();         // 0 ok, else an error value
int unreduce_entry();         // result not used by the caller

extern int32_t compressed_used;  // compressed bytes explode consumed

// Bit reader of unshrink and unreduce, least significant bit first. The
// extraction loop clears it (clear_bit_reader) before every entry.
extern uint32_t bit_reservoir;  // buffered bits, next bit at bit 0
extern int reservoir_count;     // bits buffered; below 0 once the input has ended
extern int input_ended;         // the last read_bits found no more input
void clear_bit_reader();
uint32_t read_bits(int n);      // n from 1 to 16; missing bits read as 0

// The text-translation buffer unshrink allocates on first need; released at
// the end of the engine run.
void release_translate_buffer();
