#include "server/processes/launcher.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <string_view>
#include <vector>

extern char** environ;

namespace server {

pid_t LaunchProgram(const LaunchRequest& request) {
    // The program inherits the server's environment, with the device's own entries replaced.
    std::vector<std::string> environment;
    const std::string_view ours[] = {"DEVICE_ROOT=", "DEVICE_PROGRAM=", "DEVICE_PROGRAM_PATH=", "DEVICE_COMMAND_LINE="};
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        bool replaced = false;
        for (auto prefix : ours) replaced = replaced || text.substr(0, prefix.size()) == prefix;
        if (!replaced) environment.emplace_back(text);
    }
    environment.push_back("DEVICE_ROOT=" + request.device_root);
    environment.push_back("DEVICE_PROGRAM=" + request.program_name);
    environment.push_back("DEVICE_PROGRAM_PATH=" + request.device_path);
    environment.push_back("DEVICE_COMMAND_LINE=" + request.command_line);
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::string path = request.host_path;
    std::string command_line = request.command_line;
    char* argv[] = {path.data(), command_line.data(), nullptr};

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int error = ::posix_spawn(&pid, path.c_str(), nullptr, &attributes, argv, envp.data());
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : -error;
}

}  // namespace server
