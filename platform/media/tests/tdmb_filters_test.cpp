// The T-DMB filters: the broadcast simulator's rules on their own, then the two graph layouts
// the telecast player builds, connected pin to pin as it connects them, configured through the
// vendor interfaces, and played on a real device from a tuned service whose media is made here.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "graph_test_support.h"
#include "platform/device_root.h"
#include "platform/media/com_object.h"
#include "platform/media/tdmb/audio_change_notice.h"
#include "platform/media/tdmb/broadcast_rules.h"
#include "platform/media/tdmb/pad_parser.h"
#include "platform/media/tdmb/setting_values.h"
#include "platform/media/tdmb/system_parser.h"
#include "platform/media/tdmb/tdmb_decoders.h"
#include "platform/media/tdmb/tdmb_interfaces.h"
#include "platform/media/tdmb/telecast_tuner.h"
#include "platform/media/tdmb/transport_packets.h"
#include "platform/media/vendor/vendor_interfaces.h"
#include "platform/media/vendor/video_renderer.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace platform::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tdmb::TunedService;

fs::path Clip(const char* name) { return fs::path(TDMB_CLIP_DIR) / name; }

// --- The rules --------------------------------------------------------------------------

TEST(BroadcastRules, APositionIsTheWallClockModuloTheMediaLength)
{
    EXPECT_DOUBLE_EQ(tdmb::BroadcastPosition(1000.0, 8.0), 0.0);
    EXPECT_DOUBLE_EQ(tdmb::BroadcastPosition(1003.5, 8.0), 3.5);
    EXPECT_DOUBLE_EQ(tdmb::BroadcastPosition(-1.0, 8.0), 7.0) << "never negative";
    for (double length : {0.0, -3.0, double(NAN), double(INFINITY)}) EXPECT_EQ(tdmb::BroadcastPosition(1003.5, length), 0.0) << length;

    constexpr std::uint64_t kPackets = 1000;
    constexpr std::uint64_t kSize = kPackets * 188 + 100;  // a torn last packet
    EXPECT_EQ(tdmb::BroadcastOffset(0.0, 8.0, kSize), 0u);
    EXPECT_EQ(tdmb::BroadcastOffset(4.0, 8.0, kSize), 500u * 188);
    EXPECT_EQ(tdmb::BroadcastOffset(8.0, 8.0, kSize), (kPackets - 1) * 188) << "the last whole packet";
    EXPECT_EQ(tdmb::BroadcastOffset(3.0, 0.0, kSize), 0u);
    EXPECT_EQ(tdmb::BroadcastOffset(3.0, 8.0, 187), 0u) << "not one whole packet";
    EXPECT_EQ(tdmb::BroadcastOffset(1.23, 8.0, kSize) % 188, 0u);
}

TEST(BroadcastRules, EachDecoderPlaysOnlyItsOwnKind)
{
    struct Case {
        std::uint8_t coding;
        bool bsac_plays;
        bool he_aac_plays;
    };
    for (const Case& c : {Case{22, true, false}, Case{0, false, true}, Case{23, false, true}}) {
        TunedService service;
        service.audio_coding = c.coding;
        EXPECT_EQ(tdmb::DecoderPlays(tdmb::AudioDecoderKind::Bsac, service), c.bsac_plays) << int(c.coding);
        EXPECT_EQ(tdmb::DecoderPlays(tdmb::AudioDecoderKind::HeAac, service), c.he_aac_plays) << int(c.coding);
    }
}

