// The skin dialog on the real server's screen: skin pictures made for the test (each frame of
// each strip a colour of its own), the dialog's modal loop on a thread of its own, pen input
// through devicectl, and what the dialog was told checked as message traffic.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/skin_dialog.h"
#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/testing/temporary_device.h"
#include "platform/testing/test_window.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long a wait may take before the test calls it a hang. What is waited for comes far
// sooner, but a loaded machine may hold any step up for seconds.
constexpr auto kHang = 10s;

// Polls until a condition holds; false when it still does not after kHang.
bool Eventually(const std::function<bool()>& condition) {
    const auto end = Clock::now() + kHang;
    while (!condition()) {
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Pictures and their colours (0xRRGGBB).
constexpr UINT kBackgroundImage = 1, kButtonImage = 10, kTrackImage = 20, kSegmentImage = 21, kDigitImage = 30,
               kFillImage = 40, kStaticImage = 50, kTwoRowImage = 60;
constexpr std::uint32_t kBackground = 0x202020;
constexpr std::uint32_t kButtonFrames[3] = {0x0000A0, 0x00A000, 0xA00000};  // normal, pressed, highlighted
constexpr std::uint32_t kTrackFrames[2] = {0x303080, 0x803030};
constexpr std::uint32_t kSegment = 0xE0E000;
constexpr std::uint32_t kFill = 0x00E0E0;
constexpr std::uint32_t kStaticFrames[2] = {0x406000, 0x604000};
constexpr std::uint32_t kTwoRowFrames[2] = {0x2060A0, 0x60A020};  // normal, pressed; the row below disabled
constexpr std::uint32_t kDisabledLook = 0x505050;
constexpr std::uint32_t kMagenta = 0xFF00FF;
constexpr std::uint32_t kKnob = 0xC0C0C0;
std::uint32_t GlyphColour(int glyph) { return 0x0A0A00u * static_cast<std::uint32_t>(glyph + 1) + 0x40; }
constexpr int kGlyphWidth = 16;

// Controls of the test screen.
enum : int {
    kPlain = 1001, kRepeat, kLatching, kLatched, kHighlighted, kHiddenButton, kTaken,
    kSlider, kSliderFromZero, kClock, kGap, kSeek, kSelectable, kDisablable,
};

void WritePicture(const std::filesystem::path& dir, UINT id, int width, int height,
                  const std::function<std::uint32_t(int x, int y)>& colour) {
    ASSERT_TRUE(platform::testing::WriteTestPicture(dir, id, width, height, colour)) << id;
}

void WriteSkin(const std::filesystem::path& dir) {
    WritePicture(dir, kBackgroundImage, 800, 480, [](int, int) { return kBackground; });
    WritePicture(dir, kButtonImage, 300, 60, [](int x, int) { return kButtonFrames[x / 100]; });
    WritePicture(dir, kTrackImage, 400, 40, [](int x, int) { return kTrackFrames[x / 200]; });
    WritePicture(dir, kSegmentImage, 20, 20, [](int, int) { return kSegment; });
    WritePicture(dir, kDigitImage, 12 * kGlyphWidth, 24, [](int x, int) {
        return x % kGlyphWidth == kGlyphWidth - 1 ? kMagenta : GlyphColour(x / kGlyphWidth);
    });
    WritePicture(dir, kFillImage, 214, 10, [](int, int) { return kFill; });
    WritePicture(dir, kStaticImage, 200, 80, [](int x, int y) { return y < 40 ? kStaticFrames[x / 100] : 0x102030u; });
    WritePicture(dir, kTwoRowImage, 200, 120, [](int x, int y) { return y < 60 ? kTwoRowFrames[x / 100] : kDisabledLook; });
}

// Runs a function on the dialog's thread: lParam points to a std::function<void()>.
constexpr UINT kRunOnDialog = WM_APP + 1;
// Settling the dialog (SkinDialog::Settle): wParam 0 from the test, 1 from the dialog itself;
// lParam numbers the request. The dialog answers with a kSettled event of that number.
constexpr UINT kSettle = WM_APP + 2;
constexpr UINT kSettled = WM_APP + 3;
constexpr UINT_PTR kSettleTimer = 77;

struct Event {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    Clock::time_point time;  // when the dialog took it
};

// A program's dialog as the suite builds one: one screen of every kind of control.
class TestDialog : public CSkinDialogEx {
public:
    explicit TestDialog(SkinDialogOptions options = {}) : CSkinDialogEx("SkinTest", "SkinTest", options) {}

    std::vector<Event> Events() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    std::vector<Event> Events(UINT message, WPARAM wparam) {
        std::vector<Event> found;
        for (const Event& event : Events())
            if (event.message == message && event.wparam == wparam) found.push_back(event);
        return found;
    }
    std::atomic<HWND> window{nullptr};
    std::atomic<LRESULT> click_answer{0};
    std::atomic<bool> rebuild_on_click{false};
    std::atomic<DWORD> plain_flags_after_release{0xFFFFFFFF};
    std::atomic<int> slider_value{-1}, slider_from_zero_value{-1};
    std::atomic<double> seek_value{-1};

protected:
    BOOL OnInitDialog() override {
        m_background = LoadBitmap(kBackgroundImage);
        if (!InitSkin(m_background)) return FALSE;
        SetName("SkinTest");
        AddControl(kPlain, kButtonImage, 100, 40, 100, 60, 3, SKIN_BUTTON);
        AddControl(kRepeat, kButtonImage, 220, 40, 100, 60, 3, SKIN_BUTTON | SKIN_REPEAT);
        AddControl(kLatching, kButtonImage, 340, 40, 100, 60, 3, SKIN_BUTTON | SKIN_LATCH_ON_RELEASE);
        AddControl(kLatched, kButtonImage, 460, 40, 100, 60, 3, SKIN_BUTTON | SKIN_LATCHED);
        AddControl(kHighlighted, kButtonImage, 580, 40, 100, 60, 3, SKIN_BUTTON | SKIN_HIGHLIGHTED);
        AddControl(kHiddenButton, kButtonImage, 100, 120, 100, 60, 3, SKIN_BUTTON | SKIN_HIDDEN);
        AddControl(kTaken, kButtonImage, 220, 120, 100, 60, 3, SKIN_BUTTON);
        AddControl(kSlider, kTrackImage, 100, 200, 200, 40, 2, SKIN_SLIDER);
        SetSlider(kSlider, 5, 1, 10, 0, 10, kSegmentImage);
        AddControl(kSliderFromZero, kTrackImage, 400, 200, 200, 40, 2, SKIN_SLIDER);
        SetSlider(kSliderFromZero, 5, 0, 10, 0, 10, kSegmentImage);
        AddControl(kClock, -1, 100, 280, 200, 30, 1, SKIN_STATIC);
        SetTextStyle(kClock, kGlyphWidth, RGB(255, 255, 255), 0, 0, kDigitImage);
        SetControlText(kClock, "12:30");
        AddControl(kGap, -1, 400, 280, 200, 30, 1, SKIN_STATIC);
        SetTextStyle(kGap, kGlyphWidth, RGB(255, 255, 255), 0, 0, kDigitImage);
        SetControlText(kGap, "1a2");
        AddControl(kSeek, -1, 100, 340, 200, 20, 1, SKIN_SEEKBAR);
        SetSeekBar(kSeek, 0, 0, 100, 0, 5, kFillImage);
        AddControl(kSelectable, kStaticImage, 400, 340, 100, 40, 2, SKIN_STATIC);
        AddControl(kDisablable, kTwoRowImage, 340, 120, 100, 60, 2, SKIN_BUTTON);
        DrawBackground(m_background, 0, 0);
        RedrawAll();
        EnablePainting(true);
        window = m_hWnd;
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
        const bool repeat_timer = message == WM_TIMER && wparam == kSkinRepeatTimer;
        if (message == WM_COMMAND || message == WM_SKIN_SLIDER || message == WM_SKIN_CLICK ||
            message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || repeat_timer) {
            std::lock_guard<std::mutex> lock(m_mutex);
            // The pen's key state is no part of what is checked.
            const bool pen = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP;
            m_events.push_back({message, pen ? 0 : wparam, lparam, Clock::now()});
        }
        // The loop hands out sent messages, then posted ones, then paint, then timers. The test's
        // request comes behind the input it gave before; reposted, it comes behind what the
        // dialog posted itself meanwhile; and a timer comes only once every paint is done.
        if (message == kSettle) {
            if (wparam == 0) PostMessage(m_hWnd, kSettle, 1, lparam);
            else {
                m_settle_number = lparam;
                SetTimer(kSettleTimer, 1);
            }
            return 0;
        }
        if (message == WM_TIMER && wparam == kSettleTimer) {
            KillTimer(kSettleTimer);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back({kSettled, static_cast<WPARAM>(m_settle_number), 0, Clock::now()});
            return 0;
        }
        if (message == kRunOnDialog) {
            (*reinterpret_cast<std::function<void()>*>(lparam))();
            return 0;
        }
        if (message == WM_SKIN_CLICK && wparam == static_cast<WPARAM>(kPlain) && rebuild_on_click) {
            // A program that changes screens on the press: the pressed control goes with the old one.
            ClearControls();
            AddControl(kTaken, kButtonImage, 100, 40, 100, 60, 3, SKIN_BUTTON);
            return 0;
        }
        if (message == WM_SKIN_CLICK) return wparam == static_cast<WPARAM>(kTaken) ? 1 : click_answer.load();
        if (message == WM_COMMAND && LOWORD(wparam) >= kPlain) return 0;
        const LRESULT result = CSkinDialogEx::WindowProc(message, wparam, lparam);
        if (message == WM_LBUTTONUP || message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE) {
            if (const SkinControl* plain = Control(kPlain)) plain_flags_after_release = plain->kind & SKIN_FLAG_MASK;
            if (const SkinControl* slider = Control(kSlider)) slider_value = slider->slider.value;
            if (const SkinControl* slider = Control(kSliderFromZero)) slider_from_zero_value = slider->slider.value;
            if (const SkinControl* seek = Control(kSeek)) seek_value = seek->seek.value;
        }
        return result;
    }

private:
    HBITMAP m_background = nullptr;
    LPARAM m_settle_number = 0;
    std::mutex m_mutex;
    std::vector<Event> m_events;
};

// A device with the test skin as this program's resources.
class SkinScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        resources = device.Root() / "resources";
        std::filesystem::create_directories(resources);
        WriteSkin(resources);
        platform::SetResourceDir(resources.string());
    }
    void TearDown() override { platform::SetResourceDir(""); }
    devicectl::DeviceControl::Screen ScreenShowing(int x, int y, std::uint32_t colour) {
        return control.ScreenShowing(x, y, colour, kHang);
    }

    platform::testing::TemporaryDevice device;
    std::filesystem::path resources;
    devicectl::DeviceControl control{device.Root()};
};

