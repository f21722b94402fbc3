// The loop over archive names with its summary, and the processing of one
// archive: end record, multi-disk check, offset compensation, central
// directory, then listing or extraction.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/archive.h"
#include "engine/decompress/decompress.h"
#include "engine/extract.h"
#include "engine/io.h"
#include "engine/listing.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "engine/records.h"

namespace {

constexpr char TWO_PART_WARNING[] =
    "\n     Warning:  zipfile claims to be second disk of a two-part archive;\n"
    "     attempting to process anyway.  If no further errors occur, this\n"
    "     archive was probably created by PAK v2.51 or earlier.  This bug\n"
    "     was reported to NoGate in March 1991 and was supposed to have been\n"
    "     fixed by mid-1991; as of mid-1992 it still hadn't been.  (If fur-\n"
    "     ther errors do occur, archive was probably created by PKZIP 2.04c\n"
    "     or later; this program does not yet support multi-part archives.)\n\n";

struct RunCounts {
    int successes, warnings, fatal, not_found, directories;
};

void count_result(RunCounts& counts, int result, bool count_not_found)
{
    if (result == RC_OK)
        ++counts.successes;
    else if (result == RC_WARN)
        ++counts.warnings;
    else if (result == RC_DIR)
        ++counts.directories;
    else if (result == RC_NOZIP) {
        if (count_not_found)
            ++counts.not_found;
    } else
        ++counts.fatal;
}

void print_summary(const RunCounts& c)
{
    int troubles = c.directories + c.not_found + c.warnings + c.fatal;
    if (!(troubles <= 0 && c.successes == 1))
        std::fputs("\n", stderr);
    if (c.successes > 1 || (c.successes == 1 && troubles > 0))
        std::fprintf(stderr, "%d archive%s successfully processed.\n", c.successes,
                     c.successes == 1 ? " was" : "s were");
    if (c.warnings > 0)
        std::fprintf(stderr, "%d archive%s had warnings but no fatal errors.\n", c.warnings,
                     c.warnings == 1 ? "" : "s");
    if (c.fatal > 0)
        std::fprintf(stderr, "%d archive%s had fatal errors.\n", c.fatal, c.fatal == 1 ? "" : "s");
    if (c.not_found > 0)
        std::fprintf(stderr, "%d file%s had no zipfile directory.\n", c.not_found, c.not_found == 1 ? "" : "s");
    if (c.directories == 1)
        std::fputs("1 \"zipfile\" was a directory.\n", stderr);
    else if (c.directories > 1)
        std::fprintf(stderr, "%d \"zipfiles\" were directories.\n", c.directories);
    if (c.successes + c.warnings + c.fatal == 0)
        std::fputs("No zipfiles found.\n", stderr);
}

// Everything one run took, released so that heap use stays constant.
void release_run_buffers()
{
    release_fixed_tables();
    char unused[1] = {0};
    checkdir(unused, FREE_ROOT);
    std::free(translate_buffer);
    translate_buffer = nullptr;
    std::free(extra_field);
    extra_field = nullptr;
    extra_field_length = 0;
    std::free(output_buffer);
    output_buffer = nullptr;
    std::free(input_buffer);
    input_buffer = nullptr;
    boundary_bytes = nullptr;
}

// Seeks to a stored offset plus offset_adjust, computed without overflow.
int seek_stored(uint32_t stored)
{
    int64_t target = static_cast<int64_t>(stored) + offset_adjust;
    if (target > archive_length)
        return RC_EOF;
    return seek_position(target < 0 ? -1 : static_cast<int32_t>(target));
}

// 0 with the input on the first central signature, else the result.
int locate_central_directory(int* result)
{
    int rc = seek_stored(end_record.central_dir_offset);
    if (rc != RC_OK)
        return rc;
    int32_t n = read_input(reinterpret_cast<uint8_t*>(signature), 4);
    if (n < 0)
        return RC_ERR;
    if (n < 4 || std::memcmp(signature, central_signature, 4) != 0) {
        // The stored directory size is too large: try the offset as stored.
        int32_t remembered = offset_adjust;
        offset_adjust = 0;
        rc = seek_stored(end_record.central_dir_offset);
        if (rc != RC_OK)
            return rc;
        n = read_input(reinterpret_cast<uint8_t*>(signature), 4);
        if (n < 4 || std::memcmp(signature, central_signature, 4) != 0) {
            std::fprintf(stderr, "error [%s]:  start of central directory not found;\n  zipfile corrupt.\n%s",
                         archive_name, please_check_text);
            return RC_BADERR;
        }
        std::fprintf(stderr,
                     "error [%s]:  reported length of central directory is\n  %ld bytes too long "
                     "(Atari STZIP zipfile?  R.Vandel ZIPSPLIT 1.1\n  zipfile?).  Compensating...\n",
                     archive_name, -static_cast<long>(remembered));
        *result = RC_ERR;
    }
    return seek_stored(end_record.central_dir_offset);
}

// Offset compensation from where the end record was found; the result.
int compensate_offsets(int result)
{
    offset_adjust = static_cast<int32_t>(static_cast<uint32_t>(end_record_offset) -
                                         static_cast<uint32_t>(expected_end_offset));
    if (offset_adjust < 0) {
        std::fprintf(stderr, "error [%s]:  missing %ld bytes in zipfile\n  (attempting to process anyway)\n",
                     archive_name, -static_cast<long>(offset_adjust));
        return RC_ERR;
    }
    if (offset_adjust > 0 && end_record.central_dir_offset == 0 && end_record.central_dir_size != 0) {
        std::fprintf(stderr, "error [%s]:  NULL central directory offset\n  (attempting to process anyway)\n",
                     archive_name);
        end_record.central_dir_offset = static_cast<uint32_t>(offset_adjust);
        offset_adjust = 0;
        return RC_ERR;
    }
    if (offset_adjust > 0) {
        std::fprintf(stderr,
                     "warning [%s]:  extra %ld bytes at beginning or within zipfile\n"
                     "  (attempting to process anyway)\n",
                     archive_name, static_cast<long>(offset_adjust));
        return RC_WARN;
    }
    return result;
}

// Steps after the end record was found; the archive is open.
int process_open_archive(int result)
{
    if (engine_options.comment_only > 0)
        return result;
    bool two_part_quirk = end_record.this_disk == 1 && end_record.central_dir_disk == 1;
    if (!two_part_quirk && end_record.this_disk != 0) {
        std::fprintf(stderr, "\nerror [%s]:  zipfile is part of multi-disk archive\n  (sorry, not yet supported).\n",
                     archive_name);
        return RC_MULTIDISK;
    }
    if (two_part_quirk) {
        std::fputs(TWO_PART_WARNING, stderr);
        result = RC_WARN;
    }
    result = compensate_offsets(result);
    if (expected_end_offset == 0 && end_record.central_dir_size == 0) {
        std::fprintf(stderr, "warning [%s]:  zipfile is empty\n", archive_name);
        return result > RC_WARN ? result : RC_WARN;
    }
    int rc = locate_central_directory(&result);
    if (rc != RC_OK)
        return rc;
    rc = engine_options.list_level > 0 ? list_entries() : extract_entries();
    return rc > result ? rc : result;
}

}  // namespace

