// HomeDeck's programs and keys: which program starts or comes forward for each button and
// remote key, what may run beside the navigation program, Telecast's picture over the map, and
// the home, setup, left, right and mute keys.
#include <cstdint>

#include "framework/program_messages.h"
#include "framework/system_settings.h"
#include "homedeck/homedeck_dlg.h"
#include "homedeck/program_launch.h"
#include "platform/devices/wave_out.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace homedeck {
namespace {

constexpr DWORD kNavigationSettleMs = 500;  // after a new navigation start, before the others close
constexpr DWORD kPipSettleMs = 300;         // after the map comes forward, before Telecast starts

}  // namespace

bool CHomeDeckDlg::NavigationBlocksPlayers() const
{
    // While the navigation program runs without its map up, the players may not start.
    return IsRunning(kWayfarer) && ReadAppValue("MapMode", 0) == 0;
}

void CHomeDeckDlg::Navigation()
{
    const bool telecast = IsRunning(kTelecast);
    if (IsRunning(kWayfarer) && telecast) {
        SendTelecast(COPYDATA_PIP_NAVIGATION, IsForeground() ? 1 : 0);
        return;
    }
    if (LaunchOrActivate(kWayfarer, telecast ? "/m" : "") != kLaunchStarted)
        return;
    Sleep(kNavigationSettleMs);
    for (const ProgramPlace* program : {&kFileShelf, &kMovie, &kExtview, &kPhoto, &kStacker})
        CloseProgram(*program);
}

void CHomeDeckDlg::Telecast(bool from_button)
{
    std::string argument;
    if (IsRunning(kWayfarer)) {
        if (from_button && ReadAppValue("MapMode", 0) == 0) {
            ShowWarning(kWarningString);
            return;
        }
        if (IsRunning(kTelecast)) {
            SendTelecast(COPYDATA_PIP_SHOW, 1);
            return;
        }
        LaunchOrActivate(kWayfarer);
        Sleep(kPipSettleMs);
        argument = "PIP";
    }
    LaunchOrActivate(kTelecast, argument);
    if (from_button)
        ShowScreen(Screen::Main, 1);
}

void CHomeDeckDlg::GuardedLaunch(int command)
{
    switch (command) {
    case ID_MUSIC:
    case ID_MOVIE:
    case ID_REMOTE_MUSIC:
    case ID_REMOTE_MOVIE: {
        const bool music = command == ID_MUSIC || command == ID_REMOTE_MUSIC;
        if (NavigationBlocksPlayers()) {
            ShowWarning(kWarningString);
            return;
        }
        LaunchOrActivate(music ? kMusic : kMovie);
        if (const auto focus = MenuFocusOf(m_screen, command))
            Highlight(*focus);
        RedrawAll();
        return;
    }
    case ID_PHOTO:
        LaunchOrActivate(kPhoto);
        break;
    case ID_GAME:
        LaunchOrActivate(kStacker);
        break;
    case ID_EXTVIEW:
        LaunchOrActivate(kExtview);
        break;
    default:
        return;
    }
    if (const auto focus = MenuFocusOf(m_screen, command)) {
        Highlight(*focus);
        RedrawAll();
    }
}

