#include "extview/extview_dlg.h"

#include "framework/device_services.h"
#include "framework/player_rules.h"
#include "framework/program_messages.h"
#include "homedeck/program_launch.h"
#include "platform/devices/wave_out.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace extview {
namespace {

constexpr const char* kTouchEvent = "KTOUCH_EVENT";

RECT AsRect(const ModeRect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }
const ModeRect& RectOf(int mode) { return kModeRects[static_cast<std::size_t>(mode)]; }

}  // namespace

CExtviewDlg::CExtviewDlg(const CHomeDeckLink& homedeck, std::string command_line)
    : CPlayerDialog(kExtviewIdentity, SkinDialogOptions{.lifecycle_lines = true}),
      m_homedeck(homedeck),
      m_command_line(std::move(command_line)),
      m_camera(IsCameraCommandLine(m_command_line))
{
}

BOOL CExtviewDlg::OnInitDialog()
{
    // 1. The screen, the processor at full speed, the window's name.
    CPlayerDialog::OnInitDialog();
    if (!InitFromTemplate("main")) DebugPrintf("Extview: no screen\r\n");
    SetSystemMaxClock();
    m_broadcast_message = RegisterWindowMessage(kBroadcastMessageName);

    // 2. The volume as stored, and the FM transmitter on its channel.
    ShowVolume();
    TuneFmTransmitter(m_settings.AudioOutput(), m_settings.FmChannel(), m_settings.FrequencyOf(m_settings.FmChannel()));
    ShowFmChannel();

    // 3. The programs that cannot show their picture beside this one.
    HandleOtherPrograms();

    // 4. The wait box for the rebuilds.
    if (!m_wait_box.Create()) DebugPrintf("Extview: no wait box\r\n");

    // 5. The reversing camera: a touch for HomeDeck's backlight, the remote's receiver on,
    //    channel 2, full screen.
    if (m_camera) {
        if (HANDLE touch = CreateEvent(FALSE, FALSE, kTouchEvent)) {
            SetEvent(touch);
            CloseHandle(touch);
        }
        SetRemoteReceiver(true);
    }
    m_mode = StartMode(m_camera);

    // 6.-7. The video box, then the picture.
    if (!m_pip_box.Create(m_hWnd, RectOf(m_mode))) DebugPrintf("Extview: no video box\r\n");
    RedrawAll();
    EnablePainting(true);
    if (StartPicture()) PostMessage(m_pip_box.Window(), WM_WAITBOX_SHOW, 0, 0);
    return TRUE;
}

void CExtviewDlg::HandleOtherPrograms()
{
    for (Program& program : m_programs) {
        HWND window = FindProgramWindow(program.window_name);
        if (!window) continue;
        program.found = true;
        if (program.suspend) SendMessage(window, WM_EXTVIEW_SUSPEND, 0, 0);
        else homedeck::CloseProgram(program.window_name);
    }
}

void CExtviewDlg::ResumeSuspended()
{
    // Each program that gave up its picture for this one hears once that it may have it back,
    // if it still runs.
    for (Program& program : m_programs) {
        if (!program.suspend || !program.found || program.resumed) continue;
        program.resumed = true;
        if (HWND window = FindProgramWindow(program.window_name)) SendMessage(window, WM_EXTVIEW_RESUME, 0, 0);
    }
}

bool CExtviewDlg::StartPicture()
{
    const ModeRect& rect = RectOf(m_mode);
    if (!m_graph.HasGraph() && !m_graph.CreateFilterGraph()) {
        m_graph.DestroyFilterGraph();
        return false;
    }
    if (!m_graph.BuildCameraGraph(AsRect(rect))) return false;
    if (!m_graph.SetVideoInputSize(InputChannel(m_camera), rect.right - rect.left, rect.bottom - rect.top, rect.left,
                                   rect.top)) {
        DebugPrintf("Failed SetVideoInputSize\n");
        return false;
    }
    if (!m_graph.RunGraph()) return false;
    ApplyGraphVolume();
    return true;
}

void CExtviewDlg::StopPicture()
{
    // The tear-down stops a running graph first.
    m_graph.TearDownCameraGraph();
}

void CExtviewDlg::ChangeMode(int mode)
{
    if (mode == m_mode || mode < 0 || mode >= kDisplayModes) return;
    m_mode = mode;
    PostMessage(m_pip_box.Window(), WM_WAITBOX_HIDE, 0, 0);
    ShowWaitBox(kWaitBoxClass);
    StopPicture();
    const bool shown = StartPicture();
    HideWaitBox(kWaitBoxClass);
    // A picture that could not be rebuilt leaves the box hidden: it would mark a picture that
    // is not there, and a tap on it would tear down what was never built.
    m_pip_box.MoveTo(RectOf(m_mode));
    if (shown) PostMessage(m_pip_box.Window(), WM_WAITBOX_SHOW, 0, 0);
}

