// The graph's video renderer on a real device server: the decoded picture shows through the
// key colour in the rectangle its display interface was given, follows it, holds still while
// paused, and leaves the screen when the renderer leaves the graph or the graph goes. Frames
// of odd or changing sizes, and frames shorter than their size says, stay inside the overlay.
#include <gtest/gtest.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "graph_test_support.h"
#include "platform/kernel/kernel.h"
#include "platform/media/media_ids.h"
#include "platform/media/result_codes.h"
#include "platform/media/vendor/overlay_feed.h"
#include "platform/media/vendor/vendor_interfaces.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/video_overlay.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"
#include "tools/devicectl/device_control.h"

namespace platform::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr DWORD kKey = kOverlayColourKey;
constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 480;

// The test pattern at an odd size, for rows that are not a multiple of anything.
constexpr ClipRecipe kOddClip[] = {
    {"odd.ogg", "videotestsrc num-buffers=50 ! video/x-raw,width=161,height=121,framerate=25/1 ! theoraenc "
                "! oggmux ! filesink"},
};

// Two seconds each of red, green and blue: the picture tells the time.
constexpr ClipRecipe kColourClip[] = {
    {"colours.ogg", "videotestsrc pattern=red num-buffers=50 ! video/x-raw,width=160,height=120,framerate=25/1 ! c. "
                    "videotestsrc pattern=green num-buffers=50 ! video/x-raw,width=160,height=120,framerate=25/1 ! c. "
                    "videotestsrc pattern=blue num-buffers=50 ! video/x-raw,width=160,height=120,framerate=25/1 ! c. "
                    "concat name=c ! videoconvert ! theoraenc ! oggmux ! filesink"},
};

// The strongest of a pixel's three colours, when it clearly stands out.
char ColourOf(DWORD pixel)
{
    const int red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
    if (red > 180 && green < 80 && blue < 80) return 'r';
    if (green > 180 && red < 80 && blue < 80) return 'g';
    if (blue > 180 && red < 80 && green < 80) return 'b';
    return '?';
}

class VideoRenderer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(VIDEO_RENDERER_CLIP_DIR, StandardClips(), failed)) << failed;
        ASSERT_TRUE(MakeClips(VIDEO_RENDERER_CLIP_DIR, kOddClip, failed)) << failed;
        ASSERT_TRUE(MakeClips(VIDEO_RENDERER_CLIP_DIR, kColourClip, failed)) << failed;
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_device.StartServer());
        ASSERT_EQ(RegisterMediaClasses(), S_OK);
        KeyWindow();
    }
    void TearDown() override
    {
        if (m_window) DestroyWindow(m_window);
    }

    // A window of the key colour over the whole screen: the picture shows wherever the
    // overlay's rectangle is.
    void KeyWindow()
    {
        static const bool registered = [] {
            WNDCLASS window_class;
            window_class.lpfnWndProc = DefWindowProc;
            window_class.lpszClassName = "VIDEO_RENDERER_TEST";
            return RegisterClass(&window_class) != 0;
        }();
        ASSERT_TRUE(registered);
        m_window = CreateWindowEx(0, "VIDEO_RENDERER_TEST", "", WS_POPUP | WS_VISIBLE, 0, 0, kScreenWidth,
                                  kScreenHeight, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
        WindowSurface surface;
        ASSERT_TRUE(GetWindowSurface(m_window, &surface));
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x) surface.pixels[y * surface.pitch / 4 + x] = kKey;
        ASSERT_TRUE(UpdateWindowSurface(m_window, nullptr));
        ValidateRect(m_window, nullptr);
    }

    std::string Place(const std::string& clip)
    {
        const fs::path folder = m_device.Root() / "fs" / "STORAGE CARD" / "Movie";
        fs::create_directories(folder);
        fs::copy_file(fs::path(VIDEO_RENDERER_CLIP_DIR) / clip, folder / clip, fs::copy_options::overwrite_existing);
        return "\\STORAGE CARD\\Movie\\" + clip;
    }

    // The graph with the clip rendered, and its renderer's display interface as a player
    // reaches it: by name, then by interface id.
    Graph Rendered(const std::string& clip, Held<IVRendererDisplay>& display)
    {
        Graph graph = MakeGraph();
        EXPECT_EQ(graph.builder->RenderFile(Place(clip), nullptr), S_OK);
        Held<IBaseFilter> renderer;
        EXPECT_EQ(graph.builder->FindFilterByName("TCC Video Renderer", renderer.Out()), S_OK);
        if (renderer) {
            EXPECT_EQ(renderer->QueryInterface(IID_IVRendererDisplay, display.OutVoid()), S_OK);
        }
        return graph;
    }

    std::optional<protocol::OverlayInfoReply> Overlay() { return m_control.Overlay(); }
    bool OverlayOpen()
    {
        auto info = Overlay();
        return info && info->open;
    }
    std::uint64_t Frames()
    {
        auto info = Overlay();
        return info ? info->frames : 0;
    }
    devicectl::DeviceControl::Screen Shot()
    {
        DWORD error = 0;
        auto screen = m_control.Screenshot(error);
        EXPECT_TRUE(screen) << error;
        return screen ? *screen : devicectl::DeviceControl::Screen{};
    }
    // The picture shows at the point (anything but the key colour), within a bounded wait.
    bool PictureAt(int x, int y)
    {
        return WaitUntil([&] { return Shot().At(x, y) != kKey; }, 2s);
    }
    bool KeyAt(int x, int y)
    {
        return WaitUntil([&] { return Shot().At(x, y) == kKey; }, 2s);
    }
    static OAFilterState Settled(const Graph& graph)
    {
        OAFilterState state = -1;
        EXPECT_EQ(graph.control->GetState(10000, &state), S_OK) << "the graph did not settle in 10 s";
        return state;
    }

    TemporaryDevice m_device;
    devicectl::DeviceControl m_control{m_device.Root()};
    ComScope m_com;
    HWND m_window = nullptr;
};

