// Dialog templates for plain dialogs: read from the program's dialog.txt, and made into
// controls, or refused whole.
#include "platform/app/template_dialog.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "platform/app/controls.h"
#include "platform/gfx/gfx.h"
#include "platform/testing/temporary_device.h"

namespace {

class TemplateFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = device.Root() / "resources";
        std::filesystem::create_directories(folder);
        platform::SetResourceDir(folder.string());
    }
    void TearDown() override { platform::SetResourceDir(""); }
    void Write(const std::string& text) { std::ofstream(folder / "dialog.txt", std::ios::binary) << text; }

    platform::testing::TemporaryDevice device;
    std::filesystem::path folder;
};

TEST_F(TemplateFile, TheNamedTemplateIsFoundOrTheReasonGiven) {
    std::string problem;
    EXPECT_FALSE(LoadDialogTemplate("102", problem));
    EXPECT_NE(problem.find("dialog.txt: cannot read"), std::string::npos) << problem;

    Write("dialog 101 10x10\ndialog 102 800x480 \"[VORL] empty\"\ncontrol 1011 listbox 2,2 100x100 -\n");
    const auto found = LoadDialogTemplate("102", problem);
    ASSERT_TRUE(found) << problem;
    EXPECT_EQ(found->title, "[VORL] empty");
    ASSERT_EQ(found->controls.size(), 1u);
    EXPECT_EQ(found->controls[0].kind, resources::ControlKind::ListBox);
    EXPECT_FALSE(LoadDialogTemplate("103", problem));
    EXPECT_EQ(problem, "no dialog '103' in dialog.txt");

    // One bad line anywhere refuses the file, with the line and how many more.
    Write("dialog 102 800x480\ncontrol 1 knob 0,0 1x1 -\ncontrol 2 button 0,0 0x1 -\n");
    EXPECT_FALSE(LoadDialogTemplate("102", problem));
    EXPECT_EQ(problem, "dialog.txt:2: unknown control kind 'knob' (and 1 more bad lines)");
    const auto all = LoadDialogTemplates(problem);
    ASSERT_TRUE(all) << "the file reads; its bad lines come back to the caller";
    EXPECT_EQ(all->errors.size(), 2u);
}

class TemplateControls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        static const bool registered = [] {
            WNDCLASS window_class;
            window_class.lpfnWndProc = DefWindowProc;
            window_class.lpszClassName = "TEMPLATE_HOST";
            return RegisterClass(&window_class) != 0;
        }();
        ASSERT_TRUE(registered);
        host = CreateWindowEx(0, "TEMPLATE_HOST", "host", WS_POPUP, 0, 0, 800, 480, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        if (host) DestroyWindow(host);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    static resources::DialogTemplate Parse(const std::string& text) {
        auto parsed = resources::ParseDialogTemplates(text);
        EXPECT_TRUE(parsed.errors.empty());
        return parsed.dialogs.empty() ? resources::DialogTemplate{} : parsed.dialogs.front();
    }

    platform::testing::TemporaryDevice device;
    HWND host = nullptr;
};

TEST_F(TemplateControls, StylesFollowTheTemplate) {
    ASSERT_TRUE(CreateTemplateControls(host, Parse("dialog d 800x480 \"titled\"\n"
                                                   "control 1 static 0,0 50x20 center,vcenter,noprefix \"a&b\"\n"
                                                   "control 2 button 0,30 50x20 right \"r\"\n"
                                                   "control 3 radio 0,60 50x20 - \"o\"\n"
                                                   "control 4 combobox 0,90 50x20 - \"ignored\"\n")));
    EXPECT_EQ(GetWindowText(host), "titled");
    const auto style = [&](int id) { return static_cast<DWORD>(GetWindowLong(GetDlgItem(host, id), GWL_STYLE)); };
    EXPECT_EQ(style(1) & (SS_TYPEMASK | SS_CENTERIMAGE | SS_NOPREFIX), SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX);
    EXPECT_EQ(style(2) & (BS_TYPEMASK | BS_CENTER), BS_PUSHBUTTON | BS_RIGHT);
    EXPECT_EQ(style(3) & (BS_TYPEMASK | BS_CENTER), BS_AUTORADIOBUTTON);
    EXPECT_EQ(style(4) & CBS_DROPDOWNLIST, CBS_DROPDOWNLIST);
    EXPECT_EQ(GetDlgItemText(host, 1), "a&b");
    EXPECT_EQ(GetDlgItemText(host, 4), "") << "a drop-down list's text is its selection, none yet";
    // The template's order is the creation order; a later control lies in front.
    EXPECT_EQ(GetWindow(host, GW_CHILD), GetDlgItem(host, 4));
}

TEST_F(TemplateControls, AnAutoRadioButtonUnchecksOnlyItsGroup) {
    platform::RegisterStandardControls();
    // Two groups, each started by WS_GROUP; a push button in the first is left alone.
    const DWORD styles[] = {BS_AUTORADIOBUTTON | WS_GROUP, BS_AUTORADIOBUTTON, BS_PUSHBUTTON,
                            BS_AUTORADIOBUTTON | WS_GROUP, BS_AUTORADIOBUTTON};
    HWND buttons[5] = {};
    for (int i = 0; i < 5; ++i) {
        buttons[i] = CreateWindowEx(0, kButtonClass, "r", WS_CHILD | WS_VISIBLE | styles[i], 0, 30 * i, 80, 25, host,
                                    reinterpret_cast<void*>(static_cast<std::uintptr_t>(100 + i)), nullptr, nullptr);
        ASSERT_NE(buttons[i], nullptr);
    }
    const auto checked = [&] {
        std::string marks;
        for (HWND button : buttons) marks += SendMessage(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? 'x' : '-';
        return marks;
    };
    SendMessage(buttons[0], BM_CLICK, 0, 0);
    EXPECT_EQ(checked(), "x----");
    SendMessage(buttons[1], BM_CLICK, 0, 0);
    EXPECT_EQ(checked(), "-x---");
    SendMessage(buttons[3], BM_CLICK, 0, 0);
    EXPECT_EQ(checked(), "-x-x-") << "another group";
    SendMessage(buttons[4], BM_CLICK, 0, 0);
    EXPECT_EQ(checked(), "-x--x");
    SendMessage(buttons[2], BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(checked(), "-x--x") << "a push button takes no check";
    EXPECT_EQ(IsDlgButtonChecked(host, 101), BST_CHECKED);
    EXPECT_TRUE(CheckDlgButton(host, 100, BST_CHECKED));
    EXPECT_EQ(checked(), "xx--x") << "checking from the program leaves the others as they are";
    EXPECT_FALSE(CheckDlgButton(host, 999, BST_CHECKED));
}

TEST_F(TemplateControls, ASkinOnlyKindRefusesTheWholeTemplate) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CreateTemplateControls(host, Parse("dialog d 800x480 \"kept\"\n"
                                                    "control 1 button 0,0 50x20 - \"b\"\n"
                                                    "control 2 slider 0,30 50x20 -\n")));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr) << "nothing made";
    EXPECT_EQ(GetWindowText(host), "host");
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CreateTemplateControls(nullptr, Parse("dialog d 1x1\n")));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

}  // namespace
