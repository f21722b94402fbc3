// uidriver: drives the setup program's windows from outside, for GUI tests.
// Run it under the same wine (prefix and wineserver) as setup.exe.
//
//   uidriver COMMAND ARGUMENTS...     one command
//   uidriver -                        commands from standard input, one a line;
//                                     words split at blanks, "double quotes"
//                                     group; stops at the first failing command
//
// WINDOW is a top-level window's title, exact, or a prefix when it ends in
// "*" ("QEL Install*"), or class=NAME for any window of that class
// ("class=ShowTextWindow"). Only visible windows count. TIMEOUT is in seconds
// (default 10). Texts are read and written as UTF-8.
//
//   list                          WINDOW lines for every visible top-level window
//   wait WINDOW [TIMEOUT]         waits for the window: FOUND line
//   wait-gone WINDOW [TIMEOUT]    waits until no such window is left: GONE
//   text WINDOW [ID]              TEXT line: the window's title or control ID's text
//   controls WINDOW               CONTROL lines: every child, in tab order
//   focus WINDOW                  FOCUS line: id of the control with the focus
//   type WINDOW ID TEXT           types TEXT at the end of edit ID, one character
//                                 at a time (each one notifies the program)
//   clear WINDOW ID               selects all of edit ID and deletes it
//   click WINDOW ID               clicks button or checkbox ID (fails: DISABLED)
//   close WINDOW                  sends the close message
//   box [TIMEOUT]                 waits for a message box: BOX line, left open
//   answer yes|no|ok|cancel [TIMEOUT]   waits for a message box, prints its BOX
//                                 line and presses that button
//   sleep MILLISECONDS
//
// Output lines (fields in this order; the text is always last and runs to the
// end of the line; carriage return and line feed are shown as ^M and ^J):
//   WINDOW handle=0x... class=NAME title=TEXT
//   FOUND handle=0x... class=NAME title=TEXT
//   TEXT id=N text=TEXT
//   CONTROL id=N class=NAME enabled=0|1 visible=0|1 checked=0|1|- text=TEXT
//   FOCUS id=N
//   BOX title=TEXT text=TEXT
//   ERROR message        (on standard error, exit code 1; usage errors 2)
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::wstring>;

constexpr UINT SEND_TIMEOUT_MS = 5000;
constexpr int POLL_MS = 100;
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;

std::string utf8(const std::wstring& text)
{
    if (text.empty()) {
        return std::string();
    }
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), length, nullptr, nullptr);
    result.resize(static_cast<size_t>(length - 1));
    return result;
}

std::wstring wide(const std::string& text)
{
    if (text.empty()) {
        return std::wstring();
    }
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), length);
    result.resize(static_cast<size_t>(length - 1));
    return result;
}

// Texts on one line: control characters in caret notation.
std::string shown(const std::wstring& text)
{
    std::wstring visible;
    for (wchar_t c : text) {
        if (c == L'\r') {
            visible += L"^M";
        } else if (c == L'\n') {
            visible += L"^J";
        } else {
            visible += c;
        }
    }
    return utf8(visible);
}

void say(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "ERROR %s\n", message.c_str());
    return 1;
}

std::string hex(HWND window)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    return text;
}

std::wstring class_of(HWND window)
{
    wchar_t name[128] = L"";
    GetClassNameW(window, name, 128);
    return name;
}

// Text of a window of another process: WM_GETTEXT crosses process borders.
// A picture's "text" is its resource ordinal (0xFFFF, id): shown as "#id".
std::wstring text_of(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &length)) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        SEND_TIMEOUT_MS, &copied);
    text.resize(static_cast<size_t>(copied));
    if (text.size() >= 2 && text[0] == 0xFFFF) {
        return L"#" + std::to_wstring(static_cast<unsigned>(text[1]));
    }
    return text;
}

bool title_matches(const std::wstring& title, const std::wstring& wanted)
{
    if (!wanted.empty() && wanted.back() == L'*') {
        return title.compare(0, wanted.size() - 1, wanted, 0, wanted.size() - 1) == 0;
    }
    return title == wanted;
}

bool window_matches(HWND window, const std::wstring& wanted)
{
    const std::wstring class_prefix = L"class=";
    if (wanted.empty()) {
        return true;
    }
    if (wanted.compare(0, class_prefix.size(), class_prefix) == 0) {
        return lstrcmpiW(class_of(window).c_str(), wanted.c_str() + class_prefix.size()) == 0;
    }
    return title_matches(text_of(window), wanted);
}

bool is_message_box(HWND window)
{
    return class_of(window) == L"#32770" && GetDlgItem(window, MESSAGE_BOX_TEXT_ID) != nullptr;
}

