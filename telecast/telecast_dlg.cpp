#include "telecast/telecast_dlg.h"

#include <chrono>

#include "framework/player_rules.h"
#include "framework/program_messages.h"
#include "homedeck/program_launch.h"
#include "platform/app/controls.h"
#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/media/tdmb/audio_change_notice.h"
#include "telecast/screen_rules.h"
#include "telecast/directshow_priorities.h"
#include "telecast/scan_file.h"

namespace telecast {
namespace {

// The programs that cannot run beside Telecast.
constexpr const char* kClosedAtStart[] = {"APP_ROUTEKIT", "APP_BROWSER", "APP_MUSIC", "APP_MOVIE",
                                          "APP_EXTVIEW",  "APP_PHOTO",   "STACKER"};
constexpr UINT kShowListMessage = 1120;
constexpr UINT kHideListMessage = 1121;
constexpr UINT kRestartDelayMs = 500;
constexpr UINT kSignalPeriodMs = 1000;
constexpr DWORD kStopWaitMs = 10000;
constexpr std::size_t kMostLineBytes = 256;
constexpr UINT kIdleTickMs = 1000;
constexpr UINT kWaitBoxDelayMs = 500;
constexpr UINT kPipOrderDelayMs = 1000;
constexpr UINT kBackToLayoutDelayMs = 500;
constexpr DWORD kNavigationSettleMs = 300;

HWND NavigationWindow() { return FindProgramWindow(homedeck::kWayfarer.windowName); }

void BringNavigationForward()
{
    if (HWND navigation = NavigationWindow()) SetForegroundWindow(navigation);
}

// Changes a window's place in the z-order only: topmost or not, or right behind another.
void PlaceInZOrder(HWND hwnd, HWND insert_after)
{
    SetWindowPos(hwnd, insert_after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::u16string CodePageText(std::string_view bytes) { return platform::CodePageToWide(platform::SystemCodePage(), bytes); }

}  // namespace

CTelecastDlg::CTelecastDlg(const CHomeDeckLink& homedeck, std::string command_line)
    : CPlayerDialog(kTelecastIdentity), m_command_line(std::move(command_line)), m_homedeck(homedeck)
{
}

CTelecastDlg::~CTelecastDlg() = default;

BOOL CTelecastDlg::OnInitDialog()
{
    // 1. The command line: "PIP" runs over the navigation program; "-NO" keeps the start off
    //    the screen until the z-order beside the navigation program is set.
    m_pip = m_command_line.rfind("PIP", 0) == 0;
    m_hidden_start = m_command_line.find("-NO") != std::string::npos;

    // 2. The window name and the screen.
    CPlayerDialog::OnInitDialog();
    if (!InitFromTemplate("main")) DebugPrintf("Telecast: no screen\r\n");
    m_audio_change_message = RegisterWindowMessage(kAudioChangeMessageName);
    RegisterWindowMessage("TCC_TELECAST_RESET_CHANNEL_MSG");
    RegisterWindowMessage("TCC_TELECAST_RECONFIG_MSG");
    RegisterWindowMessage("WM_DMBANTLV");
    RegisterWindowMessage(kBroadcastMessageName);

    // 3. The last scan; the list type comes from it.
    LoadTable();

    // 4-5. The video box, the channel list over the hidden list box of its lines. In
    //      picture-in-picture the main window takes the box's rectangle, or keeps off the
    //      screen for a hidden start.
    const int mode = m_pip ? kPictureInPictureLayout : kNormalLayout;
    m_video_rect = kLayoutRects[static_cast<std::size_t>(mode)];
    if (m_pip && m_hidden_start)
        PlaceMainWindow({ScreenWidth(), ScreenHeight(), 2 * ScreenWidth(), 2 * ScreenHeight()});
    else if (m_pip)
        PlaceMainWindow(m_video_rect);
    m_box = std::make_unique<CDMBPipBox>([this](int box_mode, const RECT& rect) { OnLayout(box_mode, rect); });
    if (!m_box->Create(m_hWnd, mode)) DebugPrintf("Telecast: no video box\r\n");
    m_lines = CreateWindowEx(0, kListBoxClass, "", WS_CHILD, 0, 0, 0, 0, m_hWnd,
                             reinterpret_cast<void*>(static_cast<std::uintptr_t>(kChannelLines)), nullptr, nullptr);
    if (!m_list.Create(m_hWnd, m_lines)) DebugPrintf("Telecast: no channel list\r\n");
    Refill();
    if (!m_popup.Create(m_hWnd)) DebugPrintf("Telecast: no popup control panel\r\n");
    m_popup.SetListType(m_table.list_type);

    // 6. The buttons' states: the tabs, the volume and the FM channel.
    ShowTabs();
    SetControlText(kTitleLine, "");
    ShowVolume();
    ShowFmChannel();

    // 7. The programs that cannot run beside Telecast.
    for (const char* name : kClosedAtStart) homedeck::CloseProgram(name);

    // 8. The wait box, then the player: thread priorities, the graph and the thread, then play.
    if (!m_wait_box.Create()) DebugPrintf("Telecast: no wait box\r\n");
    SetDirectShowThreadPriorities();
    m_player.SetMainWindow(m_hWnd);
    m_thread = std::make_unique<PlayerThread>(m_player, m_table, static_cast<PlayerHost&>(*this));
    if (!m_player.CreateGraph() || !m_thread->Start()) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    StartPlaying();

    // 9. The navigation program under the picture-in-picture, else the list; the box.
    if (m_pip) {
        if (HWND navigation = NavigationWindow()) {
            if (!m_hidden_start) {
                SetForegroundWindow(navigation);
                PostMessage(HWND_BROADCAST, WM_TELECAST_BROADCAST, 1, 0);
            }
        } else {
            StartNavigation();
        }
    } else {
        PostMessage(m_list.Window(), kShowListMessage, 0, 0);
    }
    m_box->Show();

    // 10. In front, the mode written for the launcher, and the timers.
    RedrawAll();
    EnablePainting(true);
    SetForegroundWindow(m_hWnd);
    WriteAppValue("PipMode", m_pip ? 1 : 0);
    m_idle_seconds = 0;
    SetTimer(kIdleTimer, kIdleTickMs);
    if (m_pip && m_hidden_start) SetTimer(kPipOrderTimer, kPipOrderDelayMs);
    else SetTimer(kWaitBoxTimer, kWaitBoxDelayMs);
    return TRUE;
}

LRESULT CTelecastDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == m_audio_change_message && m_audio_change_message != 0) {
        OnAudioChange(lparam);
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        RunCommand(LOWORD(static_cast<DWORD>(wparam)));
        return 0;
    case kChannelChosenMessage:
        if (wparam == kChannelChosen) OnChannelChosen(static_cast<int>(lparam));
        return 0;
    case kPlayStartedMessage:
        // A good Play: the no-signal picture is down, whoever raised it.
        m_monitor.Restart();
        SetTimer(kSignalTimer, kSignalPeriodMs);
        return 0;
    case WM_OUTSIDE_AUDIO_EVENT:
        OnOutsideEvent(wparam, lparam);
        return 0;
    case kSidePanelMessage:
        OnSidePanel(static_cast<int>(static_cast<std::intptr_t>(wparam)));
        return 0;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
    case WM_EXTVIEW_SUSPEND:
        OnExtviewSuspend();
        return 0;
    case WM_EXTVIEW_RESUME:
        OnExtviewResume();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    default:
        return CPlayerDialog::WindowProc(message, wparam, lparam);
    }
}

void CTelecastDlg::RunCommand(int id)
{
    switch (id) {
    case kPreviousService:
    case kPopupPrevious: MoveSelection(false); break;
    case kNextService:
    case kPopupNext: MoveSelection(true); break;
    case kVolumeDown:
    case kPopupVolumeDown: ChangeVolume(-1); break;
    case kVolumeUp:
    case kPopupVolumeUp: ChangeVolume(+1); break;
    case kMute:
    case kPopupMute: ToggleMuteSetting(m_homedeck); break;
    case kFmChannel:
        StepFmChannel(m_homedeck);
        ShowFmChannel();
        break;
    case kNavigation: OnNavigation(); break;
    case kStartScan:
    case kPopupScan: OnStartScan(); break;
    case kPageDown: m_list.PageDown(); break;
    case kPageUp: m_list.PageUp(); break;
    case kTvTab: OnListType(ListType::Tv); break;
    case kRadioTab: OnListType(ListType::Radio); break;
    case kPopupSwapList: OnListType(m_table.list_type == ListType::Tv ? ListType::Radio : ListType::Tv); break;
    // 1012 to 1014 also toggle two images of a control the screen does not have.
    case kHomeDeckCommand: homedeck::LaunchOrActivate(homedeck::kHomeDeck); break;
    case kNavigationCommand: OnNavigation(); break;
    case kClose:
    case kPopupClose: OnCloseCommand(); break;
    case kScanFinished: OnScanFinished(); break;
    case kRestartChannel:
        if (m_thread && m_thread->PlayingState() != kPlayingScan) RestartChannel();
        break;
    case kToggleLayout: ToggleLayout(); break;
    case kPopupLeavePip: LeavePip(true); break;
    case kPopupHiddenCommand:
        if (m_box) m_box->ShiftTexts(false);
        break;
    case kLabelArrived: OnLabelArrived(); break;
    case kBackToLayout: PlaceMainWindow(m_pip ? m_box->Rect() : kLayoutRects[kFullScreenLayout]); break;
    default: break;
    }
}

void CTelecastDlg::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kSignalTimer: OnSignalTimer(); break;
    case kRestartTimer:
        KillTimer(kRestartTimer);
        if (m_thread) m_thread->ZeroFailures();
        RestartChannel();
        break;
    case kDuckTimer: EndDuck(kDuckTimer); break;
    case kWaitBoxTimer:
        KillTimer(kWaitBoxTimer);
        // Only a first tune still under way is worth the wait box.
        if (!m_first_tune_done) ShowWaitBox(true);
        break;
    case kPipOrderTimer: OnPipOrderTimer(); break;
    case kIdleTimer: OnIdleTimer(); break;
    case kBackToLayoutTimer:
        KillTimer(kBackToLayoutTimer);
        PostMessage(m_hWnd, WM_COMMAND, kBackToLayout, 0);
        break;
    default: CPlayerDialog::OnTimer(id); break;
    }
}

