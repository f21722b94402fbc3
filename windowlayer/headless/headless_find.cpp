// Headless file search over the real file system: "directory\pattern" (either
// separator) with the wildcards * and ?, compared without regard to case as
// the target system does. "*.*" matches every name, dotted or not.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include "windowlayer/headless/headless_state.h"

namespace {

struct FindState {
    std::filesystem::directory_iterator next;
    std::string pattern;
};

bool wildcard_match(const char* pattern, const char* name)
{
    const char* star = nullptr;   // last * seen, for backtracking
    const char* resume = nullptr;
    while (*name != '\0') {
        unsigned char p = static_cast<unsigned char>(*pattern), n = static_cast<unsigned char>(*name);
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (p != '\0' && std::tolower(p) == std::tolower(n))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

bool name_matches(const std::string& pattern, const std::string& name)
{
    if (pattern == "*.*") {
        return true;
    }
    return wildcard_match(pattern.c_str(), name.c_str());
}

// Advances to the next matching entry and fills the record; 0 when found.
int find_next(FindState* state, OsFindRecord* record)
{
    std::error_code failure;
    const std::filesystem::directory_iterator end;
    for (; state->next != end; state->next.increment(failure)) {
        if (failure) {
            return 1;
        }
        std::string name = state->next->path().filename().string();
        if (!name_matches(state->pattern, name)) {
            continue;
        }
        bool directory = state->next->is_directory(failure);
        std::snprintf(record->name, sizeof record->name, "%s", name.c_str());
        record->attributes = directory ? OS_FIND_DIRECTORY : 0;
        state->next.increment(failure);
        return 0;
    }
    return 1;
}

int find_first(OsFindRecord* record)
{
    std::string full = record->pattern;
    size_t split = full.find_last_of("\\/");
    std::string directory(".");
    std::string pattern(full);
    if (split != std::string::npos) {
        directory = full.substr(0, split > 0 ? split : 1);   // "\x" searches the root
        pattern = full.substr(split + 1);
    }
#ifndef _WIN32
    for (char& c : directory) {
        if (c == '\\') {
            c = '/';
        }
    }
#endif
    std::error_code failure;
    auto state = std::make_unique<FindState>();
    state->next = std::filesystem::directory_iterator(directory, failure);
    state->pattern = pattern;
    if (failure || find_next(state.get(), record) != 0) {
        return 1;
    }
    record->handle = state.release();
    return 0;
}

}  // namespace

int os_FileFindMgr(int operation, OsFindRecord* record)
{
    if (record == nullptr) {
        return 1;
    }
    auto* state = static_cast<FindState*>(record->handle);
    switch (operation) {
    case 0:
        // The record may be fresh from the stack: its handle is not trusted.
        record->handle = nullptr;
        record->pattern[sizeof record->pattern - 1] = '\0';
        return find_first(record);
    case 1:
        return state != nullptr ? find_next(state, record) : 1;
    case 2:
        delete state;
        record->handle = nullptr;
        return 0;
    default:
        return 1;
    }
}
