// devicectl: drives and inspects a running device.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "tools/devicectl/device_control.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: devicectl [--root DIR] COMMAND\n"
                 "  start PATH [ARGS...]          start a program by device path\n"
                 "  ps                            list the device's programs\n"
                 "  event set|reset|pulse NAME    signal a named event\n"
                 "  reg get KEY VALUE             print a registry value\n"
                 "  reg set KEY VALUE DATA        write a registry value (number: DWORD, else string)\n"
                 "  log PROGRAM                   print a program's debug log (e.g. MUSIC.EXE, server)\n"
                 "  shutdown                      shut the device down\n"
                 "The device root is --root, else $DEVICE_ROOT, else ./device.\n");
    return 2;
}

int Fail(const char* what, DWORD error) {
    std::fprintf(stderr, "devicectl: %s failed with error %u\n", what, error);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--root") {
        platform::SetDeviceRootDir(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) return Usage();
    devicectl::DeviceControl device(platform::DeviceRootDir());
    const std::string& command = args[0];

    if (command == "log" && args.size() == 2) {
        std::fputs(device.Log(args[1]).c_str(), stdout);
        return 0;
    }
    if (!device.Connected()) {
        std::fprintf(stderr, "devicectl: no device server runs on %s\n", platform::DeviceRootDir().c_str());
        return 1;
    }
    DWORD error = 0;
    if (command == "start" && args.size() >= 2) {
        std::string arguments;
        for (std::size_t i = 2; i < args.size(); ++i) arguments += (i > 2 ? " " : "") + args[i];
        auto pid = device.Start(args[1], arguments, error);
        if (!pid) return Fail("start", error);
        std::printf("%u\n", *pid);
        return 0;
    }
    if (command == "ps" && args.size() == 1) {
        std::printf("%-8s %-16s %-34s %s\n", "PID", "PROGRAM", "PATH", "COMMAND LINE");
        for (const auto& process : device.Processes())
            std::printf("%-8u %-16s %-34s %s\n", process.process_id, process.name.c_str(),
                        process.path.empty() ? "-" : process.path.c_str(), process.command_line.c_str());
        return 0;
    }
    if (command == "event" && args.size() == 3) {
        error = device.EventOperation(args[1], args[2]);
        return error ? Fail("event", error) : 0;
    }
    if (command == "reg" && args.size() == 4 && args[1] == "get") {
        auto value = device.RegistryGet(args[2], args[3], error);
        if (!value) return Fail("reg get", error);
        std::printf("%s\n", devicectl::Describe(*value).c_str());
        return 0;
    }
    if (command == "reg" && args.size() == 5 && args[1] == "set") {
        error = device.RegistrySet(args[2], args[3], args[4]);
        return error ? Fail("reg set", error) : 0;
    }
    if (command == "shutdown" && args.size() == 1) {
        error = device.Shutdown();
        return error ? Fail("shutdown", error) : 0;
    }
    return Usage();
}
