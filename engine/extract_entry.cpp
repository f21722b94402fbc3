// Extraction or test of one entry: its destination, the decompressor of its
// method, the CRC-32 check and the per-entry messages.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "engine/decompress/decompress.h"
#include "engine/extract.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "engine/records.h"

namespace {

// Stored-method output: the next free byte of the window and its fill.
uint8_t* window_pos = nullptr;
uint32_t window_count = 0;

// The tag of the progress line: "" unless -a was given once.
const char* progress_tag(bool stored)
{
    if (engine_options.text_level != 1)
        return "";
    if (stored && uncompressed_size == 0)
        return "[empty] ";
    return current_entry->is_text ? "[text]  " : "[binary]";
}

void show_progress(const char* verb, bool stored)
{
    if (engine_options.test_only || engine_options.quiet_level > 0)
        return;
    std::printf("%11s: %-22s  %s%s", verb, entry_name, progress_tag(stored),
                engine_options.to_stdout ? "\n" : "");
    std::fflush(stdout);
}

// Stored data goes through the window in whole 32768-byte flushes. Bytes
// already in the input block are copied in runs; read_byte refills it.
int copy_stored()
{
    window_pos = window;
    window_count = 0;
    while (disk_full == 0) {
        if (compressed_left > 0 && input_count > 0) {
            uint32_t run = static_cast<uint32_t>(compressed_left < input_count ? compressed_left : input_count);
            uint32_t room = WINDOW_SIZE - window_count;
            if (run > room)
                run = room;
            std::memcpy(window_pos, input_pos, run);
            input_pos += run;
            input_count -= static_cast<int32_t>(run);
            compressed_left -= static_cast<int32_t>(run);
            window_pos += run;
            window_count += run;
        } else {
            int byte = read_byte();
            if (byte < 0)
                break;
            *window_pos++ = static_cast<uint8_t>(byte);
            ++window_count;
        }
        if (window_count == WINDOW_SIZE) {
            flush_output(window, WINDOW_SIZE, false);
            window_pos = window;
            window_count = 0;
        }
    }
    if (window_count > 0)
        flush_output(window, window_count, false);
    return RC_OK;
}

// Shared wording of explode and inflate failures; r is the decoder's result.
int report_decoder_failure(int r, const char* memory_reason, const char* data_reason, const char* memory_line,
                           const char* data_line)
{
    if (engine_options.quiet_level > 0)
        std::fprintf(stderr, "  error:  %s%s\n", r == 3 ? memory_reason : data_reason, entry_name);
    else
        std::fprintf(stderr, "\n  error:  %s\n", r == 3 ? memory_line : data_line);
    return r == 3 ? RC_MEM2 : RC_ERR;
}

// Explode consumed another number of bytes than the entry claims.
int report_size_disagreement()
{
    bool quiet = engine_options.quiet_level > 0;
    bool warning = local_header.compressed_size >= static_cast<uint32_t>(compressed_used);
    std::fprintf(stderr,
                 "%s  %s:  %ld bytes required to uncompress to %lu bytes;\n"
                 "       %s   supposed to require %lu bytes%s%s%s\n",
                 quiet ? "" : "\n", warning ? "warning" : "error", static_cast<long>(compressed_used),
                 static_cast<unsigned long>(local_header.uncompressed_size), warning ? "  " : "",
                 static_cast<unsigned long>(local_header.compressed_size), quiet ? " [" : "",
                 quiet ? entry_name : "", quiet ? "]" : ".");
    return warning ? RC_WARN : RC_ERR;
}

// Runs the decompressor of the entry's method; the entry's result.
int decompress_by_method(bool opened_file)
{
    int r;
    switch (local_header.method) {
    case METHOD_STORED:
        show_progress("extracting", true);
        return copy_stored();
    case METHOD_SHRUNK:
        show_progress("unshrinking", false);
        r = unshrink_entry();
        if (r != 0) {
            if (engine_options.quiet_level > 0)
                std::fprintf(stderr, "  error:  not enough memory to unshrink %s\n", entry_name);
            else
                std::fputs("\n  error:  not enough memory for unshrink operation\n", stderr);
        }
        return r;
    case 2:
    case 3:
    case 4:
    case METHOD_REDUCED4:
        show_progress("unreducing", false);
        unreduce_entry();
        return RC_OK;
    case METHOD_IMPLODED:
        show_progress("exploding", false);
        r = explode_entry();
        if (r == 0)
            return RC_OK;
        if (r == 5)
            return report_size_disagreement();
        return report_decoder_failure(r, "not enough memory to explode ", "invalid compressed (imploded) data for ",
                                      "not enough memory for explode operation",
                                      "invalid compressed data for explode format");
    case METHOD_DEFLATED:
        show_progress("inflating", false);
        r = inflate_entry();
        if (r == 0)
            return RC_OK;
        return report_decoder_failure(r, "not enough memory to inflate ", "invalid compressed (deflated) data for ",
                                      "not enough memory for inflate operation",
                                      "invalid compressed data for inflate format");
    default:
        std::fprintf(stderr, "%s:  unknown compression method\n", entry_name);
        if (opened_file) {
            std::fclose(output_file);
            output_file = nullptr;
        }
        return -1;  // the caller returns 1 at once
    }
}

// Points output_file at standard output, switched to binary writes.
void use_standard_output()
{
    std::fflush(stdout);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    output_file = stdout;
}

}  // namespace

