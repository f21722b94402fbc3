// Program start and end: the program's directory becomes the current
// directory, the archive found there fixes the language, old Windows NT
// versions are refused, and the install dialog runs until it is dismissed.
#pragma once
#include "windowlayer/os_layer.h"

// Archive names in the order they are looked for; the index is the language.
constexpr int ARCHIVE_COUNT = 3;
extern const char* const archive_names[ARCHIVE_COUNT];
// Dialog template of each language: 100 English, 101 German, 102 French.
extern const int dialog_resource_ids[ARCHIVE_COUNT];

// The whole run; returns the process exit code (always 0).
int program_start(OsModule module_instance);

// Registers a window class whose windows have one 32-bit window word, the
// icon resource icon_id (icon 1 when there is none), the arrow cursor and a
// light-grey background. Returns the class atom, 0 on failure.
uint16_t add_window_class(const char* class_name, OsWindowProc procedure, int class_style, int icon_id);

// Non-zero when the profile holds "WindowPos" under "Quellane ": the product
// has run on this machine before.
int probe_earlier_product();

// Makes the directory of the program's own path the current directory.
// Returns false when the path cannot be read or the directory not entered.
bool enter_program_directory(OsModule module_instance);

// True when path names an existing regular file (not a directory).
bool regular_file_exists(const char* path);
