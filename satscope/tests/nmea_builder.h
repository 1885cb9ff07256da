// Sentences for the tests, checksummed here rather than by the code under test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace satscope::testing {

inline std::uint8_t Xor(const std::string& body)
{
    std::uint8_t sum = 0;
    for (const char c : body) sum ^= static_cast<std::uint8_t>(c);
    return sum;
}

// "$" body "*" HH, without line end; `lower` writes the digits in lower case.
inline std::string Sentence(const std::string& body, bool lower = false)
{
    char digits[3];
    std::snprintf(digits, sizeof digits, lower ? "%02x" : "%02X", Xor(body));
    return "$" + body + "*" + digits;
}

inline std::string Line(const std::string& body) { return Sentence(body) + "\r\n"; }

inline std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

inline std::vector<std::uint8_t> Ubx(std::uint8_t message_class, std::uint8_t id, const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> frame = {0xB5, 0x62, message_class, id, static_cast<std::uint8_t>(payload.size() & 0xFF),
                                       static_cast<std::uint8_t>(payload.size() >> 8)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint8_t a = 0, b = 0;
    for (std::size_t i = 2; i < frame.size(); ++i) {
        a = static_cast<std::uint8_t>(a + frame[i]);
        b = static_cast<std::uint8_t>(b + a);
    }
    frame.push_back(a);
    frame.push_back(b);
    return frame;
}

}  // namespace satscope::testing
