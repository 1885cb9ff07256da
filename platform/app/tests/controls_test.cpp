// The standard controls through a real server: a plain dialog of this program built from a
// template with every kind, run on a thread of its own and driven like a finger through
// devicectl's library (taps, screenshots, the controls' published items).
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/app/controls.h"
#include "platform/app/template_dialog.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using platform::testing::WaitUntil;

constexpr int kConnect = 1001, kOther = 1002, kState = 1015, kShaded = 1016, kSirf = 1038, kUblox = 1039,
              kPtc = 1041, kList = 1011, kPorts = 1013, kBauds = 1014;

constexpr const char* kTemplate = R"(dialog test 800x480 "Controls"
control 1001 button 20,20 160x40 center "CONNECT"
control 1002 button 200,20 160x40 - "OTHER"
control 1015 static 20,80 200x24 left "STATE: FIX"
control 1016 static 240,80 200x24 right,vcenter "shaded"
control 1038 radio 400,20 80x25 - "S"
control 1039 radio 480,20 80x25 - "U"
control 1041 radio 560,20 80x25 - "P"
control 1011 listbox 20,150 400x200 -
control 1013 combobox 450,150 150x24 -
control 1014 combobox 450,440 150x24 -
)";

// Screen pixels read 0x00RRGGBB.
constexpr std::uint32_t kDialogGrey = 0xC8C8C8, kBorder = 0x404040, kButtonFace = 0xE0E0E0, kWhite = 0xFFFFFF,
                        kBlack = 0x000000, kGreyText = 0x808080, kShade = 0xFFFFC0, kShadeInk = 0x0000A0;

struct Command {
    int id = 0;
    int code = 0;
};

// The dialog under test: grey behind its controls, static 1016 shaded by WM_CTLCOLORSTATIC,
// every WM_COMMAND kept.
class ControlsDialog : public CDialog {
public:
    explicit ControlsDialog(resources::DialogTemplate layout)
        : CDialog("ControlsTest"), m_layout(std::move(layout)) {
        SetInitialRect({0, 0, 800, 480});
    }
    ~ControlsDialog() override {
        if (m_shade) DeleteObject(m_shade);
    }
    std::atomic<int> built{-1};
    std::atomic<HWND> window{nullptr};
    std::vector<Command> Commands() {
        std::lock_guard lock(m_mutex);
        return m_commands;
    }

protected:
    BOOL OnInitDialog() override {
        window = m_hWnd;
        m_shade = CreateSolidBrush(RGB(255, 255, 192));
        built = CreateTemplateControls(m_hWnd, m_layout) ? 1 : 0;
        return TRUE;
    }
    BOOL OnCommand(WPARAM wparam, LPARAM) override {
        std::lock_guard lock(m_mutex);
        m_commands.push_back({LOWORD(wparam), HIWORD(wparam)});
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
            case WM_PAINT: {
                PAINTSTRUCT paint;
                if (HDC dc = BeginPaint(m_hWnd, &paint)) {
                    HBRUSH grey = CreateSolidBrush(RGB(200, 200, 200));
                    RECT all = {0, 0, 800, 480};
                    FillRect(dc, &all, grey);
                    DeleteObject(grey);
                    EndPaint(m_hWnd, &paint);
                }
                return 0;
            }
            case WM_ERASEBKGND:
                return 1;
            case WM_CTLCOLORSTATIC:
                if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) != kShaded) return 0;
                SetTextColor(reinterpret_cast<HDC>(wparam), RGB(0, 0, 160));
                return reinterpret_cast<LRESULT>(m_shade);
            default:
                return CDialog::WindowProc(message, wparam, lparam);
        }
    }

