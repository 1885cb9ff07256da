#include "music/music_dlg.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "fileshelf/playlist_file.h"
#include "framework/device_services.h"
#include "framework/player_rules.h"
#include "framework/state_file.h"
#include "homedeck/program_launch.h"
#include "mediainfo/media_probe.h"
#include "music/equaliser_presets.h"
#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"

namespace music {
namespace {

constexpr UINT kSpinnerImage = 156;
constexpr UINT kSeekFillImage = 178;
constexpr UINT kPresetImages[kEqualiserPresets] = {147, 129, 146, 145, 143};
constexpr UINT kModeImages[kPlayModes] = {152, 154, 148, 153};
constexpr UINT kSoundImage = 135, kMutedImage = 136;
constexpr UINT kFmOffImage = 130, kFmOnImage = 131;
constexpr std::size_t kMostResumeBytes = 4096;
constexpr UINT kStartDelayMs = 300;
constexpr UINT kUpdateMs = 400;
constexpr UINT kScrollPauseMs = 2000;
constexpr UINT kCheckpointMs = 10000;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kTagColour = RGB(150, 160, 176);

// The track end, posted by the update timer: wParam is the start it belongs to.
constexpr UINT kTrackEnded = WM_APP + 31;

std::string Utf8Of(const mediainfo::TextField& field) {
    std::size_t length = 0;
    while (length < mediainfo::kTextFieldLength && field[length]) ++length;
    return platform::WideToUtf8(std::u16string_view(field, length));
}

// Artist, title and album as the file names them, those it has.
std::string TagLine(const mediainfo::MediaInfo& info) {
    std::string line;
    for (const auto& [has, field] : {std::pair{info.hasArtist, &info.artist}, std::pair{info.hasTitle, &info.title},
                                     std::pair{info.hasAlbum, &info.album}}) {
        if (!has) continue;
        const std::string text = Utf8Of(*field);
        if (text.empty()) continue;
        if (!line.empty()) line += " - ";
        line += text;
    }
    return line;
}

}  // namespace

CMusicDlg::CMusicDlg(const CHomeDeckLink& homedeck)
    : CPlayerDialog(kMusicIdentity, SkinDialogOptions{true, true}),
      m_homedeck(homedeck),
      m_graph(movie::FilterControlVariant::Music),
      m_box(m_rows),
      m_wait_box(kMusicWaitBoxClass, kSpinnerImage) {
    SetName("Music");
}

CMusicDlg::~CMusicDlg() = default;

BOOL CMusicDlg::OnInitDialog() {
    // 1. The window name and the screen.
    CPlayerDialog::OnInitDialog();
    if (!InitFromTemplate("main")) DebugPrintf("Music: no screen\r\n");

    // 2. Where Music stopped, and the playlist. The file keeps the entry's number in the
    // playlist file; a gone entry starts at row 0 with nothing to resume.
    const std::optional<std::string> text = ReadStateFile(kMusicResumePath, kMostResumeBytes);
    const MusicResume resume = ParseMusicResume(text ? *text : std::string());
    const int row = player::KeptPosition(LoadPlaylist(), resume.entry);
    m_state = kStopped;
    m_position = 0;
    m_duration = 0;
    m_preset = resume.preset;
    m_mode = resume.mode;
    m_current = row >= 0 ? row : 0;
    const bool resume_playing = row >= 0 && resume.state == kPlaying;
    if (resume_playing) m_position = resume.seconds;

    // 3. The wait box on its own thread.
    if (!m_wait_box.Create()) DebugPrintf("Music: no wait box\r\n");

    // 4. The controls' states.
    SetKind(kVolumeDown, SKIN_BUTTON | SKIN_REPEAT);
    SetKind(kVolumeUp, SKIN_BUTTON | SKIN_REPEAT);
    SetTextStyle(kTitle, 14, kWhite, 0, 0, -1);
    SetTextStyle(kTags, 11, kTagColour, 0, 0, -1);
    SetTextStyle(kRates, 10, kWhite, 0, 0, -1);
    SetTextStyle(kBigTime, 15, kWhite, 0, 0, -1);
    SetTextStyle(kElapsed, 9, kWhite, 0, 0, -1);
    SetTextStyle(kTotal, 9, kWhite, 0, 0, -1);
    SetTextStyle(kVolumeText, 14, kWhite, 0, 0, -1);
    ShowPreset();
    ShowMode();
    AfterVolumeChange();
    ShowFm();
    ShowState();
    ShowTimes();

    // 5. The playlist box on the current row, and an order drawn from a seed of this start.
    m_box.Create(m_hWnd);
    m_box.Place(m_current);
    const auto seed = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    m_random.seed(seed);
    DebugPrintf("Music: shuffle seed %u\r\n", static_cast<unsigned>(seed));
    Reshuffle();
    if (m_rows.GetItemCount() > 0) ShowRow(m_current);
    RedrawAll();
    EnablePainting(true);

    // 6. A track that was playing plays on from where it was.
    if (resume_playing) PostMessage(m_hWnd, WM_COMMAND, kPlayPause, 0);
    return TRUE;
}

LRESULT CMusicDlg::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
    // Another sound asking to be heard comes before everything else.
    if (message == WM_OUTSIDE_AUDIO_EVENT) {
        DuckFor(wparam, kDuckTimer);
        return 0;
    }
    switch (message) {
        case WM_COMMAND:
            RunCommand(LOWORD(static_cast<DWORD>(wparam)));
            return 0;
        case WM_SKIN_SLIDER:
            if (wparam == kSeekBar) OnSeek();
            else if (wparam == kPlaylistBoxId) OnRowTapped(static_cast<int>(lparam));
            return 0;
        case WM_PLAYLIST_RESULT:
            OnPlaylistResult(static_cast<int>(wparam), lparam != 0);
            return 0;
        case WM_DEVICECHANGE:
            Stop();
            return 0;
        case kTrackEnded:
            OnTrackEnd(wparam);
            return 0;
        case WM_CLOSE:
            EndDialog(IDCANCEL);
            return 0;
        default:
            return CPlayerDialog::WindowProc(message, wparam, lparam);
    }
}

