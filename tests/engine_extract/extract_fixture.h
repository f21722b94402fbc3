// Shared set-up of the extraction tests: a fresh directory per test, engine
// calls with captured output, and small file helpers.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/zip_writer.h"

struct EngineRun {
    int result = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Calls engine_main with "unzip" followed by args, capturing both streams.
EngineRun run_engine(const std::vector<std::string>& args);

// Sets a file's modification time (seconds since 1970 UTC).
bool set_file_time(const std::string& path, int64_t seconds);
bool file_exists(const std::string& path);

// Text of n bytes whose content depends on the seed: repetitive enough to
// compress, varied enough that misplaced bytes show.
std::string sample_data(size_t size, unsigned seed = 1);

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file in the test's directory ('/' separators).
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    // Writes the archive as name in the test directory; its path.
    std::string write_archive(ZipArchive& zip, const std::string& name = "test.zip");
    // The installer's call: -qq -j <archive> <entry> -d <directory>.
    EngineRun install_entry(const std::string& archive, const std::string& entry, const std::string& directory);

    std::string dir_;
};
