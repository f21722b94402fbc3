// The file layer's Windows calls: time stamps and attributes read back with
// GetFileTime and GetFileAttributesA, drive roots, FAT detection, drive
// types, the long-name test and volume labels that are not applied.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../platform/platform_fixture.h"

namespace {

constexpr uint16_t dos_date(int year, int month, int day)
{
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

constexpr uint16_t dos_time(int hour, int minute, int second)
{
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

class Win32FileLayer : public ScratchDirTest {
protected:
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

    static FILETIME last_write_time(const char* name)
    {
        FILETIME written{};
        HANDLE handle = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(GetFileTime(handle, nullptr, nullptr, &written));
        CloseHandle(handle);
        return written;
    }

    static void make_writable(const char* name)
    {
        SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
    }
};

// Shown in local time, the file carries the DOS time stored in the archive.
TEST_F(Win32FileLayer, StoredLocalTimeAppliedAsUtc)
{
    const uint16_t dates[][2] = {
        {dos_date(2020, 6, 15), dos_time(12, 34, 56)},
        {dos_date(1999, 12, 31), dos_time(23, 59, 58)},
        {dos_date(1980, 1, 2), dos_time(0, 0, 0)},
    };
    for (const auto& stamp : dates) {
        extract("stamped.txt", stamp[0], stamp[1], 0x20);
        FILETIME utc = last_write_time("stamped.txt");
        FILETIME local;
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        WORD date = 0, time = 0;
        ASSERT_TRUE(FileTimeToDosDateTime(&local, &date, &time));
        EXPECT_EQ(date, stamp[0]);
        EXPECT_EQ(time, stamp[1]);
    }
}

TEST_F(Win32FileLayer, ImpossibleDateSkipsTimeButSetsAttributes)
{
    extract("plain.txt", dos_date(2020, 6, 15), dos_time(12, 34, 56), 0x20);
    FILETIME before = last_write_time("plain.txt");
    ::testing::internal::CaptureStdout();
    extract("plain.txt", dos_date(2020, 13, 1), dos_time(1, 0, 0), 0x21);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("DosDateTime failed: ", 0), 0u) << out;
    FILETIME after = last_write_time("plain.txt");
    // Rewriting the file moved its time to now, away from the 2020 stamp.
    EXPECT_NE(CompareFileTime(&before, &after), 0);
    EXPECT_TRUE(GetFileAttributesA("plain.txt") & FILE_ATTRIBUTE_READONLY);
    make_writable("plain.txt");
}

TEST_F(Win32FileLayer, AttributesReadBack)
{
    struct Case { int attributes; bool read_only; };
    const Case cases[] = {
        {0x20, false},
        {0x21, true},
        {0xA1, true},  // bit 0x80 is never passed on
    };
    for (const Case& c : cases) {
        extract("attr.txt", dos_date(2001, 2, 3), dos_time(4, 5, 6), c.attributes);
        DWORD attributes = GetFileAttributesA("attr.txt");
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_READONLY) != 0, c.read_only) << c.attributes;
        make_writable("attr.txt");
    }
}

TEST_F(Win32FileLayer, MissingFileIsReported)
{
    std::snprintf(entry_name, sizeof entry_name, "%s", "gone/nothing.txt");
    output_file = nullptr;
    local_header.mod_date = dos_date(2020, 1, 1);
    entry_.file_attributes = 0x20;
    ::testing::internal::CaptureStderr();
    close_output_file();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("\nCreateFile error 3 when trying set file time\n", 0), 0u) << err;
    EXPECT_NE(err.find("could not set file attributes"), std::string::npos);
}

TEST_F(Win32FileLayer, BareDriveRoots)
{
    struct Case { const char* directory; const char* root; };
    const Case cases[] = {
        {"c:", "c:./"},  // that drive's current directory
        {"c:/", "c:/"},  // its top directory
    };
    for (const Case& c : cases) {
        EXPECT_EQ(set_root(c.directory), PATH_OK);
        ASSERT_NE(path_builder.root, nullptr);
        EXPECT_STREQ(path_builder.root, c.root);
        checkdir(nullptr, FREE_ROOT);
    }
}

TEST_F(Win32FileLayer, VolumeQueries)
{
    // Wine's (and Windows') system drive is not a FAT volume.
    EXPECT_FALSE(is_fat_volume("c:/"));
    EXPECT_FALSE(is_fat_volume("relative name.txt"));
    EXPECT_FALSE(is_removable_drive(3));
    EXPECT_FALSE(is_removable_drive(0));
    EXPECT_FALSE(is_removable_drive(27));
    char cwd[PATH_MAX_CHARS];
    ASSERT_TRUE(current_directory(cwd, sizeof cwd));
    EXPECT_EQ(cwd[1], ':');
    char tiny[4];
    EXPECT_FALSE(current_directory(tiny, sizeof tiny));
}

TEST_F(Win32FileLayer, LongNameTest)
{
    make_file("exists.txt");
    EXPECT_TRUE(long_name_allowed("exists.txt"));
    EXPECT_TRUE(long_name_allowed("not yet there.txt"));
    EXPECT_TRUE(long_name_allowed("."));
    // A name far beyond every limit is refused as too long.
    EXPECT_FALSE(long_name_allowed(std::string(400, 'x').c_str()));
}

TEST_F(Win32FileLayer, LabelOnFixedDriveNeedsTheOptionTwice)
{
    entry_.is_volume_label = 1;
    const int counts[] = {0, 1};
    for (int count : counts) {
        engine_options.volume_labels = count;
        EXPECT_EQ(map("NEWLABEL"), PATH_VOLUME_LABEL) << count;
        EXPECT_STREQ(entry_name, "NEWLABEL");
    }
}

// Without a root, a quoted ':' after a first letter would name a drive.
TEST_F(Win32FileLayer, QuotedColonNeverMakesADrive)
{
    EXPECT_EQ(map("C\x16:/x.txt"), PATH_OK);
    EXPECT_STREQ(entry_name, "C_/x.txt");
    EXPECT_EQ(map("ab\x16:c.txt"), PATH_OK);
    EXPECT_STREQ(entry_name, "ab:c.txt");
}

TEST_F(Win32FileLayer, DriveSpecArchiveNames)
{
    make_file("drive.zip");
    char cwd[PATH_MAX_CHARS];
    ASSERT_TRUE(current_directory(cwd, sizeof cwd));
    // "c:name" is relative to the current directory of drive c:.
    std::string spec = std::string(1, cwd[0]) + ":DRIVE.ZIP";
    const char* name = next_archive_name(spec.c_str());
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::string(name), std::string(1, cwd[0]) + ":drive.zip");
    EXPECT_EQ(next_archive_name(spec.c_str()), nullptr);
}

}  // namespace
