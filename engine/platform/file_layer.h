// The engine's bridge to the file system: entry names to output paths under
// the extraction root, directory creation, time stamps and attributes of
// written files, and the expansion of wildcard archive names.
#pragma once
#include <cstdint>

// <wingdi.h> defines BEGIN_PATH as a printer escape; the mode below wins.
#ifdef BEGIN_PATH
#undef BEGIN_PATH
#endif

// Modes of checkdir.
enum : int { SET_ROOT = 0, BEGIN_PATH = 1, ADD_DIR = 2, ADD_NAME = 3, TAKE_PATH = 4, FREE_ROOT = 5 };

// Results of checkdir and mapname (a set of their own).
enum : int {
    PATH_OK = 0,
    PATH_TRUNCATED = 1,
    PATH_SKIP = 2,
    PATH_FAILED = 3,
    PATH_TOO_LONG = 4,
    PATH_NO_MEMORY = 10,
    PATH_DIR_CREATED = 77,
    PATH_VOLUME_LABEL = 78,
};

// Path limits: a complete output path holds at most PATH_MAX_CHARS characters
// (it must fit entry_name), the directory part at most DIR_MAX_CHARS before
// its closing '/'. A single component never exceeds COMPONENT_SIZE - 1.
constexpr int PATH_MAX_CHARS = 260;
constexpr int DIR_MAX_CHARS = 258;
constexpr int COMPONENT_SIZE = 261;
constexpr char CTRL_V = 22;  // quotes the next character of an entry name

// Only Windows knows drive letters ("c:") and volume labels.
#ifdef _WIN32
constexpr bool DRIVE_LETTERS = true;
#else
constexpr bool DRIVE_LETTERS = false;
#endif

// State of checkdir, one per process. Both path buffers exist only from
// BEGIN_PATH to TAKE_PATH (or to the failure exit that releases them).
struct PathBuilder {
    char* root;              // extraction root ending in '/', or null
    int root_length;         // 0: no root
    char* long_path;         // output path with the components as named
    int long_end;            // index of long_path's terminator
    char* mapped_path;       // output path as created (8.3 where refused)
    int mapped_end;          // index of mapped_path's terminator
    int path_capacity;       // bytes of each path buffer
    bool directory_created;  // a directory was made for the current entry
    int entry_name_length;   // length of entry_name when mapname began
    int label_drive;         // 1 for A:, 2 for B:, ...
};

extern PathBuilder path_builder;
extern bool create_directories;  // missing directories may be created

int checkdir(char* text, int mode);
int mapname(int renamed);          // entry_name in: the entry's name; out: the output path
void close_output_file();          // closes output_file, applies time and attributes
void map_attributes();             // current_entry->file_attributes from the central header
const char* next_archive_name(const char* spec);  // null ends the sequence

// Writes the 8.3 form of one path component at `end`, never at or past
// `limit` (the terminator included); returns the new end (its terminator).
char* map_to_fat_name(const char* component, char* end, const char* limit);

// ---- Operations each platform provides (posix/ and win32/) ----

enum : int { PATH_KIND_MISSING = 0, PATH_KIND_DIRECTORY = 1, PATH_KIND_OTHER = 2 };
int path_kind(const char* path);           // status query
bool make_directory(const char* path);     // creates one directory level
bool long_name_allowed(const char* path);  // the file system accepts the path as written
bool is_fat_volume(const char* path);      // the path's volume has a FAT file system
bool is_removable_drive(int drive);        // 1 for A:, ...
bool set_volume_label(const char* drive_text, const char* label);
// Absolute path of the current directory into buffer; false when it does
// not fit (size bytes, terminator included).
bool current_directory(char* buffer, int size);
// LocalHeader mod_date/mod_time, read as local time, as a UTC stamp: on
// Windows a FILETIME (100 ns since 1601), elsewhere seconds since 1970.
bool dos_time_to_file_time(int64_t* out);

// Directory scan yielding names one by one.
constexpr int DIR_SCAN_NAME_SIZE = 260;
struct DirScan {
    char name[DIR_SCAN_NAME_SIZE];  // current name as the system spells it
    int first_pending;              // the name found on opening is not handed out yet
    void* handle;                   // open system search
};
DirScan* open_dir_scan(const char* dir);
DirScan* read_dir_scan(DirScan* scan);  // null when no more names
void close_dir_scan(DirScan* scan);