class SkinDialog : public SkinScreen {
protected:
    void SetUp() override {
        SkinScreen::SetUp();
        WritePicture(resources, kSeekBarKnobImage, 10, 20, [](int x, int) { return x == 9 ? kMagenta : kKnob; });
        dialog = std::make_unique<TestDialog>(Options());
        runner = std::thread([this] { dialog->DoModal(); });
        ASSERT_TRUE(Eventually([this] { return dialog->window.load() != nullptr; })) << "the dialog did not come up";
        ASSERT_EQ(ScreenShowing(150, 70, kButtonFrames[0]).At(150, 70), kButtonFrames[0]) << "the screen is drawn";
    }
    virtual SkinDialogOptions Options() const { return {}; }
    void CloseDialog() {
        if (runner.joinable()) {
            if (HWND hwnd = dialog->window.load()) PostMessage(hwnd, WM_CLOSE, 0, 0);
            runner.join();
        }
    }
    void TearDown() override {
        CloseDialog();
        SkinScreen::TearDown();
    }
    // Waits until the dialog has seen a number of messages of a kind.
    std::vector<Event> WaitFor(UINT message, WPARAM wparam, std::size_t count) {
        std::vector<Event> found;
        Eventually([&] {
            found = dialog->Events(message, wparam);
            return found.size() >= count;
        });
        return found;
    }
    void OnDialog(std::function<void()> work) {
        SendMessage(dialog->window.load(), kRunOnDialog, 0, reinterpret_cast<LPARAM>(&work));
    }
    // Waits until the dialog has handled all input given so far and all it posted itself on the
    // way, and its paints are on the screen: whatever that input was to bring about is done.
    void Settle() {
        const LPARAM number = ++settles;
        ASSERT_TRUE(PostMessage(dialog->window.load(), kSettle, 0, number));
        ASSERT_EQ(WaitFor(kSettled, static_cast<WPARAM>(number), 1).size(), 1u) << "the dialog does not settle";
    }

