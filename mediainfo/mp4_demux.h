// MP4Demux: reads an ISO base media file (MP4, M4A, 3GP) far enough to fill MediaInfo: the
// video and audio formats, the play time, the bit rates and the pixel aspect ratio; and it lays
// out the file offset of every video and audio sample (SetSampleOffset).
//
// Only the box headers of the top level are read from the file; the movie box is read whole
// and parsed in memory, so a movie box behind the media data costs one read at its offset.
#pragma once

#include <array>
#include <cstdint>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"
#include "mediainfo/mp4_sample_tables.h"

namespace mediainfo {

class MP4Demux {
public:
    static constexpr int kMaxTracks = 20;

    MP4Demux(FileSource& file, int brand_code);

    // Reads the file and fills the record; returns the code that goes into info.status.
    HRESULT Parse(MediaInfo& info);

    // The sample offsets laid out by the last Parse, sampleCount + 1 entries each.
    const Mp4Table<std::uint64_t>& VideoOffsets() const { return m_video_offsets; }
    const Mp4Table<std::uint64_t>& AudioOffsets() const { return m_audio_offsets; }
    std::uint32_t VideoSampleCount() const { return m_video_sample_count; }
    std::uint32_t AudioSampleCount() const { return m_audio_sample_count; }
    // The brand the probe worked out from the ftyp box (0 "mp41" ... 5 "3gp1".."3gp6").
    int BrandCode() const { return m_brand_code; }

private:
    struct Header {
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        std::uint32_t timeScale = 0;     // mvhd, mdhd
        std::uint64_t duration = 0;      // mvhd, mdhd
        std::uint32_t trackId = 0;       // tkhd
    };
    struct Track {
        Header trackHeader;
        Header mediaHeader;
        int handlerKind = static_cast<int>(Mp4HandlerKind::Other);
    };

    ReadStatus WalkTopLevel();
    // Where the walk ends at the end of the file: Ok once the movie box was read.
    ReadStatus EndOfFile(std::uint64_t position) const;
    ReadStatus ReadMovieBox(std::uint64_t position, std::uint32_t size);
    ReadStatus ParseMovie(ByteCursor movie);
    ReadStatus ParseTrack(ByteCursor track);
    ReadStatus ParseMedia(ByteCursor media, int track);
    ReadStatus ParseMediaInformation(ByteCursor information, int kind);
    ReadStatus ParseSampleTable(ByteCursor table, int kind);
    std::uint64_t PlayTimeMs(Mp4HandlerKind kind) const;
    ReadStatus FillRecord(MediaInfo& info);

    FileSource& m_file;
    std::uint64_t m_start = 0;
    std::uint64_t m_file_size = 0;
    int m_brand_code = 0;
    bool m_movie_parsed = false;

    Header m_movie_header;
    std::array<Track, kMaxTracks> m_tracks;
    int m_track_count = 0;
    std::array<Mp4SampleTables, kMp4HandlerSlots> m_tables;

    Mp4Table<std::uint64_t> m_video_offsets;
    Mp4Table<std::uint64_t> m_audio_offsets;
    std::uint32_t m_video_sample_count = 0;
    std::uint32_t m_audio_sample_count = 0;

    std::uint64_t m_video_bytes = 0;
    std::uint64_t m_audio_bytes = 0;
    std::uint64_t m_play_time_ms = 0;
    std::uint64_t m_total_time_ms = 0;
    std::uint64_t m_frame_duration_us = 0;
    std::uint64_t m_video_bit_rate = 0;
};

}  // namespace mediainfo
