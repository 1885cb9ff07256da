#include "homedeck/menu_navigation.h"

#include <gtest/gtest.h>

namespace homedeck {
namespace {

TEST(MenuNavigation, LeftAndRightWrapRoundEachMenu)
{
    struct Case {
        Screen screen;
        int focus;
        int next;
        int previous;
    };
    const Case cases[] = {
        {Screen::Main, 0, 1, 4},        // left from the first button highlights "System" (1005)
        {Screen::Main, 4, 0, 3},        // right from "System" highlights "Navi" (1001)
        {Screen::Multimedia, 3, 0, 2},
        {Screen::Multimedia, 0, 1, 3},
        {Screen::Settings, 2, 0, 1},
        {Screen::Settings, 0, 1, 2},
        {Screen::Backlight, 0, 0, 0},   // no menu: the focus stays
        {Screen::Update, 2, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "screen " << static_cast<int>(c.screen) << " focus " << c.focus);
        EXPECT_EQ(NextFocus(c.screen, c.focus), c.next);
        EXPECT_EQ(PreviousFocus(c.screen, c.focus), c.previous);
    }
    EXPECT_EQ(MenuButtonCommand(Screen::Main, PreviousFocus(Screen::Main, 0)), 1005);
    EXPECT_EQ(MenuButtonCommand(Screen::Main, NextFocus(Screen::Main, 4)), 1001);
}

TEST(MenuNavigation, OkGivesTheHighlightedButtonsCommand)
{
    const int main_menu[] = {1001, 1002, 1003, 1004, 1005};
    for (int focus = 0; focus < 5; ++focus)
        EXPECT_EQ(MenuButtonCommand(Screen::Main, focus), main_menu[focus]);
    EXPECT_EQ(MenuButtonCommand(Screen::Multimedia, 3), 1010);
    EXPECT_EQ(MenuButtonCommand(Screen::Settings, 2), 1013);
    EXPECT_EQ(MenuButtonCommand(Screen::Settings, 3), 0) << "past the menu";
    EXPECT_EQ(MenuButtonCommand(Screen::Main, -1), 0);
    EXPECT_EQ(MenuButtonCommand(Screen::SoundFm, 0), 0);
    EXPECT_EQ(MenuFocusOf(Screen::Multimedia, 1008), 1);
    EXPECT_EQ(MenuFocusOf(Screen::Main, 1008), std::nullopt);
}

TEST(MenuNavigation, BackHomeAndSetupLeadWhereTheirScreensSay)
{
    using Place = std::optional<MenuPlace>;
    struct Case {
        Screen from;
        Place back;
        Place home;
        Place setup;
    };
    const Place stays = std::nullopt;
    const Case cases[] = {
        {Screen::Main, stays, stays, MenuPlace{Screen::Settings, 0}},
        {Screen::Multimedia, MenuPlace{Screen::Main, 3}, MenuPlace{Screen::Main, 0}, MenuPlace{Screen::Settings, 0}},
        {Screen::Settings, MenuPlace{Screen::Main, 4}, MenuPlace{Screen::Main, 0}, stays},
        {Screen::Backlight, MenuPlace{Screen::Settings, 0}, MenuPlace{Screen::Main, 0}, MenuPlace{Screen::Settings, 0}},
        {Screen::SoundFm, MenuPlace{Screen::Settings, 1}, MenuPlace{Screen::Main, 0}, MenuPlace{Screen::Settings, 1}},
        {Screen::SystemInfo, MenuPlace{Screen::Settings, 2}, MenuPlace{Screen::Main, 0}, MenuPlace{Screen::Settings, 2}},
        {Screen::Update, stays, stays, stays},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "from screen " << static_cast<int>(c.from));
        EXPECT_EQ(BackFrom(c.from), c.back);
        EXPECT_EQ(HomeFrom(c.from), c.home);
        EXPECT_EQ(SetupFrom(c.from), c.setup);
    }
}

}  // namespace
}  // namespace homedeck
