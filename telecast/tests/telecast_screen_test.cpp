// Telecast's video box and channel list on the real server's screen, with pictures made for
// the test (each frame, row and piece a colour of its own) and, once, with the rendered skin.
// The test's own window stands in for the main dialog and records what it is sent.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/app/controls.h"
#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/testing/temporary_device.h"
#include "platform/testing/test_window.h"
#include "telecast/tests/screen_waits.h"
#include "telecast/channel_list.h"
#include "telecast/pip_box.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using telecast::CChannelList;
using telecast::CDMBPipBox;
using Screen = devicectl::DeviceControl::Screen;

// Waits far longer than anything here takes, for a loaded machine.
constexpr auto kHang = 10s;

constexpr std::uint32_t kColourKey = 0x100010, kWhite = 0xFFFFFF;
constexpr std::uint32_t kNoSignal = 0x306090, kBarEmpty = 0x404040, kBarFilled = 0x00C000;
constexpr std::uint32_t kListBackground = 0x101820, kHighlight = 0x2060A0, kThumb = 0xFF8000;
std::uint32_t ScanColour(int frame) { return 0x400000u * static_cast<std::uint32_t>(frame + 1) + 0x0020; }
std::uint32_t TuneColour(int frame) { return 0x004000u * static_cast<std::uint32_t>(frame + 1) + 0x800000; }
constexpr int kBarWidth = 300, kBarRowHeight = 10;
constexpr int kListLeft = 580, kListTop = 72;

void WritePicture(const fs::path& dir, UINT id, int width, int height,
                  const std::function<std::uint32_t(int x, int y)>& colour) {
    ASSERT_TRUE(platform::testing::WriteTestPicture(dir, id, width, height, colour)) << id;
}

// The pixels of a rectangle of the screen that pass the test.
int Count(const Screen& screen, const RECT& r, const std::function<bool(std::uint32_t)>& test) {
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) count += test(screen.At(x, y)) ? 1 : 0;
    return count;
}
int CountColour(const Screen& screen, const RECT& r, std::uint32_t colour) {
    return Count(screen, r, [&](std::uint32_t p) { return p == colour; });
}

// What the main window was told.
struct Received {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const Received&) const = default;
};
std::vector<Received> s_received;

LRESULT MainProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND || message == telecast::kChannelChosenMessage)
        s_received.push_back({message, wparam, lparam});
    return DefWindowProc(hwnd, message, wparam, lparam);
}

class TelecastScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        resources = device.Root() / "resources";
        fs::create_directories(resources);
        WritePicture(resources, telecast::kNoSignalImage, 579, 378, [](int, int) { return kNoSignal; });
        WritePicture(resources, telecast::kScanImage, 300, 20 * telecast::kScanFrames,
                     [](int, int y) { return ScanColour(y / 20); });
        WritePicture(resources, telecast::kScanBarImage, kBarWidth, 2 * kBarRowHeight,
                     [](int, int y) { return y < kBarRowHeight ? kBarEmpty : kBarFilled; });
        WritePicture(resources, telecast::kTuningImage, 60, 30 * telecast::kTuningFrames,
                     [](int, int y) { return TuneColour(y / 30); });
        WritePicture(resources, telecast::kChannelListBackground, 220, 339, [](int, int) { return kListBackground; });
        WritePicture(resources, telecast::kChannelListHighlight, 220, 37, [](int, int) { return kHighlight; });
        WritePicture(resources, telecast::kChannelListThumb, 4, 64, [](int, int) { return kThumb; });
        std::ofstream(resources / "strings.txt") << "1\t%d%%\n2\tTV %d / R %d\n";
        platform::SetResourceDir(resources.string());
        platform::RegisterStandardControls();

        s_received.clear();
        WNDCLASS window_class;
        window_class.lpfnWndProc = &MainProcedure;
        window_class.lpszClassName = "TelecastTestMain";
        RegisterClass(&window_class);
        main_window = CreateWindowEx(0, "TelecastTestMain", "DMB_TELECAST", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480,
                                     nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(main_window, nullptr);
    }
    void TearDown() override {
        if (main_window) DestroyWindow(main_window);
        platform::SetResourceDir("");
    }

    void Pump(std::chrono::milliseconds duration) { platform::testing::PumpFor(duration); }
    bool PumpUntil(const std::function<bool()>& condition) { return platform::testing::PumpUntil(condition, kHang); }
    // Pumps until the screen passes the test; the last screen either way.
    Screen ScreenWhere(const std::function<bool(const Screen&)>& test) {
        return telecast::test_screen::ScreenWhere(control, test, kHang);
    }
    Screen ScreenShowing(int x, int y, std::uint32_t colour) {
        return ScreenWhere([&](const Screen& s) { return s.At(x, y) == colour; });
    }
    std::vector<Received> ReceivedOf(UINT message) const {
        std::vector<Received> found;
        for (const auto& r : s_received)
            if (r.message == message) found.push_back(r);
        return found;
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    fs::path resources;
    HWND main_window = nullptr;
};

