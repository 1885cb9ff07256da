// WINPROBE.EXE: a device program with one named window, for the window and message tests.
// Its command line is a list of key=value words:
//   title=NAME      the window's title (also its log prefix)
//   class=NAME      its window class (default PROBE_WINDOW)
//   next=NAME       where it forwards a chain message
//   topmost         create it in the topmost band
//   tool            create it as a tool window (WS_EX_TOOLWINDOW)
//   owner=NAME      create it owned by the window titled NAME
//   hidden          create it hidden
//   dialog          run it as a modal dialog whose title is set during its initialisation
//   showininit      (dialog) ask to show the window during initialisation, 300 ms before the
//                   title is set, and log whether it is visible then
//   overlay=RRGGBB  also open the video overlay over the whole screen, filled with that colour
//   log=N           also log every message N it receives, as kLog does
// Messages it answers:
//   kAnswer  (WM_USER+1)  returns wparam + lparam
//   kChain   (WM_USER+2)  forwards wparam + 1 to the window named by next= and returns what it
//                         gets back, or wparam + 1 when it has no next
//   kCount   (WM_USER+3)  posted: counted
//   kGetCount(WM_USER+4)  returns the count
//   kSleep   (WM_USER+5)  sleeps wparam milliseconds, then returns 7
//   kLog     (WM_USER+10) logs "<title> got <message> <wparam> <lparam>"
//   WM_COPYDATA           returns an FNV-1a hash of the data mixed with its code
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>
#include <map>
#include <sstream>
#include <string>

#include "platform/app/application.h"
#include "platform/app/dialog.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/window/window.h"

namespace {

constexpr UINT kAnswer = WM_USER + 1;
constexpr UINT kChain = WM_USER + 2;
constexpr UINT kCount = WM_USER + 3;
constexpr UINT kGetCount = WM_USER + 4;
constexpr UINT kSleep = WM_USER + 5;
constexpr UINT kLog = WM_USER + 10;

std::map<std::string, std::string> s_options;
long s_count = 0;

std::string Option(const std::string& key, const std::string& fallback = {}) {
    auto found = s_options.find(key);
    return found == s_options.end() ? fallback : found->second;
}

LRESULT Hash(const COPYDATASTRUCT* copy) {
    std::uint32_t hash = 2166136261u;
    const auto* bytes = static_cast<const std::uint8_t*>(copy->lpData);
    for (DWORD i = 0; i < copy->cbData; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return static_cast<LRESULT>((hash ^ static_cast<std::uint32_t>(copy->dwData)) & 0x7FFFFFFF);
}

LRESULT Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
    handled = true;
    const std::string title = Option("title", "probe");
    if (const std::string logged = Option("log"); !logged.empty() && message == std::stoul(logged)) {
        DebugPrintf("%s got %u %lu %ld", title.c_str(), message, static_cast<unsigned long>(wparam),
                    static_cast<long>(lparam));
        return 0;
    }
    switch (message) {
        case kAnswer:
            return static_cast<LRESULT>(wparam) + lparam;
        case kChain: {
            const std::string next = Option("next");
            if (next.empty()) return static_cast<LRESULT>(wparam + 1);
            return SendMessage(FindWindow("", next), kChain, wparam + 1, 0);
        }
        case kCount:
            ++s_count;
            return 0;
        case kGetCount:
            return s_count;
        case kSleep:
            Sleep(static_cast<DWORD>(wparam));
            return 7;
        case kLog:
            DebugPrintf("%s got %u %lu %ld", title.c_str(), message, static_cast<unsigned long>(wparam),
                        static_cast<long>(lparam));
            return 0;
        case WM_ACTIVATE:
            DebugPrintf("%s activate %lu", title.c_str(), static_cast<unsigned long>(wparam));
            return 0;
        case WM_COPYDATA:
            return Hash(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
        default:
            handled = false;
            return 0;
    }
}

LRESULT WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    bool handled = false;
    LRESULT result = Handle(hwnd, message, wparam, lparam, handled);
    if (handled) return result;
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(hwnd, message, wparam, lparam);
}

// Opens the overlay and fills it; it stays the program's until the program ends.
bool OpenOverlay(std::uint32_t colour) {
    protocol::OverlayRequest request;
    request.operation = static_cast<std::uint8_t>(protocol::OverlayOperation::Open);
    request.width = 2;
    request.height = 2;
    request.destination = {0, 0, 800, 480};
    protocol::OverlayReply reply;
    int fd = -1;
    auto* connection = platform::ServerConnection::Current();
    if (!connection || !connection->Call(request, reply, &fd) || reply.error || fd < 0) return false;
    const std::size_t bytes = static_cast<std::size_t>(reply.pitch) * reply.height;
    void* pixels = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (pixels == MAP_FAILED) return false;
    for (std::size_t i = 0; i < bytes / 4; ++i) static_cast<std::uint32_t*>(pixels)[i] = colour;
    ::munmap(pixels, bytes);
    return connection->Post(protocol::OverlayFrameRequest{});
}

class ProbeDialog : public CDialog {
public:
    ProbeDialog() : CDialog(Option("class", "PROBE_DIALOG")) {}

protected:
    BOOL OnInitDialog() override {
        if (s_options.count("showininit")) {
            SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 800, 480, SWP_SHOWWINDOW);
            DebugPrintf("%s visible during init %d", Option("title", "probe").c_str(), IsWindowVisible(m_hWnd));
            Sleep(300);
        }
        SetWindowText(Option("title", "probe"));
        DebugPrintf("%s dialog ready", Option("title", "probe").c_str());
        return TRUE;
    }
    void OnOK() override {
        DebugPrintf("%s OnOK", Option("title", "probe").c_str());
        CDialog::OnOK();
    }
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
        bool handled = false;
        LRESULT result = Handle(m_hWnd, message, wparam, lparam, handled);
        return handled ? result : Default(message, wparam, lparam);
    }
};

