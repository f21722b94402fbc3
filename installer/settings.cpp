#include "installer/settings.h"

#include <cstdio>
#include <cstring>

InstallSettings settings;
EntryTable entry_table;

namespace {

void set_text(char* field, const char* text)
{
    std::snprintf(field, PATH_SIZE, "%s", text);
}

}  // namespace

void reset_install_settings()
{
    // Atomics are not trivially copyable: reset field by field.
    char* text_fields[] = {
        settings.existing_path, settings.destination_path, settings.log_path,
        settings.options_path, settings.script_path, settings.upload_path,
        settings.download_path, settings.previous_options_dir,
        settings.previous_script_dir, settings.archive_file,
    };
    for (char* field : text_fields)
        field[0] = '\0';
    settings.previous_version[0] = '\0';
    set_text(settings.log_dir_name, "LOG");
    set_text(settings.options_dir_name, "OPTIONS");
    set_text(settings.script_dir_name, "SCRIPT");
    set_text(settings.upload_dir_name, "UPLOAD");
    set_text(settings.download_dir_name, "DOWNLOAD");
    settings.copy_options = 1;
    settings.copy_phone_book = 1;
    settings.copy_scripts = 1;
    settings.already_installed = 0;
    settings.upgrade_from_beta = 0;
    settings.previous_found = 0;
    settings.cancel_requested = 0;
    settings.install_failed = 0;
    settings.worker_started = 0;
    settings.backups_made = 0;
    settings.language_index = 0;
    settings.dialog_window = nullptr;
    settings.module_instance = nullptr;
}

void reset_entry_table()
{
    std::memset(&entry_table, 0, sizeof entry_table);
}

// The records start with their initial values before main runs.
namespace {
struct InitialValues {
    InitialValues() { reset_install_settings(); }
} initial_values;
}  // namespace

bool is_absolute_path(const char* path)
{
    if (path[0] == '\\')
        return true;
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\';
}

void join_path(char* result, int size, const char* directory, const char* name)
{
    std::size_t length = std::strlen(directory);
    bool has_separator = length > 0 && directory[length - 1] == '\\';
    std::snprintf(result, size, "%s%s%s", directory, has_separator ? "" : "\\", name);
}
