// Fuzzes the scan file: any bytes as \NAND\TelecastScan.dat, handed over in a buffer of their
// own exact size so any read beyond them is caught. A file that loads writes back bytes that
// load as the same table, and those bytes are written back unchanged; a file refused gives the
// empty table with a reason naming a line. Whatever loaded, asking for its records never reads
// outside the array.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "telecast/channel_table.h"
#include "telecast/scan_file.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

std::u16string Latin1(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = std::make_unique<char[]>(size);
    std::copy(data, data + size, bytes.get());
    const telecast::ScanFileLoad load = telecast::ParseScanFile(std::string_view(bytes.get(), size));
    if (load.status != telecast::LoadStatus::Loaded) {
        Check(load.table == telecast::ChannelTable{});
        Check(load.line >= 1 && load.reason.starts_with("line " + std::to_string(load.line) + ": "));
        return 0;
    }
    Check(load.table.records.size() <= static_cast<std::size_t>(telecast::kMostRecords));

    const std::string saved = telecast::FormatScanFile(load.table);
    const telecast::ScanFileLoad again = telecast::ParseScanFile(saved);
    Check(again.status == telecast::LoadStatus::Loaded);
    Check(again.table == load.table);
    Check(telecast::FormatScanFile(again.table) == saved);

    telecast::ChannelTable table = load.table;
    for (const telecast::ListType type : {telecast::ListType::Radio, telecast::ListType::Tv}) {
        const telecast::ChannelRecord* current = table.Current(type);
        if (current) Check(current->service_type == static_cast<std::int32_t>(type));
        const telecast::ChannelList list = table.ListOf(type, Latin1);
        Check(!list.position || *list.position < list.lines.size());
        if (!list.lines.empty()) Check(table.SelectByName(type, list.lines.back(), Latin1).has_value());
    }
    (void)table.StoreAudioValues({.coding = 1, .a = 2, .b = 3});
    return 0;
}
