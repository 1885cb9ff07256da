#include "telecast/pip_box.h"

#include <algorithm>
#include <initializer_list>

#include "platform/app/string_table.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace telecast {
namespace {

// Messages the box posts itself, so that its timer and its window calls run on its thread.
constexpr UINT kPlace = WM_APP + 1;
constexpr UINT kApplyState = WM_APP + 2;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBackdrop = RGB(0, 0, 0);
constexpr int kTextMargin = 10;
constexpr int kServiceNameTop = 8, kServiceNameHeight = 22;
constexpr int kDynamicLabelBottomGap = 8, kDynamicLabelHeight = 18;
constexpr int kScanTextHeight = 18, kScanLineHeight = 26;
constexpr int kScanPictureGap = 16, kScanBarGap = 10;

// The texts when the program's string table has none.
constexpr const char* kDefaultPercentFormat = "%d%%";
constexpr const char* kDefaultCountsFormat = "TV %d / Radio %d";

HFONT TextFont(int pixel_height) {
    return CreateFont(-pixel_height, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, "");
}

void DrawLine(HDC dc, const std::string& text, RECT rect, int pixel_height, UINT format) {
    if (text.empty()) return;
    HFONT font = TextFont(pixel_height);
    HGDIOBJ previous = SelectObject(dc, font);
    DrawText(dc, text, -1, &rect, format | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, previous);
    DeleteObject(font);
}

// The width of a line of text at the height DrawLine draws it.
int LineWidth(HDC dc, const std::string& text, int pixel_height) {
    if (text.empty()) return 0;
    HFONT font = TextFont(pixel_height);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{0, 0};
    GetTextExtentPoint32(dc, text, &size);
    SelectObject(dc, previous);
    DeleteObject(font);
    return size.cx;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP description;
    if (!bitmap || !GetObject(bitmap, sizeof(description), &description)) return {0, 0};
    return {description.bmWidth, description.bmHeight};
}

// A text of the string table with its "%d"s replaced by the numbers in order and "%%" by "%".
// The table is a file on the device, so it is never handed to printf as a format.
std::string FillNumbers(const std::string& format, std::initializer_list<int> numbers) {
    std::string text;
    auto next = numbers.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                text += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 'd' && next != numbers.end()) {
                text += std::to_string(*next++);
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

}  // namespace

std::optional<RECT> LayoutRect(int mode) {
    if (mode < 0 || mode >= kLayoutModes) return std::nullopt;
    return kLayoutRects[static_cast<std::size_t>(mode)];
}

bool CDMBPipBox::Create(HWND main_window, int mode) {
    const RECT rect = LayoutRect(mode).value_or(kLayoutRects[kNormalLayout]);
    {
        std::lock_guard lock(m_mutex);
        m_mode = LayoutRect(mode) ? mode : kNormalLayout;
    }
    // A tap on the box only asks the main window for the layout toggle: it takes neither the
    // foreground nor the front, so the popup control panel over it stays in front.
    return CThreadWindow::Create("CDMBPipBox", main_window, rect, WS_EX_NOACTIVATE);
}

bool CDMBPipBox::OnOpen() {
    m_no_signal = LoadBitmap(kNoSignalImage);
    m_scan = LoadBitmap(kScanImage);
    m_scan_bar = LoadBitmap(kScanBarImage);
    m_tuning = LoadBitmap(kTuningImage);
    m_percent_format = LoadString(kScanPercentString).value_or(kDefaultPercentFormat);
    m_counts_format = LoadString(kScanCountsString).value_or(kDefaultCountsFormat);
    // A state raised before the window existed starts its animation now.
    PostMessage(Window(), kApplyState, 0, 0);
    return true;
}

void CDMBPipBox::OnThreadEnd() {
    for (HBITMAP* bitmap : {&m_no_signal, &m_scan, &m_scan_bar, &m_tuning}) {
        if (*bitmap) DeleteObject(*bitmap);
        *bitmap = nullptr;
    }
}

template <class Change>
void CDMBPipBox::Changed(Change change) {
    {
        std::lock_guard lock(m_mutex);
        if (!change(m_shown)) return;
    }
    Repaint();
}

bool CDMBPipBox::SetMode(int mode) {
    const std::optional<RECT> rect = LayoutRect(mode);
    if (!rect) return false;
    // The owner first: the player's video goes to the new rectangle before the box moves there.
    if (m_on_layout) m_on_layout(mode, *rect);
    {
        std::lock_guard lock(m_mutex);
        m_mode = mode;
        m_width = 0;
    }
    PostMessage(Window(), kPlace, 0, 0);
    return true;
}

void CDMBPipBox::Narrow(int width) {
    int mode = kNormalLayout;
    RECT rect = {};
    {
        std::lock_guard lock(m_mutex);
        mode = m_mode;
        rect = kLayoutRects[static_cast<std::size_t>(mode)];
    }
    if (width > 0 && width < rect.right - rect.left) rect.right = rect.left + width;
    else width = 0;
    if (m_on_layout) m_on_layout(mode, rect);
    {
        std::lock_guard lock(m_mutex);
        m_width = width;
    }
    PostMessage(Window(), kPlace, 0, 0);
}

int CDMBPipBox::Mode() const {
    std::lock_guard lock(m_mutex);
    return m_mode;
}

RECT CDMBPipBox::Rect() const {
    std::lock_guard lock(m_mutex);
    RECT rect = kLayoutRects[static_cast<std::size_t>(m_mode)];
    if (m_width > 0) rect.right = rect.left + m_width;
    return rect;
}

void CDMBPipBox::PipCtrl(int state) {
    if (state < static_cast<int>(PipState::Video) || state > static_cast<int>(PipState::Tuning)) {
        DebugPrintf("~~~~~~~~PipCtrl::%d\n", state);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_shown.state = state;
        m_shown.frame = 0;
        m_shown.service_name.clear();
        m_shown.dynamic_label.clear();
        m_shown.label_offset = 0;
    }
    PostMessage(Window(), kApplyState, 0, 0);
}

int CDMBPipBox::State() const {
    std::lock_guard lock(m_mutex);
    return m_shown.state;
}

void CDMBPipBox::SetScanProgress(int percent, int tv_count, int radio_count) {
    percent = std::clamp(percent, 0, 100);
    tv_count = std::max(tv_count, 0);
    radio_count = std::max(radio_count, 0);
    Changed([&](Shown& shown) {
        if (shown.percent == percent && shown.tv_count == tv_count && shown.radio_count == radio_count) return false;
        shown.percent = percent;
        shown.tv_count = tv_count;
        shown.radio_count = radio_count;
        return true;
    });
}

void CDMBPipBox::SetServiceName(const std::string& text) {
    Changed([&](Shown& shown) {
        if (shown.service_name == text) return false;
        shown.service_name = text;
        return true;
    });
}

void CDMBPipBox::SetDynamicLabel(const std::string& text) {
    Changed([&](Shown& shown) {
        if (shown.dynamic_label == text) return false;
        shown.dynamic_label = text;
        shown.label_offset = 0;
        return true;
    });
}

void CDMBPipBox::ShiftTexts(bool shifted) {
    Changed([&](Shown& shown) {
        if (shown.shifted == shifted) return false;
        shown.shifted = shifted;
        return true;
    });
}

void CDMBPipBox::Place() {
    const RECT r = Rect();
    SetWindowPos(Window(), HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    InvalidateRect(Window(), nullptr, FALSE);
}

void CDMBPipBox::ApplyState() {
    KillTimer(Window(), kAnimationTimer);
    const int state = State();
    if (state == static_cast<int>(PipState::Scanning) || state == static_cast<int>(PipState::Tuning))
        SetTimer(Window(), kAnimationTimer, kAnimationMs, nullptr);
    InvalidateRect(Window(), nullptr, FALSE);
}

void CDMBPipBox::Released() {
    // A tap is one release; a second within the interval is the same tap bouncing, or a hand
    // faster than the layout change it asked for.
    const DWORD now = GetTickCount();
    if (m_last_tap && now - *m_last_tap < kTapIntervalMs) return;
    m_last_tap = now;
    PostMessage(Owner(), WM_COMMAND, kLayoutToggleCommand, 0);
}

LRESULT CDMBPipBox::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case kPlace:
            Place();
            return 0;
        case kApplyState:
            ApplyState();
            return 0;
        case WM_TIMER:
            if (wparam == kAnimationTimer) {
                Changed([](Shown& shown) {
                    ++shown.frame;
                    return true;
                });
            } else if (wparam == kLabelScrollTimer) {
                const int cycle = std::max(1, m_label_cycle);
                Changed([cycle](Shown& shown) {
                    shown.label_offset = (shown.label_offset + kLabelScrollStep) % cycle;
                    return true;
                });
            }
            return 0;
        case WM_LBUTTONUP:
            Released();
            return 0;
        default:
            return CThreadWindow::OnMessage(message, wparam, lparam);
    }
}

