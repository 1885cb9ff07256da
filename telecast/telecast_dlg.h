// Telecast's main window, "DMB_TELECAST": the picture in its box, the services of the list
// type shown in the channel list on the right, the list tabs above it and the bottom bar. It
// loads the last scan from "\NAND\TelecastScan.dat", plays the selected service, scans the band
// on request, follows the receiver's word on a service's audio and watches the signal once a
// second.
//
// Threads: the dialog's own, which decides; the player thread, which tunes and scans and reaches
// the screen only through the box's calls, list lines by sent messages and posted commands; the
// video box's own.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "framework/suite_application.h"
#include "framework/wait_box.h"
#include "telecast/channel_list.h"
#include "telecast/channel_table.h"
#include "telecast/pip_box.h"
#include "telecast/popup_dlg.h"
#include "telecast/scan_file.h"
#include "telecast/player_rules.h"
#include "telecast/player_thread.h"
#include "telecast/telecast_player.h"

namespace telecast {


// Controls and commands.
enum TelecastCommand : int {
    kPreviousService = 1000,
    kNextService = 1001,
    kVolumeDown = 1002,
    kVolumeUp = 1003,
    kMute = 1004,
    kFmChannel = 1005,
    kNavigation = 1006,
    kStartScan = 1007,
    kPageDown = 1008,
    kPageUp = 1009,
    kTvTab = 1010,
    kRadioTab = 1011,
    kHomeDeckCommand = 1012,
    kNavigationCommand = 1013,
    kToggleLaunchImages = 1014,
    kClose = 1015,
    kScanFinished = 1016,
    kRestartChannel = 1018,
    kToggleLayout = 1019,
    // 1020 to 1032: the popup control panel's (popup_dlg.h).
    kTitleLine = 1034,
    kLabelArrived = 1035,
    kVolumeText = 1036,
    kBackToLayout = 1038,  // the main window returns to its layout rectangle
    kChannelLines = 1040,  // the hidden list box of the channel list's lines
};

// Skin pictures of the bottom bar that change.
constexpr int kSoundImage = 144, kMutedImage = 145;
constexpr int kFmOnImage = 137, kFmOffImage = 138;

// Timers.
enum TelecastTimer : UINT_PTR {
    kSignalTimer = 1000,     // every second while playing: the signal monitor
    kRestartTimer = 1002,    // 500 ms after a selection: restart the channel on it
    kDuckTimer = 1003,       // a second after the navigation program's voice: the sound comes back
    kWaitBoxTimer = 1004,    // half a second after the start: the wait box, if the first tune runs on
    kPipOrderTimer = 1005,   // a second after a hidden picture-in-picture start: the z-order
    kIdleTimer = 1006,       // every second: the idle count
    kBackToLayoutTimer = 1007,  // after the z-order: back to the layout rectangle
};

// The flags word: Telecast above the navigation program, or below it.
constexpr DWORD kAboveNavigation = 1u << 4;
constexpr DWORD kBelowNavigation = 1u << 5;

// The message of the navigation program's side panel (wParam: its width).
constexpr UINT kSidePanelMessage = 8599;
// 8590's codes for Telecast beyond ducking, and 30's arguments.
constexpr WPARAM kLeavePipToFront = 10;
constexpr WPARAM kPipRequest = 30;
constexpr LPARAM kPipLeave = 0, kPipEnter = 1, kPipBelow = 10, kPipAbove = 11;

// The wait box's window class.
inline constexpr const char* kWaitBoxClass = "CDmbWaitBox";
constexpr UINT kWaitBoxStrip = 177;

// The player thread's good Play, posted to the window: the monitor starts afresh.
constexpr UINT kPlayStartedMessage = WM_APP + 1;
// The receiver's word on a service's real audio (lParam: the record it points at).
inline constexpr const char* kAudioChangeMessageName = "TCC_TELECAST_AUDIOCHANGE_MSG";

class CTelecastDlg : public CPlayerDialog, public PlayerHost {
public:
    explicit CTelecastDlg(const CHomeDeckLink& homedeck, std::string command_line = {});
    ~CTelecastDlg() override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    void OnSettingRelay(WPARAM code, int value) override;
    void ApplyGraphVolume() override;
    void ShowVolume() override;

private:
    // PlayerHost, on the player thread.
    void ShowOverlay(int state) override;
    void ShowScanProgress(int percent, int tv_count, int radio_count) override;
    void AddScannedLine(const ChannelRecord& record) override;
    void PlayStarted() override;
    void ScanFinished() override;
    void Touched() override;

    void RunCommand(int id);
    void LoadTable();
    void SaveTable();
    std::u16string LineOf(const ChannelRecord& record) const;
    // Empties the list box and fills it with the names of the list type's records; the line of
    // the type's selected record becomes the list position.
    void Refill();
    void ShowTabs();
    void EnableControls(bool enabled);

    void StartPlaying();
    void StopPlaying();
    void StartChannel();
    void RestartChannel();
    void OnStartScan();
    void OnScanFinished();
    void OnListType(ListType type);
    // The service of the list's line becomes the list type's selected one; false for no line.
    bool SelectLine(int line);
    void OnChannelChosen(int line);
    void MoveSelection(bool forward);
    void OnSignalTimer();
    void OnAudioChange(LPARAM lparam);
    void OnLabelArrived();
    void ToggleLayout();
    void OnLayout(int mode, const RECT& rect);
    void OnExtviewSuspend();
    void OnExtviewResume();
    void OnClose();
    void OnCloseCommand();

    // The bottom bar.
    void ChangeVolume(int delta);
    void ShowFmChannel();
    void OnNavigation();
    void StartNavigation();

    // Picture-in-picture over the navigation program, and the z-order beside it.
    void PlaceMainWindow(const RECT& rect);
    void EnterPip();
    void LeavePip(bool activate);
    void OnOutsideEvent(WPARAM code, LPARAM argument);
    void OnPipOrderTimer();
    void OnIdleTimer();
    void OnSidePanel(int panel);
    LRESULT OnCopyData(const COPYDATASTRUCT* copy);
    void PlaceBehindNavigation();
    void PlaceNavigationBehind();
    void ShowWaitBox(bool shown);
    void FirstTuneEnded();
    void TogglePopup();
    void HidePopup();

    std::string m_command_line;
    ChannelTable m_table;
    TelecastPlayer m_player;
    std::unique_ptr<PlayerThread> m_thread;
    std::unique_ptr<CDMBPipBox> m_box;
    CChannelList m_list;
    HWND m_lines = nullptr;  // the hidden list box the channel list draws
    RECT m_video_rect = kLayoutRects[kNormalLayout];
    bool m_graph_built = false;
    bool m_playing = false;  // a channel was started and not stopped since
    SignalMonitor m_monitor;
    AudioChangeGate m_audio_changes;
    bool m_restart_by_audio_change = false;
    bool m_scan_incomplete = false;  // a scan runs or was cut short: the file keeps the last whole one
    UINT m_audio_change_message = 0;
    std::atomic<int> m_idle_seconds{0};
    const CHomeDeckLink& m_homedeck;
    bool m_pip = false;
    bool m_hidden_start = false;     // "-NO": the start keeps off the screen until the z-order is set
    std::atomic<bool> m_first_tune_done{false};  // the first tune ended (picture or no signal)
    int m_side_panel = 0;            // the navigation program's side panel narrowing the picture
    DWORD m_flags = 0;
    CSpinnerWaitBox m_wait_box{kWaitBoxClass, kWaitBoxStrip};
    CPopupDlg m_popup;
};

}  // namespace telecast
