#include "installer/worker.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/options.h"
#include "engine/records.h"
#include "installer/catalogue.h"
#include "installer/driver.h"
#include "installer/file_ops.h"
#include "installer/imisc.h"
#include "installer/shortcuts.h"
#include "windowlayer/os_layer.h"

InstallChoices install_choices;
std::atomic<int32_t> install_choices_taken{0};
uint64_t installed_bytes = 0;
uint32_t percent_done = 0;

namespace {

// The product's documents and shared libraries, copied from the program's
// directory into the destination.
constexpr const char* docs_list[] = {
    "DEVELOP.DOC", "VERSIONS.DOC", "PROBLEMS.DOC", "ISDN.DOC",
    "REGISTER.DOC", "FEATURES.DOC", "README.DOC",
};
constexpr const char* library_list[] = {"FENDRAKE.DLL", "VESKOS2.DLL", "VESKWIN.DLL"};

constexpr int STATUS_LINE = 309;
constexpr int PROGRESS_BAR = 308;
constexpr int CHECK_OPTIONS = 303;
constexpr int CHECK_PHONE_BOOK = 304;
constexpr int CHECK_SCRIPTS = 305;

void copy_text(char* field, int size, const char* text)
{
    std::snprintf(field, size, "%s", text);
}

int checkbox_enabled(int id)
{
    return os_IsWindowEnabled(os_SubWin(settings.dialog_window, id)) != 0;
}

void set_status(const char* text)
{
    os_SetWindowText(os_SubWin(settings.dialog_window, STATUS_LINE), text);
}

// The progress bar repaints on the dialog thread; the send waits for it.
void send_progress(uint32_t percent)
{
    percent_done = percent;
    os_SendMsg(os_SubWin(settings.dialog_window, PROGRESS_BAR), OS_MSG_PROGRESS, percent, 0);
}

// Trace lines around the engine calls, written only where an error stream exists.
void trace_entry(const char* name)
{
    if (stderr != nullptr) {
        std::fprintf(stderr, "get_zip_name(%s)\n", name);
        std::fflush(stderr);
    }
}

void trace_result(int result)
{
    if (stderr != nullptr) {
        std::fprintf(stderr, "get_zip_name() return=%d\n\n", result);
        std::fflush(stderr);
    }
}

// Number of entries the listing recorded, or -1 when the archive does not fit
// the table: more than 249 entries, or a name of more than 149 characters.
// The listing itself refuses such an archive; this check keeps the worker
// from extracting a partial list whatever the listing did.
int listed_entry_count()
{
    if (end_record.total_entries > MAX_TABLE_ENTRIES)
        return -1;
    int count = 0;
    while (count < ENTRY_SLOTS && entry_table.names[count][0] != '\0') {
        if (std::memchr(entry_table.names[count], '\0', ENTRY_SLOT_SIZE) == nullptr)
            return -1;
        ++count;
    }
    return count > MAX_TABLE_ENTRIES ? -1 : count;
}

// Lists the archive and extracts its entries; false when the installation
// failed or was cancelled (the box is shown here).
bool extract_all_entries()
{
    int result = list_archive();
    trace_result(result);
    int count = result == RC_OK ? listed_entry_count() : -1;
    if (count < 0)
        settings.install_failed = 1;
    uint64_t total = 0;
    for (int i = 0; i < count; ++i)
        total += entry_table.sizes[i];
    for (int i = 0; i < count && !settings.install_failed && !settings.cancel_requested; ++i) {
        char status[ENTRY_SLOT_SIZE];
        copy_text(status, sizeof status, entry_table.names[i]);
        for (char* c = status; *c != '\0'; ++c) {
            if (*c == '\\')
                *c = '/';
        }
        set_status(status);
        trace_entry(entry_table.names[i]);
        result = extract_one_entry(entry_table.names[i]);
        trace_result(result);
        if (result != RC_OK) {
            settings.install_failed = 1;
            break;
        }
        installed_bytes += entry_table.sizes[i];
        send_progress(progress_percent(installed_bytes, total));
    }
    if (settings.install_failed) {
        show_error(catalogue_text(msg_install_error));
        return false;
    }
    if (settings.cancel_requested) {
        show_info(catalogue_text(msg_install_aborted));
        return false;
    }
    return true;
}

// Carries over the earlier installation's options, scripts and phone book,
// then copies the documents and libraries. Failed copies are passed over.
void copy_carried_over_data()
{
    const InstallChoices& choices = install_choices;
    bool map_legacy_names = needs_legacy_names(choices.previous_version);
    if (choices.copy_options && choices.options_enabled)
        copy_tree(choices.previous_options_dir, choices.options_path, map_legacy_names);
    if (choices.copy_scripts && choices.scripts_enabled)
        copy_tree(choices.previous_script_dir, choices.script_path, map_legacy_names);
    char source[PATH_SIZE];
    char target[PATH_SIZE];
    if (choices.copy_phone_book && choices.phone_book_enabled) {
        join_path(source, PATH_SIZE, choices.existing_path, "PHONEBK");
        join_path(target, PATH_SIZE, choices.destination_path, "PHONEBK");
        copy_file_mapped(source, target, false);
    }
    for (const char* name : docs_list) {
        join_path(target, PATH_SIZE, choices.destination_path, name);
        copy_file_mapped(name, target, false);
    }
    for (const char* name : library_list) {
        join_path(target, PATH_SIZE, choices.destination_path, name);
        copy_file_mapped(name, target, false);
    }
}

void report_success()
{
    set_status(catalogue_text(msg_install_complete));
    show_info(catalogue_text(msg_all_done));
    if (settings.backups_made)
        show_info(catalogue_text(msg_backups_made));
    // The note is only of interest where the ISDN programming interface exists.
    OsModule capi = os_LoadModule("CAPI2032.DLL");
    if (capi != nullptr) {
        show_info(catalogue_text(msg_isdn_note));
        os_FreeModule(capi);
    }
}

}  // namespace

