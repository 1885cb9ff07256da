// The media probe: recognises a media or picture file by its first bytes and lets the matching
// reader fill one MediaInfo record.
//
// The probe chain (media_probe.cpp) is one constexpr table of tests, tried in order; each test
// reads from the start of the file, and a size or read failure means the test declines. A test
// that recognises its container starts the container's reader through the entry points below
// and claims the file.
#pragma once

#include <cstdint>
#include <string>

#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"
#include "platform/win32_types.h"

namespace mediainfo {

// ---- Container reader entry points -------------------------------------------------------
// Started by the probe chain once it has recognised the container; the chain has already
// stored info.fileSize. Each fills `info` as far as it can and returns the code the chain
// stores in info.status: kResultOk when it read the file, kResultFail or kResultOutOfMemory
// when it failed (the fields filled before the failure stay), or kResultNotFilled when its
// reader object could not be allocated. They read the file only through `file` (reads at an
// offset, never the whole file), allocate nothing beyond what the file could hold, and print
// their debug messages with DebugLine (debug_log.h).

// MP4 / M4A / 3GP (mp4_demux.cpp). brand_code: 0 "mp41", 1 "mp42", 2 "isom", 3 "M4A ",
// 4 "MSNV", 5 "3gp1".."3gp6", as the probe worked it out from the ftyp box.
HRESULT ReadMp4File(FileSource& file, MediaInfo& info, int brand_code);
// AVI (avi_parser.cpp): "RIFF" ... "AVI " stands at 0; reading starts at offset 12.
HRESULT ReadAviFile(FileSource& file, MediaInfo& info);
// MPEG-1/2 program stream (mpeg_ps_parser.cpp): first_pack is the offset of the first pack
// start code 00 00 01 BA; cdxa is set for a video-CD track (RIFF form "CDXA").
HRESULT ReadMpegPsFile(FileSource& file, MediaInfo& info, std::uint64_t first_pack, bool cdxa);
// ASF (asf_parser.cpp): the header object GUID stands at 0; header_size is its 32-bit size
// at offset 16.
HRESULT ReadAsfFile(FileSource& file, MediaInfo& info, std::uint32_t header_size);

// ---- The chain ---------------------------------------------------------------------------
// Runs the probe chain over an open file: returns the first claiming reader's nonzero result,
// or 0 when no reader recognised the file. The record keeps status 1 and kind 0 then.
HRESULT ProbeFile(FileSource& file, MediaInfo& info);

// ---- The probe object --------------------------------------------------------------------
// One object per probe; it uses the platform's file calls (media_probe_file.cpp, in the
// mediainfo_probe library) and installs the platform's debug print and code page as the
// readers' sinks.
class MediaProbe {
public:
    MediaProbe();
    virtual ~MediaProbe();
    MediaProbe(const MediaProbe&) = delete;
    MediaProbe& operator=(const MediaProbe&) = delete;

    // Closes a handle left from an earlier call and opens the file read-only (read sharing,
    // open-existing). On failure returns 0x80070000 | last error and leaves the record
    // untouched. Otherwise parses, closes the handle and returns 0 whether or not a reader
    // recognised the file: look at Info().status and Info().kind.
    virtual HRESULT Open(const std::string& path);
    // Runs the chain over an open file handle (see ProbeFile).
    virtual HRESULT Parse(HANDLE file);

    const MediaInfo& Info() const { return m_info; }

private:
    MediaInfo m_info;
    HANDLE m_file = INVALID_HANDLE_VALUE;
};

}  // namespace mediainfo
