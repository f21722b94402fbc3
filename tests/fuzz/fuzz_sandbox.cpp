#include "tests/fuzz/fuzz_sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "engine/engine.h"
#include "installer/settings.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const char* what, const std::string& path)
{
    std::fprintf(stderr, "sandbox violated: %s: %s\n", what, path.c_str());
    std::abort();
}

FuzzSandbox make_sandbox()
{
    char pattern[] = "/tmp/qelfuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        fail("mkdtemp", pattern);
    FuzzSandbox box;
    box.root = pattern;
    box.base = box.root + "/n1/n2/n3/base";
    box.cwd = box.base + "/cwd";
    box.archive = box.base + "/in.zip";
    box.out = box.base + "/out";
    std::error_code error;
    fs::create_directories(box.cwd, error);
    fs::create_directories(box.out, error);
    if (chdir(box.cwd.c_str()) != 0)
        fail("chdir", box.cwd);
    return box;
}

bool is_sandbox_directory(const FuzzSandbox& box, const std::string& path)
{
    for (const std::string& own : {box.root + "/n1", box.root + "/n1/n2", box.root + "/n1/n2/n3",
                                   box.base, box.cwd, box.out})
        if (path == own)
            return true;
    return false;
}

bool is_under(const std::string& path, const std::string& directory)
{
    return path.size() > directory.size() && path.compare(0, directory.size(), directory) == 0 &&
           path[directory.size()] == '/';
}

}  // namespace

const FuzzSandbox& fuzz_sandbox()
{
    static const FuzzSandbox box = make_sandbox();
    return box;
}

void write_archive(const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(fuzz_sandbox().archive.c_str(), "wb");
    if (file == nullptr)
        fail("create", fuzz_sandbox().archive);
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}

void empty_extraction_root()
{
    std::error_code error;
    const std::string& out = fuzz_sandbox().out;
    // Extracted files may be read-only; make them removable first.
    for (auto it = fs::recursive_directory_iterator(out, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    for (auto& entry : fs::directory_iterator(out, error))
        fs::remove_all(entry.path(), error);
}

void check_sandbox_intact()
{
    const FuzzSandbox& box = fuzz_sandbox();
    std::error_code error;
    uintmax_t written = 0;
    for (auto it = fs::recursive_directory_iterator(box.root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        std::string path = it->path().string();
        if (it->is_symlink(error))
            fail("symbolic link", path);
        if (is_under(path, box.out)) {
            if (it->is_regular_file(error))
                written += it->file_size(error);
            if (written > OUTPUT_LIMIT)
                fail("more output than any input of the fuzzed size can hold", box.out);
            continue;
        }
        if (path == box.archive || is_sandbox_directory(box, path))
            continue;
        fail("written outside the extraction root", path);
    }
}

int run_engine(std::initializer_list<const char*> words)
{
    std::vector<std::vector<char>> storage;
    storage.emplace_back(std::vector<char>{'u', 'n', 'z', 'i', 'p', '\0'});
    for (const char* word : words)
        storage.emplace_back(word, word + std::strlen(word) + 1);
    std::vector<char*> argv;
    for (auto& text : storage)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    reset_entry_table();
    return engine_main(static_cast<int>(storage.size()), argv.data());
}
