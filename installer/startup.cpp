// Program start and end. The program's directory becomes the current
// directory for the whole run: the archive, the documents and the libraries
// are all found there by bare name.
#include "installer/startup.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "installer/catalogue.h"
#include "installer/dialog.h"
#include "installer/file_system.h"
#include "installer/progress_bar.h"
#include "installer/settings.h"

#ifdef _WIN32
#include <direct.h>
#define change_directory _chdir
#else
#include <unistd.h>
#define change_directory chdir
#endif

const char* const archive_names[ARCHIVE_COUNT] = {"INSTALL.FIL", "INSTALLD.FIL", "INSTALLF.FIL"};
const int dialog_resource_ids[ARCHIVE_COUNT] = {100, 101, 102};

namespace {

constexpr int MODULE_PATH_SIZE = 512;
constexpr int PLATFORM_VERSION_NT4 = 400;
constexpr int WINDOW_POS_SIZE = 28;
constexpr const char* PROFILE_APPLICATION = "Quellane ";  // the trailing blank belongs to it

// Sets language_index and archive_file from the first archive present.
bool choose_archive()
{
    for (int language = 0; language < ARCHIVE_COUNT; ++language) {
        if (regular_file_exists(archive_names[language])) {
            settings.language_index = language;
            std::snprintf(settings.archive_file, PATH_SIZE, "%s", archive_names[language]);
            return true;
        }
    }
    return false;
}

bool is_nt_before_4()
{
    return os_QuerySysValue(OS_SV_PLATFORM) == OS_PLATFORM_NT &&
           os_QuerySysValue(OS_SV_VERSION) < PLATFORM_VERSION_NT4;
}

int dialog_for_language(int language)
{
    if (language == 0)
        return dialog_resource_ids[0];
    if (language == 2)
        return dialog_resource_ids[2];
    return dialog_resource_ids[1];
}

// Loads and runs the dialog of the run's language until it is dismissed.
void run_install_dialog()
{
    settings.dialog_window = os_LoadDlg(nullptr, nullptr, install_dialog_proc, nullptr,
                                        dialog_for_language(settings.language_index), nullptr);
    if (settings.dialog_window == nullptr)
        return;  // a missing template: end as after a dismissal
    os_ProcessDlg(settings.dialog_window);
    os_DestroyWindow(settings.dialog_window);
    settings.dialog_window = nullptr;
}

}  // namespace

bool regular_file_exists(const char* path)
{
    char native[PATH_SIZE];
    if (!native_path(native, PATH_SIZE, path))
        return false;
    struct stat status;
    if (stat(native, &status) != 0)
        return false;
    return (status.st_mode & S_IFMT) == S_IFREG;
}

bool enter_program_directory(OsModule module_instance)
{
    char module_path[MODULE_PATH_SIZE] = {};
    if (os_QueryModulePath(module_instance, module_path, sizeof module_path) <= 0)
        return false;
    module_path[sizeof module_path - 1] = '\0';
    // Keep drive and directory, drop the file name. The path is a Windows
    // one in the product; natively (tests) it may use forward slashes.
    char* end = std::strrchr(module_path, '\\');
    char* slash = std::strrchr(module_path, '/');
    if (slash != nullptr && (end == nullptr || slash > end))
        end = slash;
    if (end != nullptr)
        end[1] = '\0';
    else if (module_path[0] != '\0' && module_path[1] == ':')
        module_path[2] = '\0';  // "C:setup.exe": that drive's current directory
    else
        return false;           // a bare name: already where the program is
    return change_directory(module_path) == 0;
}

uint16_t add_window_class(const char* class_name, OsWindowProc procedure, int class_style, int icon_id)
{
    return os_RegisterClass(class_name, procedure, class_style, icon_id);
}

int probe_earlier_product()
{
    char window_pos[WINDOW_POS_SIZE] = {};
    int size = WINDOW_POS_SIZE;
    return os_IniMgr(2, 0, PROFILE_APPLICATION, "WindowPos", window_pos, &size) != 0 ? 1 : 0;
}

int program_start(OsModule module_instance)
{
    OsThreadRecord main_thread = {};  // handed to the layer on every way out

    settings.module_instance = module_instance;
    os_Initialize(module_instance, ".", 0);
    enter_program_directory(module_instance);

    if (!choose_archive()) {
        // No language is known yet: the message comes from the English column.
        show_error(catalogue_text(msg_no_files));
    } else if (is_nt_before_4()) {
        show_error(catalogue_text(msg_needs_nt4));
    } else {
        if (probe_earlier_product() != 0)
            settings.already_installed = 1;
        add_window_class("ProgressBar", progress_bar_proc, 0, 0);
        run_install_dialog();
    }

    os_CleanupWinThread(&main_thread);
    os_Initialize(reinterpret_cast<OsModule>(static_cast<intptr_t>(-1)), nullptr, 0);
    return 0;
}
