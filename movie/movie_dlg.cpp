#include "movie/movie_dlg.h"

#include <algorithm>
#include <cstdio>

#include "fileshelf/playlist_file.h"
#include "framework/device_services.h"
#include "framework/state_file.h"
#include "homedeck/program_launch.h"
#include "mediainfo/codec_names.h"
#include "mediainfo/media_probe.h"
#include "movie/movie_pip_box.h"
#include "movie/movie_play_list.h"
#include "platform/app/string_table.h"
#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace movie {
namespace {

constexpr UINT kPauseImage = 147, kPlayImage = 148;
constexpr UINT kMutedImage = 144, kUnmutedImage = 143;
constexpr UINT kFmOnImage = 132, kFmOffImage = 133;
constexpr UINT kSeekFillImage = 171;
constexpr UINT kSpinnerImage = 172;
constexpr UINT kNoticeString = 1;
constexpr const char* kNoticeFallback = "재생할 수 없는 파일입니다.";
constexpr UINT kNoticeMs = 2000;
constexpr int kFileNameSize = 12;
constexpr int kVolumeTextSize = 14;
constexpr int kTimeTextSize = 10;
constexpr std::size_t kMostResumeBytes = 4096;
constexpr std::size_t kMostMarksBytes = 64 * 1024;
constexpr int kLeastOfferedSeconds = 5;
constexpr UINT kOfferMs = 5000;
constexpr const char* kOfferFormat = "이어 보기 %s: 화면을 누르세요";

// The end of a file, posted by the position timer: wParam is the open it belongs to.
constexpr UINT kFileEnded = WM_APP + 30;

// The programs Movie closes as it starts, in this order.
constexpr const char* kClosedAtStart[] = {"APP_ROUTEKIT", "APP_BROWSER", "APP_MUSIC", "APP_EXTVIEW",
                                          "DMB_TELECAST", "APP_PHOTO",   "STACKER",   "WAYFARER"};

// The file's size, 0 when it cannot be opened.
std::uint64_t FileSizeOf(const std::string& path) {
    HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    CloseHandle(file);
    return low == INVALID_FILE_SIZE ? 0 : (static_cast<std::uint64_t>(high) << 32) | low;
}

std::string NoticeText() {
    const std::optional<std::string> text = LoadString(kNoticeString);
    return text ? *text : kNoticeFallback;
}

}  // namespace

CMovieDlg::CMovieDlg(const CHomeDeckLink& homedeck)
    : CPlayerDialog(kMovieIdentity, SkinDialogOptions{true, false}),
      m_homedeck(homedeck),
      m_graph(FilterControlVariant::Movie),
      m_wait_box(kMovieWaitBoxClass, kSpinnerImage) {
    SetName("Movie");
}

CMovieDlg::~CMovieDlg() = default;

BOOL CMovieDlg::OnInitDialog() {
    // 1. The window name, the screen, and the wait box on its own thread.
    CPlayerDialog::OnInitDialog();
    if (!InitFromTemplate("video")) DebugPrintf("Movie: no screen\r\n");
    if (!m_wait_box.Create()) DebugPrintf("Movie: no wait box\r\n");

    // 2. The playlist box and the video box, each on its own thread.
    m_playlist_box = std::make_unique<CMoviePlayList>(m_entries);
    if (!m_playlist_box->Create(m_hWnd)) DebugPrintf("Movie: no playlist box\r\n");
    m_video_box = std::make_unique<CMoviePipBox>(NoticeText());
    if (!m_video_box->Create(m_hWnd)) DebugPrintf("Movie: no video box\r\n");

    // 3. The video view, in which Movie always starts.
    m_view = View::Video;
    ApplyControlState();

    // 4. The programs that cannot run beside Movie.
    for (const char* name : kClosedAtStart) homedeck::CloseProgram(name);

    // 5. Where Movie stopped last time, and where each of the last films was left.
    if (const auto marks = ReadStateFile(kMovieMarksPath, kMostMarksBytes)) m_marks = ParseFilmMarks(*marks);
    const std::optional<std::string> text = ReadStateFile(kMovieResumePath, kMostResumeBytes);
    const MovieResume resume = ParseMovieResume(text ? *text : std::string());
    const StartPoint start = ResumeStartPoint(resume, LoadPlaylist());
    m_current = start.entry;
    m_state = start.state;
    m_position = start.seconds;
    m_playlist_box->Reset(m_current);
    RedrawAll();
    EnablePainting(true);
    if (m_state == kPlaying) PostMessage(m_hWnd, WM_COMMAND, kPlayAtPosition, 0);
    return TRUE;
}