struct Search {
    std::wstring title;       // empty: any
    bool boxes_only;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window)) {
        return TRUE;
    }
    if (search->boxes_only ? is_message_box(window) : window_matches(window, search->title)) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> find_windows(const std::wstring& title, bool boxes_only)
{
    Search search{title, boxes_only, {}};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND wait_for(const std::wstring& title, bool boxes_only, double seconds)
{
    DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        std::vector<HWND> found = find_windows(title, boxes_only);
        if (!found.empty()) {
            return found.front();
        }
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) {
            return nullptr;
        }
        Sleep(POLL_MS);
    }
}

double timeout_argument(const Words& words, size_t index)
{
    return words.size() > index ? std::wcstod(words[index].c_str(), nullptr) : 10.0;
}

void window_line(const char* kind, HWND window)
{
    say(std::string(kind) + " handle=" + hex(window) + " class=" + utf8(class_of(window)) +
        " title=" + shown(text_of(window)));
}

// The window named by words[1], which must exist now.
HWND named_window(const Words& words)
{
    std::vector<HWND> found = find_windows(words[1], false);
    return found.empty() ? nullptr : found.front();
}

HWND named_control(const Words& words, int* id)
{
    HWND window = named_window(words);
    *id = std::wcstol(words[2].c_str(), nullptr, 10);
    return window != nullptr ? GetDlgItem(window, *id) : nullptr;
}

bool is_check_button(HWND control)
{
    if (class_of(control) != L"Button") {
        return false;
    }
    LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
           type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

constexpr DWORD POST_SETTLE_MS = 40;

void send_and_wait(HWND window, UINT message, WPARAM first, LPARAM second)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, message, first, second, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &ignored);
}

// Posted, then synchronised: a click may open a modal box, and a sent
// message would wait until that box is closed.
// A sent message overtakes posted ones, so the pause first lets the target
// take the posted message from its queue.
void post_and_settle(HWND window, UINT message, WPARAM first, LPARAM second)
{
    PostMessageW(window, message, first, second);
    Sleep(POST_SETTLE_MS);
    send_and_wait(window, WM_NULL, 0, 0);
}

// --- Commands -------------------------------------------------------------------------------

int command_list(const Words&)
{
    for (HWND window : find_windows(L"", false)) {
        window_line("WINDOW", window);
    }
    return 0;
}

int command_wait(const Words& words)
{
    HWND window = wait_for(words[1], false, timeout_argument(words, 2));
    if (window == nullptr) {
        return fail("timeout waiting for " + utf8(words[1]));
    }
    window_line("FOUND", window);
    return 0;
}

int command_wait_gone(const Words& words)
{
    DWORD deadline = GetTickCount() + static_cast<DWORD>(timeout_argument(words, 2) * 1000);
    while (!find_windows(words[1], false).empty()) {
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) {
            return fail("still there: " + utf8(words[1]));
        }
        Sleep(POLL_MS);
    }
    say("GONE");
    return 0;
}

int command_text(const Words& words)
{
    HWND window = named_window(words);
    if (window == nullptr) {
        return fail("no window " + utf8(words[1]));
    }
    int id = 0;
    HWND target = window;
    if (words.size() > 2) {
        target = named_control(words, &id);
        if (target == nullptr) {
            return fail("no control " + utf8(words[2]));
        }
    }
    say("TEXT id=" + std::to_string(id) + " text=" + shown(text_of(target)));
    return 0;
}

int command_controls(const Words& words)
{
    HWND window = named_window(words);
    if (window == nullptr) {
        return fail("no window " + utf8(words[1]));
    }
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::string checked = "-";
        if (is_check_button(child)) {
            DWORD_PTR state = 0;
            SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &state);
            checked = state == BST_CHECKED ? "1" : "0";
        }
        say("CONTROL id=" + std::to_string(static_cast<int16_t>(GetDlgCtrlID(child))) +
            " class=" + utf8(class_of(child)) + " enabled=" + (IsWindowEnabled(child) ? "1" : "0") +
            " visible=" + (IsWindowVisible(child) ? "1" : "0") + " checked=" + checked +
            " text=" + shown(text_of(child)));
    }
    return 0;
}

int command_focus(const Words& words)
{
    HWND window = named_window(words);
    if (window == nullptr) {
        return fail("no window " + utf8(words[1]));
    }
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || info.hwndFocus == nullptr) {
        return fail("no focus");
    }
    say("FOCUS id=" + std::to_string(static_cast<int16_t>(GetDlgCtrlID(info.hwndFocus))));
    return 0;
}

