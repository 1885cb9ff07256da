#include "fileshelf/browse_modes.h"

#include "fileshelf/name_text.h"

namespace fileshelf {

namespace {

constexpr bool FitsFields(const BrowseMode& mode) {
    return mode.window_name.size() < kModeWindowNameCharacters &&
           mode.playlist_path.size() < kModePlaylistPathCharacters && mode.type_table.size() < kModeTypeTableCharacters;
}
static_assert(FitsFields(kBrowseModes[0]) && FitsFields(kBrowseModes[1]) && FitsFields(kBrowseModes[2]) &&
              FitsFields(kBrowseModes[3]));
static_assert(kDefaultTypeTable.size() < kTypeTableCharacters);

}  // namespace

int FindBrowseMode(std::string_view command_line) {
    for (std::size_t i = 0; i < kBrowseModes.size(); ++i) {
        if (EqualsIgnoringCase(command_line, kBrowseModes[i].window_name)) return static_cast<int>(i);
    }
    return kNoMode;
}

std::optional<BrowseMode> BrowseModeAt(int mode) {
    if (mode < 0 || static_cast<std::size_t>(mode) >= kBrowseModes.size()) return std::nullopt;
    return kBrowseModes[static_cast<std::size_t>(mode)];
}

std::string_view TypeTableOf(int mode) {
    const auto row = BrowseModeAt(mode);
    return row ? row->type_table : kDefaultTypeTable;
}

std::optional<PlaylistResult> PlaylistResultFor(int mode, DialogEnd end, int current_row) {
    if (!BrowseModeAt(mode)) return std::nullopt;
    if (end == DialogEnd::Cancelled) return PlaylistResult{0, 1};
    return PlaylistResult{current_row, 0};
}

std::int32_t TypeCodeOfLetter(char letter) {
    switch (letter) {
    case 'P': return kTypePicture;
    case 'V': return kTypeVideo;
    case 'A': return kTypeAudio;
    case 'T': return kTypeText;
    case 'L': return kTypeList;
    default: return kTypeOther;
    }
}

std::optional<std::string_view> ExtensionOf(std::string_view name) {
    const std::string_view last = LastComponent(name);
    const std::size_t dot = last.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    return last.substr(dot + 1);
}

std::int32_t LookUpType(std::string_view name, std::string_view type_table) {
    const auto extension = ExtensionOf(name);
    if (!extension) return kTypeNotShown;
    std::string_view rest = type_table;
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        const std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);

        const std::size_t colon = entry.find(':');
        if (colon == std::string_view::npos || colon == 0) continue;
        if (StartsWithIgnoringCase(*extension, entry.substr(0, colon))) {
            return colon + 1 < entry.size() ? TypeCodeOfLetter(entry[colon + 1]) : kTypeOther;
        }
    }
    return kTypeNotShown;
}

}  // namespace fileshelf
