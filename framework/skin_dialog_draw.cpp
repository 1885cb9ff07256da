// Drawing the skin dialog's controls into its off-screen picture, by kind. Every redraw is a
// block copy from an image plus one invalidation of the control's rectangle.
#include <algorithm>
#include <cmath>

#include "framework/skin_dialog.h"
#include "platform/window/window_surface.h"

namespace {

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info;
    if (!bitmap || !GetObject(bitmap, sizeof(info), &info)) return {};
    return {info.bmWidth, info.bmHeight};
}

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

// Which glyph of a digit strip a character draws; -1 draws nothing (but takes its place).
int GlyphOf(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character == '.' || character == ':') return 10;
    if (character == '-') return 11;
    return -1;
}

constexpr UINT kTextFormat = DT_NOPREFIX | DT_EXPANDTABS;

}  // namespace

void CSkinDialogEx::CopyFromBitmap(HBITMAP bitmap, int x, int y, int width, int height, int source_x,
                                   int source_y) {
    if (!bitmap || !m_memory_dc || !m_source_dc) return;
    HGDIOBJ previous = SelectObject(m_source_dc, bitmap);
    BitBlt(m_memory_dc, x, y, width, height, m_source_dc, source_x, source_y, SRCCOPY);
    SelectObject(m_source_dc, previous);
}

void CSkinDialogEx::CopyKeyed(HBITMAP bitmap, int x, int y, int width, int height, int source_x, int source_y) {
    if (!bitmap || !m_memory_dc || !m_source_dc) return;
    HGDIOBJ previous = SelectObject(m_source_dc, bitmap);
    TransparentBlt(m_memory_dc, x, y, width, height, m_source_dc, source_x, source_y, width, height, kSkinKeyColour);
    SelectObject(m_source_dc, previous);
}

void CSkinDialogEx::CopyBackground(const RECT& rect) {
    CopyFromBitmap(m_background, rect.left, rect.top, Width(rect), Height(rect), rect.left - m_background_origin.x,
                   rect.top - m_background_origin.y);
}