// ---- Commands ----------------------------------------------------------------------------

void CMusicDlg::RunCommand(int id) {
    switch (id) {
        case kClose: EndDialog(IDCANCEL); break;
        case kHomeDeck: homedeck::LaunchOrActivate(homedeck::kHomeDeck); break;
        case kEditPlaylist: homedeck::LaunchOrActivate(homedeck::kFileShelf, kMusicIdentity.window_name); break;
        case kNavigation: homedeck::LaunchOrActivate(homedeck::kWayfarer); break;
        case kPreset: NextPreset(); break;
        case kMode: NextMode(); break;
        case kPlayPause: PlayPause(); break;
        case kStop: StopCommand(); break;
        case kPrevious: MoveByHand(Direction::Previous); break;
        case kNext: MoveByHand(Direction::Next); break;
        case kFmChannel: CycleFmChannel(); break;
        case kMute: ToggleMute(); break;
        case kVolumeDown: ChangeVolume(-1); break;
        case kVolumeUp: ChangeVolume(+1); break;
        case kPageUp: m_box.PageUp(); break;
        case kPageDown: m_box.PageDown(); break;
        case kTrackEnd: OnTrackEnd(m_generation); break;
        default: break;
    }
}

void CMusicDlg::PlayPause() {
    if (m_rows.GetItemCount() == 0) return;
    if (m_state == kPlaying) {
        if (m_box.Current() == m_current) {
            m_graph.PauseGraph();
            m_state = kPaused;
            KillTimer(kUpdateTimer);
            KillTimer(kCheckpointTimer);
            ShowState();
            return;
        }
        Stop();
    } else if (m_state == kPaused) {
        m_graph.RunGraph();
        m_state = kPlaying;
        m_end_watch.Restart();
        SetTimer(kUpdateTimer, kUpdateMs);
        SetTimer(kCheckpointTimer, kCheckpointMs);
        ShowState();
        return;
    }
    m_current = m_box.Current();
    if (RowExists(m_current)) StartTrack(m_current, m_position);
}

void CMusicDlg::StopCommand() {
    KillTimer(kStartTimer);
    Stop();
    m_order.ClearPlayed();
}

void CMusicDlg::MoveByHand(Direction direction) {
    if (m_rows.GetItemCount() == 0) return;
    const Move move = m_order.Step(static_cast<PlayMode>(m_mode), MoveKind::ByHand, direction, m_box.Current());
    if (move.row < 0) return;
    m_box.Place(move.row);
    SetTimer(kStartTimer, kStartDelayMs);
}

void CMusicDlg::OnTrackEnd(WPARAM generation) {
    // Only the track that ended moves the list on: a stop, a card taken out or a new list since
    // then leaves Music where it is.
    if (m_state != kPlaying || generation != m_generation || m_rows.GetItemCount() == 0) return;
    const auto mode = static_cast<PlayMode>(m_mode);
    if (mode == PlayMode::ShuffleOnce || mode == PlayMode::Shuffle) m_order.MarkPlayed(m_current);
    const Move move = m_order.Step(mode, MoveKind::Automatic, Direction::Next, m_current);
    if (move.row < 0) return;
    m_box.Place(move.row);
    Stop();
    m_current = move.row;
    if (move.play && RowExists(move.row)) {
        StartTrack(move.row, 0);
    } else {
        DebugPrintf("Music: the shuffled pass has ended\r\n");
        ShowRow(move.row);
    }
}

