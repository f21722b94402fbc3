// The archive layer: the loop over archive names, one archive's end-record
// search and offset compensation, and the hand-over to listing or extraction.
#pragma once
#include <cstdint>

constexpr int32_t END_SEARCH_LENGTH = 66000;  // largest comment plus the record
constexpr int END_RECORD_SIZE = 22;

extern int32_t archive_length;       // size of the open archive
extern int32_t end_record_offset;    // where the end record was found
extern int32_t expected_end_offset;  // central_dir_offset + central_dir_size as stored
extern int no_directory_seen;        // a file without central directory was met
extern uint8_t* boundary_bytes;      // the 3 spare bytes after the 2048-byte input block

// Processes every archive that archive_spec names, prints the summary,
// releases the engine's buffers; the highest result met.
int process_archives();
// One archive (archive_name); last_chance is the ".zip" retry.
int process_archive(bool last_chance);
// Opens archive_name into archive_fd: 0, or 1 with a message.
int open_archive();
// Closes archive_fd when it is open.
void close_archive();
// Finds and decodes the end record: 0, 2 not found (message written), 51.
int find_end_record(int32_t search_length);
// Shows the archive comment when asked: 0, or 1 when it was cut short.
int process_zip_comment();
