// Whole NMEA sentences and UBX frames for the gpssim tests to send and expect. They are written
// here on purpose, apart from the program's own frame writer, so the tests check it rather than repeat it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace gpssim::testing {

// "$" body "*" HH CR LF, HH the XOR of the body bytes in upper-case hexadecimal.
inline std::string WithChecksum(const std::string& body) {
    int sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    return "$" + body + "*" + digits + "\r\n";
}

// 0xB5 0x62, class, id, little-endian payload length, payload, then the two 8-bit Fletcher sums
// over class through payload.
inline std::string UbxFrame(std::uint8_t message_class, std::uint8_t id, const std::string& payload) {
    std::string frame = "\xB5\x62";
    frame += static_cast<char>(message_class);
    frame += static_cast<char>(id);
    frame += static_cast<char>(payload.size() & 0xFF);
    frame += static_cast<char>((payload.size() >> 8) & 0xFF);
    frame += payload;
    unsigned a = 0, b = 0;
    for (std::size_t i = 2; i < frame.size(); ++i) {
        a = (a + static_cast<unsigned char>(frame[i])) & 0xFF;
        b = (b + a) & 0xFF;
    }
    frame += static_cast<char>(a);
    frame += static_cast<char>(b);
    return frame;
}

}  // namespace gpssim::testing