private:
    resources::DialogTemplate m_layout;
    HBRUSH m_shade = nullptr;
    std::mutex m_mutex;
    std::vector<Command> m_commands;
};

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        const auto parsed = resources::ParseDialogTemplates(kTemplate);
        ASSERT_TRUE(parsed.errors.empty());
        dialog = std::make_unique<ControlsDialog>(parsed.dialogs.front());
        runner = std::thread([this] { dialog->DoModal(); });
        ASSERT_TRUE(WaitUntil([this] { return dialog->built.load() >= 0; }, 5s));
        ASSERT_EQ(dialog->built.load(), 1);
        hwnd = dialog->window.load();
        ASSERT_TRUE(WaitUntil([this] { return IsWindowVisible(hwnd) != FALSE; }, 5s));
        // Painted: the dialog's grey, a button's border and the last control's frame are on
        // the screen.
        ASSERT_EQ(control.ScreenShowing(19, 19, kDialogGrey, 5s).At(19, 19), kDialogGrey);
        ASSERT_EQ(control.ScreenShowing(20, 20, kBorder, 5s).At(20, 20), kBorder);
        ASSERT_EQ(control.ScreenShowing(450, 150, kBorder, 5s).At(450, 150), kBorder);
    }
    void TearDown() override {
        if (runner.joinable()) {
            if (hwnd) PostMessage(hwnd, WM_CLOSE, 0, 0);
            runner.join();
        }
    }

    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    // Whether the dialog has heard this notification (at least `times` times) within 5 s.
    bool Heard(int id, int code, std::size_t times = 1) {
        return WaitUntil([&] { return Count(id, code) >= times; }, 5s);
    }
    std::size_t Count(int id, int code) {
        std::size_t count = 0;
        for (const auto& command : dialog->Commands()) count += command.id == id && command.code == code;
        return count;
    }
    // Taps OTHER and waits for it: everything tapped before has been handled by then.
    void Settle() {
        const std::size_t before = Count(kOther, BN_CLICKED);
        ASSERT_EQ(control.Click("Controls", kOther), 0u);
        ASSERT_TRUE(Heard(kOther, BN_CLICKED, before + 1));
    }
    std::optional<protocol::WindowInfo> DropList() {
        for (const auto& window : control.Windows())
            if (window.class_name == kComboListClass) return window;
        return std::nullopt;
    }
    // Whether any pixel of the rectangle has the colour.
    static bool Shows(const devicectl::DeviceControl::Screen& screen, RECT r, std::uint32_t colour) {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                if (screen.At(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) == colour) return true;
        return false;
    }
    bool ShowsSoon(RECT r, std::uint32_t colour, bool wanted = true) {
        return WaitUntil([&] {
            DWORD error = 0;
            auto screen = control.Screenshot(error);
            return screen && Shows(*screen, r, colour) == wanted;
        }, 5s);
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    std::unique_ptr<ControlsDialog> dialog;
    std::thread runner;
    HWND hwnd = nullptr;
};

