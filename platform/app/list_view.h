// The list-view control as the players and the file browser keep it: a holder of rows (text,
// image, check box, selection and focus, one owned record each) that draws nothing. Windows of
// their own paint it, each on its own thread, so the holder is shared: every call takes the
// holder's lock, and a painter takes a copy of one page of rows (CopyPage) and draws from that
// copy outside the lock. No record pointer ever crosses to a painter.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32_types.h"
#include "platform/window/window.h"

// Item states (GetItemState, SetItemState) with the device's numbers. The state image sits in
// bits 12..15: with check boxes on, image 1 is the unchecked box and image 2 the checked one.
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT image) { return (image & 0xF) << 12; }

// GetNextItem searches.
constexpr int LVNI_ALL = 0x0000;
constexpr int LVNI_FOCUSED = 0x0001;
constexpr int LVNI_SELECTED = 0x0002;

// Extended styles the holder acts on (the others are kept for whoever paints).
constexpr DWORD LVS_EX_CHECKBOXES = 0x00000004u;
constexpr DWORD LVS_EX_TRACKSELECT = 0x00000008u;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x00000020u;

constexpr int LVCFMT_LEFT = 0x0000;

// The record a row owns. A program derives its own (path, type, ...) from it; the holder
// deletes it through this virtual destructor when the row goes or the record is replaced.
class CListRecord {
public:
    virtual ~CListRecord() = default;
};

// One row as a painter sees it: copied under the holder's lock.
struct ListRowCopy {
    int index = 0;
    std::string text;
    int image = -1;           // the owner's icon number for the row, -1 for none
    UINT state_image = 0;     // 0 none, 1 unchecked, 2 checked
    bool selected = false;
    bool focused = false;
};

// A page of rows [top, top + rows.size()) and the row count at the moment it was taken.
struct ListPageCopy {
    int top = 0;
    int item_count = 0;
    std::vector<ListRowCopy> rows;
};

class CListCtrl {
public:
    CListCtrl() = default;
    CListCtrl(const CListCtrl&) = delete;
    CListCtrl& operator=(const CListCtrl&) = delete;

    // The one column: index 0 only (0 on success, -1 otherwise).
    int InsertColumn(int column, const std::string& heading, int format = LVCFMT_LEFT, int width = -1);
    std::string GetColumnHeading() const;
    int GetColumnWidth(int column) const;

    // LVS_EX_CHECKBOXES gives every row an unchecked box (state image 1) where it had none;
    // taking it away clears the state images. Returns the previous extended style.
    DWORD SetExtendedStyle(DWORD ex_style);
    DWORD GetExtendedStyle() const;

    // Rows. InsertItem puts a row at index (past the end: at the end) and returns where it
    // went, or -1 for a negative index. Deleting a row frees its record.
    int InsertItem(int index, const std::string& text, int image = -1);
    int InsertItem(int index, const std::string& text, std::unique_ptr<CListRecord> record, int image = -1);
    BOOL DeleteItem(int index);
    BOOL DeleteAllItems();
    int GetItemCount() const;

    std::string GetItemText(int index, int subitem = 0) const;  // empty for no such row
    BOOL SetItemText(int index, int subitem, const std::string& text);
    int GetItemImage(int index) const;  // -1 for no such row or no image
    BOOL SetItemImage(int index, int image);

    // The row's record. SetItemData frees the record it replaces. GetItemData's pointer is the
    // owner's to use on its own thread while the row lives; other threads read a record with
    // ReadItemData, which holds the lock for the call (the callback must not call the holder).
    BOOL SetItemData(int index, std::unique_ptr<CListRecord> record);
    CListRecord* GetItemData(int index) const;
    template <class Record>
    Record* GetItemDataAs(int index) const { return dynamic_cast<Record*>(GetItemData(index)); }
    // Takes the record out of the row without freeing it (the row keeps none): for moving a
    // record to another row.
    std::unique_ptr<CListRecord> TakeItemData(int index);
    BOOL ReadItemData(int index, const std::function<void(const CListRecord*)>& reader) const;

    // Check boxes: TRUE only for the checked box (state image 2); SetCheck sets image 2 or 1.
    BOOL GetCheck(int index) const;
    BOOL SetCheck(int index, BOOL checked = TRUE);

    // LVIS_SELECTED, LVIS_FOCUSED and LVIS_STATEIMAGEMASK under mask; index -1 means every row.
    // One row at most has the focus: focusing a row takes it from the one that had it.
    BOOL SetItemState(int index, UINT state, UINT mask);
    UINT GetItemState(int index, UINT mask) const;
    // The first row after start (-1: from the first row) that has the flags' states; -1 for none.
    int GetNextItem(int start, int flags) const;

    // Scrolling, for a page of GetCountPerPage rows. The top row always names a row (0 when
    // there is none). EnsureVisible scrolls as little as it takes to bring the row into the page.
    void SetCountPerPage(int rows);
    int GetCountPerPage() const;
    int GetTopIndex() const;
    BOOL SetTopIndex(int index);
    BOOL EnsureVisible(int index, BOOL partial_ok = FALSE);

    // The rows [top, top + rows) as they stand, taken in one go under the lock.
    ListPageCopy CopyPage(int top, int rows) const;
    ListPageCopy CopyPage() const;  // from the top row, one page

    // Change notification: after every change a painter would show (rows, texts, images,
    // states, scrolling) the handler runs on the changing thread, outside the lock. With redraw
    // off nothing is told; turning it on tells once if anything changed meanwhile.
    void SetChangeHandler(std::function<void()> handler);
    // The handler most painters want: post message to the window on every change.
    void NotifyWindowOnChange(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
    void SetRedraw(BOOL redraw = TRUE);

private:
    struct Row {
        std::string text;
        int image = -1;
        UINT state_image = 0;
        bool selected = false;
        bool focused = false;
        std::unique_ptr<CListRecord> record;
    };

    bool ValidIndex(int index) const { return index >= 0 && static_cast<std::size_t>(index) < m_rows.size(); }
    void ClampTop();
    ListPageCopy CopyRows(int top, int rows) const;
    // Marks a change under the lock; returns the handler to run once the lock is let go.
    std::function<void()> Changed();
    static void Tell(const std::function<void()>& handler) {
        if (handler) handler();
    }

    mutable std::mutex m_mutex;
    std::vector<Row> m_rows;
    std::string m_heading;
    int m_column_width = -1;
    bool m_has_column = false;
    DWORD m_ex_style = 0;
    int m_top = 0;
    int m_per_page = 1;
    bool m_redraw = true;
    bool m_changed_while_off = false;
    std::function<void()> m_on_change;
};
