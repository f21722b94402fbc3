// What an earlier installation tells about itself: where it kept its data
// directories, its version text and whether that version is a beta.
#pragma once

// Reads the options file, or when that does not open the older path file;
// sets the directory names, previous_options_dir, previous_script_dir,
// previous_version, upgrade_from_beta and previous_found. Returns previous_found.
int probe_previous_installation(const char* options_file, const char* path_file);

// Default directory names, no earlier directories, previous_found 0.
void reset_previous_installation();

// Version text of a header line (from its fourth character on).
const char* header_version(const char* header);
// Beta ranges: options file 2.50 to 2.99; path file below 2.00 or 2.06 to 2.09.
bool is_beta_options_version(const char* version);
bool is_beta_path_file_version(const char* version);
