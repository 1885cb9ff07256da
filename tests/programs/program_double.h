// The picture the program double paints: one colour per window name, so a test can tell from
// a screenshot which program is in front. Colours are 0xRRGGBB, as the screen shows them.
#pragma once

#include <cstdint>
#include <string_view>

struct ProgramDoubleColour {
    std::string_view window_name;
    std::uint32_t colour;
};

// The suite's window names and the navigation program's; any other name gets a colour made
// from its letters (ProgramDoubleColourOf).
constexpr ProgramDoubleColour kProgramDoubleColours[] = {
    {"APP_HOMEDECK", 0x803030}, {"APP_MUSIC", 0x2050A0},    {"APP_MOVIE", 0x6020A0},
    {"APP_PHOTO", 0x20A0A0},    {"APP_BROWSER", 0x808020},  {"APP_ROUTEKIT", 0x20A040},
    {"DMB_TELECAST", 0xA02060}, {"APP_EXTVIEW", 0xA06020},  {"STACKER", 0x606060},
    {"Wayfarer", 0x40A080},
};

constexpr std::uint32_t ProgramDoubleColourOf(std::string_view window_name) {
    for (const auto& entry : kProgramDoubleColours)
        if (entry.window_name == window_name) return entry.colour;
    std::uint32_t hash = 2166136261u;
    for (char c : window_name) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
    // Each channel in 64..191: never black, white or the overlay's colour key.
    return ((64 + (hash & 0x7F)) << 16) | ((64 + ((hash >> 8) & 0x7F)) << 8) | (64 + ((hash >> 16) & 0x7F));
}
