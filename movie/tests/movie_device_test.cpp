// Movie on a real device server: films from the card played through the real graph, the
// subtitles on the picture at their time, the resume point kept across a restart and across
// Extview, refused files, the list's wrap, ducking, full screen, FileShelf's result and the
// card taken out.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "framework/program_messages.h"
#include "platform/gfx/png_file.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using devicectl::DeviceControl;
using platform::testing::TemporaryDevice;
using platform::testing::WaitUntil;

constexpr auto kHang = 10s;

// A 30-second film whose key frames lie 15 s apart, and a 3-second one with its index first (so
// that a copy cut short still has it); both with sound.
const platform::testing::ClipRecipe kClips[] = {
    {"film.mp4", "videotestsrc pattern=ball foreground-color=0xff00c000 num-buffers=750 ! video/x-raw,width=320,height=240,framerate=25/1 "
                 "! x264enc key-int-max=375 speed-preset=ultrafast ! h264parse ! mux. "
                 "audiotestsrc samplesperbuffer=4410 num-buffers=300 ! audio/x-raw,rate=44100,channels=2 "
                 "! audioconvert ! voaacenc ! aacparse ! mux. mp4mux name=mux ! filesink"},
    {"short.mp4", "videotestsrc pattern=smpte num-buffers=75 ! video/x-raw,width=320,height=240,framerate=25/1 "
                  "! x264enc key-int-max=25 speed-preset=ultrafast ! h264parse ! mux. "
                  "audiotestsrc samplesperbuffer=4410 num-buffers=30 ! audio/x-raw,rate=44100,channels=2 "
                  "! audioconvert ! voaacenc ! aacparse ! mux. mp4mux name=mux faststart=true ! filesink"},
};

// Screen places.
struct Point {
    int x, y;
};
constexpr Point kPlay{30, 445}, kStop{90, 445}, kPrevious{150, 445}, kNext{210, 445}, kToList{690, 445},
    kExit{748, 16}, kVideo{400, 200}, kEdit{685, 51};
Point ListRow(int row) { return {400, 71 + 1 + 37 * row + 18}; }
// The seek bar's point for a second of a film of `duration` seconds.
Point SeekPoint(double seconds, double duration) {
    return {82 + static_cast<int>(seconds * (636 - 14) / duration) + 1, 393};
}

constexpr std::uint32_t kOverlayKey = 0x100010;
constexpr auto kRunning = static_cast<std::uint8_t>(protocol::AudioGraphState::Running);
constexpr auto kPaused = static_cast<std::uint8_t>(protocol::AudioGraphState::Paused);
constexpr UINT kSuspend = WM_USER + 106, kResume = WM_USER + 107;

class MovieDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string failed;
        ASSERT_TRUE(platform::testing::MakeClips(MOVIE_CLIP_DIR, kClips, failed)) << failed;
    }

    void SetUp() override {
        ASSERT_TRUE(device.Install(MOVIE_BINARY, "MOVIE.EXE"));
        fs::copy(MOVIE_RESOURCES, Host("NAND/MOVIE"), fs::copy_options::recursive);
        fs::create_directories(Host("STORAGE CARD/films"));
    }

    // The device's programs end with the test, before its server: a program slow to notice
    // its server gone must not outlive the test and hold the test runner's output open.
    void TearDown() override {
        if (!server_started) return;
        for (const auto& process : control.Processes())
            if (process.process_id != static_cast<std::uint32_t>(::getpid()) && !process.path.empty())
                ::kill(static_cast<pid_t>(process.process_id), SIGKILL);
    }

    fs::path Host(const std::string& relative) const { return device.Root() / "fs" / fs::u8path(relative); }
    void PutFilm(const std::string& clip, const std::string& name) {
        fs::copy_file(fs::path(MOVIE_CLIP_DIR) / clip, Host("STORAGE CARD/films/" + name),
                      fs::copy_options::overwrite_existing);
    }
    static std::string CardPath(const std::string& name) { return "\\STORAGE CARD\\films\\" + name; }
    void WriteFile(const std::string& relative, const std::string& bytes) {
        fs::create_directories(Host(relative).parent_path());
        std::ofstream(Host(relative), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& relative) const {
        std::ifstream in(Host(relative), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WritePlaylist(const std::vector<std::string>& names) {
        std::string text = "#EXTM3U\r\n";
        for (const auto& name : names) text += "#EXTINF:0,\r\n" + CardPath(name) + "\r\n";
        WriteFile("NAND/MOVIELIST.M3U", text);
    }

    void StartMovie() {
        if (!server_started) {
            ASSERT_TRUE(device.StartServer());
            server_started = true;
        }
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\MOVIE.EXE", "", error)) << error;
        ASSERT_NE(control.WaitWindow("APP_MOVIE", kHang), 0u) << device.Log("MOVIE.EXE");
        std::this_thread::sleep_for(300ms);
    }
    bool MovieRunning() {
        for (const auto& process : control.Processes())
            if (process.name.find("MOVIE") != std::string::npos) return true;
        return false;
    }
    void CloseMovie() {
        ASSERT_EQ(control.Close("APP_MOVIE"), 0u);
        ASSERT_TRUE(WaitUntil([&] { return !MovieRunning(); }, kHang)) << device.Log("MOVIE.EXE");
    }
    void Tap(Point point) {
        ASSERT_EQ(control.Tap(point.x, point.y), 0u);
        std::this_thread::sleep_for(150ms);
    }
    void Post(UINT message, std::uint64_t wparam, std::int64_t lparam) {
        ASSERT_EQ(control.Post("APP_MOVIE", message, wparam, lparam), 0u);
    }
    std::string Log() const { return device.Log("MOVIE.EXE"); }

    // Movie's graph as the device sees it, if it has one.
    std::optional<protocol::GraphInfo> Graph() {
        const auto graphs = control.Graphs();
        if (!graphs) return std::nullopt;
        for (const auto& graph : *graphs)
            if (graph.program.find("MOVIE") != std::string::npos) return graph;
        return std::nullopt;
    }
    static double Seconds(std::int64_t ms) { return static_cast<double>(ms) / 1000.0; }
    bool PlayingFile(const std::string& name, std::chrono::milliseconds within = kHang) {
        return WaitUntil([&] {
            const auto graph = Graph();
            return graph && graph->state == kRunning &&
                   graph->file.find(name) != std::string::npos;
        }, within);
    }
    bool NoGraph(std::chrono::milliseconds within = kHang) {
        return WaitUntil([&] { return !Graph(); }, within);
    }
    // A test on the graph as it is now, false when there is none: one reading, so the graph
    // cannot go between the test for it and the look at it.
    template <class Test>
    bool GraphIs(Test test) {
        const auto graph = Graph();
        return graph && test(*graph);
    }
    double Position() {
        const auto graph = Graph();
        return graph ? Seconds(graph->position_ms) : -1;
    }

    // Pixels of the screen in a rectangle that satisfy the test.
    template <class Test>
    int CountPixels(int left, int top, int right, int bottom, Test test) {
        DWORD error = 0;
        const auto screen = control.Screenshot(error);
        if (!screen) return -1;
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (test(screen->At(x, y) & 0xFFFFFF)) ++count;
        return count;
    }
    int WhitePixels(int left, int top, int right, int bottom) {
        return CountPixels(left, top, right, bottom, [](std::uint32_t p) { return p == 0xFFFFFF; });
    }

    TemporaryDevice device;
    DeviceControl control{device.Root()};
    bool server_started = false;
};

// ---- Playing, subtitles and the screen ---------------------------------------------------

TEST_F(MovieDevice, PlaysTheFilmInItsBoxWithItsSubtitlesAtTheirTime) {
    PutFilm("film.mp4", "film.mp4");
    WriteFile("STORAGE CARD/films/film.smi",
              "<SAMI><BODY>\r\n<SYNC Start=2500><P Class=KRCC>Hello there\r\n"
              "<SYNC Start=4500><P Class=KRCC>&nbsp;\r\n"
              "<SYNC Start=20000><P Class=KRCC>Later\r\n<SYNC Start=22000><P Class=KRCC>&nbsp;\r\n</BODY></SAMI>\r\n");
    WritePlaylist({"film.mp4"});
    StartMovie();
    EXPECT_FALSE(Graph()) << "Movie starts stopped without a resume point";
    Tap(kPlay);
    ASSERT_TRUE(PlayingFile("film.mp4")) << Log();

    // The picture fills the box's height (the film keeps its shape) and frames arrive.
    ASSERT_TRUE(WaitUntil([&] {
        const auto overlay = control.Overlay();
        return overlay && overlay->open && overlay->frames > 10 && overlay->destination.top == 33 &&
               overlay->destination.bottom == 370 &&
               std::abs(overlay->destination.left + overlay->destination.right - 800) <= 2;
    }, kHang));
    // Where the subtitle goes: the lower part of the box, 30 pixels above its bottom.
    const auto subtitle_pixels = [&] { return WhitePixels(100, 270, 700, 340); };
    if (Position() < 2.2) {
        EXPECT_EQ(subtitle_pixels(), 0) << "no subtitle before its time";
    }
    EXPECT_TRUE(WaitUntil([&] { return Position() > 2.6 && subtitle_pixels() > 50; }, kHang)) << Log();
    EXPECT_TRUE(WaitUntil([&] { return Position() > 4.6 && subtitle_pixels() == 0; }, kHang))
        << "the blank block takes the text away";
}

TEST_F(MovieDevice, AtTheEndOfTheListTheFirstPlaysAgainAndACutFileMovesOnToo) {
    PutFilm("short.mp4", "a.mp4");
    // The second is cut in the middle, as a power loss leaves a copy.
    const std::string whole = [&] {
        std::ifstream in(fs::path(MOVIE_CLIP_DIR) / "short.mp4", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    WriteFile("STORAGE CARD/films/b.mp4", whole.substr(0, whole.size() * 6 / 10));
    WritePlaylist({"a.mp4", "b.mp4"});
    StartMovie();
    Tap(kPlay);
    ASSERT_TRUE(PlayingFile("a.mp4")) << Log();
    EXPECT_TRUE(WaitUntil([&] { return GraphIs([](const auto& g) { return g.file.find("b.mp4") != std::string::npos; }); }, 15s)) << Log();
    EXPECT_TRUE(WaitUntil([&] { return GraphIs([](const auto& g) { return g.file.find("a.mp4") != std::string::npos; }); }, 15s))
        << "the list repeats: " << Log();
}

// ---- The resume point --------------------------------------------------------------------

TEST_F(MovieDevice, ResumesWhereItStoppedAfterCloseAndAfterExit) {
    PutFilm("film.mp4", "gone.mp4");
    PutFilm("film.mp4", "film.mp4");
    WritePlaylist({"gone.mp4", "film.mp4"});
    fs::remove(Host("STORAGE CARD/films/gone.mp4"));
    StartMovie();
    Tap(kNext);  // entry 1 of the file, the first kept
    ASSERT_TRUE(PlayingFile("film.mp4")) << Log();
    // Past the key frame at 15 s, so only an accurate seek lands there.
    Tap(SeekPoint(20, 30));
    ASSERT_TRUE(WaitUntil([&] { return Position() >= 20.5; }, kHang)) << Position();
    CloseMovie();
    const std::string saved = ReadFile("NAND/Movie.dat");
    int marker = 0, entry = -1, state = -1, seconds = -1;
    ASSERT_EQ(std::sscanf(saved.c_str(), "%d\n%d\n%d\n%d\n", &marker, &entry, &state, &seconds), 4) << saved;
    EXPECT_EQ(marker, 1002);
    EXPECT_EQ(entry, 1) << "the entry's number in the playlist file";
    EXPECT_EQ(state, 0);
    EXPECT_GE(seconds, 20);
    EXPECT_LE(seconds, 24);
    EXPECT_NE(Log().find("MOVIE WM_CLOSE..."), std::string::npos);

    StartMovie();
    ASSERT_TRUE(PlayingFile("film.mp4")) << Log();
    const double resumed = Position();
    EXPECT_GE(resumed, seconds - 0.1);
    EXPECT_LE(resumed, seconds + 1.0);

    // The exit button saves as well.
    Tap(kExit);
    ASSERT_TRUE(WaitUntil([&] { return !MovieRunning(); }, kHang));
    EXPECT_EQ(ReadFile("NAND/Movie.dat").rfind("1002\n1\n0\n", 0), 0u) << ReadFile("NAND/Movie.dat");
}

TEST_F(MovieDevice, ExtviewSuspendsAndResumesMovie) {
    PutFilm("film.mp4", "film.mp4");
    WritePlaylist({"film.mp4"});
    StartMovie();
    Tap(kPlay);
    ASSERT_TRUE(PlayingFile("film.mp4"));
    Tap(SeekPoint(10, 30));
    ASSERT_TRUE(WaitUntil([&] { return Position() >= 10.2; }, kHang));

    // A resume without a suspend changes nothing.
    Post(kResume, 0, 0);
    std::this_thread::sleep_for(500ms);
    EXPECT_GE(Position(), 10.2) << "no jump back";

    Post(kSuspend, 0, 0);
    ASSERT_TRUE(NoGraph()) << "the graph is taken down";
    EXPECT_EQ(ReadFile("NAND/Movie.dat").rfind("1002\n0\n0\n1", 0), 0u) << ReadFile("NAND/Movie.dat");
    Post(kResume, 0, 0);
    ASSERT_TRUE(PlayingFile("film.mp4", 3s)) << Log();
    EXPECT_GE(Position(), 10.0);
    EXPECT_LE(Position(), 12.5);
    Post(kResume, 0, 0);  // twice: still one graph, no jump
    std::this_thread::sleep_for(500ms);
    EXPECT_GE(Position(), 10.0);

    // Suspended while paused, it stays stopped when Extview ends.
    Tap(kPlay);  // pause
    ASSERT_TRUE(WaitUntil([&] { return GraphIs([](const auto& g) { return g.state == kPaused; }); }, kHang));
    Post(kSuspend, 0, 0);
    ASSERT_TRUE(NoGraph());
    Post(kResume, 0, 0);
    std::this_thread::sleep_for(800ms);
    EXPECT_FALSE(Graph());
    EXPECT_NE(Log().find("~~~~~~~~~OnExtviewResumeMainProc"), std::string::npos);
}

// ---- Refused files and the list ----------------------------------------------------------

TEST_F(MovieDevice, ARefusedFileShowsTheNoticeForTwoSecondsAndNextPlaysTheNextFile) {
    std::mt19937 random(7);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    WriteFile("STORAGE CARD/films/noise.mp4", noise);
    PutFilm("short.mp4", "good.mp4");
    WritePlaylist({"noise.mp4", "good.mp4"});
    StartMovie();
    Tap(kPlay);
    // The notice: its picture in the middle of the box as the skin draws it, its text over it.
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> notice;
    std::string png_error;
    ASSERT_TRUE(platform::ReadPng(Host("NAND/MOVIE/146.png"), width, height, notice, png_error)) << png_error;
    constexpr int kNoticeLeft = (800 - 320) / 2, kNoticeTop = 33 + (337 - 37) / 2;
    const auto notice_shown = [&] {
        DWORD failure = 0;
        const auto screen = control.Screenshot(failure);
        if (!screen) return false;
        // Left of the text the picture shows as it is, but for its key colour.
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < 45; ++x) {
                const std::uint32_t expected = notice[y * width + x] & 0xFFFFFF;
                if (expected != 0xFF00FF && (screen->At(kNoticeLeft + x, kNoticeTop + y) & 0xFFFFFF) != expected)
                    return false;
            }
        return CountPixels(kNoticeLeft + 50, kNoticeTop + 10, kNoticeLeft + 320, kNoticeTop + 37,
                           [](std::uint32_t p) { return p == 0; }) > 20;
    };
    const auto notice_pixels = [&] { return notice_shown() ? 1 : 0; };
    ASSERT_TRUE(WaitUntil([&] { return notice_shown(); }, 3s)) << Log();
    EXPECT_FALSE(Graph());
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(notice_pixels(), 1) << "still shown after a second";
    // Then the box hides and Movie stays stopped on the refused file.
    EXPECT_TRUE(WaitUntil([&] { return CountPixels(0, 40, 800, 360, [](std::uint32_t p) {
                                           return p == kOverlayKey;
                                       }) == 0; }, 3s));
    EXPECT_FALSE(Graph());
    Tap(kNext);
    EXPECT_TRUE(PlayingFile("good.mp4")) << Log();
}

TEST_F(MovieDevice, NextAndPreviousWrapAndOnlyTheLastOfQuickPressesPlays) {
    for (const char* name : {"0.mp4", "1.mp4", "2.mp4", "3.mp4"}) PutFilm("short.mp4", name);
    WritePlaylist({"0.mp4", "1.mp4", "2.mp4", "3.mp4"});
    StartMovie();
    Tap(kPrevious);  // from the first to the last
    ASSERT_TRUE(PlayingFile("3.mp4")) << Log();
    Tap(kStop);
    ASSERT_TRUE(NoGraph());
    const auto probes_before = [&] {
        std::size_t count = 0;
        const std::string log = Log();
        for (std::size_t at = log.find("AVC1"); at != std::string::npos; at = log.find("AVC1", at + 1)) ++count;
        return count;
    };
    const std::size_t before = probes_before();
    ASSERT_EQ(control.Tap(kNext.x, kNext.y, 3, 80ms), 0u);  // 3 -> 0 -> 1 -> 2
    ASSERT_TRUE(PlayingFile("2.mp4")) << Log();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(probes_before() - before, 1u) << "one probe for three presses";
}

TEST_F(MovieDevice, ARowTapInTheListPlaysItsEntryAndTheVideoTapTogglesFullScreen) {
    for (const char* name : {"0.mp4", "1.mp4"}) PutFilm("film.mp4", name);
    WritePlaylist({"0.mp4", "1.mp4"});
    StartMovie();
    Tap(kToList);
    Tap(ListRow(1));
    ASSERT_TRUE(PlayingFile("1.mp4")) << Log();
    // Back in the video view: a tap fills the screen, another returns.
    const auto overlay_is = [&](int top, int bottom) {
        return WaitUntil([&] {
            const auto overlay = control.Overlay();
            return overlay && overlay->open && overlay->destination.top == top && overlay->destination.bottom == bottom;
        }, 3s);
    };
    ASSERT_TRUE(overlay_is(33, 370));
    Tap(kVideo);
    EXPECT_TRUE(overlay_is(0, 480));
    Tap(kVideo);
    EXPECT_TRUE(overlay_is(33, 370));
    // Paused, a tap does nothing.
    Tap(kPlay);
    ASSERT_TRUE(WaitUntil([&] { return GraphIs([](const auto& g) { return g.state == kPaused; }); }, kHang));
    Tap(kVideo);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(overlay_is(33, 370));
    // A drag on the seek bar while paused goes there and plays on.
    ASSERT_EQ(control.Drag(SeekPoint(5, 30).x, 393, SeekPoint(20, 30).x, 393, 300ms), 0u);
    EXPECT_TRUE(WaitUntil([&] {
        const auto graph = Graph();
        return graph && graph->state == kRunning && Seconds(graph->position_ms) >= 20;
    }, kHang)) << Position();
}

// ---- Volume ------------------------------------------------------------------------------

TEST_F(MovieDevice, AnotherSoundDucksTheFilmUntilASecondAfterItEnds) {
    PutFilm("film.mp4", "film.mp4");
    WritePlaylist({"film.mp4"});
    // Level 5, not muted: the shared settings file.
    WriteFile("NAND/System.dat", "1002\n5\n5\n0\n5\n1\n0\n881\n901\n921\n941\n961\n");
    StartMovie();
    Tap(kPlay);
    ASSERT_TRUE(PlayingFile("film.mp4"));
    const auto volume_is = [&](int volume, std::chrono::milliseconds within) {
        return WaitUntil([&] { return GraphIs([&](const auto& g) { return g.volume == volume; }); }, within);
    };
    EXPECT_TRUE(volume_is(0, 2s));
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 1, 0), 0u);
    EXPECT_TRUE(volume_is(-3350, 2s));
    // The end of the other sound, then another start within the second: still ducked.
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 0, 0), 0u);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 1, 0), 0u);
    std::this_thread::sleep_for(1200ms);
    EXPECT_TRUE(volume_is(-3350, 100ms));
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 0, 0), 0u);
    EXPECT_TRUE(volume_is(0, 3s));
    // Level 2 relayed by HomeDeck: ducked, the graph plays at index 2.
    Post(WM_MMS_SETTING, 100, 2);
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 1, 0), 0u);
    EXPECT_TRUE(volume_is(-4500, 2s));
    // Codes it does not know are ignored.
    ASSERT_EQ(control.Broadcast(WM_OUTSIDE_AUDIO_EVENT, 7, 0), 0u);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(volume_is(-4500, 100ms));
}

