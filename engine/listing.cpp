// The short and verbose listings. Each listed entry is also recorded in the
// installer's entry table, which is why the installer lists the archive.
#include "engine/listing.h"

#include <cstdio>
#include <cstring>

#include "engine/archive.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/records.h"
#include "installer/settings.h"

namespace {

constexpr const char* METHOD_NAMES[] = {"Stored", "Shrunk", "Reduce1", "Reduce2", "Reduce3",
                                        "Reduce4", "Implode", "Token"};
constexpr int DEFLATE_METHOD = 8;
char deflate_name[] = "Defl:#";
char unknown_name[16];

constexpr char SHORT_HEADER_1[] = " Length    Date    Time    Name";
constexpr char SHORT_HEADER_2[] = " ------    ----    ----    ----";
constexpr char VERBOSE_HEADER_1[] = " Length  Method   Size  Ratio   Date    Time   CRC-32     Name";
constexpr char VERBOSE_HEADER_2[] = " ------  ------   ----  -----   ----    ----   ------     ----";

// Per-call state of one listing.
struct ListingState {
    int slot;                    // next entry-table slot
    bool table_refused;          // the archive does not fit the entry table
    uint32_t total_uncompressed;
    uint32_t total_compressed;
    uint16_t members;
    int error_level;
};

const char* method_name(uint16_t method, uint16_t flags)
{
    if (method < DEFLATE_METHOD)
        return METHOD_NAMES[method];
    if (method == DEFLATE_METHOD) {
        deflate_name[5] = "NXFS"[(flags >> 1) & 3];
        return deflate_name;
    }
    std::snprintf(unknown_name, sizeof unknown_name, "Unk:%03d", method);
    return unknown_name;
}

void format_ratio(char* text, size_t size, uint32_t uncompressed, uint32_t compressed)
{
    int r = compression_ratio(uncompressed, compressed);
    if (r < 0)
        std::snprintf(text, size, "%c%d%%", '-', (-r + 5) / 10);
    else
        std::snprintf(text, size, "%c%d%%", ' ', (r + 5) / 10);
}

bool is_selected()
{
    if (process_all)
        return true;
    bool fold = current_entry->lowercase_name;
    bool included = false;
    for (int i = 0; include_patterns[i] != nullptr && !included; ++i)
        included = match_wildcard(entry_name, include_patterns[i], fold);
    if (!included)
        return false;
    for (int i = 0; i < exclude_count && exclude_patterns[i] != nullptr; ++i)
        if (match_wildcard(entry_name, exclude_patterns[i], fold))
            return false;
    return true;
}

// Records the entry in the installer's table. An archive with more entries
// or longer names than the table holds is refused once, and the table is
// left empty so that nobody works from a partial list.
void record_entry(ListingState& state, uint32_t size)
{
    if (state.table_refused)
        return;
    size_t length = std::strlen(entry_name);
    if (state.slot >= MAX_TABLE_ENTRIES || length >= ENTRY_SLOT_SIZE) {
        if (state.slot >= MAX_TABLE_ENTRIES)
            std::fprintf(stderr, "error [%s]:  more than %d entries; the entry table cannot hold them\n",
                         archive_name, MAX_TABLE_ENTRIES);
        else
            std::fprintf(stderr, "error [%s]:  entry name longer than %d characters; the entry table cannot hold it:\n  %s\n",
                         archive_name, ENTRY_SLOT_SIZE - 1, entry_name);
        state.table_refused = true;
        entry_table.names[0][0] = '\0';
        entry_table.sizes[0] = 0;
        if (state.error_level < RC_ERR)
            state.error_level = RC_ERR;
        return;
    }
    std::memcpy(entry_table.names[state.slot], entry_name, length + 1);
    entry_table.sizes[state.slot] = size;
    ++state.slot;
    entry_table.names[state.slot][0] = '\0';  // the table ends at the first empty slot
}

void list_one_entry(ListingState& state)
{
    const CentralHeader& h = central_header;
    uint32_t shown_compressed = h.compressed_size - ((h.flags & 1) ? 12u : 0u);
    unsigned year = ((((h.mod_date >> 9) & 0x7f) + 80) % 100);
    unsigned month = (h.mod_date >> 5) & 0x0f, day = h.mod_date & 0x1f;
    unsigned hour = (h.mod_time >> 11) & 0x1f, minute = (h.mod_time >> 5) & 0x3f;
    char mark = current_entry->lowercase_name ? '^' : ' ';
    if (engine_options.list_level > 1) {
        char ratio[16];
        format_ratio(ratio, sizeof ratio, h.uncompressed_size, shown_compressed);
        std::printf("%7lu  %-7s%7lu %4s  %02u-%02u-%02u  %02u:%02u  %08lx  %c",
                    static_cast<unsigned long>(h.uncompressed_size), method_name(h.method, h.flags),
                    static_cast<unsigned long>(shown_compressed), ratio, month, day, year, hour, minute,
                    static_cast<unsigned long>(h.crc32), mark);
    } else {
        std::printf("%7lu  %02u-%02u-%02u  %02u:%02u  %c", static_cast<unsigned long>(h.uncompressed_size),
                    month, day, year, hour, minute, mark);
    }
    print_entry_name(entry_name);
    record_entry(state, h.uncompressed_size);
    state.total_uncompressed += h.uncompressed_size;
    state.total_compressed += shown_compressed;
    ++state.members;
}

// Keeps a field reader's result; true when the listing must stop.
bool field_failed(ListingState& state, int result, int* stop_code)
{
    if (result == RC_OK)
        return false;
    if (result > state.error_level)
        state.error_level = result;
    *stop_code = result;
    return result > RC_WARN;
}

void print_header()
{
    bool verbose = engine_options.list_level > 1;
    const char* first = verbose ? VERBOSE_HEADER_1 : SHORT_HEADER_1;
    const char* second = verbose ? VERBOSE_HEADER_2 : SHORT_HEADER_2;
    if (engine_options.keep_case)
        std::printf("%s\n%s\n", first, second);
    else
        std::printf("%s (\"^\" ==> case\n%s   conversion)\n", first, second);
}

void print_trailer(const ListingState& state)
{
    if (engine_options.list_level > 1) {
        char ratio[16];
        format_ratio(ratio, sizeof ratio, state.total_uncompressed, state.total_compressed);
        std::printf(" ------          ------  ---                              -------\n"
                    "%7lu         %7lu %4s                              %-7u\n",
                    static_cast<unsigned long>(state.total_uncompressed),
                    static_cast<unsigned long>(state.total_compressed), ratio, state.members);
    } else {
        std::printf(" ------                    -------\n%7lu                    %-7u\n",
                    static_cast<unsigned long>(state.total_uncompressed), state.members);
    }
}

// One central directory entry: 0 to go on, else the code to return.
int list_central_entry(ListingState& state, uint16_t index)
{
    int32_t n = read_input(reinterpret_cast<uint8_t*>(signature), 4);
    if (n < 1)
        return RC_EOF;
    if (n < 4 || std::memcmp(signature, central_signature, 4) != 0) {
        std::fprintf(stderr, "error:  expected central file header signature not found (file #%u).\n",
                     static_cast<unsigned>(index));
        std::fputs(please_check_text, stderr);
        return RC_BADERR;
    }
    int rc = read_central_header();
    if (rc != RC_OK)
        return rc;
    int stop = RC_OK;
    if (field_failed(state, read_string_field(central_header.name_length, FILENAME), &stop))
        return stop;
    if (field_failed(state, read_string_field(central_header.extra_length, EXTRA_FIELD), &stop))
        return stop;
    if (is_selected()) {
        list_one_entry(state);
        int mode = engine_options.quiet_level == 0 ? DISPLAY : SKIP;
        if (field_failed(state, read_string_field(central_header.comment_length, mode), &stop))
            return stop;
    } else if (central_header.comment_length != 0) {
        if (field_failed(state, read_string_field(central_header.comment_length, SKIP), &stop))
            return stop;
    }
    return RC_OK;
}

}  // namespace

