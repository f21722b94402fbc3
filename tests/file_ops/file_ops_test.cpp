// File copies with legacy names, tree copies, the renaming copy and the
// clean-up of obsolete files, on a real scratch directory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "installer/catalogue.h"
#include "installer/file_ops.h"
#include "installer/settings.h"
#include "windowlayer/headless/headless.h"
#include "windowlayer/os_layer.h"

namespace fs = std::filesystem;

namespace {

class FileOpsTest : public ::testing::Test {
protected:
    fs::path root;

    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        std::error_code ignored;
        root = fs::temp_directory_path() / ("qel_file_ops_" + std::to_string(::getpid()) + "_"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root, ignored);
        fs::create_directories(root, ignored);
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
        headless_reset();
    }

    // An installer path below the scratch directory ('\' separators).
    std::string path(const std::string& relative) const { return root.string() + "\\" + relative; }

    void write(const std::string& relative, const std::string& content)
    {
        fs::path file = root / relative;
        std::error_code ignored;
        fs::create_directories(file.parent_path(), ignored);
        std::FILE* out = std::fopen(file.string().c_str(), "wb");
        ASSERT_NE(out, nullptr) << file;
        std::fwrite(content.data(), 1, content.size(), out);
        std::fclose(out);
    }

    std::string read(const std::string& relative) const
    {
        std::FILE* in = std::fopen((root / relative).string().c_str(), "rb");
        if (in == nullptr)
            return "<missing>";
        std::string content;
        char buffer[256];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            content.append(buffer, got);
        std::fclose(in);
        return content;
    }

    bool exists(const std::string& relative) const
    {
        std::error_code ignored;
        return fs::exists(root / relative, ignored);
    }
};

TEST_F(FileOpsTest, CopyFileMappedReplacesTargetAndKeepsTimeStamp)
{
    write("a.txt", "new content");
    write("b.txt", "old content that is longer");
    struct stat before;
    ASSERT_EQ(::stat((root / "a.txt").string().c_str(), &before), 0);
    char target[PATH_SIZE];
    std::snprintf(target, sizeof target, "%s", path("b.txt").c_str());
    EXPECT_TRUE(copy_file_mapped(path("a.txt").c_str(), target, false));
    EXPECT_EQ(read("b.txt"), "new content");
    struct stat after;
    ASSERT_EQ(::stat((root / "b.txt").string().c_str(), &after), 0);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
    EXPECT_FALSE(exists("b.txt.~cp"));
}

TEST_F(FileOpsTest, CopyFileMappedFailsQuietlyWithoutSource)
{
    write("b.txt", "kept");
    char target[PATH_SIZE];
    std::snprintf(target, sizeof target, "%s", path("b.txt").c_str());
    EXPECT_FALSE(copy_file_mapped(path("missing.txt").c_str(), target, false));
    EXPECT_EQ(read("b.txt"), "kept");
}

TEST_F(FileOpsTest, CopyFileOntoItselfKeepsContent)
{
    write("same.txt", "content");
    char target[PATH_SIZE];
    std::snprintf(target, sizeof target, "%s", path("SAME.TXT").c_str());
    EXPECT_TRUE(copy_file_mapped(path("same.txt").c_str(), target, false));
    EXPECT_EQ(read("same.txt"), "content");
}

// The first legacy name that ends the target decides; names are compared in
// any letter case and the new name replaces just that ending.
TEST_F(FileOpsTest, LegacyNamesMapOnlyAsEndingOfTarget)
{
    struct Case {
        const char* target;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\NEW\\OPTIONS\\QELPATH.DAT", "C:\\NEW\\options\\standard.qpa"},
        {"C:\\NEW\\OPTIONS\\STANDARD", "C:\\NEW\\options\\standard.qel"},
        {"C:\\NEW\\options\\qel.key", "C:\\NEW\\options\\standard.qky"},
        {"C:\\NEW\\SCRIPT\\QELEVENT.CMD", "C:\\NEW\\script\\qelevent.qrx"},
        {"C:\\NEW\\SETTINGS\\QELPATH.DAT", "C:\\NEW\\SETTINGS\\QELPATH.DAT"},
        {"C:\\NEW\\OPTIONS\\KEEP.TXT", "C:\\NEW\\OPTIONS\\KEEP.TXT"},
        {"QELPATH.DAT", "QELPATH.DAT"},
    };
    for (const Case& c : cases) {
        char target[PATH_SIZE];
        std::snprintf(target, sizeof target, "%s", c.target);
        copy_file_mapped(path("no such source").c_str(), target, true);
        EXPECT_STREQ(target, c.expected) << c.target;
        std::snprintf(target, sizeof target, "%s", c.target);
        copy_file_mapped(path("no such source").c_str(), target, false);
        EXPECT_STREQ(target, c.target) << "unmapped " << c.target;
    }
}