void CDMBPipBox::Paint() {
    Shown shown;
    {
        std::lock_guard lock(m_mutex);
        shown = m_shown;
    }
    CBufferedPaint paint(Window());
    HDC dc = paint.Dc();
    if (!dc) return;
    const int width = paint.Width(), height = paint.Height();
    const RECT whole{0, 0, width, height};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kWhite);
    if (shown.state != static_cast<int>(PipState::Video)) ScrollLabel(false);
    switch (static_cast<PipState>(shown.state)) {
        case PipState::Video:
            PaintVideo(dc, width, height, shown);
            return;
        case PipState::NoSignal: {
            const SIZE size = BitmapSize(m_no_signal);
            HBRUSH brush = CreateSolidBrush(kBackdrop);
            FillRect(dc, &whole, brush);
            DeleteObject(brush);
            if (size.cx <= 0 || size.cy <= 0) return;
            // The picture is made for the normal box; the other layouts stretch it over theirs.
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ previous = SelectObject(source, m_no_signal);
            StretchBlt(dc, 0, 0, width, height, source, 0, 0, size.cx, size.cy, SRCCOPY);
            SelectObject(source, previous);
            DeleteDC(source);
            return;
        }
        case PipState::Scanning:
        case PipState::Tuning: {
            HBRUSH brush = CreateSolidBrush(kBackdrop);
            FillRect(dc, &whole, brush);
            DeleteObject(brush);
            if (shown.state == static_cast<int>(PipState::Scanning)) PaintScanning(paint, shown);
            else PaintTuning(paint, shown);
            return;
        }
    }
}

