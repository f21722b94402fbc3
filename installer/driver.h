// The installer's side of the engine interface: the listing call that fills
// the entry table, and the extraction of one entry into the directory its
// leading path component selects.
#pragma once

// engine_main with "unzip", "-v" and the archive; the engine's result.
int list_archive();

// Extracts the entry (a slot of entry_table.names, not modified) into its
// target directory, creating the target's missing parents first.
int extract_one_entry(const char* entry);

// The target directory of an entry whose first component selects base: base
// joined with the part of the entry after its first '/', less the last
// component. out has size bytes.
void target_for_prefix(char* out, int size, const char* entry, const char* base);

// The directory an entry is extracted into: a data directory chosen in the
// dialog for entries under LOG/, OPTIONS/, SCRIPT/, UPLOAD/ and DOWNLOAD/ (in
// any letter case), the destination directory for every other entry.
void target_for_entry(char* out, int size, const char* entry);
