// The signal area of SatScope's window: one bar per satellite in view, its SNR above it and its
// PRN below. Drawing keeps the copy of the slots last drawn (and their count), which the next
// update compares against and which a GSV cycle with a lost message falls back on.
//
// The view draws through SignalCanvas, so these rules link only the standard library; the
// window hands it a canvas over its DC (GdiSignalCanvas), the tests a recording one.
#pragma once

#include <cstdint>
#include <string>

#include "satscope/fix_state.h"

namespace satscope {

enum class SignalDraw;

// The part of the layout the bars are sized by.
struct SignalArea {
    int left_width = 0;
    int signal_height = 0;
};

// [x, x + width) × [y, y + height); empty when either size is 0 or less.
struct SignalRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const SignalRect&) const = default;
};

// The rectangle a clear paints, and the one every bar, column and label stays inside: it
// leaves the summary grid below and the control column to the right alone.
SignalRect ClearRect(const SignalArea& area);

// Where the view draws.
class SignalCanvas {
public:
    virtual ~SignalCanvas() = default;
    virtual void Fill(int x, int y, int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) = 0;
    // Black text on a transparent ground, the top-left corner of its cell at (x, y).
    virtual void Text(int x, int y, const std::string& text) = 0;
};

// Hands on to `target` only what may show inside `clip`. Fills are cut to it. Text grows right
// and down from its corner, so text whose corner lies right of or below the clip is dropped;
// the glyphs of text that runs over an edge are cut by the target (GdiSignalCanvas cuts them
// at the clip it is given).
class ClippedCanvas final : public SignalCanvas {
public:
    ClippedCanvas(SignalCanvas& target, const SignalRect& clip) : m_target(target), m_clip(clip) {}
    void Fill(int x, int y, int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) override;
    void Text(int x, int y, const std::string& text) override;

private:
    SignalCanvas& m_target;
    SignalRect m_clip;
};

// The satellite marked strongest when the bars were last drawn; prn 0 when none was.
struct Strongest {
    std::int32_t prn = 0;
    std::int32_t snr = 0;
    bool operator==(const Strongest&) const = default;
};

class SignalView {
public:
    // Draws in `mode`. When !can_draw (the port is closed, the area has no height or the preset
    // hides it) nothing is drawn; a clear then still records that no bar is shown, so the next
    // update draws every bar. Returns how many bars this call drew.
    int Draw(FixState& fix, SignalDraw mode, bool can_draw, const SignalArea& area, SignalCanvas& canvas);
    // Bars drawn since start (the window writes it to its debug log); wraps after 2^32.
    int Draws() const { return static_cast<int>(m_draws); }
    Strongest LastStrongest() const { return m_strongest; }

private:
    unsigned m_draws = 0;
    Strongest m_strongest;
};

}  // namespace satscope
