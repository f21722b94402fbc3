// Entry names to output paths: the extraction root, directory creation level
// by level, 8.3 mapping where the file system refuses a long name, volume
// labels, and the expansion of wildcard archive names. Everything here is
// portable; the system calls sit behind the operations declared at the end
// of file_layer.h (posix/ and win32/).
#include "engine/platform/file_layer.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/options.h"
#include "engine/records.h"

PathBuilder path_builder = {};
bool create_directories = true;

namespace {

// ---- path buffers ----

void release_paths()
{
    std::free(path_builder.long_path);
    std::free(path_builder.mapped_path);
    path_builder.long_path = nullptr;
    path_builder.mapped_path = nullptr;
    path_builder.long_end = 0;
    path_builder.mapped_end = 0;
    path_builder.path_capacity = 0;
}

// Appends text at *end of buffer, keeping at most max_chars characters in it.
// Returns false (and appends as much as fits) when the text does not fit.
bool append_bounded(char* buffer, int* end, int max_chars, const char* text)
{
    bool fits = true;
    for (; *text; ++text) {
        if (*end >= max_chars) {
            fits = false;
            break;
        }
        buffer[(*end)++] = *text;
    }
    buffer[*end] = '\0';
    return fits;
}

bool has_drive(const char* text)
{
    return DRIVE_LETTERS && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
}

// ---- checkdir modes ----

int free_root()
{
    if (path_builder.root_length > 0)
        std::free(path_builder.root);
    path_builder.root = nullptr;
    path_builder.root_length = 0;
    return PATH_OK;
}

int set_root(char* text)
{
    free_root();
    if (text == nullptr)
        return PATH_OK;
    int length = static_cast<int>(std::strlen(text));
    if (length == 0)
        return PATH_OK;
    bool drive = has_drive(text);
    bool had_slash = text[length - 1] == '/';
    if (had_slash)
        text[--length] = '\0';
    bool bare_drive = drive && length == 2;
    // The root and at least one component must fit an output path.
    if (length + 1 > DIR_MAX_CHARS) {
        std::fprintf(stderr, "checkdir error:  path too long: %s\n", text);
        std::fflush(stderr);
        return PATH_FAILED;
    }
    // "/" alone means the top directory; it always exists.
    if (!bare_drive && length > 0 && path_kind(text) != PATH_KIND_DIRECTORY) {
        if (!create_directories)
            return PATH_SKIP;
        if (!make_directory(text)) {
            std::fprintf(stderr, "checkdir:  can't create extraction directory: %s\n", text);
            std::fflush(stderr);
            return PATH_FAILED;
        }
    }
    int size = length + ((bare_drive && !had_slash) ? 3 : 2);
    char* root = static_cast<char*>(std::malloc(size));
    if (root == nullptr)
        return PATH_NO_MEMORY;
    // A bare "c:" means that drive's current directory, "c:/" its top.
    std::snprintf(root, size, "%s%s/", text, (bare_drive && !had_slash) ? "." : "");
    path_builder.root = root;
    path_builder.root_length = static_cast<int>(std::strlen(root));
    return PATH_OK;
}

// Picks the drive a volume label goes to; PATH_OK when it is to be applied.
int choose_label_drive()
{
    // Systems without drive letters have no volume labels to set.
    if (!DRIVE_LETTERS)
        return PATH_VOLUME_LABEL;
    int letter;
    if (path_builder.root_length > 1 && path_builder.root[1] == ':') {
        letter = std::tolower(static_cast<unsigned char>(path_builder.root[0]));
    } else {
        char cwd[PATH_MAX_CHARS];
        if (!current_directory(cwd, sizeof cwd)) {
            std::fprintf(stderr, "checkdir warning: current dir path too long\n");
            // Skipped rather than written under its stored name, which would
            // bypass every check on the name.
            return PATH_SKIP;
        }
        letter = std::tolower(static_cast<unsigned char>(cwd[0]));
    }
    path_builder.label_drive = letter - 'a' + 1;
    int count = engine_options.volume_labels;
    if (count <= 0 || letter < 'a' || letter > 'z' ||
        (count == 1 && !is_removable_drive(path_builder.label_drive)))
        return PATH_VOLUME_LABEL;
    return PATH_OK;
}

int begin_path()
{
    release_paths();
    // Room for root and name, plus one character per component that 8.3
    // mapping may add; never less than a full output path.
    int name_length = path_builder.entry_name_length;
    int capacity = path_builder.root_length + name_length + name_length / 2 + 4;
    if (capacity < PATH_MAX_CHARS + 2)
        capacity = PATH_MAX_CHARS + 2;
    path_builder.long_path = static_cast<char*>(std::calloc(capacity, 1));
    path_builder.mapped_path = static_cast<char*>(std::calloc(capacity, 1));
    if (path_builder.long_path == nullptr || path_builder.mapped_path == nullptr) {
        release_paths();
        return PATH_NO_MEMORY;
    }
    path_builder.path_capacity = capacity;
    if (current_entry->is_volume_label) {
        int rc = choose_label_drive();
        if (rc != PATH_OK) {
            release_paths();
            return rc;
        }
    } else if (path_builder.root_length > 0) {
        append_bounded(path_builder.long_path, &path_builder.long_end, capacity - 1, path_builder.root);
    }
    append_bounded(path_builder.mapped_path, &path_builder.mapped_end, capacity - 1, path_builder.long_path);
    return PATH_OK;
}

// Appends one component to mapped_path, in 8.3 form when the file system
// refuses the long path; keeps at most max_chars characters.
void append_mapped(const char* component, bool keep_long, int max_chars)
{
    PathBuilder& pb = path_builder;
    if (keep_long) {
        append_bounded(pb.mapped_path, &pb.mapped_end, max_chars, component);
        return;
    }
    char* end = map_to_fat_name(component, pb.mapped_path + pb.mapped_end, pb.mapped_path + max_chars + 1);
    pb.mapped_end = static_cast<int>(end - pb.mapped_path);
}

int add_dir(const char* component)
{
    PathBuilder& pb = path_builder;
    int max_chars = pb.path_capacity - 2;  // room for the closing '/'
    bool fits = append_bounded(pb.long_path, &pb.long_end, max_chars, component);
    append_mapped(component, long_name_allowed(pb.long_path), max_chars);
    // 8.3 mapping may lengthen mapped_path; it must fit entry_name as well.
    bool too_long = !fits || pb.long_end > DIR_MAX_CHARS || pb.mapped_end > DIR_MAX_CHARS;

    int kind = path_kind(pb.mapped_path);
    if (kind == PATH_KIND_MISSING) {
        if (!create_directories) {
            release_paths();
            return PATH_SKIP;
        }
        if (!too_long) {
            if (!make_directory(pb.mapped_path)) {
                std::fprintf(stderr, "checkdir error:  can't create %s\n                 unable to process %s.\n",
                             pb.mapped_path, entry_name);
                std::fflush(stderr);
                release_paths();
                return PATH_FAILED;
            }
            pb.directory_created = true;
        }
    } else if (kind == PATH_KIND_OTHER) {
        std::fprintf(stderr, "checkdir error:  %s exists but is not directory\n                 unable to process %s.\n",
                     pb.mapped_path, entry_name);
        std::fflush(stderr);
        release_paths();
        return PATH_FAILED;
    }
    if (too_long) {
        std::fprintf(stderr, "checkdir error:  path too long: %s\n", pb.long_path);
        std::fflush(stderr);
        release_paths();
        return PATH_TOO_LONG;
    }
    append_bounded(pb.long_path, &pb.long_end, pb.path_capacity - 1, "/");
    append_bounded(pb.mapped_path, &pb.mapped_end, pb.path_capacity - 1, "/");
    return PATH_OK;
}

int add_name(const char* name)
{
    PathBuilder& pb = path_builder;
    int limit = pb.path_capacity - 1 < PATH_MAX_CHARS ? pb.path_capacity - 1 : PATH_MAX_CHARS;
    int rc = PATH_OK;
    for (const char* p = name; *p; ++p) {
        if (pb.long_end >= limit) {
            // One warning per character beyond the limit, as users of the
            // long-standing format know it.
            std::fprintf(stderr,
                         "checkdir warning:  path too long; truncating\n                   %s\n"
                         "                -> %s\n",
                         entry_name, pb.long_path);
            std::fflush(stderr);
            rc = PATH_TRUNCATED;
            continue;
        }
        pb.long_path[pb.long_end++] = *p;
        pb.long_path[pb.long_end] = '\0';
    }
    bool keep_long = current_entry->is_volume_label || long_name_allowed(pb.long_path);
    append_mapped(name, keep_long, limit);
    return rc;
}

int take_path(char* destination)
{
    if (destination != nullptr && path_builder.mapped_path != nullptr)
        std::snprintf(destination, ENTRY_NAME_SIZE, "%s", path_builder.mapped_path);
    release_paths();
    return PATH_OK;
}

}  // namespace

