// What graphplay is asked to do: the player variant, the picture's rectangle, the file, and
// the commands run on it in order.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace graphplay {

enum class Variant { Movie, Music };

struct Rect {
    int left = 0, top = 0, right = 800, bottom = 480;
};

struct Command {
    enum class Kind { Run, Pause, Stop, Seek, Wait, Position, Duration, Volume, Preset, State };
    Kind kind;
    double value = 0;  // seconds for seek, milliseconds for wait, the index for volume and preset
};

struct Options {
    std::string root;  // the device root, empty for the default
    Variant variant = Variant::Movie;
    Rect rect;
    std::string file;
    std::vector<Command> commands;
};

// The options from the arguments after the program name; nothing, with the reason, when they
// do not make sense.
std::optional<Options> ParseArguments(const std::vector<std::string>& arguments, std::string& error);

}  // namespace graphplay
