// The install dialog. While the user types, the derived paths are kept
// consistent: the destination follows the earlier installation's path until
// the user names another one, the data directories follow the destination,
// and the carry-over choices are enabled only when an earlier installation
// was found and its places differ from the new ones.
//
// Setting an edit's text from here raises that edit's change notification
// before the setting call returns, so several handlers below run nested
// inside one another; they all work on the process-wide settings record.
#include "installer/dialog.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "installer/catalogue.h"
#include "installer/file_ops.h"
#include "installer/probe.h"
#include "installer/settings.h"
#include "installer/startup.h"
#include "installer/text_viewer.h"
#include "installer/worker.h"

namespace {

constexpr const char* PROFILE_APPLICATION = "Quellane ";  // the trailing blank belongs to it
constexpr const char* OPTIONS_FILE = "OPTIONS\\STANDARD.QPA";
constexpr const char* PATH_FILE = "OPTIONS\\QELPATH.DAT";
constexpr const char* READ_DOCS_TITLE = "Information";  // the same in every language
constexpr int LARGE_PICTURE_WIDTH = 230, LARGE_PICTURE_HEIGHT = 210;
constexpr int SMALL_PICTURE_WIDTH = 200, SMALL_PICTURE_HEIGHT = 180;

using PathField = char (InstallSettings::*)[PATH_SIZE];

// The five data directories in the order the dialog shows, derives and checks them.
struct DataDirectory {
    int control;
    PathField path;
    PathField dir_name;
    const CatalogueRow* empty_message;
};
constexpr DataDirectory data_directories[] = {
    {ID_LOG_PATH, &InstallSettings::log_path, &InstallSettings::log_dir_name, &msg_log_empty},
    {ID_OPTIONS_PATH, &InstallSettings::options_path, &InstallSettings::options_dir_name, &msg_options_empty},
    {ID_SCRIPT_PATH, &InstallSettings::script_path, &InstallSettings::script_dir_name, &msg_script_empty},
    {ID_UPLOAD_PATH, &InstallSettings::upload_path, &InstallSettings::upload_dir_name, &msg_upload_empty},
    {ID_DOWNLOAD_PATH, &InstallSettings::download_path, &InstallSettings::download_dir_name, &msg_download_empty},
};

constexpr int path_controls[] = {ID_EXISTING_PATH, ID_DESTINATION_PATH, ID_LOG_PATH, ID_OPTIONS_PATH,
                                 ID_SCRIPT_PATH, ID_UPLOAD_PATH, ID_DOWNLOAD_PATH};

// --- Small text helpers ------------------------------------------------------

int lower(char c)
{
    return std::tolower(static_cast<unsigned char>(c));
}

bool same_ignoring_case(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (lower(*a) != lower(*b))
            return false;
    }
    return *a == *b;
}

// True when text begins with prefix, compared ignoring case; an empty prefix
// begins every text.
bool begins_ignoring_case(const char* text, const char* prefix)
{
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text == '\0' || lower(*text) != lower(*prefix))
            return false;
    }
    return true;
}

void copy_path(char* field, const char* text)
{
    std::snprintf(field, PATH_SIZE, "%s", text);
}

bool on_floppy_drive(const char* path)
{
    return (lower(path[0]) == 'a' || lower(path[0]) == 'b') && path[1] == ':';
}

// Three characters that do not already start with a drive and root.
bool needs_completion(const char* path)
{
    return std::strlen(path) == 3 && !(path[1] == ':' && path[2] == '\\');
}

// Both set and different: the condition of every carry-over choice.
bool differ_and_set(const char* a, const char* b)
{
    return a[0] != '\0' && b[0] != '\0' && !same_ignoring_case(a, b);
}

// --- Control access ------------------------------------------------------------

OsWindow control(OsWindow dialog, int id)
{
    return os_SubWin(dialog, id);
}

void set_field_text(OsWindow dialog, int id, const char* text)
{
    os_SetWindowText(control(dialog, id), text);
}

void read_field_text(OsWindow dialog, int id, char* field)
{
    field[0] = '\0';
    os_QueryWindowText(control(dialog, id), PATH_SIZE, field);
    field[PATH_SIZE - 1] = '\0';
}

