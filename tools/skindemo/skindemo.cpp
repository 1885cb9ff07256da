// The skin demo: one full-screen skin dialog built from the "demo" template of its dialog.txt,
// so a designer can try a skin on a running device with the pen and the remote. The controls
// behave as a player's screen does, over a four-minute position that only this screen keeps:
// play latches and runs the time and the seek bar, pause and stop hold and rewind it, the
// seek bar and the volume slider follow the pen, previous and next rewind. Home ends the
// demo; the list and settings buttons show the warning box. Nothing here plays sound or
// changes the device's volume.
#include <algorithm>

#include "framework/skin_dialog.h"
#include "framework/wait_box.h"
#include "platform/app/application.h"
#include "platform/kernel/debug_output.h"

namespace {

enum : int {
    kTitle = 1000, kTime = 1001, kSeek = 1002,
    kPrevious = 1010, kPlay, kPause, kStop, kNext,
    kVolumeDown = 1020, kVolume, kVolumeUp,
    kHome = 1030, kList, kSettings,
};

constexpr UINT kDigitImage = 315;
constexpr UINT kSegmentImage = 311;
constexpr UINT kFillImage = 313;
constexpr UINT kNotSupportedString = 1;
constexpr UINT_PTR kClockTimer = 1;
constexpr int kTrackSeconds = 240;
constexpr int kVolumeSteps = 10;

class CSkinDemoDlg : public CSkinDialogEx {
public:
    CSkinDemoDlg() : CSkinDialogEx("SkinDemo", "SkinDemo", SkinDialogOptions{.seek_knob = true}) {}

protected:
    BOOL OnInitDialog() override {
        SetName("SkinDemo");
        if (auto* application = CWinApp::Current()) application->m_hMainWnd = m_hWnd;
        if (!InitFromTemplate("demo")) {
            EndDialog(IDCANCEL);
            return FALSE;
        }
        SetTextStyle(kTitle, 16, RGB(236, 240, 246), 14, 0, -1);
        SetTextStyle(kTime, 24, RGB(255, 255, 255), 0, 0, kDigitImage);
        SetSlider(kVolume, 6, 0, kVolumeSteps, 8, 8, kSegmentImage);
        SetSeekBar(kSeek, 0, 0, kTrackSeconds, 0, 0, kFillImage);
        SetKind(kPlay, SKIN_BUTTON | SKIN_LATCH_ON_RELEASE);
        SetKind(kVolumeDown, SKIN_BUTTON | SKIN_REPEAT);
        SetKind(kVolumeUp, SKIN_BUTTON | SKIN_REPEAT);
        ShowPosition();
        RedrawAll();
        EnablePainting(true);
        DebugPrintf("SkinDemo: %d controls from the demo template\r\n", ControlCount());
        return TRUE;
    }

    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
        switch (LOWORD(wparam)) {
            case kPlay: Play(); return TRUE;
            case kPause: Hold(); return TRUE;
            case kStop: Hold(); m_position = 0; ShowPosition(); return TRUE;
            case kPrevious:
            case kNext: m_position = 0; ShowPosition(); return TRUE;
            case kVolumeDown: StepVolume(-1); return TRUE;
            case kVolumeUp: StepVolume(+1); return TRUE;
            case kHome: EndDialog(IDOK); return TRUE;
            case kList:
            case kSettings: ShowWarning(kNotSupportedString); return TRUE;
            default: return CSkinDialogEx::OnCommand(wparam, lparam);
        }
    }

    void OnTimer(UINT_PTR id) override {
        if (id != kClockTimer) return;
        if (++m_position >= kTrackSeconds) {
            Hold();
            m_position = 0;
        }
        ShowPosition();
    }

    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
        if (message == WM_SKIN_SLIDER && static_cast<int>(wparam) == kSeek) {
            if (const SkinControl* seek = Control(kSeek)) m_position = static_cast<int>(seek->seek.value);
            ShowPosition();
            return 0;
        }
        if (message == WM_SKIN_SLIDER && static_cast<int>(wparam) == kVolume) {
            DebugPrintf("SkinDemo: volume %d\r\n", static_cast<int>(lparam));
            return 0;
        }
        return CSkinDialogEx::WindowProc(message, wparam, lparam);
    }

private:
    void Play() {
        SetTimer(kClockTimer, 1000);
        DebugPrintf("SkinDemo: play from %d s\r\n", m_position);
    }
    // Stops the clock and lets the play button go.
    void Hold() {
        KillTimer(kClockTimer);
        SetFlags(kPlay, SKIN_LATCHED, 0);
    }
    void ShowPosition() {
        SetTimeText(kTime, m_position);
        SetSeekValue(kSeek, m_position);
    }
    void StepVolume(int step) {
        const SkinControl* slider = Control(kVolume);
        if (!slider) return;
        const int level = std::clamp(slider->slider.value + step, 0, kVolumeSteps);
        SetSliderValue(kVolume, level);
        DebugPrintf("SkinDemo: volume %d\r\n", level);
    }
    int m_position = 0;
};

class CSkinDemoApp : public CWinApp {
public:
    BOOL InitInstance() override {
        CSkinDemoDlg dialog;
        dialog.DoModal();
        m_hMainWnd = nullptr;
        return FALSE;
    }
};

CSkinDemoApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
