// CMoviePipBox: the box the film plays in. It paints the overlay's colour key, so the video
// shows through it, with the subtitle over the picture and, for a file Movie refused, the
// notice for a while. It sits at its normal rectangle under the title bar or fills the screen;
// a tap on it asks the main window to toggle between the two.
//
// The box runs on a thread of its own. The main dialog changes it through the calls below,
// which take the box's lock and post the box a message; the box repaints only when what it
// shows changed.
#pragma once

#include <mutex>
#include <string>

#include "framework/thread_window.h"
#include "platform/gfx/gfx.h"

namespace movie {

constexpr UINT_PTR kNoticeTimer = 100;
constexpr UINT kNoticeImage = 146;
constexpr int kNoticeWidth = 320, kNoticeHeight = 37;
constexpr int kFullScreenCommand = 1025;
// Left, top, right, bottom.
constexpr RECT kVideoNormalRect = {0, 33, 800, 370};
constexpr RECT kVideoFullRect = {0, 0, 800, 480};
constexpr int kSubtitlePoints = 22;
constexpr int kSubtitleBottomGap = 30;
constexpr int kNoticePoints = 16;

class CMoviePipBox : public CThreadWindow {
public:
    // The notice's text, from the program's string table.
    explicit CMoviePipBox(std::string notice_text) : m_notice_text(std::move(notice_text)) {}

    // Makes the hidden box at its normal rectangle on its own thread.
    bool Create(HWND main_window);

    // Shows the text over the picture (empty: none); repaints only when it changed.
    void SetSubtitle(const std::string& text);
    // Shows the box with the notice for ms milliseconds, then hides it.
    void ShowNotice(UINT ms);
    // Takes the notice away and ends its timer; the box stays as it is.
    void HideNotice();
    // The offer to go back to where the film was left (empty: none), shown at the box's top.
    void SetOffer(const std::string& text);
    // Full screen or the normal rectangle; the box moves and repaints.
    void SetFullScreen(bool full);
    bool IsFullScreen() const;
    RECT CurrentRect() const;

protected:
    bool OnOpen() override;
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnThreadEnd() override;

private:
    void Paint();
    void Place();

    const std::string m_notice_text;
    HBITMAP m_notice = nullptr;  // the window thread's own

    mutable std::mutex m_mutex;
    std::string m_subtitle;
    std::string m_offer;
    bool m_notice_shown = false;
    bool m_full_screen = false;
};

}  // namespace movie
