// libFuzzer target for the MP4 reader: the input is a whole file.
#include <cstddef>
#include <cstdint>

#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    mediainfo::MemorySource file(data, size);
    mediainfo::MediaInfo info;
    // The first byte picks the brand code the probe would have handed over.
    (void)mediainfo::ReadMp4File(file, info, size ? data[0] % 6 : 0);
    return 0;
}
