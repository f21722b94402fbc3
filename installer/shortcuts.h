// The start-menu folder of the product and its shortcuts: one that starts the
// product, one per document, one per dealer's order form.
#pragma once

struct ShortcutRow {
    const char* name;       // '!': a dealer, put after msg_order_from
    const char* target;     // '!': a file in the destination; else found on the search path
    const char* arguments;  // or the file opened when the search-path target is absent
    const char* icon_file;  // in the program's directory; "" for none
};

constexpr int SHORTCUT_COUNT = 12;
extern const ShortcutRow shortcut_rows[SHORTCUT_COUNT];

// One shortcut as the platform writes it.
struct ShortcutLink {
    char file[260];               // folder\name.LNK (the platform may choose its own suffix)
    char target[260];
    char arguments[260];
    char working_directory[260];
    char description[260];
    char icon[260];               // "" for none; icon number 0
};

// Folder title in the catalogue's code page 850: msg_folder_name with " NT"
// on Windows NT, else "'95".
void shortcut_folder_title(char* out, int size, bool windows_nt);

// The shortcut's name: the row's name, or msg_order_from and the dealer's
// name; its first character in upper case.
void shortcut_name(char* out, int size, const ShortcutRow& row);

// Everything about one row's shortcut except the file name's folder.
void build_shortcut(ShortcutLink* link, const char* folder, const ShortcutRow& row);

// Makes the folder under the programs folder and writes every shortcut.
void create_shortcuts();

// --- Platform part (shortcuts_win32.cpp, shortcuts_posix.cpp) ----------------

// The user's start-menu programs folder without a closing separator; true
// when the setting was read.
bool query_programs_folder(char* out, int size);
// Converts a code-page-850 text into the platform's encoding for file names.
void folder_name_from_oem(char* text, int size);
// Finds a program along the search path; false when it is absent.
bool find_on_search_path(const char* program, char* out, int size);
// Session around the rows (the component system on Windows).
bool begin_shortcuts();
void end_shortcuts();
// Writes one shortcut, replacing an existing one; false when it failed.
bool write_shortcut(const ShortcutLink& link);