void CMusicDlg::NextPreset() {
    m_preset = NextEqualiserPreset(m_preset);
    ShowPreset();
    m_graph.ApplyEqualiser(EqualiserPreset(m_preset));
}

void CMusicDlg::NextMode() {
    m_mode = NextPlayMode(m_mode);
    Reshuffle();
    ShowMode();
}

void CMusicDlg::ChangeVolume(int delta) {
    const int level = delta < 0 ? player::VolumeDown(m_settings.Volume()) : player::VolumeUp(m_settings.Volume());
    if (level == m_settings.Volume()) return;
    m_settings.SetVolume(level);
    m_homedeck.NotifyHomeDeck(SETTING_VOLUME, level);
    AfterVolumeChange();
}

void CMusicDlg::ToggleMute() {
    m_settings.SetMute(m_settings.Mute() ? 0 : 1);
    ApplyGraphVolume();
    SetImage(kMute, m_settings.Mute() ? kMutedImage : kSoundImage);
    m_homedeck.NotifyHomeDeck(SETTING_MUTE, m_settings.Mute());
}

void CMusicDlg::CycleFmChannel() {
    StepFmChannel(m_homedeck);
    ShowFm();
}

// ---- Messages ----------------------------------------------------------------------------

void CMusicDlg::OnSeek() {
    if (m_rows.GetItemCount() == 0) {
        m_position = 0;
        ShowTimes();
        return;
    }
    const SkinControl* seek = Control(kSeekBar);
    m_position = seek ? std::max(0.0, seek->seek.value) : 0;
    if (m_state != kStopped) m_graph.SetPosition(m_position);
    m_end_watch.Restart();
    if (m_state != kPlaying) PostMessage(m_hWnd, WM_COMMAND, kPlayPause, 0);
}

void CMusicDlg::OnRowTapped(int row) {
    if (row < 0 || row >= m_rows.GetItemCount()) return;
    if (row != m_current) {
        m_order.ClearPlayed();
        m_box.Place(row);
        SetTimer(kStartTimer, kStartDelayMs);
    } else if (m_state != kPlaying) {
        PostMessage(m_hWnd, WM_COMMAND, kPlayPause, 0);
    }
}

void CMusicDlg::OnPlaylistResult(int entry, bool cancelled) {
    if (cancelled) return;
    KillTimer(kStartTimer);
    Stop();
    const int row = player::KeptPosition(LoadPlaylist(), entry);
    // An entry that is gone, or no entry, starts the list from its first row.
    m_current = row >= 0 ? row : 0;
    m_box.Place(m_current);
    Reshuffle();
    if (m_rows.GetItemCount() > 0) SetTimer(kStartTimer, kStartDelayMs);
    else ClearTrackTexts();
}

void CMusicDlg::OnSettingRelay(WPARAM code, int value) {
    CPlayerDialog::OnSettingRelay(code, value);
    switch (code) {
        case RELAY_VOLUME:
            AfterVolumeChange();
            break;
        case RELAY_FM_CHANNEL:
            ShowFm();
            break;
        case RELAY_MUTE:
            if (m_settings.Mute()) {
                ApplyGraphVolume();
                SetImage(kMute, kMutedImage);
            } else {
                AfterVolumeChange();
            }
            break;
        case SETTING_RELOAD: {
            // The preset and mode from the resume file; the settings were read again above.
            const std::optional<std::string> text = ReadStateFile(kMusicResumePath, kMostResumeBytes);
            const MusicResume resume = ParseMusicResume(text ? *text : std::string());
            m_preset = resume.preset;
            if (resume.mode != m_mode) {
                m_mode = resume.mode;
                Reshuffle();
            }
            ShowPreset();
            ShowMode();
            m_graph.ApplyEqualiser(EqualiserPreset(m_preset));
            ShowFm();
            AfterVolumeChange();
            break;
        }
        default:
            break;
    }
}

void CMusicDlg::OnTimer(UINT_PTR id) {
    switch (id) {
        case kUpdateTimer: OnUpdateTimer(); break;
        case kStartTimer: OnStartTimer(); break;
        case kScrollTimer: OnScrollTimer(); break;
        case kDuckTimer: EndDuck(kDuckTimer); break;
        case kCheckpointTimer:
            if (m_state == kPlaying) SaveResume();
            break;
        default: break;
    }
}

