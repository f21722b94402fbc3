#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/listing.h"
#include "installer/settings.h"
#include "tests/engine_core/engine_run.h"
#include "tests/support/zip_writer.h"

namespace {

constexpr uint16_t DATE_1997_10_05 = (17 << 9) | (10 << 5) | 5;
constexpr uint16_t TIME_13_45_30 = (13 << 11) | (45 << 5) | 15;

// Six entries that cover every column: case conversion, deflate option
// bits, an empty entry, an unknown method that grew, an encrypted entry and
// a control character in a name. Only the listing reads them.
ZipArchive listing_archive()
{
    ZipArchive zip;
    std::string d1;
    for (int i = 0; i < 1000; ++i)
        d1 += static_cast<char>(i * 7 % 256);
    zip.add("README.TXT", d1);
    zip.add_raw("data/Bin.dat", 8, std::string(250, 'z'), std::string(1000, 'B')).flags = 2;
    zip.add("empty", "");
    zip.add_raw("grow", 12, std::string(110, 'z'), std::string(100, 'g'));
    ZipEntry& secret = zip.add_raw("secret", 0, std::string(112, 'z'), std::string(100, 's'));
    secret.flags = 1;
    zip.add("a\001b", "xy");
    for (size_t i = 0; i < zip.entries.size(); ++i) {
        zip.entries[i].dos_date = DATE_1997_10_05;
        zip.entries[i].dos_time = TIME_13_45_30;
        if (i > 0)
            zip.entries[i].made_by_host = 3;  // keeps the case of names
    }
    return zip;
}

class Listing : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_entry_table();
        ASSERT_TRUE(listing_archive().write_file("test.zip"));
    }
    ScratchDirectory scratch{"listing"};
};

TEST_F(Listing, VerboseFormatIsByteExactAndFillsTheEntryTable)
{
    EngineRun run = run_engine({"-v", "test.zip"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "Archive:  test.zip\n"
              " Length  Method   Size  Ratio   Date    Time   CRC-32     Name (\"^\" ==> case\n"
              " ------  ------   ----  -----   ----    ----   ------     ----   conversion)\n"
              "   1000  Stored    1000   0%  10-05-97  13:45  114ad5ff  ^readme.txt\n"
              "   1000  Defl:X     250  75%  10-05-97  13:45  7d9c564d   data/Bin.dat\n"
              "      0  Stored       0   0%  10-05-97  13:45  00000000   empty\n"
              "    100  Unk:012    110 -10%  10-05-97  13:45  60e34d5b   grow\n"
              "    100  Stored     100   0%  10-05-97  13:45  ac1af51a   secret\n"
              "      2  Stored       2   0%  10-05-97  13:45  8fe62899   a^Ab\n"
              " ------          ------  ---                              -------\n"
              "   2202            1462  34%                              6      \n");
    const char* names[] = {"readme.txt", "data/Bin.dat", "empty", "grow", "secret", "a\001b"};
    const uint32_t sizes[] = {1000, 1000, 0, 100, 100, 2};
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(entry_table.names[i], names[i]);
        EXPECT_EQ(entry_table.sizes[i], sizes[i]);
    }
    EXPECT_EQ(entry_table.names[6][0], '\0');
    EXPECT_EQ(entry_table.total_size, 2202u);
}

