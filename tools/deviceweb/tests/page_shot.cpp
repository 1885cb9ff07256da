// deviceweb_pageshot URL OUT.png [WIDTH HEIGHT]: the device's page as headless Chromium shows
// it, once it has drawn the device's screen and read the board, saved as a PNG (for the README).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tools/deviceweb/tests/headless_browser.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: deviceweb_pageshot URL OUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    const int width = argc == 5 ? std::atoi(argv[3]) : 1400;
    const int height = argc == 5 ? std::atoi(argv[4]) : 820;
    if (width < 200 || height < 200 || width > 4000 || height > 4000) {
        std::fprintf(stderr, "deviceweb_pageshot: a size of 200 to 4000 pixels either way\n");
        return 2;
    }
    using namespace std::chrono_literals;
    deviceweb::testing::HeadlessBrowser browser(width, height);
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "deviceweb_pageshot: %s: %s\n", what, browser.Error().c_str());
        return 1;
    };
    if (!browser.Started()) return fail("no browser");
    if (!browser.Navigate(argv[1], 15s)) return fail("the page did not load");
    if (!browser.WaitFor("window.deviceView && deviceView.shown > 0 && "
                         "document.getElementById('programs').textContent.length > 0 && "
                         "document.getElementById('log').textContent.length > 0",
                         15s))
        return fail("the page did not show the device");
    const auto png = browser.Screenshot();
    if (!png) return fail("no screenshot");
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    if (!out) {
        std::fprintf(stderr, "deviceweb_pageshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
