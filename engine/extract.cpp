// The walk over the central directory: entries are gathered 64 at a time,
// selected by the include and exclude patterns and checked, then reached one
// by one through their local headers and extracted or tested.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "engine/extract.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "engine/records.h"

namespace {

// State of one extract_entries call.
struct ExtractionPass {
    std::unique_ptr<int[]> include_matched;  // per include pattern; null loses only the report
    std::unique_ptr<int[]> exclude_matched;
    unsigned remaining;          // central entries not yet read (16-bit count)
    int block_number;
    int entry_number;            // block_number * 64 + index; -1 before the first extraction
    unsigned entries_skipped;    // refused by store_entry_info (16-bit count)
    int result;
};

void raise_result(int* result, int code)
{
    if (code > *result)
        *result = code;
}

std::unique_ptr<int[]> make_flags(int count)
{
    if (count <= 0)
        return nullptr;
    return std::unique_ptr<int[]>(new (std::nothrow) int[static_cast<size_t>(count)]());
}

// Tries the patterns in order; the first one that matches is marked.
bool matches_any(char** patterns, int count, int* matched)
{
    if (patterns == nullptr)
        return false;
    for (int i = 0; i < count && patterns[i] != nullptr; ++i) {
        if (match_wildcard(entry_name, patterns[i], current_entry->lowercase_name)) {
            if (matched != nullptr)
                matched[i] = 1;
            return true;
        }
    }
    return false;
}

bool is_selected(ExtractionPass* pass)
{
    if (!process_all && !matches_any(include_patterns, include_count, pass->include_matched.get()))
        return false;
    return !matches_any(exclude_patterns, exclude_count, pass->exclude_matched.get());
}

// Reads the name, extra field and comment after a central header; false
// when gathering must stop (message written, result raised).
bool read_central_fields(ExtractionPass* pass)
{
    int r = read_string_field(central_header.name_length, FILENAME);
    raise_result(&pass->result, r);
    if (r > 1) {
        std::fprintf(stderr, "%s:  bad filename length (%s)\n", entry_name, "central");
        return false;
    }
    r = read_string_field(central_header.extra_length, EXTRA_FIELD);
    raise_result(&pass->result, r);
    if (r > 1) {
        std::fprintf(stderr, "%s:  bad extra field length (%s)\n", entry_name, "central");
        return false;
    }
    r = read_string_field(central_header.comment_length, SKIP);
    raise_result(&pass->result, r);
    if (r > 1) {
        std::fprintf(stderr, "\n%s:  bad file comment length\n", entry_name);
        return false;
    }
    return true;
}

// Fills entry_block with up to 64 selected entries; their number.
int gather_block(ExtractionPass* pass)
{
    int gathered = 0;
    while (pass->remaining > 0 && gathered < ENTRY_BLOCK) {
        pass->remaining -= 1;
        current_entry = &entry_block[gathered];
        bool stop = false;
        if (read_input(reinterpret_cast<uint8_t*>(signature), 4) != 4) {
            raise_result(&pass->result, RC_EOF);
            stop = true;
        } else if (std::memcmp(signature, central_signature, 4) != 0) {
            std::fprintf(stderr, "error:  expected central file header signature not found (file #%u).\n%s",
                         static_cast<unsigned>(gathered), please_check_text);
            raise_result(&pass->result, RC_BADERR);
            stop = true;
        } else {
            int r = read_central_header();
            if (r != 0) {
                raise_result(&pass->result, r);
                stop = true;
            } else if (!read_central_fields(pass)) {
                stop = true;
            }
        }
        if (stop) {
            pass->remaining = 0;
            break;
        }
        if (!is_selected(pass))
            continue;
        if (store_entry_info())
            ++gathered;
        else
            pass->entries_skipped = (pass->entries_skipped + 1) & 0xFFFF;
    }
    return gathered;
}

void report_bad_offset(int entry_number, const char* reason, long offset)
{
    std::fprintf(stderr, "file #%d:  bad zipfile offset (%s):  %ld\n", entry_number, reason, offset);
}

// Brings the input onto the current entry's local signature, re-compensating
// the archive's offsets when the very first entry is not where the directory
// says. 0 go on, 1 skip this entry, 2 end extract_entries.
int reach_local_header(ExtractionPass* pass)
{
    int32_t offset = current_entry->local_header_offset;
    int r = seek_archive(offset);
    if (r == RC_BADERR) {
        raise_result(&pass->result, RC_BADERR);
        return 1;
    }
    // Computed wide: a damaged offset plus the adjustment may not fit 32 bits.
    int64_t position = static_cast<int64_t>(offset) + offset_adjust;
    long first_offset = static_cast<long>(position);
    if (r != 0) {
        report_bad_offset(pass->entry_number, "lseek", static_cast<long>(position - position % INPUT_BLOCK));
        raise_result(&pass->result, RC_BADERR);
        return 1;
    }
    if (read_input(reinterpret_cast<uint8_t*>(signature), 4) != 4) {
        report_bad_offset(pass->entry_number, "EOF", first_offset);
        raise_result(&pass->result, RC_BADERR);
        return 1;
    }
    if (std::memcmp(signature, local_signature, 4) == 0)
        return 0;

    report_bad_offset(pass->entry_number, "local header sig", first_offset);
    raise_result(&pass->result, RC_ERR);
    if (pass->entry_number != 0)
        return 0;  // a later entry: its header is read where it stands

    std::fputs("  (attempting to re-compensate)\n", stderr);
    offset_adjust = 0;
    r = seek_archive(offset);
    if (r != 0) {
        raise_result(&pass->result, r == RC_BADERR ? RC_BADERR : RC_EOF);
        return 2;
    }
    if (read_input(reinterpret_cast<uint8_t*>(signature), 4) != 4) {
        report_bad_offset(pass->entry_number, "EOF", first_offset);
        raise_result(&pass->result, RC_BADERR);
        return 1;
    }
    if (std::memcmp(signature, local_signature, 4) != 0) {
        report_bad_offset(pass->entry_number, "local header sig", first_offset);
        raise_result(&pass->result, RC_BADERR);
        return 1;
    }
    return 0;
}

// Reads the local header with its name and extra field; false skips the entry.
bool read_local_fields(ExtractionPass* pass)
{
    int r = read_local_header();
    if (r != 0) {
        std::fprintf(stderr, "\nfile #%d:  bad local header\n", pass->entry_number);
        raise_result(&pass->result, r);
        return false;
    }
    r = read_string_field(local_header.name_length, FILENAME);
    raise_result(&pass->result, r);
    if (r > 1) {
        std::fprintf(stderr, "%s:  bad filename length (%s)\n", entry_name, "local");
        return false;
    }
    r = read_string_field(local_header.extra_length, EXTRA_FIELD);
    raise_result(&pass->result, r);
    if (r > 1) {
        std::fprintf(stderr, "%s:  bad extra field length (%s)\n", entry_name, "local");
        return false;
    }
    return true;
}

// One gathered entry. False when the archive must end at once.
bool process_entry(ExtractionPass* pass)
{
    int reached = reach_local_header(pass);
    if (reached == 2)
        return false;
    if (reached == 1 || !read_local_fields(pass))
        return true;
    if (!engine_options.test_only && !engine_options.to_stdout && !decide_output(&pass->result))
        return true;
    disk_full = 0;
    raise_result(&pass->result, extract_entry());
    return disk_full <= 1;
}

void report_unmatched(ExtractionPass* pass)
{
    for (int i = 0; pass->include_matched && i < include_count; ++i)
        if (!pass->include_matched[i])
            std::fprintf(stderr, "caution: filename not matched:  %s\n", include_patterns[i]);
    for (int i = 0; pass->exclude_matched && i < exclude_count; ++i)
        if (!pass->exclude_matched[i])
            std::fprintf(stderr, "caution: excluded filename not matched:  %s\n", exclude_patterns[i]);
    pass->include_matched.reset();
    pass->exclude_matched.reset();
}

void print_test_summary(const ExtractionPass* pass)
{
    int tested = pass->entry_number + 1;
    if (pass->result != 0)
        std::printf("At least one %serror was detected in %s.\n", pass->result == 1 ? "warning-" : "", archive_name);
    else if (tested == 0)
        std::printf("Caution:  zero files tested in %s.\n", archive_name);
    else if (process_all && pass->entries_skipped == 0)
        std::printf("No errors detected in compressed data of %s.\n", archive_name);
    else
        std::printf("No errors detected in %s for the %d file%s tested.\n", archive_name, tested,
                    tested == 1 ? "" : "s");
    if (pass->entries_skipped > 0)
        std::printf("%d file%s skipped because of unsupported compression or encoding.\n",
                    static_cast<int>(pass->entries_skipped), pass->entries_skipped == 1 ? "" : "s");
}

}  // namespace

