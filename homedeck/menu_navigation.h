// The launcher's screens and the highlight of its menus: which button the remote's left and
// right keys highlight, which command OK gives, and where Back, Home and Setup lead.
#pragma once

#include <optional>

namespace homedeck {

enum class Screen : int {
    Main = 0,
    Multimedia = 1,
    Settings = 2,
    Backlight = 3,
    SoundFm = 4,
    SystemInfo = 5,
    Update = 6,
};

// A screen and the highlighted button of its menu (0 on screens without one).
struct MenuPlace {
    Screen screen = Screen::Main;
    int focus = 0;
    bool operator==(const MenuPlace&) const = default;
};

// Buttons the highlight moves over: 5 on the main menu, 4 on the multimedia menu, 3 on the
// settings menu, none elsewhere.
int MenuButtonCount(Screen screen);
// The command of a menu's button by its place in the highlight order; 0 outside a menu.
int MenuButtonCommand(Screen screen, int focus);
// The place of a command among its menu's buttons, or nothing when it is none of them.
std::optional<int> MenuFocusOf(Screen screen, int command);

// The next and the previous highlighted button, wrapping round; a screen without a menu keeps
// its focus.
int NextFocus(Screen screen, int focus);
int PreviousFocus(Screen screen, int focus);

// Back (the Exit button): the multimedia and settings menus go to the main menu with their own
// button highlighted; the backlight, sound and information screens to the settings menu with
// theirs. The main menu and the update screen stay.
std::optional<MenuPlace> BackFrom(Screen screen);
// The home key: every screen but the main menu and the update screen goes to the main menu.
std::optional<MenuPlace> HomeFrom(Screen screen);
// The setup key: the main and multimedia menus go to the settings menu; the backlight, sound
// and information screens go Back; the settings menu and the update screen stay.
std::optional<MenuPlace> SetupFrom(Screen screen);

}  // namespace homedeck
