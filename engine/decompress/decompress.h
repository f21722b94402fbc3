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