// ---- The video box --------------------------------------------------------------------------

constexpr RECT kNormalBox = telecast::kLayoutRects[0];
constexpr RECT kFullBox = telecast::kLayoutRects[1];

TEST_F(TelecastScreen, TheVideoStateShowsTheColourKeyWithTheServiceNameAndLabelInWhite) {
    CDMBPipBox box;
    ASSERT_TRUE(box.Create(main_window));
    EXPECT_FALSE(IsWindowVisible(box.Window()));
    box.Show();
    box.PipCtrl(0);
    box.SetServiceName("KBS1 TV");
    box.SetDynamicLabel("오늘의 뉴스");
    const RECT name_band{0, 32, 579, 80}, label_band{0, 360, 579, 410};
    auto screen = ScreenWhere([&](const Screen& s) {
        return s.At(300, 200) == kColourKey && CountColour(s, name_band, kWhite) > 0 &&
               CountColour(s, label_band, kWhite) > 0;
    });
    EXPECT_EQ(screen.At(300, 200), kColourKey) << "the video shows through the key";
    EXPECT_EQ(screen.At(0, 32), kColourKey);
    EXPECT_EQ(screen.At(578, 409), kColourKey);
    EXPECT_NE(screen.At(0, 31), kColourKey) << "the box ends at its rectangle";
    EXPECT_GT(CountColour(screen, name_band, kWhite), 0) << "the service name at the top";
    EXPECT_GT(CountColour(screen, label_band, kWhite), 0) << "the dynamic label at the bottom";
    EXPECT_EQ(CountColour(screen, RECT{0, 120, 579, 320}, kWhite), 0) << "nothing over the middle of the picture";

    // Shifted for the popup control panel: nothing white left of it.
    box.ShiftTexts(true);
    screen = ScreenWhere([&](const Screen& s) { return CountColour(s, RECT{0, 32, 160, 410}, kWhite) == 0; });
    EXPECT_EQ(CountColour(screen, RECT{0, 32, 160, 410}, kWhite), 0);
    EXPECT_GT(CountColour(screen, name_band, kWhite), 0);

    // A state raised again clears both texts.
    box.PipCtrl(0);
    screen = ScreenWhere([&](const Screen& s) { return CountColour(s, kNormalBox, kWhite) == 0; });
    EXPECT_EQ(CountColour(screen, kNormalBox, kWhite), 0);
    EXPECT_EQ(screen.At(300, 200), kColourKey);
    EXPECT_TRUE(box.Close(5000));
}

