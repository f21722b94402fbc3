// The engine's argument-vector interface: options, archive name, entry
// patterns, "-d" and "-x", buffers, then the archive loop.
#include "engine/command.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/archive.h"
#include "engine/engine.h"
#include "engine/io.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"

namespace {

char any_entry[] = "*";
char* all_entries[] = {any_entry, nullptr};  // the pattern list when none is given

constexpr char USAGE_TEXT[] =
    "QEL Setup extraction engine 1.0, for ZIP archives.\n"
    "Usage: unzip %s[-opts[modifiers]] file[.zip] [list] [-x xlist] [-d exdir]\n"
    "  Extracts the entries named in list (all when none), less those in xlist,\n"
    "  below exdir; the archive name may hold wildcards.\n"
    "Actions:\n"
    "  -t  check every entry's data and CRC       -l  short listing\n"
    "  -v  detailed listing                       -z  archive comment alone\n"
    "  -c  entry data to standard output          -p  the same, binary and silent\n"
    "  -f  replace only files that exist          -u  replace older, create missing\n"
    "  -x  entries that follow are left out       -d  directory to extract below\n"
    "Modifiers:\n"
    "  -q  fewer messages (-qq: none)             -n  keep every existing file\n"
    "  -o  replace existing files, no questions   -a  text entries get CR LF lines\n"
    "  -aa every entry is text                    -b  every entry is binary\n"
    "  -j  names without their directories        -U  names keep their case\n"
    "  -V  keep version suffixes                  -$  set volume labels (-$$ fixed disks too)\n"
    "  -s  blanks in names become '_'             --x cancels a modifier x given earlier\n"
    "Examples:\n"
    "  unzip -v INSTALL.FIL                  list the setup archive\n"
    "  unzip -t INSTALL.FIL                  test it\n"
    "  unzip -o INSTALL.FIL *.DOC -d docs    put the documents in docs, replacing\n";

// Lowers *value by n without going below 0.
void lower_count(int32_t& value, int n)
{
    value = value > n ? value - n : 0;
}

// Applies one option letter; false marks the options invalid. negation is
// the pending count of '-' signs; it is cleared where the letter uses it.
bool apply_option(char letter, int& negation)
{
    EngineOptions& o = engine_options;
    const int n = negation;
    switch (letter) {
    case 'a': if (n) lower_count(o.text_level, n); else ++o.text_level; break;
    case 'b': if (!n) o.text_level = 0; break;
    case 'c': o.to_stdout = !n; break;
    case 'd': case 'e': case 'x': return true;  // ignored; the count stays
    case 'f': o.freshen = o.update = !n; break;
    case 'j': o.junk_paths = !n; break;
    case 'l': if (n) lower_count(o.list_level, n); else ++o.list_level; break;
    case 'n': o.never_overwrite = !n; break;
    case 'o':
        if (n) {
            lower_count(o.overwrite_all, n);
            lower_count(o.overwrite_force, n);
        } else {
            ++o.overwrite_all;
            ++o.overwrite_force;
        }
        break;
    case 'p':
        if (n) {
            o.to_stdout = 0;
            o.quiet_level = o.quiet_level - 999 > 0 ? o.quiet_level - 999 : 0;
        } else {
            o.to_stdout = 1;
            o.text_level = 0;
            o.quiet_level += 999;
        }
        break;
    case 'q': if (n) lower_count(o.quiet_level, n); else ++o.quiet_level; break;
    case 's': o.spaces_to_underscore = !n; break;
    case 't': o.test_only = !n; break;
    case 'u': o.update = !n; break;
    case 'U': o.keep_case = !n; break;
    case 'V': o.keep_versions = !n; break;
    case 'v': if (n) lower_count(o.list_level, n); else o.list_level = o.list_level == 0 ? 2 : o.list_level + 1; break;
    case 'z': if (n) o.comment_only -= n; else ++o.comment_only; break;
    case '$': if (n) lower_count(o.volume_labels, n); else ++o.volume_labels; break;
    default: return false;  // the count stays
    }
    negation = 0;
    return true;
}

bool options_conflict()
{
    const EngineOptions& o = engine_options;
    int actions = (o.to_stdout != 0) + (o.test_only != 0) + (o.update != 0) + (o.list_level != 0);
    return actions > 1 || (o.freshen && o.never_overwrite);
}

// Selection state of the arguments after the archive name (rest[0..count)).
// 0, or a result that ends the call (the -d directory cannot be made).
int take_selection(char** rest, int count)
{
    include_patterns = rest;
    include_count = count;
    exclude_patterns = nullptr;
    exclude_count = 0;
    int include_start = 0, exclude_start = 0;
    bool in_patterns = false, in_exclusions = false;
    bool include_closed = false;  // the pattern list already ends at a null slot
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(rest[i], "-d") == 0 && !engine_options.directory_given) {
            engine_options.directory_given = 1;
            if (in_patterns) {
                rest[i] = nullptr;
                include_count = i - include_start;
                in_patterns = false;
                include_closed = true;
            } else if (in_exclusions) {
                rest[i] = nullptr;
                exclude_count = i - exclude_start;
            }
            if (i + 1 >= count) {
                std::fputs("error:  must specify directory to which to extract with -d option\n", stderr);
                break;
            }
            if (engine_options.extracting) {
                create_directories = !engine_options.freshen;
                int rc = checkdir(rest[i + 1], SET_ROOT);
                if (rc > PATH_SKIP)
                    return rc;
            } else {
                std::fputs("caution:  not extracting; -d ignored\n", stderr);
            }
            if (i == 0) {
                if (i + 2 < count) {
                    include_start = i + 2;
                    include_patterns = rest + include_start;
                    include_count = count - include_start;
                } else {
                    process_all = 1;
                    include_patterns = all_entries;
                    include_count = 0;
                    break;
                }
            }
            ++i;  // the directory
        } else if (!in_exclusions) {
            if (std::strcmp(rest[i], "-x") == 0) {
                in_exclusions = true;
                if (i == 0 || (i == 2 && engine_options.directory_given)) {
                    include_patterns = all_entries;
                    include_count = 0;
                } else if (in_patterns) {
                    rest[i] = nullptr;
                    include_count = i - include_start;
                    in_patterns = false;
                }
                include_closed = true;
                exclude_start = i + 1;
                exclude_patterns = rest + exclude_start;
                exclude_count = count - exclude_start;
            } else if (!include_closed) {
                in_patterns = true;
            }
        }
    }
    return 0;
}

