// The options file conversion: keyed and positional layouts, directories
// written relative to the destination, odd and over-long lines.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "installer/catalogue.h"
#include "installer/imisc.h"
#include "installer/settings.h"
#include "installer/worker.h"
#include "windowlayer/headless/headless.h"
#include "windowlayer/os_layer.h"

namespace fs = std::filesystem;

namespace {

void set(char* field, const char* text) { std::snprintf(field, PATH_SIZE, "%s", text); }

class ImiscTest : public ::testing::Test {
protected:
    fs::path root;

    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        install_choices = InstallChoices{};
        std::error_code ignored;
        root = fs::temp_directory_path() / ("qel_imisc_" + std::to_string(::getpid()) + "_"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root, ignored);
        fs::create_directories(root / "OPTIONS", ignored);
        set(install_choices.options_path, (root.string() + "\\OPTIONS").c_str());
        use_directories("C:\\QEL", "C:\\QEL\\DOWNLOAD", "C:\\QEL\\UPLOAD", "C:\\QEL\\LOG", "C:\\QEL\\SCRIPT");
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
        headless_reset();
    }

    // The options path stays the scratch directory; the others are texts only.
    void use_directories(const char* destination, const char* download, const char* upload, const char* log,
                         const char* script)
    {
        set(install_choices.destination_path, destination);
        set(install_choices.download_path, download);
        set(install_choices.upload_path, upload);
        set(install_choices.log_path, log);
        set(install_choices.script_path, script);
    }