int store_entry_info()
{
    current_entry->encrypted = central_header.flags & 1;
    current_entry->has_data_descriptor = (central_header.flags >> 3) & 1;
    current_entry->is_text = central_header.internal_attributes & 1;
    current_entry->crc32 = central_header.crc32;
    current_entry->compressed_size = central_header.compressed_size;
    int text_level = engine_options.text_level;
    current_entry->text_mode = text_level >= 2 || (text_level == 1 && current_entry->is_text);

    unsigned version = central_header.needed_version;
    if (central_header.needed_host == 2) {
        if (version > 42) {
            std::fprintf(stderr, "   skipping: %-22s  need %s compat. v%u.%u (can do v%u.%u)\n", entry_name, "VMS",
                         version / 10, version % 10, 4u, 2u);
            return 0;
        }
        if (!engine_options.test_only && !engine_options.overwrite_force) {
            std::fprintf(stderr, "\n%s:  stored in VMS format.  Extract anyway? (y/n) ", entry_name);
            std::fflush(stderr);
            char line[ANSWER_SIZE];
            if (std::fgets(line, sizeof line, stdin) != nullptr)
                std::memcpy(answer, line, sizeof answer);  // without a console the previous answer decides
            if (answer[0] != 'y' && answer[0] != 'Y')
                return 0;
        }
    } else if (version > 20) {
        std::fprintf(stderr, "   skipping: %-22s  need %s compat. v%u.%u (can do v%u.%u)\n", entry_name, "PK",
                     version / 10, version % 10, 2u, 0u);
        return 0;
    }
    if (central_header.method > METHOD_IMPLODED && central_header.method != METHOD_DEFLATED) {
        std::fprintf(stderr, "   skipping: %-22s  compression method %d\n", entry_name, central_header.method);
        return 0;
    }
    if (current_entry->encrypted) {
        std::fprintf(stderr, "   skipping: %-22s  encrypted (not supported)\n", entry_name);
        return 0;
    }
    map_attributes();
    current_entry->local_header_offset = static_cast<int32_t>(central_header.local_header_offset);
    return 1;
}

