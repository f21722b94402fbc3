// The installer's two process-wide records: the settings chosen in the dialog
// (with what is derived from them and the flags of the run) and the table of
// archive entries that the listing fills.
#pragma once
#include <atomic>
#include <cstdint>
#include "windowlayer/os_layer.h"

constexpr int PATH_SIZE = 260;          // 259 characters and a terminator
constexpr int VERSION_SIZE = 64;
constexpr int ENTRY_SLOTS = 250;        // the slot after the last entry stays empty
constexpr int MAX_TABLE_ENTRIES = ENTRY_SLOTS - 1;
constexpr int ENTRY_SLOT_SIZE = 150;    // 149 characters and a terminator

struct InstallSettings {
    char existing_path[PATH_SIZE];
    char destination_path[PATH_SIZE];
    int32_t copy_options;
    int32_t copy_phone_book;
    int32_t copy_scripts;
    char log_path[PATH_SIZE];
    char options_path[PATH_SIZE];
    char script_path[PATH_SIZE];
    char upload_path[PATH_SIZE];
    char download_path[PATH_SIZE];
    char log_dir_name[PATH_SIZE];
    char options_dir_name[PATH_SIZE];
    char script_dir_name[PATH_SIZE];
    char upload_dir_name[PATH_SIZE];
    char download_dir_name[PATH_SIZE];
    char previous_options_dir[PATH_SIZE];
    char previous_script_dir[PATH_SIZE];
    char previous_version[VERSION_SIZE];
    int32_t already_installed;
    int32_t upgrade_from_beta;
    int32_t previous_found;
    // Shared between the dialog thread and the worker without locks.
    std::atomic<int32_t> cancel_requested;
    std::atomic<int32_t> install_failed;
    std::atomic<int32_t> worker_started;
    std::atomic<int32_t> backups_made;
    int32_t language_index;
    char archive_file[PATH_SIZE];
    OsWindow dialog_window;
    OsModule module_instance;
};

struct EntryTable {
    char names[ENTRY_SLOTS][ENTRY_SLOT_SIZE];
    uint32_t sizes[ENTRY_SLOTS];
    uint32_t total_size;
};

extern InstallSettings settings;
extern EntryTable entry_table;

// Puts both records back to their start-of-program values (tests, start-up).
void reset_install_settings();
void reset_entry_table();

// True when the second and third characters are ":\" or the first is "\".
bool is_absolute_path(const char* path);

// Directory, "\" unless it already ends so, then the name; bounded to size.
void join_path(char* result, int size, const char* directory, const char* name);