TEST(BroadcastRules, AnAudioChangeIsDueWhenATunedTvServiceCarriesOtherAudio)
{
    TunedService tv;
    tv.tuned = true;
    tv.type = 2;
    tv.audio_coding = 22;
    tv.audio_b = 48000;
    tv.audio_a = 2;
    EXPECT_FALSE(tdmb::AudioChangeDue({22, 48000, 2}, tv));
    EXPECT_FALSE(tdmb::AudioChangeDue({0x100 | 22, 48000, 2}, tv)) << "only the coding's byte counts";
    EXPECT_TRUE(tdmb::AudioChangeDue({0, 48000, 2}, tv));
    EXPECT_TRUE(tdmb::AudioChangeDue({22, 44100, 2}, tv));
    EXPECT_TRUE(tdmb::AudioChangeDue({22, 48000, 1}, tv));
    EXPECT_EQ(tdmb::ActualAudio(tv), (tdmb::AudioSettings{22, 48000, 2}));

    TunedService radio = tv;
    radio.type = 1;
    EXPECT_FALSE(tdmb::AudioChangeDue({0, 0, 0}, radio));
    TunedService lost = tv;
    lost.tuned = false;
    EXPECT_FALSE(tdmb::AudioChangeDue({0, 0, 0}, lost)) << "no service, nothing to compare";
}

std::array<std::uint8_t, 188> PacketWithClock(std::uint64_t base, std::uint16_t extension, std::uint8_t adaptation_length = 7)
{
    std::array<std::uint8_t, 188> packet{};
    packet[0] = 0x47;
    packet[3] = 0x30;  // adaptation field and payload
    packet[4] = adaptation_length;
    packet[5] = 0x10;  // a clock reference follows
    packet[6] = static_cast<std::uint8_t>(base >> 25);
    packet[7] = static_cast<std::uint8_t>(base >> 17);
    packet[8] = static_cast<std::uint8_t>(base >> 9);
    packet[9] = static_cast<std::uint8_t>(base >> 1);
    packet[10] = static_cast<std::uint8_t>(((base & 1) << 7) | 0x7E | (extension >> 8));
    packet[11] = static_cast<std::uint8_t>(extension);
    return packet;
}

TEST(TransportPackets, AClockIsReadOnlyFromAWholePacketThatCarriesOne)
{
    const std::uint64_t base = (std::uint64_t{1} << 32) + 12345;  // all 33 bits in use
    auto packet = PacketWithClock(base, 299);
    EXPECT_EQ(tdmb::PacketClock(packet), base * 300 + 299);
    EXPECT_FALSE(tdmb::PacketClock(std::span(packet).first(187))) << "short";
    EXPECT_FALSE(tdmb::PacketClock(PacketWithClock(base, 0, 6))) << "field too short for a clock";
    packet[5] = 0;
    EXPECT_FALSE(tdmb::PacketClock(packet)) << "no clock flag";
    packet = PacketWithClock(base, 0);
    packet[3] = 0x10;
    EXPECT_FALSE(tdmb::PacketClock(packet)) << "no adaptation field";
    packet = PacketWithClock(base, 0);
    packet[0] = 0x48;
    EXPECT_FALSE(tdmb::PacketClock(packet)) << "no sync byte";
}

// A packet that starts a video PES with a presentation and a decoding time, after a clock.
std::array<std::uint8_t, 188> PacketWithTimes(std::uint64_t clock_base, std::uint64_t presentation, std::uint64_t decoding)
{
    auto packet = PacketWithClock(clock_base, 0x155);
    packet[1] = 0x40;  // a unit starts here
    const std::size_t pes = 4 + 1 + packet[4];
    const std::uint8_t header[] = {0, 0, 1, 0xE0, 0, 0, 0x80, 0xC0, 10};
    std::copy(std::begin(header), std::end(header), packet.begin() + static_cast<std::ptrdiff_t>(pes));
    auto put = [&](std::size_t at, std::uint8_t prefix, std::uint64_t time) {
        packet[at] = static_cast<std::uint8_t>(prefix << 4 | ((time >> 30) & 7) << 1 | 1);
        packet[at + 1] = static_cast<std::uint8_t>(time >> 22);
        packet[at + 2] = static_cast<std::uint8_t>(((time >> 15) & 0x7F) << 1 | 1);
        packet[at + 3] = static_cast<std::uint8_t>(time >> 7);
        packet[at + 4] = static_cast<std::uint8_t>((time & 0x7F) << 1 | 1);
    };
    put(pes + 9, 3, presentation);
    put(pes + 14, 1, decoding);
    return packet;
}

