// The catalogue's texts in code page 850 and the three message-box routines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "installer/catalogue.h"
#include "installer/settings.h"
#include "windowlayer/headless/headless.h"

namespace {

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_reset();
        reset_install_settings();
    }
    void TearDown() override { reset_install_settings(); }
};

struct ExpectedBytes {
    const CatalogueRow* row;
    int language;
    const char* word;           // the word around the accented character, in code page 850
};

// Each non-ASCII character of the catalogue, in a word of a text where it occurs.
constexpr ExpectedBytes accented_words[] = {
    {&msg_install_complete, 2, "termin\x82" "e"},                  // e-acute 0x82
    {&msg_install_aborted, 1, "vollst\x84" "ndig"},                // a-umlaut 0x84
    {&msg_install_aborted, 2, "r\x82" "ussi!"},
    {&msg_install_error, 1, "W\x84" "hrend"},
    {&msg_needs_nt4, 1, "ben\x94" "tigt"},                         // o-umlaut 0x94
    {&msg_needs_nt4, 2, "D\x82" "sol\x82" ","},
    {&msg_needs_nt4, 2, "ult\x82" "rieure"},
    {&msg_all_done, 1, "Startmen\x81" " "},                        // u-umlaut 0x81
    {&msg_all_done, 2, "d\x82" "marrage"},
    {&msg_download_empty, 2, "r\x82" "ception"},
    {&msg_beta_upgrade, 1, "\x81" "bernehmen"},
    {&msg_beta_upgrade, 2, "mise \x85" " jour"},                   // a-grave 0x85
    {&msg_beta_upgrade, 2, "b\x88" "ta"},                          // e-circumflex 0x88
    {&msg_overwrite_file, 1, "\x81" "berschreiben"},
    {&msg_overwrite_file, 2, "param\x8A" "tres"},                  // e-grave 0x8A
    {&msg_overwrite_options, 1, "gel\x94" "scht"},
    {&msg_backups_made, 2, "m\x88" "me r\x82" "pertoire"},
    {&msg_status_deleting, 1, "L\x94" "schen"},
    {&msg_status_paths, 2, "Mise \x85" " jour"},
    {&msg_status_folder, 2, "Cr\x82" "ation"},
    {&msg_folder_name, 1, "f\x81" "r"},
    {&msg_isdn_note, 1, "\x9A" "brigens:"},                        // U-umlaut 0x9A
};

TEST_F(CatalogueTest, AccentedCharactersAreCodePage850Bytes)
{
    for (const ExpectedBytes& expected : accented_words) {
        const char* text = expected.row->text[expected.language];
        EXPECT_NE(std::strstr(text, expected.word), nullptr) << "missing \"" << expected.word << "\" in " << text;
    }
}

TEST_F(CatalogueTest, EveryByteAboveAsciiIsOneOfTheCodePage850Letters)
{
    const CatalogueRow* rows[] = {
        &msg_install_complete, &msg_install_aborted, &msg_install_error, &msg_no_files, &msg_needs_nt4,
        &msg_all_done, &msg_dest_empty, &msg_log_empty, &msg_options_empty, &msg_script_empty,
        &msg_upload_empty, &msg_download_empty, &msg_title_info, &msg_title_error, &msg_beta_upgrade,
        &msg_overwrite_file, &msg_overwrite_options, &msg_backups_made, &msg_read_docs,
        &msg_status_deleting, &msg_status_paths, &msg_status_folder, &msg_order_from, &msg_folder_name,
        &msg_isdn_note,
    };
    const std::string letters = "\x81\x82\x84\x85\x88\x8A\x94\x9A";
    for (const CatalogueRow* row : rows) {
        for (const char* text : row->text) {
            ASSERT_NE(text, nullptr);
            for (const char* c = text; *c != '\0'; ++c) {
                if (static_cast<unsigned char>(*c) < 0x80)
                    continue;
                EXPECT_NE(letters.find(*c), std::string::npos)
                    << "byte " << int(static_cast<unsigned char>(*c)) << " in " << text;
            }
        }
    }
}

