// deviceweb: serves a page that shows a running device's screen and drives its pen, remote
// control and board, for a machine with no display or a person at another desk.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "tools/deviceweb/web_server.h"

namespace {

constexpr int kDefaultPort = 8480;

int Usage() {
    std::fprintf(stderr,
                 "usage: deviceweb [--root DIR] [--port N] [--listen ADDRESS]\n"
                 "  Serves the device's page at http://127.0.0.1:%d/: its screen, the pen (click, drag,\n"
                 "  hold), the remote keys (also the keyboard's digits, arrows and Enter), the storage\n"
                 "  card and USB drive, the backlight, the drivers' state, the programs and their logs.\n"
                 "  --port N          the port (default %d; 0: any free port)\n"
                 "  --listen ADDRESS  listen on another address than 127.0.0.1 (0.0.0.0: every address);\n"
                 "                    whoever reaches it can see and drive the device\n"
                 "The device root is --root, else $DEVICE_ROOT, else ./device.\n",
                 kDefaultPort, kDefaultPort);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    deviceweb::ListenAddress listen{"127.0.0.1", kDefaultPort};
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool has_value = i + 1 < args.size();
        if (args[i] == "--root" && has_value) {
            platform::SetDeviceRootDir(args[++i]);
        } else if (args[i] == "--port" && has_value) {
            char* end = nullptr;
            const long port = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || args[i].empty() || port < 0 || port > 65535) return Usage();
            listen.port = static_cast<int>(port);
        } else if (args[i] == "--listen" && has_value) {
            listen.host = args[++i];
            if (!deviceweb::IsAddressLiteral(listen.host)) {
                std::fprintf(stderr, "deviceweb: --listen takes an IP address, not \"%s\"\n", listen.host.c_str());
                return 2;
            }
        } else {
            return Usage();
        }
    }

    // Ctrl-C and SIGTERM are taken by this thread alone, so the server's threads never see them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    auto device = deviceweb::ConnectDevice(platform::DeviceRootDir());
    deviceweb::WebServer server(*device, listen);
    std::string error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "deviceweb: %s\n", error.c_str());
        return 1;
    }
    if (!deviceweb::IsLoopback(listen.host))
        std::fprintf(stderr,
                     "deviceweb: warning: listening on %s: anyone who can reach this machine on port %d can see "
                     "and drive the device\n",
                     listen.host.c_str(), server.Port());
    std::printf("deviceweb: the device's page is at %s\n", server.PageAddress().c_str());
    std::fflush(stdout);

    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    server.Stop();
    return 0;
}
