// The face-name map, and the cache of fonts SDL2_ttf opened.
#include "platform/gfx/font_cache.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

#include "platform/device_root.h"

namespace platform::gfx {
namespace {

constexpr const char* kDefaultFont = "/usr/share/fonts/truetype/nanum/NanumGothic.ttf";
constexpr const char* kDefaultBoldFont = "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf";
// The height a font gets when it is created with height 0.
constexpr int kDefaultEmSize = 12;
// The size at which a face's cell height is measured to turn a cell height into an em size.
constexpr int kReferenceEmSize = 100;

struct FontKey {
    std::string file;
    int em_size = 0;
    int style = TTF_STYLE_NORMAL;
    bool operator<(const FontKey& other) const {
        return std::tie(file, em_size, style) < std::tie(other.file, other.em_size, other.style);
    }
};

struct CloseFont {
    void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
};

struct FontCache {
    bool initialised = false;
    std::map<FontKey, std::unique_ptr<TTF_Font, CloseFont>> fonts;
    std::map<std::string, bool> missing;  // files that would not open, so they are tried once
};

// Kept for the life of the process, like the handle table: fonts may be used until exit.
FontCache& Cache() {
    static FontCache* const cache = new FontCache;
    return *cache;
}

TTF_Font* OpenCachedLocked(const std::string& file, int em_size, int style) {
    FontCache& cache = Cache();
    if (!cache.initialised) {
        // SDL2_ttf needs no video subsystem: only FreeType is started here.
        if (TTF_Init() != 0) {
            SetLastError(ERROR_GEN_FAILURE);
            return nullptr;
        }
        cache.initialised = true;
    }
    const FontKey key{file, em_size, style};
    auto found = cache.fonts.find(key);
    if (found != cache.fonts.end()) return found->second.get();
    if (cache.missing.count(file)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    TTF_Font* font = TTF_OpenFont(file.c_str(), em_size);
    if (!font) {
        cache.missing[file] = true;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    TTF_SetFontStyle(font, style);
    TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
    cache.fonts.emplace(key, std::unique_ptr<TTF_Font, CloseFont>(font));
    return font;
}

}  // namespace

FontChoice ChooseFont(const std::string& face, int weight) {
    const DeviceConfig& config = Config();
    const bool bold = weight >= FW_SEMIBOLD;
    const std::string key = "font." + face;
    if (!face.empty() && config.Has(key)) {
        if (bold && config.Has(key + ".bold")) return {config.Get(key + ".bold"), false};
        return {config.Get(key), bold};
    }
    if (config.Has("font.default")) {
        if (bold && config.Has("font.default.bold")) return {config.Get("font.default.bold"), false};
        return {config.Get("font.default"), bold};
    }
    // Every face of the device, Korean or Latin, draws with Nanum Gothic.
    return bold ? FontChoice{kDefaultBoldFont, false} : FontChoice{kDefaultFont, false};
}

std::mutex& TextMutex() {
    static std::mutex* const mutex = new std::mutex;
    return *mutex;
}

int EmSizeLocked(const Font& font, const FontChoice& choice) {
    if (font.height == 0) return kDefaultEmSize;
    if (font.height < 0) return -font.height;
    // A positive height is the cell (ascent + descent): scale from the face's cell at a known em.
    TTF_Font* reference = OpenCachedLocked(choice.file, kReferenceEmSize, TTF_STYLE_NORMAL);
    if (!reference) return font.height;
    const int cell = TTF_FontHeight(reference);
    if (cell <= 0) return font.height;
    int em = std::max(1, static_cast<int>(std::lround(static_cast<double>(font.height) * kReferenceEmSize / cell)));
    // Rounding of the face's metrics at small sizes can make the cell a pixel taller than asked:
    // settle on the largest em whose cell fits the height.
    const auto cell_at = [&](int size) {
        TTF_Font* sized = OpenCachedLocked(choice.file, size, TTF_STYLE_NORMAL);
        return sized ? TTF_FontHeight(sized) : 0;
    };
    for (int step = 0; step < 4 && em > 1 && cell_at(em) > font.height; ++step) --em;
    if (cell_at(em + 1) <= font.height) ++em;
    return em;
}

TTF_Font* OpenFontLocked(const Font& font) {
    const FontChoice choice = ChooseFont(font.face, font.weight);
    const int em_size = EmSizeLocked(font, choice);
    if (em_size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    int style = TTF_STYLE_NORMAL;
    if (choice.synthetic_bold) style |= TTF_STYLE_BOLD;
    if (font.italic) style |= TTF_STYLE_ITALIC;
    if (font.underline) style |= TTF_STYLE_UNDERLINE;
    return OpenCachedLocked(choice.file, em_size, style);
}

}  // namespace platform::gfx

namespace platform {

std::string FontFileFor(const std::string& face_name, int weight) { return gfx::ChooseFont(face_name, weight).file; }

}  // namespace platform

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strike_out, DWORD char_set, DWORD out_precision, DWORD clip_precision, DWORD quality,
                 DWORD pitch_and_family, const std::string& face_name) {
    // Width, escapement and orientation other than 0, and strike-out, are not drawn by the device's
    // programs and are refused rather than ignored.
    if (height < -2048 || height > 2048 || width != 0 || escapement != 0 || orientation != 0 || strike_out != 0 ||
        weight < 0 || weight > 1000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = std::make_unique<platform::gfx::Font>();
    font->height = height;
    font->weight = weight == FW_DONTCARE ? FW_NORMAL : weight;
    font->italic = italic != 0;
    font->underline = underline != 0;
    font->quality = quality;
    font->face = face_name;
    return static_cast<HFONT>(platform::gfx::Register(std::move(font)));
}
