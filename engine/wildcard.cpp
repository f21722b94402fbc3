// Wildcard matching of entry names and archive names: * ? [set] and \x.
#include <cstdint>

#include "engine/options.h"

namespace {

enum class Match { MATCHED, FAILED, ABANDONED };

inline uint8_t fold(uint8_t c, bool ignore_case)
{
    return (ignore_case && c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c - 'A' + 'a') : c;
}

// End of the set that starts at p (just after '[' and any negation sign):
// the first ']' not preceded by a backslash, or null when there is none.
const uint8_t* set_end(const uint8_t* p)
{
    for (const uint8_t* q = p; *q; ++q)
        if (*q == ']' && (q == p || q[-1] != '\\'))
            return q;
    return nullptr;
}

// True when c is a member of the set [first, end).
bool in_set(const uint8_t* first, const uint8_t* end, uint8_t c, bool ignore_case)
{
    const uint8_t wanted = fold(c, ignore_case);
    for (const uint8_t* p = first; p < end;) {
        if (*p == '\\' && p + 1 < end) {
            if (fold(p[1], ignore_case) == wanted)
                return true;
            p += 2;
        } else if (*p == '-' && p == first) {
            if (wanted == '-')
                return true;
            ++p;
        } else if (p + 1 < end && p[1] == '-') {
            if (p + 2 >= end)
                return false;  // "x-" at the end: neither range nor start count
            for (unsigned code = *p; code <= p[2]; ++code)
                if (fold(static_cast<uint8_t>(code), ignore_case) == wanted)
                    return true;
            p += 3;
        } else {
            if (fold(*p, ignore_case) == wanted)
                return true;
            ++p;
        }
    }
    return false;
}

Match match_from(const uint8_t* pattern, const uint8_t* name, bool ignore_case)
{
    for (;;) {
        switch (*pattern) {
        case '\0':
            return *name == '\0' ? Match::MATCHED : Match::FAILED;
        case '?':
            if (*name == '\0')
                return Match::FAILED;
            ++pattern;
            ++name;
            continue;
        case '*':
            if (pattern[1] == '\0')
                return Match::MATCHED;
            // Abandoned ends every enclosing '*' too: no later start can match.
            for (; *name != '\0'; ++name) {
                Match outcome = match_from(pattern + 1, name, ignore_case);
                if (outcome != Match::FAILED)
                    return outcome;
            }
            return Match::ABANDONED;
        case '[': {
            if (*name == '\0')
                return Match::FAILED;
            const uint8_t* first = pattern + 1;
            bool negated = *first == '!' || *first == '^';
            if (negated)
                ++first;
            const uint8_t* end = set_end(first);
            if (end == nullptr)
                return Match::FAILED;
            if (in_set(first, end, *name, ignore_case) == negated)
                return Match::FAILED;
            pattern = end + 1;
            ++name;
            continue;
        }
        case '\\':
            if (pattern[1] == '\0' || *name == '\0' ||
                fold(pattern[1], ignore_case) != fold(*name, ignore_case))
                return Match::FAILED;
            pattern += 2;
            ++name;
            continue;
        default:
            if (*name == '\0' || fold(*pattern, ignore_case) != fold(*name, ignore_case))
                return Match::FAILED;
            ++pattern;
            ++name;
            continue;
        }
    }
}

}  // namespace

bool match_wildcard(const char* name, const char* pattern, bool ignore_case)
{
    return match_from(reinterpret_cast<const uint8_t*>(pattern), reinterpret_cast<const uint8_t*>(name),
                      ignore_case) == Match::MATCHED;
}