TEST_F(Controls, ATemplateMakesEveryKindWithItsIdClassStyleAndCaption) {
    EXPECT_EQ(GetWindowText(hwnd), "Controls") << "the template's title";
    const struct {
        int id;
        const char* class_name;
        DWORD type;  // the low style bits
        const char* text;
    } expected[] = {
        {kConnect, kButtonClass, BS_PUSHBUTTON, "CONNECT"},  {kOther, kButtonClass, BS_PUSHBUTTON, "OTHER"},
        {kState, kStaticClass, SS_LEFT, "STATE: FIX"},      {kShaded, kStaticClass, SS_RIGHT, "shaded"},
        {kSirf, kButtonClass, BS_AUTORADIOBUTTON, "S"},     {kUblox, kButtonClass, BS_AUTORADIOBUTTON, "U"},
        {kPtc, kButtonClass, BS_AUTORADIOBUTTON, "P"},      {kList, kListBoxClass, LBS_NOTIFY, ""},
        {kPorts, kComboBoxClass, CBS_DROPDOWNLIST, ""},
    };
    const auto windows = control.Windows();
    for (const auto& e : expected) {
        SCOPED_TRACE(e.id);
        HWND item = Item(e.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(GetDlgCtrlID(item), e.id);
        EXPECT_EQ(GetParent(item), hwnd);
        EXPECT_EQ(GetWindowText(item), e.text);
        EXPECT_TRUE(IsWindowVisible(item));
        const auto style = static_cast<DWORD>(GetWindowLong(item, GWL_STYLE));
        EXPECT_EQ(style & 0xF, e.type);
        EXPECT_TRUE(style & WS_CHILD);
        // What every program and devicectl see of it.
        const auto info = std::find_if(windows.begin(), windows.end(),
                                       [&](const auto& w) { return w.hwnd == platform::WindowNumber(item); });
        ASSERT_NE(info, windows.end());
        EXPECT_EQ(info->control_id, static_cast<std::uint32_t>(e.id));
        EXPECT_EQ(info->class_name, e.class_name);
        EXPECT_EQ(info->parent, platform::WindowNumber(hwnd));
        DWORD error = 0;
        EXPECT_EQ(control.FindControl("Controls", static_cast<std::uint32_t>(e.id), error), platform::WindowNumber(item));
    }
    RECT rect;
    ASSERT_TRUE(GetWindowRect(Item(kList), &rect));
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.top, 150);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kShaded, WM_GETFONT, 0, 0), 0) << "the platform's default font";

    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetDlgItem(hwnd, 4242), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CONTROL_ID_NOT_FOUND);
    EXPECT_EQ(GetDlgCtrlID(hwnd), 0) << "a top-level window has no control id";
    DWORD error = 0;
    EXPECT_EQ(control.FindControl("Controls", 4242, error), 0u);
    EXPECT_EQ(error, ERROR_CONTROL_ID_NOT_FOUND);
    EXPECT_EQ(control.FindControl("No such window", kConnect, error), 0u);
    EXPECT_EQ(error, ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Controls, AButtonTappedGivesBnClickedWithItsIdAndOneLeftByThePenGivesNothing) {
    ASSERT_EQ(control.Click("Controls", kConnect), 0u);
    ASSERT_TRUE(Heard(kConnect, BN_CLICKED));
    const auto commands = dialog->Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].id, kConnect);

    // Pressed on it, released off it: pressed look meanwhile, no click.
    ASSERT_EQ(control.Press(100, 40), 0u);
    EXPECT_TRUE(ShowsSoon({22, 22, 178, 58}, 0xA8A8A8)) << "the pressed face";
    ASSERT_EQ(control.Move(300, 300), 0u);
    ASSERT_EQ(control.Release(300, 300), 0u);
    EXPECT_TRUE(ShowsSoon({22, 22, 178, 58}, kButtonFace)) << "back to the plain face";
    // It held the pen until the release reached it; the next tap must not come before.
    ASSERT_TRUE(WaitUntil([] { return GetCapture() == nullptr; }, 5s));
    Settle();
    EXPECT_EQ(Count(kConnect, BN_CLICKED), 1u);

    // BM_CLICK is a tap from the program.
    SendDlgItemMessage(hwnd, kConnect, BM_CLICK, 0, 0);
    EXPECT_TRUE(Heard(kConnect, BN_CLICKED, 2));
}

TEST_F(Controls, RadioButtonsCheckOneAtATime) {
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kSirf), BST_UNCHECKED);
    ASSERT_EQ(control.Click("Controls", kSirf), 0u);
    ASSERT_TRUE(Heard(kSirf, BN_CLICKED));
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kSirf), BST_CHECKED);
    ASSERT_EQ(control.Click("Controls", kUblox), 0u);
    ASSERT_TRUE(Heard(kUblox, BN_CLICKED));
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kSirf), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kUblox), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kPtc), BST_UNCHECKED);
    ASSERT_EQ(control.Click("Controls", kUblox), 0u);
    ASSERT_TRUE(Heard(kUblox, BN_CLICKED, 2)) << "a tap on the checked one still tells";
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kUblox), BST_CHECKED);

    ASSERT_TRUE(CheckRadioButton(hwnd, kSirf, kPtc, kPtc));
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kPtc), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kUblox), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hwnd, kConnect), BST_UNCHECKED) << "a push button is never checked";
    EXPECT_EQ(Count(kPtc, BN_CLICKED), 0u) << "checking from the program tells nobody";
    // The checked one draws its dot in the middle of its circle; the others are empty there.
    EXPECT_TRUE(ShowsSoon({568, 31, 571, 34}, kBorder));
    EXPECT_TRUE(ShowsSoon({408, 31, 411, 34}, kBorder, false));
    EXPECT_TRUE(ShowsSoon({488, 31, 491, 34}, kBorder, false));
}