TEST_F(TelecastScreen, ADynamicLabelWiderThanTheBoxScrollsInsideItsRoomAndAShortOneStandsStill) {
    CDMBPipBox box;
    ASSERT_TRUE(box.Create(main_window));
    box.Show();
    box.PipCtrl(0);
    const RECT label_band{10, 360, 569, 410};
    const auto label_pixels = [&](const Screen& s) {
        std::vector<bool> white;
        for (int y = label_band.top; y < label_band.bottom; ++y)
            for (int x = label_band.left; x < label_band.right; ++x) white.push_back(s.At(x, y) == kWhite);
        return white;
    };
    std::string long_label;
    for (int i = 0; i < 8; ++i) long_label += "교통 정보: 서울 방향 정체 구간 안내 ";
    box.SetDynamicLabel(long_label);
    auto first = ScreenWhere([&](const Screen& s) { return CountColour(s, label_band, kWhite) > 0; });
    ASSERT_GT(CountColour(first, label_band, kWhite), 0);
    const auto moved = ScreenWhere([&](const Screen& s) { return label_pixels(s) != label_pixels(first); });
    EXPECT_NE(label_pixels(moved), label_pixels(first)) << "the long label does not move";
    EXPECT_EQ(CountColour(moved, RECT{0, 355, 10, 410}, kWhite), 0) << "it runs past the left margin";
    EXPECT_EQ(CountColour(moved, RECT{569, 355, 579, 410}, kWhite), 0) << "it runs past the right margin";
    EXPECT_EQ(moved.At(300, 200), kColourKey);

    // A label that fits stands still.
    box.SetDynamicLabel("짧은 안내");
    first = ScreenWhere([&](const Screen& s) {
        return CountColour(s, label_band, kWhite) > 0 && CountColour(s, RECT{300, 360, 569, 410}, kWhite) == 0;
    });
    Pump(600ms);
    const auto later = ScreenWhere([](const Screen&) { return true; });
    EXPECT_EQ(label_pixels(later), label_pixels(first)) << "the short label moved";
    EXPECT_TRUE(box.Close(5000));
}

TEST_F(TelecastScreen, NoSignalCoversTheWholeBoxInTheNormalAndFullScreenLayouts) {
    CDMBPipBox box;
    ASSERT_TRUE(box.Create(main_window));
    box.Show();
    box.SetServiceName("MBC");
    box.PipCtrl(1);
    EXPECT_EQ(box.State(), 1);
    auto screen = ScreenWhere([&](const Screen& s) { return CountColour(s, kNormalBox, kNoSignal) == 579 * 378; });
    EXPECT_EQ(CountColour(screen, kNormalBox, kNoSignal), 579 * 378);
    EXPECT_NE(screen.At(579, 200), kNoSignal) << "and no further";

    ASSERT_TRUE(box.SetMode(1));
    screen = ScreenWhere([&](const Screen& s) { return CountColour(s, kFullBox, kNoSignal) == 800 * 480; });
    EXPECT_EQ(CountColour(screen, kFullBox, kNoSignal), 800 * 480) << "stretched over the full screen";

    // An unknown state is only reported: the box and its state stay as they are.
    box.PipCtrl(7);
    EXPECT_TRUE(device.WaitForLog(platform::ProgramName(), "~~~~~~~~PipCtrl::7"));
    EXPECT_EQ(box.State(), 1);
    Pump(200ms);
    DWORD error = 0;
    const auto after = control.Screenshot(error);
    ASSERT_TRUE(after);
    EXPECT_EQ(CountColour(*after, kFullBox, kNoSignal), 800 * 480);
    EXPECT_TRUE(box.Close(5000));
}