    std::unique_ptr<TestDialog> dialog;
    std::thread runner;
    LPARAM settles = 0;
};

TEST_F(SkinDialog, ButtonFramesFollowTheFlagsOnTheScreen) {
    auto screen = ScreenShowing(150, 70, kButtonFrames[0]);
    EXPECT_EQ(screen.At(150, 70), kButtonFrames[0]) << "normal";
    EXPECT_EQ(screen.At(510, 70), kButtonFrames[1]) << "latched draws the pressed frame";
    EXPECT_EQ(screen.At(630, 70), kButtonFrames[2]) << "highlighted";
    EXPECT_EQ(screen.At(150, 150), kBackground) << "hidden shows the background";
    EXPECT_EQ(screen.At(50, 20), kBackground);

    ASSERT_EQ(control.Press(150, 70), 0u);
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[1]).At(150, 70), kButtonFrames[1]) << "pressed while held";
    ASSERT_EQ(control.Release(150, 70), 0u);
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[0]).At(150, 70), kButtonFrames[0]) << "normal again";
    EXPECT_EQ(WaitFor(WM_COMMAND, kPlain, 1).size(), 1u);
    EXPECT_EQ(dialog->plain_flags_after_release.load(), 0u);

    ASSERT_EQ(control.Tap(390, 70), 0u);
    EXPECT_EQ(ScreenShowing(390, 70, kButtonFrames[1]).At(390, 70), kButtonFrames[1]) << "latched on release";
    EXPECT_EQ(WaitFor(WM_COMMAND, kLatching, 1).size(), 1u);
    ASSERT_EQ(control.Tap(390, 70), 0u);
    ASSERT_EQ(control.Tap(510, 70), 0u);
    ASSERT_EQ(control.Tap(150, 150), 0u) << "on the hidden button: a release on nothing";
    WaitFor(WM_SKIN_SLIDER, kSkinReleaseOnNothing, 1);
    Settle();
    EXPECT_EQ(dialog->Events(WM_COMMAND, kLatching).size(), 1u) << "a latched button takes its presses";
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kLatched).empty());
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kHiddenButton).empty());
    EXPECT_TRUE(dialog->Events(WM_SKIN_CLICK, kLatched).empty()) << "no WM_SKIN_CLICK for a latched press";
}

TEST_F(SkinDialog, ADisabledButtonLooksDisabledAndTakesNoPress) {
    EXPECT_EQ(ScreenShowing(390, 150, kTwoRowFrames[0]).At(390, 150), kTwoRowFrames[0]);
    OnDialog([&] {
        dialog->EnableControl(kDisablable, false);
        dialog->EnableControl(kPlain, false);
    });
    EXPECT_EQ(ScreenShowing(390, 150, kDisabledLook).At(390, 150), kDisabledLook) << "the image's disabled row";
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[0]).At(150, 70), kButtonFrames[0])
        << "an image without a disabled row draws its normal frame";
    ASSERT_EQ(control.Press(390, 150), 0u);
    Settle();
    EXPECT_EQ(ScreenShowing(390, 150, kDisabledLook).At(390, 150), kDisabledLook) << "no pressed look";
    ASSERT_EQ(control.Release(390, 150), 0u);
    ASSERT_EQ(control.Tap(150, 70), 0u);
    Settle();
    for (WPARAM id : {WPARAM{kDisablable}, WPARAM{kPlain}}) {
        EXPECT_TRUE(dialog->Events(WM_COMMAND, id).empty()) << id;
        EXPECT_TRUE(dialog->Events(WM_SKIN_CLICK, id).empty()) << id;
    }
    EXPECT_TRUE(dialog->Events(WM_SKIN_SLIDER, kSkinReleaseOnNothing).empty()) << "a disabled button is not nothing";

    // Enabled again, it acts as before.
    OnDialog([&] { dialog->EnableControl(kDisablable, true); });
    EXPECT_EQ(ScreenShowing(390, 150, kTwoRowFrames[0]).At(390, 150), kTwoRowFrames[0]);
    ASSERT_EQ(control.Tap(390, 150), 0u);
    EXPECT_EQ(WaitFor(WM_COMMAND, kDisablable, 1).size(), 1u);

    // Disabled while held, an auto-repeat button stops repeating and gives nothing on release.
    ASSERT_EQ(control.Press(270, 70), 0u);
    ASSERT_EQ(WaitFor(WM_COMMAND, kRepeat, 1).size(), 1u);
    OnDialog([&] { dialog->EnableControl(kRepeat, false); });
    const std::size_t repeats = dialog->Events(WM_COMMAND, kRepeat).size();
    std::this_thread::sleep_for(350ms);
    ASSERT_EQ(control.Release(270, 70), 0u);
    Settle();
    EXPECT_EQ(dialog->Events(WM_COMMAND, kRepeat).size(), repeats);
}

TEST_F(SkinDialog, APressTakenByTheClickHandlerGivesNoCommandAndNoPressedLook) {
    ASSERT_EQ(control.Press(270, 150), 0u);
    ASSERT_EQ(WaitFor(WM_SKIN_CLICK, kTaken, 1).size(), 1u);
    EXPECT_EQ(dialog->Events(WM_SKIN_CLICK, kTaken)[0].lparam, kSkinClickPress);
    Settle();
    EXPECT_EQ(ScreenShowing(270, 150, kButtonFrames[0]).At(270, 150), kButtonFrames[0]);
    ASSERT_EQ(control.Release(270, 150), 0u);
    Settle();
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kTaken).empty());
}

