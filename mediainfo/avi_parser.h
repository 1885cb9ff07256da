// AviParser: reads a RIFF AVI file's chunks far enough to fill MediaInfo: stream formats,
// duration, bit rates and the pixel aspect ratio of the first video frame, building the chunk
// index from idx1 on the way. Only chunk headers, the hdrl list, the idx1 chunk and the first
// video frame are read from the file.
#pragma once

#include <cstdint>
#include <memory>

#include "mediainfo/avi_index.h"
#include "mediainfo/avi_stream_headers.h"
#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

class AviParser {
public:
    // Consecutive zero chunk identifiers the walk steps over before it gives up.
    static constexpr std::uint32_t kMaxZeroIdentifiers = 4096;

    explicit AviParser(FileSource& file, std::uint64_t start = 12);

    // Reads the file and fills the record; returns the code that goes into info.status.
    HRESULT Parse(MediaInfo& info);

    const AviStreamHeaders* Headers() const { return m_headers.get(); }
    const AviIndex* Index() const { return m_index.get(); }

private:
    // Whether a chunk lies inside the file or runs past its end.
    enum class Extent { Whole, Cut };

    ReadStatus Walk();
    ReadStatus ListStep(std::uint64_t data, std::uint32_t size, Extent extent);
    ReadStatus ReadHeaderList(std::uint64_t data, std::uint32_t size);
    ReadStatus IndexStep(std::uint64_t data, std::uint32_t size);
    ReadStatus ReadFirstVideoAspect(std::uint32_t& aspect_x, std::uint32_t& aspect_y);
    ReadStatus FillRecord(MediaInfo& info);

    FileSource& m_file;
    std::uint64_t m_position;
    std::uint64_t m_file_size;
    std::uint32_t m_movi_size = 0;
    std::uint64_t m_movi_position = 0;
    std::uint64_t m_index_position = 0;
    std::unique_ptr<AviStreamHeaders> m_headers;
    std::unique_ptr<AviIndex> m_index;
    std::uint32_t m_video_chunks = 0;
    std::uint32_t m_audio_chunks = 0;
    std::uint64_t m_video_bytes = 0;
    std::uint64_t m_audio_bytes = 0;
    std::uint64_t m_play_length = 0;       // 100 ns units
    std::uint64_t m_total_length = 0;      // 100 ns units
    std::uint64_t m_duration_ms = 0;
};

}  // namespace mediainfo
