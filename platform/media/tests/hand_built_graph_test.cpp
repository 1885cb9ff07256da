// Graphs connected pin to pin by their callers, as the camera and T-DMB players build them:
// the filters' pins found by name, what a connection refuses, the breaking of connections,
// and playback on a real device: a tone into the audio renderer by the renderer's own clock,
// heard in the capture, and a test picture into the vendor renderer, seen on the overlay.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "platform/media/audio_renderer.h"
#include "platform/media/com_object.h"
#include "platform/media/filter_base.h"
#include "platform/media/pin_interfaces.h"
#include "platform/media/vendor/vendor_interfaces.h"
#include "platform/testing/temporary_device.h"
#include "playback_fixture.h"
#include "tools/devicectl/device_control.h"
#include "wave_reader.h"

namespace platform::testing {
namespace {

constexpr CLSID kTestSourceClass = GuidLiteral("6D1A4F2E-7C33-4E51-9A0B-3F4C5D6E7F80");

// A live source of the given GStreamer description (one always source pad) on pin "Out".
class TestSource final : public media::FilterBase<> {
public:
    TestSource(const char* description, const GUID& major_type)
        : FilterBase(kTestSourceClass, {{"Out", PINDIR_OUTPUT, major_type}}), m_description(description)
    {
    }

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override
    {
        GstElement* source = gst_parse_bin_from_description(m_description, TRUE, nullptr);
        if (!source) return false;
        gst_bin_add(bin, source);
        pads.push_back(gst_element_get_static_pad(source, "src"));
        return true;
    }

private:
    ~TestSource() override = default;
    const char* const m_description;
};

// A 1 kHz sine at half of full scale: -9.03 dB of full scale as a level.
constexpr const char* kTone = "audiotestsrc is-live=true wave=sine freq=1000 volume=0.5 samplesperbuffer=441 "
                              "! capsfilter caps=audio/x-raw,rate=44100,channels=2";
constexpr double kToneLevelDb = -9.03;
constexpr const char* kPicture = "videotestsrc is-live=true ! capsfilter caps=video/x-raw,width=160,height=120,framerate=25/1";

template <class Interface>
Held<Interface> Created(REFCLSID clsid)
{
    Held<Interface> made;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, InterfaceTraits<Interface>::kId, made.OutVoid()),
              S_OK);
    return made;
}

Held<IPin> PinOf(IBaseFilter* filter, const std::string& name)
{
    Held<IPin> pin;
    EXPECT_EQ(filter->FindPin(name, pin.Out()), S_OK) << name;
    return pin;
}

// Each pin of the filter as "name>" (output) or "name<" (input), in the filter's order.
std::vector<std::string> PinsOf(IBaseFilter* filter)
{
    Held<IEnumPins> walk;
    EXPECT_EQ(filter->EnumPins(walk.Out()), S_OK);
    std::vector<std::string> pins;
    IPin* pin = nullptr;
    while (walk->Next(1, &pin, nullptr) == S_OK) {
        PIN_INFO info;
        EXPECT_EQ(pin->QueryPinInfo(&info), S_OK);
        EXPECT_EQ(info.pFilter, filter);
        if (info.pFilter) info.pFilter->Release();
        pins.push_back(info.achName + (info.dir == PINDIR_OUTPUT ? ">" : "<"));
        pin->Release();
    }
    return pins;
}

bool Connected(IPin* pin)
{
    Held<IPin> peer;
    return pin->ConnectedTo(peer.Out()) == S_OK;
}

// Each test on a device of its own, whose audio output is `audio_mode`.
class HandBuiltGraph : public ::testing::Test {
protected:
    explicit HandBuiltGraph(const char* audio_mode = "fake") : m_audio_mode(audio_mode) {}
    void SetUp() override
    {
        std::ofstream(m_device.Root() / "device.conf") << "audio = " << m_audio_mode << "\n";
        ReloadConfig();
        ASSERT_TRUE(m_device.StartServer());
        ASSERT_EQ(RegisterMediaClasses(), S_OK);
        m_live_at_start = ComLiveObjects();
    }
    void TearDown() override { EXPECT_EQ(ComLiveObjects(), m_live_at_start) << "an object was left alive"; }

    const char* const m_audio_mode;
    TemporaryDevice m_device;
    ComScope m_com;
    LONG m_live_at_start = 0;
};

