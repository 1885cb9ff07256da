#include "server/windows/published_items.h"

namespace server {

std::size_t PublishedItemTable::BytesOf(const PublishedItems& items) {
    std::size_t bytes = 0;
    for (const auto& text : items.texts) bytes += text.size() + sizeof(std::string);
    return bytes;
}

void PublishedItemTable::Publish(std::uint32_t hwnd, PublishedItems items) {
    auto found = m_items.find(hwnd);
    if (found != m_items.end()) m_bytes -= BytesOf(found->second);
    if (m_bytes + BytesOf(items) > kBudgetBytes) items.texts.clear();
    m_bytes += BytesOf(items);
    m_items[hwnd] = std::move(items);
}

const PublishedItems* PublishedItemTable::Find(std::uint32_t hwnd) const {
    auto found = m_items.find(hwnd);
    return found == m_items.end() ? nullptr : &found->second;
}

void PublishedItemTable::Forget(const std::vector<std::uint32_t>& hwnds) {
    for (auto hwnd : hwnds) {
        auto found = m_items.find(hwnd);
        if (found == m_items.end()) continue;
        m_bytes -= BytesOf(found->second);
        m_items.erase(found);
    }
}

}  // namespace server