// Completes a three-character path in a field and, when that changed it,
// puts the result back into the field (which notifies again).
void complete_field(OsWindow dialog, int id, char* path)
{
    char before[PATH_SIZE];
    copy_path(before, path);
    complete_short_path(path);
    // A refused completion leaves the text alone: setting it again would only
    // notify again with the same three characters, without end.
    if (std::strcmp(before, path) != 0)
        set_field_text(dialog, id, path);
}

// Reads what the earlier installation says about itself, or falls back to
// the defaults when it has no files there.
void probe_existing_path()
{
    // An empty path names no installation; joining would probe the root of
    // the current drive instead.
    if (settings.existing_path[0] == '\0') {
        reset_previous_installation();
        return;
    }
    char options_file[PATH_SIZE];
    char path_file[PATH_SIZE];
    join_path(options_file, PATH_SIZE, settings.existing_path, OPTIONS_FILE);
    join_path(path_file, PATH_SIZE, settings.existing_path, PATH_FILE);
    if (regular_file_exists(options_file) || regular_file_exists(path_file))
        probe_previous_installation(options_file, path_file);
    else
        reset_previous_installation();
}

// --- Notifications -------------------------------------------------------------

void already_installed_changed(OsWindow dialog)
{
    settings.already_installed = os_IsButtonChecked(dialog, ID_ALREADY_INSTALLED);
    if (settings.already_installed) {
        enable_existing_path(dialog, 1);
    } else {
        enable_existing_path(dialog, 0);
        settings.existing_path[0] = '\0';
        set_field_text(dialog, ID_EXISTING_PATH, settings.existing_path);
    }
}

void existing_path_changed(OsWindow dialog)
{
    settings.upgrade_from_beta = 0;
    char before[PATH_SIZE];
    copy_path(before, settings.existing_path);
    read_dialog_fields(dialog);

    if (needs_completion(settings.existing_path))
        complete_field(dialog, ID_EXISTING_PATH, settings.existing_path);

    if (on_floppy_drive(settings.existing_path)) {
        set_field_text(dialog, ID_EXISTING_PATH, "");
        set_field_text(dialog, ID_DESTINATION_PATH, "");
    } else {
        probe_existing_path();
    }

    // The destination follows while the user has not typed another one.
    if (same_ignoring_case(settings.destination_path, before) || settings.destination_path[0] == '\0')
        copy_path(settings.destination_path, settings.existing_path);
    set_field_text(dialog, ID_DESTINATION_PATH, settings.destination_path);
    enable_carry_over(dialog);
}

void destination_changed(OsWindow dialog)
{
    read_dialog_fields(dialog);
    if (needs_completion(settings.destination_path))
        complete_field(dialog, ID_DESTINATION_PATH, settings.destination_path);
    if (on_floppy_drive(settings.destination_path))
        set_field_text(dialog, ID_DESTINATION_PATH, "");

    for (const DataDirectory& directory : data_directories)
        derive_data_path(settings.destination_path, settings.*directory.path, settings.*directory.dir_name);
    show_data_paths(dialog);
    enable_carry_over(dialog);
}

intptr_t control_notification(OsWindow dialog, const OsMsg& msg, uint32_t message, uintptr_t first,
                              intptr_t second)
{
    switch (msg.id) {
    case ID_ALREADY_INSTALLED:
        already_installed_changed(dialog);
        return 0;
    case ID_EXISTING_PATH:
        if (msg.notification == OS_NOTIFY_EDIT_CHANGED)
            existing_path_changed(dialog);
        return 0;
    case ID_DESTINATION_PATH:
        if (msg.notification == OS_NOTIFY_EDIT_CHANGED)
            destination_changed(dialog);
        return 0;
    case ID_OPTIONS_PATH:
        read_field_text(dialog, ID_OPTIONS_PATH, settings.options_path);
        enable_carry_over(dialog);
        return 0;
    case ID_SCRIPT_PATH:
        read_field_text(dialog, ID_SCRIPT_PATH, settings.script_path);
        enable_carry_over(dialog);
        return 0;
    default:
        return os_DefDlgProc(dialog, message, first, second);
    }
}

