// Time stamps and attributes applied when an output file is closed, read
// back with stat; FAT detection and labels on POSIX systems.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform_fixture.h"

namespace {

constexpr uint16_t dos_date(int year, int month, int day)
{
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

constexpr uint16_t dos_time(int hour, int minute, int second)
{
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

// Runs the body with TZ set to zone, restoring the previous zone after.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

class CloseOutputFile : public ScratchDirTest {
protected:
    // Writes a file as extraction does and closes it through the file layer.
    void extract(const char* name, uint16_t date, uint16_t time, int attributes)
    {
        std::snprintf(entry_name, sizeof entry_name, "%s", name);
        output_file = std::fopen(name, "wb");
        ASSERT_NE(output_file, nullptr);
        std::fputs("data", output_file);
        local_header.mod_date = date;
        local_header.mod_time = time;
        entry_.file_attributes = attributes;
        close_output_file();
        EXPECT_EQ(output_file, nullptr);
    }

    static struct stat status_of(const char* name)
    {
        struct stat status {};
        EXPECT_EQ(stat(name, &status), 0);
        return status;
    }
};

// The DOS time is local time; the file gets the matching UTC instant.
TEST_F(CloseOutputFile, LocalDosTimeBecomesUtc)
{
    struct Case {
        const char* zone;
        time_t expected;  // 2020-06-15 12:34:56 local
    };
    const Case cases[] = {
        {"UTC0", 1592224496},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1592224496 - 2 * 3600},  // summer time
        {"EST5EDT,M3.2.0,M11.1.0", 1592224496 + 4 * 3600},
    };
    for (const Case& c : cases) {
        ZoneGuard zone(c.zone);
        extract("stamped.txt", dos_date(2020, 6, 15), dos_time(12, 34, 56), 0x20);
        EXPECT_EQ(status_of("stamped.txt").st_mtime, c.expected) << c.zone;
    }
}

TEST_F(CloseOutputFile, ImpossibleDateKeepsTimeButSetsAttributes)
{
    struct Case { uint16_t date; uint16_t time; };
    const Case cases[] = {
        {dos_date(2020, 13, 1), dos_time(1, 0, 0)},
        {dos_date(2021, 2, 29), dos_time(1, 0, 0)},
        {dos_date(2020, 1, 0), dos_time(1, 0, 0)},
        {dos_date(2020, 1, 1), dos_time(24, 0, 0)},
        {dos_date(2020, 1, 1), static_cast<uint16_t>(dos_time(1, 0, 0) | 30)},  // second 60
    };
    for (const Case& c : cases) {
        time_t before = std::time(nullptr);
        ::testing::internal::CaptureStdout();
        extract("bad.txt", c.date, c.time, 0x21);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "DosDateTime failed: 22\n");
        struct stat status = status_of("bad.txt");
        EXPECT_GE(status.st_mtime, before - 1);  // left as written
        EXPECT_EQ(status.st_mode & 0222, 0u);
        chmod("bad.txt", 0644);
    }
}

TEST_F(CloseOutputFile, ReadOnlyRemovesWritePermissions)
{
    struct Case { int attributes; bool writable; };
    const Case cases[] = {
        {0x20, true},
        {0x21, false},
        {0x26, true},  // hidden and system have no equivalent
    };
    for (const Case& c : cases) {
        extract("attr.txt", dos_date(2001, 2, 3), dos_time(4, 5, 6), c.attributes);
        struct stat status = status_of("attr.txt");
        EXPECT_EQ((status.st_mode & 0200) != 0, c.writable) << c.attributes;
        EXPECT_NE(status.st_mode & 0444, 0u);
        chmod("attr.txt", 0644);
    }
}

TEST_F(CloseOutputFile, MissingFileIsReportedAndTimeSkipped)
{
    std::snprintf(entry_name, sizeof entry_name, "%s", "gone/nothing.txt");
    output_file = nullptr;
    local_header.mod_date = dos_date(2020, 1, 1);
    entry_.file_attributes = 0x20;
    ::testing::internal::CaptureStderr();
    close_output_file();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "\nCreateFile error 2 when trying set file time\n");
}

TEST_F(ScratchDirTest, NoFatNoLabelsNoDrives)
{
    EXPECT_FALSE(is_fat_volume("."));
    EXPECT_FALSE(is_fat_volume("does/not/exist yet.txt"));
    EXPECT_FALSE(is_removable_drive(1));
    EXPECT_TRUE(long_name_allowed(std::string(300, 'x').c_str()));

    // A label entry is never applied, whatever the count of -$.
    entry_.is_volume_label = 1;
    engine_options.volume_labels = 2;
    EXPECT_EQ(map("LABEL"), PATH_VOLUME_LABEL);
}

}  // namespace
