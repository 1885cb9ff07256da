// A program as the server knows it: its Linux process, its handle table and the process
// object other programs wait on. Started by the server, or met when it first connected.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

#include "server/objects/object_directory.h"
#include "server/objects/process_object.h"

namespace server {

struct Process {
    pid_t pid = 0;
    std::string name;          // program file name
    std::string device_path;   // empty when it was not started by the server
    std::string command_line;
    bool child = false;        // started (and reaped) by the server
    int pidfd = -1;
    std::uint64_t watch = 0;
    std::uint32_t connections = 0;
    HandleTable handles;
    std::shared_ptr<ProcessObject> object;
};

}  // namespace server
