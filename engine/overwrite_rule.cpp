// What happens when an entry's output file already exists: the -f, -u, -n
// and -o options, and otherwise the installer's own rule, which replaces
// files silently except the user's data files and the default option files.
// Those are replaced only after a question, and a backup copy is kept.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/extract.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "engine/records.h"
#include "installer/catalogue.h"
#include "installer/file_ops.h"
#include "installer/settings.h"

int options_overwrite_always = 0;
int options_overwrite_never = 0;

namespace {

// The user's own data: each file is replaced only after its own question.
constexpr const char* ask_overwrite_list[] = {
    "PHONEBK", "FAXCALL.QRX", "MINIHOST.QRX", "QELEVENT.QRX", "QELXFER.QRX",
};

// The default option files: one question covers all of them.
constexpr const char* option_files_list[] = {
    "STANDARD.QEL", "STANDARD.FEE", "STANDARD.QKY", "STANDARD.QPA",
    "STANDARD.QPH", "STANDARD.QTB", "STANDARD.QTR",
};

// Days before each month of a common year.
constexpr int days_before_month[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

constexpr int QUESTION_SIZE = 512;

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when name ends with tail, letter case ignored; a shorter name never does.
bool ends_with_nocase(const char* name, const char* tail)
{
    size_t name_length = std::strlen(name);
    size_t tail_length = std::strlen(tail);
    if (name_length < tail_length)
        return false;
    const char* end = name + name_length - tail_length;
    for (size_t i = 0; i < tail_length; ++i)
        if (ascii_lower(end[i]) != ascii_lower(tail[i]))
            return false;
    return true;
}

// Puts name in place of the first "%s" of the catalogue text. The text is
// not used as a format, so a '%' in a file name is harmless.
void fill_in_name(char* out, int size, const char* text, const char* name)
{
    const char* mark = std::strstr(text, "%s");
    if (mark == nullptr) {
        std::snprintf(out, static_cast<size_t>(size), "%s", text);
        return;
    }
    std::snprintf(out, static_cast<size_t>(size), "%.*s%s%s", static_cast<int>(mark - text), text, name,
                  mark + 2);
}

// Seconds to add to a local clock reading to get UTC at that moment, as the
// C library knows the zone (standard and daylight time alike).
int64_t local_to_utc_offset(int64_t clock_seconds, int year, int month, int day, int hour, int minute,
                            int second)
{
    std::tm clock{};
    clock.tm_year = year - 1900;
    clock.tm_mon = month;
    clock.tm_mday = day;
    clock.tm_hour = hour;
    clock.tm_min = minute;
    clock.tm_sec = second;
    clock.tm_isdst = -1;
    std::time_t utc = std::mktime(&clock);
    if (utc == static_cast<std::time_t>(-1))
        return 0;
    return static_cast<int64_t>(utc) - clock_seconds;
}

// Copies the existing file to its backup name, replacing an older backup.
// False when no backup could be made; the caller then keeps the file.
bool back_up_existing_file()
{
    char backup[ENTRY_NAME_SIZE];
    if (!make_backup_name(entry_name, backup, sizeof backup))
        return false;
    // A name that already carries the '0' would be copied onto itself.
    if (std::strcmp(backup, entry_name) == 0)
        return false;
    if (!copy_file_mapped(entry_name, backup, false))
        return false;
    settings.backups_made = 1;
    return true;
}

}  // namespace

int64_t dos_time_to_seconds(uint16_t dos_date, uint16_t dos_time)
{
    int years = (dos_date >> 9) + 10;  // since 1970
    int month = ((dos_date >> 5) & 0x0F) - 1;
    int day = (dos_date & 0x1F) - 1;
    int hour = dos_time >> 11;
    int minute = (dos_time >> 5) & 0x3F;
    int second = 2 * (dos_time & 0x1F);

    // A month field of 0 or above 12 has no row in the table; such a date
    // counts as January or December of its year.
    if (month < 0)
        month = 0;
    if (month > 11)
        month = 11;

    int64_t days = static_cast<int64_t>(years) * 365 + (years + 1969) / 4 - 492 + days_before_month[month];
    if (month > 1 && (years + 1970) % 4 == 0 && years + 1970 != 2100)
        days += 1;
    int64_t seconds = (days + day) * 86400 + second + minute * 60 + hour * 3600;

    // The stored time is the writer's local clock; file times are UTC.
    return seconds + local_to_utc_offset(seconds, years + 1970, month, day + 1, hour, minute, second);
}

int check_existing(const char* path)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return -1;
    int64_t modified = static_cast<int64_t>(status.st_mtime);
    if (modified & 1)
        modified += 1;  // DOS times have a two-second resolution
    return modified >= dos_time_to_seconds(local_header.mod_date, local_header.mod_time) ? 1 : 0;
}