TEST_F(Controls, AComboBoxOpensOnATapAndTakesTheTappedItem) {
    for (int port = 1; port <= 9; ++port) {
        const std::string name = "COM" + std::to_string(port) + ":";
        EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str())), port - 1);
    }
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>("com5:")), 4) << "ignoring case";
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>("COM10:")), CB_ERR);

    ASSERT_EQ(control.Click("Controls", kPorts), 0u);
    std::optional<protocol::WindowInfo> drop;
    ASSERT_TRUE(WaitUntil([&] {
        drop = DropList();
        return drop && drop->visible && GetCapture() == platform::WindowFromNumber(drop->hwnd);
    }, 5s));
    EXPECT_TRUE(Heard(kPorts, CBN_DROPDOWN));
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETDROPPEDSTATE, 0, 0), TRUE);
    // Below the box, as wide, in front of the dialog and owned by it; all nine items fit.
    EXPECT_EQ(drop->rect.left, 450);
    EXPECT_EQ(drop->rect.top, 174);
    EXPECT_EQ(drop->rect.right - drop->rect.left, 150);
    EXPECT_EQ(drop->owner, platform::WindowNumber(hwnd));
    const int row = (drop->rect.bottom - drop->rect.top - 2) / 9;
    ASSERT_GT(row, 0);
    ASSERT_EQ(control.Tap(500, drop->rect.top + 1 + 2 * row + row / 2), 0u);  // COM3:
    ASSERT_TRUE(Heard(kPorts, CBN_SELCHANGE));
    EXPECT_TRUE(Heard(kPorts, CBN_CLOSEUP));
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(GetWindowText(Item(kPorts)), "COM3:") << "a drop-down list's text is its selection";
    DWORD error = 0;
    EXPECT_EQ(control.ControlText("Controls", kPorts, error).value_or("?"), "COM3:");
    EXPECT_FALSE(DropList()) << "the list closed";
    EXPECT_NE(GetCapture(), platform::WindowFromNumber(drop->hwnd));
    std::string text(16, '\0');
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETLBTEXTLEN, 2, 0), 5);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text.data())), 5);
    EXPECT_STREQ(text.c_str(), "COM3:");
    ASSERT_TRUE(WaitUntil([&] {
        auto items = control.Items("Controls", kPorts, error);
        return items && items->selection == 2 && items->items.size() == 9 && items->items[8] == "COM9:";
    }, 5s)) << "the published items";

    // Opened and closed by a tap outside: nothing chosen.
    ASSERT_EQ(control.Click("Controls", kPorts), 0u);
    ASSERT_TRUE(WaitUntil([&] {
        drop = DropList();
        return drop && GetCapture() == platform::WindowFromNumber(drop->hwnd);
    }, 5s));
    ASSERT_EQ(control.Tap(700, 400), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !DropList(); }, 5s));
    EXPECT_TRUE(Heard(kPorts, CBN_CLOSEUP, 2));
    Settle();
    EXPECT_EQ(Count(kPorts, CBN_SELCHANGE), 1u);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETCURSEL, 0, 0), 2);

    // CB_SETCURSEL(-1) clears without a word to the parent.
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(GetWindowText(Item(kPorts)), "");
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_SETCURSEL, 5, 0), 5);
    EXPECT_EQ(GetWindowText(Item(kPorts)), "COM6:");
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_SETCURSEL, 9, 0), CB_ERR) << "no such item";
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETCURSEL, 0, 0), 5);
    Settle();
    EXPECT_EQ(Count(kPorts, CBN_SELCHANGE), 1u);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_RESETCONTENT, 0, 0), CB_OKAY);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kPorts, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(GetWindowText(Item(kPorts)), "");
}

