#include "tools/deviceweb/web_rules.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace deviceweb {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal number of at most nine digits (no sign, no spaces).
std::optional<std::uint32_t> SmallNumber(std::string_view text) {
    if (!AllDigits(text) || text.size() > 9) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) value = value * 10 + static_cast<std::uint32_t>(c - '0');
    return value;
}

std::string_view Unbracketed(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
    return host;
}

// The address's bytes (4 for IPv4, 16 for IPv6); nothing for a text that is no literal.
std::optional<std::array<unsigned char, 16>> AddressBytes(std::string_view host, int& family) {
    const std::string text(Unbracketed(host));
    std::array<unsigned char, 16> bytes{};
    if (text.size() < 64 && inet_pton(AF_INET, text.c_str(), bytes.data()) == 1) {
        family = AF_INET;
        return bytes;
    }
    if (text.size() < 64 && inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1) {
        family = AF_INET6;
        return bytes;
    }
    return std::nullopt;
}

bool SameAddress(std::string_view a, std::string_view b) {
    int family_a = 0, family_b = 0;
    const auto bytes_a = AddressBytes(a, family_a);
    const auto bytes_b = AddressBytes(b, family_b);
    return bytes_a && bytes_b && family_a == family_b && *bytes_a == *bytes_b;
}

}  // namespace

bool IsAddressLiteral(std::string_view host) {
    int family = 0;
    return AddressBytes(host, family).has_value();
}

bool IsLoopback(std::string_view host) {
    int family = 0;
    const auto bytes = AddressBytes(host, family);
    if (!bytes) return false;
    if (family == AF_INET) return (*bytes)[0] == 127;
    static constexpr std::array<unsigned char, 16> kLoopback6{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return *bytes == kLoopback6;
}

bool IsWildcard(std::string_view host) {
    int family = 0;
    const auto bytes = AddressBytes(host, family);
    if (!bytes) return false;
    const std::size_t length = family == AF_INET ? 4 : 16;
    return std::all_of(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(length),
                       [](unsigned char b) { return b == 0; });
}

bool HostAllowed(std::string_view host_header, const ListenAddress& listen) {
    // Split "name:port", "[v6]:port", "name" or "[v6]".
    std::string_view name = host_header;
    std::string_view port;
    if (!name.empty() && name.front() == '[') {
        const auto close = name.find(']');
        if (close == std::string_view::npos) return false;
        const std::string_view rest = name.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return false;
        port = rest.empty() ? std::string_view{} : rest.substr(1);
        name = name.substr(0, close + 1);
        if (!rest.empty() && port.empty()) return false;
    } else {
        const auto colon = name.find(':');
        if (colon != std::string_view::npos) {
            if (name.find(':', colon + 1) != std::string_view::npos) return false;  // a bare IPv6 literal
            port = name.substr(colon + 1);
            name = name.substr(0, colon);
            if (port.empty()) return false;
        }
    }
    if (name.empty()) return false;
    if (port.empty()) {
        if (listen.port != 80) return false;
    } else {
        const auto number = SmallNumber(port);
        if (!number || static_cast<int>(*number) != listen.port) return false;
    }
    if (name.front() == '[' && !IsAddressLiteral(name)) return false;
    if (SameAddress(name, listen.host)) return true;
    const bool everywhere = IsWildcard(listen.host);
    if ((everywhere || IsLoopback(listen.host)) && EqualIgnoringCase(name, "localhost")) return true;
    return everywhere && IsAddressLiteral(name);
}

bool OriginAllowed(std::string_view origin_header, std::string_view sec_fetch_site, std::string_view host_header) {
    if (!sec_fetch_site.empty() && sec_fetch_site != "same-origin" && sec_fetch_site != "none") return false;
    if (origin_header.empty()) return true;
    constexpr std::string_view kScheme = "http://";
    return origin_header.size() > kScheme.size() && EqualIgnoringCase(origin_header.substr(0, kScheme.size()), kScheme) &&
           EqualIgnoringCase(origin_header.substr(kScheme.size()), host_header);
}

std::optional<std::int32_t> ScreenCoordinate(std::string_view text, std::uint32_t limit) {
    const auto value = SmallNumber(text);
    if (!value || *value >= limit) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<PenAction> PenActionNamed(std::string_view name) {
    if (name == "press") return PenAction::Press;
    if (name == "move") return PenAction::Move;
    if (name == "release") return PenAction::Release;
    return std::nullopt;
}

std::optional<std::string> RemoteKeyNamed(std::string_view name) {
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '9') return std::string(name);
    if (name == "left" || name == "right" || name == "enter") return std::string(name);
    if (name == "ok") return std::string("enter");
    return std::nullopt;
}

std::optional<std::uint32_t> BacklightLevel(std::string_view text) {
    const auto value = SmallNumber(text);
    if (!value || *value > 100) return std::nullopt;
    return value;
}

bool LogNameValid(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
    });
}

std::string LastLines(std::string_view text, std::size_t count) {
    if (count == 0 || text.empty()) return {};
    // Walk back over `count` line ends, not counting the one that closes the last line.
    std::size_t end = text.size();
    if (text.back() == '\n') --end;
    std::size_t start = end;
    std::size_t lines = 0;
    while (start > 0) {
        if (text[start - 1] == '\n' && ++lines == count) break;
        --start;
    }
    return std::string(text.substr(start));
}

std::optional<std::size_t> LogLineCount(std::string_view text) {
    if (text.empty()) return kDefaultLogLines;
    const auto value = SmallNumber(text);
    if (!value || *value == 0 || *value > kMaxLogLines) return std::nullopt;
    return static_cast<std::size_t>(*value);
}

}  // namespace deviceweb