void CMusicDlg::OnStartTimer() {
    KillTimer(kStartTimer);
    Stop();
    m_current = m_box.Current();
    if (m_current >= 0 && RowExists(m_current)) StartTrack(m_current, 0);
}

void CMusicDlg::OnUpdateTimer() {
    double position = 0;
    m_graph.GetPosition(position);
    m_frame = (m_frame + 1) % 3;
    SetImageRow(kAnimation, m_frame);
    if (m_duration <= 0 && m_graph.GetDuration(m_duration) && m_duration > 0) ShowTimes();
    if (!m_end_watch.Ended(position, m_duration)) {
        m_position = position;
        ShowPosition();
        return;
    }
    KillTimer(kUpdateTimer);
    PostMessage(m_hWnd, kTrackEnded, m_generation, 0);
}

void CMusicDlg::OnScrollTimer() {
    KillTimer(kScrollTimer);
    const int speed = AdvanceScroll(kTitle);
    if (speed < 0) return;
    SetTimer(kScrollTimer, speed == 0 ? kScrollPauseMs : 1000 / static_cast<UINT>(speed));
}

void CMusicDlg::OnDestroy() {
    SaveResume();
    KillTimer(kStartTimer);
    Stop();
    m_box.Destroy();
    m_wait_box.Destroy();
}

// ---- The playlist ------------------------------------------------------------------------

std::vector<int> CMusicDlg::LoadPlaylist() {
    m_entry_numbers = fileshelf::LoadPlaylistRows(fileshelf::kMusicPlaylistPath, m_rows);
    m_order.Reset(m_rows.GetItemCount());
    m_failures = 0;
    DebugPrintf("Music: %d rows in the list\r\n", m_rows.GetItemCount());
    return m_entry_numbers;
}

std::string CMusicDlg::RowPath(int row) const {
    return m_rows.GetItemText(row);
}

int CMusicDlg::EntryNumberOf(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_entry_numbers.size() ? m_entry_numbers[static_cast<std::size_t>(row)]
                                                                              : 0;
}

