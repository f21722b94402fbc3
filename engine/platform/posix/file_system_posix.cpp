// The file layer's system operations on POSIX systems: the nearest
// equivalents of the Windows calls, each decision noted where it is made.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#ifdef __linux__
#include <sys/vfs.h>
#else
#include <sys/mount.h>
#include <sys/param.h>
#endif

#include "engine/io.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "engine/records.h"

int path_kind(const char* path)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return PATH_KIND_MISSING;
    return S_ISDIR(status.st_mode) ? PATH_KIND_DIRECTORY : PATH_KIND_OTHER;
}

bool make_directory(const char* path)
{
    return mkdir(path, 0777) == 0;  // the umask decides the final permissions
}

// POSIX file systems take any name as written; a name that is too long for
// one is refused at creation and reported there, never shortened to 8.3.
bool long_name_allowed(const char*)
{
    return true;
}

namespace {

// Whether the file system holding path (which need not exist) is FAT.
bool volume_is_fat(const char* path)
{
#ifdef __linux__
    constexpr long MSDOS_MAGIC = 0x4d44;  // vfat and msdos mounts
    struct statfs info;
    return statfs(path, &info) == 0 && info.f_type == MSDOS_MAGIC;
#else
    struct statfs info;
    return statfs(path, &info) == 0 && std::strcmp(info.f_fstypename, "msdos") == 0;
#endif
}

}  // namespace

// The volume is the one of the path's nearest existing ancestor; a relative
// path is judged by the current directory, as a drive-less Windows path is.
// When nothing can be queried the volume counts as not FAT.
bool is_fat_volume(const char* path)
{
    char probe[PATH_MAX_CHARS + 1];
    std::snprintf(probe, sizeof probe, "%s", path);
    while (probe[0] != '\0' && path_kind(probe) == PATH_KIND_MISSING) {
        char* slash = std::strrchr(probe, '/');
        if (slash == nullptr)
            probe[0] = '\0';
        else
            *(slash == probe ? slash + 1 : slash) = '\0';
    }
    return volume_is_fat(probe[0] != '\0' ? probe : ".");
}

// There are no drive letters: no drive is removable and no label is set.
bool is_removable_drive(int)
{
    return false;
}

bool set_volume_label(const char*, const char*)
{
    return false;
}

bool current_directory(char* buffer, int size)
{
    return getcwd(buffer, static_cast<size_t>(size)) != nullptr;
}

namespace {

bool is_leap_year(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Fields of a DOS date and time; false for an impossible date or time,
// which the system conversion on Windows refuses as well.
bool decode_dos_time(uint16_t date, uint16_t time, struct tm* out)
{
    static constexpr int days_in_month[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 1980 + (date >> 9);
    int month = (date >> 5) & 0x0F;
    int day = date & 0x1F;
    int hour = time >> 11;
    int minute = (time >> 5) & 0x3F;
    int second = (time & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
        return false;
    int month_days = days_in_month[month - 1] + ((month == 2 && is_leap_year(year)) ? 1 : 0);
    if (day > month_days)
        return false;
    *out = {};
    out->tm_year = year - 1900;
    out->tm_mon = month - 1;
    out->tm_mday = day;
    out->tm_hour = hour;
    out->tm_min = minute;
    out->tm_sec = second;
    out->tm_isdst = -1;  // let the zone rules of that date decide
    return true;
}

}  // namespace

// The stamp is seconds since 1970 (UTC).
bool dos_time_to_file_time(int64_t* out)
{
    struct tm fields;
    if (!decode_dos_time(local_header.mod_date, local_header.mod_time, &fields)) {
        std::printf("DosDateTime failed: %d\n", EINVAL);
        return false;
    }
    struct tm local_fields = fields;
    time_t utc = mktime(&local_fields);
    if (utc == static_cast<time_t>(-1)) {
        std::printf("LocalFileTime failed: %d\n", errno);
        utc = timegm(&fields);  // the local time, unconverted
    }
    *out = static_cast<int64_t>(utc);
    return true;
}

// Closes the output file, then sets its modification time (access time
// untouched) and maps the DOS attributes: only read-only has an equivalent,
// the removal of every write permission; hidden, system and archive have none.
void close_output_file()
{
    int64_t stamp = 0;
    bool have_time = dos_time_to_file_time(&stamp);
    if (output_file != nullptr)
        std::fclose(output_file);
    output_file = nullptr;

    int fd = open(entry_name, O_WRONLY);
    if (fd < 0) {
        std::fprintf(stderr, "\nCreateFile error %d when trying set file time\n", errno);
    } else {
        if (have_time) {
            struct timespec times[2];
            times[0].tv_sec = 0;
            times[0].tv_nsec = UTIME_OMIT;
            times[1].tv_sec = static_cast<time_t>(stamp);
            times[1].tv_nsec = 0;
            if (futimens(fd, times) != 0)
                std::printf("\nSetFileTime failed: %d\n", errno);
        }
        close(fd);
    }

    if ((current_entry->file_attributes & 0x01) == 0)
        return;
    struct stat status;
    if (stat(entry_name, &status) != 0 || chmod(entry_name, status.st_mode & ~static_cast<mode_t>(0222)) != 0)
        std::fprintf(stderr, "\nwarning (%d): could not set file attributes\n", errno);
}

// ---- directory scans over opendir/readdir ----

namespace {

// Next name of the directory that fits a DirScan name, or false at its end.
bool read_next_name(DirScan* scan)
{
    DIR* dir = static_cast<DIR*>(scan->handle);
    while (struct dirent* entry = readdir(dir)) {
        if (std::strlen(entry->d_name) < sizeof scan->name) {
            std::snprintf(scan->name, sizeof scan->name, "%s", entry->d_name);
            return true;
        }
    }
    return false;
}

}  // namespace

DirScan* open_dir_scan(const char* dir)
{
    DIR* handle = opendir(dir);
    if (handle == nullptr)
        return nullptr;
    DirScan* scan = static_cast<DirScan*>(std::calloc(1, sizeof(DirScan)));
    if (scan == nullptr) {
        closedir(handle);
        return nullptr;
    }
    scan->handle = handle;
    if (!read_next_name(scan)) {
        closedir(handle);
        std::free(scan);
        return nullptr;
    }
    scan->first_pending = 1;
    return scan;
}

DirScan* read_dir_scan(DirScan* scan)
{
    if (scan->first_pending) {
        scan->first_pending = 0;
        return scan;
    }
    return read_next_name(scan) ? scan : nullptr;
}

void close_dir_scan(DirScan* scan)
{
    if (scan == nullptr)
        return;
    closedir(static_cast<DIR*>(scan->handle));
    std::free(scan);
}
