// Globally unique identifiers: the 128-bit class and interface ids of the media objects, with
// the device's field layout and their textual form "E436EBB3-524F-11CE-9F53-0020AF0BA770".
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32_types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
    constexpr bool operator==(const GUID&) const = default;
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
constexpr bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

namespace platform {

namespace detail {
constexpr int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads `digits` hex digits at text[at]; false when any of them is not a hex digit.
constexpr bool ReadHex(std::string_view text, size_t at, size_t digits, DWORD& out)
{
    out = 0;
    for (size_t i = 0; i < digits; ++i) {
        int digit = HexDigit(text[at + i]);
        if (digit < 0) return false;
        out = (out << 4) | static_cast<DWORD>(digit);
    }
    return true;
}
}  // namespace detail

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (hex digits of either case), optionally inside
// one pair of braces. Anything else — other lengths, misplaced hyphens, spaces, a "0x"
// prefix, a lone brace — is refused.
constexpr std::optional<GUID> ParseGuid(std::string_view text)
{
    if (!text.empty() && text.front() == '{') {
        if (text.size() < 2 || text.back() != '}') return std::nullopt;
        text = text.substr(1, text.size() - 2);
    }
    if (text.size() != 36) return std::nullopt;
    for (size_t hyphen : {8u, 13u, 18u, 23u}) {
        if (text[hyphen] != '-') return std::nullopt;
    }
    GUID guid{};
    DWORD value = 0;
    if (!detail::ReadHex(text, 0, 8, value)) return std::nullopt;
    guid.Data1 = value;
    if (!detail::ReadHex(text, 9, 4, value)) return std::nullopt;
    guid.Data2 = static_cast<WORD>(value);
    if (!detail::ReadHex(text, 14, 4, value)) return std::nullopt;
    guid.Data3 = static_cast<WORD>(value);
    // The fourth group holds Data4[0..1], the last group Data4[2..7].
    constexpr size_t kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (size_t i = 0; i < 8; ++i) {
        if (!detail::ReadHex(text, kByteAt[i], 2, value)) return std::nullopt;
        guid.Data4[i] = static_cast<BYTE>(value);
    }
    return guid;
}

namespace detail {
// Not constexpr on purpose: reaching it while building a constant stops the compile.
inline void MalformedGuidLiteral() {}
}  // namespace detail

// A GUID written in its textual form, checked while compiling: the identifier tables read like
// the ids they stand for, and a mistyped one does not build.
consteval GUID GuidLiteral(std::string_view text)
{
    std::optional<GUID> guid = ParseGuid(text);
    if (!guid) detail::MalformedGuidLiteral();
    return *guid;
}

// The upper-case textual form without braces, as ParseGuid reads it.
std::string FormatGuid(REFGUID guid);

// The GUID as the four 32-bit words it occupies in memory, the form in which the players print
// a class id in their failure messages.
std::array<DWORD, 4> GuidWords(REFGUID guid);

}  // namespace platform
