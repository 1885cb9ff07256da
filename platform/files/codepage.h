// Conversions between UTF-16, UTF-8 and the device's system code page (device.conf
// "codepage", default 949), through iconv. Invalid input never overruns: bytes that do not
// convert become U+FFFD (to UTF-16) or '?' (to the code page), as the device's conversion
// routines substitute a default character.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32_types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Win32-shaped forms. length -1 means "up to and including the terminating zero". With an
// output size of 0 they return the size needed; 0 on failure (ERROR_INSUFFICIENT_BUFFER when
// the output is too small).
int MultiByteToWideChar(UINT code_page, DWORD flags, const char* text, int length, char16_t* wide, int wide_count);
int WideCharToMultiByte(UINT code_page, DWORD flags, const char16_t* wide, int length, char* text, int text_size,
                        const char* default_char, BOOL* used_default_char);

namespace platform {

UINT SystemCodePage();

std::u16string AnsiToWide(std::string_view code_page_text);   // system code page -> UTF-16
std::string WideToAnsi(std::u16string_view wide);             // UTF-16 -> system code page
std::u16string Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::u16string_view wide);
std::string AnsiToUtf8(std::string_view code_page_text);
std::string Utf8ToAnsi(std::string_view utf8);

// The same with the code page named (CP_ACP: the system code page), for callers that convert
// many texts and look the code page up once.
std::u16string CodePageToWide(UINT code_page, std::string_view text);
std::string WideToCodePage(UINT code_page, std::u16string_view wide);
std::string CodePageToUtf8(UINT code_page, std::string_view text);
std::string Utf8ToCodePage(UINT code_page, std::string_view utf8);

}  // namespace platform
