#include "platform/app/list_view.h"

#include <algorithm>
#include <utility>

namespace {

// The lock is held while a call changes the rows and let go before anyone is told, so that a
// handler may post, send or call the holder again.
using Lock = std::unique_lock<std::mutex>;

}  // namespace

int CListCtrl::InsertColumn(int column, const std::string& heading, int, int width) {
    Lock lock(m_mutex);
    if (column != 0 || m_has_column) return -1;
    m_has_column = true;
    m_heading = heading;
    m_column_width = width;
    return 0;
}

std::string CListCtrl::GetColumnHeading() const {
    Lock lock(m_mutex);
    return m_heading;
}

int CListCtrl::GetColumnWidth(int column) const {
    Lock lock(m_mutex);
    return column == 0 && m_has_column ? m_column_width : 0;
}

DWORD CListCtrl::SetExtendedStyle(DWORD ex_style) {
    std::function<void()> tell;
    DWORD previous = 0;
    {
        Lock lock(m_mutex);
        previous = m_ex_style;
        m_ex_style = ex_style;
        const bool boxes = (ex_style & LVS_EX_CHECKBOXES) != 0;
        if (boxes != ((previous & LVS_EX_CHECKBOXES) != 0)) {
            for (auto& row : m_rows) {
                if (!boxes) row.state_image = 0;
                else if (row.state_image == 0) row.state_image = 1;
            }
            tell = Changed();
        }
    }
    Tell(tell);
    return previous;
}

DWORD CListCtrl::GetExtendedStyle() const {
    Lock lock(m_mutex);
    return m_ex_style;
}

int CListCtrl::InsertItem(int index, const std::string& text, int image) {
    return InsertItem(index, text, nullptr, image);
}

int CListCtrl::InsertItem(int index, const std::string& text, std::unique_ptr<CListRecord> record, int image) {
    if (index < 0) return -1;
    std::function<void()> tell;
    {
        Lock lock(m_mutex);
        index = std::min(index, static_cast<int>(m_rows.size()));
        Row row;
        row.text = text;
        row.image = image;
        row.state_image = (m_ex_style & LVS_EX_CHECKBOXES) ? 1 : 0;
        row.record = std::move(record);
        m_rows.insert(m_rows.begin() + index, std::move(row));
        tell = Changed();
    }
    Tell(tell);
    return index;
}

BOOL CListCtrl::DeleteItem(int index) {
    std::function<void()> tell;
    std::unique_ptr<CListRecord> freed;  // freed once the lock is let go
    {
        Lock lock(m_mutex);
        if (!ValidIndex(index)) return FALSE;
        freed = std::move(m_rows[static_cast<std::size_t>(index)].record);
        m_rows.erase(m_rows.begin() + index);
        ClampTop();
        tell = Changed();
    }
    Tell(tell);
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    std::function<void()> tell;
    std::vector<Row> freed;
    {
        Lock lock(m_mutex);
        freed.swap(m_rows);
        m_top = 0;
        tell = Changed();
    }
    Tell(tell);
    return TRUE;
}