int open_output_file()
{
    struct stat status;
    if (stat(entry_name, &status) == 0 && (status.st_mode & 0x80) == 0) {
        // A read-only file is made writable so that it can be replaced.
        chmod(entry_name, (status.st_mode & 0777) | 0x180);
    }
    output_file = std::fopen(entry_name, "wb");
    if (output_file == nullptr) {
        std::fprintf(stderr, "\nerror:  cannot create %s\n", entry_name);
        return 1;
    }
    return 0;
}

int extract_entry()
{
    bool opened_file = false;
    clear_bit_reader();
    new_file = 1;
    running_crc = 0xFFFFFFFFu;

    if (engine_options.test_only) {
        if (engine_options.quiet_level == 0) {
            std::printf("%11s: %-22s  %s%s", "testing", entry_name, "", "");
            std::fflush(stdout);
        }
    } else if (engine_options.to_stdout) {
        use_standard_output();
    } else {
        if (open_output_file() != 0)
            return RC_DISK;
        opened_file = true;
    }

    int result = decompress_by_method(opened_file);
    if (result < 0)
        return RC_WARN;  // unknown method, already reported

    if (disk_full != 0) {
        if (disk_full > 1) {
            if (opened_file) {
                std::fclose(output_file);
                output_file = nullptr;
            }
            return RC_DISK;
        }
        if (result < RC_WARN)
            result = RC_WARN;  // the rest of the entry was discarded
    }

    if (opened_file)
        close_output_file();
    if (result > RC_WARN)
        return result;
    // After a write error the rest of the entry was not decompressed: its
    // CRC says nothing about the archive, so it is not checked.
    if (disk_full != 0)
        return result;

    running_crc = ~running_crc;
    if (running_crc != local_header.crc32) {
        if (engine_options.quiet_level > 0)
            std::fprintf(stderr, "%-22s ", entry_name);
        std::fprintf(stderr, " bad CRC %08lx  (should be %08lx)\n", static_cast<unsigned long>(running_crc),
                     static_cast<unsigned long>(local_header.crc32));
        std::fflush(stderr);
        return RC_ERR;
    }

    if (engine_options.test_only) {
        if (engine_options.quiet_level == 0)
            std::fputs(" OK\n", stdout);
    } else if (engine_options.quiet_level == 0 && result == RC_OK) {
        std::fputs("\n", stdout);
    }
    return result;
}
