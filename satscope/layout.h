// Where the controls of SatScope's window go: the left area holds the signal bars, the summary
// grid and the sentence list, split by three proportions; the control column on the right holds
// the lists, the connect button, the receiver types, the time and version texts, the preset
// buttons and the twelve command buttons. A window under 301 pixels high is compact: a narrow
// column, short captions, and fewer texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace satscope {

struct LayoutInput {
    int window_width = 800;
    int window_height = 480;
    int control_width = 230;  // the column of a full-size window
    int signal_share = 5;
    int summary_share = 1;
    int list_share = 4;
    bool port_open = false;
};

struct Placement {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool visible = true;
};

struct LayoutResult {
    bool compact = false;
    int window_width = 0;
    int window_height = 0;
    int client_height = 0;
    int left_width = 0;
    int control_width = 0;
    int signal_height = 0;
    int summary_height = 0;
    int list_height = 0;
    std::vector<Placement> placements;                   // every control but the command buttons' visibility
    std::vector<std::pair<int, std::string>> captions;   // texts the layout sets
};

constexpr int kCaptionBar = 25;  // the window's height less its client area
constexpr int kCompactBelow = 301;
constexpr int kNoTimesBelow = 251;
constexpr int kCompactControlWidth = 100;

// The shares must sum to more than 0 (the settings refuse others).
LayoutResult ComputeLayout(const LayoutInput& input);

const char* WindowTitle(bool compact);

}  // namespace satscope
