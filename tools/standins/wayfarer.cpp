// The navigation program's stand-in: a window named "Wayfarer" that takes its volume by
// WM_COPYDATA 1069 (a 32-bit value, 0..5) and logs each one. Started as
// \STORAGE CARD\WAYFARER\WAYFARER.EXE, with "/m" or nothing.
#include <cstdint>
#include <cstring>

#include "platform/app/application.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace {

constexpr std::uintptr_t kVolumeCode = 1069;

LRESULT NavigationWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COPYDATA: {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
            if (!copy || copy->dwData != kVolumeCode) return 0;
            if (copy->cbData != sizeof(std::int32_t) || !copy->lpData) {
                DebugPrintf("Wayfarer: volume message of %u bytes ignored", copy->cbData);
                return 0;
            }
            std::int32_t volume = 0;
            std::memcpy(&volume, copy->lpData, sizeof(volume));
            DebugPrintf("Wayfarer: volume %d", volume);
            return 1;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CWayfarerApp : public CWinApp {
public:
    BOOL InitInstance() override {
        WNDCLASS window_class;
        window_class.lpfnWndProc = NavigationWindow;
        window_class.lpszClassName = "Wayfarer";
        RegisterClass(&window_class);
        m_hMainWnd = CreateWindowEx(0, "Wayfarer", "Wayfarer", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr, nullptr,
                                    nullptr, nullptr);
        DebugPrintf("Wayfarer: started with \"%s\"", GetCommandLine().c_str());
        return m_hMainWnd != nullptr;
    }
};

CWayfarerApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