class ProbeApp : public CWinApp {
public:
    BOOL InitInstance() override {
        std::istringstream words(GetCommandLine());
        std::string word;
        while (words >> word) {
            auto equals = word.find('=');
            s_options[word.substr(0, equals)] = equals == std::string::npos ? "1" : word.substr(equals + 1);
        }
        if (s_options.count("dialog")) {
            ProbeDialog dialog;
            INT_PTR result = dialog.DoModal();
            DebugPrintf("%s dialog ended %ld", Option("title", "probe").c_str(), static_cast<long>(result));
            return FALSE;
        }
        WNDCLASS window_class;
        window_class.lpfnWndProc = WindowProcedure;
        window_class.lpszClassName = Option("class", "PROBE_WINDOW");
        RegisterClass(&window_class);
        DWORD style = WS_POPUP | (s_options.count("hidden") ? 0 : WS_VISIBLE);
        DWORD ex_style = s_options.count("topmost") ? WS_EX_TOPMOST : 0;
        if (s_options.count("tool")) ex_style |= WS_EX_TOOLWINDOW;
        HWND owner = s_options.count("owner") ? FindWindow("", Option("owner")) : nullptr;
        m_hMainWnd = CreateWindowEx(ex_style, window_class.lpszClassName, Option("title", "probe"), style, 0, 0, 800,
                                    480, owner, nullptr, nullptr, nullptr);
        if (s_options.count("overlay")) {
            const bool opened = OpenOverlay(static_cast<std::uint32_t>(std::strtoul(Option("overlay").c_str(), nullptr, 16)));
            DebugPrintf("%s overlay %s", Option("title", "probe").c_str(), opened ? "ready" : "failed");
        }
        DebugPrintf("%s window %s", Option("title", "probe").c_str(), m_hMainWnd ? "ready" : "failed");
        return m_hMainWnd != nullptr;
    }
};

ProbeApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