TEST(TransportPackets, ShiftingMovesTheClockAndThePesTimesOnAndWrapsAt33Bits)
{
    constexpr std::uint64_t kTop = (std::uint64_t{1} << 33) - 1;
    auto packet = PacketWithTimes(1000, 90'000, 87'000);
    const auto original = packet;
    tdmb::ShiftPacketClocks(packet, 720'000);
    EXPECT_EQ(tdmb::PacketClock(packet), (1000 + 720'000) * 300 + 0x155) << "the extension is kept, even one past 299";
    EXPECT_EQ(tdmb::PacketClock(original), 1000 * 300 + 0x155);
    // Shifting back by the rest of the 33-bit circle gives the original bytes, markers and all.
    tdmb::ShiftPacketClocks(packet, kTop + 1 - 720'000);
    EXPECT_EQ(packet, original);

    packet = PacketWithTimes(kTop, kTop, kTop - 3000);
    tdmb::ShiftPacketClocks(packet, 2);
    EXPECT_EQ(packet, PacketWithTimes(1, 1, kTop - 2998)) << "the clocks wrap as the broadcast's do";
}

TEST(TransportPackets, ShiftingLeavesWhatIsNotAClockAlone)
{
    // A PES header that claims times its header has no room for.
    auto packet = PacketWithTimes(1000, 90'000, 87'000);
    packet[4 + 1 + 7 + 8] = 4;
    auto shifted = packet;
    tdmb::ShiftPacketClocks(shifted, 90'000);
    EXPECT_EQ(tdmb::PacketClock(shifted), 91'000u * 300 + 0x155);
    shifted[6] = packet[6], shifted[7] = packet[7], shifted[8] = packet[8], shifted[9] = packet[9],
    shifted[10] = packet[10];
    EXPECT_EQ(shifted, packet) << "the times were left as they were";

    // A table (no PES start code), a packet without a unit start, an adaptation field that
    // fills the packet, a short packet and one without the sync byte: all unchanged.
    std::array<std::uint8_t, 188> table{};
    table[0] = 0x47, table[1] = 0x40, table[3] = 0x10, table[5] = 0x02, table[6] = 0xB0;
    std::vector<std::array<std::uint8_t, 188>> untouched = {table, PacketWithTimes(0, 5, 5)};
    untouched[1][1] = 0;
    untouched[1][5] = 0;  // and no clock
    untouched.push_back(untouched[1]);
    untouched[2][1] = 0x40, untouched[2][4] = 183;
    for (auto bytes : untouched) {
        const auto before = bytes;
        tdmb::ShiftPacketClocks(bytes, 12345);
        EXPECT_EQ(bytes, before);
    }
    auto short_packet = PacketWithTimes(1000, 90'000, 87'000);
    const auto before = short_packet;
    tdmb::ShiftPacketClocks(std::span(short_packet).first(187), 5);
    short_packet[0] = 0x48;
    tdmb::ShiftPacketClocks(short_packet, 5);
    short_packet[0] = 0x47;
    EXPECT_EQ(short_packet, before);
}

TEST(SettingValues, OnlyKnownPropertiesAreCopiedAndReadBack)
{
    tdmb::SettingValues values(tdmb::kEaacPlusDecoderProperties);
    DWORD word = 0xdeadbeef;
    EXPECT_EQ(values.Get(3, &word), S_FALSE) << "never set";
    EXPECT_EQ(word, 0u);
    DWORD one = 1, b = 48000;
    EXPECT_EQ(values.Set(3, &one), S_OK);
    EXPECT_EQ(values.Set(2, &b), S_OK);
    EXPECT_EQ(values.Set(1, &one), E_INVALIDARG);
    EXPECT_EQ(values.Set(2, nullptr), E_POINTER);
    EXPECT_EQ(values.Get(3, &word), S_OK);
    EXPECT_EQ(word, 1u);
    EXPECT_EQ(values.Value(2), std::vector<DWORD>{48000});
    EXPECT_FALSE(values.Value(1));
}

// --- The graphs -------------------------------------------------------------------------

template <class Interface>
Held<Interface> Query(IUnknown* object)
{
    Held<Interface> found;
    EXPECT_EQ(object->QueryInterface(InterfaceTraits<Interface>::kId, found.OutVoid()), S_OK);
    return found;
}

struct Slot {
    const CLSID& clsid;
    const char* name;
};
constexpr Slot kTuner{CLSID_TelecastTuner, "TCC TELECASTTune"};
constexpr Slot kTee{CLSID_InfiniteTee, "TCC Infinite Filter"};
constexpr Slot kMp2{CLSID_MP2Decoder, "TCC MP2Dec Filter"};
constexpr Slot kPad{CLSID_PadParser, "TCC PAD Praser"};
constexpr Slot kParser{CLSID_DmbSystemParser, "Tcc DMB System Parser"};
constexpr Slot kH264{CLSID_H264Decoder, "TCC H264Dec Filter"};
constexpr Slot kBsac{CLSID_BsacDecoder, "TCC BSACDec Filter"};
constexpr Slot kEaac{CLSID_EaacPlusDecoder, "TCC EAACPLUSDec Filter"};
constexpr Slot kVideo{CLSID_VRenderer, "TCC Video Renderer"};
constexpr Slot kAudio{CLSID_AudioRender, "Audio Renderer"};

// One connection of a layout: upstream filter and output pin, downstream filter and input pin.
struct Link {
    const char* from;
    const char* out;
    const char* to;
    const char* in;
};

std::mutex s_labels_mutex;
std::vector<std::u16string> s_labels;
void KeepLabel(const WCHAR* text)
{
    std::lock_guard lock(s_labels_mutex);
    s_labels.emplace_back(text);
}

class TdmbGraph : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(TDMB_CLIP_DIR, BroadcastClips(), failed)) << failed;
    }
    void SetUp() override
    {
        std::ofstream(m_device.Root() / "device.conf") << "audio = fake\n";
        ReloadConfig();
        ASSERT_TRUE(m_device.StartServer());
        ASSERT_EQ(RegisterMediaClasses(), S_OK);
        m_graph = MakeGraph();
        ASSERT_TRUE(m_graph.builder);
        std::lock_guard lock(s_labels_mutex);
        s_labels.clear();
    }
    void TearDown() override
    {
        if (m_graph.control) m_graph.control->Stop();
    }

    // Adds the filters in the layout's order, each under its name.
    void Add(std::initializer_list<Slot> slots)
    {
        for (const Slot& slot : slots) {
            Held<IBaseFilter> filter;
            ASSERT_EQ(CoCreateInstance(slot.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.OutVoid()), S_OK)
                << slot.name;
            ASSERT_EQ(m_graph.builder->AddFilter(filter.Get(), slot.name), S_OK) << slot.name;
        }
    }
    Held<IBaseFilter> Filter(const char* name)
    {
        Held<IBaseFilter> filter;
        EXPECT_EQ(m_graph.builder->FindFilterByName(name, filter.Out()), S_OK) << name;
        return filter;
    }
    // Finds each pin by its name and direction and lets the graph connect them.
    HRESULT Connect(const Link& link)
    {
        Held<IPin> out, in;
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (FAILED(Filter(link.from)->FindPin(link.out, out.Out())) || out->QueryDirection(&direction) != S_OK ||
            direction != PINDIR_OUTPUT)
            return VFW_E_NOT_FOUND;
        if (FAILED(Filter(link.to)->FindPin(link.in, in.Out())) || in->QueryDirection(&direction) != S_OK ||
            direction != PINDIR_INPUT)
            return VFW_E_NOT_FOUND;
        return m_graph.builder->Connect(out.Get(), in.Get());
    }
    // The audio renderer's clock as the graph's sync source.
    void SyncToAudioRenderer()
    {
        Held<IReferenceClock> clock = Query<IReferenceClock>(Filter(kAudio.name).Get());
        Held<IMediaFilter> graph = Query<IMediaFilter>(m_graph.builder.Get());
        ASSERT_EQ(graph->SetSyncSource(clock.Get()), S_OK);
    }
    template <class Type>
    Type* Inner(const char* name)
    {
        return dynamic_cast<Type*>(Filter(name).Get());
    }
    void Tune(const TunedService& service)
    {
        Inner<media::TelecastTuner>(kTuner.name)->UseServiceSource([this] {
            std::lock_guard lock(m_service_mutex);
            return std::optional<TunedService>(m_service);
        });
        std::lock_guard lock(m_service_mutex);
        m_service = service;
    }
    OAFilterState Settled()
    {
        OAFilterState state = -1;
        EXPECT_EQ(m_graph.control->GetState(10000, &state), S_OK) << "the graph did not settle in 10 s";
        return state;
    }
    std::uint64_t Frames()
    {
        auto info = m_control.Overlay();
        return info ? info->frames : 0;
    }
    void ShowVideo()
    {
        Held<IVRendererDisplay> display = Query<IVRendererDisplay>(Filter(kVideo.name).Get());
        ASSERT_EQ(display->SetDisplay(1, 0, 0, 800, 480, 0, 0, 0, 0, 0), S_OK);
    }

    static TunedService TvService(std::uint8_t coding)
    {
        TunedService service;
        service.tuned = true;
        service.type = 2;
        service.audio_coding = coding;
        service.audio_b = 48000;
        service.signal_level = 5;
        service.media = Clip("tv.ts").string();
        return service;
    }

    TemporaryDevice m_device;
    devicectl::DeviceControl m_control{m_device.Root()};
    ComScope m_com;
    Graph m_graph;
    std::mutex m_service_mutex;
    TunedService m_service;
};

constexpr Link kLayout2[] = {
    {"TCC TELECASTTune", "TSOut", "Tcc DMB System Parser", "DMB In"},
    {"Tcc DMB System Parser", "Video Out", "TCC H264Dec Filter", "XForm In"},
    {"TCC H264Dec Filter", "XForm Out", "TCC Video Renderer", "Input"},
    {"Tcc DMB System Parser", "Audio Out", "TCC BSACDec Filter", "XForm In"},
    {"TCC BSACDec Filter", "XForm Out", "Audio Renderer", "Audio Input pin (rendered)"},
};
constexpr Link kLayout1[] = {
    {"TCC TELECASTTune", "AOut", "TCC Infinite Filter", "Input"},
    {"TCC Infinite Filter", "Output1", "TCC MP2Dec Filter", "XForm In"},
    {"TCC MP2Dec Filter", "XForm Out", "Audio Renderer", "Audio Input pin (rendered)"},
    {"TCC Infinite Filter", "Output2", "TCC PAD Praser", "XForm In"},
    {"TCC PAD Praser", "XForm Out", "TCC Video Renderer", "Input"},
};

TEST_F(TdmbGraph, TheTvLayoutConnectsTakesItsSettingsAndPlaysTheServicePictureOnTheRenderer)
{
    Add({kTuner, kParser, kH264, kBsac, kEaac, kVideo, kAudio});
    for (const Link& link : kLayout2) ASSERT_EQ(Connect(link), S_OK) << link.from << " " << link.out;
    SyncToAudioRenderer();

    // The configuration of a BSAC service, read back as set.
    DWORD b = 48000, one = 1;
    DWORD audio[3] = {22, 48000, 0};
    ASSERT_EQ(Query<IBsacDecoderSettings>(Filter(kBsac.name).Get())->Set(2, &b), S_OK);
    ASSERT_EQ(Query<ISystemParserSettings>(Filter(kParser.name).Get())->Set(1, audio), S_OK);
    ASSERT_EQ(Query<IH264DecoderSettings>(Filter(kH264.name).Get())->Set(1, &one), S_OK);
    Held<IEaacPlusDecoderSettings> eaac = Query<IEaacPlusDecoderSettings>(Filter(kEaac.name).Get());
    ASSERT_EQ(eaac->Set(3, &one), S_OK);
    DWORD read = 0;
    EXPECT_EQ(eaac->Get(3, &read), S_OK);
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(eaac->Set(7, &one), E_INVALIDARG);

    Tune(TvService(22));
    ShowVideo();
    ASSERT_EQ(m_graph.control->Run(), S_OK);
    EXPECT_EQ(Settled(), State_Running);
    EXPECT_TRUE(WaitUntil([&] { return Inner<media::TelecastTuner>(kTuner.name)->Sending(); }, 5s));
    const std::uint64_t at_start = Frames();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= at_start + 10; }, 10s)) << "the service's picture does not arrive";
    EXPECT_TRUE(Inner<media::BsacDecoder>(kBsac.name)->Plays()) << "a BSAC service through the BSAC decoder";
    EXPECT_FALSE(Inner<media::SystemParser>(kParser.name)->AudioChangeSent()) << "the configured audio is the service's";
}

