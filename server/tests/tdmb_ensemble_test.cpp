// The T-DMB ensemble file: a good band read back whole, every refusal naming its line and
// leaving no band, the service-name bytes of both regions, and a service's scan entry.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "server/drivers/tdmb_ensemble.h"

namespace {

using namespace server::tdmb;
using NameBytes = std::array<std::uint8_t, kServiceNameBytes>;

// The name bytes a test expects: the given bytes, then zeros.
NameBytes Padded(const std::vector<std::uint8_t>& bytes)
{
    NameBytes padded{};
    for (std::size_t i = 0; i < bytes.size(); ++i) padded.at(i) = bytes[i];
    return padded;
}

// UTF-16LE of BMP characters, written out by the test.
std::vector<std::uint8_t> Utf16Le(std::u16string_view text)
{
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

const char* const kGoodFile =
    "\xEF\xBB\xBF# Seoul, evening\r\n"
    "dwell_ms = 400\n"
    "lock_ms = 0x40\n"
    "plan = 1 2 , 200000 ,210000,  220000\n"
    "\n"
    "[ensemble]\n"
    "frequency = 181280\n"
    "id = 0x1001\n"
    "label = KBS 코리아\n"
    "signal = 72\n"
    "errors = 10001\n"
    "[service]\n"
    "name = KBS1 TV\n"
    "id = 0x100101\n"
    "subchannel = 3\n"
    "type = tv\n"
    "audio = bsac\n"
    "audio_a = 2\n"
    "audio_b = 24000\n"
    "media = tv/kbs1.ts\n"
    "tuner_value0 = 7\n"
    "tuner_value10 = 4294967295\n"
    "  [service]  \n"
    "name = 음악 FM\n"
    "id = 4113\n"
    "subchannel = 0\n"
    "type = radio\n"
    "media = /srv/audio/music fm.mp2\n"
    "slide = slides/a.jpg\n"
    "slide = /pictures/b.jpg\n"
    "slide_seconds = 8\n"
    "dynamic_label = 지금은 # 클래식\n"
    "dynamic_label_seconds = 3\n"
    "[ensemble]\n"
    "frequency = 210000\n"
    "id = 2\n"
    "[service]\n"
    "name = Traffic\n"
    "id = 9\n"
    "subchannel = 63\n"
    "type = 5\n";

TEST(EnsembleFile, GoodFileReadsBackWhole)
{
    const BandLoad load = ParseBand(kGoodFile, "band.txt", "/nand/tdmb");
    ASSERT_TRUE(load.band) << load.error;
    EXPECT_EQ(load.error, "");
    const Band& band = *load.band;
    EXPECT_EQ(band.dwell_ms, 400u);
    EXPECT_EQ(band.lock_ms, 64u);
    ASSERT_EQ(band.plans.size(), 2u);
    ASSERT_NE(band.Plan(82, 0), nullptr) << "the Korean plan stays when no plan line replaces it";
    EXPECT_EQ(band.Plan(82, 0)->frequencies_khz.size(), 21u);
    ASSERT_NE(band.Plan(1, 2), nullptr);
    EXPECT_EQ(band.Plan(1, 2)->frequencies_khz, (std::vector<std::uint32_t>{200000, 210000, 220000}));
    EXPECT_EQ(band.Plan(82, 1), nullptr);

    ASSERT_EQ(band.ensembles.size(), 2u);
    const Ensemble& kbs = band.ensembles[0];
    EXPECT_EQ(kbs.frequency_khz, 181280u);
    EXPECT_EQ(kbs.id, 0x1001u);
    EXPECT_EQ(kbs.label, "KBS 코리아");
    EXPECT_EQ(kbs.signal_level, 72u);
    EXPECT_EQ(kbs.error_measure, 10001u);
    ASSERT_EQ(kbs.services.size(), 2u);

    const Service& tv = kbs.services[0];
    EXPECT_EQ(tv.name, "KBS1 TV");
    EXPECT_EQ(tv.id, 0x100101u);
    EXPECT_EQ(tv.subchannel_id, 3u);
    EXPECT_EQ(tv.type, kServiceTv);
    EXPECT_EQ(tv.audio_coding, kAudioBsac);
    EXPECT_EQ(tv.audio_a, 2u);
    EXPECT_EQ(tv.audio_b, 24000u);
    EXPECT_EQ(tv.media, "/nand/tdmb/tv/kbs1.ts");
    EXPECT_EQ(tv.tuner_value0, 7u);
    EXPECT_EQ(tv.tuner_value10, 0xFFFFFFFFu);

    const Service& radio = kbs.services[1];
    EXPECT_EQ(radio.name, "음악 FM");
    EXPECT_EQ(radio.type, kServiceRadio);
    EXPECT_EQ(radio.audio_coding, 0u) << "a radio service's audio values default to zero";
    EXPECT_EQ(radio.audio_a, 0u);
    EXPECT_EQ(radio.audio_b, 0u);
    EXPECT_EQ(radio.media, "/srv/audio/music fm.mp2");
    EXPECT_EQ(radio.slides, (std::vector<std::string>{"/nand/tdmb/slides/a.jpg", "/pictures/b.jpg"}));
    EXPECT_EQ(radio.slide_seconds, 8u);
    EXPECT_EQ(radio.dynamic_labels, (std::vector<std::string>{"지금은 # 클래식"})) << "# inside a value is text";
    EXPECT_EQ(radio.dynamic_label_seconds, 3u);

    const Ensemble& other = band.ensembles[1];
    EXPECT_EQ(other.signal_level, 100u) << "defaults";
    EXPECT_EQ(other.error_measure, 0u);
    EXPECT_EQ(other.label, "");
    ASSERT_EQ(other.services.size(), 1u);
    EXPECT_EQ(other.services[0].type, 5u);
    EXPECT_EQ(other.services[0].media, "") << "no media: nothing plays";

    EXPECT_EQ(band.EnsembleAt(210000), &band.ensembles[1]);
    EXPECT_EQ(band.EnsembleAt(175280), nullptr);
}

TEST(EnsembleFile, TvAudioDefaultsFillOnlyWhatTheServiceLeavesOut)
{
    const std::string head = "[ensemble]\nfrequency = 175280\nid = 1\n[service]\nname = A\nid = 1\nsubchannel = 1\n";
    const auto audio = [&](const std::string& lines) {
        const BandLoad load = ParseBand(head + lines, "f", "");
        EXPECT_TRUE(load.band) << load.error;
        const Service& service = load.band->ensembles.at(0).services.at(0);
        return std::array<std::uint32_t, 3>{service.audio_coding, service.audio_a, service.audio_b};
    };
    EXPECT_EQ(audio("type = tv\n"), (std::array<std::uint32_t, 3>{22, 2, 48000}));
    EXPECT_EQ(audio("audio = he-aac\ntype = tv\n"), (std::array<std::uint32_t, 3>{0, 2, 48000}))
        << "a default must not overwrite a value given before the type";
    EXPECT_EQ(audio("type = tv\naudio_b = 0\naudio_a = 7\n"), (std::array<std::uint32_t, 3>{22, 7, 0}));
    EXPECT_EQ(audio("type = data\n"), (std::array<std::uint32_t, 3>{0, 0, 0}));
}

TEST(EnsembleFile, EmptyFileIsTheKoreanPlanWithNothingOnIt)
{
    const BandLoad load = ParseBand("# nothing on air\n", "empty.txt", "");
    ASSERT_TRUE(load.band) << load.error;
    EXPECT_TRUE(load.band->ensembles.empty());
    const FrequencyPlan* korean = load.band->Plan(kRegionKorea, 0);
    ASSERT_NE(korean, nullptr);
    // Blocks 7A..13C: three per 6 MHz channel, 1.280, 3.008 and 4.736 MHz above its lower edge.
    constexpr std::uint32_t kBlockOffsets[] = {1280, 3008, 4736};
    for (std::uint32_t channel = 7; channel <= 13; ++channel)
        for (std::uint32_t block = 0; block < 3; ++block)
            EXPECT_EQ(korean->frequencies_khz.at((channel - 7) * 3 + block),
                      174000 + (channel - 7) * 6000 + kBlockOffsets[block]);
}

TEST(EnsembleFile, KoreanPlanLineReplacesTheBuiltInOne)
{
    const BandLoad load = ParseBand("plan = 82 0 175280 181280\n[ensemble]\nfrequency = 181280\nid = 1\n", "p", "");
    ASSERT_TRUE(load.band) << load.error;
    ASSERT_EQ(load.band->plans.size(), 1u);
    EXPECT_EQ(load.band->plans[0].frequencies_khz, (std::vector<std::uint32_t>{175280, 181280}));
    const BandLoad gone = ParseBand("plan = 82 0 175280\n[ensemble]\nfrequency = 181280\nid = 1\n", "p", "");
    EXPECT_FALSE(gone.band);
    EXPECT_EQ(gone.error, "p:3: frequency 181280 kHz is in no plan");
}

struct Refused {
    const char* body;  // appended to a good ensemble and service on lines 1-7
    std::size_t line;
    const char* reason;
};

TEST(EnsembleFile, EveryRefusalNamesItsLineAndLeavesNoBand)
{
    const std::string good =
        "[ensemble]\n"         // 1
        "frequency = 175280\n" // 2
        "id = 1\n"             // 3
        "[service]\n"          // 4
        "name = One\n"         // 5
        "id = 100\n"           // 6
        "subchannel = 1\n";    // 7 (type follows on line 8 in most cases)
    const std::string long_line(kMaxLineBytes + 1, 'x');
    const std::string long_name(kMaxNameBytes + 1, 'n');
    const std::vector<Refused> cases = {
        {"type = tv\nbogus = 1\n", 9, "unknown service key bogus"},
        {"type = tv\nname = Two\n", 9, "name given twice"},
        {"type = tv\n[service]\nname = Two\nid = 0x64\nsubchannel = 2\ntype = tv\n", 11, "service id 0x64 given twice"},
        {"type = 4294967296\n", 8, "type must be a number from 0 to 4294967295"},
        {"type = -1\n", 8, "type must be a number from 0 to 4294967295"},
        {"type = 1x\n", 8, "type must be a number from 0 to 4294967295"},
        {"type = 99999999999999999999999\n", 8, "type must be a number from 0 to 4294967295"},
        {"type = tv\nsubchannel = 4\n", 9, "subchannel given twice"},
        {"type = tv\n[service]\nname = x\nid = 5\nsubchannel = 64\n", 12, "subchannel must be a number from 0 to 63"},
        {"type = tv\naudio = 256\n", 9, "audio must be a number from 0 to 255"},
        {"type = tv\nslide_seconds = 0\n", 9, "slide_seconds must be a number from 1 to 3600"},
        {"type = tv\nslide = a.jpg\n", 9, "slides and dynamic labels belong to radio services"},
        {"dynamic_label = hi\ntype = 2\n", 8, "slides and dynamic labels belong to radio services"},
        {"type = radio\ndynamic_label = \n", 9, "dynamic_label is empty"},
        {"type = radio\nmedia =\n", 9, "media is empty"},
        {"\n", 4, "service has no type"},
        {"type = tv\n[service]\nname = x\n", 9, "service has no id"},
        {"type = tv\n[ensemble]\nfrequency = 175280\n", 10, "a second ensemble on 175280 kHz"},
        {"type = tv\n[ensemble]\nfrequency = 177008\nid = 0x0001\n", 11, "ensemble id 0x0001 given twice"},
        {"type = tv\n[ensemble]\nfrequency = 177000\n", 10, "frequency 177000 kHz is in no plan"},
        {"type = tv\n[ensemble]\nid = 5\n", 9, "ensemble has no frequency"},
        {"type = tv\n[ensemble]\nfrequency = 177008\nid = 65536\n", 11, "id must be a number from 0 to 65535"},
        {"type = tv\n[ensemble]\nfrequency = 177008\nid = 2\nsignal = 101\n", 12,
         "signal must be a number from 0 to 100"},
        {"type = tv\n[ensembles]\n", 9, "unknown section [ensembles]"},
        {"type = tv\njust words\n", 9, "expected \"key = value\""},
        {"type = tv\n = 3\n", 9, "no key before \"=\""},
    };
    for (const Refused& refused : cases) {
        const BandLoad load = ParseBand(good + refused.body, "dir/band.txt", "dir");
        EXPECT_FALSE(load.band) << refused.body;
        EXPECT_EQ(load.error, "dir/band.txt:" + std::to_string(refused.line) + ": " + refused.reason) << refused.body;
    }

    // Refusals that do not fit the table: long texts, and band keys.
    const auto error = [](const std::string& text) {
        const BandLoad load = ParseBand(text, "f", "");
        EXPECT_FALSE(load.band) << text.substr(0, 80);
        return load.error;
    };
    EXPECT_EQ(error("# " + long_line + "\n"), "f:1: line longer than 4096 bytes");
    EXPECT_EQ(error(good + "type = 1\nname = " + long_name + "\n"), "f:9: name given twice");
    EXPECT_EQ(error("[ensemble]\nfrequency = 175280\nid = 1\n[service]\nname = " + long_name + "\n"),
              "f:5: name longer than 64 bytes");
    EXPECT_EQ(error("[ensemble]\nfrequency = 175280\nid = 1\n[service]\nname = \xC0\xAF\n"),
              "f:5: name is not printable UTF-8");
    EXPECT_EQ(error(good + std::string("type = tv\nname = x\0y\n", 21)), "f:9: NUL byte in the line");
    EXPECT_EQ(error("[service]\n"), "f:1: a service before the first [ensemble]");
    EXPECT_EQ(error("dwell_ms = 1\ndwell_ms = 2\n"), "f:2: dwell_ms given twice");
    EXPECT_EQ(error("lock_ms = 60001\n"), "f:1: lock_ms must be a number from 0 to 60000");
    EXPECT_EQ(error("frequency = 175280\n"), "f:1: unknown band key frequency");
    EXPECT_EQ(error("plan = 1 2 200000 200000\n"), "f:1: plan: frequencies must ascend");
    EXPECT_EQ(error("plan = 1 2\n"), "f:1: plan: expected a region code, a band and at least one frequency");
    EXPECT_EQ(error("plan = 1 2 9\n"), "f:1: plan: frequency \"9\" must be a number from 50000 to 2000000 (kHz)");
    EXPECT_EQ(error("plan = 1 2 200000\nplan = 1 2 300000\n"), "f:2: plan: region 1 band 2 given twice");
}

TEST(EnsembleFile, CountsAreCapped)
{
    std::string text;
    for (std::size_t i = 0; i <= kMaxEnsembles; ++i)
        text += "[ensemble]\nfrequency = " + std::to_string(100000 + i) + "\nid = " + std::to_string(i) + "\n";
    std::string plan = "plan = 1 1";
    for (std::size_t i = 0; i <= kMaxEnsembles; ++i) plan += " " + std::to_string(100000 + i);
    BandLoad load = ParseBand(plan + "\n" + text, "f", "");
    EXPECT_EQ(load.error, "f:1: plan: more than 64 frequencies");
    // The 65th frequency in a plan of its own lets the 65th ensemble be the one refused.
    plan.erase(plan.rfind(' '));
    load = ParseBand(plan + "\nplan = 1 2 " + std::to_string(100000 + kMaxEnsembles) + "\n" + text, "f", "");
    EXPECT_FALSE(load.band);
    EXPECT_EQ(load.error, "f:" + std::to_string(3 + 3 * kMaxEnsembles) + ": more than 64 ensembles");

    std::string services = "[ensemble]\nfrequency = 175280\nid = 1\n";
    for (std::size_t i = 0; i <= kMaxServicesPerEnsemble; ++i)
        services += "[service]\nname = s\nid = " + std::to_string(i) + "\nsubchannel = 1\ntype = tv\n";
    load = ParseBand(services, "f", "");
    EXPECT_FALSE(load.band);
    EXPECT_EQ(load.error, "f:" + std::to_string(4 + 5 * kMaxServicesPerEnsemble) + ": more than 32 services in the ensemble");
}

TEST(EnsembleFile, ReadsFromDiskAndResolvesAgainstItsFolder)
{
    const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "tdmb_ensemble_test";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "band.txt").string();
    std::ofstream(path) << "[ensemble]\nfrequency = 175280\nid = 1\n[service]\nname = A\nid = 1\nsubchannel = 1\n"
                           "type = tv\nmedia = a.ts\n";
    const BandLoad load = ReadBandFile(path);
    ASSERT_TRUE(load.band) << load.error;
    EXPECT_EQ(load.band->ensembles.at(0).services.at(0).media, folder.string() + "/a.ts");

    const BandLoad missing = ReadBandFile((folder / "none.txt").string());
    EXPECT_FALSE(missing.band);
    EXPECT_EQ(missing.error, (folder / "none.txt").string() + ":0: cannot open the file");
}

TEST(ServiceName, LatinAndKoreanInBothRegions)
{
    // ASCII stays one byte in code page 949; its double bytes for 가, 나, 다 are B0A1, B3AA, B4D9.
    EXPECT_EQ(EncodeServiceName("KBS", 82), Padded({'K', 'B', 'S'}));
    EXPECT_EQ(EncodeServiceName("가나다", 82), Padded({0xB0, 0xA1, 0xB3, 0xAA, 0xB4, 0xD9}));
    EXPECT_EQ(EncodeServiceName("KBS", 1), Padded(Utf16Le(u"KBS")));
    EXPECT_EQ(EncodeServiceName("가나다", 1), Padded(Utf16Le(u"가나다")));
    EXPECT_EQ(EncodeServiceName("", 82), NameBytes{});
    // Characters the code page lacks, and bytes that are not UTF-8, go out as one character each.
    EXPECT_EQ(EncodeServiceName("a\xF0\x9F\x8E\xB5" "b", 82), Padded({'a', '?', 'b'}));
    EXPECT_EQ(EncodeServiceName("a\xFF" "b", 82), Padded({'a', '?', 'b'}));
    EXPECT_EQ(EncodeServiceName("a\xFF" "b", 0), Padded(Utf16Le(u"a\uFFFDb")));
    // A NUL ends the name, so no byte follows the first zero.
    EXPECT_EQ(EncodeServiceName(std::string_view("a\0b", 3), 82), Padded({'a'}));
    EXPECT_EQ(EncodeServiceName(std::string_view("a\0b", 3), 0), Padded({'a', 0}));
}

TEST(ServiceName, CutsOnlyAtCharacterBoundaries)
{
    // Exactly 20 bytes: no terminator.
    EXPECT_EQ(EncodeServiceName("ABCDEFGHIJKLMNOPQRST", 82), Padded({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J',
                                                                     'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T'}));
    EXPECT_EQ(EncodeServiceName("ABCDEFGHIJKLMNOPQRSTU", 82), EncodeServiceName("ABCDEFGHIJKLMNOPQRST", 82));
    EXPECT_EQ(EncodeServiceName("가가가가가가가가가가가", 82), EncodeServiceName("가가가가가가가가가가", 82))
        << "ten double bytes fill the 20 bytes";
    EXPECT_EQ(EncodeServiceName("가가가가가가가가가가", 82)[19], 0xA1);

    // A double byte that would take bytes 19 and 20 stays out; byte 19 is zero.
    std::vector<std::uint8_t> nineteen(19, 'x');
    NameBytes cut = Padded(nineteen);
    EXPECT_EQ(EncodeServiceName(std::string(19, 'x') + "가", 82), cut);
    EXPECT_EQ(cut[19], 0);

    // UTF-16: ten units fill the name; a pair that would start at unit 10 (byte 18) stays out whole.
    EXPECT_EQ(EncodeServiceName("0123456789", 7), Padded(Utf16Le(u"0123456789")));
    EXPECT_EQ(EncodeServiceName("012345678\xF0\x9F\x8E\xB5", 7), Padded(Utf16Le(u"012345678")));
    // A pair at units 8 and 9 fits exactly.
    EXPECT_EQ(EncodeServiceName("01234567\xF0\x9F\x8E\xB5", 7), Padded(Utf16Le(u"01234567\xD83C\xDFB5")));
}

TEST(ScanEntry, ElevenWordsInRecordOrder)
{
    Ensemble ensemble;
    ensemble.frequency_khz = 183008;
    Service service;
    service.name = "ABCDEFG";
    service.id = 0xE1F2;
    service.subchannel_id = 5;
    service.type = kServiceRadio;
    service.tuner_value0 = 11;
    service.tuner_value10 = 0xCAFE;
    service.audio_coding = kAudioBsac;  // not part of the entry
    const std::array<std::uint32_t, kScanEntryWords> expected = {
        11, 183008, 0xE1F2, 0x44434241, 0x00474645, 0, 0, 0, 5, kServiceRadio, 0xCAFE};
    EXPECT_EQ(ScanEntryWords(ensemble, service, 82), expected);
    // Outside region 82 the name words hold UTF-16: 'A' 0 'B' 0.
    EXPECT_EQ(ScanEntryWords(ensemble, service, 1)[3], 0x00420041u);
    EXPECT_EQ(ScanEntryWords(ensemble, service, 1)[6], 0x00000047u);
}

}  // namespace