int compression_ratio(uint32_t u, uint32_t c)
{
    if (u == 0)
        return 0;
    if (u > 2000000) {
        uint32_t d = u / 1000;
        return u >= c ? static_cast<int>((u - c + d / 2) / d) : -static_cast<int>((c - u + d / 2) / d);
    }
    return u >= c ? static_cast<int>(((u - c) * 1000 + u / 2) / u)
                  : -static_cast<int>(((c - u) * 1000 + u / 2) / u);
}

void print_entry_name(const char* text)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < 0x20) {
            std::putchar('^');
            std::putchar(*p + 0x40);
        } else {
            std::putchar(*p);
        }
    }
    std::putchar('\n');
}

int list_entries()
{
    ListingState state{};
    entry_table.names[0][0] = '\0';  // nothing left over from an earlier listing
    if (engine_options.quiet_level < 2)
        print_header();
    for (uint16_t j = 0; j < end_record.total_entries; ++j) {
        int rc = list_central_entry(state, j);
        if (rc != RC_OK)
            return rc;
    }
    if (engine_options.quiet_level < 2) {
        print_trailer(state);
        entry_table.total_size = state.table_refused ? 0 : state.total_uncompressed;
    }
    int32_t n = read_input(reinterpret_cast<uint8_t*>(signature), 4);
    if (n < 1)
        return RC_EOF;
    if (n < 4 || std::memcmp(signature, end_signature, 4) != 0) {
        std::fputs("\nnote:  didn't find end-of-central-dir signature at end of central dir.\n", stderr);
        state.error_level = state.error_level > RC_WARN ? state.error_level : RC_WARN;
    }
    return state.error_level;
}
