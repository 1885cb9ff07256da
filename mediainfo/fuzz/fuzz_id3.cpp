// libFuzzer target: the ID3v2 frame walk over a whole tag and the ID3v1 block.
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
    ReadId3v2Tag(data, size, info);
    if (size >= kId3v1Size) {
        std::uint8_t block[kId3v1Size];
        std::memcpy(block, data + size - kId3v1Size, kId3v1Size);
        ReadId3v1Tag(block, info);
    }
    return 0;
}