TEST_F(SkinDialog, ChangesThroughTheSetCallsAreRedrawn) {
    OnDialog([&] { dialog->SetFlags(kPlain, SKIN_HIDDEN, SKIN_HIDDEN); });
    EXPECT_EQ(ScreenShowing(150, 70, kBackground).At(150, 70), kBackground) << "hidden";
    ASSERT_EQ(control.Tap(150, 70), 0u);
    EXPECT_EQ(WaitFor(WM_SKIN_SLIDER, kSkinReleaseOnNothing, 1).size(), 1u) << "a hidden control is not hit";
    OnDialog([&] { dialog->SetFlags(kPlain, SKIN_HIDDEN | SKIN_HIGHLIGHTED, SKIN_HIGHLIGHTED); });
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[2]).At(150, 70), kButtonFrames[2]) << "shown, highlighted";
    OnDialog([&] { dialog->SetKind(kHighlighted, SKIN_BUTTON); });
    EXPECT_EQ(ScreenShowing(630, 70, kButtonFrames[0]).At(630, 70), kButtonFrames[0]);
    OnDialog([&] { dialog->SetSliderValue(kSlider, 8); });
    EXPECT_EQ(ScreenShowing(245, 215, kSegment).At(245, 215), kSegment) << "eight segments";
    EXPECT_EQ(ScreenShowing(245, 215, kSegment).At(265, 215), kTrackFrames[0]);
    OnDialog([&] { dialog->SetSliderValue(kSlider, 1000); });
    EXPECT_EQ(ScreenShowing(299, 215, kSegment).At(299, 215), kSegment) << "a value past the track fills it";
    EXPECT_EQ(ScreenShowing(299, 215, kSegment).At(305, 215), kBackground) << "and no further";
    OnDialog([&] { dialog->SetControlText(kClock, "9"); });
    EXPECT_EQ(ScreenShowing(120, 290, kBackground).At(120, 290), kBackground) << "the old text is gone";
    EXPECT_EQ(ScreenShowing(120, 290, kBackground).At(105, 290), GlyphColour(9));
    OnDialog([&] { dialog->SetImageRow(kSelectable, 1); });
    EXPECT_EQ(ScreenShowing(450, 360, 0x102030u).At(450, 360), 0x102030u) << "the second row";
    OnDialog([&] { dialog->SetFlags(kSelectable, SKIN_LATCHED, SKIN_LATCHED); dialog->SetImageRow(kSelectable, 0); });
    EXPECT_EQ(ScreenShowing(450, 360, kStaticFrames[1]).At(450, 360), kStaticFrames[1]) << "selected";
}

TEST_F(SkinDialog, ScrollingTextMovesUntilItHasShownItsEnd) {
    int offset = -1;
    bool scrolling = false;
    int speed = 0, restarts = 0;
    OnDialog([&] {
        dialog->SetControlText(kGap, "a long title that is much wider than its place on the screen", TextPath::Whole,
                               TextScroll::On);
        dialog->SetTextStyle(kGap, 10, RGB(255, 255, 255), 0, 0, -1);
        dialog->AdvanceScroll(kGap);
        speed = dialog->AdvanceScroll(kGap);
        offset = dialog->Control(kGap)->label.scroll_offset;
    });
    EXPECT_EQ(offset, 8);
    EXPECT_EQ(speed, kSkinScrollStepsPerSecond) << "moving on: the next step at the scrolling speed";
    OnDialog([&] {
        for (int i = 0; i < 500; ++i) restarts += dialog->AdvanceScroll(kGap) == 0;
        offset = dialog->Control(kGap)->label.scroll_offset;
        scrolling = dialog->Control(kGap)->label.scroll;
    });
    EXPECT_LT(offset, 2000) << "the offset starts again after the end has shown";
    EXPECT_GE(restarts, 1) << "back at the start, the owner is told to wait";
    EXPECT_TRUE(scrolling);
    OnDialog([&] {
        dialog->SetControlText(kGap, "fits", TextPath::Whole, TextScroll::On);
        speed = dialog->AdvanceScroll(kGap);
        offset = dialog->Control(kGap)->label.scroll_offset;
        scrolling = dialog->Control(kGap)->label.scroll;
    });
    EXPECT_EQ(offset, 0);
    EXPECT_FALSE(scrolling) << "text that fits stops scrolling";
    EXPECT_EQ(speed, -1);
}

TEST_F(SkinDialog, AScreenRebuiltUnderThePenLeavesNothingToRelease) {
    dialog->rebuild_on_click = true;
    ASSERT_EQ(control.Press(150, 70), 0u);
    ASSERT_EQ(WaitFor(WM_SKIN_CLICK, kPlain, 1).size(), 1u);
    ASSERT_EQ(control.Release(150, 70), 0u);
    ASSERT_EQ(WaitFor(WM_LBUTTONUP, 0, 1).size(), 1u);
    Settle();
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kPlain).empty());
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kTaken).empty()) << "the new screen's control was never pressed";
    EXPECT_TRUE(dialog->Events(WM_SKIN_SLIDER, kSkinReleaseOnNothing).empty());
    ASSERT_EQ(control.Tap(150, 70), 0u);
    EXPECT_EQ(WaitFor(WM_SKIN_CLICK, kTaken, 1).size(), 1u) << "the new screen works";
}

