// Small file-system operations of the installer on the runtime library, with
// the installer's own path form: '\' separators, compared without regard to
// letter case. On Windows a path is used as it is. The native (POSIX) build
// turns every '\' into '/' and finds each existing component in any letter
// case, so that installer paths mean the same files there as on Windows.
#pragma once

// Converts an installer path into the form the runtime library opens.
// Returns false when the result does not fit into size bytes.
bool native_path(char* out, int size, const char* path);

bool path_exists(const char* path);
bool is_directory(const char* path);
bool make_one_directory(const char* path);    // one level; false when it fails or exists
bool remove_file(const char* path);
bool remove_directory(const char* path);  // succeeds only when it is empty

// Copies source to target, replacing target, and gives target the source's
// modification time. The data goes to a temporary file beside target first, so
// a failed copy leaves an existing target as it was, and copying a file onto
// itself keeps its content.
bool copy_file_replacing(const char* source, const char* target);