void CDMBPipBox::PaintVideo(HDC dc, int width, int height, const Shown& shown) {
    const RECT whole{0, 0, width, height};
    HBRUSH key = CreateSolidBrush(kVideoColourKey);
    FillRect(dc, &whole, key);
    DeleteObject(key);
    const int left = kTextMargin + (shown.shifted ? kOverlayTextShift : 0);
    DrawLine(dc, shown.service_name,
             RECT{left, kServiceNameTop, width - kTextMargin, kServiceNameTop + kServiceNameHeight + 6},
             kServiceNameHeight, DT_LEFT | DT_VCENTER);
    const int bottom = height - kDynamicLabelBottomGap;
    PaintLabel(dc, RECT{left, bottom - kDynamicLabelHeight - 6, width - kTextMargin, bottom}, width, shown);
}

void CDMBPipBox::PaintLabel(HDC dc, const RECT& room, int width, const Shown& shown) {
    const int text_width = LineWidth(dc, shown.dynamic_label, kDynamicLabelHeight);
    const bool scrolls = text_width > room.right - room.left;
    const int cycle = text_width + kLabelScrollGap;
    ScrollLabel(scrolls, cycle);
    if (!scrolls) {
        DrawLine(dc, shown.dynamic_label, room, kDynamicLabelHeight, DT_LEFT | DT_VCENTER);
        return;
    }
    // Copies one cycle apart, the first moved left by the run so far, as long as the room.
    for (int x = room.left - shown.label_offset % cycle; x < room.right; x += cycle)
        DrawLine(dc, shown.dynamic_label, RECT{x, room.top, x + text_width + 2, room.bottom}, kDynamicLabelHeight,
                 DT_LEFT | DT_VCENTER);
    // What ran past the room's ends is the video's again.
    HBRUSH key = CreateSolidBrush(kVideoColourKey);
    const RECT before{0, room.top, room.left, room.bottom}, after{room.right, room.top, width, room.bottom};
    FillRect(dc, &before, key);
    FillRect(dc, &after, key);
    DeleteObject(key);
}

void CDMBPipBox::ScrollLabel(bool scrolls, int cycle) {
    m_label_cycle = cycle;
    if (scrolls == m_label_scrolls) return;
    m_label_scrolls = scrolls;
    if (scrolls) SetTimer(Window(), kLabelScrollTimer, kLabelScrollMs, nullptr);
    else KillTimer(Window(), kLabelScrollTimer);
}

void CDMBPipBox::PaintScanning(CBufferedPaint& paint, const Shown& shown) {
    const int width = paint.Width(), height = paint.Height();
    const SIZE picture = BitmapSize(m_scan);
    const SIZE bar = BitmapSize(m_scan_bar);
    const int picture_height = picture.cy / kScanFrames;
    const int bar_height = bar.cy / 2;
    // The picture, the bar and the two lines as one block in the middle of the box.
    const int block = picture_height + kScanPictureGap + bar_height + kScanBarGap + 2 * kScanLineHeight;
    int y = std::max(0, (height - block) / 2);
    if (picture_height > 0)
        paint.DrawBitmap(m_scan, (width - picture.cx) / 2, y, picture.cx, picture_height, 0,
                         (shown.frame % kScanFrames) * picture_height);
    y += picture_height + kScanPictureGap;
    if (bar_height > 0) {
        const int x = (width - bar.cx) / 2;
        paint.DrawBitmap(m_scan_bar, x, y, bar.cx, bar_height, 0, 0);
        const int filled = bar.cx * shown.percent / 100;
        if (filled > 0) paint.DrawBitmap(m_scan_bar, x, y, filled, bar_height, 0, bar_height);
    }
    y += bar_height + kScanBarGap;
    HDC dc = paint.Dc();
    DrawLine(dc, FillNumbers(m_percent_format, {shown.percent}), RECT{0, y, width, y + kScanLineHeight},
             kScanTextHeight, DT_CENTER | DT_VCENTER);
    y += kScanLineHeight;
    DrawLine(dc, FillNumbers(m_counts_format, {shown.tv_count, shown.radio_count}),
             RECT{0, y, width, y + kScanLineHeight}, kScanTextHeight, DT_CENTER | DT_VCENTER);
}

void CDMBPipBox::PaintTuning(CBufferedPaint& paint, const Shown& shown) {
    const SIZE size = BitmapSize(m_tuning);
    const int frame_height = size.cy / kTuningFrames;
    if (frame_height <= 0) return;
    paint.DrawBitmap(m_tuning, (paint.Width() - size.cx) / 2, (paint.Height() - frame_height) / 2, size.cx,
                     frame_height, 0, (shown.frame % kTuningFrames) * frame_height);
}

}  // namespace telecast
