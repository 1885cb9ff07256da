#include "satscope/settings.h"

#include "satscope/ini_reader.h"
#include "satscope/nmea_fields.h"

namespace satscope {
namespace {

int Decimal(std::string_view value)
{
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    return LeadingInt(value);
}

template <std::size_t N>
int IndexOf(const std::array<std::string_view, N>& names, std::string_view value)
{
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == value) return static_cast<int>(i);
    return -1;
}

// "COM" and a ":" as the 5th or 6th character; a value too short for them fails.
bool LooksLikePortName(std::string_view value)
{
    if (value.size() < 5 || value.substr(0, 3) != "COM") return false;
    return value[4] == ':' || (value.size() > 5 && value[5] == ':');
}

class Load {
public:
    Load(const SettingLookup& lookup, SettingsLoad& result) : m_lookup(lookup), m_result(result) {}

    // The lookup of a key whose failure stops the load: the value, or nothing (status set).
    bool Required(std::string_view key, std::string& value)
    {
        LookupResult found = m_lookup(key);
        if (found.code != LookupCode::Found) {
            m_result.status = found.code == LookupCode::FileUnusable ? kNoFileText : kNoKeyText;
            return false;
        }
        value = std::move(found.value);
        return true;
    }
    // A key that may be missing: false only when the file became unusable (the load stops).
    bool Optional(std::string_view key, std::string& value, bool& found)
    {
        LookupResult answer = m_lookup(key);
        found = answer.code == LookupCode::Found;
        if (answer.code == LookupCode::FileUnusable) {
            m_result.status = kNoFileText;
            return false;
        }
        if (!found) m_result.status = kNoKeyText;
        value = found ? std::move(answer.value) : std::string{};
        return true;
    }
    bool Number(std::string_view key, int& number, bool* present = nullptr)
    {
        std::string value;
        bool found = false;
        if (!Optional(key, value, found)) return false;
        if (found) number = Decimal(value);
        if (present) *present = found;
        return true;
    }

private:
    const SettingLookup& m_lookup;
    SettingsLoad& m_result;
};

bool ReadAll(Load& load, SettingsLoad& result)
{
    Settings& settings = result.settings;
    std::string value;
    if (!load.Required("STATUS", value)) return false;
    if (value != "VALIDATED") {
        result.status = "This File is not validated !!";
        return false;
    }

    if (!load.Required("COMPORT", value)) return false;
    if (!LooksLikePortName(value)) {
        result.status = "Invalided Comport NAME (Check your words: [COM1:])";
        return false;
    }
    settings.port = IndexOf(kPortNames, value);
    if (settings.port < 0) {
        result.status = "Be different INI comport from your device";
        return false;
    }

    if (!load.Required("BAUDRATE", value)) return false;
    settings.baud = IndexOf(kBaudNames, value);
    if (settings.baud < 0) {
        result.status = "Invalided Baudrate (SUPPORTED BPS: 4800,9600,19200,38400,57600 and 115200)";
        return false;
    }
    settings.baud_rate = static_cast<unsigned>(Decimal(value));

    std::string id, password;
    bool found = false;
    if (!load.Optional("HID", id, found) || !load.Optional("HPWD", password, found)) return false;
    settings.developer = id == "KTQW_RZN" && password == "KTQW817";

    if (!load.Number("TOTAL_WINDOWS_WIDTH", settings.window_width)) return false;
    if (!load.Number("TOTAL_WINDOWS_HEIGHT", settings.window_height)) return false;
    int auto_connect = 0;
    if (!load.Number("AUTOCONNECT", auto_connect)) return false;
    settings.auto_connect = auto_connect == 1;
    if (!load.Number("CONTROL_WINDOWS_SIZE", settings.control_width)) return false;

    int shares[3] = {};
    bool present[3] = {};
    if (!load.Number("SIGNAL_WINDOWS_PERCENTAGE", shares[0], &present[0])) return false;
    if (!load.Number("SUM_WINDOWS_PERCENTAGE", shares[1], &present[1])) return false;
    if (!load.Number("LIST_WINDOWS_PERCENTAGE", shares[2], &present[2])) return false;
    if (present[0] && present[1] && present[2]) {
        settings.signal_share = shares[0];
        settings.summary_share = shares[1];
        settings.list_share = shares[2];
    }
    result.status.clear();
    return true;
}

// Values the window cannot be laid out with go back to their defaults, each with a debug line.
void RefuseUnusable(SettingsLoad& result, int screen_width, int screen_height)
{
    Settings& settings = result.settings;
    const Settings defaults;
    const auto size_text = [&] {
        return std::to_string(settings.window_width) + "x" + std::to_string(settings.window_height) +
               " with a control column of " + std::to_string(settings.control_width);
    };
    if (settings.control_width <= 0) {
        result.traces.push_back("settings: control column of window " + size_text() + " refused");
        settings.control_width = defaults.control_width;
    }
    // A window must have a size and be wider than its control column; else the screen's size.
    if (settings.window_width <= 0 || settings.window_height <= 0 ||
        settings.window_width <= settings.control_width) {
        result.traces.push_back("settings: window " + size_text() + " refused");
        settings.window_width = screen_width;
        settings.window_height = screen_height;
    }
    if (settings.control_width >= settings.window_width) {
        result.traces.push_back("settings: control column of window " + size_text() + " refused");
        settings.control_width = defaults.control_width;
    }
    const long long sum = static_cast<long long>(settings.signal_share) + settings.summary_share + settings.list_share;
    if (settings.signal_share < 0 || settings.summary_share < 0 || settings.list_share < 0 || sum <= 0) {
        result.traces.push_back("settings: proportions " + std::to_string(settings.signal_share) + ":" +
                                std::to_string(settings.summary_share) + ":" + std::to_string(settings.list_share) +
                                " refused");
        settings.signal_share = defaults.signal_share;
        settings.summary_share = defaults.summary_share;
        settings.list_share = defaults.list_share;
    }
}

}  // namespace

LookupResult LookupSetting(const std::string* file_text, std::string_view key)
{
    if (!file_text) return {LookupCode::FileUnusable, "EMPTY"};
    auto value = IniLookup(*file_text, kSettingsSection, key);
    // The program reads with the default "EMPTY": a key whose value is that word reads as absent.
    if (!value || *value == "EMPTY") return {LookupCode::KeyAbsent, "EMPTY"};
    return {LookupCode::Found, std::move(*value)};
}

SettingsLoad LoadSettings(const SettingLookup& lookup, int screen_width, int screen_height)
{
    SettingsLoad result;
    result.settings.window_width = screen_width;
    result.settings.window_height = screen_height;
    Load load(lookup, result);
    ReadAll(load, result);
    RefuseUnusable(result, screen_width, screen_height);
    return result;
}

}  // namespace satscope
