// The install worker: lists the archive, extracts its entries one by one,
// carries over the earlier installation's data, copies documents and
// libraries, converts the options file, creates the shortcuts, cleans up and
// reports. It runs on a thread of its own, started by the install dialog.
#pragma once
#include <cstdint>
#include "installer/settings.h"

// The validated choices of the dialog, frozen when Install is accepted. The
// dialog keeps editing `settings` while the worker runs; the worker and the
// modules it calls (driver, options conversion, shortcuts) read only this copy,
// so an edit made during the run cannot change an installation under way.
struct InstallChoices {
    char existing_path[PATH_SIZE];
    char destination_path[PATH_SIZE];
    char log_path[PATH_SIZE];
    char options_path[PATH_SIZE];
    char script_path[PATH_SIZE];
    char upload_path[PATH_SIZE];
    char download_path[PATH_SIZE];
    char previous_options_dir[PATH_SIZE];
    char previous_script_dir[PATH_SIZE];
    char previous_version[VERSION_SIZE];
    int32_t copy_options;
    int32_t copy_phone_book;
    int32_t copy_scripts;
    // Enabled states of the carry-over checkboxes 303, 304 and 305 at Install.
    int32_t options_enabled;
    int32_t phone_book_enabled;
    int32_t scripts_enabled;
};

extern InstallChoices install_choices;
extern std::atomic<int32_t> install_choices_taken;

// Copies the validated fields of `settings` (and the enabled states of the
// carry-over checkboxes of `settings.dialog_window`) into `install_choices`.
// The dialog calls it on its own thread right before it starts the worker;
// the worker takes the copy itself when the dialog has not.
void take_install_choices();

// Worker state: bytes of the entries extracted so far and the last progress
// value sent to the progress bar (control 308).
extern uint64_t installed_bytes;
extern uint32_t percent_done;

// Percentage of done bytes out of total, in 64-bit arithmetic and at most 100;
// a total of 0 counts as complete.
uint32_t progress_percent(uint64_t done, uint64_t total);

// True when `version` compares below "2.90" (four characters, without regard
// to letter case; an empty version is below): legacy file names then apply.
bool needs_legacy_names(const char* version);

// Thread routine; the parameter is not used.
void install_worker(uint32_t parameter);