TEST_F(TelecastScreen, TuningShowsItsThreeFramesInTurnUntilTheVideoComes) {
    CDMBPipBox box;
    ASSERT_TRUE(box.Create(main_window));
    box.Show();
    box.PipCtrl(3);
    // The frame sits in the middle of the box; record each colour it takes there.
    const int x = 289, y = 32 + 189;
    std::vector<std::uint32_t> seen;
    DWORD error = 0;
    const auto end = Clock::now() + kHang;
    while (seen.size() < 5 && Clock::now() < end) {
        const auto screen = control.Screenshot(error);
        if (screen && (seen.empty() || seen.back() != screen->At(x, y))) seen.push_back(screen->At(x, y));
        std::this_thread::sleep_for(20ms);
    }
    // The first look may still be the box before the state; from the first frame on they cycle.
    std::size_t first = 0;
    while (first < seen.size() && seen[first] != TuneColour(0)) ++first;
    ASSERT_GE(seen.size(), first + 4) << "the animation runs";
    EXPECT_EQ(seen[first + 1], TuneColour(1));
    EXPECT_EQ(seen[first + 2], TuneColour(2));
    EXPECT_EQ(seen[first + 3], TuneColour(0)) << "after the last frame, the first";

    // The video state stops it.
    box.PipCtrl(0);
    auto screen = ScreenShowing(x, y, kColourKey);
    EXPECT_EQ(screen.At(x, y), kColourKey);
    EXPECT_TRUE(box.Close(5000));
}

// The bar's filled and empty pixels, counted on the rows the bar crosses whole: a text's
// smoothed edge may take either colour here and there, never a bar's width of them.
std::pair<int, int> BarPixels(const Screen& screen) {
    int filled = 0, empty = 0;
    for (int y = kNormalBox.top; y < kNormalBox.bottom; ++y) {
        const RECT row{kNormalBox.left, y, kNormalBox.right, y + 1};
        const int f = CountColour(screen, row, kBarFilled), e = CountColour(screen, row, kBarEmpty);
        if (f + e != kBarWidth) continue;
        filled += f;
        empty += e;
    }
    return {filled, empty};
}

TEST_F(TelecastScreen, ScanningFillsItsShareOfTheBarAndShowsTheCounts) {
    CDMBPipBox box;
    ASSERT_TRUE(box.Create(main_window));
    box.Show();
    box.PipCtrl(2);
    box.SetScanProgress(50, 3, 2);
    using Bar = std::pair<int, int>;
    const Bar half{150 * kBarRowHeight, 150 * kBarRowHeight}, full{kBarWidth * kBarRowHeight, 0};
    auto screen = ScreenWhere([&](const Screen& s) { return BarPixels(s) == half; });
    EXPECT_EQ(BarPixels(screen), half) << "half of the bar filled, the rest empty";
    EXPECT_GT(CountColour(screen, kNormalBox, kWhite), 0) << "the percent and the counts";
    EXPECT_GT(Count(screen, kNormalBox, [](std::uint32_t p) {
                  for (int frame = 0; frame < telecast::kScanFrames; ++frame)
                      if (p == ScanColour(frame)) return true;
                  return false;
              }),
              0)
        << "the scanning picture";

    box.SetScanProgress(140, 9, 4);  // past the end: a full bar
    screen = ScreenWhere([&](const Screen& s) { return BarPixels(s) == full; });
    EXPECT_EQ(BarPixels(screen), full);
    EXPECT_TRUE(box.Close(5000));
}

TEST_F(TelecastScreen, TheLayoutCallbackComesBeforeTheBoxMoves) {
    struct Call {
        int mode;
        RECT rect;
        RECT box_then;
    };
    std::vector<Call> calls;
    CDMBPipBox* self = nullptr;
    CDMBPipBox box([&](int mode, const RECT& rect) {
        RECT then{};
        GetWindowRect(self->Window(), &then);
        calls.push_back({mode, rect, then});
    });
    self = &box;
    ASSERT_TRUE(box.Create(main_window, 2));
    EXPECT_TRUE(calls.empty()) << "creating the box is no layout change";
    RECT r{};
    GetWindowRect(box.Window(), &r);
    EXPECT_EQ(r.left, 400);
    EXPECT_EQ(r.top, 135);

    const auto same = [](const RECT& a, const RECT& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    RECT before = telecast::kLayoutRects[2];
    for (int mode : {0, 1, 3, 2}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(box.SetMode(mode));
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().mode, mode);
        EXPECT_TRUE(same(calls.back().rect, telecast::kLayoutRects[static_cast<std::size_t>(mode)]));
        EXPECT_TRUE(same(calls.back().box_then, before)) << "the owner hears of it first";
        EXPECT_TRUE(PumpUntil([&] {
            GetWindowRect(box.Window(), &r);
            return same(r, telecast::kLayoutRects[static_cast<std::size_t>(mode)]);
        }));
        EXPECT_EQ(box.Mode(), mode);
        before = telecast::kLayoutRects[static_cast<std::size_t>(mode)];
    }
    const std::size_t count = calls.size();
    EXPECT_FALSE(box.SetMode(4));
    EXPECT_FALSE(box.SetMode(-1));
    EXPECT_EQ(calls.size(), count) << "no callback for a mode that does not exist";
    EXPECT_EQ(box.Mode(), 2);
    EXPECT_TRUE(box.Close(5000));
}

