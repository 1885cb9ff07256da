// The media information record that every reader fills, the container kinds, and the result
// codes the readers return at their public edge.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

namespace mediainfo {

// Result codes of the readers. Inside a reader `ReadStatus` says why something failed; these
// are what ends up in `MediaInfo::status` and what the entry points return.
constexpr HRESULT kResultOk = 0;
constexpr HRESULT kResultNotFilled = 1;                                        // status at construction
constexpr HRESULT kResultFail = static_cast<HRESULT>(0x80004005u);            // read/seek failure, malformed
constexpr HRESULT kResultOutOfMemory = static_cast<HRESULT>(0x8007000Eu);     // allocation failure
constexpr HRESULT kResultFileMissing = -1;

enum class ReadStatus { Ok, NotThisFormat, Truncated, Malformed, Unsupported, OutOfMemory };

// The one mapping from a reader's internal status to the device's code.
constexpr HRESULT ToResult(ReadStatus status)
{
    switch (status) {
    case ReadStatus::Ok: return kResultOk;
    case ReadStatus::OutOfMemory: return kResultOutOfMemory;
    default: return kResultFail;
    }
}

// Container and picture kinds. The numbers are the device's.
enum class MediaKind : std::int32_t {
    Unknown = 0,
    Avi = 1,
    Mp4 = 2,
    Asf = 3,
    Ogg = 4,
    MpegAudio = 5,
    Wave = 6,
    MpegProgram1 = 7,
    MpegProgram2 = 8,
    Flac = 9,
    MonkeysAudio = 10,
    Flv = 11,
    Jpeg = 0x1001,
    Gif = 0x1002,
    Bmp = 0x1003,
    Png = 0x1004,
};

// Text fields hold UTF-16 code units, zero-terminated: at most 127 characters.
constexpr int kTextFieldLength = 128;
using TextField = char16_t[kTextFieldLength];

// Packs a four-character code with the first character in the most significant byte, which is
// how four-character codes read big-endian compare ("DIVX" is 0x44495658).
constexpr std::uint32_t FourCC(const char (&text)[5])
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

// One fixed-size record per probed file. Integers are 32-bit unless noted; field order is the
// device's record layout.
struct MediaInfo {
    HRESULT status = kResultNotFilled;    // 0 once a reader filled the record, else 1 or the reader's code
    MediaKind kind = MediaKind::Unknown;
    std::uint64_t fileSize = 0;           // low word, high word
    std::uint32_t durationSec = 0;
    std::uint32_t audioFormat = 0;        // WAVE format tag; 0 = no audio
    std::uint32_t audioBitRate = 0;       // bits per second
    std::uint32_t audioSampleRate = 0;    // Hz
    std::uint32_t audioChannels = 0;
    std::uint32_t audioVariableRate = 0;  // 1: audioBitRate is an average from a Xing frame count
    std::uint32_t videoFourCC = 0;        // first character most significant; 0 = no video
    std::uint32_t videoWidth = 0;
    std::uint32_t videoHeight = 0;
    std::uint32_t frameDurationUs = 0;
    std::uint32_t videoBitRate = 0;       // bits per second
    std::uint32_t aspectX = 0;            // pixel aspect ratio of the first frame; 0 = unknown
    std::uint32_t aspectY = 0;
    std::int32_t hasTitle = 0;
    std::int32_t hasArtist = 0;
    std::int32_t hasAlbum = 0;
    std::int32_t hasTrack = 0;
    std::int32_t hasGenre = 0;
    TextField title = {};
    TextField artist = {};
    TextField album = {};
    TextField track = {};                 // track number as text
    TextField genre = {};
    std::int32_t genreCode = -1;          // ID3v1 genre number 0-254
    std::int32_t hasComposer = 0;
    std::int32_t hasYear = 0;
    TextField composer = {};
    TextField year = {};
    std::uint32_t pictureWidth = 0;
    std::uint32_t pictureHeight = 0;
    std::uint32_t pictureBits = 0;        // bits per pixel
};

}  // namespace mediainfo