int checkdir(char* text, int mode)
{
    switch (mode) {
    case SET_ROOT: return set_root(text);
    case BEGIN_PATH: return begin_path();
    case ADD_DIR: return path_builder.long_path ? add_dir(text) : PATH_FAILED;
    case ADD_NAME: return path_builder.long_path ? add_name(text) : PATH_FAILED;
    case TAKE_PATH: return take_path(text);
    case FREE_ROOT: return free_root();
    default: return PATH_FAILED;
    }
}

// ---- mapname ----

namespace {

// Collection state of the component being scanned.
struct NameScan {
    char component[COMPONENT_SIZE];
    int length;
    int version_mark;     // position of the last ';' in the component, or -1
    bool unsafe_dropped;  // an absolute prefix or ".." component was dropped
    int fat_volume;       // -1 not asked yet
    bool any_kept;        // a component has been kept (for the drive check)
};

void add_char(NameScan& scan, char c)
{
    if (scan.length < COMPONENT_SIZE - 1)
        scan.component[scan.length++] = c;
    scan.component[scan.length] = '\0';
}

bool space_becomes_underscore(NameScan& scan)
{
    if (engine_options.spaces_to_underscore)
        return true;
    if (scan.fat_volume < 0)
        scan.fat_volume = is_fat_volume(entry_name) ? 1 : 0;
    return scan.fat_volume == 1;
}

// A component that names the parent directory, also in the forms Windows
// trims to "..": nothing but dots and spaces, with at least two dots.
bool is_parent_reference(const char* component)
{
    int dots = 0;
    for (const char* p = component; *p; ++p) {
        if (*p == '.')
            ++dots;
        else if (*p != ' ')
            return false;
    }
    return dots >= 2;
}

// Empty and "." components add nothing; parent references would climb out
// of the extraction root and are dropped with a warning.
bool component_is_kept(NameScan& scan)
{
    if (scan.length == 0 || std::strcmp(scan.component, ".") == 0)
        return false;
    if (is_parent_reference(scan.component)) {
        scan.unsafe_dropped = true;
        return false;
    }
    return true;
}

// Where scanning starts: with -j after the last separator; an absolute
// prefix (drive, leading separators) is never part of the output path.
const char* scan_start(NameScan& scan)
{
    const char* start = entry_name;
    if (engine_options.junk_paths) {
        for (const char* p = entry_name; *p; ++p)
            if (*p == '/' || *p == '\\')
                start = p + 1;
    }
    if (std::isalpha(static_cast<unsigned char>(start[0])) && start[1] == ':') {
        start += 2;
        scan.unsafe_dropped = true;
    }
    while (*start == '/' || *start == '\\') {
        ++start;
        scan.unsafe_dropped = true;
    }
    return start;
}

void add_quoted_char(NameScan& scan, char c)
{
    // A quoted separator would still split the path on disk and could
    // smuggle ".." past the checks; a quoted ':' right after a first
    // letter of a path without root would make it drive-relative.
    if (c == '/' || c == '\\')
        c = '_';
    else if (c == ':' && DRIVE_LETTERS && scan.length == 1 && !scan.any_kept && path_builder.root_length == 0)
        c = '_';
    add_char(scan, c);
}

int end_directory_component(NameScan& scan)
{
    int rc = PATH_OK;
    // A label has no directory part: nothing is created for it.
    if (component_is_kept(scan) && !current_entry->is_volume_label) {
        rc = checkdir(scan.component, ADD_DIR);
        scan.any_kept = true;
    }
    scan.length = 0;
    scan.component[0] = '\0';
    scan.version_mark = -1;
    return rc;
}

// Collects the components of entry_name into the path builder; the last
// component stays in scan.component. Returns a result above 1 on failure.
int scan_name(NameScan& scan)
{
    for (const char* p = scan_start(scan); *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == CTRL_V && p[1] != '\0') {
            add_quoted_char(scan, *++p);
        } else if (c == '/' || c == '\\') {
            int rc = end_directory_component(scan);
            if (rc > PATH_TRUNCATED)
                return rc;
        } else if (c == ':') {
            add_char(scan, '_');
        } else if (c == ';') {
            scan.version_mark = scan.length;
            add_char(scan, ';');
        } else if (c == ' ') {
            add_char(scan, space_becomes_underscore(scan) ? '_' : ' ');
        } else if ((c >= 32 && c <= 126) || (c >= 128 && c <= 254)) {
            add_char(scan, static_cast<char>(c));
        }
    }
    return PATH_OK;
}