BOOL CExtviewDlg::OnCommand(WPARAM wparam, LPARAM lparam)
{
    switch (LOWORD(wparam)) {
    case kClose: CloseViewer(); return TRUE;
    case kTakePicture:
        SetForegroundWindow(m_hWnd);
        if (m_mode != kFullScreenMode) {
            m_switched_by_request = true;
            ChangeMode(kFullScreenMode);
        }
        return TRUE;
    case kReleasePicture:
        SetForegroundWindow(m_hWnd);
        if (m_switched_by_request) {
            m_switched_by_request = false;
            ChangeMode(kNormalMode);
        }
        return TRUE;
    case kVolumeDown: ChangeVolume(-1); return TRUE;
    case kVolumeUp: ChangeVolume(+1); return TRUE;
    case kMute: ToggleMuteSetting(m_homedeck); return TRUE;
    case kFmChannel:
        StepFmChannel(m_homedeck);
        ShowFmChannel();
        return TRUE;
    case kTapCommand:
        if (const auto next = ModeAfterTap(m_mode, m_camera)) ChangeMode(*next);
        return TRUE;
    default: return CPlayerDialog::OnCommand(wparam, lparam);
    }
}

void CExtviewDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kDuckTimer: EndDuck(kDuckTimer); break;
    case kCloseTimer:
        KillTimer(kCloseTimer);
        PostMessage(m_hWnd, WM_COMMAND, kClose, 0);
        break;
    default: CPlayerDialog::OnTimer(id); break;
    }
}

LRESULT CExtviewDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == m_broadcast_message && message != 0) return 0;  // the suite's broadcast: not Extview's
    switch (message) {
    case WM_COPYDATA: {
        // Only the code counts; whatever data comes with it is not read.
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        if (copy)
            if (const auto request = OutsideRequestOf(copy->dwData)) OnOutsideRequest(*request);
        return 0;
    }
    case WM_OUTSIDE_AUDIO_EVENT:
        DuckFor(wparam, kDuckTimer);
        return 0;
    case WM_CLOSE:
        CloseViewer();
        PostQuitMessage(0);
        return 0;
    default: return CPlayerDialog::WindowProc(message, wparam, lparam);
    }
}

void CExtviewDlg::OnOutsideRequest(OutsideRequest request)
{
    if (request == OutsideRequest::TakePicture) {
        if (HANDLE touch = CreateEvent(FALSE, FALSE, kTouchEvent)) {
            SetEvent(touch);
            CloseHandle(touch);
        }
        SetRemoteReceiver(true);
        PostMessage(m_hWnd, WM_COMMAND, kTakePicture, 0);
        return;
    }
    SetRemoteReceiver(false);
    if (!m_camera) {
        PostMessage(m_hWnd, WM_COMMAND, kReleasePicture, 0);
        return;
    }
    // The camera's end: the picture goes, the programs that gave it up have it back, and
    // Extview closes half a second later.
    PostMessage(m_pip_box.Window(), WM_WAITBOX_HIDE, 0, 0);
    StopPicture();
    m_graph.DestroyFilterGraph();
    ResumeSuspended();
    SetTimer(kCloseTimer, kCloseDelayMs);
}

void CExtviewDlg::CloseViewer()
{
    PostMessage(m_pip_box.Window(), WM_WAITBOX_HIDE, 0, 0);
    StopPicture();
    m_graph.DestroyFilterGraph();
    EndDialog(IDOK);
}

void CExtviewDlg::OnDestroy()
{
    KillTimer(kDuckTimer);
    KillTimer(kCloseTimer);
    StopPicture();
    m_graph.DestroyFilterGraph();
    SetRemoteReceiver(false);
    m_pip_box.Close(2000);
    m_wait_box.Destroy();
    CPlayerDialog::OnDestroy();
}

// ---- Sound ---------------------------------------------------------------------------------

void CExtviewDlg::ApplyGraphVolume()
{
    waveOutMessage(nullptr, WODM_AV_INPUT_LEVEL, static_cast<DWORD_PTR>(AudioLevel(m_settings.Volume(), m_settings.Mute() != 0, m_ducked)), 0);
}

void CExtviewDlg::ShowVolume()
{
    SetImage(kMute, m_settings.Mute() ? kMutedImage : kSoundImage);
    SetControlText(kVolumeText, std::to_string(m_settings.Volume() * 10));
}

void CExtviewDlg::ChangeVolume(int delta)
{
    const int level = delta < 0 ? player::VolumeDown(m_settings.Volume()) : player::VolumeUp(m_settings.Volume());
    if (level == m_settings.Volume()) return;  // at an end: nothing to do, nothing to tell
    m_settings.SetVolume(level);
    ApplyVolumeSetting(m_homedeck, true);
    m_homedeck.NotifyHomeDeck(SETTING_VOLUME_EXTVIEW, level);
}

void CExtviewDlg::ShowFmChannel()
{
    ShowFmButton(kFmChannel, kFmOnImage, kFmOffImage);
}

void CExtviewDlg::OnSettingRelay(WPARAM code, int value)
{
    CPlayerDialog::OnSettingRelay(code, value);
    switch (code) {
    case RELAY_VOLUME:
    case SETTING_RELOAD: ApplyVolumeSetting(m_homedeck, true); break;
    case RELAY_MUTE:
        ApplyGraphVolume();
        ShowVolume();
        break;
    default: break;
    }
    ShowFmChannel();
}

}  // namespace extview
