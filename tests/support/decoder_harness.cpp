#include "tests/support/decoder_harness.h"

#include <cstdio>
#include <vector>

#include "engine/io.h"
#include "engine/options.h"
#include "engine/records.h"

#ifdef _WIN32
#include <io.h>
#define dup_fd _dup
#define close_fd _close
#define fileno_of _fileno
#else
#include <unistd.h>
#define dup_fd ::dup
#define close_fd ::close
#define fileno_of fileno
#endif

DecoderRun run_decoder(int (*decoder)(), const std::string& compressed,
                       uint32_t uncompressed_size_value, uint16_t flags, uint16_t method)
{
    DecoderRun run;
    std::vector<uint8_t> in(INPUT_BUFFER_SIZE), out(OUTPUT_BUFFER_SIZE);
    input_buffer = in.data();
    output_buffer = out.data();

    FILE* source = std::tmpfile();
    std::fwrite(compressed.data(), 1, compressed.size(), source);
    std::fflush(source);
    std::rewind(source);
    archive_fd = dup_fd(fileno_of(source));

    engine_options = {};
    static CurrentEntry entry;
    entry = CurrentEntry{};
    entry.compressed_size = static_cast<uint32_t>(compressed.size());
    current_entry = &entry;
    local_header = LocalHeader{};
    local_header.flags = flags;
    local_header.method = method;
    local_header.compressed_size = entry.compressed_size;
    local_header.uncompressed_size = uncompressed_size_value;
    central_header = CentralHeader{};
    central_header.flags = flags;
    central_header.method = method;
    uncompressed_size = uncompressed_size_value;

    buffer_file_offset = -INPUT_BLOCK;  // no block loaded yet
    input_pos = input_buffer;
    input_count = 0;
    offset_adjust = 0;
    seek_position(0);
    compressed_left = static_cast<int32_t>(compressed.size());

    output_file = std::tmpfile();
    running_crc = 0xFFFFFFFFu;
    new_file = 1;
    disk_full = 0;

    run.result = decoder();
    run.crc = running_crc ^ 0xFFFFFFFFu;
    run.compressed_left = compressed_left;

    std::fflush(output_file);
    std::rewind(output_file);
    std::vector<char> chunk(65536);
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), output_file)) > 0)
        run.output.append(chunk.data(), got);
    std::fclose(output_file);
    output_file = nullptr;
    close_fd(archive_fd);
    archive_fd = -1;
    std::fclose(source);
    input_buffer = nullptr;
    output_buffer = nullptr;
    return run;
}