LRESULT CMovieDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            RunCommand(LOWORD(static_cast<DWORD>(wparam)));
            return 0;
        case WM_SKIN_SLIDER:
            if (wparam == kSeekBar) OnSeek();
            else if (wparam == kSelectionReport) OnSelection(static_cast<int>(lparam));
            return 0;
        case WM_PLAYLIST_RESULT:
            OnPlaylistResult(static_cast<int>(wparam), lparam == 1);
            return 0;
        case WM_OUTSIDE_AUDIO_EVENT:
            DuckFor(wparam, kDuckTimer);
            return 0;
        case WM_DEVICECHANGE:
            RunCommand(kStop);
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_EXTVIEW_SUSPEND:
            OnExtviewSuspend();
            return 0;
        case WM_EXTVIEW_RESUME:
            OnExtviewResume();
            return 0;
        case kFileEnded:
            OnFileEnded(wparam);
            return 0;
        default:
            return CPlayerDialog::WindowProc(message, wparam, lparam);
    }
}

// ---- Commands ----------------------------------------------------------------------------

void CMovieDlg::RunCommand(int id) {
    switch (id) {
        case kPlayPause: PlayPause(); break;
        case kStop: StopCommand(); break;
        case kPrevious: MoveSelection(false); break;
        case kNext: MoveSelection(true); break;
        case kVolumeDown: ChangeVolume(-1); break;
        case kVolumeUp: ChangeVolume(+1); break;
        case kMute: ToggleMute(); break;
        case kFmChannel: CycleFmChannel(); break;
        case kToListView: ShowListView(); break;
        case kToVideoView: ShowVideoView(); break;
        case kEditPlaylist: EditPlaylist(); break;
        case kPageUp: m_playlist_box->PageUp(); break;
        case kPageDown: m_playlist_box->PageDown(); break;
        case kExit: ExitProgram(); break;
        case kPlayFromStart:
            if (m_entries.GetItemCount() == 0) break;
            Stop();
            PlaySelected(0);
            break;
        case kPlayAtPosition:
            if (m_entries.GetItemCount() == 0) break;
            PlaySelected(m_position);
            break;
        case kToggleFullScreen: ToggleFullScreen(); break;
        default: break;
    }
}

void CMovieDlg::PlayPause() {
    if (m_entries.GetItemCount() == 0) return;
    const int selected = m_playlist_box->Selected();
    if (m_state == kPlaying && selected == m_current) {
        m_graph.PauseGraph();
        m_state = kPaused;
        KillPlayTimers();
        ShowPlayButton();
    } else if (m_state == kPaused && selected == m_current) {
        m_graph.RunGraph();
        m_state = kPlaying;
        m_end_watch.Restart();
        StartPlayTimers();
        ShowPlayButton();
    } else {
        Stop();
        PlaySelected(m_position);
    }
}

void CMovieDlg::StopCommand() {
    // A play chosen a moment ago, not yet started, is called off with the film.
    KillTimer(kSelectTimer);
    m_video_box->SetSubtitle({});
    Stop();
    ShowPlayButton();
    SetTimeText(kElapsedText, 0);
    SetSeekValue(kSeekBar, 0);
}

void CMovieDlg::MoveSelection(bool forward) {
    if (m_entries.GetItemCount() == 0) return;
    if (forward) m_playlist_box->Next();
    else m_playlist_box->Previous();
    // The play waits for the last of quick presses.
    SetTimer(kSelectTimer, 300);
}

void CMovieDlg::ChangeVolume(int delta) {
    const int level = delta < 0 ? player::VolumeDown(m_settings.Volume()) : player::VolumeUp(m_settings.Volume());
    m_settings.SetVolume(level);
    RefreshVolume();
    m_homedeck.NotifyHomeDeck(SETTING_VOLUME, level);
}

