// Starting a program file as a Linux process of the device.
#pragma once

#include <string>
#include <sys/types.h>

namespace server {

struct LaunchRequest {
    std::string host_path;     // the executable on disk
    std::string device_path;   // how the device names it
    std::string program_name;  // its file name, for its log
    std::string command_line;  // the text after its path
    std::string device_root;
};

// Returns the new process id, or -errno.
pid_t LaunchProgram(const LaunchRequest& request);

}  // namespace server
