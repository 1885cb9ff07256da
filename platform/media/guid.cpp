#include "platform/media/guid.h"

#include <cstdio>

namespace platform {

std::string FormatGuid(REFGUID guid)
{
    char text[37];
    std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::array<DWORD, 4> GuidWords(REFGUID guid)
{
    // Data2 sits in the low half of the second word and Data4 is read as two little-endian
    // words, as the device lays the structure out.
    auto bytes_word = [&](size_t first) {
        return static_cast<DWORD>(guid.Data4[first]) | (static_cast<DWORD>(guid.Data4[first + 1]) << 8) |
               (static_cast<DWORD>(guid.Data4[first + 2]) << 16) | (static_cast<DWORD>(guid.Data4[first + 3]) << 24);
    };
    return {guid.Data1, static_cast<DWORD>(guid.Data2) | (static_cast<DWORD>(guid.Data3) << 16), bytes_word(0),
            bytes_word(4)};
}

}  // namespace platform
