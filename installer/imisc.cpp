#include "installer/imisc.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "installer/catalogue.h"
#include "installer/file_ops.h"
#include "installer/file_system.h"
#include "installer/settings.h"
#include "installer/worker.h"
#include "windowlayer/os_layer.h"

namespace {

struct PathKey {
    const char* key;
    int value_position;        // the key, then two characters, then the value
    const char* (*new_value)();
};

// Keys of the directory lines in the keyed layout, tried in this order.
constexpr PathKey path_keys[] = {
    {"DownloadPath", 14, [] { return static_cast<const char*>(install_choices.download_path); }},
    {"UploadPath", 12, [] { return static_cast<const char*>(install_choices.upload_path); }},
    {"CapturePath", 13, [] { return static_cast<const char*>(install_choices.log_path); }},
    {"ScriptPath", 12, [] { return static_cast<const char*>(install_choices.script_path); }},
    {"OptsPath", 10, [] { return static_cast<const char*>(install_choices.options_path); }},
};

constexpr int HEADER_SIZE = 64;   // 63 characters
constexpr int LINE_SIZE = 260;    // 259 characters

enum LineRead { LINE_END_OF_FILE, LINE_COMPLETE, LINE_PARTIAL };

// Reads one line into buffer without its line end. A line longer than the
// buffer gives its first part as LINE_PARTIAL; the caller then copies or skips
// the rest with finish_line, so long lines are never split or overrun.
LineRead read_line(std::FILE* file, char* buffer, int size)
{
    if (std::fgets(buffer, size, file) == nullptr) {
        buffer[0] = '\0';
        return LINE_END_OF_FILE;
    }
    std::size_t length = std::strlen(buffer);
    if (length > 0 && buffer[length - 1] == '\n') {
        buffer[length - 1] = '\0';
        return LINE_COMPLETE;
    }
    return std::feof(file) ? LINE_COMPLETE : LINE_PARTIAL;
}

// Copies (output set) or drops the rest of a partly read line, up to and
// without its line end.
void finish_line(std::FILE* input, std::FILE* output)
{
    int c;
    while ((c = std::fgetc(input)) != EOF && c != '\n') {
        if (output != nullptr)
            std::fputc(c, output);
    }
}

// Writes a line that is copied as it is, with the rest of a long one.
void copy_line(std::FILE* input, std::FILE* output, const char* line, LineRead read)
{
    std::fputs(line, output);
    if (read == LINE_PARTIAL)
        finish_line(input, output);
    std::fputc('\n', output);
}

bool starts_with_nocase(const char* text, const char* word)
{
    for (; *word != '\0'; ++text, ++word) {
        if (std::tolower(static_cast<unsigned char>(*text)) != std::tolower(static_cast<unsigned char>(*word)))
            return false;
    }
    return true;
}

// Version at the header's fourth character, compared with "2.50" over four
// characters without regard to case.
bool is_keyed_layout(const char* header)
{
    const char* version = std::strlen(header) > 3 ? header + 3 : "";
    constexpr char first_keyed[] = "2.50";
    for (int i = 0; i < 4; ++i) {
        int have = std::tolower(static_cast<unsigned char>(version[i]));
        int want = first_keyed[i];
        if (have != want)
            return have > want;
    }
    return true;
}

// A directory line gets the chosen directory in place of its value, closed by
// a double quote. A line too short to reach its value is not a directory line
// and is copied unchanged.
bool convert_key_line(std::FILE* input, std::FILE* output, const char* line, LineRead read)
{
    for (const PathKey& key : path_keys) {
        if (!starts_with_nocase(line, key.key))
            continue;
        if (std::strlen(line) < static_cast<std::size_t>(key.value_position))
            return false;
        std::fprintf(output, "%.*s%s\"\n", key.value_position, line, relative_to_destination(key.new_value()));
        if (read == LINE_PARTIAL)
            finish_line(input, nullptr);
        return true;
    }
    return false;
}

void convert_keyed(std::FILE* input, std::FILE* output)
{
    char line[LINE_SIZE];
    LineRead read;
    while ((read = read_line(input, line, sizeof line)) != LINE_END_OF_FILE) {
        if (!convert_key_line(input, output, line, read))
            copy_line(input, output, line, read);
    }
}

// Lines 2 to 8 stand for fixed items; the directory lines get the chosen
// directories, the others are copied, and a short file gets every line.
void convert_positional(std::FILE* input, std::FILE* output)
{
    const char* const replacements[] = {
        install_choices.download_path, nullptr, install_choices.upload_path, nullptr,
        install_choices.log_path, install_choices.script_path, install_choices.options_path,
    };
    char line[LINE_SIZE];
    for (const char* replacement : replacements) {
        LineRead read = read_line(input, line, sizeof line);
        if (replacement == nullptr) {
            copy_line(input, output, line, read);
        } else {
            std::fprintf(output, "%s\n", relative_to_destination(replacement));
            if (read == LINE_PARTIAL)
                finish_line(input, nullptr);
        }
    }
    LineRead read;
    while ((read = read_line(input, line, sizeof line)) != LINE_END_OF_FILE)
        copy_line(input, output, line, read);
}

}  // namespace

const char* relative_to_destination(const char* path)
{
    const char* destination = install_choices.destination_path;
    std::size_t length = std::strlen(destination);
    if (length == 0 || !starts_with_nocase(path, destination))
        return path;
    const char* rest = path + length;
    // Only a whole directory counts: C:\QELDATA does not lie below C:\QEL.
    if (destination[length - 1] == '\\')
        return rest;
    if (*rest == '\\')
        return rest + 1;
    return *rest == '\0' ? rest : path;
}

void convert_options_file(const char* name)
{
    const char* separator = std::strchr(name, '\\');
    if (separator == nullptr) {
        _os_AssertMsg("strchr(name, '\\\\') != NULL", "imisc", 399);
        return;
    }
    os_SetWindowText(os_SubWin(settings.dialog_window, 309), catalogue_text(msg_status_paths));
    char temp[PATH_SIZE];
    char file[PATH_SIZE];
    join_path(temp, PATH_SIZE, install_choices.options_path, "STANDARD.TMP");
    join_path(file, PATH_SIZE, install_choices.options_path, separator + 1);
    char native[PATH_SIZE];
    std::FILE* input = native_path(native, sizeof native, file) ? std::fopen(native, "r") : nullptr;
    if (input == nullptr)
        return;
    char header[HEADER_SIZE];
    LineRead header_read = read_line(input, header, sizeof header);
    std::FILE* output = native_path(native, sizeof native, temp) ? std::fopen(native, "w") : nullptr;
    if (output == nullptr) {
        std::fclose(input);
        return;
    }
    copy_line(input, output, header, header_read == LINE_END_OF_FILE ? LINE_COMPLETE : header_read);
    if (is_keyed_layout(header))
        convert_keyed(input, output);
    else
        convert_positional(input, output);
    std::fclose(input);
    bool written = std::fclose(output) == 0;
    if (written)
        copy_file_mapped(temp, file, false);
    remove_file(temp);
}
