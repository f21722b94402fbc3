// The Windows resources agree with the portable template table, and the
// generated pictures have the sizes and colours the program relies on.
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>
#include "windowlayer/dialog_templates.h"

namespace {

const std::string resource_dir = std::string(QEL_SOURCE_DIR) + "/installer/resources/";

std::vector<uint8_t> read_file(const std::string& name)
{
    std::ifstream input(resource_dir + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

uint32_t little32(const std::vector<uint8_t>& data, size_t at)
{
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

// The .rc is UTF-8; the table holds code page 850. Only the accented letters
// the dialog uses are expected: any other one fails the comparison.
std::string utf8_to_cp850(const std::string& text)
{
    struct Letter {
        unsigned code_point;
        char cp850;
    };
    constexpr Letter letters[] = {{0xE9, '\x82'}, {0xE0, '\x85'}, {0xE4, '\x84'}, {0xFC, '\x81'},
                                  {0xEA, '\x88'}, {0xE8, '\x8A'}, {0xF6, '\x94'}, {0xDC, '\x9A'}};
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            result += text[i];
            continue;
        }
        unsigned code_point = i + 1 < text.size() ? ((lead & 0x1F) << 6) | (text[i + 1] & 0x3F) : 0;
        ++i;
        char converted = '?';
        for (const Letter& letter : letters) {
            if (letter.code_point == code_point) {
                converted = letter.cp850;
            }
        }
        result += converted;
    }
    return result;
}

struct ScriptControl {
    std::string keyword;
    std::string text;
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string class_name;
};

// Splits "KEYWORD "text", id, x, y, w, h, ..." into its fields. CONTROL lines
// are "CONTROL text-or-number, id, "class", style, x, y, w, h".
ScriptControl parse_control(const std::string& line)
{
    ScriptControl control;
    std::istringstream words(line);
    words >> control.keyword;
    std::string rest;
    std::getline(words, rest);
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : rest) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.push_back(field);
            field.clear();
        } else if (quoted || c != ' ') {
            field += c;
        }
    }
    fields.push_back(field);
    size_t at = 0;
    if (control.keyword != "EDITTEXT") {
        control.text = fields[at++];
    }
    std::string id = fields[at++];
    control.id = id == "IDC_STATIC" ? NO_CONTROL_ID : std::stoi(id);
    if (control.keyword == "CONTROL") {
        control.class_name = fields[at++];
        at++;   // style
    }
    control.x = std::stoi(fields[at]);
    control.y = std::stoi(fields[at + 1]);
    control.width = std::stoi(fields[at + 2]);
    control.height = std::stoi(fields[at + 3]);
    return control;
}

struct ScriptDialog {
    std::string caption;
    std::string font;
    std::string style;
    std::vector<ScriptControl> controls;
};

ScriptDialog read_dialog(int resource_id)
{
    std::ifstream script(resource_dir + "setup.rc");
    std::string line;
    ScriptDialog dialog;
    const std::string header = std::to_string(resource_id) + " DIALOGEX 0, 0, 415, 220";
    while (std::getline(script, line) && line != header) {
    }
    while (std::getline(script, line) && line != "END") {
        if (line.rfind("CAPTION ", 0) == 0) {
            dialog.caption = line.substr(9, line.size() - 10);
        } else if (line.rfind("FONT ", 0) == 0) {
            dialog.font = line.substr(5);
        } else if (line.rfind("STYLE ", 0) == 0) {
            dialog.style = line.substr(6);
        } else if (line.rfind("    ", 0) == 0) {
            dialog.controls.push_back(parse_control(line.substr(4)));
        }
    }
    return dialog;
}

const char* keyword_of(ControlKind kind)
{
    switch (kind) {
    case ControlKind::DEFAULT_BUTTON: return "DEFPUSHBUTTON";
    case ControlKind::BUTTON: return "PUSHBUTTON";
    case ControlKind::PICTURE: return "CONTROL";
    case ControlKind::CHECKBOX: return "AUTOCHECKBOX";
    case ControlKind::LABEL: return "LTEXT";
    case ControlKind::RIGHT_LABEL: return "RTEXT";
    case ControlKind::EDIT:
    case ControlKind::READ_ONLY_EDIT: return "EDITTEXT";
    case ControlKind::PROGRESS_BAR: return "CONTROL";
    }
    return "";
}

