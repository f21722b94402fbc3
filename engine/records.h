// ZIP records as the engine decodes them, the per-entry record, and the
// readers of central and local headers and of the variable-length fields.
#pragma once
#include <cstdint>

constexpr int ENTRY_BLOCK = 64;

struct EndRecord {
    uint16_t this_disk;
    uint16_t central_dir_disk;
    uint16_t entries_this_disk;
    uint16_t total_entries;
    uint32_t central_dir_size;
    uint32_t central_dir_offset;
    uint16_t comment_length;
};

struct CentralHeader {
    uint8_t made_by_version;
    uint8_t made_by_host;
    uint8_t needed_version;
    uint8_t needed_host;
    uint16_t flags;
    uint16_t method;
    uint16_t mod_time;
    uint16_t mod_date;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint16_t name_length;
    uint16_t extra_length;
    uint16_t comment_length;
    uint16_t disk_start;
    uint16_t internal_attributes;
    uint32_t external_attributes;
    uint32_t local_header_offset;
};

struct LocalHeader {
    uint8_t needed_version;
    uint8_t needed_host;
    uint16_t flags;
    uint16_t method;
    uint16_t mod_time;
    uint16_t mod_date;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint16_t name_length;
    uint16_t extra_length;
};

struct CurrentEntry {
    int32_t local_header_offset;
    uint32_t compressed_size;
    uint32_t crc32;
    int32_t host;             // made_by_host, 12 for anything above 11
    int32_t file_attributes;  // DOS attribute byte with the archive bit 0x20 set
    uint8_t encrypted : 1;
    uint8_t has_data_descriptor : 1;
    uint8_t is_text : 1;
    uint8_t text_mode : 1;
    uint8_t lowercase_name : 1;
    uint8_t is_volume_label : 1;
};

// Compression methods.
enum : int {
    METHOD_STORED = 0,
    METHOD_SHRUNK = 1,
    METHOD_REDUCED1 = 2,
    METHOD_REDUCED4 = 5,
    METHOD_IMPLODED = 6,
    METHOD_DEFLATED = 8,
};

// Modes of read_string_field.
enum : int { SKIP = 0, DISPLAY = 1, FILENAME = 2, EXTRA_FIELD = 3 };

extern EndRecord end_record;
extern CentralHeader central_header;
extern LocalHeader local_header;
extern CurrentEntry entry_block[ENTRY_BLOCK];
extern CurrentEntry* current_entry;
extern uint32_t uncompressed_size;   // of the current entry, from its local header
extern uint8_t* extra_field;         // copy of the last extra field read, or null
extern uint16_t extra_field_length;

// Signatures, assembled at the start of each run; the last one read.
extern char local_signature[4];
extern char central_signature[4];
extern char end_signature[4];
extern char signature[4];
void assemble_signatures();

int read_central_header();
int read_local_header();
int read_string_field(int length, int mode);
