#include "tests/engine_extract/extract_fixture.h"

#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>

#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

#include "tests/support/engine_capture.h"
#include "engine/extract.h"
#include "installer/settings.h"
#include "windowlayer/headless/headless.h"

namespace fs = std::filesystem;

EngineRun run_engine(const std::vector<std::string>& args)
{
    CapturedRun captured = run_engine_captured(args);
    return {captured.result, std::move(captured.out), std::move(captured.err)};
}

bool set_file_time(const std::string& path, int64_t seconds)
{
#ifdef _WIN32
    struct _utimbuf times{};
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    return _utime(path.c_str(), &times) == 0;
#else
    struct utimbuf times{};
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    return utime(path.c_str(), &times) == 0;
#endif
}

bool file_exists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

std::string sample_data(size_t size, unsigned seed)
{
    std::string s;
    s.reserve(size + 64);
    uint32_t state = seed * 2654435761u + 1;
    while (s.size() < size) {
        state = state * 1103515245u + 12345u;
        s += "record " + std::to_string((state >> 8) % 5000) + " value " + std::to_string(state % 97) + "\n";
    }
    s.resize(size);
    return s;
}

void ExtractTest::SetUp()
{
    static std::atomic<int> counter{0};
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path base = fs::temp_directory_path() / "qel_extract_tests";
    std::string leaf = std::string(info->test_suite_name()) + "." + info->name() + "." + std::to_string(++counter);
    for (char& c : leaf)
        if (c == '/')
            c = '_';
    fs::path dir = base / leaf;
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    fs::create_directories(dir, ignored);
    dir_ = dir.generic_string();

    headless_reset();
    reset_install_settings();
    options_overwrite_always = 0;
    options_overwrite_never = 0;
}

void ExtractTest::TearDown()
{
    std::error_code ignored;
    if (!HasFailure())
        fs::remove_all(dir_, ignored);
}

std::string ExtractTest::write_archive(ZipArchive& zip, const std::string& name)
{
    std::string archive = path(name);
    EXPECT_TRUE(zip.write_file(archive));
    return archive;
}

EngineRun ExtractTest::install_entry(const std::string& archive, const std::string& entry,
                                     const std::string& directory)
{
    return run_engine({"-qq", "-j", archive, entry, "-d", directory});
}