TEST_F(TelecastScreen, TwoQuickReleasesOnTheBoxAskForOneLayoutToggle) {
    CDMBPipBox box;
    ASSERT_TRUE(box.Create(main_window));
    box.Show();
    PostMessage(box.Window(), WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    PostMessage(box.Window(), WM_LBUTTONUP, 0, MAKELPARAM(120, 100));
    ASSERT_TRUE(PumpUntil([&] { return !ReceivedOf(WM_COMMAND).empty(); }));
    Pump(300ms);
    EXPECT_EQ(ReceivedOf(WM_COMMAND), (std::vector<Received>{{WM_COMMAND, 1019, 0}}));

    // A later tap on the screen is a new one.
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(box.Window()); }));
    ASSERT_EQ(control.Tap(300, 200), 0u);
    EXPECT_TRUE(PumpUntil([&] { return ReceivedOf(WM_COMMAND).size() == 2; }));
    EXPECT_TRUE(box.Close(5000));
}

// ---- The channel list -----------------------------------------------------------------------

class ChannelListScreen : public TelecastScreen {
protected:
    void SetUp() override {
        TelecastScreen::SetUp();
        if (HasFatalFailure()) return;
        lines = CreateWindowEx(0, kListBoxClass, "", WS_CHILD, 0, 0, 10, 10, main_window, nullptr, nullptr, nullptr);
        ASSERT_NE(lines, nullptr);
    }
    void AddLines(int count) {
        for (int i = 0; i < count; ++i) Add("Channel " + std::to_string(i));
    }
    void Add(const std::string& text) { SendMessage(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); }
    void ShowList() {
        PostMessage(list.Window(), 1120, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(list.Window()) != FALSE; }));
    }
    static int RowMiddle(int row) { return kListTop + 2 + 37 * row + 18; }

    HWND lines = nullptr;
    CChannelList list;
};

TEST_F(ChannelListScreen, TenLinesMakeTwoPagesWithTheThumbAtTheSecondPageEnd) {
    AddLines(10);
    ASSERT_TRUE(list.Create(main_window, lines));
    EXPECT_FALSE(IsWindowVisible(list.Window()));
    ShowList();
    list.SetPosition(9);
    EXPECT_EQ(list.Cursor().top, 9);
    EXPECT_EQ(list.Cursor().row, 0);
    const int thumb_x = kListLeft + 215;
    auto screen = ScreenShowing(thumb_x, kListTop + 272, kThumb);
    EXPECT_EQ(screen.At(thumb_x, kListTop + 272), kThumb) << "the thumb at the last page";
    EXPECT_EQ(screen.At(thumb_x, kListTop + 272 + 63), kThumb);
    EXPECT_NE(screen.At(thumb_x, kListTop + 271), kThumb);
    EXPECT_EQ(screen.At(kListLeft + 200, kListTop + 3), kHighlight) << "line 9 on the first row, selected";
    EXPECT_EQ(screen.At(kListLeft + 200, RowMiddle(1)), kListBackground) << "the second page holds one line";

    list.SetPosition(3);
    screen = ScreenShowing(kListLeft + 200, RowMiddle(3), kHighlight);
    EXPECT_EQ(screen.At(kListLeft + 200, RowMiddle(3)), kHighlight);
    EXPECT_EQ(screen.At(thumb_x, kListTop + 2), kThumb) << "the thumb at the first page";
    EXPECT_EQ(screen.At(kListLeft + 200, kListTop + 3), kListBackground);

    PostMessage(list.Window(), 1121, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(list.Window()) == FALSE; }));
}