// Cuts a version suffix (";" followed by digits only) off the last component.
void cut_version_suffix(NameScan& scan)
{
    if (engine_options.keep_versions || scan.version_mark < 0)
        return;
    for (int i = scan.version_mark + 1; i < scan.length; ++i)
        if (!std::isdigit(static_cast<unsigned char>(scan.component[i])))
            return;
    scan.length = scan.version_mark;
    scan.component[scan.length] = '\0';
}

int finish_directory_entry()
{
    checkdir(entry_name, TAKE_PATH);
    if (path_builder.directory_created && engine_options.quiet_level == 0) {
        std::printf("   creating: %-22s\n", entry_name);
        return PATH_DIR_CREATED;
    }
    return PATH_SKIP;
}

int apply_volume_label()
{
    char drive_text[3] = {static_cast<char>('a' + path_builder.label_drive - 1), ':', '\0'};
    if (engine_options.quiet_level == 0)
        std::printf("labelling %s %-22s\n", drive_text, entry_name);
    if (!set_volume_label(drive_text, entry_name)) {
        std::fprintf(stderr, "mapname:  error setting volume label\n");
        return PATH_FAILED;
    }
    return PATH_SKIP;
}

}  // namespace

int mapname(int renamed)
{
    (void)renamed;  // names are never changed interactively here
    create_directories = !engine_options.freshen;
    path_builder.directory_created = false;
    entry_name[ENTRY_NAME_SIZE - 1] = '\0';
    path_builder.entry_name_length = static_cast<int>(std::strlen(entry_name));
    int rc = checkdir(nullptr, BEGIN_PATH);
    if (rc != PATH_OK)
        return rc;

    NameScan scan{};
    scan.version_mark = -1;
    scan.fat_volume = -1;
    rc = scan_name(scan);
    if (rc <= PATH_TRUNCATED) {
        cut_version_suffix(scan);
        if (!component_is_kept(scan)) {
            scan.length = 0;
            scan.component[0] = '\0';
        }
    }
    if (scan.unsafe_dropped) {
        std::fprintf(stderr, "mapname warning:  absolute or \"..\" path components dropped from %s\n", entry_name);
        std::fflush(stderr);
    }
    if (rc > PATH_TRUNCATED)
        return rc;

    int name_length = path_builder.entry_name_length;
    if (name_length > 0 && (entry_name[name_length - 1] == '/' || entry_name[name_length - 1] == '\\'))
        return finish_directory_entry();
    if (scan.length == 0) {
        std::fprintf(stderr, "mapname:  conversion of %s failed\n", entry_name);
        release_paths();
        return PATH_FAILED;
    }
    checkdir(scan.component, ADD_NAME);  // a truncation was reported already
    checkdir(entry_name, TAKE_PATH);
    if (current_entry->is_volume_label)
        return apply_volume_label();
    return scan.unsafe_dropped ? PATH_TRUNCATED : PATH_OK;
}

