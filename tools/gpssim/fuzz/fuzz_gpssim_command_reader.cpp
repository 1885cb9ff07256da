// What a program writes to the receiver may be anything; the reader must hold no more than its
// largest frame, give only well-formed frames, and give the same frames however the bytes are
// split into reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tools/gpssim/command_reader.h"

namespace {

using gpssim::CommandFrame;
using gpssim::CommandFrameKind;
using gpssim::CommandReader;

void CheckFrame(const CommandFrame& frame) {
    const std::string_view bytes = frame.bytes;
    switch (frame.kind) {
        case CommandFrameKind::Nmea:
            if (bytes.size() < 6 || bytes.size() > CommandReader::kMaxSentence || bytes.front() != '$' ||
                bytes.substr(bytes.size() - 2) != "\r\n" || bytes[bytes.size() - 5] != '*')
                std::abort();
            break;
        case CommandFrameKind::Ubx: {
            if (bytes.size() < 8) std::abort();
            const std::size_t length = static_cast<std::uint8_t>(bytes[4]) | static_cast<std::uint8_t>(bytes[5]) << 8;
            if (bytes.size() != length + 8 || length > CommandReader::kMaxUbxPayload) std::abort();
            break;
        }
        case CommandFrameKind::ByteCommand:
            if (bytes.size() != CommandReader::kByteCommandSize || bytes.substr(0, 4) != "$CMD") std::abort();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    CommandReader whole;
    std::vector<CommandFrame> at_once;
    whole.Feed(input, at_once);
    if (whole.Held() > CommandReader::kMaxHeld) std::abort();

    // The same bytes in reads whose sizes come from the input itself.
    CommandReader pieces;
    std::vector<CommandFrame> in_pieces;
    std::size_t at = 0;
    std::size_t step = size > 0 ? data[0] % 13 + 1 : 1;
    while (at < size) {
        const std::size_t count = std::min(step, size - at);
        pieces.Feed(input.substr(at, count), in_pieces);
        if (pieces.Held() > CommandReader::kMaxHeld) std::abort();
        at += count;
        step = data[at % size] % 13 + 1;
    }
    if (in_pieces != at_once || pieces.Held() != whole.Held() || pieces.JunkBytes() != whole.JunkBytes()) std::abort();
    for (const CommandFrame& frame : at_once) CheckFrame(frame);
    return 0;
}
