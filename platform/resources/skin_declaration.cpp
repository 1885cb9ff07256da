#include "platform/resources/skin_declaration.h"

#include <set>

namespace resources {
namespace {

struct LookWord {
    std::string_view word;
    SkinLook look;
};
constexpr LookWord kLooks[] = {
    {"button", SkinLook::Button},         {"spinner", SkinLook::Spinner},
    {"waitbox", SkinLook::WaitBox},       {"bar", SkinLook::Bar},
    {"warning", SkinLook::Warning},       {"panel", SkinLook::Panel},
    {"slider-track", SkinLook::SliderTrack}, {"slider-segment", SkinLook::SliderSegment},
    {"seek-track", SkinLook::SeekTrack},  {"seek-fill", SkinLook::SeekFill},
    {"knob", SkinLook::Knob},             {"digits", SkinLook::Digits},
    {"static", SkinLook::Static},         {"title", SkinLook::Title},
    {"label", SkinLook::Label},           {"check-box", SkinLook::CheckBox},
    {"row-highlight", SkinLook::RowHighlight}, {"list-panel", SkinLook::ListPanel},
    {"scroll-thumb", SkinLook::ScrollThumb}, {"folder-icon", SkinLook::FolderIcon},
    {"play-state", SkinLook::PlayState},  {"level-bars", SkinLook::LevelBars},
};

struct IconWord {
    std::string_view word;
    SkinIcon icon;
};
constexpr IconWord kIcons[] = {
    {"play", SkinIcon::Play},         {"pause", SkinIcon::Pause},
    {"stop", SkinIcon::Stop},         {"next", SkinIcon::Next},
    {"previous", SkinIcon::Previous}, {"volume-up", SkinIcon::VolumeUp},
    {"volume-down", SkinIcon::VolumeDown}, {"home", SkinIcon::Home},
    {"list", SkinIcon::List},         {"navigation", SkinIcon::Navigation},
    {"tv", SkinIcon::Tv},             {"music", SkinIcon::Music},
    {"multimedia", SkinIcon::Multimedia}, {"settings", SkinIcon::Settings},
    {"power", SkinIcon::Power},       {"movie", SkinIcon::Movie},
    {"photo", SkinIcon::Photo},       {"game", SkinIcon::Game},
    {"camera", SkinIcon::Camera},     {"brightness", SkinIcon::Brightness},
    {"sound", SkinIcon::Sound},       {"info", SkinIcon::Info},
    {"calibration", SkinIcon::Calibration}, {"add", SkinIcon::Add},
    {"route", SkinIcon::Route},       {"left", SkinIcon::Left},
    {"right", SkinIcon::Right},
    {"mute", SkinIcon::Mute},         {"scan", SkinIcon::Scan},
    {"radio", SkinIcon::Radio},       {"fm", SkinIcon::Fm},
    {"page-up", SkinIcon::PageUp},    {"page-down", SkinIcon::PageDown},
    {"close", SkinIcon::Close},       {"leave-pip", SkinIcon::LeavePip},
};

std::optional<SkinLook> LookFromWord(std::string_view word) {
    for (const auto& entry : kLooks)
        if (entry.word == word) return entry.look;
    return std::nullopt;
}

std::optional<SkinIcon> IconFromWord(std::string_view word) {
    for (const auto& entry : kIcons)
        if (entry.word == word) return entry.icon;
    return std::nullopt;
}

// Parses one line into bitmap, or returns why it cannot.
std::optional<std::string> ParseLine(std::string_view line, SkinBitmap& bitmap) {
    const auto words = SplitWords(line);
    if (!words) return "unclosed quote";
    const auto& w = *words;
    if (w.size() < 5) return "expected: ID WIDTHxHEIGHT FRAMES ROWS LOOK [label \"TEXT\"] [icon NAME] [pitch N]";
    const auto id = ParseNumber(w[0], 0, kMaxBitmapId);
    if (!id) return "bitmap number '" + w[0] + "' is not a number from 0 to 65535";
    const auto size = ParseSize(w[1], kMaxFrameSide);
    if (!size) return "frame size '" + w[1] + "' is not WIDTHxHEIGHT from 1 to 2048";
    const auto frames = ParseNumber(w[2], 1, kMaxFrames);
    if (!frames) return "frame count '" + w[2] + "' is not from 1 to 64";
    const auto rows = ParseNumber(w[3], 1, kMaxFrames);
    if (!rows) return "row count '" + w[3] + "' is not from 1 to 64";
    const auto look = LookFromWord(w[4]);
    if (!look) return "unknown look '" + w[4] + "'";
    bitmap.id = static_cast<uint32_t>(*id);
    bitmap.frame_width = size->width;
    bitmap.frame_height = size->height;
    bitmap.frames = static_cast<int>(*frames);
    bitmap.rows = static_cast<int>(*rows);
    bitmap.look = *look;
    if (bitmap.Width() > kMaxBitmapSide || bitmap.Height() > kMaxBitmapSide)
        return "the whole bitmap is larger than 8192 pixels on a side";
    size_t at = 5;
    while (at < w.size()) {
        if (at + 1 >= w.size()) return "'" + w[at] + "' needs a value";
        const std::string& key = w[at];
        const std::string& value = w[at + 1];
        if (key == "label") {
            if (!bitmap.label.empty()) return "label given twice";
            if (value.empty() || value.size() > kMaxLabelBytes) return "label must be 1 to 256 bytes";
            if (!IsValidUtf8(value)) return "label is not UTF-8";
            bitmap.label = value;
        } else if (key == "icon") {
            if (bitmap.icon != SkinIcon::None) return "icon given twice";
            const auto icon = IconFromWord(value);
            if (!icon) return "unknown icon '" + value + "'";
            bitmap.icon = *icon;
        } else if (key == "pitch") {
            const auto pitch = ParseNumber(value, 1, kMaxFrameSide);
            if (!pitch) return "pitch '" + value + "' is not from 1 to 2048";
            bitmap.pitch = static_cast<int>(*pitch);
        } else {
            return "unknown attribute '" + key + "'";
        }
        at += 2;
    }
    return std::nullopt;
}

}  // namespace

std::string_view LookName(SkinLook look) {
    for (const auto& entry : kLooks)
        if (entry.look == look) return entry.word;
    return "?";
}

std::string_view IconName(SkinIcon icon) {
    for (const auto& entry : kIcons)
        if (entry.icon == icon) return entry.word;
    return "none";
}

std::vector<SkinIcon> NamedIcons() {
    std::vector<SkinIcon> icons;
    for (const auto& entry : kIcons) icons.push_back(entry.icon);
    return icons;
}

SkinDeclaration ParseSkinDeclaration(std::string_view text) {
    SkinDeclaration result;
    std::set<uint32_t> seen;
    ForEachLine(text, Comments::Skip, [&](int number, std::string_view line) {
        SkinBitmap bitmap;
        bitmap.line = number;
        if (auto problem = ParseLine(line, bitmap)) {
            result.errors.push_back({number, std::move(*problem)});
            return;
        }
        if (!seen.insert(bitmap.id).second) {
            result.errors.push_back({number, "bitmap " + std::to_string(bitmap.id) + " declared twice"});
            return;
        }
        result.bitmaps.push_back(std::move(bitmap));
    });
    return result;
}

}  // namespace resources
