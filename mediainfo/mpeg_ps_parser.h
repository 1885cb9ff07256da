// MpegPsParser: reads an MPEG-1 or MPEG-2 program stream (also inside a video-CD track, a
// RIFF file of form CDXA) far enough to fill MediaInfo: the play time from the first and the
// last system clock reference, the video sequence header, and the first audio stream's format.
// It reads the first 2 MiB after the first pack and a window at the end of the file, never the
// whole file.
#pragma once

#include <cstdint>

#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"
#include "mediainfo/mpeg_ps_streams.h"

namespace mediainfo {

class MpegPsParser {
public:
    MpegPsParser(FileSource& file, std::uint64_t first_pack, bool cdxa);

    // Reads the file and fills the record; returns the code that goes into info.status.
    HRESULT Parse(MediaInfo& info);

private:
    enum class AudioKind { None, MpegAudio, Lpcm, Ac3 };

    ReadStatus ReadPlayTime();
    ReadStatus ReadEndScrFromTail(std::int64_t& end);
    ReadStatus ReadEndScrBackwards(std::int64_t& end);
    ReadStatus FindStreams();
    bool FindVideo(const std::uint8_t* payload, std::size_t size);
    bool FindMpegAudio(const std::uint8_t* payload, std::size_t size);
    bool ReadPrivateStream(const std::uint8_t* payload, std::size_t size);
    void FillRecord(MediaInfo& info) const;

    FileSource& m_file;
    std::uint64_t m_first_pack;
    std::uint64_t m_file_size;
    bool m_cdxa;
    bool m_mpeg1 = false;
    std::uint32_t m_play_time_sec = 0;

    bool m_video_found = false;
    MpegSequenceHeader m_video;
    std::uint32_t m_video_stream_id = 0x1E0;
    std::uint32_t m_audio_stream_id = 0x1C0;

    AudioKind m_audio_kind = AudioKind::None;
    std::uint32_t m_private_substream = 0;   // 0: the audio is an MPEG audio stream
    MpegAudioHeader m_mpeg_audio;
    LpcmHeader m_lpcm;
    Ac3Header m_ac3;
};

}  // namespace mediainfo
