// libFuzzer target: the GIF, BMP and PNG headers in the first 64 bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mediainfo/file_source.h"
#include "mediainfo/id3_tag.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mediainfo;
    MemorySource file(data, size);
    MediaInfo info;
    std::uint8_t first[64] = {};
    std::memcpy(first, data, size < sizeof first ? size : sizeof first);
    (void)ReadPictureHeader(first, info);
    return 0;
}