void install_signal_handlers()
{
    std::signal(SIGINT, signal_handler);
    std::signal(SIGTERM, signal_handler);
#ifndef QEL_FUZZING
    // Under the fuzzer the sanitizer's own handler must see a fault, so that
    // it reports it and the input is kept.
    std::signal(SIGSEGV, signal_handler);
#endif
}

bool begins_with_ii(const char* text)
{
    return (text[0] == 'i' || text[0] == 'I') && (text[1] == 'i' || text[1] == 'I');
}

}  // namespace

int show_usage(bool invalid)
{
    std::fprintf(invalid ? stderr : stdout, USAGE_TEXT, "[-Z] ");
    return invalid ? RC_PARAM : RC_OK;
}

int parse_options(int& argc, char**& argv)
{
    int negation = 0;
    bool invalid = false;
    --argc;
    ++argv;
    for (; argc > 0 && argv[0][0] == '-'; --argc, ++argv)
        for (const char* s = argv[0] + 1; *s; ++s) {
            if (*s == '-')
                ++negation;
            else if (!apply_option(*s, negation))
                invalid = true;
        }
    if (options_conflict()) {
        std::fputs("error:  -fn or any combination of -c, -l, -p, -t, -u and -v options invalid\n", stderr);
        invalid = true;
    }
    if (engine_options.text_level > 2)
        engine_options.text_level = 2;
    if (engine_options.overwrite_all && engine_options.never_overwrite) {
        std::fputs("caution:  both -n and -o specified; ignoring -o\n", stderr);
        engine_options.overwrite_all = 0;
    }
    if (argc <= 0 || invalid)
        return show_usage(invalid);
    --argc;  // from here: the arguments after the archive name
    engine_options.extracting =
        !engine_options.to_stdout && !engine_options.test_only && !engine_options.list_level;
    return 0;
}

int engine_main(int argc, char** argv)
{
    engine_options = EngineOptions{};
    process_all = 0;
    install_signal_handlers();

    const char* program = argc > 0 && argv[0] ? argv[0] : "";
    if (const char* slash = std::strrchr(program, '/'))
        program = slash + 1;
    if (begins_with_ii(program) || (argc > 1 && std::strncmp(argv[1], "-Z", 2) == 0)) {
        // The alternative listing mode is not provided.
        engine_options.alt_listing_mode = 1;
        return show_usage(true);
    }
    int rc = parse_options(argc, argv);
    if (rc != 0 || argv[0] == nullptr)
        return rc;

    for (int k = 0; k <= argc; ++k)
        for (char* p = argv[k]; *p; ++p)
            if (*p == '\\')
                *p = '/';
    archive_spec = argv[0];
    if (argc == 0) {
        process_all = 1;
        include_patterns = all_entries;
        include_count = 0;
        exclude_patterns = nullptr;
        exclude_count = 0;
    } else {
        rc = take_selection(argv + 1, argc);
        if (rc != 0)
            return rc;
    }

    input_buffer = static_cast<uint8_t*>(std::malloc(INPUT_BUFFER_SIZE));
    output_buffer = static_cast<uint8_t*>(std::malloc(OUTPUT_BUFFER_SIZE));
    if (input_buffer == nullptr || output_buffer == nullptr) {
        std::fputs("error:  can't allocate unzip buffers\n", stderr);
        std::free(input_buffer);
        std::free(output_buffer);
        input_buffer = output_buffer = nullptr;
        char unused[1] = {0};
        checkdir(unused, FREE_ROOT);
        return RC_MEM;
    }
    boundary_bytes = input_buffer + INPUT_BLOCK;
    return process_archives();
}
