// The short and verbose listings of the central directory, which also fill
// the installer's entry table.
#pragma once
#include <cstdint>

// Lists the selected entries; the input stands on the first central header.
int list_entries();
// Signed ratio of the saving in tenths of a percent.
int compression_ratio(uint32_t uncompressed, uint32_t compressed);
// Writes a name with control bytes shown as ^X, then a newline.
void print_entry_name(const char* text);
