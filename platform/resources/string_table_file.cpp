#include "platform/resources/string_table_file.h"

#include <set>

namespace resources {

StringTableFile ParseStringTable(std::string_view text) {
    StringTableFile result;
    std::set<uint32_t> seen;
    if (text.starts_with("\xEF\xBB\xBF")) {
        // The device reads the number from the first byte, so a byte order mark hides line 1.
        result.errors.push_back({1, "byte order mark before the first number"});
        text.remove_prefix(3);
    }
    ForEachLine(text, Comments::Skip, [&](int number, std::string_view line) {
        auto fail = [&](std::string reason) { result.errors.push_back({number, std::move(reason)}); };
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return fail("no tab between the number and the text");
        // The device takes at most ten digits before the tab.
        const auto id = tab > 10 ? std::nullopt : ParseNumber(line.substr(0, tab), 0, UINT32_MAX);
        if (!id) return fail("'" + std::string(line.substr(0, tab)) + "' is not a string number");
        const std::string_view value = line.substr(tab + 1);
        if (!IsValidUtf8(value)) return fail("text is not UTF-8");
        const auto key = static_cast<uint32_t>(*id);
        // The device returns the first line with a number; a later one would never be seen.
        if (!seen.insert(key).second) return fail("string " + std::to_string(key) + " given twice");
        result.entries.push_back({key, std::string(value), number});
    });
    return result;
}

}  // namespace resources