TEST_F(ChannelListScreen, OnePageNeedsNoThumb) {
    AddLines(9);
    ASSERT_TRUE(list.Create(main_window, lines));
    ShowList();
    const auto screen = ScreenShowing(kListLeft + 200, kListTop + 3, kHighlight);
    EXPECT_EQ(CountColour(screen, RECT{kListLeft, kListTop, 800, 411}, kThumb), 0);
}

TEST_F(ChannelListScreen, AReleaseOnALineTellsTheMainWindowAndOnAnEmptyRowNothing) {
    AddLines(10);
    ASSERT_TRUE(list.Create(main_window, lines));
    ShowList();
    list.PageDown();
    ASSERT_EQ(list.Position(), 9);

    // A real tap on the page's only line, then on the row under it.
    ASSERT_EQ(control.Tap(kListLeft + 100, RowMiddle(0)), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !ReceivedOf(telecast::kChannelChosenMessage).empty(); }));
    EXPECT_EQ(ReceivedOf(telecast::kChannelChosenMessage),
              (std::vector<Received>{{telecast::kChannelChosenMessage, 1017, 9}}));
    ASSERT_EQ(control.Tap(kListLeft + 100, RowMiddle(3)), 0u);
    Pump(300ms);
    EXPECT_EQ(ReceivedOf(telecast::kChannelChosenMessage).size(), 1u) << "an empty row chooses nothing";
    EXPECT_EQ(list.Position(), 9);

    // On the first page: a press selects, the release tells; above the rows nothing happens.
    list.PageUp();
    SendMessage(list.Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(50, 2 + 37 * 4 + 5));
    EXPECT_EQ(list.Position(), 4) << "a press selects";
    EXPECT_TRUE(ReceivedOf(telecast::kChannelChosenMessage).size() == 1u) << "only a release tells";
    SendMessage(list.Window(), WM_LBUTTONUP, 0, MAKELPARAM(50, 2 + 37 * 8 + 36));
    SendMessage(list.Window(), WM_LBUTTONUP, 0, MAKELPARAM(50, 1));
    Pump(100ms);
    EXPECT_EQ(ReceivedOf(telecast::kChannelChosenMessage),
              (std::vector<Received>{{telecast::kChannelChosenMessage, 1017, 9},
                                     {telecast::kChannelChosenMessage, 1017, 8}}));
    EXPECT_EQ(list.Position(), 8);
}

TEST_F(ChannelListScreen, PagesAndStepsFollowTheListBoxAndWrapAtItsEnds) {
    ASSERT_TRUE(list.Create(main_window, lines));
    list.Next();
    list.Previous();
    list.PageDown();
    EXPECT_EQ(list.Position(), 0) << "an empty list stays at its start";

    AddLines(10);
    struct Step {
        void (CChannelList::*move)();
        int line;
    };
    const Step steps[] = {
        {&CChannelList::PageUp, 0},   {&CChannelList::PageDown, 9}, {&CChannelList::PageDown, 9},
        {&CChannelList::Next, 0},     {&CChannelList::Previous, 9}, {&CChannelList::Previous, 8},
        {&CChannelList::PageUp, 8},   {&CChannelList::Next, 9},     {&CChannelList::PageUp, 0},
        {&CChannelList::Previous, 9},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        (list.*steps[i].move)();
        EXPECT_EQ(list.Position(), steps[i].line) << "step " << i;
    }
    list.SetPosition(5);
    list.Next();
    EXPECT_EQ(list.Cursor().top, 0);
    EXPECT_EQ(list.Cursor().row, 6);
}

