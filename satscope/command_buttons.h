// The twelve command buttons of SatScope's window (controls 1026 to 1037) for each receiver type:
// the resets, the developer-mode configuration and query commands, the pause button and the log
// button, each with its caption for the full and the compact window.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "satscope/receiver_commands.h"

namespace satscope {

constexpr int kCommandButtonCount = 12;

enum class ButtonAction { Hidden, Command, Pause, Log };

struct CommandButton {
    int id = 0;
    ButtonAction action = ButtonAction::Hidden;
    Command command{};    // for ButtonAction::Command
    std::string caption;  // empty for a hidden button
};

// The buttons 1026..1037 in order for a receiver type. Buttons that exist only in developer mode
// are hidden outside it, as are those the type does not use. The pause button is captioned by
// `paused`, the log button by `logging`.
std::array<CommandButton, kCommandButtonCount> CommandButtons(ReceiverType type, bool developer, bool compact,
                                                              bool paused, bool logging);

// "RUNNING" ("RUN") while paused, else "PAUSE" ("PAU").
const char* PauseCaption(bool paused, bool compact);
// "STOP_WR" ("S_W") while logging, else "WR_LOG" ("W_L").
const char* LogCaption(bool logging, bool compact);

// A press of the pause button: the new paused state, the button's new caption, and the mark the
// log gets when it is being written (nullptr when it is not).
struct PausePress {
    bool paused = false;
    const char* caption = nullptr;
    const char* log_mark = nullptr;
};
PausePress PressPause(bool paused, bool compact, bool logging);

// The receiver type a radio button selects (1038, 1039, 1041), nullopt for any other control.
std::optional<ReceiverType> TypeOfRadio(int control_id);

}  // namespace satscope