TEST_F(Controls, AComboBoxNearTheBottomOpensUpwards) {
    for (const char* baud : {"4800", "9600", "19200", "38400", "57600", "115200"})
        SendDlgItemMessage(hwnd, kBauds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(baud));
    EXPECT_EQ(SendDlgItemMessage(hwnd, kBauds, CB_SHOWDROPDOWN, TRUE, 0), TRUE);
    const auto drop = DropList();
    ASSERT_TRUE(drop);
    EXPECT_EQ(drop->rect.bottom, 440) << "above the box";
    EXPECT_EQ(drop->rect.left, 450);
    EXPECT_EQ((drop->rect.bottom - drop->rect.top - 2) % 6, 0) << "room for its six items";
    EXPECT_EQ(SendDlgItemMessage(hwnd, kBauds, CB_SHOWDROPDOWN, FALSE, 0), TRUE);
    EXPECT_FALSE(DropList());
    EXPECT_EQ(SendDlgItemMessage(hwnd, kBauds, CB_GETDROPPEDSTATE, 0, 0), FALSE);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Controls, AListBoxKeepsFiveHundredLinesAndShowsTheLastPage) {
    for (int i = 0; i < 500; ++i) {
        const std::string line = "$GPGSV,3,1," + std::to_string(i);
        ASSERT_EQ(SendDlgItemMessage(hwnd, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())), i);
        SendDlgItemMessage(hwnd, kList, LB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
    }
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETCOUNT, 0, 0), 500);
    const auto row = SendDlgItemMessage(hwnd, kList, LB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(row, 0);
    const LRESULT rows = (200 - 2) / row;
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETTOPINDEX, 0, 0), 500 - rows) << "the last page, not past it";
    std::string text(64, '\0');
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETTEXTLEN, 123, 0), 14);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETTEXT, 123, reinterpret_cast<LPARAM>(text.data())), 14);
    EXPECT_STREQ(text.c_str(), "$GPGSV,3,1,123");
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETTEXT, 500, reinterpret_cast<LPARAM>(text.data())), LB_ERR);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_SETTOPINDEX, 500, 0), LB_ERR);

    DWORD error = 0;
    std::optional<devicectl::DeviceControl::ControlItems> items;
    ASSERT_TRUE(WaitUntil([&] {
        items = control.Items("Controls", kList, error);
        return items && items->count == 500;
    }, 5s));
    ASSERT_EQ(items->items.size(), 500u);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(items->items[static_cast<std::size_t>(i)], "$GPGSV,3,1," + std::to_string(i));
    EXPECT_EQ(items->selection, -1);
    EXPECT_TRUE(ShowsSoon({22, 152, 418, 348}, kBlack)) << "lines are drawn";

    // A sentence list keeps its last lines: the first goes as a new one comes.
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_DELETESTRING, 0, 0), 499);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("second")), 1);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_INSERTSTRING, 501, reinterpret_cast<LPARAM>("x")), LB_ERR);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>("$gpgsv,3,1,1")), 0);

    // A tap on a line selects it and tells the parent (LBS_NOTIFY).
    const LRESULT top = SendDlgItemMessage(hwnd, kList, LB_GETTOPINDEX, 0, 0);
    ASSERT_EQ(control.Tap(100, 150 + 1 + 3 * static_cast<int>(row) + static_cast<int>(row) / 2), 0u);
    ASSERT_TRUE(Heard(kList, LBN_SELCHANGE));
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETCURSEL, 0, 0), top + 3);
    EXPECT_TRUE(ShowsSoon({22, 152, 418, 348}, 0x0054A6)) << "the selected line is highlighted";

    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_RESETCONTENT, 0, 0), LB_OKAY);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETCURSEL, 0, 0), LB_ERR);
    ASSERT_TRUE(WaitUntil([&] {
        items = control.Items("Controls", kList, error);
        return items && items->count == 0 && items->items.empty();
    }, 5s));
}

