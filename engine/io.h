// Byte input through the 2048-byte archive window, output flushing with the
// running CRC-32 and text conversion, and the engine's signal handler.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int INPUT_BLOCK = 2048;
constexpr int INPUT_BUFFER_SIZE = INPUT_BLOCK + 4;  // 3 spare bytes for the end-record scan
constexpr int WINDOW_SIZE = 32768;
constexpr int OUTPUT_BLOCK = 65536;
constexpr int OUTPUT_BUFFER_SIZE = OUTPUT_BLOCK + 1;
constexpr int TRANSLATE_BUFFER_SIZE = 131072;
constexpr int ANSWER_SIZE = 9;

// Input state.
extern uint8_t* input_buffer;      // INPUT_BUFFER_SIZE bytes, owned by engine_main's call
extern uint8_t* input_pos;         // next unread byte
extern int32_t input_count;        // unread bytes from input_pos
extern int32_t buffer_file_offset; // archive offset of input_buffer[0]
extern int archive_fd;             // open archive (low-level descriptor)
extern int32_t compressed_left;    // compressed bytes of the entry not yet consumed
extern int32_t offset_adjust;      // added by seek_archive to every stored offset

// Output state.
extern uint8_t window[WINDOW_SIZE];
extern uint8_t* output_buffer;     // OUTPUT_BUFFER_SIZE bytes, owned by engine_main's call
extern uint8_t* translate_buffer;  // TRANSLATE_BUFFER_SIZE bytes or null
extern FILE* output_file;          // entry's output file, or stdout with -c/-p
extern uint32_t running_crc;
extern int new_file;
extern int last_was_cr;
extern int disk_full;              // 0 none, 1 go on (discard rest), 2 stop
extern char answer[ANSWER_SIZE];   // answer line shared with the extraction questions

extern const uint32_t crc_table[256];

int32_t read_input(uint8_t* dest, int32_t n);
int fill_input();
// Next compressed byte of the current entry, or -1 past its end or the archive's.
// Inline: it is the hot path of every decompressor.
inline int read_byte()
{
    if (compressed_left <= 0) {
        // Counts the reads past the end; a forged size of 2 GB or more
        // starts out negative, so the count stops at the bottom.
        if (compressed_left != INT32_MIN)
            --compressed_left;
        return -1;
    }
    --compressed_left;
    if (--input_count >= 0)
        return *input_pos++;
    return fill_input();
}
int seek_position(int32_t position);
int seek_archive(int32_t offset);
int flush_output(const uint8_t* data, uint32_t size, bool from_unshrink);
int disk_full_prompt();
void signal_handler(int signal_number);

// CRC-32 over a buffer, continuing from crc (the register, not complemented).
uint32_t update_crc(uint32_t crc, const uint8_t* data, size_t size);

// Appended to messages about a damaged archive.
extern const char please_check_text[];
