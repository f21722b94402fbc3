// Linked into every test program: gives the process a temporary directory of
// its own before any test runs, so tests of one program that ctest runs in
// parallel never share a scratch file or directory, whatever fixed names
// they use below the temporary directory. Removed when the process ends.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define process_id _getpid
#else
#include <unistd.h>
#define process_id getpid
#endif

namespace {

void set_variable(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

struct ProcessTempDir {
    std::filesystem::path path;

    ProcessTempDir()
    {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error)
            return;
        path = base / ("qel-test-" + std::to_string(process_id()));
        std::filesystem::remove_all(path, error);
        if (!std::filesystem::create_directories(path, error))
            return;
        std::string text = path.string();
        if (text.back() != '/' && text.back() != '\\')
            text += std::filesystem::path::preferred_separator;
        for (const char* name : {"TMPDIR", "TEST_TMPDIR", "TMP", "TEMP"})
            set_variable(name, text);
    }
    ~ProcessTempDir()
    {
        std::error_code error;
        std::filesystem::current_path(path.parent_path(), error);
        if (!path.empty())
            std::filesystem::remove_all(path, error);
    }
} process_temp_dir;

}  // namespace