TEST_F(VideoRenderer, ThePictureShowsInItsRectangleFollowsItAndHoldsStillWhilePaused)
{
    Held<IVRendererDisplay> display;
    Graph graph = Rendered("movie.ogg", display);
    ASSERT_TRUE(display);
    EXPECT_FALSE(OverlayOpen()) << "nothing shows before the renderer is placed";

    // Placed while stopped: the first frame shows at once, scaled into the rectangle.
    ASSERT_EQ(display->SetDisplay(1, 100, 60, 320, 240, 0, 0, 0, 0, 0), S_OK);
    auto info = Overlay();
    ASSERT_TRUE(info && info->open);
    EXPECT_EQ(info->owner, GetCurrentProcessId());
    EXPECT_EQ(info->width, 160u);
    EXPECT_EQ(info->height, 120u);
    EXPECT_EQ(info->destination.left, 100);
    EXPECT_EQ(info->destination.top, 60);
    EXPECT_EQ(info->destination.right, 420);
    EXPECT_EQ(info->destination.bottom, 300);
    EXPECT_TRUE(PictureAt(260, 100));
    EXPECT_TRUE(PictureAt(101, 61)) << "the corner inside";
    for (auto [x, y] : {std::pair{99, 100}, {260, 59}, {420, 100}, {260, 300}, {700, 400}})
        EXPECT_EQ(Shot().At(x, y), kKey) << x << "," << y << " lies outside";

    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_EQ(Settled(graph), State_Running);
    const std::uint64_t running = Frames();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= running + 10; })) << "frames do not arrive while running";

    ASSERT_EQ(graph.control->Pause(), S_OK);
    ASSERT_EQ(Settled(graph), State_Paused);
    // A frame already on its way to the server when the graph paused still arrives: the count
    // is taken once it stands still.
    std::uint64_t paused = Frames();
    for (int look = 0; look < 10; ++look) {
        std::this_thread::sleep_for(50ms);
        const std::uint64_t now = Frames();
        if (now == paused) break;
        paused = now;
    }
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(Frames(), paused) << "a paused graph shows no new frames";
    EXPECT_TRUE(OverlayOpen()) << "the last frame stays while paused";
    EXPECT_TRUE(PictureAt(260, 100));

    // Moved while paused: the same frame in the new place, the old place back to the key.
    ASSERT_EQ(display->SetDisplay(1, 500, 250, 200, 150, 0, 0, 0, 0, 0), S_OK);
    EXPECT_TRUE(PictureAt(600, 300));
    EXPECT_TRUE(KeyAt(260, 100));
    info = Overlay();
    ASSERT_TRUE(info && info->open);
    EXPECT_EQ(info->destination.right, 700);
    EXPECT_EQ(info->destination.bottom, 400);
}

TEST_F(VideoRenderer, ASeekShowsThePictureOfItsTimeInEveryState)
{
    Held<IVRendererDisplay> display;
    Graph graph = Rendered("colours.ogg", display);
    ASSERT_TRUE(display);
    ASSERT_EQ(display->SetDisplay(1, 0, 0, 320, 240, 0, 0, 0, 0, 0), S_OK);
    auto colour = [&] { return ColourOf(Shot().At(160, 120)); };
    EXPECT_TRUE(WaitUntil([&] { return colour() == 'r'; }, 2s)) << "the first frame is red";
    for (const StateCase& c : kEveryState) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(graph.position->put_CurrentPosition(0.5), S_OK);
        ASSERT_EQ((graph.control.Get()->*c.enter)(), S_OK);
        ASSERT_EQ(Settled(graph), c.state);
        for (const auto& [seconds, expected] : {std::pair{3.0, 'g'}, {4.8, 'b'}}) {
            const auto asked = Clock::now();
            ASSERT_EQ(graph.position->put_CurrentPosition(seconds), S_OK);
            ASSERT_EQ(Settled(graph), c.state);
            REFTIME landed = -1;
            ASSERT_EQ(graph.position->get_CurrentPosition(&landed), S_OK);
            const double moved_since =
                c.state == State_Running ? std::chrono::duration<double>(Clock::now() - asked).count() : 0.0;
            EXPECT_GE(landed, seconds - 0.1);
            EXPECT_LE(landed, seconds + moved_since + 0.1);
            EXPECT_TRUE(WaitUntil([&] { return colour() == expected; }, 1s)) << seconds << " s shows " << colour();
        }
    }
}

