#include "platform/resources/dialog_template.h"

#include <gtest/gtest.h>

namespace resources {
namespace {

TEST(DialogTemplate, GoodFileParsesExactly) {
    const auto result = ParseDialogTemplates(
        "# demo\n"
        "dialog main 800x480 background 200\n"
        "control 1000 static 20,60 300x40 left,vcenter skin 316 \"곡 제목\"\n"
        "control 1011 button -4,200 96x72 center skin 301\n"
        "control 1021 slider 240,316 240x40 -\n"
        "dialog second 400x64\n"
        "control 1 seekbar 0,0 10x10 right,wordbreak,noprefix \"a b\"\n");
    EXPECT_TRUE(result.errors.empty()) << result.errors[0].reason;
    ASSERT_EQ(result.dialogs.size(), 2u);
    const auto& main = result.dialogs[0];
    EXPECT_EQ(main.name, "main");
    EXPECT_EQ(main.width, 800);
    EXPECT_EQ(main.height, 480);
    EXPECT_EQ(main.background, 200u);
    EXPECT_EQ(main.line, 2);
    ASSERT_EQ(main.controls.size(), 3u);
    EXPECT_EQ(main.controls[0], (TemplateControl{1000, ControlKind::Static, 20, 60, 300, 40,
                                                 kStyleLeft | kStyleVCenter, 316u, "곡 제목", 3}));
    EXPECT_EQ(main.controls[1], (TemplateControl{1011, ControlKind::Button, -4, 200, 96, 72, kStyleCenter, 301u, "", 4}));
    EXPECT_EQ(main.controls[2], (TemplateControl{1021, ControlKind::Slider, 240, 316, 240, 40, kStyleLeft,
                                                 std::nullopt, "", 5}));
    const auto& second = result.dialogs[1];
    EXPECT_FALSE(second.background);
    ASSERT_EQ(second.controls.size(), 1u);
    EXPECT_EQ(second.controls[0].kind, ControlKind::SeekBar);
    EXPECT_EQ(second.controls[0].style, kStyleRight | kStyleWordBreak | kStyleNoPrefix);
    EXPECT_EQ(second.controls[0].caption, "a b");
}

TEST(DialogTemplate, StyleBitsAreTheDrawTextFlags) {
    // A template's style goes to DrawText as it stands: DT_CENTER, DT_RIGHT, DT_VCENTER,
    // DT_WORDBREAK and DT_NOPREFIX.
    EXPECT_EQ(kStyleCenter, 0x1u);
    EXPECT_EQ(kStyleRight, 0x2u);
    EXPECT_EQ(kStyleVCenter, 0x4u);
    EXPECT_EQ(kStyleWordBreak, 0x10u);
    EXPECT_EQ(kStyleNoPrefix, 0x800u);
}

struct BadLine {
    const char* line;
    const char* reason_part;
};

TEST(DialogTemplate, BadLinesAreReportedWithTheirLineAndReason) {
    const BadLine cases[] = {
        {"window x 1x1", "unknown line"},
        {"dialog", "expected: dialog"},
        {"dialog other 0x480", "dialog size"},
        {"dialog other 800x480 background", "expected: dialog"},
        {"dialog other 800x480 backdrop 3", "unknown attribute"},
        {"dialog other 800x480 background x", "background"},
        {"dialog main 800x480", "declared twice"},
        {"control 1 button 0,0 10x10", "expected: control"},
        {"control x button 0,0 10x10 -", "control id"},
        {"control 2 knob 0,0 10x10 -", "unknown control kind"},
        {"control 2 button 0;0 10x10 -", "position"},
        {"control 2 button 0,99999 10x10 -", "position"},
        {"control 2 button 0,0 10 -", "control size"},
        {"control 2 button 0,0 10x10 middle", "style"},
        {"control 2 button 0,0 10x10 left,right", "style"},
        {"control 2 button 0,0 10x10 - skin", "needs a bitmap"},
        {"control 2 button 0,0 10x10 - skin -1", "skin"},
        {"control 2 button 0,0 10x10 - \"a\" extra", "unexpected"},
        {"control 2 button 0,0 10x10 - \"\xc3\"", "UTF-8"},
        {"control 1 button 0,0 10x10 -", "declared twice"},
        {"control 2 button 0,0 10x10 - \"open", "unclosed"},
    };
    for (const auto& bad : cases) {
        const auto result =
            ParseDialogTemplates(std::string("dialog main 800x480\ncontrol 1 button 0,0 5x5 -\n") + bad.line);
        ASSERT_EQ(result.errors.size(), 1u) << bad.line;
        EXPECT_EQ(result.errors[0].line, 3) << bad.line;
        EXPECT_NE(result.errors[0].reason.find(bad.reason_part), std::string::npos)
            << bad.line << " gave: " << result.errors[0].reason;
        ASSERT_EQ(result.dialogs.size(), 1u);
        EXPECT_EQ(result.dialogs[0].controls.size(), 1u);
    }
}

TEST(DialogTemplate, ControlBeforeDialogAndOverflowAreRefused) {
    auto result = ParseDialogTemplates("control 1 button 0,0 5x5 -\n");
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0], (ParseError{1, "control before any dialog line"}));

