// The rows of FileShelf's two lists: which entries of a folder the file list shows and under
// what name, how it orders them, where the folder commands lead, and which files may join the
// play list. Names and paths are UTF-8, as the platform's find-file calls return them in
// WIN32_FIND_DATA::cFileName, so the dialog passes them on unconverted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace fileshelf {

// The volumes FileShelf browses; at the top level only folders with these names are listed.
constexpr std::string_view kStorageCardRoot = "\\STORAGE CARD";
constexpr std::string_view kUsbDriveRoot = "\\USB DRIVE";
// The title over the file list at the top level: "파일목록" ("file list").
constexpr std::string_view kTopLevelTitle = "\xED\x8C\x8C\xEC\x9D\xBC\xEB\xAA\xA9\xEB\xA1\x9D";

// Every path and name buffer of a row holds 260 UTF-16 characters with the terminating zero, and
// a playlist line read back keeps at most 259 bytes of the system code page.
constexpr std::size_t kMaxPathCharacters = 259;
constexpr std::size_t kMaxPlaylistLineBytes = 259;

enum class ItemKind : std::int32_t { Folder = -1, Unset = 0, File = 1 };

// One row of either list. In the file list `path` is the bare name, in the play list the full
// path; rows loaded from the playlist file carry only the path and display name.
struct ListItem {
    std::string path;
    std::string display_name;
    std::int32_t type_code = 0;
    ItemKind kind = ItemKind::Unset;
    bool operator==(const ListItem&) const = default;
};

enum class EntryKind { File, Folder };
// What is being enumerated: the top level (only the volume folders), a folder for the file list,
// or a checked folder whose files are added to the play list (subfolders left out).
enum class Listing { TopLevel, Folder, FilesToAdd };

// What the lists show for a file: the name without its extension (the text before the last '.'),
// taken from the part after the last '\' or '/'. A folder shows its whole name.
std::string_view FileDisplayName(std::string_view name_or_path);

// The file-list row for one enumerated entry, or nothing when the entry is not listed: names
// beginning with '.', files whose type is not in the table, at the top level anything but the
// folders "STORAGE CARD" and "USB DRIVE" (ignoring case), and folders when adding files.
std::optional<ListItem> MakeFileListItem(std::string_view name, EntryKind kind, std::string_view type_table,
                                         Listing listing);

// A play-list row read from the playlist file: the path and its display name, nothing else.
ListItem MakePlayListItem(std::string_view full_path);
// A play-list row added from a file-list row: a copy of it with the full path.
ListItem MakePlayListItem(const ListItem& file_item, std::string_view full_path);

// The file list's order: folders before files, then display names ignoring case, then the names
// ignoring case, then the names' bytes, so that no two distinct rows tie. It is a strict weak
// order for any text. Natural order compares runs of digits by their value, so "Track 2" comes
// before "Track 10"; numbers of equal value ("2", "02") then fall back to the plain order.
enum class NameOrder { Plain, Natural };
int CompareNames(std::string_view a, std::string_view b, NameOrder order);
struct FileListOrder {
    NameOrder order = NameOrder::Plain;
    bool operator()(const ListItem& a, const ListItem& b) const;
};
void SortFileList(std::vector<ListItem>& rows, NameOrder order = NameOrder::Plain);

// The row to select after a build: the first whose display name equals the folder just left,
// ignoring case, else row 0.
std::size_t RowToSelect(const std::vector<ListItem>& rows, std::string_view folder_just_left);

// The text over the file list: the current folder, or kTopLevelTitle at the top level.
std::string_view TitleOf(std::string_view current_path);

// The folder an open command leads to: current path + '\' + folder name. Nothing when the result
// would not fit the 260-character path buffer; the view then stays where it is.
std::optional<std::string> ChildFolderPath(std::string_view current_path, std::string_view folder_name);

// Going up: the path cut before its last '\' or '/' (empty when it has none) and the last
// component, which the rebuilt list reselects. Nothing at the top level.
struct ParentStep {
    std::string path;
    std::string folder_just_left;
};
std::optional<ParentStep> ParentFolder(std::string_view current_path);

// The full path of a file inside a folder: folder + '\' + name.
std::string JoinPath(std::string_view folder_path, std::string_view name);

// Whether a file may join the play list. Its path must fit a row's 260-character buffer and,
// written to the playlist file in the system code page, a line of 259 bytes, or the players would
// read it back cut off. code_page_length gives a path's byte length in the system code page; it
// is asked only when the UTF-8 text is longer than that, since a character never takes more
// bytes in the device's single- and double-byte code pages than in UTF-8; without one, the UTF-8
// length stands in for it.
enum class PathFit { Fits, TooManyCharacters, TooManyCodePageBytes };
using CodePageLength = std::function<std::size_t(std::string_view utf8)>;
PathFit CheckPlayListPath(std::string_view full_path, const CodePageLength& code_page_length);

// The play list's duplicate rule: a file is not added when a row already has its path, ignoring
// case (as the device's file system names files). Build it from the play list's rows at the start
// of an add; it does not follow rows deleted later. Rows that were already duplicates in the
// playlist file stay as they are.
class PlayListPaths {
public:
    void Reserve(std::size_t count) { m_keys.reserve(count); }
    // Notes a row already in the play list.
    void Remember(std::string_view full_path);
    // True, and notes it, when no row has this path yet.
    [[nodiscard]] bool TryAdd(std::string_view full_path);
    bool Contains(std::string_view full_path) const;
    std::size_t Size() const { return m_keys.size(); }

private:
    static std::string KeyOf(std::string_view full_path);
    std::unordered_set<std::string> m_keys;
};

// Adding one file of the file list to the play list: the row to append (its full path is
// folder_path + '\' + its name), or nothing when its path does not fit or a row has it already.
std::optional<ListItem> PlayListItemToAdd(std::string_view folder_path, const ListItem& file_item,
                                          PlayListPaths& paths, const CodePageLength& code_page_length);

// Whether a change of the volumes' presence pushes the view back to the top level: at the top
// level always; inside a volume when that volume came or went.
struct VolumePresence {
    bool storage_card = false;
    bool usb_drive = false;
    bool operator==(const VolumePresence&) const = default;
};
bool VolumeChangeAffectsView(std::string_view current_path, VolumePresence before, VolumePresence now);

}  // namespace fileshelf