TEST_F(CatalogueTest, TextsThatMustMatchByteForByte)
{
    struct Exact {
        const CatalogueRow* row;
        int language;
        const char* text;
    };
    const Exact exact[] = {
        {&msg_no_files, 0, "Sorry, no files to install!"},
        {&msg_no_files, 1, "Sorry, no files to install!"},
        {&msg_no_files, 2, "Sorry, no files to install!"},
        {&msg_title_error, 1, "Fehler"},
        {&msg_title_error, 2, "Erreur"},
        {&msg_title_info, 1, "Information"},
        {&msg_isdn_note, 2, "<to translate>!!!"},
        {&msg_order_from, 0, "Order from "},
        {&msg_order_from, 2, "Commande de la part de "},
        {&msg_folder_name, 1, "QEL f\x81r Windows%s"},
        {&msg_beta_upgrade, 0,
         "You are about to upgrade from a beta-version.  This is *NOT* recommended.\r\r"
         "Do you REALLY want to proceed?"},
        {&msg_beta_upgrade, 2,
         "Vous allez faire une mise \x85 jour avec une version b\x88ta. Ceci est *DECONSEILLE*.\r\r"
         "Voulez-vous VRAIMENT continuer? "},
        {&msg_all_done, 1, "Installation erfolgreich beendet (QEL-Eintrag wurde im Startmen\x81 erzeugt)"},
    };
    for (const Exact& row : exact)
        EXPECT_STREQ(row.row->text[row.language], row.text);
}

TEST_F(CatalogueTest, IsdnNoteEndsWithTheSameAddressInEnglishAndGerman)
{
    std::string english = msg_isdn_note.text[0];
    std::string german = msg_isdn_note.text[1];
    const std::string english_lead = "More details can be found at:    ";
    const std::string german_lead = "Weitere Informationen unter:     ";
    auto english_at = english.find(english_lead);
    auto german_at = german.find(german_lead);
    ASSERT_NE(english_at, std::string::npos);
    ASSERT_NE(german_at, std::string::npos);
    std::string address = english.substr(english_at + english_lead.size());
    EXPECT_EQ(german.substr(german_at + german_lead.size()), address);
    EXPECT_EQ(address.rfind("http://", 0), 0u);
}

TEST_F(CatalogueTest, LookUpFollowsTheLanguageOfTheRun)
{
    const char* expected[] = {"Error", "Fehler", "Erreur"};
    for (int language = 0; language < 3; ++language) {
        settings.language_index = language;
        EXPECT_STREQ(catalogue_text(msg_title_error), expected[language]);
    }
}

TEST_F(CatalogueTest, InfoAndErrorBoxesUseTheRunLanguageAndTheDialogAsOwner)
{
    settings.language_index = 1;
    show_error("e1");                                   // during start-up: no owner
    settings.dialog_window = reinterpret_cast<OsWindow>(0x1234);
    show_info("i1");
    show_error("e2");
    auto boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].title, "Fehler");
    EXPECT_EQ(boxes[0].style, 36);
    EXPECT_EQ(boxes[1].owner, settings.dialog_window);
    EXPECT_EQ(boxes[1].title, "Information");
    EXPECT_EQ(boxes[1].text, "i1");
    EXPECT_EQ(boxes[1].style, 40);
    EXPECT_EQ(boxes[2].owner, settings.dialog_window);
    EXPECT_EQ(boxes[2].style, 36);
}

TEST_F(CatalogueTest, AskYesNoAddsTheQuestionStyleAndReportsYes)
{
    OsWindow owner = reinterpret_cast<OsWindow>(0x42);
    headless_queue_answer(1);
    headless_queue_answer(0);
    headless_queue_answer(7);  // any answer but yes counts as no
    EXPECT_TRUE(ask_yes_no(owner, "T", "warn", 0x80));
    EXPECT_FALSE(ask_yes_no(owner, "T", "plain", 0));
    EXPECT_FALSE(ask_yes_no(owner, "T", "other", 0));
    auto boxes = headless_boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].style, 0x91);
    EXPECT_EQ(boxes[1].style, 0x11);
    EXPECT_EQ(boxes[0].owner, owner);
    EXPECT_EQ(boxes[0].title, "T");
}

}  // namespace