TEST_F(Listing, ShortFormatWithKeptCase)
{
    EngineRun run = run_engine({"-lU", "test.zip"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out,
              "Archive:  test.zip\n"
              " Length    Date    Time    Name\n"
              " ------    ----    ----    ----\n"
              "   1000  10-05-97  13:45   README.TXT\n"
              "   1000  10-05-97  13:45   data/Bin.dat\n"
              "      0  10-05-97  13:45   empty\n"
              "    100  10-05-97  13:45   grow\n"
              "    100  10-05-97  13:45   secret\n"
              "      2  10-05-97  13:45   a^Ab\n"
              " ------                    -------\n"
              "   2202                    6      \n");
}

TEST_F(Listing, PatternsSelectWhatIsListedAndRecorded)
{
    EngineRun run = run_engine({"-v", "test.zip", "*.TXT", "e*", "-x", "em*"});
    EXPECT_EQ(run.result, 0);
    EXPECT_STREQ(entry_table.names[0], "readme.txt");
    EXPECT_EQ(entry_table.names[1][0], '\0');
    EXPECT_EQ(entry_table.total_size, 1000u);
}

TEST_F(Listing, QuieterListingShowsNothingAndKeepsTheTotal)
{
    entry_table.total_size = 77;
    EngineRun run = run_engine({"-vqq", "test.zip"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.out, "   1000  Stored    1000   0%  10-05-97  13:45  114ad5ff  ^readme.txt\n"
                       "   1000  Defl:X     250  75%  10-05-97  13:45  7d9c564d   data/Bin.dat\n"
                       "      0  Stored       0   0%  10-05-97  13:45  00000000   empty\n"
                       "    100  Unk:012    110 -10%  10-05-97  13:45  60e34d5b   grow\n"
                       "    100  Stored     100   0%  10-05-97  13:45  ac1af51a   secret\n"
                       "      2  Stored       2   0%  10-05-97  13:45  8fe62899   a^Ab\n");
    EXPECT_EQ(entry_table.total_size, 77u);
}

TEST(ListingText, MethodLettersCommentsAndTrailingSignature)
{
    ScratchDirectory scratch("listing_text");
    ZipArchive zip;
    const uint16_t option_bits[] = {0, 2, 4, 6};
    for (int i = 0; i < 4; ++i) {
        ZipEntry& e = zip.add_raw("f" + std::to_string(i), 8, "zz", "abcd");
        e.flags = option_bits[i];
        e.made_by_host = 3;
    }
    zip.entries[0].comment = "first\r\ncomment";
    ASSERT_TRUE(zip.write_file("t.zip"));
    EngineRun run = run_engine({"-v", "t.zip"});
    EXPECT_EQ(run.result, 0);
    for (const char* method : {"Defl:N", "Defl:X", "Defl:F", "Defl:S"})
        EXPECT_NE(run.out.find(method), std::string::npos) << method;
    EXPECT_NE(run.out.find("   f0\nfirst\ncomment\n"), std::string::npos);
    // With -q the entry comment is skipped, and the next entry still lists.
    run = run_engine({"-vq", "t.zip"});
    EXPECT_EQ(run.out.find("first"), std::string::npos);
    EXPECT_NE(run.out.find("   f1\n"), std::string::npos);
}

TEST(ListingText, MissingEndSignatureAfterTheDirectoryIsAWarning)
{
    ScratchDirectory scratch("listing_end");
    ZipArchive zip;
    zip.add("a", "1").made_by_host = 3;
    zip.add("b", "2").made_by_host = 3;
    zip.end.total_entries = 1;  // the directory holds one more header than announced
    ASSERT_TRUE(zip.write_file("t.zip"));
    EngineRun run = run_engine({"-v", "t.zip"});
    EXPECT_EQ(run.result, 1);
    EXPECT_NE(run.err.find("\nnote:  didn't find end-of-central-dir signature at end of central dir.\n"),
              std::string::npos);
}

TEST(ListingText, BadCentralSignatureIsSevere)
{
    ScratchDirectory scratch("listing_badsig");
    ZipArchive zip;
    zip.add("a", "1");
    zip.add("b", "2");
    std::string bytes = zip.build();
    bytes[zip.layout.central_offsets[1] + 2] = 9;
    ASSERT_TRUE(write_bytes("t.zip", bytes));
    EngineRun run = run_engine({"-v", "t.zip"});
    EXPECT_EQ(run.result, 3);
    EXPECT_NE(run.err.find("error:  expected central file header signature not found (file #1).\n"
                           "  (please check that you have transferred or created the zipfile in the\n"),
              std::string::npos);
}

TEST(CompressionRatio, ArithmeticTable)
{
    struct Case { uint32_t u, c; int ratio; };
    const Case cases[] = {
        {0, 0, 0},        {0, 50, 0},        {1000, 1000, 0},   {1000, 250, 750},
        {100, 110, -100}, {3, 1, 667},       {5000000, 2500000, 500},
        {2000000, 1000000, 500}, {4000000000u, 4000000000u, 0}, {3000000, 4500000, -500},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compression_ratio(c.u, c.c), c.ratio) << c.u << " " << c.c;
}

// The entry table holds 249 entries of at most 149 characters; an archive
// beyond that is listed but refused, and the table is left empty.
TEST(EntryTableLimits, ArchivesBeyondTheTableAreRefused)
{
    struct Case { int entries; size_t name_length; int result; bool recorded; };
    const Case cases[] = {
        {249, 8, 0, true},
        {250, 8, 2, false},
        {1, 149, 0, true},
        {1, 150, 2, false},
    };
    for (const Case& c : cases) {
        ScratchDirectory scratch("table");
        reset_entry_table();
        ZipArchive zip;
        for (int i = 0; i < c.entries; ++i) {
            std::string name = std::to_string(i);
            name += std::string(c.name_length - name.size(), 'n');
            zip.add(name, "").made_by_host = 3;
        }
        ASSERT_TRUE(zip.write_file("big.zip"));
        EngineRun run = run_engine({"-v", "big.zip"});
        EXPECT_EQ(run.result, c.result) << c.entries << " " << c.name_length;
        EXPECT_EQ(entry_table.names[0][0] != '\0', c.recorded) << c.entries << " " << c.name_length;
        if (c.recorded) {
            EXPECT_EQ(std::strlen(entry_table.names[c.entries - 1]), c.name_length);
            EXPECT_EQ(entry_table.names[c.entries][0], '\0');
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find("the entry table cannot hold"), std::string::npos);
            EXPECT_EQ(entry_table.total_size, 0u);
        }
    }
}

TEST(EntryTableLimits, ALaterShorterListingEndsTheTable)
{
    ScratchDirectory scratch("table_again");
    reset_entry_table();
    ZipArchive three;
    three.add("a", "1");
    three.add("b", "22");
    three.add("c", "333");
    ASSERT_TRUE(three.write_file("three.zip"));
    ZipArchive one;
    one.add("z", "1");
    ASSERT_TRUE(one.write_file("one.zip"));
    EXPECT_EQ(run_engine({"-v", "three.zip"}).result, 0);
    EXPECT_EQ(entry_table.total_size, 6u);
    EXPECT_EQ(run_engine({"-v", "one.zip"}).result, 0);
    EXPECT_STREQ(entry_table.names[0], "z");
    EXPECT_EQ(entry_table.names[1][0], '\0');
}

}  // namespace
