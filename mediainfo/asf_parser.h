// AsfParser: reads the header object of an ASF file (WMV video, WMA audio) to fill MediaInfo:
// play time, the first audio and the first video stream's formats, the video frame duration
// and bit rate, and for files without video the text tags of the content description and
// extended content description objects. Only the header object is read from the file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

class AsfParser {
public:
    // Stream numbers are 1..127; this one stands above any valid number.
    static constexpr std::uint32_t kNoStream = 128;

    AsfParser(FileSource& file, std::uint32_t header_size);

    // Reads the header object and fills the record; returns the code that goes into
    // info.status.
    HRESULT Parse(MediaInfo& info);

    std::uint32_t AudioStream() const { return m_audio_stream; }
    std::uint32_t VideoStream() const { return m_video_stream; }

private:
    struct WaveFormat {
        std::uint16_t formatTag = 0;
        std::uint16_t channels = 0;
        std::uint32_t samplesPerSec = 0;
        std::uint32_t avgBytesPerSec = 0;
        std::uint16_t blockAlign = 0;
        std::uint16_t bitsPerSample = 0;
    };
    struct VideoFormat {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::uint32_t size = 0;           // BITMAPINFOHEADER from here on
        std::uint32_t bitmapWidth = 0;
        std::uint32_t bitmapHeight = 0;
        std::uint16_t planes = 0;
        std::uint16_t bitCount = 0;
        std::uint32_t compression = 0;    // as stored, little-endian
        std::uint32_t sizeImage = 0;
        std::uint32_t xPelsPerMeter = 0;
        std::uint32_t yPelsPerMeter = 0;
        std::uint32_t colorsUsed = 0;
        std::uint32_t colorsImportant = 0;
    };

    void ReadFileProperties(ByteCursor body);
    void ReadHeaderExtension(ByteCursor body);
    void ReadStreamProperties(ByteCursor body);
    void ReadContentDescription(ByteCursor body);
    void ReadExtendedContentDescription(ByteCursor body);
    void FillRecord(MediaInfo& info) const;

    FileSource& m_file;
    std::uint64_t m_start = 0;
    std::uint64_t m_file_size;
    std::uint32_t m_header_size;

    WaveFormat m_audio;
    bool m_audio_taken = false;
    VideoFormat m_video;
    bool m_video_taken = false;
    std::uint32_t m_audio_stream = kNoStream;
    std::uint32_t m_video_stream = kNoStream;
    std::array<std::uint64_t, kNoStream> m_time_per_frame = {};   // 100 ns, by stream number
    std::array<std::uint32_t, kNoStream> m_data_bit_rate = {};

    std::uint32_t m_play_time_sec = 0;
    std::uint32_t m_frame_duration_us = 0;
    std::uint32_t m_video_bit_rate = 0;

    // UTF-16 text as stored in the file.
    std::u16string m_title;
    std::u16string m_artist;
    std::u16string m_track;
    std::u16string m_album;
    std::u16string m_genre;
    std::u16string m_composer;
    std::u16string m_year;
};

}  // namespace mediainfo