TEST_F(SkinDialog, AButtonDraggedOutAndReleasedOutsideGivesNoCommandAndEndsUnpressed) {
    ASSERT_EQ(control.Press(150, 70), 0u);
    ASSERT_EQ(ScreenShowing(150, 70, kButtonFrames[1]).At(150, 70), kButtonFrames[1]);
    ASSERT_EQ(control.Move(150, 300), 0u);
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[0]).At(150, 70), kButtonFrames[0]) << "out: drawn unpressed";
    ASSERT_EQ(control.Move(160, 80), 0u);
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[1]).At(150, 70), kButtonFrames[1]) << "back in: pressed again";
    ASSERT_EQ(control.Move(750, 450), 0u);
    ASSERT_EQ(control.Release(750, 450), 0u);
    ASSERT_EQ(WaitFor(WM_LBUTTONUP, 0, 1).size(), 1u);
    Settle();
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kPlain).empty());
    EXPECT_TRUE(dialog->Events(WM_SKIN_SLIDER, kSkinReleaseOnNothing).empty()) << "the press was on a control";
    EXPECT_EQ(dialog->plain_flags_after_release.load(), 0u) << "not pressed";
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[0]).At(150, 70), kButtonFrames[0]);

    // Straight from press to a release outside, with no move between.
    ASSERT_EQ(control.Press(150, 70), 0u);
    ASSERT_EQ(ScreenShowing(150, 70, kButtonFrames[1]).At(150, 70), kButtonFrames[1]);
    ASSERT_EQ(control.Release(750, 450), 0u);
    EXPECT_EQ(ScreenShowing(150, 70, kButtonFrames[0]).At(150, 70), kButtonFrames[0]);
    Settle();
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kPlain).empty());
}

TEST_F(SkinDialog, AnAutoRepeatButtonRepeatsWhileHeldAndATapGivesOneCommand) {
    const auto is = [](UINT message, WPARAM wparam) {
        return [=](const Event& e) { return e.message == message && e.wparam == wparam; };
    };
    // Held: one command at each firing of the repeat timer, the first 250 ms after the press and
    // then every 100 ms (a timer is never early), and none for the release after a repeat.
    ASSERT_EQ(control.Press(270, 70), 0u);
    ASSERT_EQ(WaitFor(WM_COMMAND, kRepeat, 3).size(), 3u) << "commands while held";
    ASSERT_EQ(control.Release(270, 70), 0u);
    Settle();
    auto events = dialog->Events();
    const auto press = std::find_if(events.begin(), events.end(), is(WM_LBUTTONDOWN, 0));
    const auto release = std::find_if(events.begin(), events.end(), is(WM_LBUTTONUP, 0));
    ASSERT_TRUE(press < release && release != events.end());
    std::vector<Clock::time_point> firings;
    for (auto e = press; e != release; ++e)
        if (is(WM_TIMER, kSkinRepeatTimer)(*e)) firings.push_back(e->time);
    EXPECT_EQ(std::count_if(press, release, is(WM_COMMAND, kRepeat)), static_cast<std::ptrdiff_t>(firings.size()))
        << "one command per firing";
    ASSERT_GE(firings.size(), 3u);
    EXPECT_GE(firings[0] - press->time, 250ms) << "the first repeat";
    for (std::size_t i = 1; i < firings.size(); ++i) EXPECT_GE(firings[i] - firings[i - 1], 100ms) << "repeat " << i;
    EXPECT_EQ(std::count_if(release, events.end(), [](const Event& e) { return e.message == WM_COMMAND; }), 0)
        << "no command on the release after a repeat";
    EXPECT_EQ(std::count_if(release, events.end(), is(WM_TIMER, kSkinRepeatTimer)), 0) << "the release stops the repeats";

    // A tap gives one command, the release's. (A machine that keeps the pen down past the first
    // repeat between the press and the release gives that press its repeats instead, no more.)
    const std::size_t before_tap = events.size();
    ASSERT_EQ(control.Tap(270, 70), 0u);
    Settle();
    events = dialog->Events();
    const auto tap = events.begin() + static_cast<std::ptrdiff_t>(before_tap);
    const auto repeats = std::count_if(tap, events.end(), is(WM_TIMER, kSkinRepeatTimer));
    EXPECT_EQ(std::count_if(tap, events.end(), is(WM_COMMAND, kRepeat)), std::max<std::ptrdiff_t>(repeats, 1))
        << "a tap gives one";
}

TEST_F(SkinDialog, SlidersTakeTheSegmentUnderThePenAndRefuseValuesBelowTheirMinimum) {
    EXPECT_EQ(ScreenShowing(105, 215, kSegment).At(185, 215), kSegment) << "five segments";
    EXPECT_EQ(ScreenShowing(105, 215, kSegment).At(205, 215), kTrackFrames[0]);
    ASSERT_EQ(control.Press(145, 215), 0u);  // the third segment
    auto values = WaitFor(WM_SKIN_SLIDER, kSlider, 1);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].lparam, 3);
    auto screen = ScreenShowing(250, 205, kTrackFrames[1]);
    EXPECT_EQ(screen.At(250, 205), kTrackFrames[1]) << "the pressed track";
    EXPECT_EQ(screen.At(145, 215), kSegment);
    EXPECT_EQ(screen.At(165, 215), kTrackFrames[1]);
    ASSERT_EQ(control.Move(50, 215), 0u);
    ASSERT_EQ(control.Release(50, 215), 0u);
    ASSERT_EQ(WaitFor(WM_LBUTTONUP, 0, 1).size(), 1u);
    Settle();
    EXPECT_EQ(dialog->Events(WM_SKIN_SLIDER, kSlider).size(), 1u) << "0 is below the minimum 1";
    EXPECT_EQ(dialog->slider_value.load(), 3);
    EXPECT_EQ(ScreenShowing(250, 205, kTrackFrames[0]).At(250, 205), kTrackFrames[0]) << "released";

    ASSERT_EQ(control.Press(445, 215), 0u);
    ASSERT_EQ(control.Move(350, 215), 0u);
    ASSERT_EQ(control.Release(350, 215), 0u);
    values = WaitFor(WM_SKIN_SLIDER, kSliderFromZero, 2);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].lparam, 3);
    EXPECT_EQ(values[1].lparam, 0) << "left of the rectangle";
    EXPECT_EQ(ScreenShowing(405, 215, kTrackFrames[0]).At(405, 215), kTrackFrames[0]) << "no segments";

    ASSERT_EQ(control.Tap(299, 215), 0u);
    values = WaitFor(WM_SKIN_SLIDER, kSlider, 2);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].lparam, 10) << "the maximum caps the value";
}

