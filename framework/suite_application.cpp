#include "framework/suite_application.h"

#include "framework/device_services.h"
#include "framework/player_rules.h"
#include "platform/kernel/debug_output.h"

const ProgramIdentity kHomeDeckIdentity = {
    PROGRAM_HOMEDECK, "F6735B0F_6093_4FB6_8356_B5194D6E8435", "APP_HOMEDECK",
    "WakeUp HomeDeck Application is detected: %s\r\n", "Second Instance of HomeDeck Application is detected.\r\n",
    false};
const ProgramIdentity kMusicIdentity = {
    PROGRAM_MUSIC, "1F7E7177_2506_41B7_8B43_3DAB176C4337", "APP_MUSIC",
    "CMusicApp:: WakeUp Music Application is detected: %s\r\n",
    "Second Instance of HomeDeck Application is detected.\r\n", true};
const ProgramIdentity kMovieIdentity = {
    PROGRAM_MOVIE, "B4B732AB_B441_4022_992C_81BA39790D6D", "APP_MOVIE",
    "WakeUp MovieApp Application is detected: %s\r\n", "Second Instance of HomeDeck Application is detected.\r\n", true};
const ProgramIdentity kTelecastIdentity = {
    PROGRAM_TELECAST, "C2FAD005_D452_4F48_ADD1_B96F57B301F4", "DMB_TELECAST",
    "CTelecastApp:: WakeUp HomeDeck Application is detected: %s\r\n",
    "Second Instance of HomeDeck Application is detected.\r\n", true};
const ProgramIdentity kFileShelfIdentity = {
    PROGRAM_FILESHELF, "E629DC7A_667A_479B_BA69_5B35F18ED7EF", "APP_BROWSER",
    "CFileShelfApp:: WakeUp FILESHELF Application is detected: %s\r\n",
    "Second Instance of HomeDeck Application is detected.\r\n", false};
const ProgramIdentity kExtviewIdentity = {
    PROGRAM_EXTVIEW, "532E6C39_9FC4_4EC0_A51F_E89117D723ED", "APP_EXTVIEW",
    "WakeUp EXTVIEW Application is detected: %s\r\n", "Second Instance of EXTVIEW Application is detected.\r\n", true};
const ProgramIdentity kRouteKitIdentity = {
    PROGRAM_ROUTEKIT, "EC4417AC_6343_4184_BE12_649900E8C4CF", "APP_ROUTEKIT",
    "WakeUp ROUTEKIT Application is detected: %s\r\n", "Second Instance of ROUTEKIT Application is detected.\r\n",
    false};

void CProgramInstance::WakeUp(const std::string& command_line) {
    DebugPrintf(m_identity.wakeup_line, command_line.c_str());
    CSingleInstance::WakeUp(command_line);
}

BOOL CSuiteApp::InitInstance() {
    if (!m_instance.Create(m_identity.guid)) {
        OutputDebugString(m_identity.second_instance_line);
        return FALSE;
    }
    if (m_identity.links_to_homedeck) m_homedeck.Attach(m_identity.id);
    // The message name "MMS_MSG_BROADCAST" is registered at start.
    RegisterWindowMessage(kBroadcastMessageName);
    RunMainDialog();
    m_hMainWnd = nullptr;
    return FALSE;
}

int CSuiteApp::ExitInstance() {
    m_instance.Destroy();
    return CWinApp::ExitInstance();
}

CSuiteDialog::CSuiteDialog(const ProgramIdentity& identity)
    : CDialog(std::string(identity.window_name) + "_DIALOG"), m_identity(identity) {}

namespace {

// The main dialog takes the program's window name and becomes the application's main window.
void NameMainWindow(HWND hwnd, const ProgramIdentity& identity) {
    ::SetWindowText(hwnd, identity.window_name);
    if (auto* application = CWinApp::Current()) application->m_hMainWnd = hwnd;
}

}  // namespace

BOOL CSuiteDialog::OnInitDialog() {
    NameMainWindow(m_hWnd, m_identity);
    return TRUE;
}

CPlayerDialog::CPlayerDialog(const ProgramIdentity& identity, SkinDialogOptions options)
    : CSkinDialogEx(std::string(identity.window_name) + "_DIALOG", {}, options), m_identity(identity) {}

BOOL CPlayerDialog::OnInitDialog() {
    NameMainWindow(m_hWnd, m_identity);
    return TRUE;
}

LRESULT CPlayerDialog::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_MMS_SETTING) {
        OnSettingRelay(wparam, static_cast<int>(lparam));
        return 0;
    }
    return CSkinDialogEx::WindowProc(message, wparam, lparam);
}

void CPlayerDialog::OnSettingRelay(WPARAM code, int value) {
    DebugPrintf("%s: WM_MMS_SETTING %u %d\r\n", m_identity.window_name, static_cast<unsigned>(code), value);
    switch (code) {
        case RELAY_VOLUME:
            if (value >= 0 && value <= 10) m_settings.SetVolume(value);
            break;
        case RELAY_MUTE:
            if (value == 0 || value == 1) m_settings.SetMute(value);
            break;
        case RELAY_FM_CHANNEL:
        case SETTING_RELOAD:
            m_settings.Load();  // the new channel's frequency is in the file
            break;
        default:
            break;  // codes a player does not know are ignored
    }
}

void CPlayerDialog::DuckFor(WPARAM code, UINT_PTR timer) {
    if (code == 0) {
        SetTimer(timer, 1000);
    } else if (code == 1) {
        KillTimer(timer);
        m_ducked = true;
        ApplyGraphVolume();
    }
}

void CPlayerDialog::EndDuck(UINT_PTR timer) {
    KillTimer(timer);
    m_ducked = false;
    ApplyGraphVolume();
}

int CPlayerDialog::GraphVolumeLevel() const {
    return player::GraphVolumeIndex(m_settings.Mute() ? player::Muting::On : player::Muting::Off,
                                    m_ducked ? player::Ducking::On : player::Ducking::Off, m_settings.Volume());
}

void CPlayerDialog::ApplyVolumeSetting(const CHomeDeckLink& homedeck, bool tell_mute_change) {
    const int mute = m_settings.Volume() == 0 ? 1 : 0;
    if (mute != m_settings.Mute()) {
        m_settings.SetMute(mute);
        if (tell_mute_change) homedeck.NotifyHomeDeck(SETTING_MUTE, mute);
    }
    ApplyGraphVolume();
    ShowVolume();
}

void CPlayerDialog::ToggleMuteSetting(const CHomeDeckLink& homedeck) {
    if (m_settings.Mute()) {
        ApplyVolumeSetting(homedeck, false);
    } else {
        m_settings.SetMute(1);
        ApplyGraphVolume();
        ShowVolume();
    }
    homedeck.NotifyHomeDeck(SETTING_MUTE, m_settings.Mute());
}

void CPlayerDialog::ShowFmButton(int control, UINT on_image, UINT off_image) {
    const int channel = m_settings.FmChannel();
    SetImage(control, static_cast<int>(channel == 0 ? off_image : on_image));
    SetControlText(control, player::FmText(channel, m_settings.FrequencyOf(channel)));
}

int CPlayerDialog::StepFmChannel(const CHomeDeckLink& homedeck) {
    const int channel = player::NextFmChannel(m_settings.FmChannel());
    m_settings.SetFmChannel(channel);
    TuneFmTransmitter(m_settings.AudioOutput(), channel, m_settings.FrequencyOf(channel));
    homedeck.NotifyHomeDeck(SETTING_FM_CHANNEL, channel);
    return channel;
}
