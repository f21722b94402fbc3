// File copies with legacy-name mapping, tree copies, the renaming copy of
// legacy settings files and the clean-up of obsolete files.
#pragma once

// target is a writable buffer of PATH_SIZE bytes; with map set it may be
// changed in place to the file's current name. Returns the copy's success.
bool copy_file_mapped(const char* source, char* target, bool map);
bool copy_tree(const char* source_dir, const char* target_dir, bool map);
void delete_old_files(const char* directory, int mode);  // 0 renaming copy, 1 clean-up