TEST_F(SkinDialog, DigitTextDrawsOneGlyphPerCharacter) {
    auto screen = ScreenShowing(105, 290, GlyphColour(1));
    const int clock_glyphs[5] = {1, 2, 10, 3, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(screen.At(100 + i * kGlyphWidth + 5, 290), GlyphColour(clock_glyphs[i])) << "glyph " << i;
    EXPECT_EQ(screen.At(100 + 5 * kGlyphWidth + 5, 290), kBackground) << "five glyphs only";
    EXPECT_EQ(screen.At(100 + kGlyphWidth - 1, 290), kBackground) << "magenta is the key colour";
    EXPECT_EQ(screen.At(405, 290), GlyphColour(1));
    EXPECT_EQ(screen.At(405 + kGlyphWidth, 290), kBackground) << "the 'a' leaves a gap";
    EXPECT_EQ(screen.At(405 + 2 * kGlyphWidth, 290), GlyphColour(2));
}

TEST_F(SkinDialog, AReleaseOnNothingTellsHowLongThePenWasDown) {
    ASSERT_EQ(control.Press(700, 450), 0u);
    ASSERT_EQ(WaitFor(WM_SKIN_CLICK, static_cast<WPARAM>(-1), 1).size(), 1u) << "a press on nothing";
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(control.Release(700, 450), 0u);
    const auto released = WaitFor(WM_SKIN_SLIDER, kSkinReleaseOnNothing, 1);
    ASSERT_EQ(released.size(), 1u);
    EXPECT_GE(released[0].lparam, 250);
    EXPECT_LT(released[0].lparam, 5000);
    EXPECT_TRUE(dialog->Events(WM_COMMAND, kPlain).empty());
}

TEST_F(SkinDialog, StaticsAndSeekBars) {
    EXPECT_EQ(ScreenShowing(450, 360, kStaticFrames[0]).At(450, 360), kStaticFrames[0]);
    ASSERT_EQ(control.Tap(450, 360), 0u);
    ASSERT_EQ(WaitFor(WM_COMMAND, kSelectable, 1).size(), 1u) << "a static gives its command";
    ASSERT_EQ(WaitFor(WM_SKIN_CLICK, static_cast<WPARAM>(-1), 1).size(), 1u);

    ASSERT_EQ(control.Press(110, 350), 0u);
    ASSERT_EQ(control.Move(200, 350), 0u);
    ASSERT_EQ(control.Release(200, 350), 0u);
    const auto released = WaitFor(WM_SKIN_SLIDER, kSeek, 1);
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0].lparam, 0);
    EXPECT_DOUBLE_EQ(dialog->seek_value.load(), 50.0) << "100 of the 200 usable pixels";
    auto screen = ScreenShowing(199, 350, kFill);
    EXPECT_EQ(screen.At(100, 350), kFill);
    EXPECT_EQ(screen.At(199, 350), kFill);
    EXPECT_EQ(screen.At(201, 350), kBackground);

    ASSERT_EQ(control.Press(110, 350), 0u);
    ASSERT_EQ(control.Release(790, 350), 0u);
    ASSERT_EQ(WaitFor(WM_SKIN_SLIDER, kSeek, 2).size(), 2u);
    EXPECT_DOUBLE_EQ(dialog->seek_value.load(), 100.0) << "right of the bar is the maximum";
    EXPECT_EQ(ScreenShowing(299, 350, kFill).At(299, 350), kFill);
    EXPECT_EQ(ScreenShowing(299, 350, kFill).At(301, 350), kBackground);
}

// Music's additions: the seek bar's knob, and the lifecycle debug lines.
class MusicSkinDialog : public SkinDialog {
protected:
    SkinDialogOptions Options() const override { return {.lifecycle_lines = true, .seek_knob = true}; }
};

TEST_F(MusicSkinDialog, TheKnobRidesOnTheFillsEndAndTheDialogLogsItsEnd) {
    auto screen = ScreenShowing(105, 342, kKnob);
    EXPECT_EQ(screen.At(105, 342), kKnob) << "at the start of an empty bar";
    EXPECT_EQ(screen.At(109, 342), kBackground) << "magenta is the key colour";
    ASSERT_EQ(control.Press(110, 350), 0u);
    ASSERT_EQ(control.Release(200, 350), 0u);
    ASSERT_EQ(WaitFor(WM_SKIN_SLIDER, kSeek, 1).size(), 1u);
    screen = ScreenShowing(205, 342, kKnob);
    EXPECT_EQ(screen.At(205, 342), kKnob) << "at the end of the fill";
    EXPECT_EQ(screen.At(105, 342), kBackground) << "gone from where it was";
    EXPECT_EQ(screen.At(150, 350), kFill);

    CloseDialog();
    EXPECT_TRUE(device.WaitForLog(platform::ProgramName(), "SkinTest: CSkinDialogEx::Save"));
    EXPECT_TRUE(device.WaitForLog(platform::ProgramName(), "SkinTest: CSkinDialogEx::Exit"));
}

// Screens built from a dialog template in the program's dialog.txt.
constexpr int kTemplateLeft = 2001, kTemplateCentre = 2002, kTemplateRight = 2003, kTemplateDigits = 2004,
              kTemplateButton = 2005, kTemplateSlider = 2006;

// Two dialogs in one file: the screen asked for is the second.
constexpr const char* kTemplateFile = R"(# test screens
dialog other 800x480 background 1
control 1 button 0,0 100x60 - skin 10
dialog screen 800x480 background 1
control 2001 static 100,40 300x40 left,vcenter "MMMM"
control 2002 static 100,100 300x40 center,vcenter "MMMM"
control 2003 static 100,160 300x40 right,vcenter "MMMM"
control 2004 static 100,220 300x30 right "12:30"
control 2005 button 500,40 100x60 center skin 10
control 2006 slider 500,120 200x40 - skin 20
)";

