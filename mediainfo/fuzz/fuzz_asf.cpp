// libFuzzer target for the ASF header reader: the input is a whole file, its header object
// size taken from offset 16 as the probe does.
#include <cstddef>
#include <cstdint>

#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    mediainfo::MemorySource file(data, size);
    mediainfo::MediaInfo info;
    std::uint32_t header_size = 0;
    if (size >= 20)
        header_size = data[16] | (data[17] << 8) | (data[18] << 16) | (static_cast<std::uint32_t>(data[19]) << 24);
    (void)mediainfo::ReadAsfFile(file, info, header_size);
    return 0;
}