bool make_backup_name(const char* path, char* backup, int size)
{
    int length = static_cast<int>(std::strlen(path));
    if (length + 2 > size)
        return false;
    std::memcpy(backup, path, static_cast<size_t>(length) + 1);
    int component = length;
    while (component > 0 && backup[component - 1] != '/' && backup[component - 1] != '\\' &&
           backup[component - 1] != ':')
        --component;
    if (component == length)
        return false;  // the path ends in a separator: no file name
    char* dot = std::strchr(backup + component, '.');
    if (dot == nullptr) {
        backup[length - 1] = '0';
    } else if (dot[1] == '\0') {
        dot[1] = '0';  // "NAME." gives "NAME.0"; the terminator is not overwritten
        dot[2] = '\0';
    } else {
        dot[1] = '0';
    }
    return true;
}

int approve_overwrite(int* result)
{
    char question[QUESTION_SIZE];
    bool approved = true;
    bool special = false;
    answer[0] = 'y';

    for (const char* tail : ask_overwrite_list) {
        if (!ends_with_nocase(entry_name, tail))
            continue;
        special = true;
        fill_in_name(question, sizeof question, catalogue_text(msg_overwrite_file), entry_name);
        approved = ask_yes_no(settings.dialog_window, catalogue_text(msg_title_info), question, MB_STYLE_WARNING);
        break;
    }
    for (const char* tail : option_files_list) {
        if (!ends_with_nocase(entry_name, tail))
            continue;
        special = true;
        if (!options_overwrite_always && !options_overwrite_never) {
            approved = ask_yes_no(settings.dialog_window, catalogue_text(msg_title_info),
                                  catalogue_text(msg_overwrite_options), MB_STYLE_WARNING);
            if (approved)
                options_overwrite_always = 1;
            else
                options_overwrite_never = 1;
        } else {
            approved = options_overwrite_always != 0;
        }
        break;
    }

    if (!approved) {
        answer[0] = 'n';
        return 0;
    }
    if (special && !back_up_existing_file()) {
        // Replacing the user's file without its backup would lose it.
        std::fprintf(stderr, "warning:  cannot back up %s; existing file kept\n", entry_name);
        answer[0] = 'n';
        if (*result < RC_WARN)
            *result = RC_WARN;
        return 0;
    }
    return 1;
}

int decide_output(int* result)
{
    int mapped = mapname(0);
    switch (mapped) {
    case PATH_OK:
        break;
    case PATH_TRUNCATED:
        // A name was cut or unsafe components were dropped: the file is
        // written, but not where the archive said.
        if (*result < RC_WARN)
            *result = RC_WARN;
        break;
    case PATH_DIR_CREATED:
    case PATH_SKIP:
        return 0;
    case PATH_VOLUME_LABEL:
        std::fprintf(stderr, "   skipping: %-22s  %svolume label\n", entry_name,
                     engine_options.volume_labels > 0 ? "hard disk " : "");
        return 0;
    default:
        if (*result < RC_ERR)
            *result = RC_ERR;
        return 0;
    }

    bool ask = false;
    switch (check_existing(entry_name)) {
    case -1:
        if (engine_options.freshen)
            return 0;
        break;
    case 0:
        if (engine_options.never_overwrite)
            return 0;
        ask = !engine_options.overwrite_all && !engine_options.overwrite_force;
        break;
    default:
        if (engine_options.never_overwrite || engine_options.update)
            return 0;
        ask = !engine_options.overwrite_all && !engine_options.overwrite_force;
        break;
    }
    if (!ask)
        return 1;
    return approve_overwrite(result);
}