class TemplateDialog : public CSkinDialogEx {
public:
    TemplateDialog() : CSkinDialogEx("SkinTemplate", "SkinTemplate") {}
    std::atomic<int> built{-1};
    std::atomic<HWND> window{nullptr};
    std::atomic<int> last_command{0};
    std::atomic<int> changed{-1};
    static constexpr int kChangeToOther = 900;

protected:
    BOOL OnInitDialog() override {
        SetName("SkinTemplate");
        window = m_hWnd;
        built = InitFromTemplate("screen");
        if (!built) {
            EndDialog(IDCANCEL);
            return FALSE;
        }
        SetTextStyle(kTemplateDigits, kGlyphWidth, RGB(255, 255, 255), 0, 0, kDigitImage);
        RedrawAll();
        EnablePainting(true);
        return TRUE;
    }
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
        if (LOWORD(wparam) == kChangeToOther) {
            changed = ChangeScreen("other");
            RedrawAll();
            return TRUE;
        }
        if (LOWORD(wparam) >= kTemplateLeft) {
            last_command = LOWORD(wparam);
            return TRUE;
        }
        return CSkinDialogEx::OnCommand(wparam, lparam);
    }
};

class SkinTemplate : public SkinScreen {
protected:
    void TearDown() override {
        if (runner.joinable()) {
            if (HWND hwnd = dialog.window.load()) PostMessage(hwnd, WM_CLOSE, 0, 0);
            runner.join();
        }
        SkinScreen::TearDown();
    }
    void WriteTemplate(const std::string& text) { std::ofstream(resources / "dialog.txt", std::ios::binary) << text; }
    // Runs the dialog; the template's outcome (1 built, 0 refused, -1 not known in time).
    int Run() {
        runner = std::thread([this] { dialog.DoModal(); });
        Eventually([this] { return dialog.built.load() >= 0; });
        return dialog.built.load();
    }
    // The columns of a control's rectangle where anything but the background shows.
    static std::pair<int, int> InkColumns(const devicectl::DeviceControl::Screen& screen, int left, int top,
                                          int right, int bottom) {
        int first = right, last = left - 1;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (screen.At(x, y) != kBackground) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        return {first, last};
    }

    TemplateDialog dialog;
    std::thread runner;
};

TEST_F(SkinTemplate, TheNamedScreenIsBuiltWithItsImagesKindsCaptionsAndAlignment) {
    WriteTemplate(kTemplateFile);
    ASSERT_EQ(Run(), 1);
    const auto screen = ScreenShowing(550, 70, kButtonFrames[0]);
    ASSERT_EQ(screen.pixels.size(), 800u * 480u);
    EXPECT_EQ(screen.At(550, 70), kButtonFrames[0]) << "the button's image";
    EXPECT_EQ(screen.At(510, 125), kTrackFrames[0]) << "the slider's track";
    EXPECT_EQ(screen.At(50, 30), kBackground) << "the other dialog's button is not on this screen";

    // The same caption in three alignments: its ink starts at the left edge, sits in the
    // middle, or ends at the right edge of the 300-pixel control.
    const auto [left_first, left_last] = InkColumns(screen, 100, 40, 400, 80);
    const auto [centre_first, centre_last] = InkColumns(screen, 100, 100, 400, 140);
    const auto [right_first, right_last] = InkColumns(screen, 100, 160, 400, 200);
    ASSERT_LT(left_first, left_last) << "the caption is drawn";
    const int width = left_last - left_first;
    EXPECT_LT(left_first, 104);
    EXPECT_NEAR((centre_first + centre_last) / 2, 250, 3);
    EXPECT_GT(right_last, 395);
    EXPECT_NEAR(centre_last - centre_first, width, 1);
    EXPECT_NEAR(right_last - right_first, width, 1);

    // Digit text placed by the template's style: five glyphs ending at the right edge.
    const int digits_left = 400 - 5 * kGlyphWidth;
    EXPECT_EQ(screen.At(digits_left + 5, 225), GlyphColour(1));
    EXPECT_EQ(screen.At(digits_left + 4 * kGlyphWidth + 5, 225), GlyphColour(0));
    EXPECT_EQ(screen.At(digits_left - 5, 225), kBackground);

    ASSERT_EQ(control.Tap(550, 70), 0u);
    Eventually([this] { return dialog.last_command.load() != 0; });
    EXPECT_EQ(dialog.last_command.load(), kTemplateButton) << "a template button gives its command";
    EXPECT_EQ(dialog.ControlCount(), 6);
}