TEST_F(FileOpsTest, CopyTreeMapsLegacyNamesUnderOptionsDirectory)
{
    write("OLD/OPTIONS/QELPATH.DAT", "path file");
    write("OLD/OPTIONS/KEEP.TXT", "keep");
    write("OLD/OPTIONS/.profile", "dot file");
    write("OLD/OPTIONS/.cache/skip.txt", "hidden directory");
    write("OLD/OPTIONS/SUB/DEEP/inner.txt", "inner");
    fs::create_directories(root / "NEW");
    EXPECT_TRUE(copy_tree(path("OLD\\OPTIONS").c_str(), path("NEW\\OPTIONS").c_str(), true));
    EXPECT_EQ(read("NEW/OPTIONS/standard.qpa"), "path file");
    EXPECT_FALSE(exists("NEW/OPTIONS/QELPATH.DAT"));
    EXPECT_EQ(read("NEW/OPTIONS/KEEP.TXT"), "keep");
    EXPECT_EQ(read("NEW/OPTIONS/.profile"), "dot file");
    EXPECT_FALSE(exists("NEW/OPTIONS/.cache"));
    EXPECT_EQ(read("NEW/OPTIONS/SUB/DEEP/inner.txt"), "inner");
}

TEST_F(FileOpsTest, CopyTreeKeepsNamesOutsideOptionsDirectory)
{
    write("OLD/OPTIONS/QELPATH.DAT", "path file");
    EXPECT_TRUE(copy_tree(path("OLD\\OPTIONS").c_str(), path("SETTINGS").c_str(), true));
    EXPECT_EQ(read("SETTINGS/QELPATH.DAT"), "path file");
    EXPECT_FALSE(exists("SETTINGS/standard.qpa"));
}

TEST_F(FileOpsTest, CopyTreeRefusesEmptyNamesAndItself)
{
    write("DATA/file.txt", "x");
    EXPECT_FALSE(copy_tree("", path("X").c_str(), false));
    EXPECT_FALSE(copy_tree(path("DATA").c_str(), "", false));
    std::string same = root.string() + "\\data";
    std::string upper = root.string() + "\\DATA";
    EXPECT_FALSE(copy_tree(same.c_str(), upper.c_str(), false));
    EXPECT_EQ(read("DATA/file.txt"), "x");
}

TEST_F(FileOpsTest, CopyTreeFailsWhenTargetCannotBeCreated)
{
    write("SRC/file.txt", "x");
    // Only one level is created: a target below a missing directory fails.
    EXPECT_FALSE(copy_tree(path("SRC").c_str(), path("MISSING\\TARGET").c_str(), false));
    EXPECT_FALSE(exists("MISSING"));
}

TEST_F(FileOpsTest, RenamingCopyCopiesLegacyFilesToNewNames)
{
    write("QEL/OPTIONS/QELPATH.DAT", "paths");
    write("QEL/OPTIONS/QEL.KEY", "key");
    write("QEL/SCRIPT/QELEVENT.CMD", "event");
    write("QEL/OPTIONS/standard.qky", "older key copy");
    delete_old_files(path("QEL").c_str(), 0);
    EXPECT_EQ(read("QEL/OPTIONS/standard.qpa"), "paths");
    EXPECT_EQ(read("QEL/OPTIONS/standard.qky"), "key");
    EXPECT_EQ(read("QEL/SCRIPT/qelevent.qrx"), "event");
    EXPECT_EQ(read("QEL/OPTIONS/QELPATH.DAT"), "paths") << "the legacy file stays";
    EXPECT_FALSE(exists("QEL/OPTIONS/standard.qel"));
}

