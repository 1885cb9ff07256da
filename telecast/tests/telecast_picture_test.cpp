// Telecast's picture on a real device server, read off the composed screen: a TV service's own
// moving picture in the box, a radio service's pictures and dynamic labels, the HE-AAC decoder
// after an audio change, and a service taken off air and put back.
#include "telecast/tests/telecast_device.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "telecast/channel_list.h"

namespace telecast {
namespace {

using platform::testing::WaitUntil;
using Screen = devicectl::DeviceControl::Screen;

// Per colour channel: decoded H.264 or JPEG, scaled to the box.
constexpr int kTolerance = 48;
constexpr std::uint32_t kOrange = 0xE08020, kRed = 0xFF0000, kBlue = 0x0000FF;
// tv.ts: the colour bars of its upper two thirds, left to right.
constexpr std::uint32_t kBars[] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF};

bool Near(std::uint32_t pixel, std::uint32_t rgb, int tolerance = kTolerance)
{
    if (pixel == Screen::kNoPixel) return false;
    for (int shift : {16, 8, 0})
        if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((rgb >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

std::string Hex(std::uint32_t rgb)
{
    std::ostringstream out;
    out << std::hex << (rgb & 0xFFFFFF);
    return out.str();
}

// A TV service playing a clip of the build's own.
std::string TvService(const std::string& name, const std::string& id, int sub_channel, const char* clip)
{
    return "[service]\nname = " + name + "\nid = " + id + "\nsubchannel = " + std::to_string(sub_channel) +
           "\ntype = tv\nmedia = " + test_band::Clip(clip).string() + "\n";
}

class TelecastDevicePicture : public TelecastDevice {
protected:
    Screen Shot()
    {
        DWORD error = 0;
        return control.Screenshot(error).value_or(Screen{});
    }
    // Where the video goes on the screen (an empty rectangle while nobody holds the overlay).
    protocol::Rect VideoRect()
    {
        const auto overlay = control.Overlay();
        return overlay && overlay->open ? overlay->destination : protocol::Rect{};
    }
    // The video box's window on the screen.
    protocol::Rect BoxRect()
    {
        for (const auto& window : control.Windows())
            if (window.class_name == "CDMBPipBox") return window.rect;
        return {};
    }
    // The share of a grid of points over the middle of the video (clear of the texts at its top
    // and bottom) that shows the colour.
    double ShareShowing(const Screen& screen, const protocol::Rect& video, std::uint32_t rgb, std::string* seen = nullptr)
    {
        const int width = video.right - video.left, height = video.bottom - video.top;
        if (width <= 0 || height <= 0) return 0;
        constexpr int kColumns = 12, kRows = 8;
        int showing = 0;
        for (int row = 0; row < kRows; ++row)
            for (int column = 0; column < kColumns; ++column) {
                const int x = video.left + width * (2 * column + 1) / (2 * kColumns);
                const int y = video.top + height * 15 / 100 + (height * 70 / 100) * (2 * row + 1) / (2 * kRows);
                const std::uint32_t pixel = screen.At(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
                if (Near(pixel, rgb)) ++showing;
                else if (seen && seen->size() < 200) *seen += Hex(pixel) + " ";
            }
        return static_cast<double>(showing) / (kColumns * kRows);
    }
    // Waits for a screen whose video shows mostly the colour; that screen (empty after the time).
    std::optional<Screen> Showing(std::uint32_t rgb, std::string& seen)
    {
        std::optional<Screen> found;
        WaitUntil([&] {
            const Screen screen = Shot();
            seen.clear();
            if (ShareShowing(screen, VideoRect(), rgb, &seen) < 0.85) return false;
            found = screen;
            return true;
        }, kHang);
        return found;
    }
    std::uint64_t FailedTunes()
    {
        const std::string state = Receiver();
        const std::size_t at = state.find(" failed: ");
        return at == std::string::npos ? 0 : std::stoull(state.substr(at + 9));
    }
    // Waits until the overlay has shown `count` more frames, counting only increases (a graph
    // that opens the overlay anew starts from 0).
    bool FramesAdvance(std::uint64_t count)
    {
        std::uint64_t last = Frames(), seen = 0;
        return WaitUntil([&] {
            const std::uint64_t now = Frames();
            if (now > last) seen += now - last;
            last = now;
            return seen >= count;
        }, kHang);
    }
    // The loudest sample the device plays over the next half second (0: silence, -1: no recording).
    int Heard()
    {
        const std::filesystem::path file = device.Root() / "heard.wav";
        std::string error;
        if (!control.RecordAudio(file, std::chrono::milliseconds(500), error)) return -1;
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const std::size_t data = bytes.find("data");
        if (data == std::string::npos) return -1;
        int peak = 0;
        for (std::size_t at = data + 8; at + 1 < bytes.size(); at += 2) {
            const auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                                          static_cast<std::uint8_t>(bytes[at + 1]) << 8);
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        return peak;
    }
    void ChooseLine(int line) { control.Post(kWindow, kChannelChosenMessage, kChannelChosen, line); }
    // The scan file of a TV service and a radio service, the radio list shown and its service
    // selected.
    void WriteRadioTable()
    {
        ChannelTable table;
        const ChannelRecord tv = TvRecord(0x101, "TV One", 1);
        ChannelRecord radio;
        radio.frequency = 175280;
        radio.service_id = 0x201;
        radio.name = NameBytes("Radio One");
        radio.sub_channel_id = 2;
        radio.service_type = kRadioService;
        table.Add(tv);
        table.Add(radio);
        table.selected_tv = 0;
        table.selected_radio = 1;
        table.current = 1;
        table.list_type = ListType::Radio;
        std::filesystem::create_directories(Host("NAND"));
        std::ofstream(Host("NAND/TelecastScan.dat"), std::ios::binary) << FormatScanFile(table);
    }
};

TEST_F(TelecastDevicePicture, EachTvServiceShowsItsOwnPictureInTheBoxAndThePictureMoves)
{
    // TV One: a white ball moving over orange; TV Two: the still colour bars.
    std::ofstream(device.Root() / "band.txt")
        << test_band::Band(20, 20).Ensemble(175280, "1").Text() + TvService("TV One", "0x101", 1, "tv_ball.ts") +
               TvService("TV Two", "0x102", 3, "tv.ts");
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101") && Frames() >= 10; }, kHang)) << Situation();
    const protocol::Rect box = BoxRect(), video = VideoRect();
    EXPECT_TRUE(video.left >= box.left && video.top >= box.top && video.right <= box.right &&
                video.bottom <= box.bottom && video.right - video.left > 200)
        << "the video lies in the box: video " << video.left << "," << video.top << " " << video.right << ","
        << video.bottom << ", box " << box.left << "," << box.top << " " << box.right << "," << box.bottom;

    std::string seen;
    const std::optional<Screen> first = Showing(kOrange, seen);
    ASSERT_TRUE(first) << "TV One's orange is not in the box; other colours: " << seen;
    EXPECT_EQ(ShareShowing(*first, video, kBars[2]), 0.0) << "no bars of the other service";

    // The ball moves: a later screen, still of the service, differs from the first inside the box.
    int differing = 0;
    EXPECT_TRUE(WaitUntil([&] {
        const Screen later = Shot();
        if (ShareShowing(later, video, kOrange) < 0.85) return false;
        differing = 0;
        for (int y = video.top; y < video.bottom; ++y)
            for (int x = video.left; x < video.right; ++x) {
                const auto at_x = static_cast<std::uint32_t>(x), at_y = static_cast<std::uint32_t>(y);
                if (!Near(later.At(at_x, at_y), first->At(at_x, at_y))) ++differing;
            }
        return differing >= 300;
    }, kHang)) << "the picture stands still: " << differing << " pixels changed";

    // TV Two shows its bars, each in its place, and no orange.
    ChooseLine(1);
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x102"); }, kHang)) << Receiver();
    std::string bars;
    EXPECT_TRUE(WaitUntil([&] {
        const Screen screen = Shot();
        const protocol::Rect now = VideoRect();
        const int width = now.right - now.left, height = now.bottom - now.top;
        bars.clear();
        bool all = width > 0 && ShareShowing(screen, now, kOrange) == 0.0;
        for (int bar = 0; bar < 7; ++bar) {
            const std::uint32_t pixel = screen.At(static_cast<std::uint32_t>(now.left + width * (2 * bar + 1) / 14),
                                                  static_cast<std::uint32_t>(now.top + height * 3 / 10));
            bars += Hex(pixel) + " ";
            all = all && Near(pixel, kBars[bar]);
        }
        return all;
    }, kHang)) << "TV Two's bars read " << bars;
}

TEST_F(TelecastDevicePicture, ARadioServiceShowsTheDefaultPictureThenItsSlideAndItsLabelsInWhite)
{
    // Two labels in turn, two seconds each: a long one, then a short one.
    const std::string more = "slide = " + test_band::Clip("slide.jpg").string() +
                             "\nslide_seconds = 4\n"
                             "dynamic_label = Now on air: the long label of the morning show\n"
                             "dynamic_label = Hi\n"
                             "dynamic_label_seconds = 2\n";
    test_band::Band(20, 20).Ensemble(175280, "1").Tv("TV One", "0x101", 1).Radio("Radio One", "0x201", 2, more).WriteTo(device);
    WriteRadioTable();
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x201"); }, kHang)) << Receiver();

    std::string seen;
    EXPECT_TRUE(Showing(kBlue, seen)) << "the default picture, \\NAND\\initDAB.jpg, does not come first: " << seen;
    EXPECT_TRUE(Showing(kRed, seen)) << "the slide does not follow: " << seen;

    // The label's line: the foot of the box, inside its margins.
    const protocol::Rect box = BoxRect();
    ASSERT_GT(box.right - box.left, 200);
    const int top = box.bottom - 8 - 24, bottom = box.bottom - 8;
    // How far to the right the label's white reaches from the box's left edge (0: no white).
    const auto white_reach = [&] {
        const Screen screen = Shot();
        int reach = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = box.left + 10; x < box.right - 10; ++x)
                if (Near(screen.At(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)), 0xFFFFFF, 40))
                    reach = std::max(reach, x - box.left);
        return reach;
    };
    int reach = 0;
    EXPECT_TRUE(WaitUntil([&] { return (reach = white_reach()) > 250; }, kHang))
        << "the long label is not drawn in white; its white reaches " << reach;
    // The short label replaces the long one: nothing of the long one is left to its right.
    EXPECT_TRUE(WaitUntil([&] {
        reach = white_reach();
        return reach > 0 && reach < 60;
    }, kHang)) << "the short label does not replace the long one; the white reaches " << reach;
    EXPECT_TRUE(WaitUntil([&] { return white_reach() > 250; }, kHang)) << "the long label comes round again";
}

TEST_F(TelecastDevicePicture, AfterTheAudioChangeAnHeAacServicePlaysThroughTheHeAacDecoderSetForIt)
{
    // TV Two's audio is really HE-AAC; the file says BSAC, as a scan in Korea assumes.
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101") && Frames() >= 5; }, kHang))
        << Receiver() << "frames: " << Frames() << "\n" << device.Log("TELECAST.EXE");
    const std::string line = "[TelecastPlayer] EAACPLUS decoder: rate 48000, property 3 = 1";
    EXPECT_EQ(device.Log("TELECAST.EXE").find("EAACPLUS decoder"), std::string::npos) << "TV One is BSAC";

    ChooseLine(1);
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x102"); }, kHang)) << Receiver();
    ASSERT_TRUE(device.WaitForLog("TELECAST.EXE", line, kHang)) << device.Log("TELECAST.EXE");
    // The BSAC decoder stays silent for an HE-AAC service: sound now is the HE-AAC decoder's.
    int peak = 0;
    EXPECT_TRUE(WaitUntil([&] {
        peak = Heard();
        return peak > 1000;
    }, kHang)) << "TV Two is not heard: peak " << peak;

    EXPECT_TRUE(FramesAdvance(10)) << "TV Two's picture does not play";
    // One change, taken once.
    const std::string log = device.Log("TELECAST.EXE");
    EXPECT_EQ(log.find(line), log.rfind(line)) << log;
}

TEST_F(TelecastDevicePicture, AServiceDroppedWhilePlayingShowsNoSignalAndPlaysAgainWhenRestored)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101") && Frames() >= 5; }, kHang))
        << Receiver() << "frames: " << Frames() << "\n" << device.Log("TELECAST.EXE");
    ASSERT_FALSE(NoSignalShown());

    ASSERT_EQ(Receiver("drop 0x101"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return NoSignalShown(); }, kHang)) << "the service off air shows no picture";
    ASSERT_EQ(Receiver("restore 0x101"), "ok");
    // Nobody touches the program: it plays the service again by itself.
    EXPECT_TRUE(WaitUntil([&] { return !NoSignalShown(); }, kHang)) << "the no-signal picture stays";
    EXPECT_TRUE(FramesAdvance(10)) << "the picture does not come back";
    EXPECT_TRUE(Tuned("0x101")) << Receiver();
}

TEST_F(TelecastDevicePicture, AServiceChosenOffAirShowsNoSignalAtTheFifthFailedTuneAndPlaysWhenBack)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101") && Frames() >= 5; }, kHang))
        << Receiver() << "frames: " << Frames() << "\n" << device.Log("TELECAST.EXE");
    ASSERT_EQ(Receiver("drop 0x102"), "ok");
    const std::uint64_t before = FailedTunes();

    ChooseLine(1);
    // The failures as the receiver counts them just after each look at the screen.
    std::uint64_t failed_when_shown = 0;
    ASSERT_TRUE(WaitUntil([&] {
        const bool shown = NoSignalShown();
        failed_when_shown = FailedTunes() - before;
        return shown;
    }, kHang)) << "no no-signal picture after " << FailedTunes() - before << " failed tunes";
    EXPECT_GE(failed_when_shown, 5u) << "the no-signal picture came before the fifth failed tune";
    // The program keeps trying while the service is off air.
    const std::uint64_t at_picture = FailedTunes();
    EXPECT_TRUE(WaitUntil([&] { return FailedTunes() >= at_picture + 3; }, kHang));

    ASSERT_EQ(Receiver("restore 0x102"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return Tuned("0x102") && !NoSignalShown(); }, kHang)) << Receiver();
    EXPECT_TRUE(FramesAdvance(10)) << "the service does not play";
    const std::uint64_t settled = FailedTunes();
    EXPECT_TRUE(FramesAdvance(10));
    EXPECT_EQ(FailedTunes(), settled) << "the tuning stops once the service plays";
}

}  // namespace
}  // namespace telecast
