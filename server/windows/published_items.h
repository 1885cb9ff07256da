// The items of list boxes and combo boxes as their programs last published them, for devicectl
// and the tests. A program publishes a control's whole list after it changes; the server only
// keeps the latest list of each window, within a budget for all of them together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace server {

struct PublishedItems {
    std::int32_t selection = -1;
    std::uint32_t count = 0;         // items the control holds
    std::vector<std::string> texts;  // the first of them
};

class PublishedItemTable {
public:
    // Every window's lists together; a list that would go past it is kept without its texts.
    static constexpr std::size_t kBudgetBytes = 16 * 1024 * 1024;

    void Publish(std::uint32_t hwnd, PublishedItems items);
    const PublishedItems* Find(std::uint32_t hwnd) const;
    void Forget(const std::vector<std::uint32_t>& hwnds);
    std::size_t Bytes() const { return m_bytes; }

private:
    static std::size_t BytesOf(const PublishedItems& items);

    std::unordered_map<std::uint32_t, PublishedItems> m_items;
    std::size_t m_bytes = 0;
};

}  // namespace server