// ---- The table and the list -----------------------------------------------------------

void CTelecastDlg::LoadTable()
{
    const ScanFileLoad load = LoadScanFile(platform::HostPathOf(kScanFilePath));
    m_table = load.table;
    if (load.status == LoadStatus::Damaged || load.status == LoadStatus::Unreadable)
        DebugPrintf("Telecast: %s refused, %s\r\n", kScanFilePath, load.reason.c_str());
}

void CTelecastDlg::SaveTable()
{
    // A scan cut short keeps what it found in memory only: the file keeps the last whole scan.
    if (m_scan_incomplete) return;
    const SaveStatus status = SaveScanFile(m_table, platform::HostPathOf(kScanFilePath));
    if (status != SaveStatus::Saved) DebugPrintf("Telecast: %s not saved (%d)\r\n", kScanFilePath, static_cast<int>(status));
}

std::u16string CTelecastDlg::LineOf(const ChannelRecord& record) const
{
    return NameText(record.name, m_table.region_code, CodePageText);
}

void CTelecastDlg::Refill()
{
    if (!m_lines) return;
    SendMessage(m_lines, LB_RESETCONTENT, 0, 0);
    const ChannelList list = m_table.ListOf(m_table.list_type, CodePageText);
    for (const std::u16string& line : list.lines) {
        const std::string text = platform::WideToUtf8(line);
        SendMessage(m_lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    m_list.SetPosition(list.position ? static_cast<int>(*list.position) : 0);
    m_list.Refresh();
}

void CTelecastDlg::ShowTabs()
{
    m_popup.SetListType(m_table.list_type);
    SetFlags(kTvTab, SKIN_LATCHED, m_table.list_type == ListType::Tv ? SKIN_LATCHED : 0);
    SetFlags(kRadioTab, SKIN_LATCHED, m_table.list_type == ListType::Radio ? SKIN_LATCHED : 0);
}

void CTelecastDlg::EnableControls(bool enabled)
{
    for (int id = 1000; id <= 1015; ++id) EnableControl(id, enabled);
    m_popup.EnableButtons(enabled);
}

// ---- Playing ---------------------------------------------------------------------------

void CTelecastDlg::StartPlaying()
{
    StopPlaying();
    if (!m_player.HasGraph()) return;
    m_graph_built = false;
    const int layout = static_cast<int>(m_table.list_type);
    if (!m_player.Build(layout) || !m_player.Connect()) {
        ShowOverlay(kOverlayNoSignal);
        return;
    }
    DWORD region[3] = {0, static_cast<DWORD>(m_table.region_code), static_cast<DWORD>(m_table.band)};
    if (m_player.TunerSet(kTunerRegion, region)) {
        m_graph_built = true;
        StartChannel();
    } else {
        ShowOverlay(kOverlayNoSignal);
    }
    ApplyGraphVolume();
}

void CTelecastDlg::StartChannel()
{
    if (m_playing || !m_graph_built) return;
    m_player.SetVideoRect(&m_video_rect);
    const ChannelRecord* current = m_table.Current(m_table.list_type);
    if (!current) {
        ShowOverlay(kOverlayNoSignal);
        return;
    }
    const ChannelRecord record = *current;
    if (!m_player.Configure(record)) {
        ShowOverlay(kOverlayNoSignal);
        return;
    }
    ShowOverlay(kOverlayTuning);
    m_audio_changes.ChannelStarted(m_restart_by_audio_change);
    m_thread->EnablePlaying(true);
    m_thread->SetPlayingState(kPlayingOn);
    m_thread->RequestTune(record);
    m_playing = true;
    InvalidateRect(m_box->Window(), nullptr, FALSE);
}

void CTelecastDlg::StopPlaying()
{
    if (!m_thread) return;
    const bool scanning = m_thread->PlayingState() == kPlayingScan;
    if (!m_playing && !scanning) return;
    KillTimer(kSignalTimer);
    m_thread->EnablePlaying(false);
    m_thread->SetPlayingState(kPlayingIdle);
    if (m_thread->Busy()) {
        // The thread may be sending this window a list line: take sent messages while waiting.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs);
        while (m_thread->Busy() && !m_thread->WaitDone(20) && std::chrono::steady_clock::now() < until) {
            MSG msg;
            PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }
    }
    m_thread->ResetDone();
    {
        std::lock_guard lock(m_thread->Lock());
        m_player.StopPlayback();
    }
    m_playing = false;
}

void CTelecastDlg::RestartChannel()
{
    StopPlaying();
    StartChannel();
    ApplyGraphVolume();
    SaveTable();
}

void CTelecastDlg::ApplyGraphVolume()
{
    // While the monitor holds the no-signal picture the graph stays silent.
    if (m_monitor.Raised()) return;
    m_player.SetVolumeStep(GraphVolumeLevel());
}

void CTelecastDlg::OnSettingRelay(WPARAM code, int value)
{
    // The shared settings take the value first (one out of its range changes nothing); then
    // the graph and the screen follow them.
    CPlayerDialog::OnSettingRelay(code, value);
    switch (code) {
    case RELAY_VOLUME:
    case SETTING_RELOAD: ApplyVolumeSetting(m_homedeck, true); break;
    case RELAY_MUTE:
        ApplyGraphVolume();
        ShowVolume();
        break;
    default: ApplyGraphVolume(); break;
    }
    ShowFmChannel();
}

void CTelecastDlg::ShowVolume()
{
    SetImage(kMute, m_settings.Mute() ? kMutedImage : kSoundImage);
    SetControlText(kVolumeText, std::to_string(m_settings.Volume() * 10));
    m_popup.SetMuted(m_settings.Mute() != 0);
    m_popup.SetVolume(m_settings.Volume());
}

void CTelecastDlg::ChangeVolume(int delta)
{
    const int level = delta < 0 ? player::VolumeDown(m_settings.Volume()) : player::VolumeUp(m_settings.Volume());
    if (level == m_settings.Volume()) return;  // at an end: nothing to do
    m_settings.SetVolume(level);
    ApplyVolumeSetting(m_homedeck, true);
    m_homedeck.NotifyHomeDeck(SETTING_VOLUME, level);
}

void CTelecastDlg::ShowFmChannel()
{
    ShowFmButton(kFmChannel, kFmOnImage, kFmOffImage);
}

// ---- Scanning ----------------------------------------------------------------------------

void CTelecastDlg::OnStartScan()
{
    if (!m_thread || m_thread->PlayingState() == kPlayingScan) return;
    StopPlaying();
    m_thread->SetPlayingState(kPlayingScan);
    m_graph_built = false;
    if (!m_player.Build(0)) {
        m_thread->SetPlayingState(kPlayingIdle);
        return;
    }
    EnableControls(false);
    ShowOverlay(kOverlayScanning);
    ShowScanProgress(0, 0, 0);
    SendMessage(m_lines, LB_RESETCONTENT, 0, 0);
    {
        std::lock_guard lock(m_thread->Lock());
        m_table.Clear();
    }
    m_scan_incomplete = true;
    m_list.SetPosition(0);
    m_list.Refresh();
    DWORD region[3] = {0, static_cast<DWORD>(m_table.region_code), static_cast<DWORD>(m_table.band)};
    DWORD indexes[3] = {};
    m_player.TunerSet(kTunerRegion, region);
    if (!m_player.TunerGet(kTunerIndexes, indexes)) indexes[1] = indexes[2] = 0;
    m_thread->RequestScan(indexes[1], indexes[2], m_table.list_type);
}

void CTelecastDlg::OnScanFinished()
{
    if (!m_thread) return;
    m_scan_incomplete = false;
    ShowOverlay(kOverlayNone);
    m_monitor.PictureHidden();
    SaveTable();
    Refill();
    EnableControls(true);
    m_thread->SetPlayingState(kPlayingIdle);
    SelectLine(m_list.Position());
    m_thread->ZeroFailures();
    StartPlaying();
}

// ---- Choosing a service --------------------------------------------------------------------

void CTelecastDlg::OnListType(ListType type)
{
    if (!m_thread || type == m_table.list_type || m_thread->PlayingState() == kPlayingScan) return;
    m_table.list_type = type;
    ShowTabs();
    Refill();
    // A list whose type has no selected service yet (the first visit after a scan) plays the
    // line it shows selected, rather than nothing.
    if (!m_table.Current(type)) SelectLine(m_list.Position());
    m_thread->ZeroFailures();
    StartPlaying();
}

bool CTelecastDlg::SelectLine(int line)
{
    const int count = static_cast<int>(SendMessage(m_lines, LB_GETCOUNT, 0, 0));
    if (line < 0 || line >= count) return false;  // a line the list does not have
    char text[kMostLineBytes] = {};
    if (SendMessage(m_lines, LB_GETTEXTLEN, static_cast<WPARAM>(line), 0) >= static_cast<LRESULT>(sizeof text))
        return false;
    SendMessage(m_lines, LB_GETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
    return m_table.SelectByName(m_table.list_type, platform::Utf8ToWide(text), CodePageText).has_value();
}

void CTelecastDlg::OnChannelChosen(int line)
{
    if (!m_thread || m_thread->PlayingState() == kPlayingScan) return;
    const int count = static_cast<int>(SendMessage(m_lines, LB_GETCOUNT, 0, 0));
    if (line < 0 || line >= count) return;  // a line the list does not have
    KillTimer(kRestartTimer);
    if (SelectLine(line)) SetTimer(kRestartTimer, kRestartDelayMs);
}

void CTelecastDlg::MoveSelection(bool forward)
{
    if (!m_thread || m_thread->PlayingState() == kPlayingScan || m_list.LineCount() <= 1) return;
    KillTimer(kRestartTimer);
    if (forward) m_list.Next();
    else m_list.Previous();
    OnChannelChosen(m_list.Position());
}

// ---- The signal and the audio --------------------------------------------------------------

void CTelecastDlg::OnSignalTimer()
{
    DWORD signal[3] = {};
    // A signal that cannot be read is no signal.
    const std::uint32_t errors = m_player.TunerGet(kTunerSignal, signal) ? signal[2] : 0xFFFFFFFFu;
    switch (m_monitor.Tick(errors)) {
    case SignalMonitor::Action::ShowNoSignal:
        ShowOverlay(kOverlayNoSignal);
        m_player.SetVolumeStep(0);
        break;
    case SignalMonitor::Action::HideNoSignal:
        ShowOverlay(kOverlayNone);
        ApplyGraphVolume();
        break;
    case SignalMonitor::Action::None: break;
    }
}

void CTelecastDlg::OnAudioChange(LPARAM lparam)
{
    // The record lives in this program; a pointer from anywhere else is not read.
    const auto* record = platform::tdmb::ThisProgramsAudioChangeRecord();
    if (lparam != reinterpret_cast<LPARAM>(record)) return;
    const ChannelRecord* current = m_table.Current(m_table.list_type);
    if (!current) return;
    const AudioValues told{record->coding, static_cast<std::int32_t>(record->a), static_cast<std::int32_t>(record->b)};
    const AudioValues now{current->audio_coding, current->audio_a, current->audio_b};
    if (!m_audio_changes.Take(now, told)) return;
    StopPlaying();
    m_table.current = m_table.SelectedIndex(m_table.list_type);
    if (!m_scan_incomplete) {
        const SaveStatus status = StoreAudioValuesAndSave(m_table, told, platform::HostPathOf(kScanFilePath));
        if (status != SaveStatus::Saved) DebugPrintf("Telecast: %s not saved (%d)\r\n", kScanFilePath, static_cast<int>(status));
    } else {
        m_table.StoreAudioValues(told);
    }
    m_restart_by_audio_change = true;
    StartChannel();
    m_restart_by_audio_change = false;
}

void CTelecastDlg::OnLabelArrived()
{
    if (m_box) m_box->SetDynamicLabel(platform::WideToUtf8(m_player.DynamicLabel()));
}

// ---- The player thread's calls (player thread) ---------------------------------------------

void CTelecastDlg::ShowOverlay(int state)
{
    if (!m_box) return;
    if (state == kOverlayNoSignal) FirstTuneEnded();
    m_box->PipCtrl(state);
    // Back to the picture: the label that came while tuning shows again.
    if (state == kOverlayNone) m_box->SetDynamicLabel(platform::WideToUtf8(m_player.DynamicLabel()));
}

void CTelecastDlg::ShowScanProgress(int percent, int tv_count, int radio_count)
{
    if (m_box) m_box->SetScanProgress(percent, tv_count, radio_count);
}

void CTelecastDlg::AddScannedLine(const ChannelRecord& record)
{
    const std::string text = platform::WideToUtf8(LineOf(record));
    SendMessage(m_lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    m_list.Refresh();
}

void CTelecastDlg::PlayStarted()
{
    FirstTuneEnded();
    PostMessage(m_hWnd, kPlayStartedMessage, 0, 0);
}

void CTelecastDlg::FirstTuneEnded()
{
    // The wait box shows only while the first tune runs; its end, good or bad, takes it down.
    if (!m_first_tune_done.exchange(true)) ShowWaitBox(false);
}

void CTelecastDlg::ScanFinished() { PostMessage(m_hWnd, WM_COMMAND, kScanFinished, 0); }

void CTelecastDlg::Touched() { m_idle_seconds = 0; }

// ---- Layout, suspend, close ------------------------------------------------------------------

void CTelecastDlg::ToggleLayout()
{
    if (!m_box || !m_thread || m_thread->PlayingState() == kPlayingScan) return;
    if (m_side_panel > 0) {
        // The picture narrowed by the navigation program's side panel takes the whole width again.
        OnSidePanel(0);
        return;
    }
    if (m_pip) {
        TogglePopup();
        return;
    }
    if (m_box->Mode() == kNormalLayout) {
        PostMessage(m_list.Window(), kHideListMessage, 0, 0);
        m_box->SetMode(kFullScreenLayout);
    } else {
        m_box->SetMode(kNormalLayout);
        PostMessage(m_list.Window(), kShowListMessage, 0, 0);
    }
}

void CTelecastDlg::TogglePopup()
{
    if (m_popup.IsShown()) {
        HidePopup();
    } else {
        const RECT box = m_box->Rect();
        m_popup.ShowAt({box.left, box.top});
        m_box->ShiftTexts(true);
    }
    BringWindowToTop(m_hWnd);
}

void CTelecastDlg::HidePopup()
{
    m_popup.Hide();
    if (m_box) m_box->ShiftTexts(false);
}

void CTelecastDlg::OnLayout(int mode, const RECT& rect)
{
    m_video_rect = rect;
    m_player.SetVideoRect(&m_video_rect);
    // Over the navigation program the main window is the box's size; else the whole screen.
    if (m_pip) PlaceMainWindow(mode == kPictureInPictureLayout ? rect : kLayoutRects[kFullScreenLayout]);
}

void CTelecastDlg::PlaceMainWindow(const RECT& rect)
{
    SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTelecastDlg::OnSidePanel(int panel)
{
    // Only the full-screen picture makes room for the side panel.
    if (!m_box || m_pip || m_box->Mode() != kFullScreenLayout) return;
    if (panel == m_side_panel) return;
    const std::optional<ScreenRect> narrowed = NarrowedRect(panel, ScreenWidth(), ScreenHeight());
    if (!narrowed) return;  // a panel that leaves no picture
    if (panel > 0 && narrowed->left < panel)
        DebugPrintf("RENDER: %d,%d - %d,%d\n", narrowed->left, narrowed->top, narrowed->right, narrowed->bottom);
    m_side_panel = panel;
    PlaceMainWindow({narrowed->left, narrowed->top, narrowed->right, narrowed->bottom});
    m_box->Narrow(panel > 0 ? narrowed->right - narrowed->left : 0);
}

// ---- Picture-in-picture over the navigation program --------------------------------------------

void CTelecastDlg::EnterPip()
{
    if (m_pip || !m_box) return;
    m_box->Hide();
    PostMessage(m_list.Window(), kHideListMessage, 0, 0);
    m_side_panel = 0;
    m_pip = true;
    m_box->SetMode(kPictureInPictureLayout);
    WriteAppValue("PipMode", 1);
    m_popup.SetListType(m_table.list_type);
    m_box->Show();
}

void CTelecastDlg::LeavePip(bool activate)
{
    if (!m_pip || !m_box) return;
    HidePopup();
    m_pip = false;
    PlaceMainWindow(kLayoutRects[kFullScreenLayout]);
    m_box->SetMode(kNormalLayout);
    PostMessage(m_list.Window(), kShowListMessage, 0, 0);
    WriteAppValue("PipMode", 0);
    m_flags = 1;
    // No longer over the navigation program: an ordinary window again.
    PlaceInZOrder(m_hWnd, HWND_NOTOPMOST);
    if (activate) BringWindowToTop(m_hWnd);
    PostMessage(HWND_BROADCAST, WM_TELECAST_BROADCAST, 0, 0);
}

void CTelecastDlg::OnOutsideEvent(WPARAM code, LPARAM argument)
{
    switch (code) {
    case 0:
    case 1: DuckFor(code, kDuckTimer); break;
    case kLeavePipToFront: LeavePip(true); break;
    case kPipRequest:
        switch (argument) {
        case kPipLeave: LeavePip(false); break;
        case kPipEnter: EnterPip(); break;
        case kPipBelow: PlaceBehindNavigation(); break;
        case kPipAbove:
            m_flags |= kAboveNavigation;
            PlaceInZOrder(m_hWnd, HWND_TOPMOST);
            if (HWND box = FindWindow(kWaitBoxClass, ""))
                PlaceInZOrder(box, HWND_TOPMOST);
            BringWindowToTop(m_hWnd);
            break;
        default: break;  // arguments Telecast does not know
        }
        break;
    default: break;  // codes for others
    }
}

void CTelecastDlg::PlaceBehindNavigation()
{
    m_flags = (m_flags & ~kAboveNavigation) | kBelowNavigation;
    PlaceInZOrder(m_hWnd, HWND_NOTOPMOST);
    if (HWND navigation = NavigationWindow()) PlaceInZOrder(m_hWnd, navigation);
}

void CTelecastDlg::PlaceNavigationBehind()
{
    if (HWND navigation = NavigationWindow()) PlaceInZOrder(navigation, m_hWnd);
}

void CTelecastDlg::OnPipOrderTimer()
{
    KillTimer(kPipOrderTimer);
    if (ReadAppValue("MapMode", 0) != 0) {
        // The map is up: the picture stays above it.
        m_flags |= kAboveNavigation;
        PlaceInZOrder(m_hWnd, HWND_TOPMOST);
        BringNavigationForward();
        PlaceNavigationBehind();
    } else {
        PlaceBehindNavigation();
        BringNavigationForward();
    }
    SetTimer(kBackToLayoutTimer, kBackToLayoutDelayMs);
}

void CTelecastDlg::OnIdleTimer()
{
    const bool counting = !m_pip && m_box && m_box->Mode() == kNormalLayout && m_thread && !m_thread->Busy();
    m_idle_seconds = NextIdleCount(m_idle_seconds, counting);
    if (m_idle_seconds == kIdleSecondsToFullScreen) PostMessage(m_hWnd, WM_COMMAND, kToggleLayout, 0);
}

LRESULT CTelecastDlg::OnCopyData(const COPYDATASTRUCT* copy)
{
    // A payload is read only when it is one 32-bit value; anything else is ignored unread.
    if (!copy) return 0;
    const std::optional<std::int32_t> value = CopyDataValue(copy->lpData, copy->cbData);
    if (!value) return 0;
    switch (copy->dwData) {
    case COPYDATA_PIP_SHOW:
        m_flags = 1;
        if (m_pip) LeavePip(true);
        else BringWindowToTop(m_hWnd);
        PlaceNavigationBehind();
        return 1;
    case COPYDATA_PIP_NAVIGATION:
        LeavePip(false);
        BringNavigationForward();
        return 1;
    case COPYDATA_PIP_TOGGLE:
        if (!m_pip) PostMessage(HWND_BROADCAST, WM_TELECAST_BROADCAST, 1, 0);
        BringNavigationForward();
        if (m_pip) {
            // The navigation program takes the front; the picture comes back over it.
            Sleep(kNavigationSettleMs);
            BringWindowToTop(m_hWnd);
        }
        return 1;
    case COPYDATA_PIP_HOMEDECK:
        if (!m_pip || !(m_flags & kAboveNavigation)) return 1;
        if (*value != 0) {
            LeavePip(true);
        } else {
            m_flags &= ~kAboveNavigation;
            PlaceInZOrder(m_hWnd, HWND_NOTOPMOST);
        }
        return 1;
    default: return 0;  // codes for others
    }
}

// ---- The other programs ------------------------------------------------------------------------

void CTelecastDlg::StartNavigation()
{
    homedeck::LaunchOrActivate(homedeck::kWayfarer, "/m", homedeck::BringToFront::No);
}

void CTelecastDlg::OnNavigation()
{
    if (HWND navigation = NavigationWindow()) {
        PostMessage(HWND_BROADCAST, WM_TELECAST_BROADCAST, 1, 0);
        SetForegroundWindow(navigation);
    } else {
        StartNavigation();
    }
}

void CTelecastDlg::ShowWaitBox(bool shown)
{
    if (shown) ::ShowWaitBox(kWaitBoxClass);
    else HideWaitBox(kWaitBoxClass);
}

// ---- Suspend, close ------------------------------------------------------------------------------

void CTelecastDlg::OnExtviewSuspend()
{
    if (m_box) m_box->PipCtrl(kOverlayNone);
    StopPlaying();
    KillTimer(kIdleTimer);
    m_player.Teardown();
    m_graph_built = false;
}

void CTelecastDlg::OnExtviewResume()
{
    DebugPrintf("~~~~~~~~~OnExtviewResumeMainProc\r\n");
    if (m_thread) m_thread->ZeroFailures();
    ShowOverlay(kOverlayTuning);
    // A scan the suspend cut short leaves the controls as they were before it.
    EnableControls(true);
    if (m_player.CreateGraph()) StartPlaying();
    m_idle_seconds = 0;
    SetTimer(kIdleTimer, kIdleTickMs);
}

void CTelecastDlg::OnCloseCommand()
{
    ShowWaitBox(false);
    if (m_box) m_box->Hide();
    if (m_pip && NavigationWindow()) {
        m_flags = 1;
        PostMessage(HWND_BROADCAST, WM_TELECAST_BROADCAST, 0, 0);
    }
    m_pip = false;
    WriteAppValue("PipMode", 0);
    OnClose();
}

void CTelecastDlg::OnClose()
{
    ShowWaitBox(false);
    HidePopup();
    if (m_box) {
        m_box->PipCtrl(kOverlayNone);
        m_box->Hide();
    }
    PostMessage(m_list.Window(), kHideListMessage, 0, 0);
    StopPlaying();
    m_player.Teardown();
    EndDialog(IDOK);
}

void CTelecastDlg::OnDestroy()
{
    WriteAppValue("PipMode", 0);
    SaveTable();
    KillTimer(kIdleTimer);
    KillTimer(kSignalTimer);
    KillTimer(kRestartTimer);
    if (m_pip) {
        if (HWND navigation = NavigationWindow()) SetForegroundWindow(navigation);
        else PostMessage(HWND_BROADCAST, WM_TELECAST_BROADCAST, 0, 0);
    }
    if (m_thread) {
        StopPlaying();
        m_thread->Exit();
    }
    m_player.Teardown();
    DeleteDirectShowThreadPriorities();
    m_thread.reset();
    // A box thread that does not end keeps its object: freeing it under the thread would crash.
    if (m_box && !m_box->Close(2000)) (void)m_box.release();
    m_list.Destroy();
    m_wait_box.Destroy();
    CPlayerDialog::OnDestroy();
}

}  // namespace telecast