    void write_options(const std::string& content)
    {
        std::FILE* out = std::fopen((root / "OPTIONS" / "STANDARD.QPA").string().c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(content.data(), 1, content.size(), out);
        std::fclose(out);
    }

    std::string read_options() const
    {
        std::FILE* in = std::fopen((root / "OPTIONS" / "STANDARD.QPA").string().c_str(), "rb");
        if (in == nullptr)
            return "<missing>";
        std::string content;
        int c;
        // The file is text: line ends are CR LF on Windows.
        while ((c = std::fgetc(in)) != EOF) {
            if (c != '\r')
                content.push_back(static_cast<char>(c));
        }
        std::fclose(in);
        return content;
    }

    std::string convert(const std::string& content)
    {
        write_options(content);
        convert_options_file("OPTIONS\\STANDARD.QPA");
        return read_options();
    }

    // The options directory as the converted file names it.
    std::string options_value() const { return install_choices.options_path; }
};

TEST_F(ImiscTest, RelativeToDestination)
{
    struct Case {
        const char* destination;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\QEL", "C:\\QEL\\DOWNLOAD", "DOWNLOAD"},
        {"C:\\QEL", "c:\\qel\\log\\old", "log\\old"},
        {"C:\\QEL", "C:\\QEL", ""},
        {"C:\\QEL\\", "C:\\QEL\\LOG", "LOG"},
        {"C:\\QEL", "D:\\UP", "D:\\UP"},
        {"C:\\QEL", "C:\\QELDATA\\DL", "C:\\QELDATA\\DL"},  // not below the destination
        {"C:\\QEL", "C:\\QE", "C:\\QE"},
    };
    for (const Case& c : cases) {
        set(install_choices.destination_path, c.destination);
        EXPECT_STREQ(relative_to_destination(c.path), c.expected) << c.destination << " " << c.path;
    }
}

TEST_F(ImiscTest, KeyedLayoutGetsChosenDirectories)
{
    use_directories("C:\\QEL", "C:\\QEL\\DOWNLOAD", "D:\\UP", "C:\\QEL", "C:\\QEL\\SCRIPT\\MINE");
    std::string input =
        "QPA2.50\n"
        "DownloadPath=\"D:\\X\"\n"
        "uploadpath=\"C:\\OLD\\UP\"\n"
        "CAPTUREPATH=\"LOG\"\n"
        "ScriptPath=\"SCRIPT\"\n"
        "OptsPath=\"OPTIONS\"\n"
        " DownloadPath=\"not at the start\"\n"
        "Baud=\"9600\"\n";
    std::string expected =
        "QPA2.50\n"
        "DownloadPath=\"DOWNLOAD\"\n"
        "uploadpath=\"D:\\UP\"\n"
        "CAPTUREPATH=\"\"\n"
        "ScriptPath=\"SCRIPT\\MINE\"\n"
        "OptsPath=\"" + options_value() + "\"\n"
        " DownloadPath=\"not at the start\"\n"
        "Baud=\"9600\"\n";
    EXPECT_EQ(convert(input), expected);
    EXPECT_FALSE(fs::exists(root / "OPTIONS" / "STANDARD.TMP"));
}

TEST_F(ImiscTest, DestinationWithClosingBackslash)
{
    use_directories("C:\\QEL\\", "C:\\QEL\\DOWNLOAD", "C:\\QEL\\UPLOAD", "C:\\QEL\\LOG", "C:\\QEL\\SCRIPT");
    EXPECT_EQ(convert("QPA3.00\nCapturePath=\"X\"\n"), "QPA3.00\nCapturePath=\"LOG\"\n");
}

TEST_F(ImiscTest, VersionSelectsLayout)
{
    struct Case {
        const char* header;
        bool keyed;
    };
    const Case cases[] = {
        {"QPA2.50", true}, {"QPA2.5A", true}, {"QPA2.5a", true}, {"QPA3.10", true},
        {"QPA2.49", false}, {"QPA1.00", false}, {"QPA", false}, {"", false},
    };
    for (const Case& c : cases) {
        std::string output = convert(std::string(c.header) + "\nDownloadPath=\"D:\\X\"\n");
        std::string keyed = std::string(c.header) + "\nDownloadPath=\"DOWNLOAD\"\n";
        EXPECT_EQ(output == keyed, c.keyed) << c.header << ": " << output;
    }
}

TEST_F(ImiscTest, PositionalLayoutReplacesFixedLines)
{
    std::string input = "QPA2.49\nD:\\DL\nline 3\nD:\\UP\nline 5\nD:\\LOG\nD:\\SCR\nD:\\OPT\nline 9\nline 10\n";
    std::string expected = "QPA2.49\nDOWNLOAD\nline 3\nUPLOAD\nline 5\nLOG\nSCRIPT\n" + options_value()
        + "\nline 9\nline 10\n";
    EXPECT_EQ(convert(input), expected);
}

TEST_F(ImiscTest, ShortPositionalFileGetsAllLines)
{
    std::string expected = "QPA2.49\nDOWNLOAD\nline 3\nUPLOAD\n\nLOG\nSCRIPT\n" + options_value() + "\n";
    EXPECT_EQ(convert("QPA2.49\nD:\\DL\nline 3\n"), expected);
}

TEST_F(ImiscTest, LineCountsAreKept)
{
    std::string keyed = "QPA3.00\nA=1\nDownloadPath=\"x\"\nB=2\n";
    std::string converted = convert(keyed);
    EXPECT_EQ(std::count(converted.begin(), converted.end(), '\n'), 4);
    std::string positional = "QPA1.00\n2\n3\n4\n5\n6\n7\n8\n";
    converted = convert(positional);
    EXPECT_EQ(std::count(converted.begin(), converted.end(), '\n'), 8);
}

TEST_F(ImiscTest, LastLineWithoutLineEndKeepsItsLastCharacter)
{
    EXPECT_EQ(convert("QPA3.00\nBaud=\"9600\""), "QPA3.00\nBaud=\"9600\"\n");
}

TEST_F(ImiscTest, KeyLineTooShortForItsValueIsCopied)
{
    EXPECT_EQ(convert("QPA3.00\nOptsPath\nDownloadPath=\nUploadPath=\"\n"),
              "QPA3.00\nOptsPath\nDownloadPath=\nUploadPath=\"UPLOAD\"\n");
}

TEST_F(ImiscTest, OverLongLinesStayWhole)
{
    std::string long_value(600, 'v');
    std::string long_header = "QPA3.00 " + std::string(100, 'h');
    std::string input = long_header + "\nComment=\"" + long_value + "\"\nDownloadPath=\"" + long_value
        + "\"\nBaud=\"9600\"\n";
    std::string expected = long_header + "\nComment=\"" + long_value + "\"\nDownloadPath=\"DOWNLOAD\"\nBaud=\"9600\"\n";
    EXPECT_EQ(convert(input), expected);
    std::string positional = "QPA1.00\n" + long_value + "\n" + long_value + "\n3\n4\n5\n6\n7\n" + long_value + "\n";
    std::string positional_expected = "QPA1.00\nDOWNLOAD\n" + long_value + "\nUPLOAD\n4\nLOG\nSCRIPT\n"
        + options_value() + "\n" + long_value + "\n";
    EXPECT_EQ(convert(positional), positional_expected);
}

TEST_F(ImiscTest, LongNewValueIsWrittenWhole)
{
    std::string far_away = "D:\\" + std::string(250, 'd');
    use_directories("C:\\QEL", far_away.c_str(), "C:\\QEL\\UPLOAD", "C:\\QEL\\LOG", "C:\\QEL\\SCRIPT");
    EXPECT_EQ(convert("QPA3.00\nDownloadPath=\"x\"\n"), "QPA3.00\nDownloadPath=\"" + far_away + "\"\n");
}

TEST_F(ImiscTest, MissingFileIsSilent)
{
    convert_options_file("OPTIONS\\STANDARD.QPA");
    EXPECT_FALSE(fs::exists(root / "OPTIONS" / "STANDARD.QPA"));
    EXPECT_FALSE(fs::exists(root / "OPTIONS" / "STANDARD.TMP"));
    EXPECT_EQ(headless_box_count(), 0);
}

intptr_t plain_dialog(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return os_DefDlgProc(window, message, first, second);
}

TEST_F(ImiscTest, StatusLineShowsPathUpdate)
{
    settings.dialog_window = os_LoadDlg(nullptr, nullptr, plain_dialog, nullptr, 101, nullptr);
    settings.language_index = 1;
    ASSERT_NE(settings.dialog_window, nullptr);
    convert("QPA3.00\n");
    EXPECT_EQ(headless_control_text(settings.dialog_window, 309), msg_status_paths.text[1]);
}

}  // namespace
