// What the probe reads from an earlier installation's options file and path file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "installer/probe.h"
#include "installer/settings.h"
#include "tests/support/installer_scratch.h"

namespace {

constexpr const char* EXISTING = "E:\\QEL";

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_install_settings();
        std::snprintf(settings.existing_path, PATH_SIZE, "%s", EXISTING);
    }
    void TearDown() override { reset_install_settings(); }

    int probe() { return probe_previous_installation(options_file().c_str(), path_file().c_str()); }
    std::string options_file() const { return scratch.file("OPTIONS/STANDARD.QPA"); }
    std::string path_file() const { return scratch.file("OPTIONS/QELPATH.DAT"); }
    void write_options(const std::string& contents) { scratch.write("OPTIONS/STANDARD.QPA", contents); }
    void write_path_file(const std::string& contents) { scratch.write("OPTIONS/QELPATH.DAT", contents); }

    ScratchDirectory scratch;
};

struct VersionCase {
    const char* version;
    bool beta;
};

TEST_F(ProbeTest, OptionsFileBetaRangeIs250To299)
{
    const VersionCase cases[] = {
        {"2.60", true}, {"3.07", false}, {"2.99", true}, {"2.5", false}, {"2.50", true},
        {"2.49", false}, {"2.5A", true}, {"3.00", false}, {"2.99b", true},
    };
    for (const VersionCase& c : cases) {
        write_options(std::string("QPA") + c.version + "\n");
        settings.upgrade_from_beta = !c.beta;
        EXPECT_EQ(probe(), 1) << c.version;
        EXPECT_EQ(settings.upgrade_from_beta, c.beta ? 1 : 0) << c.version;
        EXPECT_STREQ(settings.previous_version, c.version);
    }
}

TEST_F(ProbeTest, PathFileBetaRangesAreBelow200And206To209)
{
    const VersionCase cases[] = {
        {"1.50", true}, {"2.07", true}, {"2.05", false}, {"2.10", false},
        {"2.06", true}, {"2.09", true}, {"2.00", false}, {"", true},
    };
    for (const VersionCase& c : cases) {
        write_path_file(std::string("QEL") + c.version + "\nDL\n");
        EXPECT_EQ(probe(), 1) << c.version;
        EXPECT_EQ(settings.upgrade_from_beta, c.beta ? 1 : 0) << c.version;
    }
}

TEST_F(ProbeTest, OptionsFileKeysSetTheDirectoryNamesInAnyCase)
{
    write_options(
        "QPA3.00\n"
        "Something=\"else\"\n"
        "downloadpath=\"F:\\DATA\\DL\"\n"
        "UPLOADPATH=\"UP\"\n"
        "CapturePath=\"E:\\QEL\\LOGS\"\n"
        " ScriptPath=\"not at the start\"\n"
        "ScriptPath=\"\\SCR\"\n"
        "OptsPath=\"OPTIONS\"\n");
    EXPECT_EQ(probe(), 1);
    EXPECT_STREQ(settings.download_dir_name, "F:\\DATA\\DL");
    EXPECT_STREQ(settings.upload_dir_name, "UP");
    EXPECT_STREQ(settings.log_dir_name, "E:\\QEL\\LOGS");
    EXPECT_STREQ(settings.script_dir_name, "\\SCR");
    EXPECT_STREQ(settings.options_dir_name, "OPTIONS");
    // A relative directory lies below the earlier installation; an absolute one stays.
    EXPECT_STREQ(settings.previous_options_dir, "E:\\QEL\\OPTIONS");
    EXPECT_STREQ(settings.previous_script_dir, "\\SCR");
    EXPECT_STREQ(settings.previous_version, "3.00");
    EXPECT_EQ(settings.upgrade_from_beta, 0);
}

TEST_F(ProbeTest, OptionsFileLinesThatEndEarlyOrRunLongStayInBounds)
{
    std::string long_value(400, 'x');
    write_options(
        "QPA3.07\r\n"
        "OptsPath\r\n"                                   // too short to reach its value
        "UploadPath=\"" + long_value + "\"\n"            // longer than a line: read in pieces
        "ScriptPath=\"S\"");                             // last line without a line end
    EXPECT_EQ(probe(), 1);
    EXPECT_STREQ(settings.options_dir_name, "");
    EXPECT_EQ(std::strlen(settings.upload_dir_name), static_cast<std::size_t>(PATH_SIZE - 1 - 12));
    EXPECT_STREQ(settings.script_dir_name, "S");
    EXPECT_STREQ(settings.log_dir_name, "LOG");           // no key line: unchanged
    EXPECT_STREQ(settings.previous_version, "3.07");
}

