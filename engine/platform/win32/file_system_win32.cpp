// The file layer's system operations on Windows.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/io.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "engine/records.h"

int path_kind(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PATH_KIND_MISSING;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PATH_KIND_DIRECTORY : PATH_KIND_OTHER;
}

bool make_directory(const char* path)
{
    return CreateDirectoryA(path, nullptr) != 0;
}

// The file system refuses a long name only with "invalid name" or "name too
// long"; a path that merely does not exist yet is accepted. CreateFileA
// stands in for the old OpenFile call, which is limited to 128 characters;
// backup semantics let it open directories too.
bool long_name_allowed(const char* path)
{
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error != ERROR_INVALID_NAME && error != ERROR_FILENAME_EXCED_RANGE;
    }
    CloseHandle(handle);
    return true;
}

// Judged by the drive of the path (the current directory's for a relative
// one); a volume whose information cannot be read counts as not FAT.
bool is_fat_volume(const char* path)
{
    char full[MAX_PATH];
    const char* absolute = path;
    if (!(std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':')) {
        DWORD length = GetFullPathNameA(path[0] != '\0' ? path : ".", sizeof full, full, nullptr);
        if (length == 0 || length >= sizeof full)
            return false;
        absolute = full;
    }
    if (std::strlen(absolute) < 2)
        return false;
    char root[4] = {absolute[0], ':', '\\', '\0'};
    char file_system[MAX_PATH + 1] = "";
    if (!GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, file_system, MAX_PATH))
        return false;
    for (char* p = file_system; *p; ++p)
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    return std::strncmp(file_system, "FAT", 3) == 0;
}

bool is_removable_drive(int drive)
{
    if (drive < 1 || drive > 26)
        return false;
    char root[4] = {static_cast<char>('A' + drive - 1), ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_REMOVABLE;
}

// The system wants the drive's root with its separator ("a:\"), while the
// message shows the two-character drive text.
bool set_volume_label(const char* drive_text, const char* label)
{
    char root[4] = {drive_text[0], ':', '\\', '\0'};
    return SetVolumeLabelA(root, label) != 0;
}

bool current_directory(char* buffer, int size)
{
    DWORD length = GetFullPathNameA(".", static_cast<DWORD>(size), buffer, nullptr);
    return length != 0 && length < static_cast<DWORD>(size);
}

// The DOS stamp is local time; the file system keeps UTC. The conversion
// uses the zone's current offset, as the system's own call does.
bool dos_time_to_file_time(int64_t* out)
{
    FILETIME local;
    if (!DosDateTimeToFileTime(local_header.mod_date, local_header.mod_time, &local)) {
        std::printf("DosDateTime failed: %d\n", static_cast<int>(GetLastError()));
        return false;
    }
    FILETIME utc;
    if (!LocalFileTimeToFileTime(&local, &utc)) {
        std::printf("LocalFileTime failed: %d\n", static_cast<int>(GetLastError()));
        utc = local;
    }
    *out = (static_cast<int64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
    return true;
}

void close_output_file()
{
    int64_t stamp = 0;
    bool have_time = dos_time_to_file_time(&stamp);
    if (output_file != nullptr)
        std::fclose(output_file);
    output_file = nullptr;

    HANDLE handle = CreateFileA(entry_name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "\nCreateFile error %d when trying set file time\n", static_cast<int>(GetLastError()));
    } else {
        if (have_time) {
            FILETIME write_time;
            write_time.dwLowDateTime = static_cast<DWORD>(stamp & 0xFFFFFFFF);
            write_time.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(stamp) >> 32);
            if (!SetFileTime(handle, nullptr, nullptr, &write_time))
                std::printf("\nSetFileTime failed: %d\n", static_cast<int>(GetLastError()));
        }
        CloseHandle(handle);
    }
    // Attributes last: a read-only file could not be opened for the time.
    if (!SetFileAttributesA(entry_name, static_cast<DWORD>(current_entry->file_attributes & 0x7F)))
        std::fprintf(stderr, "\nwarning (%d): could not set file attributes\n", static_cast<int>(GetLastError()));
}

// ---- directory scans over FindFirstFileA/FindNextFileA ----

DirScan* open_dir_scan(const char* dir)
{
    // A directory part that ends in '/' or a drive's ':' takes the pattern
    // directly, so "c:" scans that drive's current directory.
    size_t length = std::strlen(dir);
    bool has_end = length > 0 && (dir[length - 1] == '/' || dir[length - 1] == '\\' || dir[length - 1] == ':');
    char pattern[MAX_PATH + 8];
    int written = std::snprintf(pattern, sizeof pattern, "%s%s*.*", dir, has_end ? "" : "/");
    if (written < 0 || written >= static_cast<int>(sizeof pattern))
        return nullptr;
    DirScan* scan = static_cast<DirScan*>(std::calloc(1, sizeof(DirScan)));
    if (scan == nullptr)
        return nullptr;
    WIN32_FIND_DATAA found;
    HANDLE handle = FindFirstFileA(pattern, &found);
    if (handle == INVALID_HANDLE_VALUE) {
        std::free(scan);
        return nullptr;
    }
    std::snprintf(scan->name, sizeof scan->name, "%s", found.cFileName);
    scan->first_pending = 1;
    scan->handle = handle;
    return scan;
}

DirScan* read_dir_scan(DirScan* scan)
{
    if (scan->first_pending) {
        scan->first_pending = 0;
        return scan;
    }
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(static_cast<HANDLE>(scan->handle), &found))
        return nullptr;
    std::snprintf(scan->name, sizeof scan->name, "%s", found.cFileName);
    return scan;
}

void close_dir_scan(DirScan* scan)
{
    if (scan == nullptr)
        return;
    FindClose(static_cast<HANDLE>(scan->handle));
    std::free(scan);
}
