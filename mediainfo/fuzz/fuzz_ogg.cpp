// libFuzzer target: the Ogg Vorbis reader over a file.
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
    (void)ReadOggFile(file, info);
    return 0;
}