TEST_F(ProbeTest, PathFileOf249AndOf250DifferByOneSkippedLine)
{
    struct Layout {
        const char* file;
        const char* script;
        const char* options;
    };
    const Layout layouts[] = {
        {"QEL2.49\nDL\nx\nUP\nx\nLG\nSCRIPT2\nOPTS2\n", "SCRIPT2", "OPTS2"},
        {"QEL2.50\nDL\nx\nUP\nx\nLG\nskipped\nSCRIPT2\nOPTS2\n", "SCRIPT2", "OPTS2"},
        {"QEL2.50\nDL\nx\nUP\nx\nLG\nSCRIPT2\nOPTS2\n", "OPTS2", ""},
    };
    for (const Layout& layout : layouts) {
        write_path_file(layout.file);
        EXPECT_EQ(probe(), 1);
        EXPECT_STREQ(settings.download_dir_name, "DL");
        EXPECT_STREQ(settings.upload_dir_name, "UP");
        EXPECT_STREQ(settings.log_dir_name, "LG");
        EXPECT_STREQ(settings.script_dir_name, layout.script);
        EXPECT_STREQ(settings.options_dir_name, layout.options);
    }
}

TEST_F(ProbeTest, PathFileThatEndsEarlyLeavesTheMissingDirectoriesEmpty)
{
    write_path_file("QEL2.10\r\nD:\\DL\r\n");
    EXPECT_EQ(probe(), 1);
    EXPECT_STREQ(settings.download_dir_name, "D:\\DL");
    EXPECT_STREQ(settings.upload_dir_name, "");
    EXPECT_STREQ(settings.options_dir_name, "");
    // An empty name resolves to the earlier installation itself.
    EXPECT_STREQ(settings.previous_options_dir, "E:\\QEL\\");
}

TEST_F(ProbeTest, OnlyTheOptionsFileIsReadWhenBothExist)
{
    write_options("QPA3.00\nDownloadPath=\"FROM-OPTIONS\"\n");
    write_path_file("QEL1.00\nFROM-PATH-FILE\n");
    EXPECT_EQ(probe(), 1);
    EXPECT_STREQ(settings.download_dir_name, "FROM-OPTIONS");
    EXPECT_EQ(settings.upgrade_from_beta, 0);
}

TEST_F(ProbeTest, NoFileKeepsTheNamesAndEmptiesTheVersion)
{
    scratch.make_directory("OPTIONS/STANDARD.QPA");   // a directory is not the file
    std::snprintf(settings.download_dir_name, PATH_SIZE, "%s", "KEPT");
    std::snprintf(settings.previous_version, VERSION_SIZE, "%s", "3.00");
    settings.upgrade_from_beta = 1;
    EXPECT_EQ(probe(), 0);
    EXPECT_EQ(settings.previous_found, 0);
    EXPECT_EQ(settings.upgrade_from_beta, 0);
    EXPECT_STREQ(settings.download_dir_name, "KEPT");
    EXPECT_STREQ(settings.previous_version, "");
}

TEST_F(ProbeTest, ResetRestoresTheDefaultsButKeepsVersionAndBetaFlag)
{
    write_options("QPA2.60\nOptsPath=\"X:\\O\"\nScriptPath=\"S\"\n");
    probe();
    reset_previous_installation();
    EXPECT_STREQ(settings.log_dir_name, "LOG");
    EXPECT_STREQ(settings.options_dir_name, "OPTIONS");
    EXPECT_STREQ(settings.script_dir_name, "SCRIPT");
    EXPECT_STREQ(settings.upload_dir_name, "UPLOAD");
    EXPECT_STREQ(settings.download_dir_name, "DOWNLOAD");
    EXPECT_STREQ(settings.previous_options_dir, "");
    EXPECT_STREQ(settings.previous_script_dir, "");
    EXPECT_EQ(settings.previous_found, 0);
    EXPECT_EQ(settings.upgrade_from_beta, 1);
    EXPECT_STREQ(settings.previous_version, "2.60");
}

}  // namespace