TEST_F(VideoRenderer, ADisabledOrTurnedRoundRectangleShowsNothingAndTheLastFrameComesBack)
{
    Held<IVRendererDisplay> display;
    Graph graph = Rendered("movie.ogg", display);
    ASSERT_TRUE(display);
    struct Case {
        const char* name;
        DWORD enable;
        LONG left, top, width, height;
    };
    const Case hidden[] = {
        {"disabled", 0, 100, 60, 320, 240},
        {"no width", 1, 100, 60, 0, 240},
        {"turned round", 1, 420, 300, -320, -240},
    };
    for (const Case& c : hidden) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(display->SetDisplay(1, 100, 60, 320, 240, 0, 0, 0, 0, 0), S_OK);
        ASSERT_TRUE(PictureAt(260, 100));
        ASSERT_EQ(display->SetDisplay(c.enable, c.left, c.top, c.width, c.height, 0, 0, 0, 0, 0), S_OK);
        EXPECT_FALSE(OverlayOpen());
        EXPECT_TRUE(KeyAt(260, 100));
    }
    // A rectangle running past the coordinate range ends at its end instead of wrapping; the
    // picture lies inside it.
    ASSERT_EQ(display->SetDisplay(1, 100, 60, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0, 0, 0, 0), S_OK);
    auto info = Overlay();
    ASSERT_TRUE(info && info->open);
    EXPECT_GE(info->destination.left, 100);
    EXPECT_GE(info->destination.top, 60);
    EXPECT_GT(info->destination.right, info->destination.left);
    EXPECT_GT(info->destination.bottom, info->destination.top);
}

TEST_F(VideoRenderer, RemovingTheRendererOrReleasingTheGraphTakesThePictureAway)
{
    {
        Held<IVRendererDisplay> display;
        Graph graph = Rendered("movie.ogg", display);
        ASSERT_TRUE(display);
        ASSERT_EQ(display->SetDisplay(1, 0, 0, 400, 300, 0, 0, 0, 0, 0), S_OK);
        ASSERT_EQ(graph.control->Run(), S_OK);
        ASSERT_TRUE(PictureAt(200, 100));
        ASSERT_EQ(graph.control->Stop(), S_OK);
        EXPECT_TRUE(OverlayOpen()) << "a stopped graph shows its first frame";

        Held<IBaseFilter> renderer;
        ASSERT_EQ(graph.builder->FindFilterByName("TCC Video Renderer", renderer.Out()), S_OK);
        ASSERT_EQ(graph.builder->RemoveFilter(renderer.Get()), S_OK);
        EXPECT_FALSE(OverlayOpen());
        EXPECT_TRUE(KeyAt(200, 100));
        // The pipeline still plays into a renderer that has left: nothing reaches the screen.
        ASSERT_EQ(graph.control->Run(), S_OK);
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(OverlayOpen());
    }
    {
        Held<IVRendererDisplay> display;
        Graph graph = Rendered("movie.ogg", display);
        ASSERT_EQ(display->SetDisplay(1, 0, 0, 400, 300, 0, 0, 0, 0, 0), S_OK);
        ASSERT_EQ(graph.control->Run(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return Frames() > 5; }));
        display.Reset();
        graph = Graph{};
        EXPECT_FALSE(OverlayOpen()) << "the graph went with the overlay open";
        EXPECT_TRUE(KeyAt(200, 100));
    }
}

