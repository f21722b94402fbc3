// Opening an archive, the backward search for its end record, and the
// archive comment.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>

#include "engine/archive.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/records.h"

#ifdef _WIN32
#include <io.h>
#define low_open(name) _open(name, _O_RDONLY | _O_BINARY)
#define low_read _read
#define low_seek _lseek
#define low_close _close
#else
#include <unistd.h>
#define low_open(name) ::open(name, O_RDONLY)
#define low_read ::read
#define low_seek ::lseek
#define low_close ::close
#endif

int32_t archive_length = 0;
int32_t end_record_offset = 0;
int32_t expected_end_offset = 0;
int no_directory_seen = 0;
uint8_t* boundary_bytes = nullptr;

namespace {

constexpr char NOT_FOUND_TEXT[] =
    "  End-of-central-directory signature not found.  Either this file is not\n"
    "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
    "  latter case the central directory and zipfile comment will be found on\n"
    "  the last disk(s) of this archive.\n\n";

// Reads size bytes at offset into input_buffer; true when all arrived.
bool read_at(int32_t offset, int32_t size)
{
    if (low_seek(archive_fd, offset, SEEK_SET) != offset)
        return false;
    int32_t total = 0;
    while (total < size) {
        auto got = low_read(archive_fd, input_buffer + total, static_cast<unsigned>(size - total));
        if (got <= 0)
            return false;
        total += static_cast<int32_t>(got);
    }
    return true;
}

// The first three bytes of the block just scanned go behind the next block
// to be scanned (the one before it), so that a signature spanning the two
// blocks is seen. The copy stops at a zero byte, as a string copy would.
void keep_boundary_bytes()
{
    int i = 0;
    for (; i < 3 && input_buffer[i] != 0; ++i)
        boundary_bytes[i] = input_buffer[i];
    for (; i < 3; ++i)
        boundary_bytes[i] = 0;
}

// Position of the last end signature in input_buffer[0..last], or -1. Only
// positions whose 22-byte record fits inside the file count: a signature
// closer to the end can only be stray bytes of the comment.
int32_t scan_block(int32_t last)
{
    for (int32_t p = last; p >= 0; --p) {
        if (input_buffer[p] != 'P' || std::memcmp(input_buffer + p, end_signature, 4) != 0)
            continue;
        if (buffer_file_offset + p + END_RECORD_SIZE <= archive_length)
            return p;
    }
    return -1;
}

inline uint16_t get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t get32(const uint8_t* p)
{
    return static_cast<uint32_t>(get16(p)) | static_cast<uint32_t>(get16(p + 2)) << 16;
}

// Decodes the record found at input_buffer[p]; data_end bytes are loaded.
int decode_end_record(int32_t p, int32_t data_end)
{
    input_pos = input_buffer + p;
    input_count = data_end - p;
    end_record_offset = buffer_file_offset + p;
    uint8_t raw[END_RECORD_SIZE];
    if (read_input(raw, END_RECORD_SIZE) != END_RECORD_SIZE)
        return RC_EOF;
    end_record.this_disk = get16(raw + 4);
    end_record.central_dir_disk = get16(raw + 6);
    end_record.entries_this_disk = get16(raw + 8);
    end_record.total_entries = get16(raw + 10);
    end_record.central_dir_size = get32(raw + 12);
    end_record.central_dir_offset = get32(raw + 16);
    end_record.comment_length = get16(raw + 20);
    // Stored as 32-bit values; wrap like the format's own arithmetic.
    expected_end_offset = static_cast<int32_t>(end_record.central_dir_offset + end_record.central_dir_size);
    return RC_OK;
}

}  // namespace

int open_archive()
{
    archive_fd = low_open(archive_name);
    if (archive_fd < 0) {
        std::fprintf(stderr, "error:  can't open zipfile [ %s ]\n", archive_name);
        return 1;
    }
    return 0;
}

void close_archive()
{
    if (archive_fd >= 0)
        low_close(archive_fd);
    archive_fd = -1;
}

int find_end_record(int32_t search_length)
{
    int32_t found = -1, data_end = 0;
    std::memset(boundary_bytes, 0, 3);
    if (archive_length <= INPUT_BLOCK) {
        buffer_file_offset = 0;
        if (read_at(0, archive_length)) {
            data_end = archive_length;
            found = scan_block(archive_length - END_RECORD_SIZE);
        }
    } else {
        int32_t tail = archive_length % INPUT_BLOCK;
        buffer_file_offset = archive_length - tail;
        bool readable = true;
        if (tail > 18) {
            readable = read_at(buffer_file_offset, tail);
            if (readable) {
                data_end = tail;
                found = scan_block(tail - END_RECORD_SIZE);
                keep_boundary_bytes();
            }
        }
        int32_t blocks = (search_length - tail + INPUT_BLOCK - 1) / INPUT_BLOCK;
        for (int32_t i = 1; readable && found < 0 && i <= blocks && buffer_file_offset >= INPUT_BLOCK; ++i) {
            buffer_file_offset -= INPUT_BLOCK;
            if (!read_at(buffer_file_offset, INPUT_BLOCK))
                break;
            data_end = INPUT_BLOCK;
            found = scan_block(INPUT_BLOCK - 1);
            keep_boundary_bytes();
        }
    }
    if (found < 0) {
        if (engine_options.quiet_level != 0)
            std::fprintf(stderr, "[%s]\n", archive_name);
        std::fputs(NOT_FOUND_TEXT, stderr);
        return RC_ERR;
    }
    return decode_end_record(found, data_end);
}

int process_zip_comment()
{
    bool wanted = engine_options.comment_only > 0 ||
                  (engine_options.comment_only == 0 && engine_options.quiet_level == 0);
    if (end_record.comment_length == 0 || !wanted)
        return 0;
    if (read_string_field(end_record.comment_length, DISPLAY) != 0) {
        std::fputs("\ncaution:  zipfile comment truncated\n", stderr);
        return 1;
    }
    return 0;
}