TEST_F(HandBuiltGraph, EachFilterHasItsNamedPinsAndAHeldPinHoldsItsFilter)
{
    EXPECT_EQ(PinsOf(Created<IBaseFilter>(CLSID_AudioRender).Get()), std::vector<std::string>{"Audio Input pin (rendered)<"});
    EXPECT_EQ(PinsOf(Created<IBaseFilter>(CLSID_VRenderer).Get()), std::vector<std::string>{"Input<"});
    EXPECT_EQ(PinsOf(Created<IBaseFilter>(CLSID_DEQFilter).Get()), (std::vector<std::string>{"XForm In<", "XForm Out>"}));
    EXPECT_EQ(PinsOf(Created<IBaseFilter>(CLSID_CAM).Get()), std::vector<std::string>{"POut>"});

    Held<IBaseFilter> camera = Created<IBaseFilter>(CLSID_CAM);
    Held<IPin> none;
    EXPECT_EQ(camera->FindPin("Input", none.Out()), VFW_E_NOT_FOUND);
    EXPECT_FALSE(none);
    Held<IPin> out = PinOf(camera.Get(), "POut");
    std::string id;
    EXPECT_EQ(out->QueryId(&id), S_OK);
    EXPECT_EQ(id, "POut");
    const LONG with_filter = ComLiveObjects();
    camera.Reset();
    EXPECT_EQ(ComLiveObjects(), with_filter) << "the pin keeps its filter";
    PIN_DIRECTION direction = PINDIR_INPUT;
    EXPECT_EQ(out->QueryDirection(&direction), S_OK);
    EXPECT_EQ(direction, PINDIR_OUTPUT);
    out.Reset();
    EXPECT_EQ(ComLiveObjects(), with_filter - 1);
}

TEST_F(HandBuiltGraph, ACameraDeviceThatCannotBeOpenedFailsTheFiltersCreation)
{
    std::ofstream(m_device.Root() / "device.conf", std::ios::app) << "camera = /dev/no-such-video9\n";
    ReloadConfig();
    IBaseFilter* camera = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_CAM, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, reinterpret_cast<void**>(&camera)),
              HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(camera, nullptr);
    EXPECT_TRUE(m_device.WaitForLog(ProgramName(), "TCCCAMFilter: cannot open /dev/no-such-video9"));
    std::ofstream(m_device.Root() / "device.conf", std::ios::app) << "camera = test\n";
    ReloadConfig();
    Held<IBaseFilter> test_pattern = Created<IBaseFilter>(CLSID_CAM);
    EXPECT_TRUE(test_pattern);
}

