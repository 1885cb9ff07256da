// libFuzzer target for the MPEG program stream reader: the input is a whole file. The first
// byte chooses a video-CD track, the second where the first pack is taken to be.
#include <cstddef>
#include <cstdint>

#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    mediainfo::MemorySource file(data, size);
    mediainfo::MediaInfo info;
    const bool cdxa = size > 0 && (data[0] & 1);
    const std::uint64_t first_pack = size > 1 ? data[1] % 64 : 0;
    (void)mediainfo::ReadMpegPsFile(file, info, first_pack, cdxa);
    return 0;
}
