// The suite's programs and the messages between them: program ids and window names, the
// suite's own window messages and their codes, and the hub protocol through which players
// tell HomeDeck of a setting change and HomeDeck relays it to the other players.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window/window.h"

class CSystemSettings;

// ---- Programs --------------------------------------------------------------------------

enum ProgramId : int {
    PROGRAM_HOMEDECK = 0,
    PROGRAM_MUSIC = 1,
    PROGRAM_MOVIE = 2,
    PROGRAM_PHOTO = 3,
    PROGRAM_FILESHELF = 4,
    PROGRAM_ROUTEKIT = 5,
    PROGRAM_TELECAST = 6,
    PROGRAM_EXTVIEW = 7,
    PROGRAM_STACKER = 8,
    PROGRAM_WAYFARER = 9,  // the navigation program, outside the suite
    PROGRAM_TABLE_END = 10,
};

// HomeDeck's application table: ids 0 to 8 and the closing entry 10. Window and file names
// are kept as the device stores them, 32 UTF-16 characters zero-filled.
struct ApplicationEntry {
    std::int32_t id;
    std::int32_t relay;  // 1: receives relayed settings
    char16_t window_name[32];
    char16_t file_name[32];
};
extern const ApplicationEntry kApplicationTable[10];

// The window name (main window title) of a program id; empty for an unknown id.
std::string ProgramWindowName(int id);

// Looks a program's main window up by its title, then by a window class of that name.
HWND FindProgramWindow(const std::string& window_name);
// HomeDeck's relay looks for the class first, then the title.
HWND FindProgramWindowClassFirst(const std::string& window_name);

// ---- Messages --------------------------------------------------------------------------

constexpr UINT WM_SKIN_SLIDER = WM_USER + 100;
constexpr UINT WM_MMS_SETTING = WM_USER + 103;  // 1127
constexpr UINT WM_SKIN_CLICK = WM_USER + 105;
constexpr UINT WM_EXTVIEW_SUSPEND = WM_USER + 106;
constexpr UINT WM_EXTVIEW_RESUME = WM_USER + 107;
constexpr UINT WM_PLAYLIST_RESULT = WM_APP + 25;
constexpr UINT WM_TASKBAR_BROADCAST = 2239;     // HomeDeck's taskbar button, posted to all
constexpr UINT WM_TELECAST_BROADCAST = 8587;    // Telecast, posted to all
constexpr UINT WM_OUTSIDE_AUDIO_EVENT = 8590;   // from outside the suite, to all
constexpr const char* kBroadcastMessageName = "MMS_MSG_BROADCAST";

// WM_MMS_SETTING request codes (player -> HomeDeck).
constexpr WPARAM SETTING_VOLUME = 200;
constexpr WPARAM SETTING_VOLUME_EXTVIEW = 201;
constexpr WPARAM SETTING_FM_CHANNEL = 202;
constexpr WPARAM SETTING_RELOAD = 203;  // accepted by the players from anyone: re-read the settings file
constexpr WPARAM SETTING_MUTE = 204;

// WM_MMS_SETTING relay codes (HomeDeck -> players).
constexpr WPARAM RELAY_VOLUME = 100;
constexpr WPARAM RELAY_FM_CHANNEL = 101;
constexpr WPARAM RELAY_MUTE = 102;

// WM_COPYDATA data codes.
constexpr std::uintptr_t COPYDATA_NAVIGATION_VOLUME = 1069;
constexpr std::uintptr_t COPYDATA_PIP_SHOW = 4096;
constexpr std::uintptr_t COPYDATA_PIP_TOGGLE = 4097;
constexpr std::uintptr_t COPYDATA_PIP_NAVIGATION = 4098;
constexpr std::uintptr_t COPYDATA_PIP_HOMEDECK = 4099;

// The debug names of the suite's messages.
#define SUITE_MESSAGES(X)       \
    X(WM_SKIN_SLIDER)           \
    X(WM_MMS_SETTING)           \
    X(WM_SKIN_CLICK)            \
    X(WM_EXTVIEW_SUSPEND)       \
    X(WM_EXTVIEW_RESUME)        \
    X(WM_PLAYLIST_RESULT)       \
    X(WM_TASKBAR_BROADCAST)     \
    X(WM_TELECAST_BROADCAST)    \
    X(WM_OUTSIDE_AUDIO_EVENT)
const char* SuiteMessageName(UINT message);

// ---- The hub ---------------------------------------------------------------------------

// A player's link to HomeDeck: the window found once at the player's start and kept for the
// life of the process. A player that started before HomeDeck keeps none and tells nothing.
class CHomeDeckLink {
public:
    CHomeDeckLink() = default;
    // Looks "APP_HOMEDECK" up (class first, then title).
    void Attach(int own_id);
    HWND Window() const { return m_homedeck; }
    // Sends WM_MMS_SETTING(code, own id << 16 | value & 0xFFFF) to HomeDeck, if it was found.
    void NotifyHomeDeck(WPARAM code, int value) const;

private:
    HWND m_homedeck = nullptr;
    int m_own_id = -1;
};

// The wave-out volume word for a level 0..10: (L * 39321) / 10 on both channels.
DWORD WaveOutVolumeFromLevel(int level);
// What the navigation program gets for a level: (L + 1) / 2, 0 for 0.
int NavigationVolumeFromLevel(int level);

// Sends the navigation program ("Wayfarer") its volume by WM_COPYDATA 1069.
void SendVolumeToNavigation(int level);
// Sends (code, value) to every program of the table with the relay flag but the sender.
void RelaySetting(int sender_id, WPARAM code, int value);
// HomeDeck's handling of a WM_MMS_SETTING request; saves the settings file. Returns 0.
LRESULT HandleSettingRequest(CSystemSettings& settings, WPARAM code, LPARAM lparam);
