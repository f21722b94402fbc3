// Archive input through one 2048-byte window, output with CRC-32 and
// line-end conversion, and the engine's signal handler.
#include "engine/io.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "engine/options.h"
#include "engine/records.h"

#ifdef _WIN32
#include <io.h>
#define low_read _read
#define low_write _write
#define low_seek _lseek
#define low_fileno _fileno
#else
#include <unistd.h>
#define low_read ::read
#define low_write ::write
#define low_seek ::lseek
#define low_fileno fileno
#endif

uint8_t* input_buffer = nullptr;
uint8_t* input_pos = nullptr;
int32_t input_count = 0;
int32_t buffer_file_offset = 0;
int archive_fd = -1;
int32_t compressed_left = 0;
int32_t offset_adjust = 0;

uint8_t window[WINDOW_SIZE];
uint8_t* output_buffer = nullptr;
uint8_t* translate_buffer = nullptr;
FILE* output_file = nullptr;
uint32_t running_crc = 0;
int new_file = 0;
int last_was_cr = 0;
int disk_full = 0;
char answer[ANSWER_SIZE];

const char please_check_text[] =
    "  (please check that you have transferred or created the zipfile in the\n"
    "  appropriate BINARY mode and that you have compiled unzip properly)\n";

namespace {

constexpr uint32_t make_crc_entry(uint32_t n)
{
    for (int step = 0; step < 8; ++step)
        n = (n & 1) ? (n >> 1) ^ 0xEDB88320u : n >> 1;
    return n;
}

// entry[0] is the standard byte-wise table; entry[k][n] is the CRC of byte n
// followed by k zero bytes, so eight bytes are folded in with eight lookups
// (still one lookup per byte) without a dependency chain between them.
struct CrcTables {
    uint32_t entry[8][256];
    constexpr CrcTables() : entry()
    {
        for (uint32_t n = 0; n < 256; ++n)
            entry[0][n] = make_crc_entry(n);
        for (int k = 1; k < 8; ++k)
            for (uint32_t n = 0; n < 256; ++n)
                entry[k][n] = (entry[k - 1][n] >> 8) ^ entry[0][entry[k - 1][n] & 0xFF];
    }
};

constexpr CrcTables crc_tables;
static_assert(crc_tables.entry[0][1] == 0x77073096u && crc_tables.entry[0][255] == 0x2D02EF8Du);

// Reads one block, retrying on interruption; the result of the last read.
int32_t read_block(uint8_t* dest)
{
    return static_cast<int32_t>(low_read(archive_fd, dest, INPUT_BLOCK));
}

// Writes all of data to the output descriptor; false on a short write.
bool write_all(const uint8_t* data, uint32_t size)
{
    int fd = low_fileno(output_file);
    while (size > 0) {
        auto written = low_write(fd, data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<uint32_t>(written);
    }
    return true;
}

int write_output(const uint8_t* data, uint32_t size)
{
    if (write_all(data, size))
        return 0;
    if (engine_options.to_stdout)
        return 0;  // write errors on standard output are ignored
    return disk_full_prompt();
}

// CR, LF and CR LF all become CR LF; the result goes to target.
uint32_t translate_line_ends(const uint8_t* data, uint32_t size, uint8_t* target)
{
    uint32_t in = 0, out = 0;
    if (new_file) {
        last_was_cr = 0;
        new_file = 0;
    }
    if (size > 0 && data[0] == '\n' && last_was_cr)
        in = 1;  // the CR that ended the previous chunk already made CR LF
    last_was_cr = 0;
    for (; in < size; ++in) {
        uint8_t byte = data[in];
        if (byte == '\r') {
            target[out++] = '\r';
            target[out++] = '\n';
            if (in + 1 == size)
                last_was_cr = 1;
            else if (data[in + 1] == '\n')
                ++in;
        } else if (byte == '\n') {
            target[out++] = '\r';
            target[out++] = '\n';
        } else {
            target[out++] = byte;
        }
    }
    return out;
}

}  // namespace

const uint32_t crc_table[256] = {
#define ROW(i) crc_tables.entry[0][i], crc_tables.entry[0][i + 1], crc_tables.entry[0][i + 2], crc_tables.entry[0][i + 3]
#define ROW16(i) ROW(i), ROW(i + 4), ROW(i + 8), ROW(i + 12)
    ROW16(0), ROW16(16), ROW16(32), ROW16(48), ROW16(64), ROW16(80), ROW16(96), ROW16(112),
    ROW16(128), ROW16(144), ROW16(160), ROW16(176), ROW16(192), ROW16(208), ROW16(224), ROW16(240),
#undef ROW16
#undef ROW
};

uint32_t update_crc(uint32_t crc, const uint8_t* data, size_t size)
{
    const auto& t = crc_tables.entry;
    for (; size >= 8; data += 8, size -= 8) {
        uint32_t low = crc ^ (data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    }
    for (; size > 0; ++data, --size)
        crc = t[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
    return crc;
}

int32_t read_input(uint8_t* dest, int32_t n)
{
    int32_t wanted = n;
    while (wanted > 0) {
        if (input_count <= 0) {  // also after a failed refill or a seek past the data
            int32_t got = read_block(input_buffer);
            if (got == 0)
                return n - wanted;
            if (got < 0) {
                std::fputs("error:  zipfile read error\n", stderr);
                return -1;
            }
            buffer_file_offset += INPUT_BLOCK;
            input_pos = input_buffer;
            input_count = got;
        }
        int32_t chunk = wanted < input_count ? wanted : input_count;
        std::memcpy(dest, input_pos, static_cast<size_t>(chunk));
        dest += chunk;
        input_pos += chunk;
        input_count -= chunk;
        wanted -= chunk;
    }
    return n;
}

int fill_input()
{
    int32_t got = read_block(input_buffer);
    if (got <= 0) {
        input_count = got;
        return -1;
    }
    buffer_file_offset += INPUT_BLOCK;
    input_pos = input_buffer;
    input_count = got - 1;
    return *input_pos++;
}

int seek_position(int32_t position)
{
    if (position < 0) {
        std::fprintf(stderr, "error [%s]:  attempt to seek before beginning of zipfile\n%s",
                     archive_name, please_check_text);
        return RC_BADERR;
    }
    int32_t block_offset = position % INPUT_BLOCK;
    int32_t block_start = position - block_offset;
    int32_t valid;  // bytes of data in the block at block_start
    if (block_start == buffer_file_offset) {
        valid = input_count + static_cast<int32_t>(input_pos - input_buffer);
    } else {
        buffer_file_offset = static_cast<int32_t>(low_seek(archive_fd, block_start, SEEK_SET));
        valid = read_block(input_buffer);
        if (valid <= 0) {
            input_pos = input_buffer;
            input_count = 0;
            return RC_EOF;
        }
    }
    // A position past the end of the archive inside its last block has no
    // data: report it as the end rather than leave a negative count behind.
    if (block_offset > valid) {
        input_pos = input_buffer + valid;
        input_count = 0;
        return RC_EOF;
    }
    input_pos = input_buffer + block_offset;
    input_count = valid - block_offset;
    return RC_OK;
}

int seek_archive(int32_t offset)
{
    // Both values come from the archive: add them without overflow. A sum
    // past the largest offset this engine reads lies past the end.
    int64_t position = static_cast<int64_t>(offset) + offset_adjust;
    if (position < 0)
        return seek_position(-1);
    if (position > INT32_MAX) {
        input_count = 0;
        return RC_EOF;
    }
    return seek_position(static_cast<int32_t>(position));
}

int flush_output(const uint8_t* data, uint32_t size, bool from_unshrink)
{
    running_crc = update_crc(running_crc, data, size);
    if (engine_options.test_only || size == 0)
        return 0;
    if (disk_full != 0)
        return RC_DISK;
    if (!current_entry->text_mode)
        return write_output(data, size);
    // Translation at most doubles a piece, so each piece fits its target.
    uint8_t* target = from_unshrink ? translate_buffer : output_buffer;
    uint32_t piece_limit = (from_unshrink ? TRANSLATE_BUFFER_SIZE : OUTPUT_BLOCK) / 2;
    while (size > 0) {
        uint32_t piece = size < piece_limit ? size : piece_limit;
        uint32_t length = translate_line_ends(data, piece, target);
        if (length > 0) {
            int result = write_output(target, length);
            if (result != 0)
                return result;
        }
        data += piece;
        size -= piece;
    }
    return 0;
}

int disk_full_prompt()
{
    std::fprintf(stderr, "\n%s:  write error (disk full?).  Continue? (y/n/^C) ", entry_name);
    std::fflush(stderr);
    // Without a console the previous answer decides.
    char line[ANSWER_SIZE];
    if (std::fgets(line, sizeof line, stdin) != nullptr)
        std::memcpy(answer, line, sizeof answer);
    disk_full = answer[0] == 'y' ? 1 : 2;
    return RC_DISK;
}

void signal_handler(int signal_number)
{
    if (signal_number == SIGSEGV) {
        static const char text[] = "error:  zipfile probably corrupt (segmentation violation)\n";
        std::fputs(text, stderr);
        std::_Exit(3);
    }
    std::_Exit(0);
}
