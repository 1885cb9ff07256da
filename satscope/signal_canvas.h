// The signal view's canvas over a drawing context: fills with solid brushes, text with the DC's
// font in black on a transparent ground, and nothing painted outside the clip rectangle it is
// given (nor outside the DC's surface).
#pragma once

#include <utility>
#include <vector>

#include "platform/gfx/gfx.h"
#include "satscope/signal_view.h"

namespace satscope {

class GdiSignalCanvas final : public SignalCanvas {
public:
    // Sets the DC's text colour and background mode for the canvas's life; the destructor puts
    // them back and frees the brushes and the scratch surface.
    GdiSignalCanvas(HDC dc, RECT clip);
    ~GdiSignalCanvas() override;
    GdiSignalCanvas(const GdiSignalCanvas&) = delete;
    GdiSignalCanvas& operator=(const GdiSignalCanvas&) = delete;

    void Fill(int x, int y, int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) override;
    void Text(int x, int y, const std::string& text) override;

private:
    HBRUSH Brush(COLORREF colour);
    void TextThroughScratch(int x, int y, const std::string& text);
    bool EnsureScratch(int width, int height);

    HDC m_dc;
    RECT m_clip;
    COLORREF m_old_text_colour;
    int m_old_background_mode;
    std::vector<std::pair<COLORREF, HBRUSH>> m_brushes;  // one per colour drawn, a handful at most

    // Text that starts left of or above the clip is drawn here over a copy of the ground it
    // covers, and only its part inside the clip is copied back.
    HDC m_scratch = nullptr;
    HBITMAP m_scratch_bitmap = nullptr;
    HGDIOBJ m_scratch_old_bitmap = nullptr;
    HGDIOBJ m_scratch_old_font = nullptr;
    int m_scratch_width = 0;
    int m_scratch_height = 0;
};

}  // namespace satscope