int extract_entries()
{
    ExtractionPass pass{};
    current_entry = entry_block;
    pass.remaining = end_record.total_entries;
    pass.entry_number = -1;
    pass.include_matched = make_flags(include_count);
    pass.exclude_matched = make_flags(exclude_count);

    while (pass.remaining > 0) {
        int gathered = gather_block(&pass);
        // The place in the central directory, to come back to after the block.
        int32_t directory_position = buffer_file_offset + static_cast<int32_t>(input_pos - input_buffer);
        for (int i = 0; i < gathered; ++i) {
            pass.entry_number = pass.block_number * ENTRY_BLOCK + i;
            current_entry = &entry_block[i];
            if (!process_entry(&pass))
                return pass.result;
        }
        if (gathered > 0)
            seek_position(directory_position);
        pass.block_number += 1;
    }

    report_unmatched(&pass);

    if (read_input(reinterpret_cast<uint8_t*>(signature), 4) != 4) {
        std::memset(signature, 0, sizeof signature);  // no stale signature may pass
        raise_result(&pass.result, RC_EOF);
    }
    if (std::memcmp(signature, end_signature, 4) != 0) {
        std::fprintf(stderr, "\nnote:  didn't find end-of-central-dir signature at end of central dir.\n%s",
                     please_check_text);
        raise_result(&pass.result, RC_WARN);
    }

    if (engine_options.test_only && engine_options.quiet_level < 2)
        print_test_summary(&pass);
    if (pass.entries_skipped > 0)
        raise_result(&pass.result, RC_WARN);
    return pass.result;
}
