#include "tools/deviceweb/tests/page_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string_view>
#include <thread>

extern char** environ;

namespace deviceweb::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartWait = std::chrono::seconds(15);

}  // namespace

PageTool::PageTool(const std::string& binary, const std::filesystem::path& root) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const std::string root_text = root.string();
    const char* argv[] = {binary.c_str(), "--root", root_text.c_str(), "--port", "0", nullptr};
    if (posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, const_cast<char**>(argv), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    // Its first line gives the page's address.
    std::string text;
    const auto end = Clock::now() + kStartWait;
    while (m_pid > 0 && text.find('\n') == std::string::npos && Clock::now() < end) {
        pollfd poll_fd{out[0], POLLIN, 0};
        if (::poll(&poll_fd, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof(buffer));
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    constexpr std::string_view kPrefix = "http://127.0.0.1:";
    if (const auto at = text.find(kPrefix); at != std::string::npos) {
        const auto digits = at + kPrefix.size();
        const auto slash = text.find('/', digits);
        const std::string port = text.substr(digits, slash == std::string::npos ? 0 : slash - digits);
        if (!port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos) {
            m_port = std::stoi(port);
            m_address = text.substr(at, slash + 1 - at);
        }
    }
    m_line = text;
}

PageTool::~PageTool() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= end) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace deviceweb::testing