void take_install_choices()
{
    InstallChoices& choices = install_choices;
    copy_text(choices.existing_path, PATH_SIZE, settings.existing_path);
    copy_text(choices.destination_path, PATH_SIZE, settings.destination_path);
    copy_text(choices.log_path, PATH_SIZE, settings.log_path);
    copy_text(choices.options_path, PATH_SIZE, settings.options_path);
    copy_text(choices.script_path, PATH_SIZE, settings.script_path);
    copy_text(choices.upload_path, PATH_SIZE, settings.upload_path);
    copy_text(choices.download_path, PATH_SIZE, settings.download_path);
    copy_text(choices.previous_options_dir, PATH_SIZE, settings.previous_options_dir);
    copy_text(choices.previous_script_dir, PATH_SIZE, settings.previous_script_dir);
    copy_text(choices.previous_version, VERSION_SIZE, settings.previous_version);
    choices.copy_options = settings.copy_options;
    choices.copy_phone_book = settings.copy_phone_book;
    choices.copy_scripts = settings.copy_scripts;
    choices.options_enabled = checkbox_enabled(CHECK_OPTIONS);
    choices.phone_book_enabled = checkbox_enabled(CHECK_PHONE_BOOK);
    choices.scripts_enabled = checkbox_enabled(CHECK_SCRIPTS);
    install_choices_taken = 1;
}

uint32_t progress_percent(uint64_t done, uint64_t total)
{
    if (total == 0 || done >= total)
        return 100;
    return static_cast<uint32_t>(done * 100 / total);
}

bool needs_legacy_names(const char* version)
{
    constexpr char first_current[] = "2.90";
    for (int i = 0; i < 4; ++i) {
        int have = std::tolower(static_cast<unsigned char>(version[i]));
        int want = std::tolower(static_cast<unsigned char>(first_current[i]));
        if (have != want)
            return have < want;
        if (have == '\0')
            break;
    }
    return false;
}

void install_worker(uint32_t /*parameter*/)
{
    OsThreadRecord thread_record{};
    os_InitWinThread(&thread_record, 0, 0);
    if (!install_choices_taken)
        take_install_choices();
    installed_bytes = 0;
    percent_done = 0;
    if (extract_all_entries()) {
        copy_carried_over_data();
        send_progress(100);
        convert_options_file("OPTIONS\\STANDARD.QPA");
        create_shortcuts();
        delete_old_files(install_choices.destination_path, 1);
        report_success();
    }
    os_PostMsg(settings.dialog_window, OS_MSG_PROGRESS, 0, 0);
    os_CleanupWinThread(&thread_record);
}