TEST(ResourceScript, DialogTemplatesMatchTheTable)
{
    for (const DialogTemplate& layout : dialog_templates) {
        SCOPED_TRACE(layout.resource_id);
        ScriptDialog dialog = read_dialog(layout.resource_id);
        EXPECT_EQ(dialog.caption, layout.caption);
        EXPECT_EQ(dialog.font, "8, \"MS Sans Serif\"");
        EXPECT_EQ(dialog.style.find("WS_VISIBLE"), std::string::npos);
        EXPECT_NE(dialog.style.find("WS_SYSMENU"), std::string::npos);
        EXPECT_NE(dialog.style.find("WS_CAPTION"), std::string::npos);
        ASSERT_EQ(dialog.controls.size(), static_cast<size_t>(DIALOG_CONTROL_COUNT));
        for (int i = 0; i < DIALOG_CONTROL_COUNT; ++i) {
            const DialogControl& expected = dialog_controls[i];
            const ScriptControl& actual = dialog.controls[i];
            SCOPED_TRACE(expected.id);
            EXPECT_EQ(actual.keyword, keyword_of(expected.kind));
            EXPECT_EQ(actual.id, expected.id);
            EXPECT_EQ(actual.x, expected.x);
            EXPECT_EQ(actual.y, expected.y);
            EXPECT_EQ(actual.width, control_width(expected, layout.language));
            EXPECT_EQ(actual.height, expected.height);
            if (expected.kind == ControlKind::PICTURE) {
                EXPECT_EQ(actual.text, std::to_string(expected.id));   // the bitmap's id
                EXPECT_EQ(actual.class_name, "Static");
            } else if (expected.kind == ControlKind::PROGRESS_BAR) {
                EXPECT_EQ(actual.class_name, "ProgressBar");
            } else if (expected.kind != ControlKind::EDIT && expected.kind != ControlKind::READ_ONLY_EDIT) {
                EXPECT_EQ(utf8_to_cp850(actual.text), control_text(expected, layout.language));
            }
        }
    }
}

TEST(ResourceScript, GermanWidensThreeCheckboxes)
{
    ScriptDialog german = read_dialog(101);
    ScriptDialog english = read_dialog(100);
    ASSERT_EQ(german.controls.size(), english.controls.size());
    std::vector<std::pair<int, int>> widened;
    for (size_t i = 0; i < german.controls.size(); ++i) {
        if (german.controls[i].width != english.controls[i].width) {
            widened.emplace_back(german.controls[i].id, german.controls[i].width);
        }
    }
    const std::vector<std::pair<int, int>> expected = {{304, 175}, {303, 176}, {305, 168}};
    EXPECT_EQ(widened, expected);
}

TEST(ResourceImages, BitmapsHaveTheirSizesAndSixteenColours)
{
    struct Case {
        const char* file;
        uint32_t width, height;
    };
    const Case cases[] = {{"bar_pattern.bmp", 4, 4}, {"picture_large.bmp", 230, 210}, {"picture_small.bmp", 200, 180}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<uint8_t> bitmap = read_file(c.file);
        ASSERT_GT(bitmap.size(), 118u);
        EXPECT_EQ(bitmap[0], 'B');
        EXPECT_EQ(bitmap[1], 'M');
        EXPECT_EQ(little32(bitmap, 18), c.width);
        EXPECT_EQ(little32(bitmap, 22), c.height);
        EXPECT_EQ(bitmap[28], 4);   // bits per pixel
    }
}

TEST(ResourceImages, BarPatternIsASilverAndGreyCheckerboard)
{
    std::vector<uint8_t> bitmap = read_file("bar_pattern.bmp");
    ASSERT_EQ(bitmap.size(), 134u);
    auto colour = [&](int x, int y) {   // rows are stored bottom-up, two pixels a byte
        uint8_t pair = bitmap[118 + (3 - y) * 4 + x / 2];
        int index = x % 2 == 0 ? pair >> 4 : pair & 0x0F;
        return little32(bitmap, 54 + index * 4) & 0xFFFFFF;   // blue, green, red
    };
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(colour(x, y), (x + y) % 2 == 0 ? 0xC0C0C0u : 0x808080u) << x << "," << y;
        }
    }
}

TEST(ResourceImages, IconHasSixteenColourImages)
{
    std::vector<uint8_t> icon = read_file("setup.ico");
    ASSERT_GE(icon.size(), 22u);
    EXPECT_EQ(icon[2], 1);   // icon, not cursor
    ASSERT_GE(icon[4], 1);
    EXPECT_EQ(icon[6], 32);  // first image 32 x 32
    EXPECT_EQ(icon[8], 16);  // colours
}

}  // namespace