TEST_F(TdmbGraph, AServiceOfTheOtherKindPlaysSilenceAndToldOnceOfItsAudio)
{
    Add({kTuner, kParser, kH264, kBsac, kEaac, kVideo, kAudio});
    for (const Link& link : kLayout2) ASSERT_EQ(Connect(link), S_OK) << link.from << " " << link.out;
    DWORD audio[3] = {22, 48000, 0};
    ASSERT_EQ(Query<ISystemParserSettings>(Filter(kParser.name).Get())->Set(1, audio), S_OK);

    // The program's main window, to be told.
    static const bool registered = [] {
        WNDCLASS window_class;
        window_class.lpfnWndProc = DefWindowProc;
        window_class.lpszClassName = "TDMB_FILTERS_TEST";
        return RegisterClass(&window_class) != 0;
    }();
    ASSERT_TRUE(registered);
    HWND main = CreateWindowEx(0, "TDMB_FILTERS_TEST", "MAIN", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main, nullptr);
    // An untitled window of the program kept in front of everything (a wait box) is not it.
    HWND box = CreateWindowEx(WS_EX_TOPMOST, "TDMB_FILTERS_TEST", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(platform::tdmb::ProgramMainWindow(), main);

    TunedService he_aac = TvService(0);
    he_aac.audio_a = 1;
    Tune(he_aac);
    ShowVideo();
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(m_graph.control->Run(), S_OK);
        ASSERT_EQ(m_graph.control->Pause(), S_OK);
        ASSERT_EQ(m_graph.control->Run(), S_OK) << "a pause toggle within the run";
        EXPECT_FALSE(Inner<media::BsacDecoder>(kBsac.name)->Plays()) << "HE-AAC audio is not the BSAC decoder's";
        EXPECT_TRUE(Inner<media::SystemParser>(kParser.name)->AudioChangeSent());
        const std::uint64_t at_start = Frames();
        EXPECT_TRUE(WaitUntil([&] { return Frames() >= at_start + 5; }, 10s)) << "the picture goes on";
        ASSERT_EQ(m_graph.control->Stop(), S_OK);
    }

    const UINT notice = RegisterWindowMessage("TCC_TELECAST_AUDIOCHANGE_MSG");
    int notices = 0;
    MSG message;
    while (PeekMessage(&message, main, notice, notice, PM_REMOVE)) {
        ++notices;
        const auto* record = reinterpret_cast<const std::uint32_t*>(message.lParam);
        EXPECT_EQ(record[0] & 0xFF, 0u);
        EXPECT_EQ(record[1], 48000u);
        EXPECT_EQ(record[2], 1u);
    }
    EXPECT_EQ(notices, 2) << "once a run, not at the pause toggle";
    DestroyWindow(box);
    DestroyWindow(main);
}

