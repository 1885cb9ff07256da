#include "homedeck/menu_navigation.h"

#include <array>
#include <span>

namespace homedeck {
namespace {

// The menus' buttons in highlight order, by command id.
constexpr std::array kMainButtons = {1001, 1002, 1003, 1004, 1005};
constexpr std::array kMultimediaButtons = {1007, 1008, 1009, 1010};
constexpr std::array kSettingsButtons = {1011, 1012, 1013};

std::span<const int> ButtonsOf(Screen screen)
{
    switch (screen) {
    case Screen::Main: return kMainButtons;
    case Screen::Multimedia: return kMultimediaButtons;
    case Screen::Settings: return kSettingsButtons;
    default: return {};
    }
}

}  // namespace

int MenuButtonCount(Screen screen)
{
    return static_cast<int>(ButtonsOf(screen).size());
}

int MenuButtonCommand(Screen screen, int focus)
{
    const auto buttons = ButtonsOf(screen);
    if (focus < 0 || focus >= static_cast<int>(buttons.size()))
        return 0;
    return buttons[static_cast<std::size_t>(focus)];
}

std::optional<int> MenuFocusOf(Screen screen, int command)
{
    const auto buttons = ButtonsOf(screen);
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == command)
            return static_cast<int>(i);
    return std::nullopt;
}

int NextFocus(Screen screen, int focus)
{
    const int count = MenuButtonCount(screen);
    return count ? (focus + 1) % count : focus;
}

int PreviousFocus(Screen screen, int focus)
{
    const int count = MenuButtonCount(screen);
    return count ? (focus + count - 1) % count : focus;
}

std::optional<MenuPlace> BackFrom(Screen screen)
{
    switch (screen) {
    case Screen::Multimedia: return MenuPlace{Screen::Main, 3};   // 1004
    case Screen::Settings: return MenuPlace{Screen::Main, 4};     // 1005
    case Screen::Backlight: return MenuPlace{Screen::Settings, 0};
    case Screen::SoundFm: return MenuPlace{Screen::Settings, 1};
    case Screen::SystemInfo: return MenuPlace{Screen::Settings, 2};
    default: return std::nullopt;
    }
}

std::optional<MenuPlace> HomeFrom(Screen screen)
{
    if (screen == Screen::Main || screen == Screen::Update)
        return std::nullopt;
    return MenuPlace{Screen::Main, 0};
}

std::optional<MenuPlace> SetupFrom(Screen screen)
{
    switch (screen) {
    case Screen::Main:
    case Screen::Multimedia: return MenuPlace{Screen::Settings, 0};
    case Screen::Backlight:
    case Screen::SoundFm:
    case Screen::SystemInfo: return BackFrom(screen);
    default: return std::nullopt;
    }
}

}  // namespace homedeck