// ---- Other programs ----------------------------------------------------------------------

TEST_F(MovieDevice, SettingChangesGoToHomeDeckAndItsRelaysRedraw) {
    ASSERT_TRUE(device.InstallStandIn(platform::testing::StandIn::ProgramDouble, "\\NAND\\HOMEDECK.EXE"));
    // Level 5, FM on channel 4 at 94.1 MHz.
    WriteFile("NAND/System.dat", "1002\n5\n5\n0\n5\n1\n4\n881\n901\n921\n941\n961\n");
    WritePlaylist({});
    ASSERT_TRUE(device.StartServer());
    server_started = true;
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\HOMEDECK.EXE", "", error));
    ASSERT_NE(control.WaitWindow("APP_HOMEDECK", kHang), 0u);
    StartMovie();
    const auto homedeck_got = [&](int code, int value) {
        const std::string line = "WM_MMS_SETTING wparam=" + std::to_string(code) +
                                 " lparam=" + std::to_string(0x20000 + value);
        return WaitUntil([&] { return device.Log("HOMEDECK.EXE").find(line) != std::string::npos; }, 3s);
    };
    Tap({430, 445});  // volume up: 6
    EXPECT_TRUE(homedeck_got(200, 6)) << device.Log("HOMEDECK.EXE");
    Tap({270, 445});  // mute
    EXPECT_TRUE(homedeck_got(204, 1));
    // The FM button from channel 4 to off: its picture 133 as it is, with no frequency on it.
    Tap({519, 445});
    EXPECT_TRUE(homedeck_got(202, 0));
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::string png_error;
    ASSERT_TRUE(platform::ReadPng(Host("NAND/MOVIE/133.png"), width, height, pixels, png_error)) << png_error;
    EXPECT_TRUE(WaitUntil([&] {
        DWORD failure = 0;
        const auto screen = control.Screenshot(failure);
        if (!screen) return false;
        for (std::uint32_t y = 2; y < 67; y += 2)
            for (std::uint32_t x = 2; x < 121; x += 2)
                if ((screen->At(458 + x, 411 + y) & 0xFFFFFF) != (pixels[y * width + x] & 0xFFFFFF)) return false;
        return true;
    }, 3s));
    // HomeDeck's relay of another level redraws the volume.
    const int before = WhitePixels(355, 411, 407, 480);
    Post(WM_MMS_SETTING, 100, 10);
    EXPECT_TRUE(WaitUntil([&] { return WhitePixels(355, 411, 407, 480) != before; }, 3s));
}

