// Native (POSIX) part of the start-menu work. The nearest equivalent of the
// Windows start menu is the freedesktop.org menu: the programs folder is
// $XDG_DATA_HOME/applications (else ~/.local/share/applications), the folder
// name is converted from code page 850 to UTF-8, a program is looked up along
// $PATH, and each shortcut is a desktop entry file "<name>.desktop" holding
// the same target, arguments, working directory, description and icon.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "installer/file_system.h"
#include "installer/shortcuts.h"

namespace {

// Unicode code points of code page 850, bytes 0x80 to 0xFF.
constexpr uint16_t cp850_high[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// UTF-8 bytes of one code point below 0x10000; returns their number.
int encode_utf8(uint16_t code, char* out)
{
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (code >> 12));
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
}

void slashes(char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text == '\\')
            *text = '/';
    }
}

// A desktop-entry value with a path in native form.
void write_path_value(std::FILE* file, const char* key, const char* path)
{
    char native[520];
    std::snprintf(native, sizeof native, "%s", path);
    slashes(native);
    std::fprintf(file, "%s=%s\n", key, native);
}

}  // namespace

bool query_programs_folder(char* out, int size)
{
    const char* data_home = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data_home != nullptr && data_home[0] != '\0')
        std::snprintf(out, size, "%s/applications", data_home);
    else if (home != nullptr && home[0] != '\0')
        std::snprintf(out, size, "%s/.local/share/applications", home);
    else
        std::snprintf(out, size, ".");
    std::size_t length = std::strlen(out);
    if (length > 1 && out[length - 1] == '/')
        out[length - 1] = '\0';
    return std::strcmp(out, ".") != 0;
}

void folder_name_from_oem(char* text, int size)
{
    char converted[1024];
    int used = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        char encoded[3];
        int length = encode_utf8(byte < 0x80 ? byte : cp850_high[byte - 0x80], encoded);
        if (used + length >= size || used + length >= static_cast<int>(sizeof converted))
            break;
        std::memcpy(converted + used, encoded, length);
        used += length;
    }
    converted[used] = '\0';
    std::memcpy(text, converted, used + 1);
}

bool find_on_search_path(const char* program, char* out, int size)
{
    const char* path = std::getenv("PATH");
    out[0] = '\0';
    while (path != nullptr && *path != '\0') {
        const char* end = std::strchr(path, ':');
        int length = end ? static_cast<int>(end - path) : static_cast<int>(std::strlen(path));
        if (length > 0) {
            std::snprintf(out, size, "%.*s/%s", length, path, program);
            if (access(out, X_OK) == 0)
                return true;
        }
        path += length + (end ? 1 : 0);
    }
    out[0] = '\0';
    return false;
}

bool begin_shortcuts() { return true; }
void end_shortcuts() {}

bool write_shortcut(const ShortcutLink& link)
{
    char name[300];
    std::snprintf(name, sizeof name, "%s", link.file);
    std::size_t length = std::strlen(name);
    if (length >= 4 && std::strcmp(name + length - 4, ".LNK") == 0)
        name[length - 4] = '\0';
    std::strncat(name, ".desktop", sizeof name - std::strlen(name) - 1);
    char native[300];
    if (!native_path(native, sizeof native, name))
        return false;
    std::FILE* file = std::fopen(native, "w");
    if (file == nullptr)
        return false;
    char target[520];
    std::snprintf(target, sizeof target, "%s", link.target);
    slashes(target);
    std::fprintf(file, "[Desktop Entry]\nType=Application\nName=%s\nComment=%s\n", link.description, link.description);
    std::fprintf(file, "Exec=\"%s\"%s%s\n", target, link.arguments[0] ? " " : "", link.arguments);
    write_path_value(file, "Path", link.working_directory);
    if (link.icon[0] != '\0')
        write_path_value(file, "Icon", link.icon);
    return std::fclose(file) == 0;
}