// Another screen of the same dialog replaces the controls and leaves the window where it is:
// moved, or hidden behind another program.
TEST_F(SkinTemplate, ChangingTheScreenKeepsTheWindowWhereItIs) {
    WriteTemplate(kTemplateFile);
    ASSERT_EQ(Run(), 1);
    const HWND hwnd = dialog.window.load();
    ASSERT_TRUE(SetWindowPos(hwnd, HWND_TOP, 100, 50, 800, 480, SWP_NOZORDER));
    PostMessage(hwnd, WM_COMMAND, TemplateDialog::kChangeToOther, 0);
    Eventually([this] { return dialog.changed.load() >= 0; });
    ASSERT_EQ(dialog.changed.load(), 1);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 50);
    // The other screen's button at its place in the moved window; the first screen's is gone.
    const auto screen = ScreenShowing(100 + 50, 50 + 30, kButtonFrames[0]);
    EXPECT_EQ(screen.At(150, 80), kButtonFrames[0]);
    EXPECT_EQ(screen.At(100 + 550, 50 + 70), kBackground);
    EXPECT_EQ(dialog.ControlCount(), 1);

    // Hidden, it stays hidden.
    ShowWindow(hwnd, SW_HIDE);
    dialog.changed = -1;
    PostMessage(hwnd, WM_COMMAND, TemplateDialog::kChangeToOther, 0);
    Eventually([this] { return dialog.changed.load() >= 0; });
    EXPECT_EQ(dialog.changed.load(), 1);
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(SkinTemplate, AMissingOrBadTemplateIsRefusedWithItsReason) {
    // A template may hold more controls than a skin dialog, and kinds only a plain dialog has.
    std::string crowded = "dialog screen 800x480\n";
    for (int id = 0; id <= kMaxSkinControls; ++id) crowded += "control " + std::to_string(id) + " button 0,0 1x1 -\n";
    const struct {
        const char* file;  // nullptr: no dialog.txt at all
        const char* line;
    } cases[] = {
        {nullptr, "SkinTemplate: CSkinDialogEx::InitFromTemplate "},
        {"dialog other 800x480\n", "SkinTemplate: CSkinDialogEx::InitFromTemplate no dialog 'screen' in dialog.txt"},
        {"dialog screen 800x480\ncontrol 7 knob 0,0 1x1 -\n", "SkinTemplate: CSkinDialogEx::InitFromTemplate dialog.txt:2: "},
        {crowded.c_str(), "SkinTemplate: CSkinDialogEx::InitFromTemplate dialog.txt:1: dialog 'screen' has 31 controls, more than 30"},
        {"dialog screen 800x480\ncontrol 7 button 0,0 1x1 -\ncontrol 8 listbox 0,0 1x1 -\n",
         "SkinTemplate: CSkinDialogEx::InitFromTemplate dialog.txt:3: a skin dialog has no listbox control"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(resources / "dialog.txt");
        if (c.file) WriteTemplate(c.file);
        TemplateDialog refused;
        std::thread run([&] { refused.DoModal(); });
        run.join();  // a refused screen ends the dialog at once
        EXPECT_EQ(refused.built.load(), 0) << (c.file ? c.file : "no file");
        EXPECT_EQ(refused.ControlCount(), 0);
        EXPECT_TRUE(device.WaitForLog(platform::ProgramName(), c.line)) << c.line;
    }
}

// The control list without a window: limits and bad input.
TEST(SkinControls, TheListHoldsThirtyAndUnknownIdsChangeNothing) {
    platform::testing::TemporaryDevice device;  // for the debug lines
    CSkinDialogEx dialog;
    for (int i = 0; i < kMaxSkinControls; ++i)
        EXPECT_TRUE(dialog.AddControl(1000 + i, -1, i, 0, 10, 10, 1, SKIN_BUTTON));
    EXPECT_FALSE(dialog.AddControl(2000, -1, 0, 0, 10, 10, 1, SKIN_BUTTON)) << "the 31st";
    EXPECT_EQ(dialog.ControlCount(), kMaxSkinControls);
    EXPECT_EQ(dialog.Control(2000), nullptr);

    EXPECT_FALSE(dialog.SetKind(999, SKIN_STATIC));
    EXPECT_FALSE(dialog.SetFlags(999, SKIN_HIDDEN, SKIN_HIDDEN));
    EXPECT_FALSE(dialog.SetSlider(999, 1, 0, 5, 0, 0, 7));
    EXPECT_FALSE(dialog.SetSliderValue(999, 1));
    EXPECT_FALSE(dialog.SetTextStyle(999, 10, 0, 0, 0, -1));
    EXPECT_FALSE(dialog.SetControlText(999, "x"));
    EXPECT_FALSE(dialog.SetTimeText(999, 5));

    EXPECT_TRUE(dialog.SetFlags(1000, SKIN_HIGHLIGHTED | SKIN_REPEAT, SKIN_HIGHLIGHTED));
    EXPECT_EQ(dialog.Control(1000)->kind, SKIN_BUTTON | SKIN_HIGHLIGHTED);
    EXPECT_TRUE(dialog.SetKind(1000, SKIN_STATIC | SKIN_LATCHED | SKIN_LATCH_ON_RELEASE));
    EXPECT_EQ(dialog.Control(1000)->kind, 262168u);
    dialog.ClearControls();
    EXPECT_EQ(dialog.ControlCount(), 0);
    EXPECT_TRUE(dialog.AddControl(1000, 12345, 0, 0, 10, 10, 1, SKIN_BUTTON)) << "a missing image is no failure";
    EXPECT_EQ(dialog.Control(1000)->image, nullptr);
    dialog.RedrawAll();  // nothing to draw into yet
}

TEST(SkinControls, TextsAreCutAndTimesFormatted) {
    platform::testing::TemporaryDevice device;
    CSkinDialogEx dialog;
    ASSERT_TRUE(dialog.AddControl(1, -1, 0, 0, 100, 20, 1, SKIN_STATIC));
    EXPECT_TRUE(dialog.SetControlText(1, "\\STORAGE CARD\\Music/song.mp3", TextPath::LastComponent, TextScroll::On));
    EXPECT_EQ(dialog.Control(1)->text, "song.mp3");
    EXPECT_TRUE(dialog.Control(1)->label.scroll);
    EXPECT_EQ(dialog.Control(1)->label.scroll_step, 4);
    EXPECT_TRUE(dialog.SetControlText(1, "a\\b", TextPath::Whole, TextScroll::Off));
    EXPECT_EQ(dialog.Control(1)->text, "a\\b");
    EXPECT_TRUE(dialog.SetControlText(1, std::string(400, 'x')));
    EXPECT_EQ(dialog.Control(1)->text.size(), 259u);
    std::string korean;
    for (int i = 0; i < 300; ++i) korean += "가";
    EXPECT_TRUE(dialog.SetControlText(1, korean));
    EXPECT_EQ(dialog.Control(1)->text.size(), 259u * 3) << "cut on a character boundary";

    EXPECT_TRUE(dialog.SetTimeText(1, 3725.9, 3, -1, 12));
    EXPECT_EQ(dialog.Control(1)->text, "01:02:05");
    EXPECT_EQ(dialog.Control(1)->text_x, 3);
    EXPECT_EQ(dialog.Control(1)->text_size, 12);
    EXPECT_TRUE(dialog.SetTimeText(1, 3725.2, 9, 9, 9));
    EXPECT_EQ(dialog.Control(1)->text_x, 3) << "the same text changes nothing";
    EXPECT_TRUE(dialog.SetTimeText(1, -4));
    EXPECT_EQ(dialog.Control(1)->text, "00:00:00");
    EXPECT_TRUE(dialog.SetTimeText(1, 1e300));
    EXPECT_FALSE(dialog.Control(1)->text.empty());
}

}  // namespace