// ---- 8.3 names ----

char* map_to_fat_name(const char* component, char* end, const char* limit)
{
    char out[COMPONENT_SIZE + 2];
    int n = 0;
    int last_dot = -1;
    bool leading_dot = false;
    bool two_dots = std::strcmp(component, "..") == 0;
    for (int i = 0; component[i] != '\0' && n < COMPONENT_SIZE; ++i) {
        char c = component[i];
        if (c == '[' || c == ']') {
            out[n++] = '_';
            continue;
        }
        if (c != '.') {
            out[n++] = c;
            continue;
        }
        if (n == 0) {
            if (component[i + 1] == '\0')
                continue;  // a lone dot maps to nothing
            if (two_dots) {
                out[n++] = '.';
                continue;
            }
            out[n++] = '_';  // ".exrc" keeps a visible first character
            leading_dot = true;
        } else if (leading_dot) {
            // A second dot: the leading one was only a prefix; drop its twin.
            leading_dot = false;
            std::memmove(out + 1, out + 2, n - 2);
            --n;
        }
        last_dot = n;
        out[n++] = '_';
    }

    if (last_dot < 0) {
        int u = n - 1;
        while (u >= 0 && out[u] != '_')
            --u;
        if (u >= 0) {
            // A late '_' may stand for the dot of a name like "file_name".
            int r = n - u - 1;
            if ((u < 8 ? u : 8) + (r < 3 ? r : 3) > 8)
                last_dot = u;
        }
        if (last_dot < 0 && n > 8)
            n = 8;
    }
    if (last_dot >= 0) {
        out[last_dot] = '.';
        int after = n - last_dot - 1;
        if (last_dot > 8) {
            int keep = after < 3 ? after : 3;
            std::memmove(out + 8, out + last_dot, 1 + keep);
            n = 9 + keep;
        } else if (after > 3) {
            n = last_dot + 4;
        }
    }

    int room = static_cast<int>(limit - end) - 1;
    if (room < 0)
        return end;
    if (n > room)
        n = room;
    std::memcpy(end, out, n);
    end[n] = '\0';
    return end + n;
}

