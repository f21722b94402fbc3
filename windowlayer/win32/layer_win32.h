// Shared state and helpers of the Win32 window layer.
//
// Texts: the installer's texts are code page 850 (its catalogue), its paths
// are in the ANSI code page (typed by the user, read from the profile). So
// edits take and give ANSI text, while captions, labels, buttons and message
// boxes take code page 850 and are shown through the Unicode calls.
//
// Coordinates: the layer's y grows upward from the bottom of the parent's
// client area (the screen's bottom for top-level windows); Win32's grows
// downward from the top, so every position and rectangle is flipped here.
#pragma once
#include <windows.h>
#include <string>
#include "windowlayer/os_layer.h"

constexpr UINT TEXT_CODE_PAGE = 850;

struct Win32Layer {
    HINSTANCE instance;      // resources (dialogs, bitmaps, icon) come from here
    HFONT fonts[8];          // fonts made by os_SetFontNameSize, freed at shutdown
    char font_names[8][64];
};

extern Win32Layer win32_layer;

HINSTANCE layer_instance();
HWND to_window(OsWindow window);
std::wstring widen(const char* text, UINT code_page);
// Narrows into a bounded buffer; returns the length written.
int narrow(const wchar_t* text, UINT code_page, char* buffer, int size);
bool is_edit_window(HWND window);
// Height of the area the window's upward y is measured in: the parent's
// client area, or the screen for a top-level window.
int reference_height(HWND window);
// Upward rectangle of a window's client of the given height -> Win32 RECT.
RECT to_win32_rect(const OsRect& rectangle, int height);
