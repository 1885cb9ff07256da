#include "fileshelf/file_entries.h"

#include <algorithm>

#include "fileshelf/browse_modes.h"
#include "fileshelf/name_text.h"

namespace fileshelf {

namespace {

constexpr std::string_view kVolumeFolderNames[] = {kStorageCardRoot.substr(1), kUsbDriveRoot.substr(1)};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t DigitRunEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at;
}

std::size_t SkipZeros(std::string_view text, std::size_t at, std::size_t end) {
    while (at < end && text[at] == '0') ++at;
    return at;
}

// Compares the texts as sequences of elements: a maximal run of digits is one element, ordered
// by its value, and any other byte is one element, ordered with its ASCII case folded. A run of
// digits against another byte compares as any digit would, so the elements are totally
// preordered and the sequences compare lexicographically.
int CompareNatural(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t a_end = DigitRunEnd(a, i), b_end = DigitRunEnd(b, j);
            const std::size_t a_first = SkipZeros(a, i, a_end), b_first = SkipZeros(b, j, b_end);
            const std::size_t a_digits = a_end - a_first, b_digits = b_end - b_first;
            if (a_digits != b_digits) return a_digits < b_digits ? -1 : 1;
            if (const int order = CompareBytes(a.substr(a_first, a_digits), b.substr(b_first, b_digits))) return order;
            i = a_end;
            j = b_end;
            continue;
        }
        const auto left = static_cast<unsigned char>(FoldCase(a[i]));
        const auto right = static_cast<unsigned char>(FoldCase(b[j]));
        if (left != right) return left < right ? -1 : 1;
        ++i;
        ++j;
    }
    const bool a_left = i < a.size(), b_left = j < b.size();
    return static_cast<int>(a_left) - static_cast<int>(b_left);
}

}  // namespace

std::string_view FileDisplayName(std::string_view name_or_path) {
    const std::string_view name = LastComponent(name_or_path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::optional<ListItem> MakeFileListItem(std::string_view name, EntryKind kind, std::string_view type_table,
                                         Listing listing) {
    if (name.empty() || name.front() == '.') return std::nullopt;
    if (kind == EntryKind::Folder) {
        if (listing == Listing::FilesToAdd) return std::nullopt;
        if (listing == Listing::TopLevel &&
            std::none_of(std::begin(kVolumeFolderNames), std::end(kVolumeFolderNames),
                         [&](std::string_view volume) { return EqualsIgnoringCase(name, volume); })) {
            return std::nullopt;
        }
        return ListItem{std::string(name), std::string(name), kTypeFolder, ItemKind::Folder};
    }
    if (listing == Listing::TopLevel) return std::nullopt;
    const std::int32_t type = LookUpType(name, type_table);
    if (type == kTypeNotShown) return std::nullopt;
    return ListItem{std::string(name), std::string(FileDisplayName(name)), type, ItemKind::File};
}

ListItem MakePlayListItem(std::string_view full_path) {
    return ListItem{std::string(full_path), std::string(FileDisplayName(full_path)), 0, ItemKind::Unset};
}

ListItem MakePlayListItem(const ListItem& file_item, std::string_view full_path) {
    ListItem item = file_item;
    item.path = std::string(full_path);
    return item;
}

int CompareNames(std::string_view a, std::string_view b, NameOrder order) {
    if (order == NameOrder::Natural) {
        if (const int by_value = CompareNatural(a, b)) return by_value;
    }
    return CompareIgnoringCase(a, b);
}

bool FileListOrder::operator()(const ListItem& a, const ListItem& b) const {
    const int a_rank = a.kind == ItemKind::Folder ? 0 : 1;
    const int b_rank = b.kind == ItemKind::Folder ? 0 : 1;
    if (a_rank != b_rank) return a_rank < b_rank;
    if (const int by_display = CompareNames(a.display_name, b.display_name, order)) return by_display < 0;
    if (const int by_path = CompareNames(a.path, b.path, order)) return by_path < 0;
    return CompareBytes(a.path, b.path) < 0;
}

void SortFileList(std::vector<ListItem>& rows, NameOrder order) {
    std::stable_sort(rows.begin(), rows.end(), FileListOrder{order});
}

std::size_t RowToSelect(const std::vector<ListItem>& rows, std::string_view folder_just_left) {
    if (folder_just_left.empty()) return 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (EqualsIgnoringCase(rows[i].display_name, folder_just_left)) return i;
    }
    return 0;
}

std::string_view TitleOf(std::string_view current_path) {
    return current_path.empty() ? kTopLevelTitle : current_path;
}

std::optional<std::string> ChildFolderPath(std::string_view current_path, std::string_view folder_name) {
    std::string path = JoinPath(current_path, folder_name);
    if (Utf16Length(path) > kMaxPathCharacters) return std::nullopt;
    return path;
}

std::optional<ParentStep> ParentFolder(std::string_view current_path) {
    if (current_path.empty()) return std::nullopt;
    const std::size_t separator = current_path.find_last_of("\\/");
    if (separator == std::string_view::npos) return ParentStep{std::string(), std::string(current_path)};
    return ParentStep{std::string(current_path.substr(0, separator)), std::string(current_path.substr(separator + 1))};
}

std::string JoinPath(std::string_view folder_path, std::string_view name) {
    std::string path;
    path.reserve(folder_path.size() + 1 + name.size());
    path.append(folder_path).append(1, '\\').append(name);
    return path;
}

PathFit CheckPlayListPath(std::string_view full_path, const CodePageLength& code_page_length) {
    if (Utf16Length(full_path) > kMaxPathCharacters) return PathFit::TooManyCharacters;
    if (full_path.size() <= kMaxPlaylistLineBytes) return PathFit::Fits;
    const std::size_t bytes = code_page_length ? code_page_length(full_path) : full_path.size();
    return bytes > kMaxPlaylistLineBytes ? PathFit::TooManyCodePageBytes : PathFit::Fits;
}

std::string PlayListPaths::KeyOf(std::string_view full_path) {
    std::string key(full_path);
    for (char& c : key) c = FoldCase(c);
    return key;
}

void PlayListPaths::Remember(std::string_view full_path) { m_keys.insert(KeyOf(full_path)); }

bool PlayListPaths::TryAdd(std::string_view full_path) { return m_keys.insert(KeyOf(full_path)).second; }

bool PlayListPaths::Contains(std::string_view full_path) const { return m_keys.count(KeyOf(full_path)) != 0; }

std::optional<ListItem> PlayListItemToAdd(std::string_view folder_path, const ListItem& file_item,
                                          PlayListPaths& paths, const CodePageLength& code_page_length) {
    std::string full_path = JoinPath(folder_path, file_item.path);
    if (CheckPlayListPath(full_path, code_page_length) != PathFit::Fits) return std::nullopt;
    if (!paths.TryAdd(full_path)) return std::nullopt;
    return MakePlayListItem(file_item, full_path);
}

bool VolumeChangeAffectsView(std::string_view current_path, VolumePresence before, VolumePresence now) {
    if (before == now) return false;
    if (current_path.empty()) return true;
    // Both volumes may come or go between two looks; each one that changed is checked on its own.
    if (before.storage_card != now.storage_card && StartsWithIgnoringCase(current_path, kStorageCardRoot)) return true;
    if (before.usb_drive != now.usb_drive && StartsWithIgnoringCase(current_path, kUsbDriveRoot)) return true;
    return false;
}

}  // namespace fileshelf
