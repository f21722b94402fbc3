// The trilingual message catalogue (texts in code page 850) and the three
// message-box routines every installer module uses.
#pragma once
#include "windowlayer/os_layer.h"

struct CatalogueRow {
    const char* text[3];  // English, German, French
};

extern const CatalogueRow msg_install_complete, msg_install_aborted, msg_install_error,
    msg_no_files, msg_needs_nt4, msg_all_done, msg_dest_empty, msg_log_empty,
    msg_options_empty, msg_script_empty, msg_upload_empty, msg_download_empty,
    msg_title_info, msg_title_error, msg_beta_upgrade, msg_overwrite_file,
    msg_overwrite_options, msg_backups_made, msg_read_docs, msg_status_deleting,
    msg_status_paths, msg_status_folder, msg_order_from, msg_folder_name, msg_isdn_note;

// The row's text in the language of the run (settings.language_index).
const char* catalogue_text(const CatalogueRow& row);

// Message-box styles of the window layer.
enum : int {
    MB_STYLE_INFO = 40,
    MB_STYLE_ERROR = 36,
    MB_STYLE_QUESTION = 0x11,
    MB_STYLE_WARNING = 0x80,
};

int show_info(const char* text);    // owner dialog_window, title msg_title_info, style 40
int show_error(const char* text);   // title msg_title_error, style 36
bool ask_yes_no(OsWindow owner, const char* title, const char* text, int style);
