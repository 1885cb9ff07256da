// The devicectl command as scripts run it, for the tests of what it prints: its stdout and its
// exit status.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace platform::testing {

struct Command {
    int status = -1;
    std::string output;
};

inline Command Devicectl(const std::filesystem::path& root, const std::string& arguments)
{
    const std::string line = std::string(DEVICECTL_BINARY) + " --root '" + root.string() + "' " + arguments + " 2>/dev/null";
    Command command;
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) return command;
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe)) command.output += buffer;
    const int status = ::pclose(pipe);
    command.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return command;
}

}  // namespace platform::testing
