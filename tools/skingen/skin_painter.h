// Draws a declared skin bitmap: every frame and row at its size, in the suite's dark theme.
#pragma once

#include "platform/gfx/gfx.h"
#include "platform/resources/skin_declaration.h"

namespace skingen {

// The key colour the device copies transparently: what lies around round shapes drawn over
// whatever is behind them (spinner, knob, warning box, digit glyphs).
constexpr COLORREF kKeyColour = RGB(255, 0, 255);

// Whether a look leaves key colour around its shapes.
bool UsesKeyColour(resources::SkinLook look);

// A new bitmap of bitmap.Width() × bitmap.Height() with the whole strip drawn, or NULL when
// the bitmap cannot be made.
HBITMAP PaintSkinBitmap(const resources::SkinBitmap& bitmap);

}  // namespace skingen