void CHomeDeckDlg::GuardedKey(int command)
{
    if (NavigationBlocksPlayers()) {
        SetBacklight(true);
        ShowWarning(kWarningString);
        return;
    }
    PostMessage(m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

void CHomeDeckDlg::OnRemote(WPARAM event)
{
    // While the scan box or the update runs, the keys mean nothing.
    if (m_scan_box_shown || m_screen == Screen::Update)
        return;
    switch (event) {
    case REMOTE_MOVIE: GuardedKey(ID_REMOTE_MOVIE); break;
    case REMOTE_MUSIC: GuardedKey(ID_REMOTE_MUSIC); break;
    case REMOTE_PIP: PipKey(); break;
    case REMOTE_NAVIGATION: PostMessage(m_hWnd, WM_COMMAND, ID_REMOTE_NAVI, 0); break;
    case REMOTE_TELECAST: GuardedKey(ID_REMOTE_DMB); break;
    case REMOTE_SETUP: HomeOrSetupKey(false); break;
    case REMOTE_SCREEN: PostMessage(m_hWnd, WM_COMMAND, ID_SCREEN_OFF, 0); break;
    case REMOTE_HOME: HomeOrSetupKey(true); break;
    case REMOTE_MUTE: MuteKey(); break;
    case REMOTE_LEFT: LeftRightKey(-1); break;
    case REMOTE_RIGHT: LeftRightKey(+1); break;
    case REMOTE_TOUCH:
        // A touch anywhere wakes the screen. A touch on HomeDeck's own screen was already
        // taken by its press (WM_SKIN_CLICK), which always comes before this event but whose
        // release may not: its button may just have turned the screen off, which this event
        // must not undo.
        if (m_touch_taken)
            m_touch_taken = false;
        else if (!m_backlight_on)
            SetBacklight(true);
        break;
    default: break;
    }
}

void CHomeDeckDlg::PipKey()
{
    SetBacklight(true);
    if (!IsRunning(kWayfarer)) {
        LaunchOrActivate(kWayfarer, "/m");
        return;
    }
    const bool map_up = ReadAppValue("MapMode", 0) != 0;
    if (IsRunning(kTelecast) && map_up) {
        const HWND front = GetForegroundWindow();
        const std::int32_t value = front && front == FindProgramWindow(kWayfarer.windowName)   ? 1
                                   : front && front == FindProgramWindow(kTelecast.windowName) ? 0
                                                                                               : 2;
        SendTelecast(COPYDATA_PIP_TOGGLE, value);
        return;
    }
    if (!IsRunning(kTelecast) && map_up) {
        LaunchOrActivate(kTelecast, "PIP");
        return;
    }
    ShowWarning(kWarningString);
}

void CHomeDeckDlg::HomeOrSetupKey(bool home)
{
    if (m_screen == Screen::Update)
        return;
    const std::optional<MenuPlace> place = home ? HomeFrom(m_screen) : SetupFrom(m_screen);
    if (place) {
        RestoreUnsaved();
        ShowScreen(place->screen, place->focus);
    }
    if (IsRunning(kTelecast)) {
        SendTelecast(COPYDATA_PIP_HOMEDECK, 0);
        SetForegroundWindow(m_hWnd);
        SendTelecast(COPYDATA_PIP_HOMEDECK, 1);
    } else {
        SetForegroundWindow(m_hWnd);
    }
    if (!IsRunning(kWayfarer)) {
        CloseProgram(kMusic);
        CloseProgram(kTelecast);
    }
    for (const ProgramPlace* program : {&kMovie, &kPhoto, &kFileShelf, &kRouteKit, &kExtview, &kStacker})
        CloseProgram(*program);
    SetBacklight(true);
}

void CHomeDeckDlg::LeftRightKey(int step)
{
    if (IsForeground()) {
        switch (m_screen) {
        case Screen::Main:
        case Screen::Multimedia:
        case Screen::Settings:
            Highlight(step > 0 ? NextFocus(m_screen, m_focus) : PreviousFocus(m_screen, m_focus));
            RedrawAll();
            break;
        case Screen::Backlight:
            OnBacklightCommand(step > 0 ? ID_BACKLIGHT_UP : ID_BACKLIGHT_DOWN);
            break;
        case Screen::SoundFm:
            OnSoundCommand(step > 0 ? ID_VOLUME_UP : ID_VOLUME_DOWN);
            break;
        default:
            break;
        }
    } else {
        // Over a player the keys step the stored volume; over the map, Stacker and Photo they
        // are those programs' own.
        const HWND front = GetForegroundWindow();
        const bool own_keys = front && (front == FindProgramWindow(kWayfarer.windowName) ||
                                        front == FindProgramWindow(kStacker.windowName) ||
                                        front == FindProgramWindow(kPhoto.windowName));
        if (!own_keys) {
            const int level = m_settings.Volume() + step;
            if (level >= 0 && level <= 10) {
                m_settings.SetVolume(level);
                m_settings.Save();
                ApplyVolume(level);
            }
            // HomeDeck is not on the screen: the strip shows the level, at a limit too.
            m_volume_overlay.Show(m_settings.Volume());
        }
    }
    SetBacklight(true);
}

void CHomeDeckDlg::MuteKey()
{
    m_settings.SetMute(m_settings.Mute() ? 0 : 1);
    m_settings.Save();
    waveOutSetVolume(nullptr, WaveOutVolumeFromLevel(m_settings.Mute() ? 0 : m_settings.Volume()));
    RelaySetting(PROGRAM_HOMEDECK, RELAY_MUTE, m_settings.Mute());
}

void CHomeDeckDlg::TitleTap()
{
    const DWORD now = GetTickCount();
    const bool double_tap = m_title_tapped && now - m_title_tap_tick < kTitleDoubleTapMs;
    m_title_tapped = true;
    m_title_tap_tick = now;
    if (!double_tap)
        return;
    // HomeDeck makes way for the platform's shell only when the shell starts.
    if (LaunchOrActivate(kShell) == kLaunchStarted)
        EndDialog(IDCANCEL);
    else
        DebugPrintf("HomeDeck: no shell to make way for\r\n");
}

}  // namespace homedeck