TEST_F(HandBuiltGraph, ConnectRefusesPinsItCannotJoinAndChangesNothing)
{
    Graph graph = MakeGraph();
    Held<IBaseFilter> camera = Created<IBaseFilter>(CLSID_CAM);
    Held<IBaseFilter> renderer = Created<IBaseFilter>(CLSID_VRenderer);
    Held<IBaseFilter> sound = Created<IBaseFilter>(CLSID_AudioRender);
    Held<IPin> out = PinOf(camera.Get(), "POut");
    Held<IPin> in = PinOf(renderer.Get(), "Input");
    Held<IPin> sound_in = PinOf(sound.Get(), "Audio Input pin (rendered)");

    EXPECT_EQ(graph.builder->Connect(out.Get(), in.Get()), VFW_E_NOT_IN_GRAPH) << "filters not yet added";
    ASSERT_EQ(graph.builder->AddFilter(camera.Get(), "TCCCAMFilter"), S_OK);
    ASSERT_EQ(graph.builder->AddFilter(renderer.Get(), "TCC Video Renderer"), S_OK);
    ASSERT_EQ(graph.builder->AddFilter(sound.Get(), "Audio Renderer"), S_OK);
    EXPECT_EQ(graph.builder->Connect(in.Get(), out.Get()), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(graph.builder->Connect(out.Get(), sound_in.Get()), VFW_E_NO_ACCEPTABLE_TYPES) << "video into audio";
    EXPECT_EQ(graph.builder->Connect(nullptr, in.Get()), E_POINTER);
    EXPECT_FALSE(Connected(out.Get()));
    EXPECT_FALSE(Connected(sound_in.Get()));

    ASSERT_EQ(graph.builder->Connect(out.Get(), in.Get()), S_OK);
    EXPECT_EQ(graph.builder->Connect(out.Get(), in.Get()), VFW_E_ALREADY_CONNECTED);
    AM_MEDIA_TYPE type;
    EXPECT_EQ(in->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.majortype, MEDIATYPE_Video);
    EXPECT_EQ(graph.builder->RenderFile("\\NAND\\any.wav", nullptr), VFW_E_WRONG_STATE)
        << "a graph connected by hand renders no file";

    // Connections change only while the graph is stopped.
    ASSERT_EQ(graph.control->Pause(), S_OK);
    EXPECT_EQ(graph.builder->Disconnect(out.Get()), VFW_E_NOT_STOPPED);
    EXPECT_EQ(graph.builder->RemoveFilter(camera.Get()), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(Connected(out.Get()));
    ASSERT_EQ(graph.control->Stop(), S_OK);
}

TEST_F(HandBuiltGraph, DisconnectingOrRemovingBreaksBothEndsAndTheLinkCanBeMadeAgain)
{
    Graph graph = MakeGraph();
    Held<IBaseFilter> camera = Created<IBaseFilter>(CLSID_CAM);
    Held<IBaseFilter> renderer = Created<IBaseFilter>(CLSID_VRenderer);
    ASSERT_EQ(graph.builder->AddFilter(camera.Get(), "TCCCAMFilter"), S_OK);
    ASSERT_EQ(graph.builder->AddFilter(renderer.Get(), "TCC Video Renderer"), S_OK);
    Held<IPin> out = PinOf(camera.Get(), "POut");
    Held<IPin> in = PinOf(renderer.Get(), "Input");

    ASSERT_EQ(graph.builder->Connect(out.Get(), in.Get()), S_OK);
    Held<IPin> peer;
    ASSERT_EQ(out->ConnectedTo(peer.Out()), S_OK);
    EXPECT_EQ(peer.Get(), in.Get());
    EXPECT_EQ(graph.builder->Disconnect(out.Get()), S_OK);
    EXPECT_FALSE(Connected(out.Get()));
    EXPECT_FALSE(Connected(in.Get()));
    EXPECT_EQ(graph.builder->Disconnect(in.Get()), S_FALSE) << "the other end is already free";

    // Connected again, by the pin itself, then taken apart by removing a filter.
    ASSERT_EQ(out->Connect(in.Get(), nullptr), S_OK);
    EXPECT_EQ(graph.builder->Reconnect(in.Get()), S_OK);
    EXPECT_TRUE(Connected(out.Get()));
    ASSERT_EQ(graph.builder->RemoveFilter(renderer.Get()), S_OK);
    EXPECT_FALSE(Connected(out.Get()));
    EXPECT_FALSE(Connected(in.Get()));
    EXPECT_EQ(in->Disconnect(), S_FALSE);

    // A graph released while connected lets its filters go free.
    ASSERT_EQ(graph.builder->AddFilter(renderer.Get(), "TCC Video Renderer"), S_OK);
    ASSERT_EQ(graph.builder->Connect(out.Get(), in.Get()), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    graph = Graph{};
    EXPECT_FALSE(Connected(out.Get()));
    FILTER_INFO info;
    ASSERT_EQ(camera->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
}

// The same graphs on a device whose audio output keeps what it plays.
class HandBuiltPlayback : public HandBuiltGraph {
protected:
    HandBuiltPlayback() : HandBuiltGraph("capture") {}
    std::vector<fs::path> Captures() const
    {
        std::vector<fs::path> files;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(m_device.Root() / "state" / "audio", error))
            files.push_back(entry.path());
        return files;
    }
};

TEST_F(HandBuiltPlayback, AToneIntoTheAudioRendererPlaysByTheRenderersClockAtTheGraphsVolume)
{
    double played = 0;
    {
        Graph graph = MakeGraph();
        auto* tone = new TestSource(kTone, MEDIATYPE_Audio);
        Held<IBaseFilter> source(tone);
        Held<IBaseFilter> renderer = Created<IBaseFilter>(CLSID_AudioRender);
        ASSERT_EQ(graph.builder->AddFilter(source.Get(), "Tone"), S_OK);
        ASSERT_EQ(graph.builder->AddFilter(renderer.Get(), "Audio Renderer"), S_OK);
        ASSERT_EQ(graph.builder->Connect(PinOf(source.Get(), "Out").Get(),
                                         PinOf(renderer.Get(), "Audio Input pin (rendered)").Get()),
                  S_OK);

        Held<IReferenceClock> clock;
        ASSERT_EQ(renderer->QueryInterface(IID_IReferenceClock, clock.OutVoid()), S_OK);
        Held<IMediaFilter> graph_filter;
        ASSERT_EQ(graph.builder->QueryInterface(IID_IMediaFilter, graph_filter.OutVoid()), S_OK);
        ASSERT_EQ(graph_filter->SetSyncSource(clock.Get()), S_OK);
        Held<IReferenceClock> source_clock;
        ASSERT_EQ(graph_filter->GetSyncSource(source_clock.Out()), S_OK);
        EXPECT_EQ(source_clock.Get(), clock.Get());
        ASSERT_EQ(graph.audio->put_Volume(-600), S_OK);

        REFERENCE_TIME first = 0;
        REFERENCE_TIME second = 0;
        ASSERT_EQ(clock->GetTime(&first), S_OK);
        const auto started = Clock::now();
        ASSERT_EQ(graph.control->Run(), S_OK);
        OAFilterState state = -1;
        EXPECT_EQ(graph.control->GetState(10000, &state), S_OK) << "the graph did not settle in 10 s";
        EXPECT_EQ(state, State_Running);
        // The device lists the graph under its source, running at the graph's volume.
        devicectl::DeviceControl control(m_device.Root());
        EXPECT_TRUE(WaitUntil([&] {
            for (const auto& listed : control.Graphs().value_or(std::vector<protocol::GraphInfo>{}))
                if (listed.file == "Tone" && listed.volume == -600 &&
                    listed.state == static_cast<std::uint8_t>(protocol::AudioGraphState::Running))
                    return true;
            return false;
        })) << "the running graph is not listed";
        std::this_thread::sleep_for(1500ms);
        ASSERT_EQ(clock->GetTime(&second), S_OK);
        EXPECT_NEAR(static_cast<double>(second - first) / 1e7, SecondsSince(started), 0.05)
            << "the clock keeps wall-clock pace";
        ASSERT_EQ(graph.control->Stop(), S_OK);
        played = SecondsSince(started);
    }
    const std::vector<fs::path> captures = Captures();
    ASSERT_EQ(captures.size(), 1u);
    const WaveFile capture = ReadWave(captures[0]);
    ASSERT_TRUE(capture.valid);
    EXPECT_NEAR(capture.Seconds(), played, 0.25);
    for (int channel : {0, 1}) EXPECT_NEAR(capture.LevelDb(channel, 0.3, 1.2), kToneLevelDb - 6.0, 0.3) << channel;
}

TEST_F(HandBuiltPlayback, ATestPictureIntoTheVideoRendererShowsAtItsRectangleWhileRunning)
{
    devicectl::DeviceControl control(m_device.Root());
    auto frames = [&] {
        auto info = control.Overlay();
        return info && info->open ? info->frames : 0;
    };
    {
        Graph graph = MakeGraph();
        Held<IBaseFilter> source(new TestSource(kPicture, MEDIATYPE_Video));
        Held<IBaseFilter> renderer = Created<IBaseFilter>(CLSID_VRenderer);
        ASSERT_EQ(graph.builder->AddFilter(source.Get(), "Picture"), S_OK);
        ASSERT_EQ(graph.builder->AddFilter(renderer.Get(), "TCC Video Renderer"), S_OK);
        ASSERT_EQ(graph.builder->Connect(PinOf(source.Get(), "Out").Get(), PinOf(renderer.Get(), "Input").Get()), S_OK);
        Held<IVRendererDisplay> display;
        ASSERT_EQ(renderer->QueryInterface(IID_IVRendererDisplay, display.OutVoid()), S_OK);
        ASSERT_EQ(display->SetDisplay(1, 40, 30, 320, 240, 0, 0, 0, 0, 0), S_OK);

        ASSERT_EQ(graph.control->Run(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return frames() >= 10; }, 3s)) << "frames do not reach the overlay";
        auto info = control.Overlay();
        ASSERT_TRUE(info && info->open);
        EXPECT_EQ(info->width, 160u);
        EXPECT_EQ(info->destination.left, 40);
        EXPECT_EQ(info->destination.bottom, 270);

        ASSERT_EQ(graph.control->Stop(), S_OK);
        const std::uint64_t stopped = frames();
        std::this_thread::sleep_for(300ms);
        EXPECT_LE(frames(), stopped + 1) << "a stopped graph draws no more";
        ASSERT_EQ(graph.builder->RemoveFilter(renderer.Get()), S_OK);
        EXPECT_TRUE(WaitUntil([&] { return !control.Overlay() || !control.Overlay()->open; }, 2s))
            << "the renderer's leaving closes the overlay";
    }
}

}  // namespace
}  // namespace platform::testing