void CMovieDlg::ToggleMute() { ToggleMuteSetting(m_homedeck); }

void CMovieDlg::CycleFmChannel() {
    StepFmChannel(m_homedeck);
    RefreshFmButton();
}

void CMovieDlg::ShowListView() {
    if (m_view != View::Video) return;
    m_video_box->Hide();
    ChangeScreen("list");
    m_view = View::List;
    ApplyControlState();
    RedrawAll();
    m_playlist_box->Show();
}

void CMovieDlg::ShowVideoView() {
    if (m_view != View::List) return;
    m_playlist_box->Hide();
    ChangeScreen("video");
    m_view = View::Video;
    ApplyControlState();
    RedrawAll();
    m_video_box->Show();
}

void CMovieDlg::EditPlaylist() {
    m_state_before_shelf = m_state;
    // The film waits, paused, while the list is edited; the selection stays what it was.
    if (m_state == kPlaying) {
        m_graph.PauseGraph();
        m_state = kPaused;
        KillPlayTimers();
        ShowPlayButton();
    }
    homedeck::LaunchOrActivate(homedeck::kFileShelf, kMovieIdentity.window_name);
}

void CMovieDlg::ExitProgram() {
    SaveResume();
    HideBoxes();
    EndDialog(IDOK);
}

void CMovieDlg::PlaySelected(double start_seconds) {
    const int selected = m_playlist_box->Selected();
    if (selected < 0 || !EntryExists(selected)) return;
    OpenAndPlay(selected, start_seconds);
}

void CMovieDlg::ToggleFullScreen() {
    // While a film offers its mark, a tap on the picture goes there instead.
    if (m_offer_seconds >= 0) {
        const int seconds = m_offer_seconds;
        WithdrawOffer();
        if (m_state != kStopped) {
            m_graph.SetPosition(seconds);
            m_position = seconds;
            SetTimeText(kElapsedText, m_position);
            SetSeekValue(kSeekBar, m_position);
        }
        return;
    }
    if (m_video_box->IsFullScreen()) m_video_box->SetFullScreen(false);
    else if (m_state == kPlaying) m_video_box->SetFullScreen(true);
    else return;
    const RECT rect = m_video_box->CurrentRect();
    m_graph.SetVideoWindow(rect.left, rect.top, rect.right, rect.bottom);
}

// ---- Timers and messages -----------------------------------------------------------------

void CMovieDlg::OnTimer(UINT_PTR id) {
    switch (id) {
        case kPositionTimer: OnPositionTimer(); break;
        case kSubtitleTimer: OnSubtitleTimer(); break;
        case kSelectTimer:
            KillTimer(kSelectTimer);
            RunCommand(kPlayFromStart);
            break;
        case kDuckTimer: EndDuck(kDuckTimer); break;
        case kResumeTimer:
            if (m_state == kPlaying) SaveResume();
            break;
        case kOfferTimer:
            WithdrawOffer();
            break;
        default: break;
    }
}

void CMovieDlg::OnPositionTimer() {
    double position = 0;
    m_graph.GetPosition(position);
    if (m_duration <= 0 && m_graph.GetDuration(m_duration) && m_duration > 0) ShowTimes();
    if (!m_end_watch.Ended(position, m_duration)) {
        m_position = position;
        SetTimeText(kElapsedText, position);
        SetSeekValue(kSeekBar, position);
        return;
    }
    KillTimer(kPositionTimer);
    PostMessage(m_hWnd, kFileEnded, m_generation, 0);
}

void CMovieDlg::OnFileEnded(WPARAM generation) {
    // Only the film that ended moves the list on: a stop, a card taken out or Extview since
    // then leaves Movie where it is.
    if (m_state != kPlaying || generation != m_generation) return;
    ForgetMark();
    RunCommand(kNext);
}

void CMovieDlg::OnSubtitleTimer() {
    double position = 0;
    if (!m_graph.GetPosition(position)) return;
    WCHAR text[SmiSubtitle::kTextRoom];
    if (m_subtitle.TextAt(position, text, SmiSubtitle::kTextRoom))
        m_video_box->SetSubtitle(platform::WideToUtf8(std::u16string_view(text)));
}

