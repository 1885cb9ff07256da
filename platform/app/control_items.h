// The items of a list box or combo box: texts in order, the selection, and the searches the
// device's messages make. Pure logic, used on the control's own thread; and the publisher that
// tells the device server what the list holds, spaced out so that a list changing many times
// a second costs one publication every kPublishInterval.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_types.h"
#include "platform/window/window.h"

namespace platform::controls {

enum class ItemOrder { AsAdded, Sorted };

class ControlItemList {
public:
    // The most items a list holds, as on the device.
    static constexpr int kMaxItems = 32767;
    static constexpr int kError = -1;       // LB_ERR, CB_ERR
    static constexpr int kNoSpace = -2;     // LB_ERRSPACE, CB_ERRSPACE

    explicit ControlItemList(ItemOrder order = ItemOrder::AsAdded) : m_order(order) {}

    // At the end, or at its place (ignoring case) in a sorted list; its index, or kNoSpace.
    int Add(std::string text);
    // At index (-1: the end) regardless of order; its index, kError past the end, or kNoSpace.
    int Insert(int index, std::string text);
    // The items left, or kError for no such item.
    int Delete(int index);
    void Reset();

    int Count() const { return static_cast<int>(m_items.size()); }
    // Null for no such item.
    const std::string* At(int index) const;
    const std::vector<std::string>& Items() const { return m_items; }

    // The first item after `start` (-1: from the first; the search goes round to the start)
    // equal to text, or beginning with it, ignoring the case of ASCII letters; kError for none.
    int FindExact(int start, std::string_view text) const;
    int FindPrefix(int start, std::string_view text) const;

    // The selected item, -1 for none. Select(-1) clears; false (nothing changes) for no such
    // item. Inserting and deleting keep the same item selected; deleting it clears.
    int Selection() const { return m_selection; }
    bool Select(int index);

private:
    int Find(int start, std::string_view text, bool whole) const;

    ItemOrder m_order;
    std::vector<std::string> m_items;
    int m_selection = -1;
};

// The first item shown when the list asks for `top` and has room for `rows` whole items: a
// list does not scroll past its last page.
int ClampTopIndex(int top, int count, int rows);

// Publishes a control's items to the device server after it changes: at once when the last
// publication is older than kPublishInterval, else when that much time has passed, by the
// control's private message or timer (kPublishItemsMessage, kPublishItemsTimer), which the
// control passes to Publish.
class ItemPublisher {
public:
    static constexpr std::chrono::milliseconds kPublishInterval{100};

    void Changed(HWND control);
    void Publish(HWND control, const ControlItemList& items);

private:
    bool m_scheduled = false;
    std::chrono::steady_clock::time_point m_last{};
};

}  // namespace platform::controls
