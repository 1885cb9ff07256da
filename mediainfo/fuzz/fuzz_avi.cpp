// libFuzzer target for the AVI reader: the input is a whole file.
#include <cstddef>
#include <cstdint>

#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    mediainfo::MemorySource file(data, size);
    mediainfo::MediaInfo info;
    (void)mediainfo::ReadAviFile(file, info);
    return 0;
}
