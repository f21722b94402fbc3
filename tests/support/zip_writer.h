// A small ZIP writer for tests: builds archives in memory with full control
// over every header field, so tests can make both sound and damaged archives.
//
//   ZipArchive zip;
//   zip.add("readme.txt", "hello\n");                       // stored
//   zip.add_deflated("data.bin", bytes, 9);                 // raw deflate, level 9
//   ZipEntry& e = zip.add("odd.dat", "x");
//   e.made_by_host = 11; e.flags |= 1;                     // then edit any field
//   zip.comment = "archive comment";
//   std::string bytes = zip.build();                       // whole archive
//   zip.write_file("/tmp/t.zip");                          // build + write
//
// build() fills `layout` with the offsets of each region, so a test can
// corrupt or truncate the returned bytes at a known place.
//
// Deflate: with zlib (QEL_HAVE_ZLIB) the data is compressed by zlib's raw
// deflate; DeflateBlocks::Fixed forces fixed-Huffman blocks (Z_FIXED) and
// DeflateBlocks::Dynamic forces dynamic-Huffman blocks (the writer's own
// encoder, so that even tiny inputs get a dynamic block). Without zlib (the
// Windows test tree) Auto and Fixed use the writer's own fixed-Huffman encoder
// and level 0 writes stored blocks, so the same tests run everywhere.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class DeflateBlocks { Auto, Fixed, Dynamic };

struct ZipEntry {
    std::string name;
    std::string data;            // uncompressed content (CRC and size come from it)
    std::string compressed;      // bytes stored after the local header
    uint16_t method = 0;

    uint8_t made_by_version = 20;
    uint8_t made_by_host = 0;    // 0 MS-DOS, 3 Unix, 11 NTFS ...
    uint8_t needed_version = 20;
    uint8_t needed_host = 0;
    uint16_t flags = 0;          // bit 0 encrypted, bit 3 data descriptor
    uint16_t dos_time = 0x6000;  // 12:00:00
    uint16_t dos_date = 0x2D21;  // 2002-09-01
    uint16_t internal_attributes = 0;  // bit 0: text
    uint32_t external_attributes = 0x20;  // DOS archive bit
    uint16_t disk_start = 0;

    std::string extra;           // central extra field
    std::string local_extra;     // local extra field
    std::string comment;         // entry comment (central directory)

    // Overrides; when unset the true values are written.
    std::optional<uint32_t> crc32;
    std::optional<uint32_t> compressed_size;
    std::optional<uint32_t> uncompressed_size;
    std::optional<uint32_t> local_header_offset;  // in the central header
    std::optional<std::string> local_name;        // name in the local header

    // With flag bit 3: the local header holds zeros for CRC and sizes and a
    // data descriptor (with signature) follows the data.
    bool write_data_descriptor = true;
};

struct ZipEndOverrides {
    std::optional<uint16_t> this_disk;
    std::optional<uint16_t> central_dir_disk;
    std::optional<uint16_t> entries_this_disk;
    std::optional<uint16_t> total_entries;
    std::optional<uint32_t> central_dir_size;
    std::optional<uint32_t> central_dir_offset;
    std::optional<uint16_t> comment_length;
};

struct ZipLayout {
    std::vector<uint32_t> local_offsets;    // offset of each local header
    std::vector<uint32_t> data_offsets;     // offset of each entry's data
    std::vector<uint32_t> central_offsets;  // offset of each central header
    uint32_t central_offset = 0;
    uint32_t central_size = 0;
    uint32_t end_offset = 0;                // offset of the end record
    uint32_t size = 0;                      // total archive size
};

struct ZipArchive {
    std::vector<ZipEntry> entries;
    std::string comment;
    // Bytes before the first local header. Stored offsets stay relative to
    // the first local header, as when a stub is put in front of a finished
    // archive, so the reader must compensate by prefix.size().
    std::string prefix;
    ZipEndOverrides end;
    ZipLayout layout;                       // filled by build()

    // Stored entry (method 0).
    ZipEntry& add(const std::string& name, const std::string& data);
    // Deflated entry (method 8); level 0-9.
    ZipEntry& add_deflated(const std::string& name, const std::string& data,
                           int level = 6, DeflateBlocks blocks = DeflateBlocks::Auto);
    // Any method with caller-made compressed bytes; data gives CRC and size.
    ZipEntry& add_raw(const std::string& name, uint16_t method,
                      const std::string& compressed, const std::string& data);
    // Directory entry: name ends with '/', DOS directory attribute.
    ZipEntry& add_directory(const std::string& name);

    std::string build();
    bool write_file(const std::string& path);  // build() and write; true on success
};

// Raw deflate stream (no zlib header) of data.
std::string deflate_raw(const std::string& data, int level = 6,
                        DeflateBlocks blocks = DeflateBlocks::Auto);
// The writer's own encoder alone (what deflate_raw uses without zlib).
std::string deflate_own(const std::string& data, int level, DeflateBlocks blocks);
// BTYPE of the first block of a raw deflate stream: 0 stored, 1 fixed, 2 dynamic.
int first_block_type(const std::string& deflated);
// CRC-32 as the ZIP format stores it.
uint32_t zip_crc32(const std::string& data);
// Writes bytes to a file; true on success.
bool write_bytes(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string read_bytes(const std::string& path);