// --- Initialisation ------------------------------------------------------------

void append_version_to_caption(OsWindow dialog)
{
    char caption[CAPTION_SIZE] = {};
    os_QueryWindowText(dialog, CAPTION_SIZE, caption);
    caption[CAPTION_SIZE - 1] = '\0';
    std::size_t used = std::strlen(caption);
    std::snprintf(caption + used, CAPTION_SIZE - used, "%s", PROGRAM_VERSION_SUFFIX);
    os_SetWindowText(dialog, caption);
}

// The earlier path remembered by the product; its change handling fills the
// destination and the data directories.
void load_home_path(OsWindow dialog)
{
    int size = PATH_SIZE;
    if (os_IniMgr(2, 0, PROFILE_APPLICATION, "HomePath", settings.existing_path, &size) != 0) {
        settings.existing_path[PATH_SIZE - 1] = '\0';
        for (char* c = settings.existing_path; *c != '\0'; ++c)
            *c = static_cast<char>(lower(*c));
        set_field_text(dialog, ID_EXISTING_PATH, settings.existing_path);
        set_field_text(dialog, ID_DESTINATION_PATH, settings.destination_path);
    } else {
        settings.existing_path[0] = '\0';
        set_field_text(dialog, ID_EXISTING_PATH, settings.existing_path);
    }
}

// Both pictures sit with their top on the top of checkbox 300 and their left
// on the left of checkbox 304; the large one only when it fits above 304.
void place_pictures(OsWindow dialog)
{
    OsWinPos installed = {};
    OsWinPos phone_book = {};
    os_QueryWinPos(control(dialog, ID_ALREADY_INSTALLED), &installed);
    os_QueryWinPos(control(dialog, ID_COPY_PHONE_BOOK), &phone_book);
    int top = installed.y + installed.height;  // y grows upward
    int room = top - (phone_book.y + phone_book.height);
    os_SetWinPos(control(dialog, ID_PICTURE_LARGE), 0, phone_book.x, top - LARGE_PICTURE_HEIGHT,
                 LARGE_PICTURE_WIDTH, LARGE_PICTURE_HEIGHT, OS_POS_MOVE_SIZE);
    os_SetWinPos(control(dialog, ID_PICTURE_SMALL), 0, phone_book.x, top - SMALL_PICTURE_HEIGHT,
                 SMALL_PICTURE_WIDTH, SMALL_PICTURE_HEIGHT, OS_POS_MOVE_SIZE);
    bool large_fits = room >= LARGE_PICTURE_HEIGHT;
    os_ShowWindow(control(dialog, ID_PICTURE_LARGE), large_fits ? 1 : 0);
    os_ShowWindow(control(dialog, ID_PICTURE_SMALL), large_fits ? 0 : 1);
}

intptr_t initialise_dialog(OsWindow dialog)
{
    append_version_to_caption(dialog);
    limit_path_fields(dialog);
    os_CheckControl(dialog, ID_ALREADY_INSTALLED, settings.already_installed ? 1 : 0);
    os_CheckControl(dialog, ID_COPY_OPTIONS, settings.copy_options ? 1 : 0);
    os_CheckControl(dialog, ID_COPY_PHONE_BOOK, settings.copy_phone_book ? 1 : 0);
    os_CheckControl(dialog, ID_COPY_SCRIPTS, settings.copy_scripts ? 1 : 0);
    load_home_path(dialog);
    show_data_paths(dialog);
    enable_existing_path(dialog, settings.already_installed ? 1 : 0);
    // Carry-over stays off until the user changes one of the paths.
    os_EnableWindow(control(dialog, ID_COPY_OPTIONS), 0);
    os_EnableWindow(control(dialog, ID_COPY_PHONE_BOOK), 0);
    os_EnableWindow(control(dialog, ID_COPY_SCRIPTS), 0);
    place_pictures(dialog);
    os_CenterWinOverWin(nullptr, dialog, 1);
    os_SetWinPos(dialog, 0, 0, 0, 0, 0, OS_POS_SHOW_ACTIVATE);
    bool name_earlier_path = settings.already_installed == 1 && settings.existing_path[0] == '\0';
    os_SetFocus(control(dialog, name_earlier_path ? ID_EXISTING_PATH : ID_DESTINATION_PATH));
    return 1;
}