TEST_F(VideoRenderer, TheGraphsVideoWindowHidesShowsAndMovesThePicture)
{
    Held<IVRendererDisplay> display;
    Graph graph = Rendered("movie.ogg", display);
    Held<IVideoWindow> window;
    ASSERT_EQ(graph.builder->QueryInterface(IID_IVideoWindow, window.OutVoid()), S_OK);
    ASSERT_EQ(window->SetWindowPosition(100, 60, 320, 240), S_OK);
    LONG visible = OATRUE;
    EXPECT_EQ(window->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, OAFALSE) << "placed, not yet shown";
    ASSERT_EQ(window->put_Visible(OATRUE), S_OK);
    EXPECT_TRUE(PictureAt(260, 180));

    ASSERT_EQ(window->put_Visible(OAFALSE), S_OK);
    EXPECT_TRUE(KeyAt(260, 180));
    ASSERT_EQ(window->SetWindowPosition(500, 250, 200, 150), S_OK);
    ASSERT_EQ(window->put_Visible(OATRUE), S_OK);
    EXPECT_TRUE(PictureAt(600, 300));
    EXPECT_TRUE(KeyAt(260, 180));
    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(window->GetWindowPosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ(left, 500);
    EXPECT_EQ(height, 150);
    ASSERT_EQ(window->put_Owner(0), S_OK);

    // A window of another shape shows the 4:3 picture whole, centred, with the key colour beside.
    ASSERT_EQ(window->SetWindowPosition(0, 0, 400, 200), S_OK);
    auto info = Overlay();
    ASSERT_TRUE(info && info->open);
    EXPECT_EQ(info->destination.left, 66);
    EXPECT_EQ(info->destination.right, 333);
    EXPECT_EQ(info->destination.top, 0);
    EXPECT_EQ(info->destination.bottom, 200);
    EXPECT_TRUE(KeyAt(30, 100));
    EXPECT_TRUE(PictureAt(200, 100));

    // A graph whose file has no picture has no video window.
    Graph sound = MakeGraph();
    ASSERT_EQ(sound.builder->RenderFile(Place("tone.wav"), nullptr), S_OK);
    Held<IVideoWindow> none;
    ASSERT_EQ(sound.builder->QueryInterface(IID_IVideoWindow, none.OutVoid()), S_OK);
    EXPECT_EQ(none->put_Visible(OAFALSE), E_NOINTERFACE);
}

TEST_F(VideoRenderer, AnOddFrameSizeFillsAnOverlayOfThatSize)
{
    Held<IVRendererDisplay> display;
    Graph graph = Rendered("odd.ogg", display);
    ASSERT_TRUE(display);
    ASSERT_EQ(display->SetDisplay(1, 10, 10, 161, 121, 0, 0, 0, 0, 0), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return Frames() > 5; }));
    auto info = Overlay();
    ASSERT_TRUE(info && info->open);
    EXPECT_EQ(info->width, 161u);
    EXPECT_EQ(info->height, 121u);
    EXPECT_TRUE(PictureAt(170, 130)) << "the last row and column are drawn";
    EXPECT_EQ(Shot().At(171, 131), kKey);
}

// Frames handed to the feed directly: a size change opens the overlay anew at the new size,
// and a buffer shorter than its caps say is not drawn.
GstSample* SolidFrame(int width, int height, std::uint32_t colour, std::size_t short_by = 0)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, G_BYTE_ORDER == G_LITTLE_ENDIAN ? GST_VIDEO_FORMAT_BGRx : GST_VIDEO_FORMAT_xRGB,
                              width, height);
    const std::size_t size = GST_VIDEO_INFO_SIZE(&info) - short_by;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    for (std::size_t at = 0; at + 4 <= size; at += 4) std::memcpy(map.data + at, &colour, 4);
    gst_buffer_unmap(buffer, &map);
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSample* sample = gst_sample_new(buffer, caps, nullptr, nullptr);
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

TEST_F(VideoRenderer, AFrameOfAnotherSizeReopensTheOverlayAndAShortOneIsNotDrawn)
{
    gst_init(nullptr, nullptr);
    auto feed = std::make_shared<media::OverlayFeed>();
    feed->SetAttached(true);
    feed->Place(RECT{0, 0, 400, 300});
    struct Case {
        int width, height;
        std::uint32_t colour;
    };
    const Case cases[] = {{161, 121, 0x00FF0000}, {7, 3, 0x0000FF00}, {640, 2, 0x000000FF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        GstSample* frame = SolidFrame(c.width, c.height, c.colour | 0xFF000000);
        feed->Show(frame);
        gst_sample_unref(frame);
        auto info = Overlay();
        ASSERT_TRUE(info && info->open);
        EXPECT_EQ(info->width, static_cast<std::uint32_t>(c.width));
        EXPECT_EQ(info->height, static_cast<std::uint32_t>(c.height));
        const auto at = info->destination;
        EXPECT_TRUE(WaitUntil([&] { return Shot().At((at.left + at.right) / 2, (at.top + at.bottom) / 2) == c.colour; }))
            << "the unused byte is not shown";
    }
    const std::uint64_t shown = Frames();
    GstSample* shorter = SolidFrame(161, 121, 0x00FFFFFF, 4);
    feed->Show(shorter);
    gst_sample_unref(shorter);
    EXPECT_EQ(Frames(), shown) << "a frame shorter than its size is dropped";
    feed->SetAttached(false);
    EXPECT_FALSE(OverlayOpen());
}

}  // namespace
}  // namespace platform::testing
