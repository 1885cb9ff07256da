// CExtviewDlg: the AV input viewer's screen. The camera filter's picture shows in the video
// box between the title bar and the bottom bar (or full screen, and always full screen for the
// reversing camera), with close, sound, volume and FM transmitter buttons. While it runs, Movie
// and Telecast give up the picture; an outside component may take the picture full screen and
// let it go again.
#pragma once

#include <string>

#include "extview/extview_rules.h"
#include "extview/pip_box.h"
#include "framework/suite_application.h"
#include "framework/wait_box.h"
#include "movie/filter_control.h"

namespace extview {

// Controls and commands.
constexpr int kClose = 1005;
constexpr int kTakePicture = 1006;   // foreground, full screen (WM_COPYDATA 0)
constexpr int kReleasePicture = 1007;  // foreground, back to the normal mode (WM_COPYDATA 1)
constexpr int kVolumeDown = 1008;
constexpr int kVolumeUp = 1009;
constexpr int kMute = 1010;
constexpr int kFmChannel = 1011;
constexpr int kVolumeText = 1013;
// Skin pictures that change with the state.
constexpr UINT kSoundImage = 134, kMutedImage = 135, kFmOnImage = 131, kFmOffImage = 132;
constexpr UINT kWaitBoxStrip = 156;
inline constexpr const char* kWaitBoxClass = "CExtviewWaitBox";
// Timers: the end of another sound, and the wait before closing after the picture is let go.
constexpr UINT_PTR kDuckTimer = 1001;
constexpr UINT_PTR kCloseTimer = 1002;
constexpr UINT kCloseDelayMs = 500;

class CExtviewDlg : public CPlayerDialog {
public:
    CExtviewDlg(const CHomeDeckLink& homedeck, std::string command_line);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnSettingRelay(WPARAM code, int value) override;
    void ApplyGraphVolume() override;
    void ShowVolume() override;

private:
    // The programs that cannot show their picture beside Extview: closed, or told to suspend.
    struct Program {
        const char* window_name;
        bool suspend;  // else closed
        bool found = false;
        bool resumed = false;
    };

    void HandleOtherPrograms();
    void ResumeSuspended();
    bool StartPicture();
    void StopPicture();
    void ChangeMode(int mode);
    void OnOutsideRequest(OutsideRequest request);
    void CloseViewer();
    void ChangeVolume(int delta);
    void ShowFmChannel();

    const CHomeDeckLink& m_homedeck;
    const std::string m_command_line;
    const bool m_camera;
    int m_mode = kNormalMode;
    bool m_switched_by_request = false;  // full screen by WM_COPYDATA 0, to undo on 1
    Program m_programs[4] = {{"APP_ROUTEKIT", false}, {"APP_BROWSER", false}, {"APP_MOVIE", true}, {"DMB_TELECAST", true}};
    movie::CFilterControl m_graph{movie::FilterControlVariant::Extview};
    CExtviewPipBox m_pip_box;
    CSpinnerWaitBox m_wait_box{kWaitBoxClass, kWaitBoxStrip};
    UINT m_broadcast_message = 0;
};

}  // namespace extview
