// Starting, bringing forward and closing the programs the launcher and RouteKit start: each
// is found by its window name, or started from its path on the device.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window/window.h"

namespace homedeck {

constexpr int kLaunchStarted = 1;
constexpr int kLaunchRunning = 0;
constexpr int kLaunchFailed = -1;

// How long a start waits on the new program, and how long a close waits for its answer.
constexpr DWORD kLaunchWaitMs = 1000;
constexpr DWORD kCloseWaitMs = 5000;

enum class BringToFront { No, Yes };

// The program's window when it runs (window_name empty: never). Otherwise starts path with the
// verb "Open" and the argument, and waits up to a second on the new program: kLaunchStarted.
// A running program is brought forward when asked: kLaunchRunning. A missing file, or a start
// that fails, gives kLaunchFailed with a debug line; nothing runs then.
int LaunchOrActivate(const std::string& window_name, const std::string& path, const std::string& argument,
                     BringToFront bring_to_front);

// Asks a running program to close (WM_CLOSE, sent). A program that has not answered after five
// seconds is left as it is, with a debug line naming it. True when it answered.
bool CloseProgram(const std::string& window_name);

// The programs the launcher starts, with their window names and paths.
struct ProgramPlace {
    const char* windowName;
    const char* path;
};
inline constexpr ProgramPlace kWayfarer = {"Wayfarer", "\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE"};
inline constexpr ProgramPlace kTelecast = {"DMB_TELECAST", "\\NAND\\TELECAST.EXE"};
inline constexpr ProgramPlace kMusic = {"APP_MUSIC", "\\NAND\\MUSIC.EXE"};
inline constexpr ProgramPlace kMovie = {"APP_MOVIE", "\\NAND\\MOVIE.EXE"};
inline constexpr ProgramPlace kPhoto = {"APP_PHOTO", "\\NAND\\PHOTO.EXE"};
inline constexpr ProgramPlace kStacker = {"Stacker", "\\NAND\\STACKER.EXE"};
inline constexpr ProgramPlace kExtview = {"APP_EXTVIEW", "\\NAND\\EXTVIEW.EXE"};
inline constexpr ProgramPlace kRouteKit = {"APP_ROUTEKIT", "\\NAND\\ROUTEKIT.EXE"};
inline constexpr ProgramPlace kFileShelf = {"APP_BROWSER", "\\NAND\\FILESHELF.EXE"};
inline constexpr ProgramPlace kHomeDeck = {"APP_HOMEDECK", "\\NAND\\HOMEDECK.EXE"};
inline constexpr ProgramPlace kCalibration = {"", "\\WINDOWS\\TCLAUNCH.EXE"};
inline constexpr ProgramPlace kShell = {"", "\\WINDOWS\\EXPLORER.EXE"};

inline int LaunchOrActivate(const ProgramPlace& program, const std::string& argument = {},
                            BringToFront bring_to_front = BringToFront::Yes)
{
    return LaunchOrActivate(program.windowName, program.path, argument, bring_to_front);
}
inline bool CloseProgram(const ProgramPlace& program)
{
    return CloseProgram(program.windowName);
}
// Whether the program's window exists.
bool IsRunning(const ProgramPlace& program);
// Sends Telecast, when it runs, a picture-in-picture request by WM_COPYDATA: `code` with one
// 32-bit value.
void SendTelecast(std::uintptr_t code, std::int32_t value);

}  // namespace homedeck
