#include "mediainfo/text_field.h"

#include <atomic>
#include <string>

namespace mediainfo {
namespace {

std::atomic<CodePageConverter> s_code_page_converter{nullptr};

}  // namespace

std::size_t SetText(TextField& field, std::u16string_view text)
{
    std::size_t length = 0;
    while (length < text.size() && length < kTextFieldLength - 1 && text[length] != 0) {
        field[length] = text[length];
        ++length;
    }
    field[length] = 0;
    return length;
}

std::size_t SetTextFromUtf8(TextField& field, std::string_view utf8)
{
    std::u16string wide;
    std::size_t i = 0;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(utf8[at]); };
    while (i < utf8.size() && wide.size() < kTextFieldLength) {
        const unsigned char lead = byte(i);
        std::uint32_t code = 0xFFFD;
        std::size_t extra = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F, extra = 1, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F, extra = 2, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07, extra = 3, minimum = 0x10000;
        } else {
            wide.push_back(0xFFFD);
            ++i;
            continue;
        }
        std::size_t taken = 1;
        bool valid = true;
        for (std::size_t k = 0; k < extra; ++k) {
            if (i + 1 + k >= utf8.size() || (byte(i + 1 + k) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (byte(i + 1 + k) & 0x3F);
            ++taken;
        }
        i += taken;
        if (!valid || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            wide.push_back(0xFFFD);
        } else if (code >= 0x10000) {
            code -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(code));
        }
    }
    return SetText(field, wide);
}

std::size_t SetTextFromCodePage(TextField& field, std::string_view text)
{
    if (const CodePageConverter converter = s_code_page_converter.load())
        return SetText(field, converter(text));
    std::u16string wide;
    for (std::size_t i = 0; i < text.size() && i < kTextFieldLength; ++i)
        wide.push_back(static_cast<unsigned char>(text[i]));
    return SetText(field, wide);
}

std::size_t TextLength(const TextField& field)
{
    std::size_t length = 0;
    while (length < kTextFieldLength && field[length] != 0)
        ++length;
    return length;
}

void SetCodePageConverter(CodePageConverter converter)
{
    s_code_page_converter.store(converter);
}

}  // namespace mediainfo