int CListCtrl::GetItemCount() const {
    Lock lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

std::string CListCtrl::GetItemText(int index, int subitem) const {
    Lock lock(m_mutex);
    if (!ValidIndex(index) || subitem != 0) return {};
    return m_rows[static_cast<std::size_t>(index)].text;
}

BOOL CListCtrl::SetItemText(int index, int subitem, const std::string& text) {
    std::function<void()> tell;
    {
        Lock lock(m_mutex);
        if (!ValidIndex(index) || subitem != 0) return FALSE;
        m_rows[static_cast<std::size_t>(index)].text = text;
        tell = Changed();
    }
    Tell(tell);
    return TRUE;
}

int CListCtrl::GetItemImage(int index) const {
    Lock lock(m_mutex);
    return ValidIndex(index) ? m_rows[static_cast<std::size_t>(index)].image : -1;
}

BOOL CListCtrl::SetItemImage(int index, int image) {
    std::function<void()> tell;
    {
        Lock lock(m_mutex);
        if (!ValidIndex(index)) return FALSE;
        m_rows[static_cast<std::size_t>(index)].image = image;
        tell = Changed();
    }
    Tell(tell);
    return TRUE;
}

BOOL CListCtrl::SetItemData(int index, std::unique_ptr<CListRecord> record) {
    std::unique_ptr<CListRecord> replaced;  // freed once the lock is let go
    Lock lock(m_mutex);
    if (!ValidIndex(index)) return FALSE;  // the record given is freed by the caller's frame
    replaced = std::exchange(m_rows[static_cast<std::size_t>(index)].record, std::move(record));
    return TRUE;
}

CListRecord* CListCtrl::GetItemData(int index) const {
    Lock lock(m_mutex);
    return ValidIndex(index) ? m_rows[static_cast<std::size_t>(index)].record.get() : nullptr;
}

std::unique_ptr<CListRecord> CListCtrl::TakeItemData(int index) {
    Lock lock(m_mutex);
    return ValidIndex(index) ? std::move(m_rows[static_cast<std::size_t>(index)].record) : nullptr;
}

BOOL CListCtrl::ReadItemData(int index, const std::function<void(const CListRecord*)>& reader) const {
    Lock lock(m_mutex);
    if (!ValidIndex(index) || !reader) return FALSE;
    reader(m_rows[static_cast<std::size_t>(index)].record.get());
    return TRUE;
}

BOOL CListCtrl::GetCheck(int index) const {
    return GetItemState(index, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? TRUE : FALSE;
}

BOOL CListCtrl::SetCheck(int index, BOOL checked) {
    return SetItemState(index, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) {
    std::function<void()> tell;
    {
        Lock lock(m_mutex);
        if (index != -1 && !ValidIndex(index)) return FALSE;
        const bool every_row = index == -1;
        const bool focusing = (mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED);
        // Focus goes to one row: taking it here drops it everywhere else; "every row" cannot
        // all have it, so a focus asked for every row is not given.
        if (focusing && !every_row)
            for (auto& row : m_rows) row.focused = false;
        for (std::size_t i = every_row ? 0 : static_cast<std::size_t>(index);
             i < (every_row ? m_rows.size() : static_cast<std::size_t>(index) + 1); ++i) {
            Row& row = m_rows[i];
            if (mask & LVIS_SELECTED) row.selected = (state & LVIS_SELECTED) != 0;
            if ((mask & LVIS_FOCUSED) && !(focusing && every_row)) row.focused = focusing;
            if (mask & LVIS_STATEIMAGEMASK) row.state_image = (state & LVIS_STATEIMAGEMASK) >> 12;
        }
        tell = Changed();
    }
    Tell(tell);
    return TRUE;
}

UINT CListCtrl::GetItemState(int index, UINT mask) const {
    Lock lock(m_mutex);
    if (!ValidIndex(index)) return 0;
    const Row& row = m_rows[static_cast<std::size_t>(index)];
    const UINT state = (row.selected ? LVIS_SELECTED : 0) | (row.focused ? LVIS_FOCUSED : 0) |
                       INDEXTOSTATEIMAGEMASK(row.state_image);
    return state & mask;
}

int CListCtrl::GetNextItem(int start, int flags) const {
    Lock lock(m_mutex);
    const std::size_t first = start < 0 ? 0 : static_cast<std::size_t>(start) + 1;
    for (std::size_t i = first; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if ((flags & LVNI_SELECTED) && !row.selected) continue;
        if ((flags & LVNI_FOCUSED) && !row.focused) continue;
        return static_cast<int>(i);
    }
    return -1;
}

void CListCtrl::SetCountPerPage(int rows) {
    Lock lock(m_mutex);
    m_per_page = std::max(rows, 1);
}

int CListCtrl::GetCountPerPage() const {
    Lock lock(m_mutex);
    return m_per_page;
}

int CListCtrl::GetTopIndex() const {
    Lock lock(m_mutex);
    return m_top;
}

BOOL CListCtrl::SetTopIndex(int index) {
    std::function<void()> tell;
    {
        Lock lock(m_mutex);
        if (!ValidIndex(index) && !(index == 0 && m_rows.empty())) return FALSE;
        if (m_top == index) return TRUE;
        m_top = index;
        tell = Changed();
    }
    Tell(tell);
    return TRUE;
}

BOOL CListCtrl::EnsureVisible(int index, BOOL) {
    std::function<void()> tell;
    {
        Lock lock(m_mutex);
        if (!ValidIndex(index)) return FALSE;
        int top = m_top;
        if (index < top) top = index;
        else if (index >= top + m_per_page) top = index - m_per_page + 1;
        if (top == m_top) return TRUE;
        m_top = top;
        tell = Changed();
    }
    Tell(tell);
    return TRUE;
}

void CListCtrl::ClampTop() {
    const int last = std::max(static_cast<int>(m_rows.size()) - 1, 0);
    m_top = std::clamp(m_top, 0, last);
}

ListPageCopy CListCtrl::CopyPage(int top, int rows) const {
    Lock lock(m_mutex);
    return CopyRows(top, rows);
}

ListPageCopy CListCtrl::CopyPage() const {
    Lock lock(m_mutex);
    return CopyRows(m_top, m_per_page);
}

ListPageCopy CListCtrl::CopyRows(int top, int rows) const {
    ListPageCopy page;
    page.top = std::max(top, 0);
    page.item_count = static_cast<int>(m_rows.size());
    const int end = std::min(page.item_count, page.top + std::max(rows, 0));
    for (int i = page.top; i < end; ++i) {
        const Row& row = m_rows[static_cast<std::size_t>(i)];
        page.rows.push_back({i, row.text, row.image, row.state_image, row.selected, row.focused});
    }
    return page;
}

void CListCtrl::SetChangeHandler(std::function<void()> handler) {
    Lock lock(m_mutex);
    m_on_change = std::move(handler);
}

void CListCtrl::NotifyWindowOnChange(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    SetChangeHandler([=] { PostMessage(hwnd, message, wparam, lparam); });
}

void CListCtrl::SetRedraw(BOOL redraw) {
    std::function<void()> tell;
    {
        Lock lock(m_mutex);
        m_redraw = redraw != FALSE;
        if (m_redraw && m_changed_while_off) tell = m_on_change;
        m_changed_while_off = false;
    }
    Tell(tell);
}

std::function<void()> CListCtrl::Changed() {
    if (!m_redraw) {
        m_changed_while_off = true;
        return {};
    }
    return m_on_change;
}