    // A plain dialog holds 64 controls (a skin dialog fewer, which it checks itself).
    std::string many = "dialog full 800x480\n";
    for (int id = 0; id < 65; ++id) many += "control " + std::to_string(id) + " static 0,0 5x5 -\n";
    result = ParseDialogTemplates(many);
    ASSERT_EQ(result.dialogs.size(), 1u);
    EXPECT_EQ(kMaxControlsPerDialog, 64u);
    EXPECT_EQ(result.dialogs[0].controls.size(), kMaxControlsPerDialog);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].line, 66);
    EXPECT_NE(result.errors[0].reason.find("more than 64"), std::string::npos) << result.errors[0].reason;
}

TEST(DialogTemplate, StandardControlKindsAndADialogTitleParse) {
    const auto result = ParseDialogTemplates(
        "dialog 102 800x480 \"[VORL] empty\"\n"
        "control 1011 listbox 2,300 568x176 -\n"
        "control 1013 combobox 572,2 111x20 -\n"
        "control 1038 radio 572,49 76x25 center \"GGMS\"\n"
        "dialog skinned 800x480 background 7 \"Title \"\n"
        "dialog plain 10x10\n"
        "dialog background 10x10 \"background\"\n");
    ASSERT_TRUE(result.errors.empty()) << result.errors[0].line << ": " << result.errors[0].reason;
    ASSERT_EQ(result.dialogs.size(), 4u);
    const auto& gps = result.dialogs[0];
    EXPECT_EQ(gps.name, "102");
    EXPECT_EQ(gps.title, "[VORL] empty");
    EXPECT_FALSE(gps.background);
    ASSERT_EQ(gps.controls.size(), 3u);
    EXPECT_EQ(gps.controls[0], (TemplateControl{1011, ControlKind::ListBox, 2, 300, 568, 176, kStyleLeft,
                                                std::nullopt, "", 2}));
    EXPECT_EQ(gps.controls[1].kind, ControlKind::ComboBox);
    EXPECT_EQ(gps.controls[2], (TemplateControl{1038, ControlKind::Radio, 572, 49, 76, 25, kStyleCenter,
                                                std::nullopt, "GGMS", 4}));
    EXPECT_EQ(result.dialogs[1].background, 7u);
    EXPECT_EQ(result.dialogs[1].title, "Title ") << "a title keeps its spaces";
    EXPECT_EQ(result.dialogs[2].title, "");
    // A quoted last word is a title, even one that reads like an attribute.
    EXPECT_EQ(result.dialogs[3].title, "background");
    EXPECT_FALSE(result.dialogs[3].background);
}

TEST(DialogTemplate, BadDialogTitlesAreReported) {
    const BadLine cases[] = {
        {"dialog t 10x10 title", "expected: dialog"},            // a title must be quoted
        {"dialog t 10x10 \"a\" \"b\"", "expected: dialog"},      // one title at most
        {"dialog t 10x10 \"\xff\"", "UTF-8"},
        {"dialog t 10x10 \"a\" background 3", "expected: dialog"},  // the title comes last
    };
    for (const auto& bad : cases) {
        const auto result = ParseDialogTemplates(std::string(bad.line) + "\n");
        ASSERT_EQ(result.errors.size(), 1u) << bad.line;
        EXPECT_EQ(result.errors[0].line, 1) << bad.line;
        EXPECT_NE(result.errors[0].reason.find(bad.reason_part), std::string::npos)
            << bad.line << " gave: " << result.errors[0].reason;
        EXPECT_TRUE(result.dialogs.empty()) << bad.line;
    }
}

TEST(DialogTemplate, ControlIdsMayRepeatAcrossDialogs) {
    const auto result = ParseDialogTemplates("dialog a 1x1\ncontrol 1 button 0,0 1x1 -\ndialog b 1x1\ncontrol 1 button 0,0 1x1 -\n");
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.dialogs.size(), 2u);
}

}  // namespace
}  // namespace resources
