// The page server's request rules on any text: the Host and Origin headers, pen points, keys,
// log names and log tails. Each must answer without reading outside its text, and what it lets
// through must keep its promise (a log name never leaves the log folder, a point is on the
// screen, a log's last lines are its end).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/deviceweb/web_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; fields.size() < 6;) {
        const std::size_t end = input.find('\n', start);
        fields.push_back(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    fields.resize(6);
    using namespace deviceweb;
    // A name other than localhost never passes: no DNS rebinding.
    const std::string_view host = fields[0];
    const std::string_view name = !host.empty() && host.front() == '[' ? host.substr(0, host.find(']') + 1)
                                                                       : host.substr(0, host.find(':'));
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const char* listen : {"127.0.0.1", "0.0.0.0", "::1", "192.168.1.20"})
        if (HostAllowed(host, ListenAddress{listen, 8480}) && !IsAddressLiteral(name) && lower != "localhost")
            std::abort();
    (void)OriginAllowed(fields[1], fields[2], fields[0]);
    if (const auto x = ScreenCoordinate(fields[3], 800); x && (*x < 0 || *x >= 800)) std::abort();
    (void)RemoteKeyNamed(fields[3]);
    (void)PenActionNamed(fields[3]);
    (void)BacklightLevel(fields[3]);
    (void)LogLineCount(fields[3]);
    if (LogNameValid(fields[4]) &&
        (fields[4].find('/') != std::string_view::npos || fields[4].front() == '.' || fields[4].size() > 64))
        std::abort();
    const std::string tail = LastLines(fields[5], size % 50);
    if (tail.size() > fields[5].size() || fields[5].substr(fields[5].size() - tail.size()) != tail) std::abort();
    return 0;
}
