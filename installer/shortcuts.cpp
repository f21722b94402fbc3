#include "installer/shortcuts.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "installer/catalogue.h"
#include "installer/file_system.h"
#include "installer/settings.h"
#include "installer/worker.h"
#include "windowlayer/os_layer.h"

const ShortcutRow shortcut_rows[SHORTCUT_COUNT] = {
    {"QEL", "!QEL.EXE", "", ""},
    {"readme.doc", "NOTEPAD.EXE", "README.DOC", "inst_doc.ico"},
    {"features.doc", "NOTEPAD.EXE", "FEATURES.DOC", "inst_doc.ico"},
    {"problems.doc", "NOTEPAD.EXE", "PROBLEMS.DOC", "inst_doc.ico"},
    {"register.doc", "NOTEPAD.EXE", "REGISTER.DOC", "inst_doc.ico"},
    {"isdn.doc", "NOTEPAD.EXE", "ISDN.DOC", "inst_doc.ico"},
    {"develop.doc", "NOTEPAD.EXE", "DEVELOP.DOC", "inst_doc.ico"},
    {"versions.doc", "NOTEPAD.EXE", "VERSIONS.DOC", "inst_doc.ico"},
    {"!Delvaro", "!QEL.EXE", "/ORDER:0", "inst_ger.ico"},
    {"!Quintrel Micro", "!QEL.EXE", "/ORDER:1", "inst_usa.ico"},
    {"!R.Tarsen", "!QEL.EXE", "/ORDER:2", "inst_aus.ico"},
    {"!L.Olvenheim", "!QEL.EXE", "/ORDER:3", "inst_dk.ico"},
};

void shortcut_folder_title(char* out, int size, bool windows_nt)
{
    std::snprintf(out, size, catalogue_text(msg_folder_name), windows_nt ? " NT" : "'95");
}

void shortcut_name(char* out, int size, const ShortcutRow& row)
{
    if (row.name[0] == '!')
        std::snprintf(out, size, "%s%s", catalogue_text(msg_order_from), row.name + 1);
    else
        std::snprintf(out, size, "%s", row.name);
    out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
}

void build_shortcut(ShortcutLink* link, const char* folder, const ShortcutRow& row)
{
    const char* destination = install_choices.destination_path;
    std::memset(link, 0, sizeof *link);
    if (row.target[0] == '!') {
        join_path(link->target, sizeof link->target, destination, row.target + 1);
        std::snprintf(link->arguments, sizeof link->arguments, "%s", row.arguments);
    } else if (find_on_search_path(row.target, link->target, sizeof link->target)) {
        std::snprintf(link->arguments, sizeof link->arguments, "%s", row.arguments);
    } else {
        // No editor on this machine: the shortcut opens the document itself.
        join_path(link->target, sizeof link->target, destination, row.arguments);
    }
    shortcut_name(link->description, sizeof link->description, row);
    std::snprintf(link->working_directory, sizeof link->working_directory, "%s", destination);
    if (row.icon_file[0] != '\0') {
        char directory[PATH_SIZE] = "";
        os_QueryCWD(directory, PATH_SIZE);
        join_path(link->icon, sizeof link->icon, directory, row.icon_file);
    }
    int length = std::snprintf(link->file, sizeof link->file, "%s\\%s.LNK", folder, link->description);
    if (length < 0 || length >= static_cast<int>(sizeof link->file))
        link->file[0] = '\0';  // a cut name would save the shortcut elsewhere
}

void create_shortcuts()
{
    os_SetWindowText(os_SubWin(settings.dialog_window, 309), catalogue_text(msg_status_folder));
    char title[PATH_SIZE];
    shortcut_folder_title(title, sizeof title, os_QuerySysValue(OS_SV_PLATFORM) == OS_PLATFORM_NT);
    folder_name_from_oem(title, sizeof title);
    char programs[PATH_SIZE] = "";
    query_programs_folder(programs, sizeof programs);
    char folder[PATH_SIZE];
    int length = std::snprintf(folder, sizeof folder, "%s\\%s", programs, title);
    if (length < 0 || length >= static_cast<int>(sizeof folder))
        return;
    make_one_directory(folder);  // an existing folder is used as it is
    if (!begin_shortcuts())
        return;
    for (const ShortcutRow& row : shortcut_rows) {
        ShortcutLink link;
        build_shortcut(&link, folder, row);
        if (link.file[0] != '\0')
            write_shortcut(link);
    }
    end_shortcuts();
}
