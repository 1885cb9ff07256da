#include "movie/movie_pip_box.h"

#include "platform/kernel/debug_output.h"
#include "platform/window/video_overlay.h"

namespace movie {
namespace {

// Messages the box posts itself, so that its timer and its window calls run on its thread.
constexpr UINT kShowNotice = WM_APP + 1;  // wParam: milliseconds
constexpr UINT kHideNotice = WM_APP + 2;
constexpr UINT kPlace = WM_APP + 3;

constexpr COLORREF kOverlayKey = RGB(16, 0, 16);
constexpr COLORREF kNoticeKey = RGB(255, 0, 255);
constexpr int kNoticeTextX = 50, kNoticeTextY = 12;
constexpr int kOfferTop = 12, kOfferHeight = 36;

HFONT PointFont(HDC dc, int points) {
    const int height = -(points * GetDeviceCaps(dc, LOGPIXELSY) / 72);
    return CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      CLEARTYPE_QUALITY, DEFAULT_PITCH, "");
}

}  // namespace

bool CMoviePipBox::Create(HWND main_window) {
    return CThreadWindow::Create("CMoviePipBox", main_window, kVideoNormalRect);
}

bool CMoviePipBox::OnOpen() {
    m_notice = LoadBitmap(kNoticeImage);
    return true;
}

void CMoviePipBox::OnThreadEnd() {
    if (m_notice) DeleteObject(m_notice);
    m_notice = nullptr;
}

void CMoviePipBox::SetSubtitle(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        if (m_subtitle == text) return;
        m_subtitle = text;
    }
    Repaint();
}

void CMoviePipBox::SetOffer(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        if (m_offer == text) return;
        m_offer = text;
    }
    Repaint();
}

void CMoviePipBox::ShowNotice(UINT ms) {
    PostMessage(Window(), kShowNotice, ms, 0);
}

void CMoviePipBox::HideNotice() {
    // Taken at once, so a film opened right after a refused one never shows under the notice.
    {
        std::lock_guard lock(m_mutex);
        m_notice_shown = false;
    }
    PostMessage(Window(), kHideNotice, 0, 0);
}

void CMoviePipBox::SetFullScreen(bool full) {
    {
        std::lock_guard lock(m_mutex);
        if (m_full_screen == full) return;
        m_full_screen = full;
    }
    PostMessage(Window(), kPlace, 0, 0);
}

bool CMoviePipBox::IsFullScreen() const {
    std::lock_guard lock(m_mutex);
    return m_full_screen;
}

RECT CMoviePipBox::CurrentRect() const {
    return IsFullScreen() ? kVideoFullRect : kVideoNormalRect;
}

void CMoviePipBox::Place() {
    const RECT r = CurrentRect();
    SetWindowPos(Window(), HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    InvalidateRect(Window(), nullptr, FALSE);
}

LRESULT CMoviePipBox::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case kPlace:
            Place();
            return 0;
        case kShowNotice:
            {
                std::lock_guard lock(m_mutex);
                m_notice_shown = true;
            }
            SetTimer(Window(), kNoticeTimer, static_cast<UINT>(wparam), nullptr);
            ShowWindow(Window(), SW_SHOWNA);
            InvalidateRect(Window(), nullptr, FALSE);
            return 0;
        case kHideNotice:
            KillTimer(Window(), kNoticeTimer);
            InvalidateRect(Window(), nullptr, FALSE);
            return 0;
        case WM_TIMER:
            if (wparam == kNoticeTimer) {
                {
                    std::lock_guard lock(m_mutex);
                    m_notice_shown = false;
                }
                KillTimer(Window(), kNoticeTimer);
                ShowWindow(Window(), SW_HIDE);
            }
            return 0;
        case WM_LBUTTONUP:
            PostMessage(Owner(), WM_COMMAND, kFullScreenCommand, 0);
            return 0;
        default:
            return CThreadWindow::OnMessage(message, wparam, lparam);
    }
}

void CMoviePipBox::Paint() {
    std::string subtitle, offer;
    bool notice = false;
    {
        std::lock_guard lock(m_mutex);
        subtitle = m_subtitle;
        offer = m_offer;
        notice = m_notice_shown;
    }
    CBufferedPaint paint(Window());
    HDC dc = paint.Dc();
    if (!dc) return;
    const RECT whole{0, 0, paint.Width(), paint.Height()};
    HBRUSH key = CreateSolidBrush(kOverlayKey);
    FillRect(dc, &whole, key);
    DeleteObject(key);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));

    if (!subtitle.empty()) {
        HFONT font = PointFont(dc, kSubtitlePoints);
        HGDIOBJ previous = SelectObject(dc, font);
        // The block's height first, then the block itself with its bottom 30 pixels above
        // the box's.
        RECT block{0, 0, paint.Width(), paint.Height()};
        const UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
        DrawText(dc, subtitle, -1, &block, format | DT_CALCRECT);
        const int height = block.bottom - block.top;
        RECT placed{0, paint.Height() - kSubtitleBottomGap - height, paint.Width(), paint.Height() - kSubtitleBottomGap};
        DrawText(dc, subtitle, -1, &placed, format);
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    if (!offer.empty()) {
        // A dark band across the top of the picture with the offer on it.
        const RECT band{0, kOfferTop, paint.Width(), kOfferTop + kOfferHeight};
        HBRUSH dark = CreateSolidBrush(RGB(0, 0, 0));
        FillRect(dc, &band, dark);
        DeleteObject(dark);
        HFONT font = PointFont(dc, kNoticePoints);
        HGDIOBJ previous = SelectObject(dc, font);
        RECT text = band;
        DrawText(dc, offer, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    if (notice) {
        const int x = (paint.Width() - kNoticeWidth) / 2;
        const int y = (paint.Height() - kNoticeHeight) / 2;
        paint.DrawBitmap(m_notice, x, y, kNoticeWidth, kNoticeHeight, 0, 0, true, kNoticeKey);
        // Dark text on the light notice.
        SetTextColor(dc, RGB(0, 0, 0));
        HFONT font = PointFont(dc, kNoticePoints);
        HGDIOBJ previous = SelectObject(dc, font);
        RECT text{x + kNoticeTextX, y + kNoticeTextY, x + kNoticeWidth, y + kNoticeHeight};
        DrawText(dc, m_notice_text, -1, &text, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}

}  // namespace movie
