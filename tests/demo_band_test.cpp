// The demo T-DMB band the build puts into the device template: device.conf names it, the
// receiver's reader takes it, it carries what the demo promises (TV, radio and data services,
// an HE-AAC service, a name that fills the scan entry), and every file it names is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "server/drivers/tdmb_ensemble.h"

namespace {

using namespace server::tdmb;
namespace fs = std::filesystem;

const fs::path kTemplate = HEADUNIT_DEVICE_TEMPLATE_DIR;

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The value of a device.conf key, empty when the file or the key is missing.
std::string ConfigValue(const fs::path& conf, const std::string& key)
{
    std::ifstream in(conf);
    std::string line;
    std::string value;
    while (std::getline(in, line)) {
        const auto equals = line.find('=');
        if (Trim(line).starts_with('#') || equals == std::string::npos) continue;
        if (Trim(line.substr(0, equals)) == key) value = Trim(line.substr(equals + 1));
    }
    return value;
}

// The band the template's device.conf names, read as the receiver reads it.
BandLoad LoadTemplateBand()
{
    const std::string named = ConfigValue(kTemplate / "device.conf", "tdmb_ensemble");
    if (named.empty()) return {std::nullopt, "device.conf names no tdmb_ensemble"};
    const fs::path path = fs::path(named).is_absolute() ? fs::path(named) : kTemplate / named;
    return ReadBandFile(path.string());
}

std::vector<std::uint8_t> FileStart(const fs::path& path, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(count);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// A JPEG starts with the start-of-image marker and the next marker's 0xFF.
void ExpectJpeg(const fs::path& path)
{
    ASSERT_TRUE(fs::is_regular_file(path)) << path;
    const auto start = FileStart(path, 3);
    EXPECT_EQ(start, (std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF})) << path << " is not a JPEG";
}

// A transport stream is whole 188-byte packets, each starting with the sync byte 0x47.
void ExpectTransportStream(const fs::path& path)
{
    ASSERT_TRUE(fs::is_regular_file(path)) << path;
    const auto size = fs::file_size(path);
    ASSERT_GE(size, 2u * 188u) << path << " is too short";
    EXPECT_EQ(size % 188, 0u) << path << " ends in a partial packet";
    const auto start = FileStart(path, 189);
    EXPECT_EQ(start.at(0), 0x47) << path;
    EXPECT_EQ(start.at(188), 0x47) << path;
}

std::size_t CodePoints(const std::string& utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<std::uint8_t>(c) & 0xC0) != 0x80; }));
}

// How a service name goes out in a region-82 scan entry: whole (every character, none a "?"),
// and whether it fills all 20 bytes.
struct Region82Name {
    bool whole = false;
    bool fills = false;
};

Region82Name EncodeRegion82(const std::string& name)
{
    const auto bytes = EncodeServiceName(name, kRegionKorea);
    std::size_t characters = 0;
    std::size_t used = 0;
    bool replaced = false;
    // Code page 949: a byte from 0x81 up leads a two-byte character.
    while (used < bytes.size() && bytes[used] != 0) {
        replaced = replaced || bytes[used] == '?';
        used += bytes[used] >= 0x81 ? 2 : 1;
        ++characters;
    }
    return {!replaced && characters == CodePoints(name), used == bytes.size()};
}

TEST(DemoBand, DeviceConfNamesABandTheReaderTakes)
{
    const BandLoad load = LoadTemplateBand();
    ASSERT_TRUE(load.band.has_value()) << load.error;
    EXPECT_EQ(ConfigValue(kTemplate / "device.conf", "tdmb_ensemble"), "tdmb/band.txt")
        << "a relative path keeps the band with each device root made from the template";
}

TEST(DemoBand, CarriesTheServicesTheDemoPromises)
{
    const BandLoad load = LoadTemplateBand();
    ASSERT_TRUE(load.band.has_value()) << load.error;
    const Band& band = *load.band;
    ASSERT_GE(band.ensembles.size(), 3u);

    int tv = 0, radio = 0, data = 0, he_aac = 0, full_names = 0;
    for (const Ensemble& ensemble : band.ensembles) {
        SCOPED_TRACE(ensemble.label);
        EXPECT_FALSE(ensemble.label.empty());
        // Every demo ensemble is received with a picture.
        EXPECT_GT(ensemble.signal_level, 0u);
        EXPECT_LE(ensemble.error_measure, kNoPictureErrorMeasure);
        std::set<std::uint32_t> subchannels;
        for (const Service& service : ensemble.services) {
            SCOPED_TRACE(service.name);
            EXPECT_TRUE(subchannels.insert(service.subchannel_id).second) << "sub-channel used twice";
            const Region82Name encoded = EncodeRegion82(service.name);
            EXPECT_TRUE(encoded.whole) << "the name is cut or has a character code page 949 lacks";
            if (encoded.fills) ++full_names;
            if (service.type == kServiceTv) {
                ++tv;
                if (service.audio_coding == kAudioHeAac) ++he_aac;
                else EXPECT_EQ(service.audio_coding, kAudioBsac);
                EXPECT_FALSE(service.media.empty());
            } else if (service.type == kServiceRadio) {
                ++radio;
                EXPECT_FALSE(service.media.empty());
                EXPECT_GE(service.slides.size(), 2u);
                EXPECT_LE(service.slides.size(), 3u);
                EXPECT_GE(service.dynamic_labels.size(), 2u);
                EXPECT_LE(service.dynamic_labels.size(), 3u);
            } else {
                ++data;
                EXPECT_TRUE(service.media.empty()) << "a data service is never played";
            }
        }
    }
    EXPECT_EQ(tv, 4);
    EXPECT_EQ(radio, 3);
    EXPECT_EQ(data, 1);
    EXPECT_EQ(he_aac, 1) << "one TV service brings an audio change when tuned in region 82";
    EXPECT_EQ(full_names, 1) << "one name fills all 20 name bytes of a region-82 scan entry";
}

TEST(DemoBand, EveryFileItNamesIsThere)
{
    const BandLoad load = LoadTemplateBand();
    ASSERT_TRUE(load.band.has_value()) << load.error;
    std::set<std::string> media;
    for (const Ensemble& ensemble : load.band->ensembles) {
        for (const Service& service : ensemble.services) {
            SCOPED_TRACE(service.name);
            if (!service.media.empty()) {
                ExpectTransportStream(service.media);
                EXPECT_TRUE(media.insert(service.media).second) << "each service plays a stream of its own";
            }
            for (const std::string& slide : service.slides) ExpectJpeg(slide);
        }
    }
    EXPECT_EQ(media.size(), 7u);
    ExpectJpeg(kTemplate / "fs" / "NAND" / "initDAB.jpg");
}

}  // namespace
