// Engine options, entry selection state and result codes: the configuration of
// one engine call, set by engine_main and read by every other engine module.
#pragma once
#include <cstdint>

// Result codes of the engine; a caller keeps the higher of two codes.
enum : int {
    RC_OK = 0,          // no error
    RC_WARN = 1,        // the work was done, something was skipped or looked odd
    RC_ERR = 2,         // error in the archive; processing went on
    RC_BADERR = 3,      // severe error; that archive was abandoned
    RC_MEM = 4,         // input or output buffer cannot be allocated
    RC_MEM2 = 5,        // not enough memory for a decompressor
    RC_NOZIP = 9,       // archive not found, or no central directory
    RC_PARAM = 10,      // invalid options
    RC_MULTIDISK = 11,  // part of a multi-disk set
    RC_DISK = 50,       // write error (disk full)
    RC_EOF = 51,        // unexpected end of the archive
    RC_DIR = 76,        // internal: the archive name designates a directory
};

struct EngineOptions {
    int32_t text_level;            // -a (count), -b, -p: 0 none, 1 text entries, 2 all
    int32_t to_stdout;             // -c, -p
    int32_t directory_given;       // a "-d" argument was taken in this call
    int32_t freshen;               // -f
    int32_t junk_paths;            // -j
    int32_t never_overwrite;       // -n
    int32_t overwrite_all;         // -o (count)
    int32_t overwrite_force;       // -o (second count), survives the -n/-o conflict
    int32_t quiet_level;           // -q (count), -p (+999)
    int32_t spaces_to_underscore;  // -s
    int32_t volume_labels;         // -$ (count)
    int32_t test_only;             // -t
    int32_t update;                // -u, -f
    int32_t keep_case;             // -U
    int32_t list_level;            // -l 1, -v 2 or more
    int32_t keep_versions;         // -V
    int32_t comment_only;          // -z (count; may become negative)
    int32_t extracting;            // none of to_stdout, test_only, list_level
    int32_t alt_listing_mode;      // program name or "-Z"
};

extern EngineOptions engine_options;

// Selection state, set by engine_main for each call.
constexpr int ARCHIVE_NAME_SIZE = 264;
extern char* archive_spec;                  // archive argument (may hold wildcards)
extern char archive_name[ARCHIVE_NAME_SIZE];  // archive being processed
extern char** include_patterns;             // null-terminated; {"*"} when none given
extern int include_count;
extern char** exclude_patterns;             // null-terminated, after "-x"
extern int exclude_count;
extern int process_all;                     // no entry names given

// Name of the current entry: at most 260 characters kept, NUL-terminated.
constexpr int ENTRY_NAME_SIZE = 264;
constexpr int ENTRY_NAME_MAX = 260;
extern char entry_name[ENTRY_NAME_SIZE];

// True when the whole name matches the whole pattern (* ? [set] \x).
bool match_wildcard(const char* name, const char* pattern, bool ignore_case);
