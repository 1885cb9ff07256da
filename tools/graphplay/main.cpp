// graphplay: plays a file through the players' filter graph on a running device, from the
// host, like devicectl. The commands run in order; the graph is always taken down fully at
// the end, as a player leaves a file.
//   graphplay [--root DIR] [--variant movie|music] [--rect L,T,R,B] FILE [COMMAND...]
// FILE is a device path (\STORAGE CARD\clip.mp4) or a host file inside the device's fs/.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "movie/filter_control.h"
#include "music/equaliser_presets.h"
#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/media/media_classes.h"
#include "platform/window/video_overlay.h"
#include "platform/window/window.h"
#include "tools/graphplay/graphplay_commands.h"

namespace {

int Usage(const std::string& error) {
    std::fprintf(stderr,
                 "graphplay: %s\n"
                 "usage: graphplay [--root DIR] [--variant movie|music] [--rect L,T,R,B] FILE [COMMAND...]\n"
                 "commands: run, pause, stop, seek SECONDS, wait MS, pos, duration, volume 0..10,\n"
                 "          preset 0..4 (music), state\n",
                 error.c_str());
    return 2;
}

// A host file inside the device's fs/ is played by its device path.
std::string DevicePathOf(const std::string& file) {
    if (!file.empty() && file[0] == '\\') return file;
    std::error_code error;
    const auto host = std::filesystem::weakly_canonical(file, error);
    const auto fs_root = std::filesystem::weakly_canonical(platform::DeviceRootDir() / "fs", error);
    const auto relative = host.lexically_relative(fs_root);
    if (relative.empty() || *relative.begin() == "..") return {};
    std::string path;
    for (const auto& part : relative) path += "\\" + part.string();
    return path;
}

LRESULT KeyWindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(hwnd, &paint)) {
            RECT all;
            GetWindowRect(hwnd, &all);
            all = {0, 0, all.right - all.left, all.bottom - all.top};
            HBRUSH key = CreateSolidBrush(RGB(16, 0, 16));  // the overlay's key colour
            FillRect(dc, &all, key);
            DeleteObject(key);
            EndPaint(hwnd, &paint);
        }
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProc(hwnd, message, wparam, lparam);
}

// The picture's place: a topmost window of the overlay's key colour.
HWND MakeKeyWindow(const graphplay::Rect& rect) {
    WNDCLASS window_class;
    window_class.lpfnWndProc = KeyWindowProcedure;
    window_class.lpszClassName = "GraphPlayVideo";
    RegisterClass(&window_class);
    return CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "GraphPlayVideo", "graphplay", WS_POPUP | WS_VISIBLE,
                          rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                          nullptr, nullptr);
}

// Waits while the window keeps painting.
void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessage(&message);
        }
        const DWORD passed = GetTickCount() - start;
        if (passed >= milliseconds) return;
        Sleep(std::min<DWORD>(10, milliseconds - passed));
    }
}

const char* StateName(int state) {
    switch (state) {
        case 0: return "stopped";
        case 1: return "paused";
        case 2: return "running";
        default: return "unknown";
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = graphplay::ParseArguments(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) return Usage(error);
    if (!options->root.empty()) platform::SetDeviceRootDir(options->root);
    if (!platform::ServerAvailable()) {
        std::fprintf(stderr, "graphplay: no device server runs on %s\n", platform::DeviceRootDir().c_str());
        return 1;
    }
    const std::string path = DevicePathOf(options->file);
    if (path.empty()) return Usage(options->file + " is neither a device path nor a file inside the device");
    platform::RegisterMediaClasses();

    const bool music = options->variant == graphplay::Variant::Music;
    movie::CFilterControl control(music ? movie::FilterControlVariant::Music : movie::FilterControlVariant::Movie);
    HWND key_window = music ? nullptr : MakeKeyWindow(options->rect);
    Pump(0);
    const RECT rect{options->rect.left, options->rect.top, options->rect.right, options->rect.bottom};
    const bool built = control.CreateFilterForPlaying(path, rect) && SUCCEEDED(control.LastResult());
    int status = 0;
    if (!built) {
        std::printf("0x%08X\n", static_cast<unsigned>(control.LastResult()));
        status = 1;
    }
    for (const auto& command : built ? options->commands : std::vector<graphplay::Command>{}) {
        using Kind = graphplay::Command::Kind;
        double seconds = 0;
        bool ok = true;
        switch (command.kind) {
            case Kind::Run: ok = control.RunGraph(); break;
            case Kind::Pause: ok = control.PauseGraph(); break;
            case Kind::Stop: control.StopGraph(); break;  // a stop of a stopped graph is no failure
            case Kind::Seek: ok = control.SetPosition(command.value); break;
            case Kind::Wait: Pump(static_cast<DWORD>(command.value)); break;
            case Kind::Position:
                ok = control.GetPosition(seconds);
                std::printf("position %.3f\n", seconds);
                break;
            case Kind::Duration:
                ok = control.GetDuration(seconds);
                std::printf("duration %.3f\n", seconds);
                break;
            case Kind::Volume: ok = control.SetVolume(static_cast<int>(command.value)); break;
            case Kind::Preset:
                ok = control.ApplyEqualiser(music::EqualiserPreset(static_cast<int>(command.value)));
                break;
            case Kind::State: {
                int state = -1;
                ok = control.GetState(state);
                std::printf("state %s\n", StateName(state));
                break;
            }
        }
        std::fflush(stdout);
        if (!ok) {
            std::fprintf(stderr, "graphplay: command failed with 0x%08X\n", static_cast<unsigned>(control.LastResult()));
            status = 1;
        }
    }
    // The full tear-down, whatever happened before.
    control.StopGraph();
    control.DeleteFilters();
    control.DestroyFilterGraph();
    if (key_window) DestroyWindow(key_window);
    return status;
}
