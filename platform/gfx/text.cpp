// Text: measuring, TextOut and DrawText with the device's layout flags (laid out by
// text_layout.cpp). Glyphs come from SDL2_ttf and are blended into the DC's surface in its text
// colour.
#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <vector>

#include "platform/device_root.h"
#include "platform/gfx/text_layout.h"
#include "platform/kernel/debug_output.h"

using namespace platform::gfx;

namespace {

// The part of the surface drawing may touch.
struct ClipBox {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
};

ClipBox Intersect(const Surface& surface, const RECT* rect) {
    ClipBox box{0, 0, surface.width, surface.height};
    if (rect) {
        box.left = std::max<std::int64_t>(box.left, rect->left);
        box.top = std::max<std::int64_t>(box.top, rect->top);
        box.right = std::min<std::int64_t>(box.right, rect->right);
        box.bottom = std::min<std::int64_t>(box.bottom, rect->bottom);
    }
    return box;
}

void FillClipped(const Surface& surface, const ClipBox& clip, std::int64_t x, std::int64_t y, std::int64_t width,
                 std::int64_t height, std::uint32_t pixel) {
    const std::int64_t left = std::max(x, clip.left), top = std::max(y, clip.top);
    const std::int64_t right = std::min(x + width, clip.right), bottom = std::min(y + height, clip.bottom);
    if (left < right && top < bottom) FillSurface(surface, left, top, right - left, bottom - top, pixel);
}

std::uint32_t Blend(std::uint32_t dest, std::uint32_t ink, std::uint32_t alpha) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t d = (dest >> shift) & 0xFF, s = (ink >> shift) & 0xFF;
        out |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

// Draws one run of text (no tabs) with its cell's top-left corner at x, y.
void DrawRun(const Surface& surface, const ClipBox& clip, const TextFont& font, const std::string& run, std::int64_t x,
             std::int64_t y, COLORREF color) {
    if (run.empty() || surface.Empty()) return;
    const SDL_Color white{255, 255, 255, 255};
    SDL_Surface* rendered = font.smooth ? TTF_RenderUTF8_Blended(font.font, run.c_str(), white)
                                        : TTF_RenderUTF8_Solid(font.font, run.c_str(), white);
    if (!rendered) return;
    SDL_Surface* glyphs = rendered;
    if (font.smooth && rendered->format->format != SDL_PIXELFORMAT_ARGB8888) {
        glyphs = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(rendered);
        if (!glyphs) return;
    }
    const bool indexed = glyphs->format->BytesPerPixel == 1;
    const std::uint32_t ink = PixelFromColor(color);
    const std::int64_t first_row = std::max<std::int64_t>(0, clip.top - y);
    const std::int64_t end_row = std::min<std::int64_t>(glyphs->h, clip.bottom - y);
    const std::int64_t first_column = std::max<std::int64_t>(0, clip.left - x);
    const std::int64_t end_column = std::min<std::int64_t>(glyphs->w, clip.right - x);
    if (SDL_LockSurface(glyphs) == 0) {
        for (std::int64_t row = first_row; row < end_row; ++row) {
            const auto* line = static_cast<const std::uint8_t*>(glyphs->pixels) + row * glyphs->pitch;
            std::uint32_t* out_row = surface.Row(static_cast<int>(y + row));
            for (std::int64_t column = first_column; column < end_column; ++column) {
                std::uint32_t& out = out_row[x + column];
                std::uint32_t alpha = 0;
                if (indexed) {
                    alpha = line[column] != 0 ? 255 : 0;  // index 0 is the solid renderer's background
                } else {
                    alpha = reinterpret_cast<const std::uint32_t*>(line)[column] >> 24;
                }
                if (alpha == 255) out = ink;
                else if (alpha != 0) out = Blend(out, ink, alpha);
            }
        }
        SDL_UnlockSurface(glyphs);
    }
    SDL_FreeSurface(glyphs);
}

// Draws a line's runs between tabs, its '&' underline, and (opaque mode) its background.
void DrawLine(const Surface& surface, const ClipBox& clip, const TextFont& font, const Dc& dc, const Line& line,
              std::int64_t x, std::int64_t y) {
    if (dc.bk_mode == OPAQUE)
        FillClipped(surface, clip, x, y, LineWidth(font, line.text), font.line_height, PixelFromColor(dc.bk_color));
    int offset = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.text.find('\t', start);
        const std::string run = line.text.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        DrawRun(surface, clip, font, run, x + offset, y, dc.text_color);
        offset += RunWidth(font, run);
        if (tab == std::string::npos) break;
        offset = (offset / font.tab_width + 1) * font.tab_width;
        start = tab + 1;
    }
    if (line.underline >= 0 && static_cast<std::size_t>(line.underline) < line.text.size()) {
        const auto at = static_cast<std::size_t>(line.underline);
        const std::int64_t from = x + LineWidth(font, line.text.substr(0, at));
        const std::size_t length = Utf8Length(static_cast<unsigned char>(line.text[at]));
        const int width = RunWidth(font, line.text.substr(at, length));
        FillClipped(surface, clip, from, y + font.ascent + 1, width, 1, PixelFromColor(dc.text_color));
    }
}

}  // namespace

