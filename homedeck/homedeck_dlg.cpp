// HomeDeck's dialog: start-up, the message map, the storage check and the end.
#include "homedeck/homedeck_dlg.h"

#include "framework/device_services.h"
#include "framework/program_messages.h"
#include "homedeck/device_scan.h"
#include "homedeck/firmware_update.h"
#include "homedeck/program_launch.h"
#include "platform/app/application.h"
#include "platform/devices/stream_device.h"
#include "platform/devices/wave_out.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace homedeck {
namespace {

constexpr UINT kTitleImage = 137;               // the window's icon, big and small
constexpr DWORD kBoardStorageCardPresent = 0x10;  // bit 4 of the board's status word

}  // namespace

CHomeDeckDlg::CHomeDeckDlg(CSystemSettings& settings)
    : CSkinDialogEx("APP_HOMEDECK_DIALOG", "", SkinDialogOptions{})
    , m_settings(settings)
{
    SetName("HomeDeck");
}

BOOL CHomeDeckDlg::OnInitDialog()
{
    // 1. The screen: the main menu's template places the window at 0, 0 with the background's
    // size, not topmost. Nothing shows until the storage check has run.
    EnablePainting(false);
    // What an update cut short left beside the programs goes before anything could run it; the
    // information screen then says the update was cut.
    m_update_cut = RemoveUpdateLeftovers();
    const bool menu_built = InitFromTemplate("main");
    if (!menu_built)
        DebugPrintf("HomeDeck: no main menu screen\r\n");
    m_icon = LoadBitmap(kTitleImage);
    SendMessage(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessage(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    // 2. The processor at full speed.
    SetSystemMaxClock();
    // 3. The title the other programs find HomeDeck by.
    SetWindowText(kHomeDeck.windowName);
    if (auto* application = CWinApp::Current())
        application->m_hMainWnd = m_hWnd;
    // 4.-6. The stored volume (muted or not), backlight and FM transmitter.
    waveOutSetVolume(nullptr, WaveOutVolumeFromLevel(m_settings.Volume()));
    m_edit_backlight = m_settings.Backlight();
    ApplyBacklightLevel(m_settings.Backlight());
    TuneFmTransmitter(m_settings.AudioOutput(), m_settings.FmChannel(), m_settings.FrequencyOf(m_settings.FmChannel()));
    // 7. The main menu (built with the window above), the wait box, the remote-control thread
    // and the taskbar button.
    m_screen = Screen::Main;
    if (menu_built)
        PrepareScreen(Screen::Main, 0);
    m_wait_box.Create();
    m_remote.Start(m_hWnd);
    m_taskbar.Start();
    // 8. The storage check, once the menu is up.
    SetTimer(kStartupTimer, kStartupDelayMs);
    return TRUE;
}

void CHomeDeckDlg::OnTimer(UINT_PTR id)
{
    if (id == kStartupTimer) {
        KillTimer(kStartupTimer);
        PostMessage(m_hWnd, WM_COMMAND, ID_STARTUP, 0);
    } else if (id == kStorageTimer) {
        KillTimer(kStorageTimer);
        LookForStorageCard();
    }
}

void CHomeDeckDlg::StorageCheck()
{
    if (platform::ReadBoardStatusWord() & kBoardStorageCardPresent) {
        ShowMenu();
        return;
    }
    // The tries are 300 ms apart on a timer rather than in a sleep, so that the dialog keeps
    // answering in between: a shutdown's WM_CLOSE still finds it and the settings are written.
    KillTimer(kStorageTimer);
    m_storage_tries = 0;
    LookForStorageCard();
}

void CHomeDeckDlg::LookForStorageCard()
{
    if (GetFileAttributes("\\STORAGE CARD\\") != INVALID_FILE_ATTRIBUTES) {
        ShowMenu();
        return;
    }
    if (++m_storage_tries < kStorageTries) {
        SetTimer(kStorageTimer, kStorageTryMs);
        return;
    }
    // Still missing: the scan box runs first; the menu shows once it is up.
    const bool shown = RunDeviceScan(m_hWnd, !IsRunning(kExtview));
    ShowMenu();
    m_scan_box_shown = shown;
}

void CHomeDeckDlg::ShowMenu()
{
    RedrawAll();
    EnablePainting(true);
}

bool CHomeDeckDlg::IsForeground() const
{
    return GetForegroundWindow() == m_hWnd;
}

void CHomeDeckDlg::OnOK()
{
    // OK (Enter) acts only on HomeDeck's own screens, while it is in front.
    if (!IsForeground())
        return;
    switch (m_screen) {
    case Screen::Main:
    case Screen::Multimedia:
    case Screen::Settings:
        if (const int command = MenuButtonCommand(m_screen, m_focus))
            PostMessage(m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
        break;
    case Screen::Backlight:
    case Screen::SoundFm:
        SaveScreen();
        break;
    default:
        break;
    }
}

BOOL CHomeDeckDlg::OnCommand(WPARAM wparam, LPARAM lparam)
{
    const int id = LOWORD(wparam);
    switch (id) {
    case ID_NAVI:
        Navigation();
        ShowScreen(Screen::Main, 0);
        return TRUE;
    case ID_DMB:
        Telecast(true);
        return TRUE;
    case ID_MUSIC:
    case ID_MOVIE:
    case ID_PHOTO:
    case ID_GAME:
    case ID_EXTVIEW:
    case ID_REMOTE_MOVIE:
    case ID_REMOTE_MUSIC:
        GuardedLaunch(id);
        return TRUE;
    case ID_MULTIMEDIA:
        ShowScreen(Screen::Multimedia, 0);
        return TRUE;
    case ID_SYSTEM:
        ShowScreen(Screen::Settings, 0);
        return TRUE;
    case ID_SCREEN_OFF:
        SetBacklight(!m_backlight_on);
        return TRUE;
    case ID_SETUP_SCREEN:
        m_edit_backlight = m_settings.Backlight();
        ShowScreen(Screen::Backlight, 0);
        return TRUE;
    case ID_SETUP_SOUND:
        m_edit_volume = m_settings.Volume();
        m_fm.Enter(StoredFm());
        ShowScreen(Screen::SoundFm, 0);
        return TRUE;
    case ID_SETUP_INFO:
        ShowScreen(Screen::SystemInfo, 0);
        return TRUE;
    case ID_SAVE:
        SaveScreen();
        return TRUE;
    case ID_EXIT:
        Back();
        return TRUE;
    case ID_TITLE:
        TitleTap();
        return TRUE;
    case ID_CALIBRATION:
        LaunchOrActivate(kCalibration);
        return TRUE;
    case ID_SCAN_DONE:
        // The box has closed: the remote's keys act again.
        m_scan_box_shown = false;
        StorageCheck();
        return TRUE;
    case ID_STARTUP:
        StorageCheck();
        return TRUE;
    case ID_REMOTE_NAVI:
        Navigation();
        return TRUE;
    case ID_REMOTE_DMB:
        Telecast(false);
        return TRUE;
    case ID_UPDATE:
        StartUpdate();
        return TRUE;
    case ID_UPDATE_DONE:
        FinishUpdate(lparam != 0);
        return TRUE;
    default:
        break;
    }
    if (m_screen == Screen::Backlight && (id == ID_BACKLIGHT_DOWN || id == ID_BACKLIGHT_UP)) {
        OnBacklightCommand(id);
        return TRUE;
    }
    if (m_screen == Screen::SoundFm && ((id >= ID_VOLUME_DOWN && id <= ID_MODE_BOTH) || id == ID_REMOTE_UP ||
                                        id == ID_REMOTE_DOWN)) {
        OnSoundCommand(id);
        return TRUE;
    }
    return CSkinDialogEx::OnCommand(wparam, lparam);
}

LRESULT CHomeDeckDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_CLOSE:
        EndDialog(IDCANCEL);
        return 0;
    case WM_SKIN_SLIDER:
        if (wparam != kSkinReleaseOnNothing)
            OnSlider(static_cast<int>(wparam), static_cast<int>(lparam));
        return 0;
    case WM_MMS_SETTING:
        return HandleSettingRequest(m_settings, wparam, lparam);
    case WM_SKIN_CLICK:
        // The touch panel's event for this press comes after it and is HomeDeck's own.
        m_touch_taken = true;
        // A touch on HomeDeck's screen while the backlight is off only wakes the screen: the
        // press is taken, and its release comes to nothing.
        if (!m_backlight_on) {
            SetBacklight(true);
            if (static_cast<int>(wparam) == -1)
                SwallowNextRelease();  // a static or the background: its release would act
            return 1;
        }
        return 0;
    case WM_HOMEDECK_REMOTE:
        OnRemote(wparam);
        return 0;
    case WM_TASKBAR_BROADCAST:
        LaunchOrActivate(kRouteKit);
        return 0;
    case WM_OUTSIDE_AUDIO_EVENT:
        if (wparam == kOutsideTelecastPip && lparam == 1 && !IsRunning(kMusic) && !IsRunning(kTelecast))
            LaunchOrActivate(kTelecast, "PIP");
        return 0;
    default:
        return CSkinDialogEx::WindowProc(message, wparam, lparam);
    }
}

void CHomeDeckDlg::OnDestroy()
{
    // The remote thread goes first, so that no key acts on a dialog being torn down; then
    // unsaved backlight or sound changes are undone, without building another screen.
    m_remote.Stop();
    RestoreUnsaved();
    if (HWND box = m_wait_box.Window())
        DestroyWindow(box);
    m_taskbar.Stop();
    m_volume_overlay.Destroy();
    // An update still running finishes on its own; its staged files make a cut harmless.
    if (m_update_thread)
        CloseHandle(m_update_thread);
    m_update_thread = nullptr;
    SetBacklight(true);
    if (m_icon)
        DeleteObject(m_icon);
    m_icon = nullptr;
}

}  // namespace homedeck
