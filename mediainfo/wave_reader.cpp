// WAVE: the format chunk ("fmt ") gives the audio format; the play time follows from the file
// size and the average byte rate.
#include <algorithm>
#include <cstring>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/readers.h"

namespace mediainfo {
namespace {

constexpr std::uint64_t kWaveHeaderOffset = 12;    // after "RIFF", the size and "WAVE"
constexpr std::size_t kWaveSearchBytes = 2048;
constexpr std::uint64_t kLastFmtOffset = 2023;     // the search covers file offsets 12..2023

}  // namespace

HRESULT ReadWaveFile(FileSource& file, MediaInfo& info)
{
    if (file.Size() < kWaveSearchBytes)
        return kResultFail;
    ByteBuffer buffer;
    if (const ReadStatus status = ReadUpTo(file, kWaveHeaderOffset, kWaveSearchBytes, buffer); status != ReadStatus::Ok)
        return ToResult(status);
    const std::size_t last = static_cast<std::size_t>(kLastFmtOffset - kWaveHeaderOffset);
    const std::size_t limit = std::min(last + 1, buffer.Size() >= 4 ? buffer.Size() - 3 : 0);
    std::size_t found = SIZE_MAX;
    for (std::size_t i = 0; i < limit; ++i) {
        if (std::memcmp(buffer.Data() + i, "fmt ", 4) == 0) {
            found = i;
            break;
        }
    }
    if (found == SIZE_MAX) {
        DebugLine("WAVE: no fmt chunk\n");
        return kResultFail;
    }
    ByteCursor cursor(buffer.Data(), buffer.Size());
    std::uint32_t chunk_size = 0, sample_rate = 0, byte_rate = 0;
    std::uint16_t format_tag = 0, channels = 0, block_align = 0, bits = 0, extra_size = 0;
    if (!cursor.Seek(found + 4) || !cursor.ReadU32Le(chunk_size) || !cursor.ReadU16Le(format_tag) ||
        !cursor.ReadU16Le(channels) || !cursor.ReadU32Le(sample_rate) || !cursor.ReadU32Le(byte_rate) ||
        !cursor.ReadU16Le(block_align) || !cursor.ReadU16Le(bits))
        return kResultFail;
    (void)cursor.ReadU16Le(extra_size);  // absent from plain PCM format chunks

    info.kind = MediaKind::Wave;
    info.audioFormat = format_tag;
    info.audioChannels = channels;
    info.audioSampleRate = sample_rate;
    const std::uint64_t bit_rate = std::uint64_t{byte_rate} * 8;
    info.audioBitRate = static_cast<std::uint32_t>(std::min<std::uint64_t>(bit_rate, UINT32_MAX));
    // A zero byte rate would divide by zero; the play time stays unknown then.
    info.durationSec = info.audioBitRate ? static_cast<std::uint32_t>(file.Size() * 8 / info.audioBitRate) : 0;
    info.videoFourCC = 0;
    return kResultOk;
}

}  // namespace mediainfo
