// Sentences and frames for the tests, made by gpssim's frame writer rather than by the code
// under test, in the shapes the tests use: a sentence without its line end, a UBX frame as bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/gpssim/sentence_frames.h"

namespace satscope::testing {

inline std::uint8_t Xor(const std::string& body) { return gpssim::NmeaChecksum(body); }

// "$" body "*" HH, without line end; `lower` writes the digits in lower case.
inline std::string Sentence(const std::string& body, bool lower = false)
{
    return "$" + body + "*" + gpssim::ChecksumDigits(Xor(body), lower ? gpssim::HexCase::Lower : gpssim::HexCase::Upper);
}

inline std::string Line(const std::string& body) { return gpssim::MakeSentence(body); }

inline std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

inline std::vector<std::uint8_t> Ubx(std::uint8_t message_class, std::uint8_t id, const std::vector<std::uint8_t>& payload)
{
    return Bytes(gpssim::MakeUbxFrame(message_class, id, std::string(payload.begin(), payload.end())));
}

}  // namespace satscope::testing