TEST_F(FileOpsTest, RenamingCopyWithoutLegacyFilesChangesNothing)
{
    write("QEL/OPTIONS/STANDARD.QPA", "current");
    delete_old_files(path("QEL").c_str(), 0);
    EXPECT_EQ(read("QEL/OPTIONS/STANDARD.QPA"), "current");
    size_t count = 0;
    for (auto it = fs::recursive_directory_iterator(root / "QEL"); it != fs::recursive_directory_iterator(); ++it)
        ++count;
    EXPECT_EQ(count, 2u);  // OPTIONS and STANDARD.QPA
}

intptr_t plain_dialog(OsWindow window, uint32_t message, uintptr_t first, intptr_t second)
{
    return os_DefDlgProc(window, message, first, second);
}

const char* const sample_files[] = {"1_first", "2_ifelse", "3_loop", "4_modem", "5_reply", "6_calbbs", "7_calbbs"};

TEST_F(FileOpsTest, CleanUpRemovesObsoleteFilesAndEmptySampleDirectory)
{
    settings.dialog_window = os_LoadDlg(nullptr, nullptr, plain_dialog, nullptr, 100, nullptr);
    ASSERT_NE(settings.dialog_window, nullptr);
    const char* obsolete[] = {"OPTIONS/QELPATH.DAT", "OPTIONS/STANDARD", "vw_gif.exe", "CHNNPIPE.HLP",
                              "SCRIPT/QELEVENT.CMD", "LOG/dummy.tmp", "UPLOAD/dummy.tmp", "DOWNLOAD/dummy.tmp"};
    for (const char* name : obsolete)
        write(std::string("QEL/") + name, "old");
    for (const char* name : sample_files)
        write(std::string("QEL/SCRIPT/RXSAMPLE/MISC/") + name, "sample");
    write("QEL/OPTIONS/STANDARD.QPA", "current");
    write("QEL/README.DOC", "current");
    delete_old_files(path("QEL").c_str(), 1);
    for (const char* name : obsolete)
        EXPECT_FALSE(exists(std::string("QEL/") + name)) << name;
    EXPECT_FALSE(exists("QEL/SCRIPT/RXSAMPLE/MISC"));
    EXPECT_TRUE(exists("QEL/SCRIPT/RXSAMPLE"));
    EXPECT_TRUE(exists("QEL/LOG"));
    EXPECT_EQ(read("QEL/OPTIONS/STANDARD.QPA"), "current");
    EXPECT_EQ(read("QEL/README.DOC"), "current");
    EXPECT_EQ(headless_control_text(settings.dialog_window, 309), catalogue_text(msg_status_deleting));
}

TEST_F(FileOpsTest, CleanUpKeepsSampleDirectoryWithOtherFiles)
{
    for (const char* name : sample_files)
        write(std::string("QEL/SCRIPT/RXSAMPLE/MISC/") + name, "sample");
    write("QEL/SCRIPT/RXSAMPLE/MISC/mine.qrx", "user's own");
    delete_old_files(path("QEL").c_str(), 1);
    for (const char* name : sample_files)
        EXPECT_FALSE(exists(std::string("QEL/SCRIPT/RXSAMPLE/MISC/") + name)) << name;
    EXPECT_EQ(read("QEL/SCRIPT/RXSAMPLE/MISC/mine.qrx"), "user's own");
}

TEST_F(FileOpsTest, CleanUpLeavesPlaceholdersOutsideDestination)
{
    write("DATA/LOG/dummy.tmp", "placeholder elsewhere");
    write("QEL/LOG/dummy.tmp", "placeholder");
    delete_old_files(path("QEL").c_str(), 1);
    EXPECT_FALSE(exists("QEL/LOG/dummy.tmp"));
    EXPECT_TRUE(exists("DATA/LOG/dummy.tmp"));
}

TEST_F(FileOpsTest, OtherModesDoNothing)
{
    write("QEL/OPTIONS/QELPATH.DAT", "paths");
    delete_old_files(path("QEL").c_str(), 2);
    delete_old_files(path("QEL").c_str(), -1);
    EXPECT_TRUE(exists("QEL/OPTIONS/QELPATH.DAT"));
    EXPECT_FALSE(exists("QEL/OPTIONS/standard.qpa"));
}

}  // namespace
