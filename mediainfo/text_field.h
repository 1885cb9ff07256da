// Filling the record's fixed text fields: at most 127 UTF-16 code units and a terminating zero.
#pragma once

#include <cstddef>
#include <string_view>

#include "mediainfo/media_info.h"

namespace mediainfo {

// Copies UTF-16 text, cut at its first zero and at 127 code units. Returns the stored length.
std::size_t SetText(TextField& field, std::u16string_view text);
// Converts UTF-8 (invalid sequences become U+FFFD) and stores it as above.
std::size_t SetTextFromUtf8(TextField& field, std::string_view utf8);
// Converts text in the device's system code page through the installed converter (see
// SetCodePageConverter; without one each byte is taken as Latin-1) and stores it as above.
std::size_t SetTextFromCodePage(TextField& field, std::string_view text);
// The number of code units before the terminating zero.
std::size_t TextLength(const TextField& field);

// The readers link only the standard library; the program that probes installs the platform's
// system-code-page conversion here.
using CodePageConverter = std::u16string (*)(std::string_view code_page_text);
void SetCodePageConverter(CodePageConverter converter);

}  // namespace mediainfo
