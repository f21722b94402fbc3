// The install dialog's three templates (100 English, 101 German, 102 French)
// as one portable table. The headless layer builds its in-memory dialogs from
// it, and installer/resources/setup.rc spells out the same controls for
// Windows; a test keeps the two in step, so this table documents the .rc.
#pragma once
#include <cstdint>

enum class ControlKind : uint8_t {
    DEFAULT_BUTTON,   // "Button", BS_DEFPUSHBUTTON, tab stop
    BUTTON,           // "Button", BS_PUSHBUTTON, tab stop
    PICTURE,          // "Static", SS_BITMAP; the bitmap id is the control id
    CHECKBOX,         // "Button", BS_AUTOCHECKBOX, tab stop
    LABEL,            // "Static", SS_LEFT
    RIGHT_LABEL,      // "Static", SS_RIGHT
    EDIT,             // "Edit", border, ES_AUTOHSCROLL, tab stop
    READ_ONLY_EDIT,   // the same with ES_READONLY
    PROGRESS_BAR,     // window class "ProgressBar"
};

constexpr int LANGUAGE_COUNT = 3;          // English, German, French
constexpr int16_t NO_CONTROL_ID = -1;      // labels nobody addresses

struct DialogControl {
    int16_t id;
    ControlKind kind;
    int16_t x, y, width, height;           // dialog units, y downward from the top
    int16_t german_width;                  // 0: the same as the other languages
    const char* text[LANGUAGE_COUNT];      // code page 850; null: no text
};

struct DialogTemplate {
    int resource_id;
    int language;                          // column of DialogControl::text
    const char* caption;
    int16_t width, height;                 // dialog units
};

constexpr int DIALOG_CONTROL_COUNT = 26;
constexpr int DIALOG_TEMPLATE_COUNT = 3;
constexpr const char* DIALOG_FONT_NAME = "MS Sans Serif";
constexpr int DIALOG_FONT_POINTS = 8;

extern const DialogControl dialog_controls[DIALOG_CONTROL_COUNT];  // template (tab) order
extern const DialogTemplate dialog_templates[DIALOG_TEMPLATE_COUNT];

// The template with this resource id, or null when there is none.
const DialogTemplate* find_dialog_template(int resource_id);
// The control's width in the template's language (German widens three boxes).
int control_width(const DialogControl& control, int language);
// The control's text in the language, or "" when it has none.
const char* control_text(const DialogControl& control, int language);
