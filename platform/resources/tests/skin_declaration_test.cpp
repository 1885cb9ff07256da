#include "platform/resources/skin_declaration.h"

#include <gtest/gtest.h>

#include <set>

namespace resources {
namespace {

TEST(SkinDeclaration, GoodFileParsesExactly) {
    const auto result = ParseSkinDeclaration(
        "# comment\n"
        "156 61x61 8 1 spinner\n"
        "\n"
        "182\t235x75\t1\t3\twaitbox label \"잠시만 기다려\"\r\n"
        "301 96x72 4 1 button icon play label \"재생\"\n");
    EXPECT_TRUE(result.errors.empty());
    ASSERT_EQ(result.bitmaps.size(), 3u);
    EXPECT_EQ(result.bitmaps[0], (SkinBitmap{156, 61, 61, 8, 1, SkinLook::Spinner, "", SkinIcon::None, 2}));
    EXPECT_EQ(result.bitmaps[1], (SkinBitmap{182, 235, 75, 1, 3, SkinLook::WaitBox, "잠시만 기다려", SkinIcon::None, 4}));
    EXPECT_EQ(result.bitmaps[2], (SkinBitmap{301, 96, 72, 4, 1, SkinLook::Button, "재생", SkinIcon::Play, 5}));
    EXPECT_EQ(result.bitmaps[0].Width(), 488);
    EXPECT_EQ(result.bitmaps[1].Height(), 225);
}

TEST(SkinDeclaration, EveryLookAndIconNameRoundTrips) {
    for (const char* look : {"button", "spinner", "waitbox", "bar", "warning", "panel", "slider-track",
                             "slider-segment", "seek-track", "seek-fill", "knob", "digits", "static", "title", "label"}) {
        const auto result = ParseSkinDeclaration(std::string("1 2x2 1 1 ") + look);
        ASSERT_EQ(result.bitmaps.size(), 1u) << look;
        EXPECT_EQ(LookName(result.bitmaps[0].look), look);
    }
    for (const char* icon : {"play", "pause", "stop", "next", "previous", "volume-up", "volume-down", "home", "list",
                             "navigation", "tv", "music", "multimedia", "settings", "power", "movie", "photo", "game",
                             "camera", "brightness", "sound", "info", "calibration", "add", "route", "left", "right",
                             "mute", "scan", "radio", "fm", "page-up", "page-down", "close", "leave-pip"}) {
        const auto result = ParseSkinDeclaration(std::string("1 2x2 1 1 button icon ") + icon);
        ASSERT_EQ(result.bitmaps.size(), 1u) << icon;
        EXPECT_EQ(IconName(result.bitmaps[0].icon), icon);
    }
}

TEST(SkinDeclaration, EveryIconIsNamedOnce) {
    // The enumeration runs from None to LeavePip; each icon after None has one word.
    const auto named = NamedIcons();
    ASSERT_EQ(named.size(), static_cast<size_t>(SkinIcon::LeavePip));
    std::set<std::string_view> words;
    for (size_t i = 0; i < named.size(); ++i) {
        EXPECT_EQ(named[i], static_cast<SkinIcon>(i + 1));
        EXPECT_NE(IconName(named[i]), "none");
        words.insert(IconName(named[i]));
    }
    EXPECT_EQ(words.size(), named.size());
}

struct BadLine {
    const char* line;
    const char* reason_part;
};

TEST(SkinDeclaration, BadLinesAreReportedWithTheirLineAndReason) {
    const BadLine cases[] = {
        {"156 61x61 8 1", "expected"},
        {"x 61x61 8 1 spinner", "bitmap number"},
        {"70000 61x61 8 1 spinner", "bitmap number"},
        {"156 61 8 1 spinner", "frame size"},
        {"156 0x61 8 1 spinner", "frame size"},
        {"156 61x61 0 1 spinner", "frame count"},
        {"156 61x61 65 1 spinner", "frame count"},
        {"156 61x61 1 0 spinner", "row count"},
        {"156 61x61 8 1 sparkle", "unknown look"},
        {"156 2048x10 8 1 button", "8192"},
        {"156 61x61 8 1 button icon rewind", "unknown icon"},
        {"156 61x61 8 1 button label", "needs a value"},
        {"156 61x61 8 1 button label \"\"", "label must be"},
        {"156 61x61 8 1 button label \"a\" label \"b\"", "twice"},
        {"156 61x61 8 1 button colour red", "unknown attribute"},
        {"138 800x340 1 1 list-panel pitch 0", "pitch"},
        {"138 800x340 1 1 list-panel pitch x", "pitch"},
        {"156 61x61 8 1 button label \"open", "unclosed quote"},
        {"156 61x61 8 1 button label \"\xff\"", "UTF-8"},
    };
    for (const auto& bad : cases) {
        const auto result = ParseSkinDeclaration(std::string("1 10x10 1 1 panel\n") + bad.line + "\n");
        ASSERT_EQ(result.errors.size(), 1u) << bad.line;
        EXPECT_EQ(result.errors[0].line, 2) << bad.line;
        EXPECT_NE(result.errors[0].reason.find(bad.reason_part), std::string::npos)
            << bad.line << " gave: " << result.errors[0].reason;
        EXPECT_EQ(result.bitmaps.size(), 1u) << "the good line stays";
    }
}

TEST(SkinDeclaration, AListPanelsRowPitchIs32UnlessGiven) {
    const auto result = ParseSkinDeclaration("137 346x260 1 1 list-panel\n138 800x340 1 1 list-panel pitch 37\n");
    ASSERT_TRUE(result.errors.empty());
    ASSERT_EQ(result.bitmaps.size(), 2u);
    EXPECT_EQ(result.bitmaps[0].pitch, 32);
    EXPECT_EQ(result.bitmaps[1].pitch, 37);
}

TEST(SkinDeclaration, SecondDeclarationOfANumberIsRefused) {
    const auto result = ParseSkinDeclaration("5 1x1 1 1 panel\n5 2x2 1 1 panel\n");
    ASSERT_EQ(result.bitmaps.size(), 1u);
    EXPECT_EQ(result.bitmaps[0].frame_width, 1);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0], (ParseError{2, "bitmap 5 declared twice"}));
}

TEST(SkinDeclaration, EveryPrefixOfAGoodFileIsSafe) {
    const std::string good = "156 61x61 8 1 spinner\n301 96x72 4 1 button icon play label \"재생\"\n";
    for (size_t length = 0; length <= good.size(); ++length) {
        const auto result = ParseSkinDeclaration(std::string_view(good).substr(0, length));
        EXPECT_LE(result.bitmaps.size() + result.errors.size(), 2u);
        for (const auto& error : result.errors) EXPECT_GE(error.line, 1);
    }
}

}  // namespace
}  // namespace resources
