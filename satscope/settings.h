// SatScope's settings, read once at start from UIConfig.ini beside the program, in the section
// "VORL_GPS_VIEWERS_PARAMETERS": the port and baud rate, whether to connect at once, developer
// mode, the window's size and how it is split. The file is never written.
//
// The checks run in a fixed order; the first that fails stops the load, leaves its message in
// the status text and every setting from there on at its default.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace satscope {

constexpr std::string_view kSettingsSection = "VORL_GPS_VIEWERS_PARAMETERS";
constexpr std::string_view kSettingsFile = "UIConfig.ini";

// The port list and the baud list, in their order on screen.
constexpr std::array<std::string_view, 9> kPortNames = {"COM1:", "COM2:", "COM3:", "COM4:", "COM5:",
                                                        "COM6:", "COM7:", "COM8:", "COM9:"};
constexpr std::array<std::string_view, 6> kBaudNames = {"4800", "9600", "19200", "38400", "57600", "115200"};

enum class LookupCode { Found = 0, FileUnusable = 1, KeyAbsent = 2 };

struct LookupResult {
    LookupCode code = LookupCode::KeyAbsent;
    std::string value;  // "EMPTY" when absent
};

// The status texts of the two lookup failures.
constexpr const char* kNoFileText = "Can't find INI-file";
constexpr const char* kNoKeyText = "Can't find INI catagory";

// The result of a lookup in the settings file's text (nullopt: the file could not be read).
LookupResult LookupSetting(const std::string* file_text, std::string_view key);

struct Settings {
    int port = -1;  // index in kPortNames, -1 none selected
    int baud = -1;  // index in kBaudNames, -1 none selected
    unsigned baud_rate = 0;
    bool developer = false;
    int window_width = 0;
    int window_height = 0;
    bool auto_connect = false;
    int control_width = 230;
    int signal_share = 5;
    int summary_share = 1;
    int list_share = 4;
};

struct SettingsLoad {
    Settings settings;
    std::string status;               // empty when the load went through
    std::vector<std::string> traces;  // values refused as unusable, one debug line each
};

using SettingLookup = std::function<LookupResult(std::string_view key)>;

// Loads the settings through the lookup; the window's default size is the screen's.
SettingsLoad LoadSettings(const SettingLookup& lookup, int screen_width, int screen_height);

}  // namespace satscope
