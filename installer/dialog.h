// The install dialog: the user's choices, the paths derived from them while
// typing, validation on Install, the worker's start and the end of the run.
#pragma once
#include <cstdint>
#include "windowlayer/os_layer.h"

// Control ids of the dialog templates.
enum : int {
    ID_INSTALL = 1,
    ID_CANCEL = 2,
    ID_PROGRAM_VERSION = 105,
    ID_PICTURE_LARGE = 200,
    ID_PICTURE_SMALL = 201,
    ID_ALREADY_INSTALLED = 300,
    ID_EXISTING_LABEL = 301,
    ID_EXISTING_PATH = 302,
    ID_COPY_OPTIONS = 303,
    ID_COPY_PHONE_BOOK = 304,
    ID_COPY_SCRIPTS = 305,
    ID_DESTINATION_PATH = 307,
    ID_PROGRESS_BAR = 308,
    ID_STATUS_LINE = 309,
    ID_LOG_PATH = 310,
    ID_OPTIONS_PATH = 311,
    ID_SCRIPT_PATH = 312,
    ID_UPLOAD_PATH = 318,
    ID_DOWNLOAD_PATH = 319,
};

constexpr const char* PROGRAM_VERSION_SUFFIX = " V3.07";
constexpr int CAPTION_SIZE = 150;

intptr_t install_dialog_proc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);

void read_dialog_fields(OsWindow dialog);
void limit_path_fields(OsWindow dialog);
void show_data_paths(OsWindow dialog);
void enable_existing_path(OsWindow dialog, int state);
bool validate_fields(OsWindow dialog);
void enable_carry_over(OsWindow dialog);

// Completes a three-character path (d:x, \ab, ..\, abc) against the current
// directory; path is a 260-byte field. A result that would not fit is refused
// and the path left as it is.
void complete_short_path(char* path);
// A data directory below destination for the directory name of an earlier
// installation; result is a 260-byte field, left empty when it would not fit.
void derive_data_path(const char* destination, char* result, const char* name);
bool is_outside_existing(const char* name);
