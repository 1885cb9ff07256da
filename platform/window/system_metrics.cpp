// The device's system metrics: its screen size, as device.conf gives it to the server.
#include <algorithm>

#include "platform/device_root.h"
#include "platform/window/window.h"

int GetSystemMetrics(int index) {
    // The same reading and bounds as the server's screen, so both agree on the size.
    const auto side = [](const char* key, long fallback) {
        return static_cast<int>(std::clamp(platform::Config().GetInt(key, fallback), 16L, 4096L));
    };
    switch (index) {
        case SM_CXSCREEN: return side("screen_width", 800);
        case SM_CYSCREEN: return side("screen_height", 480);
        default: return 0;
    }
}
