// Text windows ("ShowTextWindow") that show the product's documents after a
// successful installation; closing the last one dismisses the install dialog.
#pragma once
#include <cstdint>
#include "windowlayer/os_layer.h"

constexpr int DOCUMENT_COUNT = 7;
extern const char* const document_names[DOCUMENT_COUNT];
constexpr int DOCUMENT_BUFFER_SIZE = 16384;
constexpr int TEXT_EDIT_ID = 257;

extern int text_windows_created;  // never decreases; also the cascade index
extern int text_windows_open;

// One text window per document that lies in the current directory.
void show_documents();
void show_text_window(const char* text, const char* title);
intptr_t text_window_proc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
