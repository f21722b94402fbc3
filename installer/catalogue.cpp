// The message catalogue. Every text is stored in code page 850 and reaches the
// window layer unchanged. Non-ASCII characters are written as byte escapes,
// each closing its literal so that a following letter that happens to be a
// hex digit is not swallowed: u-umlaut 0x81, e-acute 0x82, a-umlaut 0x84,
// a-grave 0x85, e-circumflex 0x88, e-grave 0x8A, o-umlaut 0x94, U-umlaut 0x9A.
#include "installer/catalogue.h"

#include "installer/settings.h"

namespace {

// Texts that are the same in all three languages are stored once.
constexpr const char NO_FILES[] = "Sorry, no files to install!";
constexpr const char INFORMATION[] = "Information";

// The page of the caller-monitor program that ends the ISDN note.
#define ISDN_MONITOR_PAGE "http://www.brenvik.de/anrufmonitor/"

}  // namespace

const CatalogueRow msg_install_complete = {{
    "Installation complete",
    "Installation abgeschlossen",
    "Installation termin\x82" "e",
}};

const CatalogueRow msg_install_aborted = {{
    "Installation aborted - QEL wasn't installed successfully!",
    "Installation abgebrochen - QEL konnte nicht vollst\x84" "ndig installiert werden!",
    "Installation abandonn\x82" "e - l'installation de QEL n'a pas r\x82" "ussi!",
}};

const CatalogueRow msg_install_error = {{
    "An error occurred during install - installation aborted!",
    "W\x84" "hrend der Installation ist ein Fehler aufgetreten - die Installation wird abgebrochen!",
    "Une erreur s'est produite lors de l'installation - installation abandonn\x82" "e!",
}};

const CatalogueRow msg_no_files = {{NO_FILES, NO_FILES, NO_FILES}};

const CatalogueRow msg_needs_nt4 = {{
    "Sorry, this program requires Windows NT 4.00 or higher - installation aborted!",
    "Dieses Programm ben\x94" "tigt mindestens Windows NT 4.00 - Installation wird abgebrochen!",
    "D\x82" "sol\x82" ", ce programme exige Windows NT 4.00 ou une version ult\x82" "rieure - "
    "installation abandonn\x82" "e!",
}};

const CatalogueRow msg_all_done = {{
    "All files processed - installation complete (QEL was added to your start menu)",
    "Installation erfolgreich beendet (QEL-Eintrag wurde im Startmen\x81" " erzeugt)",
    "Tous les fichiers ont \x82" "t\x82" " trait\x82" "s - installation termin\x82" "e "
    "(QEL a \x82" "t\x82" " ajout\x82" " au menu d\x82" "marrage)",
}};

const CatalogueRow msg_dest_empty = {{
    "Destination path is empty",
    "Der Ziel-Pfad ist leer",
    "Le chemin destination est vide",
}};

const CatalogueRow msg_log_empty = {{
    "Logfile path is empty",
    "Der Logdatei-Pfad ist leer",
    "Le chemin de fichier journal est vide",
}};

const CatalogueRow msg_options_empty = {{
    "Option path is empty",
    "Der Optionen-Pfad ist leer",
    "Le chemin d'options est vide",
}};

const CatalogueRow msg_script_empty = {{
    "Script path is empty",
    "Der Script-Pfad ist leer",
    "Le chemin de script est vide",
}};

const CatalogueRow msg_upload_empty = {{
    "Upload path is empty",
    "Der Upload-Pfad ist leer",
    "Le chemin d'envoi de fichiers est vide",
}};

const CatalogueRow msg_download_empty = {{
    "Download path is empty",
    "Der Download-Pfad ist leer",
    "Le chemin de r\x82" "ception de fichiers est vide",
}};

const CatalogueRow msg_title_info = {{INFORMATION, INFORMATION, INFORMATION}};

const CatalogueRow msg_title_error = {{"Error", "Fehler", "Erreur"}};

const CatalogueRow msg_beta_upgrade = {{
    "You are about to upgrade from a beta-version.  This is *NOT* recommended.\r\r"
    "Do you REALLY want to proceed?",
    "Es ist *NICHT* empfehlenswert, Daten aus einer bestehenden Beta-Version zu \x81" "bernehmen.\r\r"
    "Wollen Sie WIRKLICH fortfahren?",
    "Vous allez faire une mise \x85" " jour avec une version b\x88" "ta. Ceci est *DECONSEILLE*.\r\r"
    "Voulez-vous VRAIMENT continuer? ",
}};

