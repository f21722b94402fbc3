// A scratch directory that is the current directory for one test, and a
// clean engine state for the file layer.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "engine/io.h"
#include "engine/options.h"
#include "engine/platform/file_layer.h"
#include "engine/records.h"

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        previous_dir_ = fs::current_path(ec);
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("qel_platform_") + info->test_suite_name() + "_" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        scratch_ = fs::temp_directory_path(ec) / name;
        fs::remove_all(scratch_, ec);
        ASSERT_TRUE(fs::create_directories(scratch_, ec)) << ec.message();
        fs::current_path(scratch_, ec);
        ASSERT_FALSE(ec) << ec.message();

        engine_options = {};
        entry_ = {};
        current_entry = &entry_;
        local_header = {};
        central_header = {};
        checkdir(nullptr, FREE_ROOT);
    }

    void TearDown() override
    {
        namespace fs = std::filesystem;
        checkdir(nullptr, FREE_ROOT);
        current_entry = entry_block;
        std::error_code ec;
        fs::current_path(previous_dir_, ec);
        // Read-only files must be writable again before they can go.
        for (auto it = fs::recursive_directory_iterator(scratch_, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove_all(scratch_, ec);
    }

    // Sets the extraction root as the command interface does for "-d".
    int set_root(const char* directory, bool may_create = true)
    {
        create_directories = may_create;
        std::snprintf(root_text_, sizeof root_text_, "%s", directory);
        return checkdir(root_text_, SET_ROOT);
    }

    // Maps one entry name; the output path is left in entry_name.
    int map(const std::string& name)
    {
        std::snprintf(entry_name, sizeof entry_name, "%s", name.c_str());
        return mapname(0);
    }

    static bool is_dir(const std::string& path)
    {
        std::error_code ec;
        return std::filesystem::is_directory(path, ec);
    }

    static bool exists(const std::string& path)
    {
        std::error_code ec;
        return std::filesystem::exists(path, ec);
    }

    static void make_file(const std::string& path, const std::string& content = "x")
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << path;
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }

    std::filesystem::path previous_dir_;
    std::filesystem::path scratch_;
    CurrentEntry entry_{};
    char root_text_[1024];
};
