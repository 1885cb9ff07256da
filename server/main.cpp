// The device server: plays the device OS for the programs of one device root.
//   server [--root DIR] [--template DIR]
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
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--root" && i + 1 < argc) {
            platform::SetDeviceRootDir(argv[++i]);
        } else if (arg == "--template" && i + 1 < argc) {
            options.template_dir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: server [--root DIR] [--template DIR]\n");
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
    if (!std::filesystem::exists(platform::HostPathOf("\\NAND\\HOMEDECK.EXE")))
        std::printf("no program is installed yet\n");
    std::fflush(stdout);
    return device.Run();
}