// --- Buttons and the end of the run -------------------------------------------

void install_pressed(OsWindow dialog)
{
    // One worker per run, even if the (disabled) default button fires again.
    if (settings.worker_started != 0)
        return;
    if (settings.upgrade_from_beta == 1 &&
        !ask_yes_no(dialog, catalogue_text(msg_title_info), catalogue_text(msg_beta_upgrade), MB_STYLE_WARNING))
        return;
    read_dialog_fields(dialog);
    if (!validate_fields(dialog))
        return;
    delete_old_files(settings.destination_path, 0);
    os_EnableWindow(control(dialog, ID_INSTALL), 0);
    os_SetFocus(control(dialog, ID_DESTINATION_PATH));
    // The worker installs what was validated now, whatever is edited later.
    take_install_choices();
    if (os_CreateThread(install_worker, 0) == 0) {
        // Nothing runs that could end the run: say so and let the user retry
        // or cancel, instead of waiting for a worker that never comes.
        os_EnableWindow(control(dialog, ID_INSTALL), 1);
        show_error(catalogue_text(msg_install_error));
        return;
    }
    settings.worker_started = 1;
}

void cancel_pressed(OsWindow dialog)
{
    settings.cancel_requested = 1;
    // A running worker notices the request and ends the run itself.
    if (settings.worker_started == 0)
        os_PostMsg(dialog, OS_MSG_PROGRESS, 0, 0);
}

void run_ended(OsWindow dialog)
{
    if (settings.cancel_requested == 0 &&
        ask_yes_no(dialog, READ_DOCS_TITLE, catalogue_text(msg_read_docs), 0)) {
        show_documents();
        // The last text window to close dismisses the dialog.
        if (text_windows_open != 0)
            return;
    }
    os_DismissDlg(dialog, 0);
}

}  // namespace

// --- Public operations ---------------------------------------------------------

intptr_t install_dialog_proc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    OsMsg msg = {};
    os_TranslateMsg(&msg, window, message, first, second);
    switch (msg.code) {
    case OS_CODE_INIT:
        return initialise_dialog(window);
    case OS_CODE_COMMAND:
        if (msg.id == ID_INSTALL) {
            install_pressed(window);
            return 0;
        }
        if (msg.id == ID_CANCEL) {
            cancel_pressed(window);
            return 0;
        }
        return os_DefDlgProc(window, message, first, second);
    case OS_CODE_CLOSE:
        cancel_pressed(window);
        return 0;
    case OS_CODE_CONTROL:
        return control_notification(window, msg, message, first, second);
    case OS_MSG_PROGRESS:
        run_ended(window);
        return 0;
    default:
        return os_DefDlgProc(window, message, first, second);
    }
}

void read_dialog_fields(OsWindow dialog)
{
    settings.already_installed = os_IsButtonChecked(dialog, ID_ALREADY_INSTALLED);
    read_field_text(dialog, ID_EXISTING_PATH, settings.existing_path);
    read_field_text(dialog, ID_DESTINATION_PATH, settings.destination_path);
    settings.copy_options = os_IsButtonChecked(dialog, ID_COPY_OPTIONS);
    settings.copy_phone_book = os_IsButtonChecked(dialog, ID_COPY_PHONE_BOOK);
    settings.copy_scripts = os_IsButtonChecked(dialog, ID_COPY_SCRIPTS);
    for (const DataDirectory& directory : data_directories)
        read_field_text(dialog, directory.control, settings.*directory.path);
}

void limit_path_fields(OsWindow dialog)
{
    for (int id : path_controls)
        os_ContrlMgr(control(dialog, id), 0, PATH_SIZE - 1, 0);
}

void show_data_paths(OsWindow dialog)
{
    for (const DataDirectory& directory : data_directories)
        set_field_text(dialog, directory.control, settings.*directory.path);
}

void enable_existing_path(OsWindow dialog, int state)
{
    os_EnableWindow(control(dialog, ID_EXISTING_LABEL), state);
    os_EnableWindow(control(dialog, ID_EXISTING_PATH), state);
}

