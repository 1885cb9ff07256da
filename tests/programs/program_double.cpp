// The program double: a stand-in for any program of the suite, or the navigation program, in
// the end-to-end tests of the programs that start, find, message and close them. It takes its
// window name from the file it is installed as, through the suite's application table:
//   MUSIC.EXE "APP_MUSIC", MOVIE.EXE "APP_MOVIE", TELECAST.EXE "DMB_TELECAST", EXTVIEW.EXE
//   "APP_EXTVIEW", ROUTEKIT.EXE "APP_ROUTEKIT", FILESHELF.EXE "APP_BROWSER", PHOTO.EXE
//   "APP_PHOTO", STACKER.EXE "STACKER", HOMEDECK.EXE "APP_HOMEDECK";
// a file named after a window name, with or without its "APP_", gets that name (BROWSER.EXE
// "APP_BROWSER", WAYFARER.EXE "Wayfarer"); any other file its own name without the extension.
// Its full-screen window shows that name on the colour program_double.h gives it.
//
// Log lines (<name> is the window name):
//   <name>: started with "<command line>"
//   <name>: WM_COPYDATA code=<data code> size=<bytes> data=<values> foreground=<title>
//       the data as 32-bit little-endian signed integers when its size is a multiple of 4,
//       else as its bytes (0..255), separated by blanks; then the title of the foreground
//       window as the message came (empty for none)
//   <name>: <message name> wparam=<wparam> lparam=<lparam>
//       every message of the suite's catalogue (framework/program_messages.h) by its name:
//       WM_MMS_SETTING, WM_EXTVIEW_SUSPEND, WM_OUTSIDE_AUDIO_EVENT (8590), ...
//   <name>: WM_CLOSE
//   <name>: WM_CLOSE held while <hang file> exists
//   <name>: WM_CLOSE let go after <ms> ms, window kept
//
// Never answering WM_CLOSE: while a file named like the program with the extension ".hang"
// lies beside it (\NAND\MUSIC.hang beside \NAND\MUSIC.EXE) when WM_CLOSE arrives, the window
// procedure does not return until that file is gone (at most 60 s, and never past the device
// server's end), and then keeps its window: that close is refused. A test that sends WM_CLOSE
// itself should post it, or send it from another thread. Without the file, WM_CLOSE destroys
// the window and the program ends.
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>

#include "framework/program_messages.h"
#include "platform/app/application.h"
#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "tests/programs/program_double.h"
#include "tools/standins/standin_window.h"

namespace {

constexpr DWORD kLongestHold = 60000;
constexpr DWORD kHoldPoll = 20;

std::string s_name;
pid_t s_server = 0;  // the device server started this program; its end ends any hold

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string TableText(const char16_t (&text)[32]) {
    std::u16string wide;
    for (char16_t c : text) {
        if (c == 0) break;
        wide.push_back(c);
    }
    return platform::WideToUtf8(wide);
}

std::string FileNameOf(const std::string& device_path) {
    const auto slash = device_path.find_last_of("\\/");
    return slash == std::string::npos ? device_path : device_path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) { return name.substr(0, name.rfind('.')); }

std::string WindowNameFor(const std::string& file_name) {
    for (const auto& entry : kApplicationTable) {
        if (entry.id >= PROGRAM_TABLE_END) break;
        if (SameName(TableText(entry.file_name), file_name)) return ProgramWindowName(entry.id);
    }
    const std::string stem = WithoutExtension(file_name);
    for (int id = PROGRAM_HOMEDECK; id < PROGRAM_TABLE_END; ++id) {
        const std::string name = ProgramWindowName(id);
        if (!name.empty() && (SameName(name, stem) || SameName(name, "APP_" + stem))) return name;
    }
    return stem;
}

std::string HangFile() {
    const std::string& path = GetModuleFileName();
    const auto slash = path.find_last_of("\\/");
    const auto dot = path.rfind('.');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? path.substr(0, dot) : path) + ".hang";
}

std::string ForegroundTitle() {
    std::string title;
    if (HWND foreground = GetForegroundWindow()) GetWindowText(foreground, title);
    return title;
}

std::string Values(const COPYDATASTRUCT& copy) {
    std::string text;
    const auto* bytes = static_cast<const std::uint8_t*>(copy.lpData);
    if (!bytes) return text;
    const bool words = copy.cbData % sizeof(std::int32_t) == 0;
    const DWORD step = words ? sizeof(std::int32_t) : 1;
    for (DWORD offset = 0; offset < copy.cbData; offset += step) {
        if (!text.empty()) text += ' ';
        if (words) {
            std::int32_t value = 0;
            std::memcpy(&value, bytes + offset, sizeof(value));
            text += std::to_string(value);
        } else {
            text += std::to_string(bytes[offset]);
        }
    }
    return text;
}

// Stays in WM_CLOSE while the hang file exists; true when the close was held.
bool HoldClose() {
    const std::string hang_file = HangFile();
    if (GetFileAttributes(hang_file) == INVALID_FILE_ATTRIBUTES) return false;
    DebugPrintf("%s: WM_CLOSE held while %s exists", s_name.c_str(), hang_file.c_str());
    const DWORD start = GetTickCount();
    while (GetFileAttributes(hang_file) != INVALID_FILE_ATTRIBUTES && GetTickCount() - start < kLongestHold &&
           ::getppid() == s_server)
        Sleep(kHoldPoll);
    DebugPrintf("%s: WM_CLOSE let go after %u ms, window kept", s_name.c_str(), GetTickCount() - start);
    return true;
}

LRESULT DoubleWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT: {
            const std::uint32_t colour = ProgramDoubleColourOf(s_name);
            standins::PaintSolidPicture(hwnd, RGB(colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF),
                                        RGB(255, 255, 255), s_name);
            return 0;
        }
        case WM_COPYDATA: {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
            if (!copy) return 0;
            DebugPrintf("%s: WM_COPYDATA code=%lu size=%u data=%s foreground=%s", s_name.c_str(),
                        static_cast<unsigned long>(copy->dwData), copy->cbData, Values(*copy).c_str(),
                        ForegroundTitle().c_str());
            return 1;
        }
        case WM_CLOSE:
            DebugPrintf("%s: WM_CLOSE", s_name.c_str());
            if (!HoldClose()) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            if (const char* name = SuiteMessageName(message); std::strcmp(name, "?") != 0) {
                DebugPrintf("%s: %s wparam=%lu lparam=%ld", s_name.c_str(), name, static_cast<unsigned long>(wparam),
                            static_cast<long>(lparam));
                return 0;
            }
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CProgramDoubleApp : public CWinApp {
public:
    BOOL InitInstance() override {
        s_server = ::getppid();
        s_name = WindowNameFor(FileNameOf(GetModuleFileName()));
        m_hMainWnd = standins::CreateFullScreenWindow("ProgramDouble", s_name, DoubleWindow);
        standins::LogStart(s_name);
        return m_hMainWnd != nullptr;
    }
};

CProgramDoubleApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
