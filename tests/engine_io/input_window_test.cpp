#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/io.h"
#include "engine/options.h"
#include "tests/support/zip_writer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define open_read(path) _open(path, _O_RDONLY | _O_BINARY)
#define close_fd _close
#else
#include <fcntl.h>
#include <unistd.h>
#define open_read(path) ::open(path, O_RDONLY)
#define close_fd ::close
#endif

namespace {

// An archive file of the given size opened as the engine's input.
class InputWindow : public ::testing::Test {
protected:
    void open_file(size_t size)
    {
        std::string bytes;
        for (size_t i = 0; i < size; ++i)
            bytes += static_cast<char>(i * 13);
        path_ = ::testing::TempDir() + "input_window.bin";
        ASSERT_TRUE(write_bytes(path_, bytes));
        buffer_.assign(INPUT_BUFFER_SIZE, 0);
        input_buffer = buffer_.data();
        input_pos = input_buffer;
        input_count = 0;
        buffer_file_offset = -INPUT_BLOCK;
        offset_adjust = 0;
        archive_fd = open_read(path_.c_str());
        ASSERT_GE(archive_fd, 0);
    }
    void TearDown() override
    {
        close_fd(archive_fd);
        archive_fd = -1;
        input_buffer = nullptr;
        std::remove(path_.c_str());
    }
    std::string path_;
    std::vector<uint8_t> buffer_;
};

TEST_F(InputWindow, PositionedReadsWithinAndAcrossBlocks)
{
    open_file(5000);
    uint8_t byte = 0;
    ASSERT_EQ(seek_position(2047), RC_OK);
    ASSERT_EQ(read_input(&byte, 1), 1);
    EXPECT_EQ(byte, static_cast<uint8_t>(2047 * 13));
    ASSERT_EQ(read_input(&byte, 1), 1);  // sequential refill into the next block
    EXPECT_EQ(byte, static_cast<uint8_t>(2048 * 13));
    ASSERT_EQ(seek_position(2100), RC_OK);  // inside the loaded block
    ASSERT_EQ(read_input(&byte, 1), 1);
    EXPECT_EQ(byte, static_cast<uint8_t>(2100 * 13));
    EXPECT_EQ(seek_position(-1), RC_BADERR);
}

// A damaged offset may point past the end of the archive but inside its
// last, partly filled block: that is the end of the data, and later reads
// must neither copy a negative count nor return stale bytes.
TEST_F(InputWindow, SeekPastTheEndInsideTheLastBlockIsTheEnd)
{
    open_file(500);
    uint8_t bytes[64];
    EXPECT_EQ(seek_position(800), RC_EOF);
    EXPECT_EQ(read_input(bytes, 64), 0);
    ASSERT_EQ(seek_position(100), RC_OK);   // loads the block
    EXPECT_EQ(seek_position(800), RC_EOF);  // same block, past its data
    EXPECT_EQ(read_input(bytes, 64), 0);
    ASSERT_EQ(seek_position(480), RC_OK);
    EXPECT_EQ(read_input(bytes, 64), 20);
}

// Stored offsets and the compensation both come from the archive; their sum
// must not overflow into a small, valid-looking position.
TEST_F(InputWindow, CompensatedOffsetsNeverWrapAround)
{
    open_file(500);
    offset_adjust = 0x7FFFFF00;
    EXPECT_EQ(seek_archive(0x7FFFFF00), RC_EOF);
    offset_adjust = -0x7FFFFF00;
    EXPECT_EQ(seek_archive(-0x7FFFFF00), RC_BADERR);
    offset_adjust = 100;
    uint8_t byte = 0;
    ASSERT_EQ(seek_archive(10), RC_OK);
    ASSERT_EQ(read_input(&byte, 1), 1);
    EXPECT_EQ(byte, static_cast<uint8_t>(110 * 13));
    offset_adjust = 0;
}

}  // namespace
