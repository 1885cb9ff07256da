// An update pack comes from the storage card and may be anything. Whatever its bytes, reading
// its header and table and checking its entries' bounds must not read outside it, an entry
// that passes the bounds check must lie inside the pack, and the checksum must not depend on
// how its data is split into blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "homedeck/update_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace homedeck;
    if (size < kPackHeaderSize) return 0;
    const std::span<const std::uint8_t> pack(data, size);
    const PackHeader header = ParsePackHeader(pack.first<kPackHeaderSize>());
    if (header.count == 0) return 0;
    // The updater reads no table that runs past the end; the parser still must not overrun
    // what it is given when told a larger count.
    const auto entries = ParsePackTable(pack.subspan(kPackHeaderSize), header.count);
    if (entries.size() > (size - kPackHeaderSize) / kPackEntrySize) std::abort();
    for (const PackEntry& entry : entries) {
        if (!EntryBoundsFault(entry, size).empty()) continue;
        if (entry.type != kPackBootLoader && entry.type != kPackDiskImage && !IsFileEntry(entry.type)) continue;
        if (std::uint64_t{entry.offset} + entry.length > size) std::abort();
        const auto bytes = pack.subspan(entry.offset, entry.length);
        PackChecksum split;
        const std::size_t covered = ChecksummedBytes(entry.length);
        const std::size_t cut = covered ? data[0] % (covered + 1) : 0;
        split.Update(bytes.data(), cut);
        split.Update(bytes.data() + cut, covered - cut);
        if (split.Value() != ChecksumOf(bytes)) std::abort();
    }
    return 0;
}