void CMovieDlg::OnSeek() {
    if (m_entries.GetItemCount() == 0) {
        m_position = 0;
        SetTimeText(kElapsedText, 0);
        return;
    }
    const SkinControl* seek = Control(kSeekBar);
    m_position = seek ? std::max(0.0, seek->seek.value) : 0;
    SetTimeText(kElapsedText, m_position);
    if (m_state != kStopped) m_graph.SetPosition(m_position);
    m_end_watch.Restart();
    if (m_state != kPlaying) PostMessage(m_hWnd, WM_COMMAND, kPlayPause, 0);
}

void CMovieDlg::OnSelection(int entry) {
    if (entry < 0 || entry >= m_entries.GetItemCount()) return;
    m_playlist_box->Select(entry);
    if (entry != m_current) {
        ShowVideoView();
        SetTimer(kSelectTimer, 300);
    } else if (m_state != kPlaying) {
        ShowVideoView();
        PostMessage(m_hWnd, WM_COMMAND, kPlayPause, 0);
    }
}

void CMovieDlg::OnPlaylistResult(int start_entry, bool cancelled) {
    ShowVideoView();
    SetForegroundWindow(m_hWnd);
    m_duration = 0;
    m_title.clear();
    SetControlText(kFileNameText, {});
    if (!cancelled) {
        Stop();
        ShowPlayButton();
        const int kept = player::KeptPosition(LoadPlaylist(), start_entry);
        m_playlist_box->Reset(kept >= 0 ? kept : 0);
        if (m_entries.GetItemCount() > 0) SetTimer(kSelectTimer, 300);
    } else if (m_state_before_shelf == kPlaying && m_state == kPaused) {
        m_graph.RunGraph();
        m_state = kPlaying;
        m_end_watch.Restart();
        StartPlayTimers();
        ShowPlayButton();
    }
}

void CMovieDlg::OnSettingRelay(WPARAM code, int value) {
    // The shared settings take the value first (a value out of its range changes nothing),
    // then the screen and the graph follow them.
    CPlayerDialog::OnSettingRelay(code, value);
    switch (code) {
        case RELAY_VOLUME:
            RefreshVolume();
            break;
        case RELAY_MUTE:
            if (m_settings.Mute()) {
                ApplyGraphVolume();
                SetImage(kMute, kMutedImage);
            } else {
                RefreshVolume();
            }
            break;
        case RELAY_FM_CHANNEL:
        case SETTING_RELOAD:
            RefreshFmButton();
            break;
        default:
            break;
    }
}

void CMovieDlg::OnClose() {
    DebugPrintf("MOVIE WM_CLOSE...\n");
    SaveResume();
    HideBoxes();
    EndDialog(IDCANCEL);
}

void CMovieDlg::OnExtviewSuspend() {
    HideWaitBox(kMovieWaitBoxClass);
    SaveResume();
    KillTimer(kSelectTimer);
    Stop();
    ShowPlayButton();
    m_suspended = true;
}

void CMovieDlg::OnExtviewResume() {
    DebugPrintf("~~~~~~~~~OnExtviewResumeMainProc\r\n");
    // Only a suspended Movie picks up again: a resume without a suspend would jump back to
    // the last saved place.
    if (!m_suspended) return;
    m_suspended = false;
    const std::optional<std::string> text = ReadStateFile(kMovieResumePath, kMostResumeBytes);
    const MovieResume resume = ParseMovieResume(text ? *text : std::string());
    m_position = resume.seconds;
    if (resume.state == kPlaying) RunCommand(kPlayAtPosition);
}

void CMovieDlg::OnDestroy() {
    KillTimer(kSelectTimer);
    Stop();
    // The boxes end before the dialog's window goes.
    if (m_video_box && !m_video_box->Close(2000)) m_video_box.release();
    if (m_playlist_box && !m_playlist_box->Close(2000)) m_playlist_box.release();
    m_wait_box.Destroy();
}

// ---- The playlist ------------------------------------------------------------------------

std::vector<int> CMovieDlg::LoadPlaylist() {
    m_entry_numbers = fileshelf::LoadPlaylistRows(fileshelf::kMoviePlaylistPath, m_entries);
    DebugPrintf("Movie: %d entries in the list\r\n", m_entries.GetItemCount());
    return m_entry_numbers;
}

