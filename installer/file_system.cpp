#include "installer/file_system.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <cstring>

#include "installer/settings.h"

#ifdef _WIN32
#include <direct.h>
#include <sys/utime.h>
#else
#include <dirent.h>
#include <strings.h>
#include <unistd.h>
#include <utime.h>
#endif

namespace {

#ifndef _WIN32
// Appends the component text[0..length) to out (which ends with '/' or is
// empty), spelled as the directory out already holds it in any letter case.
// Returns false once a component is missing, so later ones are kept verbatim.
bool append_existing_component(char* out, int size, const char* text, int length)
{
    int used = static_cast<int>(std::strlen(out));
    if (used + length >= size)
        return false;
    std::memcpy(out + used, text, length);
    out[used + length] = '\0';
    struct stat status;
    if (stat(out, &status) == 0)
        return true;
    out[used] = '\0';
    DIR* directory = opendir(used == 0 ? "." : out);
    bool found = false;
    if (directory != nullptr) {
        while (dirent* item = readdir(directory)) {
            if (std::strlen(item->d_name) == static_cast<std::size_t>(length)
                && strncasecmp(item->d_name, text, length) == 0) {
                std::memcpy(out + used, item->d_name, length);
                found = true;
                break;
            }
        }
        closedir(directory);
    }
    if (!found)
        std::memcpy(out + used, text, length);
    out[used + length] = '\0';
    return found;
}
#endif

}  // namespace

bool native_path(char* out, int size, const char* path)
{
    if (size <= 0)
        return false;
    std::size_t length = std::strlen(path);
    if (length >= static_cast<std::size_t>(size)) {
        out[0] = '\0';
        return false;
    }
#ifdef _WIN32
    std::memcpy(out, path, length + 1);
    return true;
#else
    char slashed[PATH_SIZE * 2];
    if (length >= sizeof slashed) {
        out[0] = '\0';
        return false;
    }
    for (std::size_t i = 0; i <= length; ++i)
        slashed[i] = path[i] == '\\' ? '/' : path[i];
    // Rebuild component by component, keeping every separator as it stands.
    out[0] = '\0';
    bool resolving = true;
    const char* cursor = slashed;
    while (*cursor != '\0') {
        int used = static_cast<int>(std::strlen(out));
        if (*cursor == '/') {
            out[used] = '/';
            out[used + 1] = '\0';
            ++cursor;
            continue;
        }
        const char* end = std::strchr(cursor, '/');
        int part = end ? static_cast<int>(end - cursor) : static_cast<int>(std::strlen(cursor));
        bool special = (part == 1 && cursor[0] == '.') || (part == 2 && cursor[0] == '.' && cursor[1] == '.');
        if (resolving && !special) {
            resolving = append_existing_component(out, size, cursor, part);
        } else {
            std::memcpy(out + used, cursor, part);
            out[used + part] = '\0';
        }
        cursor += part;
    }
    return true;
#endif
}

bool path_exists(const char* path)
{
    char native[PATH_SIZE];
    struct stat status;
    return native_path(native, sizeof native, path) && stat(native, &status) == 0;
}

bool is_directory(const char* path)
{
    char native[PATH_SIZE];
    struct stat status;
    return native_path(native, sizeof native, path) && stat(native, &status) == 0
        && (status.st_mode & S_IFMT) == S_IFDIR;
}

bool make_one_directory(const char* path)
{
    char native[PATH_SIZE];
    if (!native_path(native, sizeof native, path))
        return false;
#ifdef _WIN32
    return _mkdir(native) == 0;
#else
    return mkdir(native, 0777) == 0;
#endif
}

bool remove_file(const char* path)
{
    char native[PATH_SIZE];
    return native_path(native, sizeof native, path) && std::remove(native) == 0;
}

bool remove_directory(const char* path)
{
    char native[PATH_SIZE];
    if (!native_path(native, sizeof native, path))
        return false;
#ifdef _WIN32
    return _rmdir(native) == 0;
#else
    return rmdir(native) == 0;
#endif
}

namespace {

// Copies every byte of source into the open file target; false on any error.
bool copy_stream(std::FILE* source, std::FILE* target)
{
    char buffer[16384];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, source)) > 0) {
        if (std::fwrite(buffer, 1, got, target) != got)
            return false;
    }
    return !std::ferror(source);
}

}  // namespace

bool copy_file_replacing(const char* source, const char* target)
{
    char from[PATH_SIZE];
    char to[PATH_SIZE];
    char temporary[PATH_SIZE + 8];
    if (!native_path(from, sizeof from, source) || !native_path(to, sizeof to, target))
        return false;
    struct stat status;
    if (stat(from, &status) != 0 || (status.st_mode & S_IFMT) != S_IFREG)
        return false;
    std::snprintf(temporary, sizeof temporary, "%s.~cp", to);
    std::FILE* input = std::fopen(from, "rb");
    if (input == nullptr)
        return false;
    std::FILE* output = std::fopen(temporary, "wb");
    if (output == nullptr) {
        std::fclose(input);
        return false;
    }
    bool copied = copy_stream(input, output);
    std::fclose(input);
    copied = std::fclose(output) == 0 && copied;
    if (!copied) {
        std::remove(temporary);
        return false;
    }
    struct utimbuf times;
    times.actime = status.st_atime;
    times.modtime = status.st_mtime;
    utime(temporary, &times);
#ifdef _WIN32
    std::remove(to);  // rename does not replace on Windows
#endif
    if (std::rename(temporary, to) != 0) {
        std::remove(temporary);
        return false;
    }
    return true;
}
