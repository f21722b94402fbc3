// Controls of the install dialog, in template order (which is the tab order).
// Texts are code page 850 bytes, the code page of every text the installer
// hands to the window layer: 0x81 u-umlaut, 0x82 e-acute, 0x84 a-umlaut,
// 0x85 a-grave.
#include "windowlayer/dialog_templates.h"

using K = ControlKind;

const DialogControl dialog_controls[DIALOG_CONTROL_COUNT] = {
    {1, K::DEFAULT_BUTTON, 350, 14, 59, 14, 0, {"Install", "Installieren", "Installer"}},
    {2, K::BUTTON, 350, 32, 59, 14, 0, {"Cancel", "Abbruch", "Annuler"}},
    {200, K::PICTURE, 21, 118, 21, 16, 0, {nullptr, nullptr, nullptr}},
    {201, K::PICTURE, 21, 118, 21, 16, 0, {nullptr, nullptr, nullptr}},
    {300, K::CHECKBOX, 201, 20, 112, 10, 0,
     {"QEL already installed", "QEL bereits installiert", "QEL est d\x82j\x85 install\x82"}},
    {301, K::LABEL, 201, 53, 82, 8, 0,
     {"Existing QEL path", "Aktueller QEL-Pfad", "Chemin de QEL existant"}},
    {302, K::EDIT, 202, 63, 189, 11, 0, {nullptr, nullptr, nullptr}},
    {NO_CONTROL_ID, K::LABEL, 201, 79, 75, 8, 0,
     {"Destination path", "Neuer QEL-Pfad", "Chemin destination"}},
    {307, K::EDIT, 202, 89, 189, 11, 0, {nullptr, nullptr, nullptr}},
    {304, K::CHECKBOX, 21, 141, 173, 10, 175,
     {"Copy and convert existing phone book", "Vorhandenes Telefonbuch konvertieren",
      "Copier et convertir l'annuaire existant"}},
    {303, K::CHECKBOX, 21, 153, 163, 10, 176,
     {"Copy and convert existing options", "Vorhandene QEL-Optionen \x81""bernehmen",
      "Copier et convertir les options existantes"}},
    {305, K::CHECKBOX, 21, 165, 128, 10, 168,
     {"Copy existing scripts", "Vorhandene Script-Dateien kopieren", "Copier les scripts existants"}},
    {314, K::LABEL, 201, 119, 48, 8, 0, {"Options", "Optionen", "Options"}},
    {313, K::LABEL, 201, 130, 48, 8, 0, {"Logfiles", "Logdateien", "Fichiers journaux"}},
    {315, K::LABEL, 201, 142, 48, 8, 0, {"Scripts", "Scripts", "Scripts"}},
    {316, K::LABEL, 201, 154, 48, 8, 0, {"Uploads", "Uploads", "Envois de fichiers"}},
    {317, K::LABEL, 201, 166, 48, 8, 0, {"Downloads", "Downloads", "R\x82""ceptions de fichiers"}},
    {311, K::READ_ONLY_EDIT, 254, 117, 137, 11, 0, {nullptr, nullptr, nullptr}},
    {310, K::EDIT, 254, 129, 137, 11, 0, {nullptr, nullptr, nullptr}},
    {312, K::EDIT, 254, 141, 137, 11, 0, {nullptr, nullptr, nullptr}},
    {318, K::EDIT, 254, 153, 137, 11, 0, {nullptr, nullptr, nullptr}},
    {319, K::EDIT, 254, 165, 137, 11, 0, {nullptr, nullptr, nullptr}},
    {308, K::PROGRESS_BAR, 10, 193, 394, 16, 0, {nullptr, nullptr, nullptr}},
    {NO_CONTROL_ID, K::LABEL, 21, 181, 30, 8, 0, {"Status:", "Status:", "Etat:"}},
    {309, K::LABEL, 55, 181, 335, 8, 0, {nullptr, nullptr, nullptr}},
    {105, K::RIGHT_LABEL, 122, 211, 269, 8, 0,
     {"This installation program contains a ZIP extraction engine",
      "Dieses Installations-Programm enth\x84lt ein ZIP-Entpackmodul",
      "Ce programme d'installation contient un module de d\x82""compression ZIP"}},
};

const DialogTemplate dialog_templates[DIALOG_TEMPLATE_COUNT] = {
    {100, 0, "QEL Install", 415, 220},
    {101, 1, "QEL Installation", 415, 220},
    {102, 2, "Installation de QEL", 415, 220},
};

const DialogTemplate* find_dialog_template(int resource_id)
{
    for (const DialogTemplate& candidate : dialog_templates) {
        if (candidate.resource_id == resource_id) {
            return &candidate;
        }
    }
    return nullptr;
}

int control_width(const DialogControl& control, int language)
{
    if (language == 1 && control.german_width != 0) {
        return control.german_width;
    }
    return control.width;
}

const char* control_text(const DialogControl& control, int language)
{
    if (language < 0 || language >= LANGUAGE_COUNT || control.text[language] == nullptr) {
        return "";
    }
    return control.text[language];
}