TEST_F(TdmbGraph, TheRadioLayoutShowsTheDefaultPictureThenTheSlidesAndPassesTheLabels)
{
    Add({kTuner, kTee, kMp2, kPad, kVideo, kAudio});
    DWORD one = 1;
    ASSERT_EQ(Query<IMP2DecoderSettings>(Filter(kMp2.name).Get())->Set(1, &one), S_OK);
    for (const Link& link : kLayout1) ASSERT_EQ(Connect(link), S_OK) << link.from << " " << link.out;
    SyncToAudioRenderer();
    EXPECT_EQ(Query<IVRendererDisplay>(Filter(kVideo.name).Get())->SetPictureMode(0), S_OK);

    fs::create_directories(m_device.Root() / "fs" / "Nand");
    fs::copy_file(Clip("initDAB.jpg"), m_device.Root() / "fs" / "Nand" / "initDAB.jpg");
    Held<IPadParserSettings> pad = Query<IPadParserSettings>(Filter(kPad.name).Get());
    ASSERT_EQ(pad->SetDefaultPicture(u"Nand\\initDAB.jpg"), S_OK);
    EXPECT_EQ(fs::path(Inner<media::PadParser>(kPad.name)->DefaultPicture()), m_device.Root() / "fs" / "Nand" / "initDAB.jpg");
    ASSERT_EQ(pad->SetTextCallback(KeepLabel), S_OK);
    ASSERT_EQ(pad->SetPictureCallback([](const WCHAR*) {}), S_OK);

    TunedService radio;
    radio.tuned = true;
    radio.type = 1;
    radio.signal_level = 5;
    radio.media = Clip("radio.ts").string();
    radio.slides = {Clip("slide.jpg").string()};
    radio.slide_seconds = 1;
    radio.dynamic_labels = {"첫 번째", "second"};
    radio.dynamic_label_seconds = 1;
    Tune(radio);
    ShowVideo();
    ASSERT_EQ(m_graph.control->Run(), S_OK);
    EXPECT_EQ(Settled(), State_Running);
    const std::uint64_t at_start = Frames();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= at_start + 5; }, 10s)) << "the slide show does not arrive";
    auto* parser = Inner<media::PadParser>(kPad.name);
    EXPECT_TRUE(WaitUntil([&] { return parser->PicturesShown().size() >= 2; }, 10s));
    const std::vector<std::string> shown = parser->PicturesShown();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], "initDAB.jpg");
    EXPECT_EQ(shown[1], "slide.jpg");
    EXPECT_TRUE(WaitUntil([&] {
        std::lock_guard lock(s_labels_mutex);
        return s_labels.size() >= 2;
    }, 10s));
    std::lock_guard lock(s_labels_mutex);
    ASSERT_GE(s_labels.size(), 2u);
    EXPECT_EQ(s_labels[0], u"첫 번째");
    EXPECT_EQ(s_labels[1], u"second");
}

TEST_F(TdmbGraph, NothingIsSentWhileTheServiceCannotBeReceivedAndTheBroadcastResumesAfter)
{
    Add({kTuner, kParser, kH264, kBsac, kEaac, kVideo, kAudio});
    for (const Link& link : kLayout2) ASSERT_EQ(Connect(link), S_OK);
    TunedService weak = TvService(22);
    weak.error_measure = 10001;
    Tune(weak);
    ShowVideo();
    ASSERT_EQ(m_graph.control->Run(), S_OK);
    auto* tuner = Inner<media::TelecastTuner>(kTuner.name);
    for (int poll = 0; poll < 3; ++poll) {
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(tuner->Sending());
    }
    Tune(TvService(22));
    EXPECT_TRUE(WaitUntil([&] { return tuner->Sending(); }, 5s)) << "the tuner does not resume";
    const std::uint64_t resumed = Frames();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= resumed + 5; }, 10s));
}

}  // namespace
}  // namespace platform::testing
