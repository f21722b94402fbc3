// ZIP record state and the readers of headers and variable-length fields.
#include "engine/records.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/io.h"
#include "engine/options.h"

EndRecord end_record;
CentralHeader central_header;
LocalHeader local_header;
CurrentEntry entry_block[ENTRY_BLOCK];
CurrentEntry* current_entry = entry_block;
uint32_t uncompressed_size = 0;
uint8_t* extra_field = nullptr;
uint16_t extra_field_length = 0;

char local_signature[4];
char central_signature[4];
char end_signature[4];
char signature[4];

namespace {

// The signatures are kept apart from their 'P' so that the engine's own
// binary does not hold complete signatures that a scan could mistake.
constexpr char LOCAL_TAIL[] = "K\3\4";
constexpr char CENTRAL_TAIL[] = "K\1\2";
constexpr char END_TAIL[] = "K\5\6";

constexpr int CENTRAL_FIXED = 42;  // central header after its signature
constexpr int LOCAL_FIXED = 26;    // local header after its signature
constexpr int NAME_KEEP = ENTRY_NAME_MAX;
constexpr int32_t COMMENT_CHUNK = OUTPUT_BLOCK;

inline uint16_t get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Hosts whose names are lower-cased, and hosts with DOS attributes.
bool lowercases_names(int host)
{
    return host == 0 || host == 4 || host == 5 || host == 9 || host == 10;
}

bool has_dos_attributes(int host)
{
    return host == 0 || host == 5 || host == 6 || host == 11;
}

// Advances the read position by length bytes; the target is an absolute
// file position, so no offset_adjust applies.
int skip_bytes(int32_t length)
{
    int32_t here = buffer_file_offset + static_cast<int32_t>(input_pos - input_buffer);
    return seek_position(here + length);
}

// Shows the archive comment: CRs dropped, ESC as "^[".
int display_field(int32_t length)
{
    int32_t remaining = length;
    size_t shown = 1;
    while (remaining > 0 && shown > 0) {
        int32_t chunk = remaining < COMMENT_CHUNK ? remaining : COMMENT_CHUNK;
        int32_t got = read_input(output_buffer, chunk);
        if (got <= 0)
            return RC_EOF;
        remaining -= got;
        int32_t out = 0;
        for (int32_t in = 0; in < got; ++in) {
            if (output_buffer[in] == '\r') {
                if (++in < got)
                    output_buffer[out++] = output_buffer[in];
            } else {
                output_buffer[out++] = output_buffer[in];
            }
        }
        output_buffer[out] = '\0';
        shown = std::strlen(reinterpret_cast<char*>(output_buffer));
        for (size_t i = 0; i < shown; ++i) {
            if (output_buffer[i] == 27)
                std::fputs("^[", stdout);
            else
                std::putchar(output_buffer[i]);
        }
    }
    std::putchar('\n');
    return RC_OK;
}

int read_name_field(int32_t length)
{
    int32_t excess = 0;
    if (length > NAME_KEEP) {
        std::fputs("warning:  filename too long--truncating.\n", stderr);
        excess = length - NAME_KEEP;
        length = NAME_KEEP;
    }
    if (read_input(reinterpret_cast<uint8_t*>(entry_name), length) != length)
        return RC_EOF;
    entry_name[length] = '\0';
    if (current_entry->lowercase_name)
        for (char* p = entry_name; *p; ++p)
            if (*p >= 'A' && *p <= 'Z')
                *p = static_cast<char>(*p - 'A' + 'a');
    // A DOS label is stored as 8.3 (LABELNAM.EXT); the label has no dot.
    if (current_entry->is_volume_label && std::strlen(entry_name) > 8 && entry_name[8] == '.')
        std::memmove(entry_name + 8, entry_name + 9, std::strlen(entry_name + 9) + 1);
    if (excess == 0)
        return RC_OK;
    std::fprintf(stderr, "[ %s ]\n", entry_name);
    int result = skip_bytes(excess);
    return result != RC_OK ? result : RC_WARN;
}

int read_extra_field(int32_t length)
{
    std::free(extra_field);
    extra_field_length = 0;
    extra_field = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length)));
    if (extra_field == nullptr) {
        std::fprintf(stderr, "warning:  extra field too long (%d).  Ignoring...\n", static_cast<int>(length));
        return skip_bytes(length);
    }
    if (read_input(extra_field, length) != length)
        return RC_EOF;
    extra_field_length = static_cast<uint16_t>(length);
    return RC_OK;
}

}  // namespace

