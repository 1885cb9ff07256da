// Laying text out for DrawText: the font measures a call needs, line splitting, '&' prefixes,
// word breaks, tab stops and end ellipses. Internal to platform/gfx; call with TextMutex held.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/gfx/font_cache.h"

namespace platform::gfx {

// What one drawing call needs of its font, gathered under the text lock.
struct TextFont {
    TTF_Font* font = nullptr;
    int line_height = 0;
    int ascent = 0;
    int tab_width = 8;
    bool smooth = true;
};
bool OpenTextFontLocked(const Dc& dc, TextFont& out);

// Width of a run without tabs, and of a line whose tabs jump to the next tab stop.
int RunWidth(const TextFont& font, const std::string& run);
int LineWidth(const TextFont& font, const std::string& line);

// A laid-out line and the byte of its '&'-marked character, if any.
struct Line {
    std::string text;
    std::ptrdiff_t underline = -1;
};

// The lines DrawText draws for text under its format flags within max_width.
std::vector<Line> LayOut(const TextFont& font, const std::string& text, UINT format, int max_width);

// Bytes in the UTF-8 sequence that starts with lead.
std::size_t Utf8Length(unsigned char lead);

}  // namespace platform::gfx
