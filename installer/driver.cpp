#include "installer/driver.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "engine/engine.h"
#include "engine/options.h"
#include "installer/file_system.h"
#include "installer/settings.h"
#include "installer/worker.h"

namespace {

struct PrefixRow {
    const char* word;
    const char* (*base)();
};

// Leading components of entries that belong in a data directory, tried in
// this order.
constexpr PrefixRow prefix_table[] = {
    {"LOG", [] { return static_cast<const char*>(install_choices.log_path); }},
    {"OPTIONS", [] { return static_cast<const char*>(install_choices.options_path); }},
    {"SCRIPT", [] { return static_cast<const char*>(install_choices.script_path); }},
    {"UPLOAD", [] { return static_cast<const char*>(install_choices.upload_path); }},
    {"DOWNLOAD", [] { return static_cast<const char*>(install_choices.download_path); }},
};

constexpr int MAX_ENGINE_ARGS = 10;

bool starts_with_nocase(const char* text, const char* word)
{
    for (; *word != '\0'; ++text, ++word) {
        if (std::tolower(static_cast<unsigned char>(*text)) != std::tolower(static_cast<unsigned char>(*word)))
            return false;
    }
    return true;
}

// One engine call: every argument text copied into a single zero-filled block
// sized for the texts (the engine edits them in place), a null-terminated
// vector, and the block released after the call.
int call_engine(int argc, const char* const* arguments)
{
    std::size_t total = 0;
    for (int i = 0; i < argc; ++i)
        total += std::strlen(arguments[i]) + 1;
    std::unique_ptr<char[]> block(new (std::nothrow) char[total]());
    if (!block)
        return RC_MEM;
    char* vector[MAX_ENGINE_ARGS] = {};
    char* cursor = block.get();
    for (int i = 0; i < argc; ++i) {
        std::size_t length = std::strlen(arguments[i]);
        std::memcpy(cursor, arguments[i], length);
        vector[i] = cursor;
        cursor += length + 1;
    }
    return engine_main(argc, vector);
}

// The engine takes the entry name as a selection pattern; wildcard characters
// in a real name are escaped so that the pattern selects exactly that entry.
void entry_pattern(char* out, int size, const char* entry)
{
    int used = 0;
    for (const char* c = entry; *c != '\0' && used < size - 2; ++c) {
        if (*c == '*' || *c == '?' || *c == '[' || *c == '\\')
            out[used++] = '\\';
        out[used++] = *c;
    }
    out[used] = '\0';
}

// Creates the missing parents of target level by level; the last component is
// left to the engine, which makes it when it sets its extraction root. A
// separator at position 2 is the root of a drive path and creates nothing.
void create_parent_directories(const char* target)
{
    char path[PATH_SIZE];
    std::snprintf(path, sizeof path, "%s", target);
    for (int i = 0; path[i] != '\0'; ++i) {
        if ((path[i] != '\\' && path[i] != '/') || i == 2)
            continue;
        path[i] = '\0';
        if (i > 0)
            make_one_directory(path);  // existing or impossible levels are passed over
        path[i] = '\\';
    }
}

}  // namespace

int list_archive()
{
    const char* arguments[] = {"unzip", "-v", settings.archive_file};
    return call_engine(3, arguments);
}

void target_for_prefix(char* out, int size, const char* entry, const char* base)
{
    const char* slash = std::strchr(entry, '/');
    join_path(out, size, base, slash ? slash + 1 : "");
    std::size_t length = std::strlen(out);
    if (length > 0 && (out[length - 1] == '/' || out[length - 1] == '\\')) {
        out[length - 1] = '\0';
        return;
    }
    while (length > 0 && out[length - 1] != '/' && out[length - 1] != '\\')
        --length;
    if (length > 0)
        out[length - 1] = '\0';
}

void target_for_entry(char* out, int size, const char* entry)
{
    // Only an entry below one of the words counts: a top-level file such as
    // LOGO.BMP has no '/' and goes to the destination like any other.
    if (std::strchr(entry, '/') != nullptr) {
        for (const PrefixRow& row : prefix_table) {
            if (starts_with_nocase(entry, row.word)) {
                target_for_prefix(out, size, entry, row.base());
                return;
            }
        }
    }
    std::snprintf(out, size, "%s", install_choices.destination_path);
}

int extract_one_entry(const char* entry)
{
    char target[PATH_SIZE];
    target_for_entry(target, sizeof target, entry);
    if (!path_exists(target))
        create_parent_directories(target);
    char native_target[PATH_SIZE];
    if (!native_path(native_target, sizeof native_target, target))
        return RC_PARAM;
    char pattern[ENTRY_SLOT_SIZE * 2];
    entry_pattern(pattern, sizeof pattern, entry);
    const char* arguments[] = {"unzip", "-qq", "-j", settings.archive_file, pattern, "-d", native_target};
    return call_engine(7, arguments);
}
