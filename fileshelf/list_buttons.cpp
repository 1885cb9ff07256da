#include "fileshelf/list_buttons.h"

#include <algorithm>
#include <cstdint>

namespace fileshelf {

namespace {

constexpr int kThumbTravelMargin = 71;  // client height less the thumb's travel

using R = ButtonRule;

constexpr ButtonUpdate MakeUpdate(std::initializer_list<ButtonEntry> entries) {
    ButtonUpdate update;
    for (const ButtonEntry& entry : entries) update.entries[update.count++] = entry;
    return update;
}

// The file list's buttons in each state.
constexpr std::array<ButtonUpdate, 4> kFileListUpdates = {
    MakeUpdate({{kAddChecked, R::Disabled}, {kCheckAll, R::Disabled}, {kUncheckAll, R::Disabled},
                {kFileListPageUp, R::Disabled}, {kFileListPageDown, R::Disabled}, {kOpenFolder, R::Disabled},
                {kGoUp, R::NotTopLevel}}),
    MakeUpdate({{kOpenFolder, R::CurrentIsFolder}, {kGoUp, R::NotTopLevel}, {kFileListPageUp, R::TopAboveZero},
                {kFileListPageDown, R::PageBelow}, {kAddChecked, R::Disabled}, {kCheckAll, R::Enabled},
                {kUncheckAll, R::Enabled}}),
    MakeUpdate({{kOpenFolder, R::CurrentIsFolder}, {kAddChecked, R::AnyChecked}}),
    MakeUpdate({{kOpenFolder, R::CurrentIsFolder}, {kFileListPageUp, R::TopAboveZero},
                {kFileListPageDown, R::PageBelow}}),
};

// The play list's buttons in each state.
constexpr std::array<ButtonUpdate, 4> kPlayListUpdates = {
    MakeUpdate({{kMoveUp, R::Disabled}, {kMoveDown, R::Disabled}, {kPlayListPageUp, R::Disabled},
                {kPlayListPageDown, R::Disabled}, {kDeleteChecked, R::Disabled}, {kClearPlayList, R::Disabled}}),
    MakeUpdate({{kMoveUp, R::CurrentAboveFirst}, {kMoveDown, R::CurrentBeforeLast}, {kPlayListPageUp, R::TopAboveZero},
                {kPlayListPageDown, R::PageBelow}, {kDeleteChecked, R::AnyChecked}, {kClearPlayList, R::HasRows}}),
    MakeUpdate({{kMoveUp, R::CurrentAboveFirst}, {kMoveDown, R::CurrentBeforeLast}, {kDeleteChecked, R::AnyChecked}}),
    MakeUpdate({{kMoveUp, R::CurrentAboveFirst}, {kMoveDown, R::CurrentBeforeLast}, {kPlayListPageUp, R::TopAboveZero},
                {kPlayListPageDown, R::PageBelow}}),
};

}  // namespace

PagePosition PositionOfRow(int row) {
    row = std::max(row, 0);
    return {row - row % kRowsPerPage, row % kRowsPerPage};
}

std::optional<PagePosition> PageDown(PagePosition position, int row_count) {
    if (position.top + kRowsPerPage >= row_count) return std::nullopt;
    return PagePosition{position.top + kRowsPerPage, 0};
}

std::optional<PagePosition> PageUp(PagePosition position) {
    if (position.top <= 0) return std::nullopt;
    return PagePosition{std::max(position.top - kRowsPerPage, 0), 0};
}

std::optional<int> TappedRow(int y, int top, int row_count) {
    if (y < 1) return std::nullopt;
    const int row = (y - 1) / kRowHeight;
    if (row >= kRowsPerPage || top + row >= row_count) return std::nullopt;
    return row;
}

int ScrollThumbY(int top, int row_count, int client_height) {
    const std::int64_t pages = (static_cast<std::int64_t>(std::max(row_count, 0)) + kRowsPerPage - 1) / kRowsPerPage;
    // A top past the last page (rows deleted since) shows the thumb at the bottom.
    const std::int64_t page = std::min<std::int64_t>(std::max(top, 0) / kRowsPerPage, pages - 1);
    if (pages < 2 || page <= 0) return 1;
    const std::int64_t travel = std::max(client_height - kThumbTravelMargin, 0);
    return static_cast<int>(1 + page * travel / (pages - 1) + 1);
}

std::optional<RowMove> PlanRowMove(int current_row, int row_count, MoveDirection direction) {
    if (current_row < 0 || current_row >= row_count) return std::nullopt;
    if (direction == MoveDirection::Up) {
        if (current_row == 0) return std::nullopt;
        return RowMove{current_row, current_row - 1, current_row + 1, current_row - 1};
    }
    if (current_row + 1 >= row_count) return std::nullopt;
    return RowMove{current_row, current_row + 2, current_row, current_row + 1};
}

std::optional<int> CurrentRowAfterDelete(int current_row, int remaining_rows) {
    if (remaining_rows <= 0) return std::nullopt;
    return std::clamp(current_row, 0, remaining_rows - 1);
}

const ButtonUpdate& ButtonUpdateFor(ListSide side, ButtonState state) {
    const auto& table = side == ListSide::FileList ? kFileListUpdates : kPlayListUpdates;
    return table[static_cast<std::size_t>(state)];
}

bool IsEnabled(ButtonRule rule, const ListFacts& facts) {
    const int current = facts.position.CurrentRow();
    switch (rule) {
    case R::Disabled: return false;
    case R::Enabled: return true;
    case R::CurrentIsFolder: return facts.current_is_folder && current < facts.row_count;
    case R::NotTopLevel: return !facts.at_top_level;
    case R::TopAboveZero: return facts.position.top > 0;
    case R::PageBelow: return facts.position.top + kRowsPerPage < facts.row_count;
    case R::AnyChecked: return facts.any_checked;
    case R::CurrentAboveFirst: return current > 0 && current < facts.row_count;
    case R::CurrentBeforeLast: return current + 1 < facts.row_count;
    case R::HasRows: return facts.row_count > 0;
    }
    return false;
}

std::vector<ButtonChange> ButtonChanges(ListSide side, ButtonState state, const ListFacts& facts) {
    const ButtonUpdate& update = ButtonUpdateFor(side, state);
    std::vector<ButtonChange> changes;
    changes.reserve(update.count);
    for (std::size_t i = 0; i < update.count; ++i) {
        changes.push_back({update.entries[i].id, IsEnabled(update.entries[i].rule, facts)});
    }
    return changes;
}

ButtonState StateAfterBuild(int row_count) { return row_count > 0 ? ButtonState::Rebuilt : ButtonState::Empty; }

}  // namespace fileshelf
