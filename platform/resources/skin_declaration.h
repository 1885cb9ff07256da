// A program's skin declaration (resources/<program>/skin.txt): one numbered bitmap per line,
//   ID  WIDTHxHEIGHT  FRAMES  ROWS  LOOK  [label "TEXT" | icon NAME]
// WIDTHxHEIGHT is one frame; frames lie side by side and rows stack below each other, so the
// bitmap is FRAMES*WIDTH wide and ROWS*HEIGHT high. '#' starts a comment line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resources/line_reader.h"

namespace resources {

// How the skin generator draws a bitmap. The table in skin_declaration.cpp gives each its word.
enum class SkinLook {
    Button,         // rounded button; frames: normal, pressed, highlighted, latched; a second row
                    // is the disabled look
    Spinner,        // wait animation, one step of a turning ring per frame (magenta around it)
    WaitBox,        // framed "please wait" box, one animation step per row
    Bar,            // progress bar; row 0 empty, row 1 filled
    Warning,        // light rounded box on magenta, for a warning message drawn over it
    Panel,          // screen or area background
    SliderTrack,    // slider groove; frames: normal, pressed
    SliderSegment,  // one step of a slider's level
    SeekTrack,      // seek bar groove
    SeekFill,       // seek bar filled part
    Knob,           // round handle on magenta
    Digits,         // glyphs 0-9, ':' and '-' side by side on magenta
    Static,         // text field plate; frames: normal, selected
    Title,          // a screen's title bar, its label as the title
    Label,          // a caption on the screen's background
    CheckBox,       // a list row's check box; frames: unchecked, checked
    RowHighlight,   // the bar behind a list's cursor row
    ListPanel,      // a list's background, with its row lines
    ScrollThumb,    // a list's scroll thumb; frames: one page only, several pages
    FolderIcon,     // a folder on the icon key colour RGB(248, 0, 248)
    PlayState,      // a player's state sign per frame: play, stop, pause (a fourth frame first: none)
    LevelBars,      // a playing animation: bars of changing heights, one step per frame
};

// The drawn icons a bitmap can carry; the table in skin_declaration.cpp gives each its word.
enum class SkinIcon {
    None,
    // A player's transport and lists.
    Play, Pause, Stop, Next, Previous, VolumeUp, VolumeDown, Home, List,
    // The launcher's menus and settings.
    Navigation,   // a map pin
    Tv,           // a television with its aerial
    Music,        // two beamed notes
    Multimedia,   // a play sign in a screen
    Settings,     // a gear
    Power,        // the power sign
    Movie,        // a film strip
    Photo,        // a framed landscape
    Game,         // a game pad
    Camera,       // a camera, for the external video input
    Brightness,   // a sun
    Sound,        // a speaker with its waves
    Info,         // an "i" in a ring
    Calibration,  // a target cross
    Add,          // a plus
    Route,        // a path between two points
    Left,         // a step arrow left
    Right,        // a step arrow right
    // The TV and radio player's buttons.
    Mute,         // a speaker with a cross for its waves
    Scan,         // an aerial mast sweeping for stations
    Radio,        // a radio set with its dial and rod aerial
    Fm,           // a transmitter mast with waves on both sides
    PageUp,       // a double chevron up
    PageDown,     // a double chevron down
    Close,        // an X
    LeavePip,     // a small box leaving a big one, with an arrow out
};

std::string_view LookName(SkinLook look);
std::string_view IconName(SkinIcon icon);
// Every icon that has a name, in the table's order.
std::vector<SkinIcon> NamedIcons();

struct SkinBitmap {
    uint32_t id = 0;
    int frame_width = 0;
    int frame_height = 0;
    int frames = 1;
    int rows = 1;
    SkinLook look = SkinLook::Button;
    std::string label;              // UTF-8, may be empty
    SkinIcon icon = SkinIcon::None;
    int line = 0;                   // where it was declared
    int pitch = 32;                 // a list panel's row spacing in pixels

    int Width() const { return frame_width * frames; }
    int Height() const { return frame_height * rows; }
    bool operator==(const SkinBitmap&) const = default;
};

// Limits that keep a declaration's bitmap within what the device can hold.
constexpr uint32_t kMaxBitmapId = 65535;
constexpr int kMaxFrameSide = 2048;
constexpr int kMaxFrames = 64;
constexpr int kMaxBitmapSide = 8192;
constexpr size_t kMaxLabelBytes = 256;

struct SkinDeclaration {
    std::vector<SkinBitmap> bitmaps;  // the lines that parsed, in file order
    std::vector<ParseError> errors;   // one per line that did not
};

// Reads a whole skin.txt. Bad lines are reported and left out; the others are kept.
SkinDeclaration ParseSkinDeclaration(std::string_view text);

}  // namespace resources
