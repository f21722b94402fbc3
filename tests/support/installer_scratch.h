// Scratch directories and files for the installer's tests, native and under
// wine. Paths come back in the platform's own form (backslashes on Windows).
#pragma once
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

class ScratchDirectory {
public:
    ScratchDirectory()
    {
        static std::atomic<unsigned> counter{0};
        std::error_code error;
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = std::filesystem::temp_directory_path(error) /
                ("qel-front-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(root_, error);
    }
    ~ScratchDirectory()
    {
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string path() const { return root_.string(); }
    // relative uses '/' between components.
    std::string file(const std::string& relative) const { return (root_ / relative).make_preferred().string(); }

    // Writes bytes exactly as given (binary), creating parent directories.
    void write(const std::string& relative, const std::string& contents) const
    {
        std::filesystem::path target = root_ / relative;
        std::error_code error;
        std::filesystem::create_directories(target.parent_path(), error);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }
    void make_directory(const std::string& relative) const
    {
        std::error_code error;
        std::filesystem::create_directories(root_ / relative, error);
    }

private:
    std::filesystem::path root_;
};

// Restores the current directory that was in force when it was made.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard()
    {
        std::error_code error;
        saved_ = std::filesystem::current_path(error);
    }
    ~CurrentDirectoryGuard()
    {
        std::error_code error;
        std::filesystem::current_path(saved_, error);
    }
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::filesystem::path saved_;
};
