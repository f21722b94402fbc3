// Text windows for the product's documents. Each window of the class
// "ShowTextWindow" is filled by a read-only, scrollable edit in 8-point
// Courier; the windows cascade over the screen, and closing the last one
// dismisses the install dialog, which ends the program.
#include "installer/text_viewer.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "installer/settings.h"
#include "installer/startup.h"

const char* const document_names[DOCUMENT_COUNT] = {
    "DEVELOP.DOC", "VERSIONS.DOC", "PROBLEMS.DOC", "ISDN.DOC", "REGISTER.DOC", "FEATURES.DOC", "README.DOC",
};

int text_windows_created = 0;
int text_windows_open = 0;

namespace {

constexpr const char* TEXT_WINDOW_CLASS = "ShowTextWindow";
constexpr const char* TEXT_FONT = "8.Courier";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct ClientSize {
    int width;
    int height;
};

ClientSize client_size(OsWindow window)
{
    OsRect client = {};
    os_QueryWinClRect(window, &client);
    return {client.right - client.left, client.top - client.bottom};
}

void create_edit(OsWindow window)
{
    ++text_windows_open;
    ClientSize size = client_size(window);
    OsWindow edit = os_CreateTextChild(window, TEXT_EDIT_ID, "x", 0, 0, size.width, size.height,
                                       settings.module_instance);
    if (edit != nullptr)
        os_SetFontNameSize(edit, TEXT_FONT);
}

// The edit reaches one pixel past the client's left, bottom and top edges,
// so no border line of its own shows inside the window.
void fit_edit(OsWindow window)
{
    OsWindow edit = os_SubWin(window, TEXT_EDIT_ID);
    if (edit == nullptr)
        return;
    ClientSize size = client_size(window);
    os_SetWinPos(edit, 0, -1, -1, size.width + 1, size.height + 2, OS_POS_MOVE_SIZE);
}

void text_window_destroyed()
{
    if (text_windows_open > 0 && --text_windows_open == 0)
        os_DismissDlg(settings.dialog_window, 0);
}

}  // namespace

void show_documents()
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[DOCUMENT_BUFFER_SIZE]);
    if (!buffer)
        return;
    for (const char* name : document_names) {
        // A directory of that name is no document (some systems open it).
        File file(regular_file_exists(name) ? std::fopen(name, "rb") : nullptr);
        if (!file)
            continue;
        // One byte always stays zero: a longer document is cut, not left
        // without its terminator. The text also ends at a zero byte inside it.
        std::memset(buffer.get(), 0, DOCUMENT_BUFFER_SIZE);
        std::fread(buffer.get(), 1, DOCUMENT_BUFFER_SIZE - 1, file.get());
        show_text_window(buffer.get(), name);
    }
}

void show_text_window(const char* text, const char* title)
{
    ++text_windows_created;
    if (text_windows_created == 1)
        add_window_class(TEXT_WINDOW_CLASS, text_window_proc, 0, 0);
    OsWindow window = os_CreateTopWindow(TEXT_WINDOW_CLASS, title, settings.module_instance);
    if (window == nullptr)
        return;

    int screen_width = os_QuerySysValue(OS_SV_SCREEN_WIDTH);
    int screen_height = os_QuerySysValue(OS_SV_SCREEN_HEIGHT);
    int step = os_QuerySysValue(OS_SV_CASCADE_B) + os_QuerySysValue(OS_SV_CASCADE_A);
    int offset = step * text_windows_created;
    // Upward coordinates: the top edge ends up offset pixels below the
    // screen's top, the left edge as far from the left.
    os_SetWinPos(window, 0, offset, screen_height / 4 - offset, screen_width * 3 / 4, screen_height * 3 / 4,
                 OS_POS_MOVE_SIZE_SHOW);
    os_SetWindowText(os_SubWin(window, TEXT_EDIT_ID), text);
}

intptr_t text_window_proc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    switch (message) {
    case OS_RAW_CREATE:
        create_edit(window);
        return 0;
    case OS_RAW_SIZE:
        fit_edit(window);
        return 0;
    case OS_RAW_CLOSE:
        os_DestroyWindow(window);
        return 0;
    case OS_RAW_DESTROY:
        text_window_destroyed();
        return 0;
    default:
        return os_DefaultWindowProc(window, message, first, second);
    }
}