bool CMusicDlg::RowExists(int row) const {
    const std::string path = RowPath(row);
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void CMusicDlg::Reshuffle() {
    m_order.Reset(m_rows.GetItemCount());
    m_order.Shuffle([this] { return static_cast<std::uint32_t>(m_random()); });
}

// ---- Playing -----------------------------------------------------------------------------

bool CMusicDlg::StartTrack(int row, double start_seconds) {
    const std::string path = RowPath(row);
    ShowWaitBox(kMusicWaitBoxClass);
    KillTimer(kUpdateTimer);
    m_graph.TearDown();
    ++m_generation;
    m_current = row;
    SetControlText(kTitle, path, TextPath::LastComponent, TextScroll::On);
    SetTimer(kScrollTimer, kScrollPauseMs);

    ShowTrackInfo(path);

    // The preset in use goes to the equaliser of every graph built from now on.
    m_graph.ApplyEqualiser(EqualiserPreset(m_preset));
    if (!m_graph.CreateFilterForPlaying(path, RECT{0, 0, 0, 0})) {
        HideWaitBox(kMusicWaitBoxClass);
        DebugPrintf("Music: %s cannot be played (0x%08X)\r\n", path.c_str(), static_cast<unsigned>(m_graph.LastResult()));
        m_graph.TearDown();
        SkipFailedTrack();
        return false;
    }
    ApplyGraphVolume();
    if (start_seconds > 0) m_graph.SetPosition(start_seconds);
    m_position = std::max(0.0, start_seconds);
    m_graph.RunGraph();
    m_state = kPlaying;
    m_failures = 0;
    m_end_watch.Restart();
    m_duration = 0;
    m_graph.GetDuration(m_duration);
    ShowState();
    ShowTimes();
    SetTimer(kUpdateTimer, kUpdateMs);
    SetTimer(kCheckpointTimer, kCheckpointMs);
    SaveResume();
    HideWaitBox(kMusicWaitBoxClass);
    return true;
}

void CMusicDlg::SkipFailedTrack() {
    m_state = kStopped;
    m_position = 0;
    m_duration = 0;
    ShowState();
    ShowTimes();
    const int rows = m_rows.GetItemCount();
    if (++m_failures >= rows) {
        DebugPrintf("Music: no track of the list could be played\r\n");
        m_failures = 0;
        return;
    }
    // On as at a track end; a track repeated on its own would fail for ever.
    const auto mode = static_cast<PlayMode>(m_mode) == PlayMode::RepeatOne ? PlayMode::RepeatAll
                                                                            : static_cast<PlayMode>(m_mode);
    if (mode == PlayMode::ShuffleOnce || mode == PlayMode::Shuffle) m_order.MarkPlayed(m_current);
    const Move move = m_order.Step(mode, MoveKind::Automatic, Direction::Next, m_current);
    if (move.row < 0) return;
    m_box.Place(move.row);
    m_current = move.row;
    if (move.play) SetTimer(kStartTimer, kStartDelayMs);
    else ShowRow(move.row);
}

void CMusicDlg::Stop() {
    m_graph.TearDown();
    KillTimer(kUpdateTimer);
    KillTimer(kCheckpointTimer);
    m_position = 0;
    m_state = kStopped;
    ShowState();
    ShowTimes();
}

void CMusicDlg::ShowRow(int row) {
    const std::string path = RowPath(row);
    SetControlText(kTitle, path, TextPath::LastComponent, TextScroll::On);
    m_duration = ShowTrackInfo(path);
    ShowTimes();
}

double CMusicDlg::ShowTrackInfo(const std::string& path) {
    mediainfo::MediaProbe probe;
    if (probe.Open(path) != 0 || probe.Info().status != 0) {
        // Nothing of the last track's stays.
        SetControlText(kRates, {});
        SetControlText(kTags, {});
        return 0;
    }
    const mediainfo::MediaInfo& info = probe.Info();
    char rates[64];
    std::snprintf(rates, sizeof rates, "%dKHz   %dKbps", static_cast<int>(info.audioSampleRate / 1000),
                  static_cast<int>(info.audioBitRate / 1000));
    SetControlText(kRates, rates);
    SetControlText(kTags, TagLine(info));
    return info.durationSec;
}

// ---- The resume point --------------------------------------------------------------------

MusicResume CMusicDlg::CurrentResume() {
    if (m_state != kStopped && m_graph.HasGraph()) {
        double position = 0;
        if (m_graph.GetPosition(position)) m_position = position;
    }
    MusicResume resume;
    resume.entry = m_rows.GetItemCount() > 0 ? EntryNumberOf(m_current) : 0;
    resume.preset = m_preset;
    resume.mode = m_mode;
    resume.state = m_state;
    resume.seconds = WholeSeconds(m_position);
    return resume;
}

void CMusicDlg::SaveResume() {
    if (!ReplaceStateFile(kMusicResumePath, FormatMusicResume(CurrentResume())))
        DebugPrintf("Music: %s not written\r\n", kMusicResumePath);
}

// ---- What the screen shows ---------------------------------------------------------------

void CMusicDlg::AfterVolumeChange() {
    const int level = m_settings.Volume();
    const int mute = level == 0 ? 1 : 0;
    if (mute != m_settings.Mute()) {
        m_settings.SetMute(mute);
        m_homedeck.NotifyHomeDeck(SETTING_MUTE, mute);
    }
    ApplyGraphVolume();
    SetControlText(kVolumeText, std::to_string(level * 10));
    SetImage(kMute, mute ? kMutedImage : kSoundImage);
}

void CMusicDlg::ApplyGraphVolume() {
    m_graph.SetVolume(GraphVolumeLevel());
}

void CMusicDlg::ShowPreset() {
    SetImage(kPreset, static_cast<int>(kPresetImages[std::clamp(m_preset, 0, kEqualiserPresets - 1)]));
}

void CMusicDlg::ShowMode() {
    SetImage(kMode, static_cast<int>(kModeImages[std::clamp(m_mode, 0, kPlayModes - 1)]));
}

void CMusicDlg::ShowFm() {
    ShowFmButton(kFmChannel, kFmOnImage, kFmOffImage);
}

void CMusicDlg::ShowState() {
    SetImageRow(kStateIndicator, m_state + 1);
    SetImageRow(kStateIcon, m_state);
}

void CMusicDlg::ShowTimes() {
    SetTimeText(kElapsed, m_position);
    SetTimeText(kBigTime, m_position);
    SetTimeText(kTotal, m_duration);
    SetSeekBar(kSeekBar, m_position, 0, m_duration, 0, 0, static_cast<int>(kSeekFillImage));
}

void CMusicDlg::ShowPosition() {
    SetTimeText(kElapsed, m_position);
    SetTimeText(kBigTime, m_position);
    SetSeekValue(kSeekBar, m_position);
}

void CMusicDlg::ClearTrackTexts() {
    SetControlText(kTitle, {});
    SetControlText(kRates, {});
    SetControlText(kTags, {});
    m_position = 0;
    m_duration = 0;
    ShowTimes();
}

}  // namespace music