HFONT CSkinDialogEx::MakeFont(int text_size) const {
    const int dpi = m_memory_dc ? GetDeviceCaps(m_memory_dc, LOGPIXELSY) : 96;
    return CreateFont(-(text_size * (dpi > 0 ? dpi : 96) / 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, m_font_face);
}

void CSkinDialogEx::DrawBackground(HBITMAP bitmap, int x, int y) {
    if (!bitmap || !m_memory_dc) return;
    m_background = bitmap;
    m_background_origin = {x, y};
    const SIZE size = BitmapSize(bitmap);
    CopyFromBitmap(bitmap, x, y, size.cx, size.cy, 0, 0);
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSkinDialogEx::DrawText(int left, int top, int right, int bottom, int text_size, COLORREF colour,
                             const std::string& text, UINT format) {
    if (!m_memory_dc) return;
    HFONT font = MakeFont(text_size);
    HGDIOBJ previous = SelectObject(m_memory_dc, font);
    SetBkMode(m_memory_dc, TRANSPARENT);
    SetTextColor(m_memory_dc, colour);
    RECT rect = {left, top, right, bottom};
    ::DrawText(m_memory_dc, text, -1, &rect, format | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(m_memory_dc, previous);
    DeleteObject(font);
    Invalidate({left, top, right, bottom});
}

void CSkinDialogEx::RedrawAll() {
    for (int i = 0; i < m_count; ++i) DrawControl(i);
}

void CSkinDialogEx::DrawControl(int index) {
    if (index < 0 || index >= m_count || !m_memory_dc) return;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (control.Has(SKIN_HIDDEN)) {
        CopyBackground(control.rect);
    } else {
        switch (control.Kind()) {
            case SKIN_BUTTON: DrawButton(control); break;
            case SKIN_SLIDER: DrawSlider(control); break;
            case SKIN_STATIC: DrawStatic(control); break;
            case SKIN_SEEKBAR: DrawSeekBar(control); break;
            default: break;
        }
    }
    RECT changed = control.rect;
    // The knob reaches past the bar's right end by its own width.
    if (control.Kind() == SKIN_SEEKBAR && m_knob) changed.right += BitmapSize(m_knob).cx;
    Invalidate(changed);
}

void CSkinDialogEx::DrawButton(const SkinControl& control) {
    const RECT& rect = control.rect;
    int frame = 0;
    int row = 0;
    if (control.Has(SKIN_DISABLED)) row = BitmapSize(control.image).cy >= 2 * Height(rect) ? 1 : 0;
    else if (control.Has(SKIN_PRESSED) || control.Has(SKIN_LATCHED)) frame = 1;
    else if (control.Has(SKIN_HIGHLIGHTED)) frame = 2;
    CopyFromBitmap(control.image, rect.left, rect.top, Width(rect), Height(rect), frame * Width(rect),
                   row * Height(rect));
    if (control.text.empty()) return;
    HFONT font = MakeFont(control.text_size);
    HGDIOBJ previous = SelectObject(m_memory_dc, font);
    SetBkMode(m_memory_dc, TRANSPARENT);
    SetTextColor(m_memory_dc, control.text_colour);
    RECT text_rect = {rect.left + control.text_x, rect.top + control.text_y, rect.right + control.text_x,
                      rect.bottom + control.text_y};
    ::DrawText(m_memory_dc, control.text, -1, &text_rect, control.text_align | DT_SINGLELINE | DT_VCENTER | kTextFormat);
    SelectObject(m_memory_dc, previous);
    DeleteObject(font);
}

void CSkinDialogEx::DrawSlider(const SkinControl& control) {
    const RECT& rect = control.rect;
    CopyFromBitmap(control.image, rect.left, rect.top, Width(rect), Height(rect),
                   control.Has(SKIN_PRESSED) ? Width(rect) : 0, 0);
    const SIZE segment = BitmapSize(control.slider.segment);
    if (segment.cx <= 0) return;
    // Segments starting past the rectangle's right edge would draw over the neighbours: a
    // value out of the track's reach draws as a full track.
    const int room = Width(rect) - control.text_x;
    const int fits = room > 0 ? (room + segment.cx - 1) / segment.cx : 0;
    const int count = std::clamp(control.slider.value, 0, fits);
    for (int i = 0; i < count; ++i)
        CopyFromBitmap(control.slider.segment, rect.left + control.text_x + i * segment.cx, rect.top + control.text_y,
                       segment.cx, segment.cy, 0, 0);
}

void CSkinDialogEx::DrawStatic(SkinControl& control) {
    const RECT& rect = control.rect;
    if (control.image) {
        const int frame_x = (control.Has(SKIN_PRESSED) || control.Has(SKIN_LATCHED)) ? Width(rect) : 0;
        CopyFromBitmap(control.image, rect.left, rect.top, Width(rect), Height(rect), frame_x,
                       Height(rect) * control.image_row);
    } else {
        CopyBackground(rect);
    }
    DrawStaticText(control);
}

void CSkinDialogEx::DrawStaticText(SkinControl& control) {
    if (control.text.empty()) return;
    const RECT& rect = control.rect;
    if (control.label.digits) {
        const int glyph_width = control.text_size;
        if (glyph_width <= 0) return;
        const SIZE strip = BitmapSize(control.label.digits);
        // Glyphs start at the left edge unless the control's style places them otherwise.
        const int text_width = glyph_width * static_cast<int>(control.text.size());
        int x = rect.left + control.text_x;
        if (control.text_align & DT_RIGHT) x += Width(rect) - text_width;
        else if (control.text_align & DT_CENTER) x += (Width(rect) - text_width) / 2;
        int y = rect.top + control.text_y;
        if (control.text_vcentre) y += (Height(rect) - strip.cy) / 2;
        for (char character : control.text) {
            const int glyph = GlyphOf(character);
            if (glyph >= 0) CopyKeyed(control.label.digits, x, y, glyph_width, strip.cy, glyph * glyph_width, 0);
            x += glyph_width;
        }
        return;
    }
    HFONT font = MakeFont(control.text_size);
    HGDIOBJ previous = SelectObject(m_memory_dc, font);
    SetBkMode(m_memory_dc, TRANSPARENT);
    SetTextColor(m_memory_dc, control.text_colour);
    UINT format = control.text_align | kTextFormat | DT_WORDBREAK;
    if (control.text_vcentre) format |= DT_SINGLELINE | DT_VCENTER;
    RECT text_rect = {rect.left + control.text_x, rect.top + control.text_y, rect.right + control.text_x,
                      rect.bottom + control.text_y};
    if (control.label.scroll) {
        SIZE extent;
        GetTextExtentPoint32(m_memory_dc, control.text, &extent);
        auto& offset = control.label.scroll_offset;
        if (offset > 0 && Width(rect) < extent.cx - offset + 50) {
            text_rect.left -= offset;
            format = (format & ~(DT_CENTER | DT_RIGHT | DT_WORDBREAK)) | DT_SINGLELINE;
        } else {
            offset = 0;
            if (extent.cx <= Width(rect)) control.label.scroll = false;
        }
    }
    ::DrawText(m_memory_dc, control.text, -1, &text_rect, format);
    SelectObject(m_memory_dc, previous);
    DeleteObject(font);
}

void CSkinDialogEx::DrawSeekBar(const SkinControl& control) {
    const RECT& rect = control.rect;
    if (control.image) CopyFromBitmap(control.image, rect.left, rect.top, Width(rect), Height(rect), 0, 0);
    else CopyBackground(rect);
    const SIZE fill = BitmapSize(control.seek.fill);
    const int usable = fill.cx - kSeekBarImageMargin;
    const double range = control.seek.maximum - control.seek.minimum;
    int filled = 0;
    // An empty range or a fill image narrower than its margin shows nothing filled.
    if (usable > 0 && range > 0) {
        const double share = std::floor((control.seek.value - control.seek.minimum) * usable / range);
        filled = std::isfinite(share) ? static_cast<int>(std::clamp(share, 0.0, static_cast<double>(usable))) : 0;
        CopyFromBitmap(control.seek.fill, rect.left + control.text_x, rect.top + control.text_y, filled, fill.cy, 0, 0);
    }
    if (m_knob) {
        const SIZE knob = BitmapSize(m_knob);
        CopyKeyed(m_knob, rect.left + filled, rect.top, knob.cx, knob.cy, 0, 0);
    }
}
