// The readers of the formats the probe reads itself: pictures, WAVE, MPEG audio and ADTS,
// Ogg Vorbis, FLAC, Monkey's Audio and FLV. Each is started by its probe test (media_probe.cpp)
// and returns the code that the test stores in MediaInfo::status, as the container readers
// of media_probe.h do.
#pragma once

#include <cstdint>

#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

// The MP4 brand code of an ftyp box at the start of a file (0 "mp41", 1 "mp42", 2 "isom",
// 3 "M4A ", 4 "MSNV", 5 "3gp1".."3gp6"), from the major brand or else the first known
// compatible brand; -1 when there is none (media_probe.cpp).
int FtypBrandCode(const std::uint8_t* first, std::size_t size);

// JPEG (jpeg_reader.cpp): walks the markers to the first start-of-frame.
HRESULT ReadJpegFile(FileSource& file, MediaInfo& info);
// GIF, BMP and PNG from the first 64 bytes of the file (picture_header.cpp); false when the
// bytes are none of them.
bool ReadPictureHeader(const std::uint8_t (&first)[64], MediaInfo& info);
// WAVE (wave_reader.cpp): the "fmt " chunk within the first 2 KiB after the RIFF header.
HRESULT ReadWaveFile(FileSource& file, MediaInfo& info);
// MPEG audio or ADTS behind an optional ID3v2 tag (mpeg_audio_reader.cpp). The first
// tag_extent + 10 bytes are read as the ID3v2 tag; when they begin with "ID3" the first frame
// is at tag_extent + 10, else at 0.
HRESULT ReadMpegAudioFile(FileSource& file, MediaInfo& info, std::uint64_t tag_extent);
// Ogg Vorbis (ogg_reader.cpp).
HRESULT ReadOggFile(FileSource& file, MediaInfo& info);
// FLAC (flac_reader.cpp): "fLaC" at start (after an ID3v2 tag when there is one).
HRESULT ReadFlacFile(FileSource& file, MediaInfo& info, std::uint64_t start);
// Monkey's Audio (monkeys_audio_reader.cpp).
HRESULT ReadMonkeysAudioFile(FileSource& file, MediaInfo& info);
// FLV (flv_reader.cpp).
HRESULT ReadFlvFile(FileSource& file, MediaInfo& info);

}  // namespace mediainfo
