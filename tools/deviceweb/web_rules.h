// The rules the device's page server applies to every request before anything reaches the
// device: which hosts and origins may use it, what a pen point, a key or a log name may be,
// and how much of a log is shown. Pure functions, tested without a device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace deviceweb {

// Where the page server listens.
struct ListenAddress {
    std::string host;  // an IPv4 or IPv6 literal ("127.0.0.1", "0.0.0.0", "::1")
    int port = 0;
};

// Whether the address is a loopback one (127.0.0.0/8, ::1): only this machine can reach it.
bool IsLoopback(std::string_view host);
// Whether the address is a wildcard (0.0.0.0, ::): every address of the machine.
bool IsWildcard(std::string_view host);
// Whether the text is an IPv4 literal or an IPv6 literal (bare or in brackets).
bool IsAddressLiteral(std::string_view host);

// Whether a request's Host header names the server as it listens: its address with its port
// (":80" may be left out on port 80), "localhost" when it listens on loopback, and any address
// literal when it listens on every address. A name that only resolves to the server (DNS
// rebinding) is never taken: a page of another site cannot reach the device through it.
bool HostAllowed(std::string_view host_header, const ListenAddress& listen);

// Whether a request that changes the device may go on: it comes from the device's own page
// (an Origin of http://<the Host header>) or from no page at all (no Origin: curl, scripts).
// A page of another site, a sandboxed page ("null") and a cross-site fetch are refused.
bool OriginAllowed(std::string_view origin_header, std::string_view sec_fetch_site, std::string_view host_header);

// A screen coordinate as the page sends it: decimal digits only (an optional minus), inside
// [0, limit). Anything else is no point.
std::optional<std::int32_t> ScreenCoordinate(std::string_view text, std::uint32_t limit);

enum class PenAction { Press, Move, Release };
std::optional<PenAction> PenActionNamed(std::string_view name);

// A remote key as the page names it ("1".."9", "left", "right", "ok" or "enter"); the name
// the device's remote control takes, or nothing for any other.
std::optional<std::string> RemoteKeyNamed(std::string_view name);

// A backlight level, 0..100 in decimal.
std::optional<std::uint32_t> BacklightLevel(std::string_view text);

// A program log's name as the device keeps it (MUSIC.EXE, server): letters, digits, '.', '_'
// and '-', not starting with '.', at most 64 characters. The page offers only logs that exist;
// this rule keeps any other text from ever becoming part of a path.
bool LogNameValid(std::string_view name);

// The last `count` lines of a log (a last line without its newline counts).
std::string LastLines(std::string_view text, std::size_t count);

// A count of log lines the page asks for: 1..kMaxLogLines, kDefaultLogLines when not given.
constexpr std::size_t kDefaultLogLines = 40;
constexpr std::size_t kMaxLogLines = 1000;
std::optional<std::size_t> LogLineCount(std::string_view text);

}  // namespace deviceweb
