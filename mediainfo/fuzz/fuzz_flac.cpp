// libFuzzer target: the FLAC reader; the first byte picks where "fLaC" is taken to stand.
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
    (void)ReadFlacFile(file, info, size ? data[0] % 16 : 0);
    return 0;
}
