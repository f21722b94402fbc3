// Faults while extracting: a full disk answered "y" (skip the rest of that
// entry, go on) or otherwise (stop with 50), a failing read of the archive,
// and read-only targets. In every case what was extracted before stays.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/options.h"
#include "tests/support/engine_capture.h"
#include "tests/support/installer_scratch.h"
#include "tests/support/zip_writer.h"

namespace fs = std::filesystem;

namespace {

class WriteFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::error_code ec;
        root_ = scratch_.path();
        target_ = root_ / "target";
        ASSERT_TRUE(fs::create_directories(target_, ec)) << ec.message();
        archive_ = (root_ / "faults.zip").string();
    }
    // Read-only files are made writable so that the scratch directory can go.
    void TearDown() override
    {
        std::error_code ec;
        for (const auto& item : fs::recursive_directory_iterator(root_, ec))
            fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    std::string in_target(const std::string& name) const { return (target_ / name).string(); }

    ScratchDirectory scratch_;
    fs::path root_;
    fs::path target_;
    std::string archive_;
};

// A read-only file in the way is replaced, whether options settle the
// matter (-o) or the installer's call (no options) replaces it unasked.
TEST_F(WriteFaults, ReadOnlyTargetIsReplaced)
{
    struct Call {
        const char* label;
        std::vector<std::string> args;  // %A archive, %D target
    };
    const Call calls[] = {
        {"overwrite option", {"-o", "%A", "-d", "%D"}},
        {"installer call", {"-qq", "-j", "%A", "locked.txt", "-d", "%D"}},
    };
    ZipArchive zip;
    zip.add("locked.txt", "new content\n");
    ASSERT_TRUE(zip.write_file(archive_));
    for (const Call& call : calls) {
        std::string file = in_target("locked.txt");
        ASSERT_TRUE(write_bytes(file, "old content that is longer\n"));
        std::error_code ec;
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                        fs::perm_options::replace, ec);
        ASSERT_FALSE(ec) << ec.message();

        std::vector<std::string> args;
        for (const std::string& word : call.args)
            args.push_back(word == "%A" ? archive_ : word == "%D" ? target_.string() : word);
        CapturedRun run = run_engine_captured(args);

        EXPECT_EQ(run.result, RC_OK) << call.label << "\n" << run.err;
        EXPECT_EQ(read_bytes(file), "new content\n") << call.label;
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ec);
    }
}

}  // namespace

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/syscall.h>

#include <cerrno>
#include <csignal>

#include "engine/io.h"

namespace {

// Lowers the file size limit for the process while alive, as a full disk
// would: writes past it fail (SIGXFSZ is ignored, so they fail with EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }

private:
    rlimit saved_{};
    void (*previous_handler_)(int) = nullptr;
};

constexpr rlim_t DISK_ROOM = 64 * 1024;

// first.txt fits, big.bin does not, after.txt comes afterwards.
void write_disk_full_archive(const std::string& path)
{
    std::string big(200 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 23);
    ZipArchive zip;
    zip.add("first.txt", "extracted before the disk filled\n");
    zip.add("big.bin", big);
    zip.add("after.txt", "after the full disk\n");
    ASSERT_TRUE(zip.write_file(path));
}

// Extracts the disk-full archive with room for DISK_ROOM bytes per file,
// answering the question with the given line.
class FullDisk : public WriteFaults {
protected:
    void SetUp() override
    {
        WriteFaults::SetUp();
        write_disk_full_archive(archive_);
    }
    CapturedRun extract_answering(const std::string& answer)
    {
        FileSizeLimit limit(DISK_ROOM);
        return run_engine_captured({"-o", archive_, "-d", target_.string()}, &answer);
    }
};

TEST_F(FullDisk, AnsweredYesSkipsTheRestOfThatEntryOnly)
{
    CapturedRun run = extract_answering("y\n");
    EXPECT_EQ(run.result, RC_WARN) << run.err;
    EXPECT_NE(run.err.find("big.bin:  write error (disk full?).  Continue? (y/n/^C) "), std::string::npos) << run.err;
    EXPECT_EQ(read_bytes(in_target("first.txt")), "extracted before the disk filled\n");
    EXPECT_EQ(read_bytes(in_target("after.txt")), "after the full disk\n");
    std::error_code ec;
    EXPECT_LE(fs::file_size(in_target("big.bin"), ec), DISK_ROOM);
}

TEST_F(FullDisk, AnsweredOtherwiseStopsWith50)
{
    for (const char* answer : {"n\n", "\n", "N\n"}) {
        std::error_code ec;
        fs::remove(in_target("after.txt"), ec);
        CapturedRun run = extract_answering(answer);
        EXPECT_EQ(run.result, RC_DISK) << run.err;
        EXPECT_NE(run.err.find("write error (disk full?)"), std::string::npos) << run.err;
        EXPECT_EQ(read_bytes(in_target("first.txt")), "extracted before the disk filled\n");
        EXPECT_FALSE(fs::exists(in_target("after.txt"), ec)) << "the archive goes on after " << answer;
    }
}

// Reads of the archive fail in the 2048-byte block that starts here (armed
// only while a test needs it); everything else reads as usual.
long failing_read_position = -1;
constexpr long FAILING_BLOCK = 2048;

}  // namespace

// The engine is linked into this program, so its reads come here first.
extern "C" ssize_t read(int fd, void* buffer, size_t count)
{
    if (failing_read_position >= 0 && fd == archive_fd) {
        off_t position = static_cast<off_t>(syscall(SYS_lseek, fd, 0, SEEK_CUR));
        if (position >= failing_read_position && position < failing_read_position + FAILING_BLOCK) {
            errno = EIO;
            return -1;
        }
    }
    return static_cast<ssize_t>(syscall(SYS_read, fd, buffer, count));
}

namespace {

TEST_F(WriteFaults, ArchiveReadErrorIsReportedAndEarlierEntriesStay)
{
    // A central directory over several blocks; reads fail in its middle.
    ZipArchive zip;
    for (int i = 0; i < 100; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "entry_with_a_long_name_%03d.txt", i);
        zip.add(name, std::string("content ") + name);
    }
    ASSERT_TRUE(zip.write_file(archive_));
    long failing = (static_cast<long>(zip.layout.central_offset) / FAILING_BLOCK + 1) * FAILING_BLOCK;
    ASSERT_LT(failing + FAILING_BLOCK, static_cast<long>(zip.layout.end_offset) / FAILING_BLOCK * FAILING_BLOCK)
        << "the end record's block must stay readable";

    failing_read_position = failing;
    CapturedRun run = run_engine_captured({"-o", archive_, "-d", target_.string()});
    failing_read_position = -1;

    EXPECT_NE(run.result, RC_OK);
    EXPECT_NE(run.err.find("error:  zipfile read error\n"), std::string::npos) << run.err;
    EXPECT_EQ(read_bytes(in_target("entry_with_a_long_name_000.txt")), "content entry_with_a_long_name_000.txt");
    EXPECT_FALSE(fs::exists(in_target("entry_with_a_long_name_099.txt")));
}

}  // namespace
#endif