// ---- attributes ----

void map_attributes()
{
    current_entry->file_attributes = static_cast<int32_t>((central_header.external_attributes & 0xFF) | 0x20);
}

// ---- wildcard archive names ----

namespace {

struct ArchiveNameScan {
    bool first_call = true;
    DirScan* scan = nullptr;
    const char* wildcard = nullptr;  // points into the caller's spec
    const char* directory = ".";
    int directory_length = 1;
    bool directory_owned = false;
    char result[ARCHIVE_NAME_SIZE];
};

ArchiveNameScan archive_scan;

// The archive loop may append ".zip" (four characters) in place.
constexpr int ARCHIVE_SUFFIX_ROOM = 4;

void reset_archive_scan()
{
    if (archive_scan.scan != nullptr)
        close_dir_scan(archive_scan.scan);
    archive_scan.scan = nullptr;
    if (archive_scan.directory_owned)
        std::free(const_cast<char*>(archive_scan.directory));
    archive_scan.directory = ".";
    archive_scan.directory_length = 1;
    archive_scan.directory_owned = false;
    archive_scan.first_call = true;
}

// Next matching name of the open scan as a full name, or null at its end.
const char* next_match()
{
    ArchiveNameScan& a = archive_scan;
    bool plain = !a.directory_owned;
    while (read_dir_scan(a.scan) != nullptr) {
        const char* name = a.scan->name;
        if (!match_wildcard(name, a.wildcard, true))
            continue;
        int prefix = plain ? 0 : a.directory_length;
        int length = prefix + static_cast<int>(std::strlen(name));
        if (length + ARCHIVE_SUFFIX_ROOM + 1 > ARCHIVE_NAME_SIZE)
            continue;  // could not be named in full; skipped
        std::snprintf(a.result, sizeof a.result, "%.*s%s", prefix, a.directory, name);
        return a.result;
    }
    return nullptr;
}

// Splits the archive spec into directory and wildcard part; false when the
// directory part cannot be copied.
bool split_spec(const char* spec)
{
    const char* separator = std::strrchr(spec, '/');
    if (separator == nullptr && DRIVE_LETTERS)
        separator = std::strrchr(spec, ':');
    if (separator == nullptr) {
        archive_scan.wildcard = spec;
        return true;
    }
    int length = static_cast<int>(separator - spec) + 1;
    char* directory = static_cast<char*>(std::malloc(length + 1));
    if (directory == nullptr)
        return false;
    std::memcpy(directory, spec, length);
    directory[length] = '\0';
    archive_scan.directory = directory;
    archive_scan.directory_length = length;
    archive_scan.directory_owned = true;
    archive_scan.wildcard = separator + 1;
    return true;
}

}  // namespace

const char* next_archive_name(const char* spec)
{
    ArchiveNameScan& a = archive_scan;
    if (spec == nullptr)
        return nullptr;
    if (!a.first_call) {
        const char* found = a.scan != nullptr ? next_match() : nullptr;
        if (found == nullptr)
            reset_archive_scan();
        return found;
    }
    a.first_call = false;
    if (!split_spec(spec)) {
        std::fprintf(stderr, "warning:  can't allocate wildcard buffers\n");
        return spec;
    }
    a.scan = open_dir_scan(a.directory);
    const char* found = a.scan != nullptr ? next_match() : nullptr;
    if (found != nullptr)
        return found;
    // Nothing matched: the archive spec is handed out once so that opening it
    // reports the missing archive.
    if (a.scan != nullptr)
        close_dir_scan(a.scan);
    a.scan = nullptr;
    return spec;
}