TEST_F(ChannelListScreen, RowsShowTheTextAfterTheLastSeparatorAndLinesAddedElsewhereAfterARefresh) {
    EXPECT_EQ(CChannelList::ShownText("KBS\\KBS1 TV"), "KBS1 TV");
    EXPECT_EQ(CChannelList::ShownText("a/b\\c/YTN"), "YTN");
    EXPECT_EQ(CChannelList::ShownText("MBC"), "MBC");
    EXPECT_EQ(CChannelList::ShownText("ends\\"), "");

    Add("KBS1 TV");
    Add("radio\\KBS1 TV");
    Add("x\\y/KBS1 TV");
    Add("KBS2 TV");
    ASSERT_TRUE(list.Create(main_window, lines));
    ShowList();
    list.SetPosition(8);  // no line there: no row is selected
    const RECT area{kListLeft, kListTop, 800, 411};
    auto screen = ScreenWhere([&](const Screen& s) { return CountColour(s, area, kWhite) > 0; });
    const auto row = [&](int n) {
        std::vector<std::uint32_t> pixels;
        for (int y = kListTop + 2 + 37 * n; y < kListTop + 2 + 37 * (n + 1); ++y)
            for (int x = kListLeft; x < kListLeft + 210; ++x) pixels.push_back(screen.At(x, y));
        return pixels;
    };
    EXPECT_EQ(row(1), row(0)) << "the part after the last backslash";
    EXPECT_EQ(row(2), row(0)) << "the part after the last separator of either kind";
    EXPECT_NE(row(3), row(0));
    EXPECT_EQ(CountColour(screen, RECT{kListLeft, kListTop + 2 + 37 * 4, 800, 411}, kWhite), 0);

    // The player thread adds a line by a sent message and asks for a repaint.
    std::thread player([&] {
        const std::string text = "MBC";
        SendMessage(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        list.Refresh();
    });
    const RECT fifth{kListLeft, kListTop + 2 + 37 * 4, kListLeft + 210, kListTop + 2 + 37 * 5};
    screen = ScreenWhere([&](const Screen& s) { return CountColour(s, fifth, kWhite) > 0; });
    player.join();
    EXPECT_GT(CountColour(screen, fifth, kWhite), 0) << "the new line shows";
}

// ---- The rendered skin ----------------------------------------------------------------------

TEST_F(TelecastScreen, TheRenderedSkinHasTheScreensPicturesAndNoSignalHidesTheVideo) {
    platform::SetResourceDir(TELECAST_RESOURCES);
    struct Picture {
        UINT id;
        int width, height;
    };
    const Picture pictures[] = {{143, 800, 480}, {147, 579, 378}, {139, 220, 37},   {141, 220, 339},
                                {157, 4, 64},    {136, 206, 64},  {146, 120, 138},  {161, 50, 69},
                                {135, 228, 78},  {134, 208, 78},  {156, 300, 28},   {158, 240, 270}};
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.id);
        HBITMAP bitmap = LoadBitmap(picture.id);
        ASSERT_NE(bitmap, nullptr);
        BITMAP description;
        ASSERT_NE(GetObject(bitmap, sizeof(description), &description), 0);
        EXPECT_EQ(description.bmWidth, picture.width);
        EXPECT_EQ(description.bmHeight, picture.height);
        DeleteObject(bitmap);
    }

    CDMBPipBox box;
    ASSERT_TRUE(box.Create(main_window, 1));
    box.Show();
    box.PipCtrl(1);
    const auto screen = ScreenWhere([&](const Screen& s) { return CountColour(s, kFullBox, kColourKey) == 0 &&
                                                                  s.At(400, 240) != 0; });
    EXPECT_EQ(CountColour(screen, kFullBox, kColourKey), 0) << "no video shows through";
    EXPECT_GT(Count(screen, kFullBox, [](std::uint32_t p) { return ((p >> 16) & 0xFF) > 120; }), 100)
        << "the no-signal label reads on it";
    EXPECT_TRUE(box.Close(5000));
}

}  // namespace
