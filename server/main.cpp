// The device server: plays the device OS for the programs of one device root.
//   server [--root DIR] [--template DIR] [--boot DEVICE_PATH] [--display]
// With --display and a desktop display, the screen is shown in a window; otherwise headless.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/device_root.h"
#include "platform/files/files.h"
#include "server/device_server.h"

#ifndef HEADUNIT_DEVICE_TEMPLATE
#define HEADUNIT_DEVICE_TEMPLATE ""
#endif

int main(int argc, char** argv) {
    server::ServerOptions options;
    options.template_dir = HEADUNIT_DEVICE_TEMPLATE;
    std::string boot;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--root" && i + 1 < argc) {
            platform::SetDeviceRootDir(argv[++i]);
        } else if (arg == "--template" && i + 1 < argc) {
            options.template_dir = argv[++i];
        } else if (arg == "--boot" && i + 1 < argc) {
            boot = argv[++i];
        } else if (arg == "--display") {
            options.display = true;
        } else {
            std::fprintf(stderr, "usage: server [--root DIR] [--template DIR] [--boot DEVICE_PATH] [--display]\n");
            return 2;
        }
    }
    options.root = platform::DeviceRootDir();

    server::DeviceServer device(options);
    std::string error;
    if (!device.Start(error)) {
        std::fprintf(stderr, "server: %s\n", error.c_str());
        return 1;
    }
    std::printf("device server running on %s\n", options.root.c_str());
    if (!boot.empty()) {
        if (device.Boot(boot)) std::printf("started %s\n", boot.c_str());
        else std::printf("cannot start %s: no program is installed there\n", boot.c_str());
    } else if (!std::filesystem::exists(platform::HostPathOf("\\NAND\\HOMEDECK.EXE"))) {
        std::printf("no program is installed yet\n");
    }
    std::fflush(stdout);
    return device.Run();
}