TEST_F(Controls, DisabledControlsIgnoreTapsAndHiddenOnesGetNone) {
    EXPECT_EQ(EnableWindow(Item(kConnect), FALSE), FALSE);
    EXPECT_TRUE(ShowsSoon({22, 22, 178, 58}, kGreyText)) << "a disabled button's caption is grey";
    EXPECT_TRUE(ShowsSoon({22, 22, 178, 58}, kBlack, false));
    ASSERT_EQ(control.Click("Controls", kConnect), 0u);
    EnableWindow(Item(kPorts), FALSE);
    ASSERT_EQ(control.Click("Controls", kPorts), 0u);
    Settle();
    EXPECT_EQ(Count(kConnect, BN_CLICKED), 0u);
    EXPECT_FALSE(DropList()) << "a disabled combo box does not open";

    EnableWindow(Item(kConnect), TRUE);
    ShowWindow(Item(kConnect), SW_HIDE);
    EXPECT_TRUE(ShowsSoon({20, 20, 180, 60}, kBorder, false)) << "hidden: the dialog shows through";
    ASSERT_EQ(control.Click("Controls", kConnect), 0u);
    Settle();
    EXPECT_EQ(Count(kConnect, BN_CLICKED), 0u);

    ShowWindow(Item(kConnect), SW_SHOW);
    ASSERT_EQ(control.Click("Controls", kConnect), 0u);
    EXPECT_TRUE(Heard(kConnect, BN_CLICKED));
}

TEST_F(Controls, ControlsDrawThemselvesAndRepaintWhenChanged) {
    DWORD error = 0;
    auto screen = control.Screenshot(error);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->At(20, 20), kBorder) << "a button's 1-pixel border";
    EXPECT_EQ(screen->At(179, 59), kBorder);
    EXPECT_EQ(screen->At(21, 21), kButtonFace);
    EXPECT_EQ(screen->At(19, 19), kDialogGrey);
    EXPECT_TRUE(Shows(*screen, {24, 26, 180, 58}, kBlack)) << "its caption";
    EXPECT_TRUE(Shows(*screen, {20, 80, 220, 104}, kBlack)) << "a static's text";
    EXPECT_EQ(screen->At(219, 81), kWhite) << "on white";
    EXPECT_EQ(screen->At(241, 81), kShade) << "the parent's WM_CTLCOLORSTATIC brush";
    EXPECT_TRUE(Shows(*screen, {240, 80, 440, 104}, kShadeInk)) << "and its text colour";
    EXPECT_FALSE(Shows(*screen, {240, 80, 340, 104}, kShadeInk)) << "right-aligned: nothing on the left";
    EXPECT_EQ(screen->At(20, 150), kBorder) << "the list box's frame";
    EXPECT_EQ(screen->At(450, 150), kBorder) << "the combo box's frame";

    // New text shows; an empty one leaves the background.
    ASSERT_TRUE(SetDlgItemText(hwnd, kState, ""));
    EXPECT_TRUE(ShowsSoon({20, 80, 220, 104}, kBlack, false));
    EXPECT_EQ(GetDlgItemText(hwnd, kState), "");
    ASSERT_TRUE(SetDlgItemText(hwnd, kState, "STATE: 3D"));
    EXPECT_TRUE(ShowsSoon({20, 80, 220, 104}, kBlack));
    EXPECT_EQ(control.ControlText("Controls", kState, error).value_or("?"), "STATE: 3D");

    // Moved and resized, it draws at its new place and size.
    ASSERT_TRUE(MoveWindow(Item(kOther), 200, 380, 100, 30, TRUE));
    EXPECT_EQ(control.ScreenShowing(299, 409, kBorder, 5s).At(299, 409), kBorder);
    EXPECT_EQ(control.ScreenShowing(250, 40, kDialogGrey, 5s).At(250, 40), kDialogGrey) << "gone from the old place";
    ASSERT_TRUE(SetDlgItemText(hwnd, kOther, ""));
    EXPECT_TRUE(ShowsSoon({202, 382, 298, 408}, kBlack, false)) << "a button's caption follows its text";
}

TEST_F(Controls, StringMessagesCannotBePosted) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PostMessage(Item(kList), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x")));
    EXPECT_EQ(GetLastError(), ERROR_MESSAGE_SYNC_ONLY);
    EXPECT_FALSE(PostMessage(Item(kPorts), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x")));
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_ADDSTRING, 0, 0), LB_ERR) << "no text";
    EXPECT_EQ(SendDlgItemMessage(hwnd, kList, LB_GETCOUNT, 0, 0), 0);
}

}  // namespace
