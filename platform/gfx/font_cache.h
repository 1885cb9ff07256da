// Fonts as SDL2_ttf opens them: the face-name map, and one open TTF_Font per file, size and
// style, shared by every HFONT that asks for it. Internal to platform/gfx.
#pragma once

#include <mutex>
#include <string>

#include "platform/gfx/gdi_object.h"

typedef struct _TTF_Font TTF_Font;

namespace platform::gfx {

// The file a face and weight draw with, and whether boldness must be synthesised because the
// file is a regular face.
struct FontChoice {
    std::string file;
    bool synthetic_bold = false;
};
FontChoice ChooseFont(const std::string& face, int weight);

// Every SDL2_ttf call is made under this lock: a TTF_Font, and FreeType beneath it, serves one
// caller at a time.
std::mutex& TextMutex();

// The open font for an HFONT's face, height, weight and style, or null with the last error set
// (ERROR_FILE_NOT_FOUND when the font file cannot be opened). Call with TextMutex held.
TTF_Font* OpenFontLocked(const Font& font);

// The em size in pixels an HFONT asks for (the character height).
int EmSizeLocked(const Font& font, const FontChoice& choice);

}  // namespace platform::gfx
