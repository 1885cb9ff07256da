// Fuzzes the SAMI reader: any bytes as a subtitle file, then queries forwards through every
// entry's start, backwards, and with small rooms, as Movie asks.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "movie/smi_subtitle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = std::make_unique<std::uint8_t[]>(size + movie::kImagePadding);
    if (size) std::memcpy(image.get(), data, size);
    movie::SmiSubtitle subtitle;
    if (!subtitle.LoadImage(std::move(image), size)) return 0;
    const auto& table = subtitle.Table();
    std::vector<std::int32_t> starts;
    for (std::size_t i = 0; i < table.Count() && i < 64; ++i) starts.push_back(table[i].start_ms);
    // Exactly the room, on the heap, so that a write past it is caught.
    auto text = std::make_unique<WCHAR[]>(movie::SmiSubtitle::kTextRoom);
    auto small = std::make_unique<WCHAR[]>(3);
    for (std::int32_t start : starts) {
        subtitle.TextAt(start / 1000.0, text.get(), movie::SmiSubtitle::kTextRoom);
        subtitle.TextAt(start / 1000.0 + 0.005, small.get(), 3);
    }
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) subtitle.TextAt(*it / 1000.0, small.get(), 3);
    subtitle.TextAt(-1.0, text.get(), 1);
    subtitle.TextAt(1e12, text.get(), movie::SmiSubtitle::kTextRoom);
    return 0;
}
