// Entry selection and extraction: the walk over the central directory in
// blocks, the decision about existing files (with the installer's overwrite
// rule and its backups), and the extraction or test of one entry.
#pragma once
#include <cstdint>

// Walks total_entries central headers starting at the input position (which
// must be on the first central signature), extracts or tests every selected
// entry and returns the archive's result code.
int extract_entries();

// Records the details of the current central entry in *current_entry.
// 1 when the entry can be handled, 0 when it was refused (message written).
int store_entry_info();

// -1 no such file, 0 the file is older than the entry's local header time,
// 1 the file is as old as the entry or newer.
int check_existing(const char* path);

// The DOS date and time (local clock of the archive's writer) as seconds
// since 1 January 1970 UTC. 64 bits: DOS dates reach 2107.
int64_t dos_time_to_seconds(uint16_t dos_date, uint16_t dos_time);

// Extracts or tests the current entry; the input stands on its data.
// 0, 1, 2, 5, 50, or the value of unshrink_entry.
int extract_entry();

// Creates (or truncates) the file named by entry_name as output_file.
// 0, or 1 when it cannot be created (message written).
int open_output_file();

// Decides whether the current entry's output file, named by entry_name
// after mapname, may be written. Raises *result where the decision is an
// error or warning. 1 write the entry, 0 skip it.
int decide_output(int* result);

// The installer's rule for replacing an existing file whose fate no option
// settles: 1 replace (backed up first when it is user data or an option
// file), 0 keep the existing file and skip the entry. A backup that cannot
// be made keeps the file and raises *result to RC_WARN.
int approve_overwrite(int* result);

// Name of the backup copy of path: in the last path component the character
// after the first '.' becomes '0', or, without a '.', the last character.
// False when the name does not fit or has no last component.
bool make_backup_name(const char* path, char* backup, int size);

// The one question about the default option files is asked once per
// process; its answer holds for every later engine call.
extern int options_overwrite_always;
extern int options_overwrite_never;