const CatalogueRow msg_overwrite_file = {{
    "Overwrite %s with QEL's installation defaults?",
    "Datei %s mit Standardeinstellungen \x81" "berschreiben?",
    "Ecraser %s avec les param\x8A" "tres d'installation par d\x82" "faut de QEL?",
}};

const CatalogueRow msg_overwrite_options = {{
    "Overwrite existing option files with QEL's installation defaults (all QEL settings will be lost)?",
    "Bestehende Options-Dateien mit Standardeinstellungen \x81" "berschreiben "
    "(alle bisherigen QEL-Einstellungen werden gel\x94" "scht)?",
    "Ecraser les fichiers d'options existants avec les options d'installation par d\x82" "faut de QEL?",
}};

const CatalogueRow msg_backups_made = {{
    "All intentionally overwritten files were backed up in the same directory!",
    "Von allen absichtlich \x81" "berschriebenen Dateien wurden Sicherheitskopien im "
    "entsprechenden Verzeichnis angelegt",
    "Tous les fichiers \x82" "cras\x82" "s intentionnellement ont \x82" "t\x82" " sauvegard\x82" "s "
    "dans le m\x88" "me r\x82" "pertoire!",
}};

const CatalogueRow msg_read_docs = {{
    "Do you want to read QEL's DOC-files (PROBLEMS.DOC, README.DOC, etc.) now?",
    "Informationsdateien (PROBLEMS.DOC, README.DOC, etc.) jetzt anzeigen?",
    "Voulez-vous lire maintenant les fichiers DOC de QEL (PROBLEMS.DOC, README.DOC, etc.)?",
}};

const CatalogueRow msg_status_deleting = {{
    "Searching and deleting old files",
    "Suchen und L\x94" "schen nicht mehr ben\x94" "tigter Dateien",
    "Recherche et suppression des anciens fichiers",
}};

const CatalogueRow msg_status_paths = {{
    "Updating path information",
    "Aktualisieren der Pfadinformationen",
    "Mise \x85" " jour des informations de chemin",
}};

const CatalogueRow msg_status_folder = {{
    "Creating QEL folder",
    "QEL-Ordner wird erstellt",
    "Cr\x82" "ation du dossier QEL",
}};

const CatalogueRow msg_order_from = {{
    "Order from ",
    "Bestellen bei ",
    "Commande de la part de ",
}};

const CatalogueRow msg_folder_name = {{
    "QEL for Windows%s",
    "QEL f\x81" "r Windows%s",
    "QEL sous Windows%s",
}};

const CatalogueRow msg_isdn_note = {{
    "A quick note:\r\rBrenvik now offers a caller id monitor program for ISDN boards, which "
    "shows number, name, plays a sound and more for incoming calls.\r\r"
    "More details can be found at:    " ISDN_MONITOR_PAGE,
    "\x9A" "brigens:\r\rF\x81" "r Besitzer einer ISDN-Karte gibt es von Brenvik jetzt einen "
    "Anrufmonitor, der Ihnen eingehende Anrufe mit Nummer und, wenn bekannt, Name, Sound "
    "und und und ... am Bildschirm anzeigt.\r\r"
    "Weitere Informationen unter:     " ISDN_MONITOR_PAGE,
    "<to translate>!!!",
}};

const char* catalogue_text(const CatalogueRow& row)
{
    // The language is fixed once at start-up; anything else would be a fault
    // of the caller, answered with the English text rather than a wild read.
    int language = settings.language_index;
    if (language < 0 || language > 2)
        language = 0;
    return row.text[language];
}

int show_info(const char* text)
{
    return os_MessageBox(settings.dialog_window, catalogue_text(msg_title_info), text, MB_STYLE_INFO);
}

int show_error(const char* text)
{
    return os_MessageBox(settings.dialog_window, catalogue_text(msg_title_error), text, MB_STYLE_ERROR);
}

bool ask_yes_no(OsWindow owner, const char* title, const char* text, int style)
{
    return os_MessageBox(owner, title, text, style | MB_STYLE_QUESTION) == 1;
}
