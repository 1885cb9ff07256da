// Fuzzes the T-DMB ensemble file: any bytes as the file. A refused file leaves no band and says
// where; an accepted band keeps its limits, and every service's name goes out in both regions'
// 20 bytes as whole characters followed only by zeros, the same bytes its scan entry carries.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "server/drivers/tdmb_ensemble.h"

namespace {

using namespace server::tdmb;

void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

// Code page 949: a byte from 0x81 up leads a double byte whose trail byte is not zero.
void CheckCp949(const std::array<std::uint8_t, kServiceNameBytes>& bytes)
{
    std::size_t at = 0;
    while (at < bytes.size() && bytes[at] != 0) {
        if (bytes[at] >= 0x81) {
            Check(at + 1 < bytes.size() && bytes[at + 1] >= 0x41);
            at += 2;
        } else {
            Check(bytes[at] < 0x80);
            ++at;
        }
    }
    for (; at < bytes.size(); ++at) Check(bytes[at] == 0);
}

// UTF-16LE: surrogates come in pairs, high then low.
void CheckUtf16(const std::array<std::uint8_t, kServiceNameBytes>& bytes)
{
    std::size_t at = 0;
    const auto unit = [&](std::size_t i) { return static_cast<unsigned>(bytes[i] | bytes[i + 1] << 8); };
    while (at < bytes.size() && unit(at) != 0) {
        const unsigned u = unit(at);
        Check(u < 0xDC00 || u >= 0xE000);
        if (u >= 0xD800 && u < 0xDC00) {
            Check(at + 2 < bytes.size() && unit(at + 2) >= 0xDC00 && unit(at + 2) < 0xE000);
            at += 2;
        }
        at += 2;
    }
    for (; at < bytes.size(); ++at) Check(bytes[at] == 0);
}

void CheckEntry(const Ensemble& ensemble, const Service& service, std::uint32_t region,
                const std::array<std::uint8_t, kServiceNameBytes>& name)
{
    const auto words = ScanEntryWords(ensemble, service, region);
    Check(words[1] == ensemble.frequency_khz && words[2] == service.id && words[8] == service.subchannel_id);
    for (std::size_t i = 0; i < kServiceNameBytes; ++i)
        Check(static_cast<std::uint8_t>(words[3 + i / 4] >> (8 * (i % 4))) == name[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Names the reader would refuse still encode as whole characters within the 20 bytes.
    CheckCp949(EncodeServiceName(text.substr(0, 256), kRegionKorea));
    CheckUtf16(EncodeServiceName(text.substr(0, 256), 0));

    const BandLoad load = ParseBand(text, "fuzz.txt", "folder");
    if (!load.band) {
        Check(load.error.starts_with("fuzz.txt:"));
        return 0;
    }
    Check(load.error.empty());
    const Band& band = *load.band;
    Check(band.plans.size() <= kMaxPlans && band.ensembles.size() <= kMaxEnsembles);
    std::set<std::uint32_t> service_ids;
    for (const Ensemble& ensemble : band.ensembles) {
        Check(band.EnsembleAt(ensemble.frequency_khz) == &ensemble);
        Check(ensemble.signal_level <= kMaxSignalLevel && ensemble.label.size() <= kMaxNameBytes);
        Check(ensemble.services.size() <= kMaxServicesPerEnsemble);
        for (const Service& service : ensemble.services) {
            Check(!service.name.empty() && service.name.size() <= kMaxNameBytes);
            Check(service_ids.insert(service.id).second);
            Check(service.type == kServiceRadio || (service.slides.empty() && service.dynamic_labels.empty()));
            const auto korean = EncodeServiceName(service.name, kRegionKorea);
            const auto wide = EncodeServiceName(service.name, 0);
            CheckCp949(korean);
            CheckUtf16(wide);
            CheckEntry(ensemble, service, kRegionKorea, korean);
            CheckEntry(ensemble, service, 0, wide);
        }
    }
    return 0;
}
