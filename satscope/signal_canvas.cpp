#include "satscope/signal_canvas.h"

#include <algorithm>
#include <cstdint>

namespace satscope {

namespace {

constexpr COLORREF kTextColour = RGB(0, 0, 0);

// [left, right) × [top, bottom) in 64 bits, so that no sum of an int position and size wraps.
struct Box {
    std::int64_t left, top, right, bottom;
    bool Empty() const { return left >= right || top >= bottom; }
};

Box Intersect(const Box& a, const RECT& clip)
{
    return {std::max<std::int64_t>(a.left, clip.left), std::max<std::int64_t>(a.top, clip.top),
            std::min<std::int64_t>(a.right, clip.right), std::min<std::int64_t>(a.bottom, clip.bottom)};
}

}  // namespace

GdiSignalCanvas::GdiSignalCanvas(HDC dc, RECT clip)
    : m_dc(dc), m_clip(clip), m_old_text_colour(SetTextColor(dc, kTextColour)),
      m_old_background_mode(SetBkMode(dc, TRANSPARENT))
{
}

GdiSignalCanvas::~GdiSignalCanvas()
{
    if (m_scratch) {
        SelectObject(m_scratch, m_scratch_old_font);
        SelectObject(m_scratch, m_scratch_old_bitmap);
        DeleteObject(m_scratch_bitmap);
        DeleteDC(m_scratch);
    }
    for (const auto& [colour, brush] : m_brushes) DeleteObject(brush);
    // A failed set returned CLR_INVALID or 0: there is nothing to put back then.
    if (m_old_text_colour != CLR_INVALID) SetTextColor(m_dc, m_old_text_colour);
    if (m_old_background_mode != 0) SetBkMode(m_dc, m_old_background_mode);
}

HBRUSH GdiSignalCanvas::Brush(COLORREF colour)
{
    for (const auto& [known, brush] : m_brushes)
        if (known == colour) return brush;
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) m_brushes.emplace_back(colour, brush);
    return brush;
}

void GdiSignalCanvas::Fill(int x, int y, int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    const Box box = Intersect({x, y, std::int64_t{x} + width, std::int64_t{y} + height}, m_clip);
    if (box.Empty()) return;
    HBRUSH brush = Brush(RGB(r, g, b));
    if (!brush) return;
    const RECT rect{static_cast<LONG>(box.left), static_cast<LONG>(box.top), static_cast<LONG>(box.right),
                    static_cast<LONG>(box.bottom)};
    FillRect(m_dc, &rect, brush);
}

void GdiSignalCanvas::Text(int x, int y, const std::string& text)
{
    if (text.empty()) return;
    if (x < m_clip.left || y < m_clip.top) {
        TextThroughScratch(x, y, text);
        return;
    }
    // Text starting inside the clip: DrawText places it at the rectangle's corner and draws
    // only within the rectangle, which ends where the clip ends.
    RECT rect{x, y, m_clip.right, m_clip.bottom};
    if (rect.left >= rect.right || rect.top >= rect.bottom) return;
    DrawText(m_dc, text, -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void GdiSignalCanvas::TextThroughScratch(int x, int y, const std::string& text)
{
    SIZE size;
    if (!GetTextExtentPoint32(m_dc, text, &size) || size.cx <= 0 || size.cy <= 0) return;
    const Box shown = Intersect({x, y, std::int64_t{x} + size.cx, std::int64_t{y} + size.cy}, m_clip);
    if (shown.Empty() || !EnsureScratch(size.cx, size.cy)) return;
    // The ground under the text first, so that its smoothed edges blend as they would in place.
    BitBlt(m_scratch, 0, 0, size.cx, size.cy, m_dc, x, y, SRCCOPY);
    TextOut(m_scratch, 0, 0, text);
    BitBlt(m_dc, static_cast<int>(shown.left), static_cast<int>(shown.top), static_cast<int>(shown.right - shown.left),
           static_cast<int>(shown.bottom - shown.top), m_scratch, static_cast<int>(shown.left - x),
           static_cast<int>(shown.top - y), SRCCOPY);
}

bool GdiSignalCanvas::EnsureScratch(int width, int height)
{
    if (!m_scratch) {
        m_scratch = CreateCompatibleDC(m_dc);
        if (!m_scratch) return false;
        m_scratch_old_font = SelectObject(m_scratch, GetCurrentObject(m_dc, OBJ_FONT));
        SetTextColor(m_scratch, kTextColour);
        SetBkMode(m_scratch, TRANSPARENT);
    }
    if (m_scratch_bitmap && width <= m_scratch_width && height <= m_scratch_height) return true;
    const int new_width = std::max(width, m_scratch_width);
    const int new_height = std::max(height, m_scratch_height);
    HBITMAP bitmap = CreateCompatibleBitmap(m_dc, new_width, new_height);
    if (!bitmap) return false;
    HGDIOBJ previous = SelectObject(m_scratch, bitmap);
    if (!previous) {
        DeleteObject(bitmap);
        return false;
    }
    if (m_scratch_bitmap) DeleteObject(m_scratch_bitmap);
    else m_scratch_old_bitmap = previous;
    m_scratch_bitmap = bitmap;
    m_scratch_width = new_width;
    m_scratch_height = new_height;
    return true;
}

}  // namespace satscope
