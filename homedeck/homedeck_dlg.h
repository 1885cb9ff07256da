// HomeDeck's dialog: the main menu and its screens, the shared settings it owns (volume, mute,
// backlight, FM transmitter), the remote-control keys, and which program may run beside the
// navigation program.
#pragma once

#include <string>
#include <vector>

#include "framework/skin_dialog.h"
#include "framework/system_settings.h"
#include "framework/wait_box.h"
#include "homedeck/fm_editor.h"
#include "homedeck/menu_navigation.h"
#include "homedeck/remote_thread.h"
#include "homedeck/taskbar_button.h"
#include "homedeck/volume_overlay.h"

namespace homedeck {

// Command ids: the screens' controls, and those HomeDeck posts itself.
enum HomeDeckCommand : int {
    ID_NAVI = 1001,
    ID_DMB = 1002,
    ID_MUSIC = 1003,
    ID_MULTIMEDIA = 1004,
    ID_SYSTEM = 1005,
    ID_SCREEN_OFF = 1006,
    ID_MOVIE = 1007,
    ID_PHOTO = 1008,
    ID_GAME = 1009,
    ID_EXTVIEW = 1010,
    ID_SETUP_SCREEN = 1011,
    ID_SETUP_SOUND = 1012,
    ID_SETUP_INFO = 1013,
    ID_SAVE = 1014,
    ID_EXIT = 1015,
    ID_TITLE = 1016,
    ID_BACKLIGHT_DOWN = 1018,
    ID_BACKLIGHT_BAR = 1019,
    ID_BACKLIGHT_UP = 1020,
    ID_CALIBRATION = 1021,
    ID_VOLUME_DOWN = 1024,
    ID_VOLUME_BAR = 1025,
    ID_VOLUME_UP = 1026,
    ID_FREQUENCY_DOWN = 1027,
    ID_FREQUENCY = 1028,
    ID_FREQUENCY_UP = 1029,
    ID_ADD = 1030,
    ID_PRESET_1 = 1031,
    ID_PRESET_4 = 1034,
    ID_MODE_FM = 1035,
    ID_MODE_SPEAKER = 1036,
    ID_MODE_BOTH = 1037,
    ID_UPDATE = 1042,
    ID_STARTUP = 1043,
    ID_REMOTE_NAVI = 1044,
    ID_REMOTE_DMB = 1045,
    ID_REMOTE_MOVIE = 1046,
    ID_REMOTE_MUSIC = 1047,
    ID_REMOTE_UP = 1048,
    ID_REMOTE_DOWN = 1049,
    ID_UPDATE_DONE = 1050,
    ID_SCAN_DONE = 1051,
};

// The outside message 8590's code that asks for Telecast's picture over the map.
constexpr WPARAM kOutsideTelecastPip = 30;

class CHomeDeckDlg : public CSkinDialogEx {
public:
    static constexpr UINT_PTR kStartupTimer = 100;
    static constexpr UINT_PTR kStorageTimer = 101;
    static constexpr UINT kStartupDelayMs = 500;
    static constexpr DWORD kTitleDoubleTapMs = 200;
    static constexpr int kStorageTries = 5;
    static constexpr DWORD kStorageTryMs = 300;
    static constexpr UINT kWarningString = 1;
    static constexpr UINT kUpdateDoneString = 2;
    static constexpr UINT kUpdateFailedString = 3;
    static constexpr UINT kUpdateCutString = 4;

    explicit CHomeDeckDlg(CSystemSettings& settings);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnOK() override;
    void OnCancel() override {}
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    // Screens (homedeck_screens.cpp).
    void ShowScreen(Screen screen, int focus);
    void PrepareScreen(Screen screen, int focus);  // the controls a freshly built screen sets up
    void Highlight(int focus);
    void DrawVolume();
    void DrawBacklight();
    void DrawFm();
    void Back();
    void RestoreUnsaved();
    void SaveScreen();
    void OnSlider(int id, int value);
    void OnSoundCommand(int id);
    void OnBacklightCommand(int id);

    // The firmware update and the system information screen (homedeck_update.cpp).
    void StartUpdate();
    static DWORD UpdateThread(void* parameter);
    void FinishUpdate(bool succeeded);
    void DrawSystemInfo();

    // Settings applied to the device.
    void ApplyBacklightLevel(int level);
    void SetBacklight(bool on);
    void ApplyVolume(int level);
    void ApplyFm(const FmRequest& request);
    FmSettings StoredFm() const;

    // Programs and keys (homedeck_programs.cpp).
    bool NavigationBlocksPlayers() const;
    void Navigation();
    void Telecast(bool from_button);
    void GuardedLaunch(int command);
    void OnRemote(WPARAM event);
    void GuardedKey(int command);
    void PipKey();
    void HomeOrSetupKey(bool home);
    void LeftRightKey(int step);
    void MuteKey();
    void TitleTap();
    void StorageCheck();
    void LookForStorageCard();
    void ShowMenu();
    bool IsForeground() const;

    CSystemSettings& m_settings;
    Screen m_screen = Screen::Main;
    int m_focus = 0;
    bool m_backlight_on = true;
    int m_edit_backlight = 10;
    int m_edit_volume = 0;
    FmEditor m_fm;
    bool m_scan_box_shown = false;
    HANDLE m_update_thread = nullptr;  // set from the update's start to its 1050
    std::vector<HWND> m_closing;       // the programs the update closed, until they are gone
    UINT m_update_result = 0;          // the update's outcome string, shown until the screen is left
    bool m_update_cut = false;         // an update was cut short: said on the screen until it is left
    bool m_touch_taken = false;  // a press on HomeDeck's screen whose touch event is still to come
    int m_storage_tries = 0;
    bool m_title_tapped = false;
    DWORD m_title_tap_tick = 0;
    HBITMAP m_icon = nullptr;
    CHomeDeckWaitBox m_wait_box;
    CRemoteThread m_remote;
    CTaskbarButton m_taskbar;
    CVolumeOverlay m_volume_overlay;
};

}  // namespace homedeck
