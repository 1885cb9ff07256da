// Movie's one screen: the film in its box (video view) or the playlist (list view) between the
// title line and the bottom bar of buttons. It plays the entries of "\NAND\MOVIELIST.M3U" one
// after another, the list repeating without end; each file is probed before it plays, its SAMI
// subtitles show over the picture, and the place it stopped at is kept in "\NAND\Movie.dat" for
// the next start.
//
// Threads: the dialog's own, which alone decides and owns the graph; the video box and the
// playlist box, each on its own thread, which paint and report taps; and the wait box.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/suite_application.h"
#include "framework/wait_box.h"
#include "movie/filter_control.h"
#include "movie/movie_marks.h"
#include "movie/movie_player_state.h"
#include "movie/movie_resume.h"
#include "movie/smi_subtitle.h"
#include "platform/app/list_view.h"

namespace movie {

class CMoviePipBox;
class CMoviePlayList;

inline constexpr const char* kMovieResumePath = "\\NAND\\Movie.dat";
inline constexpr const char* kMovieWaitBoxClass = "CMovieWaitBox";
// Where each of the last films was left, apart from the resume point.
inline constexpr const char* kMovieMarksPath = "\\NAND\\MovieMarks.dat";

// Controls and commands.
enum MovieCommand : int {
    kPlayPause = 1000,
    kStop = 1001,
    kPrevious = 1002,
    kNext = 1003,
    kVolumeDown = 1004,
    kVolumeUp = 1005,
    kMute = 1006,
    kFmChannel = 1007,
    kToListView = 1008,
    kEditPlaylist = 1010,
    kPageUp = 1011,
    kPageDown = 1012,
    kExit = 1017,
    kPlayFromStart = 1018,
    kPlayAtPosition = 1019,
    kElapsedText = 1020,
    kTotalText = 1021,
    kSeekBar = 1022,
    kToggleFullScreen = 1025,
    kVolumeText = 1026,
    kListTitle = 1027,
    kToVideoView = 1028,
    kFileNameText = 1029,
};

// Timers.
enum MovieTimer : UINT_PTR {
    kPositionTimer = 1001,  // 300 ms while playing
    kSubtitleTimer = 1002,  // 10 ms while a film with subtitles plays
    kSelectTimer = 1003,    // 300 ms after a selection: play it
    kDuckTimer = 1005,      // 1 s after another sound asked to be heard
    kResumeTimer = 1006,    // 5 s while playing: the resume point on the card
    kOfferTimer = 1007,     // 5 s after a film started from its beginning: its mark is offered
};

class CMovieDlg : public CPlayerDialog {
public:
    explicit CMovieDlg(const CHomeDeckLink& homedeck);
    ~CMovieDlg() override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    void OnSettingRelay(WPARAM code, int value) override;

private:
    enum class View { List = 0, Video = 1 };

    void RunCommand(int id);
    void PlayPause();
    void StopCommand();
    void MoveSelection(bool forward);
    void ChangeVolume(int delta);
    void ToggleMute();
    void CycleFmChannel();
    void ShowListView();
    void ShowVideoView();
    void EditPlaylist();
    void ExitProgram();
    void PlaySelected(double start_seconds);
    void ToggleFullScreen();

    void OnPositionTimer();
    void OnSubtitleTimer();
    void OnSeek();
    void OnSelection(int entry);
    void OnPlaylistResult(int start_entry, bool cancelled);
    void OnClose();
    void OnExtviewSuspend();
    void OnExtviewResume();
    void OnFileEnded(WPARAM generation);

    // Loads the playlist, leaving out entries whose files are gone; the kept entries' numbers
    // in the playlist file, in list order.
    std::vector<int> LoadPlaylist();
    std::string EntryPath(int entry) const;
    int FileNumberOf(int entry) const;
    bool EntryExists(int entry) const;

    // Probes, then plays the entry from start_seconds; false when the file was refused.
    bool OpenAndPlay(int entry, double start_seconds);
    void Stop();
    void StartPlayTimers();
    void KillPlayTimers();

    MovieResume CurrentResume();
    void SaveResume();

    // The current film's mark: where it is now, or none once it played to its end.
    void KeepMark();
    void ForgetMark();
    void SaveMarks();
    // A film opened from its beginning that was left part-way offers to go back there.
    void OfferMark(const std::string& path);
    void WithdrawOffer();

    void RefreshVolume(bool tell_mute_change = true);
    void ApplyGraphVolume() override;
    void ShowVolume() override;
    void RefreshFmButton();
    void ShowPlayButton();
    void ShowTimes();
    // Puts every control's changing state (texts, images, times) on the current view's screen.
    void ApplyControlState();
    void HideBoxes();

    const CHomeDeckLink& m_homedeck;
    CFilterControl m_graph;
    SmiSubtitle m_subtitle;
    // Three seconds of the position standing still end a film whose length is not known.
    player::TrackEndWatch m_end_watch{10};
    FilmMarks m_marks;
    int m_offer_seconds = -1;  // while the offer shows
    CListCtrl m_entries;  // the kept entries, each its full path as the text
    std::vector<int> m_entry_numbers;  // each kept entry's number in the playlist file
    std::unique_ptr<CMoviePipBox> m_video_box;
    std::unique_ptr<CMoviePlayList> m_playlist_box;
    CSpinnerWaitBox m_wait_box;

    int m_state = kStopped;
    int m_current = 0;
    double m_position = 0;
    double m_duration = 0;
    int m_state_before_shelf = kStopped;
    View m_view = View::Video;
    bool m_suspended = false;  // stopped by Extview, until it ends
    unsigned m_generation = 0;  // counts opens, so a late end-of-file notice is recognised
    std::string m_title;        // the file name line
};

}  // namespace movie
