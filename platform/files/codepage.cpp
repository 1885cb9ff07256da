#include "platform/files/codepage.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <string>

#include "platform/device_root.h"
#include "platform/kernel/last_error.h"

namespace platform {
namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';
constexpr const char* kUtf16Name = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// The iconv name of a device code page.
std::string IconvName(UINT code_page) {
    switch (code_page) {
        case CP_UTF8: return "UTF-8";
        case 20127: return "ASCII";
        case 28591: return "ISO-8859-1";
        default: return "CP" + std::to_string(code_page);
    }
}

// Code pages whose bytes below 0x80 are ASCII and never part of a multi-byte character, so pure
// ASCII text converts one byte to one code unit without asking iconv.
bool IsAsciiCompatible(UINT code_page) {
    switch (code_page) {
        case CP_UTF8: case 949: case 936: case 950: case 20127: case 28591:
        case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256: case 1257: case 1258:
            return true;
        default:
            return false;
    }
}

// iconv descriptors are costly to open and not thread-safe: each thread keeps its own.
class ConverterCache {
public:
    ~ConverterCache() {
        for (auto& [key, descriptor] : m_descriptors) iconv_close(descriptor);
    }
    iconv_t Get(const std::string& to, const std::string& from) {
        auto key = to + "<" + from;
        auto found = m_descriptors.find(key);
        if (found != m_descriptors.end()) {
            iconv(found->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
            return found->second;
        }
        iconv_t descriptor = iconv_open(to.c_str(), from.c_str());
        if (descriptor == reinterpret_cast<iconv_t>(-1)) return descriptor;
        m_descriptors.emplace(std::move(key), descriptor);
        return descriptor;
    }

private:
    std::map<std::string, iconv_t> m_descriptors;
};

iconv_t Converter(const std::string& to, const std::string& from) {
    thread_local ConverterCache cache;
    return cache.Get(to, from);
}

bool IsAscii(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    }
    return true;
}

bool IsAscii(const char16_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (text[i] >= 0x80) return false;
    }
    return true;
}

// Whether iconv converts a piece of input without an error (from the initial state).
bool ConvertsCleanly(iconv_t descriptor, const char* input, size_t input_bytes) {
    thread_local std::string scratch;
    scratch.resize(input_bytes * 4 + 16);
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input);
    size_t in_left = input_bytes;
    char* out = scratch.data();
    size_t out_left = scratch.size();
    const bool clean = iconv(descriptor, &in, &in_left, &out, &out_left) != static_cast<size_t>(-1);
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    return clean;
}

// Runs iconv over a whole text. Input that does not convert (an invalid or cut-off sequence, or
// a character the target lacks) becomes `substitute` and the conversion goes on after it: one
// byte further for multi-byte input, one character (a surrogate pair counts as one) for UTF-16.
// False when either side is unknown.
bool ConvertWhole(const std::string& to, const std::string& from, bool from_utf16, const char* input,
                  size_t input_bytes, std::string_view substitute, std::string& out, bool& used_substitute) {
    used_substitute = false;
    iconv_t descriptor = Converter(to, from);
    if (descriptor == reinterpret_cast<iconv_t>(-1)) return false;
    out.resize(input_bytes * 2 + 16);
    char* in = const_cast<char*>(input);
    size_t in_left = input_bytes;
    size_t used = 0;
    while (in_left > 0) {
        char* const call_start = in;
        char* out_pointer = out.data() + used;
        size_t out_left = out.size() - used;
        const size_t result = iconv(descriptor, &in, &in_left, &out_pointer, &out_left);
        used = out.size() - out_left;
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        if (out.size() - used < substitute.size()) out.resize(out.size() + substitute.size() + 16);
        std::memcpy(out.data() + used, substitute.data(), substitute.size());
        used += substitute.size();
        used_substitute = true;
        // Normally the input stops at the start of the bad sequence. glibc's UHC (code page 949)
        // converter instead consumes some unassigned codes (A2 E8, for one) before reporting them:
        // then the bad sequence lies behind the input pointer and nothing more is skipped.
        if (in_left == 0 || (in != call_start && !ConvertsCleanly(descriptor, call_start, static_cast<size_t>(in - call_start)))) {
            iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        size_t skip = 1;
        if (from_utf16) {
            skip = in_left >= sizeof(char16_t) ? sizeof(char16_t) : in_left;
            char16_t unit = 0;
            std::memcpy(&unit, in, skip);
            if (unit >= 0xD800 && unit < 0xDC00 && in_left >= 2 * sizeof(char16_t)) {
                char16_t next = 0;
                std::memcpy(&next, in + sizeof(char16_t), sizeof(char16_t));
                if (next >= 0xDC00 && next < 0xE000) skip = 2 * sizeof(char16_t);
            }
        }
        in += skip;
        in_left -= skip;
        iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return true;
}

const std::string_view kReplacementUtf16(reinterpret_cast<const char*>(&kReplacementCharacter), sizeof(char16_t));
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Multi-byte text to UTF-16; a byte that does not start a valid character becomes U+FFFD.
bool ToWide(UINT code_page, const char* text, size_t length, std::u16string& out) {
    out.clear();
    if (length == 0) return true;
    if (IsAsciiCompatible(code_page) && IsAscii(text, length)) {
        out.assign(text, text + length);
        return true;
    }
    std::string bytes;
    bool used = false;
    if (!ConvertWhole(kUtf16Name, IconvName(code_page), false, text, length, kReplacementUtf16, bytes, used)) return false;
    out.resize(bytes.size() / sizeof(char16_t));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(char16_t));
    return true;
}

// UTF-16 to multi-byte text; a character the code page lacks (or a lone surrogate) becomes the
// default character.
bool FromWide(UINT code_page, const char16_t* wide, size_t length, std::string_view default_character,
              std::string& out, bool& used_default) {
    out.clear();
    used_default = false;
    if (length == 0) return true;
    if (IsAsciiCompatible(code_page) && IsAscii(wide, length)) {
        out.resize(length);
        for (size_t i = 0; i < length; ++i) out[i] = static_cast<char>(wide[i]);
        return true;
    }
    return ConvertWhole(IconvName(code_page), kUtf16Name, true, reinterpret_cast<const char*>(wide),
                        length * sizeof(char16_t), default_character, out, used_default);
}

UINT Resolve(UINT code_page) {
    // CP_OEMCP (1) and CP_MACCP (2) stand for the system code page on the device as well.
    return (code_page == CP_ACP || code_page == 1 || code_page == 2) ? SystemCodePage() : code_page;
}

}  // namespace

