#include "platform/app/control_items.h"

#include <algorithm>

#include "platform/app/control_parts.h"
#include "platform/kernel/server_connection.h"

namespace platform::controls {
namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Fold(x)) < static_cast<unsigned char>(Fold(y));
    });
}

}  // namespace

int ControlItemList::Add(std::string text) {
    if (Count() >= kMaxItems) return kNoSpace;
    if (m_order == ItemOrder::AsAdded) return Insert(-1, std::move(text));
    // After the items equal to it, so equal items keep the order they came in.
    const auto at = std::upper_bound(m_items.begin(), m_items.end(), text, LessIgnoringCase);
    return Insert(static_cast<int>(at - m_items.begin()), std::move(text));
}

int ControlItemList::Insert(int index, std::string text) {
    if (Count() >= kMaxItems) return kNoSpace;
    if (index == -1) index = Count();
    if (index < 0 || index > Count()) return kError;
    m_items.insert(m_items.begin() + index, std::move(text));
    if (m_selection >= index) ++m_selection;
    return index;
}

int ControlItemList::Delete(int index) {
    if (index < 0 || index >= Count()) return kError;
    m_items.erase(m_items.begin() + index);
    if (m_selection == index) m_selection = -1;
    else if (m_selection > index) --m_selection;
    return Count();
}

void ControlItemList::Reset() {
    m_items.clear();
    m_selection = -1;
}

const std::string* ControlItemList::At(int index) const {
    return index >= 0 && index < Count() ? &m_items[static_cast<std::size_t>(index)] : nullptr;
}

int ControlItemList::Find(int start, std::string_view text, bool whole) const {
    const int count = Count();
    if (count == 0) return kError;
    // A start outside the list searches it all, as from the first.
    const int first = (start < 0 || start >= count) ? 0 : start + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        const std::string& item = m_items[static_cast<std::size_t>(index)];
        const bool match = whole ? SameIgnoringCase(item, text)
                                 : item.size() >= text.size() && SameIgnoringCase(std::string_view(item).substr(0, text.size()), text);
        if (match) return index;
    }
    return kError;
}

int ControlItemList::FindExact(int start, std::string_view text) const { return Find(start, text, true); }
int ControlItemList::FindPrefix(int start, std::string_view text) const { return Find(start, text, false); }

bool ControlItemList::Select(int index) {
    if (index != -1 && !At(index)) return false;
    m_selection = index;
    return true;
}

int ClampTopIndex(int top, int count, int rows) {
    const int last_page = std::max(0, count - std::max(1, rows));
    return std::clamp(top, 0, last_page);
}

void ItemPublisher::Changed(HWND control) {
    if (m_scheduled) return;
    m_scheduled = true;
    const auto since = std::chrono::steady_clock::now() - m_last;
    if (since >= kPublishInterval) {
        PostMessage(control, kPublishItemsMessage, 0, 0);
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(kPublishInterval - since);
    SetTimer(control, kPublishItemsTimer, static_cast<UINT>(std::max<long long>(1, wait.count())), nullptr);
}

void ItemPublisher::Publish(HWND control, const ControlItemList& items) {
    KillTimer(control, kPublishItemsTimer);
    m_scheduled = false;
    m_last = std::chrono::steady_clock::now();
    protocol::PublishControlItemsRequest request;
    request.hwnd = WindowNumber(control);
    request.selection = items.Selection();
    request.count = static_cast<std::uint32_t>(items.Count());
    std::size_t bytes = 0;
    for (const auto& text : items.Items()) {
        const std::size_t size = std::min(text.size(), protocol::kMaxPublishedItemText);
        if (bytes + size > protocol::kMaxPublishedItemBytes) break;
        request.items.push_back(text.substr(0, size));
        bytes += size;
    }
    if (auto* connection = ServerConnection::Current()) connection->Post(request);
}

}  // namespace platform::controls