TEST_F(MovieDevice, TheCardTakenOutStopsTheFilm) {
    PutFilm("film.mp4", "film.mp4");
    WritePlaylist({"film.mp4"});
    StartMovie();
    Tap(kPlay);
    ASSERT_TRUE(PlayingFile("film.mp4"));
    std::string error;
    ASSERT_TRUE(control.SetMediumInserted(DeviceControl::Medium::StorageCard, false, error)) << error;
    EXPECT_TRUE(NoGraph()) << Log();
    EXPECT_TRUE(MovieRunning());
}

TEST_F(MovieDevice, StartClosesThePlayersAndTheNavigationProgram) {
    ASSERT_TRUE(device.InstallStandIn(platform::testing::StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    ASSERT_TRUE(device.InstallStandIn(platform::testing::StandIn::Wayfarer));
    ASSERT_TRUE(device.StartServer());
    server_started = true;
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\MUSIC.EXE", "", error));
    ASSERT_TRUE(control.Start(platform::testing::StandInPath(platform::testing::StandIn::Wayfarer), "", error));
    ASSERT_NE(control.WaitWindow("APP_MUSIC", kHang), 0u);
    ASSERT_NE(control.WaitWindow("Wayfarer", kHang), 0u);
    WritePlaylist({});
    StartMovie();
    EXPECT_TRUE(WaitUntil([&] { return control.FindWindowByName("APP_MUSIC") == 0; }, kHang));
    EXPECT_TRUE(WaitUntil([&] { return control.FindWindowByName("Wayfarer") == 0; }, kHang));
    // An empty list: play, next, previous and a seek do nothing.
    for (Point point : {kPlay, kNext, kPrevious, SeekPoint(10, 30)}) Tap(point);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(Graph());
    EXPECT_TRUE(MovieRunning());
}

TEST_F(MovieDevice, FileShelfsResultPlaysTheChosenEntryAcrossMissingOnes) {
    PutFilm("short.mp4", "a.mp4");
    PutFilm("film.mp4", "c.mp4");
    WritePlaylist({"missing.mp4", "a.mp4", "c.mp4"});
    StartMovie();
    // FileShelf's answer names the entry by its number in the file it wrote: entry 2 is c.mp4.
    Post(WM_PLAYLIST_RESULT, 2, 0);
    EXPECT_TRUE(PlayingFile("c.mp4")) << Log();
    // Cancelled after opening FileShelf while stopped: still stopped.
    Tap(kStop);
    ASSERT_TRUE(NoGraph());
    Post(WM_PLAYLIST_RESULT, 0, 1);
    std::this_thread::sleep_for(800ms);
    EXPECT_FALSE(Graph());
    // An index past the end or below 0 starts at the first kept entry.
    Post(WM_PLAYLIST_RESULT, static_cast<std::uint64_t>(-1), 0);
    EXPECT_TRUE(PlayingFile("a.mp4")) << Log();
}

// ---- Bad input ---------------------------------------------------------------------------

TEST_F(MovieDevice, GarbageFramesMoveOnAndAHugeSubtitleFileWithoutSyncHoldsNothingUp) {
    // The short film's index stays, its frames become noise.
    std::string film = [&] {
        std::ifstream in(fs::path(MOVIE_CLIP_DIR) / "short.mp4", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    const std::size_t frames = film.find("mdat");
    ASSERT_NE(frames, std::string::npos);
    std::mt19937 random(11);
    for (std::size_t i = frames + 4; i < film.size(); ++i) film[i] = static_cast<char>(random());
    WriteFile("STORAGE CARD/films/noise.mp4", film);
    PutFilm("short.mp4", "b.mp4");
    WriteFile("STORAGE CARD/films/b.smi", std::string(10 << 20, 'x'));
    WritePlaylist({"noise.mp4", "b.mp4"});
    StartMovie();
    Tap(kPlay);
    EXPECT_TRUE(PlayingFile("b.mp4", 15s)) << "the noise plays to its end and the list moves on: " << Log();
    // Ten megabytes of subtitle file without a block hold nothing up.
    EXPECT_TRUE(WaitUntil([&] { return Position() > 1.0; }, kHang));
    // A close while a film opens still saves and ends.
    Tap(kNext);
    ASSERT_EQ(control.Close("APP_MOVIE"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !MovieRunning(); }, kHang));
    EXPECT_EQ(ReadFile("NAND/Movie.dat").rfind("1002\n", 0), 0u);
}

TEST_F(MovieDevice, DamagedStateAndOutOfRangeMessagesChangeNothing) {
    PutFilm("short.mp4", "a.mp4");
    // A resume point with a negative position, and a playlist naming a folder and 10,000 gone files.
    WriteFile("NAND/Movie.dat", "1002\n1\n0\n-50\n");
    std::string list = "#EXTM3U\r\n\\STORAGE CARD\\films\r\n" + CardPath("a.mp4") + "\r\n";
    for (int i = 0; i < 10000; ++i) list += CardPath("gone" + std::to_string(i) + ".mp4") + "\r\n";
    WriteFile("NAND/MOVIELIST.M3U", list);
    StartMovie();
    ASSERT_TRUE(PlayingFile("a.mp4")) << "entry 1 of the file, after the folder left out: " << Log();
    EXPECT_LT(Position(), 1.5);
    Post(WM_SKIN_SLIDER, 1024, 5000);      // a selection past the end
    Post(WM_MMS_SETTING, 100, 99);         // a volume past 10
    Post(WM_OUTSIDE_AUDIO_EVENT, 42, 0);   // an unknown code
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(PlayingFile("a.mp4", 1s));
    EXPECT_TRUE(MovieRunning());

    // 1 MB of noise as the resume point: defaults, stopped.
    CloseMovie();
    WriteFile("NAND/Movie.dat", std::string(1 << 20, '\x9c'));
    StartMovie();
    std::this_thread::sleep_for(800ms);
    EXPECT_FALSE(Graph());
    EXPECT_TRUE(MovieRunning());
}

}  // namespace