UINT SystemCodePage() {
    const long value = Config().GetInt("codepage", 949);
    return value > 0 && value < 65536 ? static_cast<UINT>(value) : 949u;
}

std::u16string CodePageToWide(UINT code_page, std::string_view text) {
    std::u16string out;
    ToWide(Resolve(code_page), text.data(), text.size(), out);
    return out;
}

std::string WideToCodePage(UINT code_page, std::u16string_view wide) {
    std::string out;
    bool used_default = false;
    const UINT resolved = Resolve(code_page);
    FromWide(resolved, wide.data(), wide.size(), resolved == CP_UTF8 ? kReplacementUtf8 : std::string_view("?"), out,
             used_default);
    return out;
}

std::string CodePageToUtf8(UINT code_page, std::string_view text) {
    const UINT resolved = Resolve(code_page);
    if (IsAsciiCompatible(resolved) && IsAscii(text.data(), text.size())) return std::string(text);
    // One pass from the code page to UTF-8; UTF-8 input is checked the same way, so invalid
    // sequences become U+FFFD.
    std::string out;
    bool used = false;
    if (!ConvertWhole("UTF-8", IconvName(resolved), false, text.data(), text.size(), kReplacementUtf8, out, used)) {
        out.clear();
    }
    return out;
}

std::string Utf8ToCodePage(UINT code_page, std::string_view utf8) {
    const UINT resolved = Resolve(code_page);
    if (resolved != CP_UTF8 && IsAsciiCompatible(resolved) && IsAscii(utf8.data(), utf8.size())) return std::string(utf8);
    return WideToCodePage(resolved, Utf8ToWide(utf8));
}

std::u16string AnsiToWide(std::string_view code_page_text) { return CodePageToWide(SystemCodePage(), code_page_text); }
std::string WideToAnsi(std::u16string_view wide) { return WideToCodePage(SystemCodePage(), wide); }
std::u16string Utf8ToWide(std::string_view utf8) { return CodePageToWide(CP_UTF8, utf8); }
std::string WideToUtf8(std::u16string_view wide) { return WideToCodePage(CP_UTF8, wide); }
std::string AnsiToUtf8(std::string_view code_page_text) { return CodePageToUtf8(SystemCodePage(), code_page_text); }
std::string Utf8ToAnsi(std::string_view utf8) { return Utf8ToCodePage(SystemCodePage(), utf8); }

}  // namespace platform

int MultiByteToWideChar(UINT code_page, DWORD flags, const char* text, int length, char16_t* wide, int wide_count) {
    if (!text || length == 0 || length < -1 || wide_count < 0 || (wide_count > 0 && !wide)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t byte_count = length == -1 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    std::u16string converted;
    if (!platform::ToWide(platform::Resolve(code_page), text, byte_count, converted)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (converted.size() > static_cast<size_t>(INT32_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int needed = static_cast<int>(converted.size());
    if (wide_count == 0) return needed;
    if (wide_count < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(wide, converted.data(), converted.size() * sizeof(char16_t));
    return needed;
}

int WideCharToMultiByte(UINT code_page, DWORD flags, const char16_t* wide, int length, char* text, int text_size,
                        const char* default_char, BOOL* used_default_char) {
    if (used_default_char) *used_default_char = FALSE;
    const UINT resolved = platform::Resolve(code_page);
    if (!wide || length == 0 || length < -1 || text_size < 0 || (text_size > 0 && !text) ||
        (resolved == CP_UTF8 && (default_char || used_default_char))) {
        // As on the device, UTF-8 takes no default character.
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t unit_count = 0;
    if (length == -1) {
        while (wide[unit_count] != 0) ++unit_count;
        ++unit_count;
    } else {
        unit_count = static_cast<size_t>(length);
    }
    std::string substitute = resolved == CP_UTF8 ? std::string("\xEF\xBF\xBD") : std::string(default_char ? default_char : "?");
    if (substitute.empty()) substitute = "?";
    if (substitute.size() > 2) substitute.resize(2);  // a default character is at most one double-byte character
    std::string converted;
    bool used_default = false;
    if (!platform::FromWide(resolved, wide, unit_count, resolved == CP_UTF8 ? std::string_view("\xEF\xBF\xBD") : substitute,
                            converted, used_default)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (used_default_char) *used_default_char = used_default ? TRUE : FALSE;
    if (converted.size() > static_cast<size_t>(INT32_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int needed = static_cast<int>(converted.size());
    if (text_size == 0) return needed;
    if (text_size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(text, converted.data(), converted.size());
    return needed;
}
