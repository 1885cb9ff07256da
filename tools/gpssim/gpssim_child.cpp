#include "tools/gpssim/gpssim_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace gpssim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(15);

}  // namespace

GpsSim::GpsSim(const std::string& binary, const std::vector<std::string>& arguments)
{
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> all = {binary};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_stdin = in[1];
    m_stdout = out[0];
}

GpsSim::~GpsSim()
{
    Stop();
}

const std::string& GpsSim::Pty()
{
    if (!m_pty) m_pty = ReadLine().value_or("");
    return *m_pty;
}

std::optional<std::string> GpsSim::ReadLine()
{
    const auto deadline = Clock::now() + kPatience;
    for (;;) {
        const std::size_t newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (m_stdout < 0) return std::nullopt;
        pollfd fd{m_stdout, POLLIN, 0};
        if (Clock::now() > deadline || ::poll(&fd, 1, 100) < 0) return std::nullopt;
        if (fd.revents == 0) continue;
        char chunk[256];
        const ssize_t count = ::read(m_stdout, chunk, sizeof chunk);
        if (count <= 0) return std::nullopt;
        m_buffer.append(chunk, static_cast<std::size_t>(count));
    }
}

bool GpsSim::WaitForLine(const std::string& wanted)
{
    while (auto line = ReadLine())
        if (*line == wanted) return true;
    return false;
}

bool GpsSim::Send(const std::string& text)
{
    return m_stdin >= 0 && ::write(m_stdin, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void GpsSim::CloseStdin()
{
    if (m_stdin >= 0) ::close(m_stdin);
    m_stdin = -1;
}

void GpsSim::Signal(int number)
{
    if (m_pid > 0 && !m_status) ::kill(m_pid, number);
}

std::optional<int> GpsSim::Wait(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (m_pid > 0 && !m_status) {
        int raw = 0;
        if (::waitpid(m_pid, &raw, WNOHANG) == m_pid) {
            m_status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            break;
        }
        if (Clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return m_status;
}

void GpsSim::Stop()
{
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGTERM);
        if (!Wait(std::chrono::seconds(5))) {
            ::kill(m_pid, SIGKILL);
            Wait(std::chrono::seconds(5));
        }
    }
    CloseStdin();
    if (m_stdout >= 0) ::close(m_stdout);
    m_stdout = -1;
}

}  // namespace gpssim
