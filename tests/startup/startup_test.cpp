// Start-up: archive and language, the NT version check, the earlier-product
// probe and the dialog of the chosen language, run through the headless layer.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/dialog.h"
#include "installer/settings.h"
#include "installer/startup.h"
#include "tests/support/installer_scratch.h"
#include "windowlayer/headless/headless.h"

namespace {

// What the simulated user saw of the dialog before pressing Cancel.
struct SeenDialog {
    int shown = 0;
    int template_id = 0;
    int language = -1;
    int already_installed_box = -1;
    std::string caption;
    std::string install_button;
    std::string archive;
    bool progress_class = false;
};
SeenDialog seen;

bool cancel_when_idle(OsWindow dialog)
{
    if (seen.shown++ > 0)
        return false;
    seen.template_id = headless_dialog_template(dialog);
    seen.language = settings.language_index;
    seen.already_installed_box = os_IsButtonChecked(dialog, ID_ALREADY_INSTALLED);
    seen.caption = headless_text(dialog);
    seen.install_button = headless_control_text(dialog, ID_INSTALL);
    seen.archive = settings.archive_file;
    seen.progress_class = headless_class_registered("ProgressBar");
    return headless_click(dialog, ID_CANCEL);
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
        seen = SeenDialog();
        headless_set_idle_handler(cancel_when_idle);
        headless_set_module_path(scratch.file("setup.exe").c_str());
        // Started from somewhere else: the archive must still be found.
        std::error_code error;
        std::filesystem::current_path(elsewhere.path(), error);
    }
    void TearDown() override
    {
        headless_reset();
        reset_install_settings();
    }

    void lay_out(const std::vector<std::string>& archives)
    {
        scratch.write("setup.exe", "MZ");
        for (const std::string& name : archives)
            scratch.write(name, "PK\x05\x06");
    }

    CurrentDirectoryGuard cwd;
    ScratchDirectory scratch;
    ScratchDirectory elsewhere;
};

TEST_F(StartupTest, FirstArchiveInOrderFixesLanguageAndDialog)
{
    struct Case {
        std::vector<std::string> archives;
        int language;
        int template_id;
        const char* install_text;
    };
    const Case cases[] = {
        {{"INSTALL.FIL", "INSTALLD.FIL"}, 0, 100, "Install"},
        {{"INSTALLD.FIL", "INSTALLF.FIL"}, 1, 101, "Installieren"},
        {{"INSTALLF.FIL"}, 2, 102, "Installer"},
    };
    for (const Case& c : cases) {
        SetUp();
        lay_out(c.archives);
        EXPECT_EQ(program_start(nullptr), 0);
        EXPECT_EQ(seen.shown, 1);
        EXPECT_EQ(seen.language, c.language);
        EXPECT_EQ(seen.template_id, c.template_id);
        EXPECT_EQ(seen.archive, c.archives[0]);
        EXPECT_EQ(seen.install_button, c.install_text);
        EXPECT_TRUE(seen.progress_class);
        EXPECT_EQ(headless_box_count(), 0);
        EXPECT_EQ(settings.dialog_window, nullptr);  // destroyed at the end
        for (const std::string& name : c.archives)
            std::filesystem::remove(scratch.file(name));
    }
}

TEST_F(StartupTest, TheProgramDirectoryBecomesTheCurrentDirectory)
{
    lay_out({"INSTALLD.FIL"});
    program_start(nullptr);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), scratch.path()));
    EXPECT_EQ(seen.caption, "QEL Installation V3.07");
}

TEST_F(StartupTest, ADirectoryNamedLikeAnArchiveIsNoArchive)
{
    lay_out({"INSTALLF.FIL"});
    scratch.make_directory("INSTALL.FIL");
    program_start(nullptr);
    EXPECT_EQ(seen.language, 2);
}

TEST_F(StartupTest, NoArchiveShowsTheEnglishErrorAndNoDialog)
{
    lay_out({});
    EXPECT_EQ(program_start(nullptr), 0);
    EXPECT_EQ(seen.shown, 0);
    auto boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, "Sorry, no files to install!");
    EXPECT_EQ(boxes[0].style, 36);
    EXPECT_EQ(boxes[0].owner, nullptr);
    HeadlessCounters counters = headless_counters();
    EXPECT_EQ(counters.cleanup_thread_calls, 1);
    EXPECT_EQ(counters.shutdown_calls, 1);
}

TEST_F(StartupTest, OnlyWindowsNtBefore400IsRefused)
{
    struct Case {
        int32_t platform;
        int32_t version;
        bool refused;
    };
    const Case cases[] = {
        {4, 351, true}, {4, 399, true}, {4, 400, false}, {4, 1000, false},
        {1, 400, false},  // Windows 95
        {1, 351, false},  // any other platform passes whatever the version
    };
    for (const Case& c : cases) {
        SetUp();
        lay_out({"INSTALLF.FIL"});
        headless_set_sys_value(OS_SV_PLATFORM, c.platform);
        headless_set_sys_value(OS_SV_VERSION, c.version);
        EXPECT_EQ(program_start(nullptr), 0);
        EXPECT_EQ(seen.shown, c.refused ? 0 : 1) << c.platform << " " << c.version;
        if (c.refused) {
            auto boxes = headless_boxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].title, "Erreur");
            EXPECT_EQ(boxes[0].text.rfind("D\x82sol\x82, ce programme exige Windows NT 4.00", 0), 0u);
            EXPECT_EQ(headless_counters().cleanup_thread_calls, 1);
        }
    }
}

TEST_F(StartupTest, WindowPosInTheProfileMeansAlreadyInstalled)
{
    lay_out({"INSTALL.FIL"});
    headless_set_profile("Quellane ", "WindowPos", "10 10 600 400");
    program_start(nullptr);
    EXPECT_EQ(settings.already_installed, 1);
    EXPECT_EQ(seen.already_installed_box, 1);

    SetUp();
    lay_out({"INSTALL.FIL"});
    headless_set_profile("Quellane", "WindowPos", "without the blank");
    program_start(nullptr);
    EXPECT_EQ(settings.already_installed, 0);
    EXPECT_EQ(seen.already_installed_box, 0);
}

TEST_F(StartupTest, EveryWayOutShutsTheLayerDown)
{
    lay_out({"INSTALL.FIL"});
    program_start(nullptr);
    HeadlessCounters counters = headless_counters();
    EXPECT_EQ(counters.initialize_calls, 1);
    EXPECT_EQ(counters.cleanup_thread_calls, 1);
    EXPECT_EQ(counters.shutdown_calls, 1);
    EXPECT_EQ(counters.threads_started, 0);
}

}  // namespace
