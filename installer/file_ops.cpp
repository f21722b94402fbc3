#include "installer/file_ops.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "installer/catalogue.h"
#include "installer/file_system.h"
#include "installer/settings.h"
#include "windowlayer/os_layer.h"

namespace {

struct RenamePair {
    const char* legacy_name;
    const char* new_name;
};

// Settings files of earlier versions and their current names, relative to
// the installation directory.
constexpr RenamePair rename_pairs[] = {
    {"options\\standard", "options\\standard.qel"},
    {"options\\qelpath.dat", "options\\standard.qpa"},
    {"options\\qelphone.fee", "options\\standard.fee"},
    {"options\\qel.key", "options\\standard.qky"},
    {"options\\qeltool.bar", "options\\standard.qtb"},
    {"options\\qelphone.opt", "options\\standard.qph"},
    {"script\\qelevent.cmd", "script\\qelevent.qrx"},
};

// Files the product no longer uses, relative to the installation directory;
// '!' marks a directory, removed only when it has become empty. The sample
// files come before their directory so that it can go.
constexpr const char* obsolete_files[] = {
    "options\\standard",
    "options\\qelpath.dat",
    "options\\qelphone.fee",
    "options\\qel.key",
    "options\\qeltool.bar",
    "options\\qelphone.opt",
    "vw_gif.exe",
    "vw_jpg.exe",
    "xfrcisb.dll",
    "xfrkerm.dll",
    "chnmodem.hlp",
    "chntlnet.hlp",
    "chnnpipe.hlp",
    "script\\rxsample\\misc\\1_first",
    "script\\rxsample\\misc\\2_ifelse",
    "script\\rxsample\\misc\\3_loop",
    "script\\rxsample\\misc\\4_modem",
    "script\\rxsample\\misc\\5_reply",
    "script\\rxsample\\misc\\6_calbbs",
    "script\\rxsample\\misc\\7_calbbs",
    "!script\\rxsample\\misc",
    "script\\qelevent.cmd",
    "log\\dummy.tmp",
    "upload\\dummy.tmp",
    "download\\dummy.tmp",
};

bool ends_with_nocase(const char* text, const char* ending)
{
    std::size_t text_length = std::strlen(text);
    std::size_t ending_length = std::strlen(ending);
    if (text_length < ending_length)
        return false;
    const char* tail = text + text_length - ending_length;
    for (std::size_t i = 0; i < ending_length; ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i]))
            != std::tolower(static_cast<unsigned char>(ending[i])))
            return false;
    }
    return true;
}

bool equal_nocase(const char* a, const char* b)
{
    return std::strlen(a) == std::strlen(b) && ends_with_nocase(a, b);
}

// Directory and name with one '\' between them unless the directory already
// ends with one. False when the result would not fit a path buffer.
bool child_path(char* out, const char* directory, const char* name)
{
    std::size_t length = std::strlen(directory);
    bool has_separator = length > 0 && directory[length - 1] == '\\';
    int written = std::snprintf(out, PATH_SIZE, "%s%s%s", directory, has_separator ? "" : "\\", name);
    return written >= 0 && written < PATH_SIZE;
}

// The pattern that finds every name in a directory, in the form the find
// operation opens on this platform.
bool start_search(OsFindRecord* record, const char* directory)
{
    char pattern[PATH_SIZE];
    std::memset(record, 0, sizeof *record);
    if (!child_path(pattern, directory, "*.*"))
        return false;
    if (!native_path(record->pattern, sizeof record->pattern, pattern))
        return false;
    return os_FileFindMgr(0, record) == 0;
}

// Copies the sub-directories of source_dir into target_dir, depth first.
void copy_sub_directories(const char* source_dir, const char* target_dir, bool map)
{
    OsFindRecord record;
    if (!start_search(&record, source_dir)) {
        os_FileFindMgr(2, &record);
        return;
    }
    do {
        // A leading dot passes over ".", ".." and hidden directories alike.
        if (record.name[0] == '.' || (record.attributes & OS_FIND_DIRECTORY) == 0)
            continue;
        char source[PATH_SIZE];
        char target[PATH_SIZE];
        if (child_path(source, source_dir, record.name) && child_path(target, target_dir, record.name))
            copy_tree(source, target, map);
    } while (os_FileFindMgr(1, &record) == 0);
    os_FileFindMgr(2, &record);
}

void copy_files(const char* source_dir, const char* target_dir, bool map)
{
    OsFindRecord record;
    if (!start_search(&record, source_dir)) {
        os_FileFindMgr(2, &record);
        return;
    }
    do {
        if ((record.attributes & OS_FIND_DIRECTORY) != 0)
            continue;
        char source[PATH_SIZE];
        char target[PATH_SIZE];
        if (child_path(source, source_dir, record.name) && child_path(target, target_dir, record.name))
            copy_file_mapped(source, target, map);
    } while (os_FileFindMgr(1, &record) == 0);
    os_FileFindMgr(2, &record);
}

}  // namespace

bool copy_file_mapped(const char* source, char* target, bool map)
{
    if (map) {
        for (const RenamePair& pair : rename_pairs) {
            if (!ends_with_nocase(target, pair.legacy_name))
                continue;
            std::size_t keep = std::strlen(target) - std::strlen(pair.legacy_name);
            std::snprintf(target + keep, PATH_SIZE - keep, "%s", pair.new_name);
            break;
        }
    }
    return copy_file_replacing(source, target);
}

bool copy_tree(const char* source_dir, const char* target_dir, bool map)
{
    if (source_dir[0] == '\0' || target_dir[0] == '\0' || equal_nocase(source_dir, target_dir))
        return false;
    if (!path_exists(target_dir) && !make_one_directory(target_dir))
        return false;
    copy_sub_directories(source_dir, target_dir, map);
    copy_files(source_dir, target_dir, map);
    return true;
}

void delete_old_files(const char* directory, int mode)
{
    char first[PATH_SIZE];
    char second[PATH_SIZE];
    if (mode == 0) {
        for (const RenamePair& pair : rename_pairs) {
            join_path(first, PATH_SIZE, directory, pair.legacy_name);
            join_path(second, PATH_SIZE, directory, pair.new_name);
            copy_file_mapped(first, second, false);
        }
    } else if (mode == 1) {
        os_SetWindowText(os_SubWin(settings.dialog_window, 309), catalogue_text(msg_status_deleting));
        for (const char* name : obsolete_files) {
            if (name[0] == '!') {
                join_path(first, PATH_SIZE, directory, name + 1);
                remove_directory(first);
            } else {
                join_path(first, PATH_SIZE, directory, name);
                remove_file(first);
            }
        }
    }
}