BOOL GetTextExtentPoint32(HDC hdc, const std::string& text, SIZE* size) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(TextMutex());
    TextFont font;
    if (!OpenTextFontLocked(*dc, font)) return FALSE;
    size->cx = RunWidth(font, text);
    size->cy = font.line_height;
    return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* metrics) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (!metrics) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(TextMutex());
    TextFont font;
    if (!OpenTextFontLocked(*dc, font)) return FALSE;
    const Font* selected = dc->SelectedFont();
    const int em = EmSizeLocked(*selected, ChooseFont(selected->face, selected->weight));
    *metrics = {};
    metrics->tmHeight = font.line_height;
    metrics->tmAscent = font.ascent;
    metrics->tmDescent = -TTF_FontDescent(font.font);
    metrics->tmInternalLeading = std::max(0, font.line_height - em);
    metrics->tmExternalLeading = std::max(0, TTF_FontLineSkip(font.font) - font.line_height);
    metrics->tmAveCharWidth = font.tab_width / 8;
    metrics->tmMaxCharWidth = RunWidth(font, "W");
    metrics->tmWeight = selected->weight;
    return TRUE;
}

BOOL TextOut(HDC hdc, int x, int y, const std::string& text) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    std::lock_guard lock(TextMutex());
    TextFont font;
    if (!OpenTextFontLocked(*dc, font)) return FALSE;
    const Surface surface = dc->Target();
    const ClipBox clip = Intersect(surface, nullptr);
    if (dc->bk_mode == OPAQUE)
        FillClipped(surface, clip, x, y, RunWidth(font, text), font.line_height, PixelFromColor(dc->bk_color));
    DrawRun(surface, clip, font, text, x, y, dc->text_color);
    return TRUE;
}

int DrawText(HDC hdc, const std::string& all_text, int count, RECT* rect, UINT format) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return 0;
    if (!rect || count < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string text =
        count < 0 ? all_text : all_text.substr(0, std::min(all_text.size(), static_cast<std::size_t>(count)));
    // device.conf's trace_text = 1 puts every text drawn on the debug line, with its rectangle:
    // what a screen shows in words, for tests and for people reading the log.
    if (!(format & DT_CALCRECT) && platform::Config().GetInt("trace_text", 0) == 1)
        DebugPrintf("DrawText %ld,%ld,%ld,%ld \"%s\"\n", static_cast<long>(rect->left), static_cast<long>(rect->top),
                    static_cast<long>(rect->right), static_cast<long>(rect->bottom), text.c_str());
    if (text.empty()) {
        // Nothing to draw or measure: an empty rectangle and a height of 0, as on the device.
        if (format & DT_CALCRECT) {
            rect->right = rect->left;
            rect->bottom = rect->top;
        }
        return 0;
    }
    std::lock_guard lock(TextMutex());
    TextFont font;
    if (!OpenTextFontLocked(*dc, font)) return 0;
    const std::int64_t rect_width = static_cast<std::int64_t>(rect->right) - rect->left;
    const int max_width = static_cast<int>(std::clamp<std::int64_t>(rect_width, 0, INT32_MAX));
    const std::vector<Line> lines = LayOut(font, text, format, max_width);
    const std::int64_t height = static_cast<std::int64_t>(lines.size()) * font.line_height;

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines) widest = std::max(widest, LineWidth(font, line.text));
        rect->right = static_cast<LONG>(std::min<std::int64_t>(static_cast<std::int64_t>(rect->left) + widest, INT32_MAX));
        rect->bottom = static_cast<LONG>(std::min<std::int64_t>(rect->top + height, INT32_MAX));
        return static_cast<int>(std::min<std::int64_t>(height, INT32_MAX));
    }

    // Vertical placement applies to single-line text only, as on the device.
    std::int64_t top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect->top + (static_cast<std::int64_t>(rect->bottom) - rect->top - font.line_height) / 2;
        else if (format & DT_BOTTOM) top = static_cast<std::int64_t>(rect->bottom) - font.line_height;
    }
    const Surface surface = dc->Target();
    const ClipBox clip = Intersect(surface, (format & DT_NOCLIP) ? nullptr : rect);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::int64_t y = top + static_cast<std::int64_t>(i) * font.line_height;
        if (y >= clip.bottom) break;
        if (y + font.line_height <= clip.top) continue;
        const int width = LineWidth(font, lines[i].text);
        std::int64_t x = rect->left;
        if (format & DT_CENTER) x = rect->left + (rect_width - width) / 2;
        else if (format & DT_RIGHT) x = static_cast<std::int64_t>(rect->right) - width;
        DrawLine(surface, clip, font, *dc, lines[i], x, y);
    }
    const std::int64_t result = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))
                                    ? top - rect->top + font.line_height
                                    : height;
    return static_cast<int>(std::clamp<std::int64_t>(result, 0, INT32_MAX));
}