std::string CMovieDlg::EntryPath(int entry) const {
    return m_entries.GetItemText(entry);
}

int CMovieDlg::FileNumberOf(int entry) const {
    return entry >= 0 && static_cast<std::size_t>(entry) < m_entry_numbers.size()
               ? m_entry_numbers[static_cast<std::size_t>(entry)]
               : 0;
}

bool CMovieDlg::EntryExists(int entry) const {
    const std::string path = EntryPath(entry);
    return !path.empty() && GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

// ---- Playing -----------------------------------------------------------------------------

bool CMovieDlg::OpenAndPlay(int entry, double start_seconds) {
    const std::string path = EntryPath(entry);
    // Whatever played before goes first, and nothing of it stays on the box.
    m_graph.TearDown();
    KillPlayTimers();
    WithdrawOffer();
    m_video_box->HideNotice();
    m_video_box->SetSubtitle({});
    m_subtitle.Free();
    ++m_generation;
    m_current = entry;

    ShowWaitBox(kMovieWaitBoxClass);
    m_title = path;
    SetControlText(kFileNameText, path, TextPath::LastComponent);

    mediainfo::MediaProbe probe;
    const HRESULT opened = probe.Open(path);
    const bool accepted = opened == 0 && mediainfo::DumpMediaInfo(probe.Info());
    if (!accepted) {
        HideWaitBox(kMovieWaitBoxClass);
        m_state = kStopped;
        m_position = 0;
        m_duration = 0;
        ShowTimes();
        ShowPlayButton();
        m_video_box->ShowNotice(kNoticeMs);
        return false;
    }

    m_subtitle.Load(path);
    const RECT rect = m_video_box->CurrentRect();
    m_graph.CreateFilterForPlaying(path, rect);
    ApplyGraphVolume();
    // The seek comes before the run, so a film resumed in the middle never shows its start.
    if (start_seconds > 0) m_graph.SetPosition(start_seconds);
    m_position = start_seconds > 0 ? start_seconds : 0;
    m_graph.RunGraph();
    m_graph.SetVideoWindow(rect.left, rect.top, rect.right, rect.bottom);
    HideWaitBox(kMovieWaitBoxClass);
    if (m_view == View::Video) m_video_box->Show();

    m_state = kPlaying;
    m_end_watch.Restart();
    m_graph.GetDuration(m_duration);
    ShowTimes();
    ShowPlayButton();
    StartPlayTimers();
    if (start_seconds <= 0) OfferMark(path);
    return true;
}

void CMovieDlg::Stop() {
    if (m_state == kStopped) return;
    KeepMark();
    WithdrawOffer();
    KillPlayTimers();
    if (m_view == View::Video) m_video_box->Hide();
    m_graph.TearDown();
    m_video_box->SetSubtitle({});
    m_position = 0;
    m_state = kStopped;
}

void CMovieDlg::StartPlayTimers() {
    SetTimer(kPositionTimer, 300);
    if (m_subtitle.EntryCount() > 0) SetTimer(kSubtitleTimer, 10);
    SetTimer(kResumeTimer, 5000);
}

void CMovieDlg::KillPlayTimers() {
    KillTimer(kPositionTimer);
    KillTimer(kSubtitleTimer);
    KillTimer(kResumeTimer);
}

// ---- The resume point --------------------------------------------------------------------

MovieResume CMovieDlg::CurrentResume() {
    if (m_state != kStopped && m_graph.HasGraph()) {
        double position = 0;
        if (m_graph.GetPosition(position)) m_position = position;
    }
    MovieResume resume;
    resume.entry = m_entries.GetItemCount() > 0 ? FileNumberOf(m_current) : 0;
    resume.state = m_state;
    resume.seconds = WholeSeconds(m_position);
    return resume;
}

void CMovieDlg::SaveResume() {
    if (!ReplaceStateFile(kMovieResumePath, FormatMovieResume(CurrentResume())))
        DebugPrintf("Movie: %s not written\r\n", kMovieResumePath);
    KeepMark();
}

// ---- Film marks --------------------------------------------------------------------------

void CMovieDlg::KeepMark() {
    if (m_state == kStopped || !m_graph.HasGraph() || m_entries.GetItemCount() == 0) return;
    double position = m_position;
    m_graph.GetPosition(position);
    const std::string path = EntryPath(m_current);
    const std::uint64_t size = FileSizeOf(path);
    if (path.empty() || size == 0) return;
    // A film at its end has nothing to come back to.
    if (m_duration > 0 && position >= m_duration - 1) {
        if (m_marks.Forget(path, size)) SaveMarks();
        return;
    }
    if (m_marks.Remember({path, size, WholeSeconds(position)})) SaveMarks();
}

void CMovieDlg::ForgetMark() {
    const std::string path = EntryPath(m_current);
    if (m_marks.Forget(path, FileSizeOf(path))) SaveMarks();
}

void CMovieDlg::SaveMarks() {
    if (!ReplaceStateFile(kMovieMarksPath, FormatFilmMarks(m_marks)))
        DebugPrintf("Movie: %s not written\r\n", kMovieMarksPath);
}

void CMovieDlg::OfferMark(const std::string& path) {
    const std::optional<FilmMark> mark = m_marks.Find(path, FileSizeOf(path));
    if (!mark || mark->seconds < kLeastOfferedSeconds || (m_duration > 0 && mark->seconds >= m_duration - 1)) return;
    m_offer_seconds = mark->seconds;
    char text[128];
    std::snprintf(text, sizeof text, kOfferFormat, player::ClockText(mark->seconds).c_str());
    m_video_box->SetOffer(text);
    SetTimer(kOfferTimer, kOfferMs);
    DebugPrintf("Movie: %s was left at %d s\r\n", path.c_str(), mark->seconds);
}

void CMovieDlg::WithdrawOffer() {
    if (m_offer_seconds < 0) return;
    m_offer_seconds = -1;
    KillTimer(kOfferTimer);
    m_video_box->SetOffer({});
}

// ---- What the screen shows ---------------------------------------------------------------

void CMovieDlg::RefreshVolume(bool tell_mute_change) { ApplyVolumeSetting(m_homedeck, tell_mute_change); }

void CMovieDlg::ShowVolume() {
    SetImage(kMute, m_settings.Mute() ? kMutedImage : kUnmutedImage);
    SetControlText(kVolumeText, std::to_string(m_settings.Volume() * 10));
}

void CMovieDlg::ApplyGraphVolume() {
    m_graph.SetVolume(GraphVolumeLevel());
}

void CMovieDlg::RefreshFmButton() {
    ShowFmButton(kFmChannel, kFmOnImage, kFmOffImage);
}

void CMovieDlg::ShowPlayButton() {
    SetImage(kPlayPause, m_state == kPlaying ? kPauseImage : kPlayImage);
}

void CMovieDlg::ShowTimes() {
    SetTimeText(kElapsedText, m_position);
    SetTimeText(kTotalText, m_duration);
    SetSeekBar(kSeekBar, m_position, 0, m_duration, 0, 0, kSeekFillImage);
}

void CMovieDlg::ApplyControlState() {
    SetTextStyle(kFileNameText, kFileNameSize, RGB(255, 255, 255), 0, 0, -1);
    SetControlText(kFileNameText, m_title, TextPath::LastComponent);
    SetTextStyle(kVolumeText, kVolumeTextSize, RGB(255, 255, 255), 0, 0, -1);
    SetTextStyle(kElapsedText, kTimeTextSize, RGB(255, 255, 255), 0, 0, -1);
    SetTextStyle(kTotalText, kTimeTextSize, RGB(255, 255, 255), 0, 0, -1);
    SetKind(kVolumeDown, SKIN_BUTTON | SKIN_REPEAT);
    SetKind(kVolumeUp, SKIN_BUTTON | SKIN_REPEAT);
    ShowPlayButton();
    const int level = m_settings.Volume();
    SetImage(kMute, m_settings.Mute() ? kMutedImage : kUnmutedImage);
    SetControlText(kVolumeText, std::to_string(level * 10));
    RefreshFmButton();
    ShowTimes();
}

void CMovieDlg::HideBoxes() {
    if (m_playlist_box) m_playlist_box->Hide();
    if (m_video_box) m_video_box->Hide();
}

}  // namespace movie
