// The engine's bridge to the file system: entry names to output paths under
// the extraction root, directory creation, time stamps and attributes of
// written files, and the expansion of wildcard archive names.
#pragma once
#include <cstdint>

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

extern bool create_directories;  // missing directories may be created

int checkdir(char* text, int mode);
int mapname(int renamed);          // entry_name in: the entry's name; out: the output path
void close_output_file();          // closes output_file, applies time and attributes
void map_attributes();             // current_entry->file_attributes from the central header
const char* next_archive_name(const char* spec);  // null ends the sequence