int command_type(const Words& words)
{
    int id = 0;
    HWND edit = named_control(words, &id);
    if (edit == nullptr) {
        return fail("no control " + utf8(words[2]));
    }
    if (!IsWindowEnabled(edit)) {
        return fail("DISABLED " + std::to_string(id));
    }
    // Sent, not posted: each character, with the change handling it causes
    // in the program, is done before the next one is typed. Typing never
    // opens a modal box, so the send cannot hang.
    for (wchar_t c : words[3]) {
        size_t end = text_of(edit).size();   // caret to the end, as after a click there
        send_and_wait(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
        send_and_wait(edit, WM_CHAR, c, 1);
    }
    return 0;
}

int command_clear(const Words& words)
{
    int id = 0;
    HWND edit = named_control(words, &id);
    if (edit == nullptr) {
        return fail("no control " + utf8(words[2]));
    }
    send_and_wait(edit, EM_SETSEL, 0, -1);
    send_and_wait(edit, WM_CHAR, VK_BACK, 1);
    return 0;
}

int command_click(const Words& words)
{
    int id = 0;
    HWND control = named_control(words, &id);
    if (control == nullptr) {
        return fail("no control " + utf8(words[2]));
    }
    if (!IsWindowEnabled(control)) {
        return fail("DISABLED " + std::to_string(id));
    }
    post_and_settle(control, BM_CLICK, 0, 0);
    return 0;
}

int command_close(const Words& words)
{
    HWND window = named_window(words);
    if (window == nullptr) {
        return fail("no window " + utf8(words[1]));
    }
    post_and_settle(window, WM_CLOSE, 0, 0);
    return 0;
}

std::wstring box_text(HWND box)
{
    HWND text = GetDlgItem(box, MESSAGE_BOX_TEXT_ID);
    return text != nullptr ? text_of(text) : std::wstring();
}

int command_box(const Words& words)
{
    HWND box = wait_for(L"", true, timeout_argument(words, 1));
    if (box == nullptr) {
        return fail("timeout waiting for a message box");
    }
    say("BOX title=" + shown(text_of(box)) + " text=" + shown(box_text(box)));
    return 0;
}

int command_answer(const Words& words)
{
    struct Button {
        const wchar_t* name;
        int id;
    };
    constexpr Button buttons[] = {{L"yes", IDYES}, {L"no", IDNO}, {L"ok", IDOK}, {L"cancel", IDCANCEL}};
    int id = 0;
    for (const Button& button : buttons) {
        if (words[1] == button.name) {
            id = button.id;
        }
    }
    if (id == 0) {
        return fail("unknown button " + utf8(words[1]));
    }
    HWND box = wait_for(L"", true, timeout_argument(words, 2));
    if (box == nullptr) {
        return fail("timeout waiting for a message box");
    }
    say("BOX title=" + shown(text_of(box)) + " text=" + shown(box_text(box)));
    HWND button = GetDlgItem(box, id);
    if (button == nullptr) {
        return fail("the box has no button " + utf8(words[1]));
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    // Let the box go before the next command looks for windows.
    DWORD deadline = GetTickCount() + 5000;
    while (IsWindow(box) && static_cast<LONG>(GetTickCount() - deadline) < 0) {
        Sleep(20);
    }
    return 0;
}

int command_sleep(const Words& words)
{
    Sleep(static_cast<DWORD>(std::wcstoul(words[1].c_str(), nullptr, 10)));
    return 0;
}

struct Command {
    const wchar_t* name;
    size_t least_words;       // with the command's name
    int (*run)(const Words&);
};

constexpr Command commands[] = {
    {L"list", 1, command_list},     {L"wait", 2, command_wait},   {L"wait-gone", 2, command_wait_gone},
    {L"text", 2, command_text},     {L"controls", 2, command_controls}, {L"focus", 2, command_focus},
    {L"type", 4, command_type},     {L"clear", 3, command_clear}, {L"click", 3, command_click},
    {L"close", 2, command_close},   {L"box", 1, command_box},     {L"answer", 2, command_answer},
    {L"sleep", 2, command_sleep},
};

int run_command(const Words& words)
{
    if (words.empty()) {
        return 0;
    }
    for (const Command& command : commands) {
        if (words[0] == command.name) {
            if (words.size() < command.least_words) {
                std::fprintf(stderr, "ERROR usage: %s needs %zu arguments\n", utf8(words[0]).c_str(),
                             command.least_words - 1);
                return 2;
            }
            return command.run(words);
        }
    }
    std::fprintf(stderr, "ERROR unknown command %s\n", utf8(words[0]).c_str());
    return 2;
}

Words split_line(const std::wstring& line)
{
    Words words;
    std::wstring word;
    bool quoted = false, have_word = false;
    for (wchar_t c : line) {
        if (c == L'"') {
            quoted = !quoted;
            have_word = true;
        } else if ((c == L' ' || c == L'\t' || c == L'\r') && !quoted) {
            if (have_word) {
                words.push_back(word);
            }
            word.clear();
            have_word = false;
        } else {
            word += c;
            have_word = true;
        }
    }
    if (have_word) {
        words.push_back(word);
    }
    return words;
}

int run_script()
{
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        int result = run_command(split_line(wide(line)));
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

}  // namespace

int main()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2) {
        std::fprintf(stderr, "ERROR usage: uidriver COMMAND ARGUMENTS... | uidriver - (see the source's header)\n");
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);   // lines end in a bare line feed
    Words words(arguments + 1, arguments + count);
    LocalFree(arguments);
    return words[0] == L"-" ? run_script() : run_command(words);
}
