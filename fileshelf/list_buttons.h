// Paging, row moves and button states of FileShelf's two lists. Each list is painted a page of
// eight rows at a time; its current row is the page's top row plus the cursor within the page.
// Both lists keep their rows in list-view controls, so these rules work on row indices and
// counts, and say which rows to insert and delete.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace fileshelf {

constexpr int kRowsPerPage = 8;
constexpr int kRowHeight = 32;

struct PagePosition {
    int top = 0;     // always a multiple of kRowsPerPage
    int cursor = 0;  // 0 .. kRowsPerPage - 1
    int CurrentRow() const { return top + cursor; }
    bool operator==(const PagePosition&) const = default;
};

// The page holding a row, with the cursor on it (a negative row counts as row 0).
PagePosition PositionOfRow(int row);

// Page down moves the top down a page when top + 8 is below the row count; page up moves it up a
// page (not below 0) when top > 0. Both put the cursor on the page's first row. Nothing when the
// page does not change.
std::optional<PagePosition> PageDown(PagePosition position, int row_count);
std::optional<PagePosition> PageUp(PagePosition position);

// The row a tap at y (window pixels) lands on: rows are 32 pixels high from y = 1; nothing above
// the first row, past the page, or past the last row.
std::optional<int> TappedRow(int y, int top, int row_count);

// The y of the 64-pixel scroll thumb in a window of client_height pixels: 1 on the first page or
// while the list has fewer than two pages, else moved down evenly per page, the last page putting
// it 5 pixels above the bottom.
int ScrollThumbY(int top, int row_count, int client_height);

// Moving the current play-list row: the row at `from` is inserted again (with its check mark) at
// insert_at, the old one deleted at delete_at (indices valid in that order), and the moved row is
// then at new_row. Nothing for the first row up or the last row down.
struct RowMove {
    int from = 0;
    int insert_at = 0;
    int delete_at = 0;
    int new_row = 0;
    bool operator==(const RowMove&) const = default;
};
enum class MoveDirection { Up, Down };
std::optional<RowMove> PlanRowMove(int current_row, int row_count, MoveDirection direction);

// Applies a move to rows held in a vector, as the list-view control sees it.
template <class Row>
void ApplyRowMove(std::vector<Row>& rows, const RowMove& move) {
    Row moved = rows[static_cast<std::size_t>(move.from)];
    rows.insert(rows.begin() + move.insert_at, std::move(moved));
    rows.erase(rows.begin() + move.delete_at);
}

// The current row after the checked rows were deleted: unchanged while it still exists, else the
// last remaining row; nothing when no rows remain (the list is reset to top = cursor = 0).
std::optional<int> CurrentRowAfterDelete(int current_row, int remaining_rows);

// Buttons of the two lists, by their control ids.
enum ButtonId : int {
    kPlayListPageUp = 1002,
    kPlayListPageDown = 1003,
    kDeleteChecked = 1004,
    kClearPlayList = 1005,
    kMoveUp = 1006,
    kMoveDown = 1007,
    kFileListPageUp = 1008,
    kFileListPageDown = 1009,
    kCheckAll = 1010,
    kUncheckAll = 1011,
    kOpenFolder = 1012,
    kGoUp = 1013,
    kAddChecked = 1014,
    kConfirm = 1015,
    kCancel = 1016,
};
constexpr int kFirstButton = kPlayListPageUp;
constexpr int kButtonCount = kCancel - kFirstButton + 1;

enum class ListSide { PlayList, FileList };
// Which buttons an update sets: 0 the list is empty, 1 its rows were rebuilt or changed,
// 2 a check mark changed, 3 the page changed.
enum class ButtonState { Empty = 0, Rebuilt = 1, CheckChanged = 2, Paged = 3 };

// When a button is enabled.
enum class ButtonRule {
    Disabled,
    Enabled,
    CurrentIsFolder,     // file list: the current row is a folder
    NotTopLevel,         // file list: the current path is not empty
    TopAboveZero,        // a page above
    PageBelow,           // top + 8 below the row count
    AnyChecked,
    CurrentAboveFirst,   // current row > 0
    CurrentBeforeLast,   // current row + 1 below the row count
    HasRows,
};

struct ButtonEntry {
    int id;
    ButtonRule rule;
};
// One update: the buttons it sets; the other buttons keep their state.
struct ButtonUpdate {
    std::array<ButtonEntry, 7> entries{};
    std::size_t count = 0;
};

// What the rules look at.
struct ListFacts {
    PagePosition position;
    int row_count = 0;
    bool any_checked = false;
    bool current_is_folder = false;  // file list only
    bool at_top_level = false;       // file list only
};

const ButtonUpdate& ButtonUpdateFor(ListSide side, ButtonState state);
bool IsEnabled(ButtonRule rule, const ListFacts& facts);

struct ButtonChange {
    int id = 0;
    bool enabled = false;
    bool operator==(const ButtonChange&) const = default;
};
// The buttons an update sets and whether each is enabled, in table order.
std::vector<ButtonChange> ButtonChanges(ListSide side, ButtonState state, const ListFacts& facts);

// The file list's state after it was built: Rebuilt with rows, Empty without.
ButtonState StateAfterBuild(int row_count);

}  // namespace fileshelf
