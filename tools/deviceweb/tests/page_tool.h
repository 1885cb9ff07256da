// The deviceweb tool on a device root and a free port, as a person runs it: started, its
// printed address read, and ended (SIGTERM, then SIGKILL) with the object.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace deviceweb::testing {

class PageTool {
public:
    PageTool(const std::string& binary, const std::filesystem::path& root);
    ~PageTool();
    PageTool(const PageTool&) = delete;
    PageTool& operator=(const PageTool&) = delete;

    // "http://127.0.0.1:PORT/", empty when the tool did not start or say where it listens.
    const std::string& Address() const { return m_address; }
    int Port() const { return m_port; }
    pid_t Pid() const { return m_pid; }
    // What the tool printed first (its address, or why it failed).
    const std::string& Line() const { return m_line; }

private:
    pid_t m_pid = -1;
    std::string m_address;
    std::string m_line;
    int m_port = 0;
};

}  // namespace deviceweb::testing
