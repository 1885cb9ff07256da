#include "framework/program_messages.h"

#include "framework/system_settings.h"
#include "platform/devices/wave_out.h"
#include "platform/files/codepage.h"
#include "platform/kernel/debug_output.h"

const ApplicationEntry kApplicationTable[10] = {
    {PROGRAM_HOMEDECK, 0, u"APP_HOMEDECK", u"HOMEDECK.EXE"},
    {PROGRAM_MUSIC, 1, u"APP_MUSIC", u"MUSIC.EXE"},
    {PROGRAM_MOVIE, 1, u"APP_MOVIE", u"MOVIE.EXE"},
    {PROGRAM_PHOTO, 0, u"APP_PHOTO", u"PHOTO.EXE"},
    {PROGRAM_FILESHELF, 0, u"APP_BROWSER", u"FILESHELF.EXE"},
    {PROGRAM_ROUTEKIT, 0, u"APP_ROUTEKIT", u"ROUTEKIT.EXE"},
    {PROGRAM_TELECAST, 1, u"DMB_TELECAST", u"TELECAST.EXE"},
    {PROGRAM_EXTVIEW, 1, u"APP_EXTVIEW", u"EXTVIEW.EXE"},
    {PROGRAM_STACKER, 0, u"STACKER", u"STACKER.EXE"},
    {PROGRAM_TABLE_END, 0, u"", u""},
};

namespace {

std::string Name(const char16_t (&text)[32]) {
    std::u16string wide;
    for (char16_t c : text) {
        if (c == 0) break;
        wide.push_back(c);
    }
    return platform::WideToUtf8(wide);
}

}  // namespace

std::string ProgramWindowName(int id) {
    if (id == PROGRAM_WAYFARER) return "Wayfarer";
    for (const auto& entry : kApplicationTable) {
        if (entry.id >= PROGRAM_TABLE_END) break;
        if (entry.id == id) return Name(entry.window_name);
    }
    return {};
}

HWND FindProgramWindow(const std::string& window_name) {
    // An empty name would match any window; it names no program.
    if (window_name.empty()) return nullptr;
    HWND hwnd = FindWindow("", window_name);
    return hwnd ? hwnd : FindWindow(window_name, "");
}

HWND FindProgramWindowClassFirst(const std::string& window_name) {
    if (window_name.empty()) return nullptr;
    HWND hwnd = FindWindow(window_name, "");
    return hwnd ? hwnd : FindWindow("", window_name);
}

const char* SuiteMessageName(UINT message) {
    switch (message) {
#define SUITE_MESSAGE_NAME(name) \
    case name:                   \
        return #name;
        SUITE_MESSAGES(SUITE_MESSAGE_NAME)
#undef SUITE_MESSAGE_NAME
        default:
            return "?";
    }
}

void CHomeDeckLink::Attach(int own_id) {
    m_own_id = own_id;
    m_homedeck = FindProgramWindowClassFirst("APP_HOMEDECK");
}

void CHomeDeckLink::NotifyHomeDeck(WPARAM code, int value) const {
    if (!m_homedeck) return;
    const LPARAM lparam = static_cast<LPARAM>((static_cast<std::uint32_t>(m_own_id) << 16) +
                                              (static_cast<std::uint32_t>(value) & 0xFFFFu));
    SendMessage(m_homedeck, WM_MMS_SETTING, code, lparam);
}

DWORD WaveOutVolumeFromLevel(int level) {
    const std::uint32_t channel = (static_cast<std::uint32_t>(level) * 39321u) / 10u;
    return (channel & 0xFFFFu) | ((channel & 0xFFFFu) << 16);
}

int NavigationVolumeFromLevel(int level) { return level > 0 ? (level + 1) / 2 : 0; }

void SendVolumeToNavigation(int level) {
    HWND navigation = FindWindow("", "Wayfarer");
    if (!navigation) return;
    std::int32_t value = NavigationVolumeFromLevel(level);
    COPYDATASTRUCT copy;
    copy.dwData = COPYDATA_NAVIGATION_VOLUME;
    copy.cbData = sizeof(value);
    copy.lpData = &value;
    SendMessage(navigation, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
}

void RelaySetting(int sender_id, WPARAM code, int value) {
    for (const auto& entry : kApplicationTable) {
        if (entry.id >= PROGRAM_TABLE_END) break;
        // Ids compare as 16-bit values, so HomeDeck's own relays (sender -1) reach everyone.
        if (static_cast<std::uint16_t>(entry.id) == static_cast<std::uint16_t>(sender_id) || entry.relay != 1) continue;
        HWND target = FindProgramWindowClassFirst(Name(entry.window_name));
        if (target) SendMessage(target, WM_MMS_SETTING, code, value);
    }
}

LRESULT HandleSettingRequest(CSystemSettings& settings, WPARAM code, LPARAM lparam) {
    const int value = static_cast<int>(static_cast<std::uint32_t>(lparam) & 0xFFFFu);
    const int sender = static_cast<int>(static_cast<std::uint32_t>(lparam) >> 16);
    // A value outside its range would be stored, relayed and turned into a wrong device
    // volume; such a request is refused whole.
    if (!CSystemSettings::AcceptsRequest(code, value)) {
        DebugPrintf("WM_MMS_SETTING %u from %d: value %d out of range, ignored\r\n", static_cast<unsigned>(code), sender,
                    value);
        return 0;
    }
    switch (code) {
        case SETTING_VOLUME:
        case SETTING_VOLUME_EXTVIEW:
            settings.SetVolume(value);
            settings.Save();
            waveOutSetVolume(nullptr, WaveOutVolumeFromLevel(settings.Volume()));
            SendVolumeToNavigation(settings.Volume());
            RelaySetting(sender, RELAY_VOLUME, settings.Volume());
            break;
        case SETTING_FM_CHANNEL:
            // The sender has retuned the transmitter itself; HomeDeck keeps and relays it.
            settings.SetFmChannel(value);
            settings.Save();
            RelaySetting(sender, RELAY_FM_CHANNEL, settings.FmChannel());
            break;
        case SETTING_MUTE: {
            settings.SetMute(value);
            settings.Save();
            const int effective = settings.Mute() ? 0 : settings.Volume();
            waveOutSetVolume(nullptr, WaveOutVolumeFromLevel(effective));
            SendVolumeToNavigation(effective);
            RelaySetting(sender, RELAY_MUTE, settings.Mute());
            break;
        }
        default:
            break;
    }
    return 0;
}