int process_archive(bool last_chance)
{
    struct stat status;
    bool exists = stat(archive_name, &status) == 0;
    bool is_directory = exists && (status.st_mode & S_IFMT) == S_IFDIR;
    if (!exists || is_directory) {
        if (last_chance) {
            if (no_directory_seen)
                std::fprintf(stderr, "%s:  can't find zipfile directory in %s,\n        %sand can't find %s, period.\n",
                             "unzip", archive_spec, "", archive_name);
            else
                std::fprintf(stderr, "%s:  can't find either %s or %s, so there.\n", "unzip", archive_spec,
                             archive_name);
        }
        return is_directory ? RC_DIR : RC_NOZIP;
    }
    // Offsets are 32-bit signed throughout; a larger file cannot be addressed.
    if (status.st_size > INT32_MAX) {
        std::fprintf(stderr, "error:  can't open zipfile [ %s ]\n", archive_name);
        return RC_NOZIP;
    }
    archive_length = static_cast<int32_t>(status.st_size);
    bool executable = (status.st_mode & 0x40) != 0;
    if (open_archive() != 0)
        return RC_NOZIP;
    buffer_file_offset = 0;
    input_pos = input_buffer;
    input_count = 0;
    offset_adjust = 0;
    if (engine_options.quiet_level == 0)
        std::printf("Archive:  %s\n", archive_name);

    int result = find_end_record(archive_length < END_SEARCH_LENGTH ? archive_length : END_SEARCH_LENGTH);
    if (result != RC_OK) {
        close_archive();
        if (executable)
            std::fprintf(stderr, "note:  %s may be an executable, not an archive\n", archive_name);
        if (last_chance)
            return result;
        no_directory_seen = 1;
        return RC_NOZIP;
    }
    result = process_zip_comment();
    result = process_open_archive(result);
    close_archive();
    return result;
}

int process_archives()
{
    assemble_signatures();
    RunCounts counts{};
    int overall = RC_OK, previous = RC_OK;
    char last_name[ARCHIVE_NAME_SIZE] = "";
    bool have_last = false;

    for (const char* name; (name = next_archive_name(archive_spec)) != nullptr;) {
        std::snprintf(archive_name, sizeof archive_name, "%s", name);
        std::snprintf(last_name, sizeof last_name, "%s", name);
        have_last = true;
        if (engine_options.quiet_level == 0 && previous != RC_NOZIP &&
            counts.successes + counts.warnings + counts.fatal + counts.not_found > 0)
            std::fputs("\n", stdout);
        std::fflush(stdout);
        int result = process_archive(false);
        count_result(counts, result, true);
        if (result != RC_DIR && result > overall)
            overall = result;
        previous = result;
    }

    if (counts.successes + counts.warnings + counts.fatal == 0 &&
        counts.not_found + counts.directories == 1 && have_last) {
        counts.not_found = counts.directories = 0;
        if (overall == RC_NOZIP)
            overall = RC_OK;
        std::snprintf(archive_name, sizeof archive_name, "%s.zip", last_name);
        int result = process_archive(true);
        count_result(counts, result, false);
        if (result > overall)
            overall = result;
    }

    std::fflush(stdout);
    std::fflush(stderr);
    print_summary(counts);
    release_run_buffers();
    return overall;
}