bool validate_fields(OsWindow dialog)
{
    // The earlier installation's path is optional; every other one is required.
    if (settings.destination_path[0] == '\0') {
        show_info(catalogue_text(msg_dest_empty));
        os_SetFocus(control(dialog, ID_DESTINATION_PATH));
        return false;
    }
    for (const DataDirectory& directory : data_directories) {
        if ((settings.*directory.path)[0] == '\0') {
            show_info(catalogue_text(*directory.empty_message));
            os_SetFocus(control(dialog, directory.control));
            return false;
        }
    }
    return true;
}

void enable_carry_over(OsWindow dialog)
{
    bool found = settings.previous_found == 1;
    bool phone_book = found && differ_and_set(settings.existing_path, settings.destination_path);
    bool options = found && differ_and_set(settings.options_path, settings.previous_options_dir);
    bool scripts = found && differ_and_set(settings.script_path, settings.previous_script_dir);
    os_EnableWindow(control(dialog, ID_COPY_PHONE_BOOK), phone_book ? 1 : 0);
    os_EnableWindow(control(dialog, ID_COPY_OPTIONS), options ? 1 : 0);
    os_EnableWindow(control(dialog, ID_COPY_SCRIPTS), scripts ? 1 : 0);
}

void complete_short_path(char* path)
{
    if (path[1] == ':' && path[2] == '\\')
        return;
    char result[2 * PATH_SIZE];
    if (path[1] == ':') {
        std::snprintf(result, sizeof result, "%c:\\%s", path[0], path + 2);
    } else {
        char current[PATH_SIZE] = {};
        os_QueryCWD(current, PATH_SIZE);
        current[PATH_SIZE - 1] = '\0';
        if (current[0] == '\0' || current[1] != ':')
            return;  // no drive letter to complete with (a network path)
        char drive = current[0];
        // The rest after drive, colon and backslash, without a closing backslash.
        char rest[PATH_SIZE] = {};
        if (std::strlen(current) > 3)
            copy_path(rest, current + 3);
        std::size_t rest_length = std::strlen(rest);
        if (rest_length > 0 && rest[rest_length - 1] == '\\')
            rest[rest_length - 1] = '\0';

        if (path[0] == '\\') {
            std::snprintf(result, sizeof result, "%c:%s", drive, path);
        } else if (std::strcmp(path, "..\\") == 0) {
            // The parent of the current directory; a directory just below the
            // root, and the root itself, have the root as their parent.
            char* last = std::strrchr(rest, '\\');
            if (last != nullptr) {
                *last = '\0';
                std::snprintf(result, sizeof result, "%c:\\%s\\", drive, rest);
            } else {
                std::snprintf(result, sizeof result, "%c:\\", drive);
            }
        } else {
            // At a drive's root the rest is empty and the result has two
            // backslashes after the colon, which Windows reads as one.
            std::snprintf(result, sizeof result, "%c:\\%s\\%s", drive, rest, path);
        }
    }
    if (std::strlen(result) > PATH_SIZE - 1)
        return;  // would not fit the field: refused
    copy_path(path, result);
}

void derive_data_path(const char* destination, char* result, const char* name)
{
    if (is_outside_existing(name)) {
        copy_path(result, name);
        return;
    }
    const char* relative = name;
    if (is_absolute_path(name)) {
        // Inside the earlier installation: keep the part below it.
        relative += std::strlen(settings.existing_path);
        if (*relative == '\\')
            ++relative;
    }
    if (destination[0] == '\0') {
        result[0] = '\0';
        return;
    }
    std::size_t length = std::strlen(destination);
    const char* separator = destination[length - 1] == '\\' ? "" : "\\";
    char composed[2 * PATH_SIZE + 2];
    std::snprintf(composed, sizeof composed, "%s%s%s", destination, separator, relative);
    // A path that does not fit is left empty, so Install asks for a shorter one.
    if (std::strlen(composed) > PATH_SIZE - 1)
        result[0] = '\0';
    else
        copy_path(result, composed);
}

bool is_outside_existing(const char* name)
{
    return !begins_ignoring_case(name, settings.existing_path) && is_absolute_path(name);
}
