// The earlier installation's own account of itself. Newer versions keep their
// data directories as keyed lines of the options file "STANDARD.QPA"; older
// ones in the path file "QELPATH.DAT", one directory per fixed line.
#include "installer/probe.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "installer/file_system.h"
#include "installer/settings.h"
#include "installer/startup.h"

namespace {

constexpr int HEADER_SIZE = 64;       // the header line: at most 63 characters
constexpr int VERSION_OFFSET = 3;     // a three-character tag precedes the version
constexpr int VERSION_COMPARED = 4;   // version comparisons look at four characters

using PathField = char (InstallSettings::*)[PATH_SIZE];

// Keys of the options file; the value starts two characters after the key.
struct OptionsKey {
    const char* key;
    PathField field;
};
constexpr OptionsKey options_keys[] = {
    {"DownloadPath", &InstallSettings::download_dir_name},
    {"UploadPath", &InstallSettings::upload_dir_name},
    {"CapturePath", &InstallSettings::log_dir_name},
    {"ScriptPath", &InstallSettings::script_dir_name},
    {"OptsPath", &InstallSettings::options_dir_name},
};
constexpr int KEY_VALUE_GAP = 2;  // '=' and the opening quote, not checked

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File open_text_file(const char* name)
{
    // A directory of that name does not count as the file.
    char native[PATH_SIZE];
    if (!regular_file_exists(name) || !native_path(native, PATH_SIZE, name))
        return File();
    return File(std::fopen(native, "r"));
}

int lower(char c)
{
    return std::tolower(static_cast<unsigned char>(c));
}

// Compares the first four characters ignoring case, as strncasecmp would.
int compare_version(const char* version, const char* limit)
{
    for (int i = 0; i < VERSION_COMPARED; ++i) {
        int difference = lower(version[i]) - lower(limit[i]);
        if (difference != 0 || version[i] == '\0')
            return difference;
    }
    return 0;
}

// Removes the line end that the read left at the end of the line. A last line
// without a line end keeps all its characters.
void remove_line_end(char* line)
{
    std::size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n')
        line[--length] = '\0';
    if (length > 0 && line[length - 1] == '\r')
        line[--length] = '\0';
}

// Reads one line (or the piece of an over-long line that fits) into a buffer
// of size bytes; false at the end of the file, leaving the buffer empty.
bool read_line(std::FILE* file, char* buffer, int size)
{
    buffer[0] = '\0';
    if (std::fgets(buffer, size, file) == nullptr) {
        buffer[0] = '\0';
        return false;
    }
    remove_line_end(buffer);
    return true;
}

bool begins_with_key(const char* line, const char* key)
{
    for (; *key != '\0'; ++line, ++key) {
        if (*line == '\0' || lower(*line) != lower(*key))
            return false;
    }
    return true;
}

// The value of a key line: from two characters after the key up to the
// closing double quote that the product writes.
void copy_key_value(char* field, const char* line, const char* key)
{
    std::size_t start = std::strlen(key) + KEY_VALUE_GAP;
    field[0] = '\0';
    if (std::strlen(line) > start)
        std::snprintf(field, PATH_SIZE, "%s", line + start);
    std::size_t length = std::strlen(field);
    if (length > 0 && field[length - 1] == '"')
        field[length - 1] = '\0';
}

void read_options_file(std::FILE* file, char* header)
{
    read_line(file, header, HEADER_SIZE);
    if (is_beta_options_version(header_version(header)))
        settings.upgrade_from_beta = 1;
    char line[PATH_SIZE];
    while (read_line(file, line, PATH_SIZE)) {
        for (const OptionsKey& key : options_keys) {
            if (begins_with_key(line, key.key))
                copy_key_value(settings.*key.field, line, key.key);
        }
    }
}

// One line of the path file straight into its field, or dropped when field is null.
void read_path_line(std::FILE* file, char* field)
{
    char unused[PATH_SIZE];
    read_line(file, field != nullptr ? field : unused, PATH_SIZE);
}

void read_path_file(std::FILE* file, char* header)
{
    read_line(file, header, HEADER_SIZE);
    const char* version = header_version(header);
    if (is_beta_path_file_version(version))
        settings.upgrade_from_beta = 1;
    read_path_line(file, settings.download_dir_name);
    read_path_line(file, nullptr);
    read_path_line(file, settings.upload_dir_name);
    read_path_line(file, nullptr);
    read_path_line(file, settings.log_dir_name);
    // From 2.50 on one more line stands before the script directory
    // (the whole version text, compared case-sensitively).
    if (std::strcmp(version, "2.50") >= 0)
        read_path_line(file, nullptr);
    read_path_line(file, settings.script_dir_name);
    read_path_line(file, settings.options_dir_name);
}

// The earlier installation's directory: an absolute name as it is, a relative
// one below the earlier installation.
void resolve_previous_dir(char* result, const char* dir_name)
{
    if (is_absolute_path(dir_name))
        std::snprintf(result, PATH_SIZE, "%s", dir_name);
    else
        join_path(result, PATH_SIZE, settings.existing_path, dir_name);
}

}  // namespace

const char* header_version(const char* header)
{
    return std::strlen(header) > VERSION_OFFSET ? header + VERSION_OFFSET : "";
}

bool is_beta_options_version(const char* version)
{
    return compare_version(version, "2.50") >= 0 && compare_version(version, "2.99") <= 0;
}

bool is_beta_path_file_version(const char* version)
{
    return compare_version(version, "2.00") < 0 ||
           (compare_version(version, "2.06") >= 0 && compare_version(version, "2.09") <= 0);
}

int probe_previous_installation(const char* options_file, const char* path_file)
{
    settings.upgrade_from_beta = 0;
    settings.previous_found = 0;
    char header[HEADER_SIZE] = {};

    if (File file = open_text_file(options_file)) {
        read_options_file(file.get(), header);
        settings.previous_found = 1;
    } else if (File path_lines = open_text_file(path_file)) {
        // Each directory of the path file is emptied before its line is read.
        read_path_file(path_lines.get(), header);
        settings.previous_found = 1;
    }

    if (settings.previous_found) {
        resolve_previous_dir(settings.previous_options_dir, settings.options_dir_name);
        resolve_previous_dir(settings.previous_script_dir, settings.script_dir_name);
    }
    std::snprintf(settings.previous_version, VERSION_SIZE, "%s", header_version(header));
    return settings.previous_found;
}

void reset_previous_installation()
{
    std::snprintf(settings.log_dir_name, PATH_SIZE, "%s", "LOG");
    std::snprintf(settings.options_dir_name, PATH_SIZE, "%s", "OPTIONS");
    std::snprintf(settings.script_dir_name, PATH_SIZE, "%s", "SCRIPT");
    std::snprintf(settings.upload_dir_name, PATH_SIZE, "%s", "UPLOAD");
    std::snprintf(settings.download_dir_name, PATH_SIZE, "%s", "DOWNLOAD");
    settings.previous_options_dir[0] = '\0';
    settings.previous_script_dir[0] = '\0';
    settings.previous_found = 0;
}