void assemble_signatures()
{
    local_signature[0] = central_signature[0] = end_signature[0] = 'P';
    std::memcpy(local_signature + 1, LOCAL_TAIL, 3);
    std::memcpy(central_signature + 1, CENTRAL_TAIL, 3);
    std::memcpy(end_signature + 1, END_TAIL, 3);
}

int read_central_header()
{
    uint8_t raw[CENTRAL_FIXED];
    if (read_input(raw, CENTRAL_FIXED) != CENTRAL_FIXED)
        return RC_EOF;
    CentralHeader& h = central_header;
    h.made_by_version = raw[0];
    h.made_by_host = raw[1];
    h.needed_version = raw[2];
    h.needed_host = raw[3];
    h.flags = get16(raw + 4);
    h.method = get16(raw + 6);
    h.mod_time = get16(raw + 8);
    h.mod_date = get16(raw + 10);
    h.crc32 = get32(raw + 12);
    h.compressed_size = get32(raw + 16);
    h.uncompressed_size = get32(raw + 20);
    h.name_length = get16(raw + 24);
    h.extra_length = get16(raw + 26);
    h.comment_length = get16(raw + 28);
    h.disk_start = get16(raw + 30);
    h.internal_attributes = get16(raw + 32);
    h.external_attributes = get32(raw + 34);
    h.local_header_offset = get32(raw + 38);

    CurrentEntry& e = *current_entry;
    e.host = h.made_by_host > 11 ? 12 : h.made_by_host;
    e.lowercase_name = !engine_options.keep_case && lowercases_names(e.host);
    e.is_volume_label = (h.external_attributes & 8) != 0 && has_dos_attributes(e.host);
    if (e.is_volume_label)
        e.lowercase_name = 0;
    return RC_OK;
}

int read_local_header()
{
    uint8_t raw[LOCAL_FIXED];
    if (read_input(raw, LOCAL_FIXED) != LOCAL_FIXED)
        return RC_EOF;
    LocalHeader& h = local_header;
    h.needed_version = raw[0];
    h.needed_host = raw[1];
    h.flags = get16(raw + 2);
    h.method = get16(raw + 4);
    h.mod_time = get16(raw + 6);
    h.mod_date = get16(raw + 8);
    h.crc32 = get32(raw + 10);
    h.compressed_size = get32(raw + 14);
    h.uncompressed_size = get32(raw + 18);
    h.name_length = get16(raw + 22);
    h.extra_length = get16(raw + 24);

    uncompressed_size = h.uncompressed_size;
    // With a data descriptor the local CRC and sizes may be zero; the
    // central directory has the true ones.
    if (h.flags & 8) {
        h.crc32 = current_entry->crc32;
        h.compressed_size = current_entry->compressed_size;
    }
    compressed_left = static_cast<int32_t>(h.compressed_size);
    return RC_OK;
}

int read_string_field(int length, int mode)
{
    if (length <= 0) {
        // An empty name must not leave the previous entry's name behind:
        // its data would be written over that entry's file.
        if (mode == FILENAME)
            entry_name[0] = '\0';
        return RC_OK;
    }
    switch (mode) {
    case DISPLAY:
        return display_field(length);
    case FILENAME:
        return read_name_field(length);
    case EXTRA_FIELD:
        return read_extra_field(length);
    case SKIP:
        return skip_bytes(length);
    default:
        return RC_OK;
    }
}
