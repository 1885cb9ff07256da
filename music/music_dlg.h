// Music's one screen: the title, tags, rates and times of the track, the state and its playing
// animation, the equaliser, mode and navigation buttons, the seek bar, the bottom bar and the
// "PLAYLIST" box on the right. It plays the entries of "\NAND\MUSICLIST.M3U" in one of four
// orders through the graph with the vendor equaliser, and keeps where it stopped, with its
// preset and mode, in "\NAND\Music.dat".
//
// Everything runs on the dialog's thread but the wait box's spinner.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/player_rules.h"
#include "framework/suite_application.h"
#include "framework/wait_box.h"
#include "movie/filter_control.h"
#include "music/music_resume.h"
#include "music/play_order.h"
#include "music/playlist_box.h"
#include "platform/app/list_view.h"

namespace music {

inline constexpr const char* kMusicResumePath = "\\NAND\\Music.dat";
inline constexpr const char* kMusicWaitBoxClass = "CMusicWaitBox";

// Controls and commands.
enum MusicCommand : int {
    kClose = 1005,
    kStateIcon = 1006,
    kRates = 1007,
    kBigTime = 1009,
    kTitle = 1010,
    kPreset = 1011,
    kMode = 1012,
    kAnimation = 1013,
    kPlayPause = 1014,
    kStop = 1015,
    kPrevious = 1016,
    kNext = 1017,
    kFmChannel = 1018,
    kMute = 1019,
    kVolumeDown = 1020,
    kVolumeUp = 1021,
    kEditPlaylist = 1022,
    kPageUp = 1023,
    kPageDown = 1024,
    kElapsed = 1025,
    kSeekBar = 1026,
    kTotal = 1027,
    kStateIndicator = 1029,
    kTrackEnd = 1031,
    kVolumeText = 1032,
    kNavigation = 1033,
    kHomeDeck = 1035,
    kTags = 1040,
};

enum MusicTimer : UINT_PTR {
    kUpdateTimer = 1001,      // 400 ms while playing
    kStartTimer = 1002,       // 300 ms after a choice: play it
    kScrollTimer = 1003,      // the title's scrolling
    kDuckTimer = 1004,        // 1 s after another sound ended
    kCheckpointTimer = 1005,  // 10 s while playing: the resume point on the card
};

// Readings of the update timer with the position standing still that end a track whose
// length is not known: 4 s.
constexpr int kStillReadings = 10;

class CMusicDlg : public CPlayerDialog {
public:
    explicit CMusicDlg(const CHomeDeckLink& homedeck);
    ~CMusicDlg() override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    void OnSettingRelay(WPARAM code, int value) override;

private:
    void RunCommand(int id);
    void PlayPause();
    void StopCommand();
    void MoveByHand(Direction direction);
    void OnTrackEnd(WPARAM generation);
    void NextPreset();
    void NextMode();
    void ChangeVolume(int delta);
    void ToggleMute();
    void CycleFmChannel();
    void OnSeek();
    void OnRowTapped(int row);
    void OnPlaylistResult(int entry, bool cancelled);
    void OnStartTimer();
    void OnUpdateTimer();
    void OnScrollTimer();

    // The kept entries' numbers in the playlist file, in row order.
    std::vector<int> LoadPlaylist();
    std::string RowPath(int row) const;
    int EntryNumberOf(int row) const;
    bool RowExists(int row) const;
    void Reshuffle();

    // Starts a row at a position; false when it could not play (then taken down again).
    bool StartTrack(int row, double start_seconds);
    // A track that would not play: the list moves on as at a track end, and stops after a whole
    // pass of such tracks.
    void SkipFailedTrack();
    void Stop();
    // A row shown without playing it: its title, rates and duration.
    void ShowRow(int row);
    // The file's rates and tags from its probe (cleared when it cannot be probed); its duration
    // in seconds, 0 when unknown.
    double ShowTrackInfo(const std::string& path);

    MusicResume CurrentResume();
    void SaveResume();

    void AfterVolumeChange();
    void ApplyGraphVolume() override;
    void ShowPreset();
    void ShowMode();
    void ShowFm();
    void ShowState();
    // The times and the seek bar's range; ShowPosition only what moves while playing.
    void ShowTimes();
    void ShowPosition();
    void ClearTrackTexts();

    const CHomeDeckLink& m_homedeck;
    movie::CFilterControl m_graph;
    CListCtrl m_rows;  // the playlist: one row per kept entry, its full path as the text
    CPlaylistBox m_box;
    PlayOrder m_order;
    player::TrackEndWatch m_end_watch{kStillReadings};
    CSpinnerWaitBox m_wait_box;
    std::mt19937 m_random;

    int m_state = kStopped;
    int m_current = 0;  // the row playing, paused, or last played
    double m_position = 0;
    double m_duration = 0;
    int m_preset = 0;
    int m_mode = 0;
    int m_frame = 0;
    std::vector<int> m_entry_numbers;  // each row's number in the playlist file
    int m_failures = 0;         // tracks in a row that would not play
    unsigned m_generation = 0;  // counts track starts, so a late track end is recognised
};

}  // namespace music
