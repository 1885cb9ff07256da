#include "platform/testing/temporary_device.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/device_root.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"

extern char** environ;

namespace platform::testing {

std::string ServerBinary() { return HEADUNIT_SERVER_BINARY; }
std::string ProbeBinary() { return HEADUNIT_PROBE_BINARY; }
std::string WindowProbeBinary() { return HEADUNIT_WINDOW_PROBE_BINARY; }

std::string StandInBinary(StandIn stand_in) {
    switch (stand_in) {
        case StandIn::Photo: return HEADUNIT_PHOTO_BINARY;
        case StandIn::Stacker: return HEADUNIT_STACKER_BINARY;
        case StandIn::Explorer: return HEADUNIT_EXPLORER_BINARY;
        case StandIn::TouchCalibration: return HEADUNIT_TCLAUNCH_BINARY;
        case StandIn::Wayfarer: return HEADUNIT_WAYFARER_BINARY;
        case StandIn::ProgramDouble: return HEADUNIT_PROGRAM_DOUBLE_BINARY;
    }
    return {};
}

std::string StandInPath(StandIn stand_in) {
    switch (stand_in) {
        case StandIn::Photo: return "\\NAND\\PHOTO.EXE";
        case StandIn::Stacker: return "\\NAND\\STACKER.EXE";
        case StandIn::Explorer: return "\\WINDOWS\\EXPLORER.EXE";
        case StandIn::TouchCalibration: return "\\WINDOWS\\TCLAUNCH.EXE";
        case StandIn::Wayfarer: return "\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE";
        case StandIn::ProgramDouble: return {};
    }
    return {};
}

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The host path of a device path under a file system root: each component that exists is
// taken as stored, whatever its case; the rest as given.
std::filesystem::path HostPathUnder(const std::filesystem::path& fs_root, const std::string& device_path) {
    std::filesystem::path host = fs_root;
    std::string separated = device_path;
    std::replace(separated.begin(), separated.end(), '/', '\\');
    std::string component;
    std::istringstream components(separated);
    while (std::getline(components, component, '\\')) {
        if (component.empty()) continue;
        std::error_code error;
        std::filesystem::path next = host / component;
        for (const auto& entry : std::filesystem::directory_iterator(host, error)) {
            if (SameName(entry.path().filename().string(), component)) {
                next = entry.path();
                break;
            }
        }
        host = next;
    }
    return host;
}

}  // namespace

TemporaryDevice::TemporaryDevice() {
    char pattern[] = "/tmp/device-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    m_root = made ? std::filesystem::path(made) : std::filesystem::temp_directory_path() / "device-fallback";
    std::filesystem::create_directories(m_root / "fs" / "NAND");
    KeepAudioFake();
    SetDeviceRootDir(m_root);
    ResetThreadConnection();
}

void TemporaryDevice::KeepAudioFake() const {
    const auto conf = m_root / "device.conf";
    if (DeviceConfig::Load(conf).Has("audio")) return;
    std::string text;
    {
        std::ifstream in(conf, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::ofstream out(conf, std::ios::binary | std::ios::app);
    if (!text.empty() && text.back() != '\n') out << '\n';
    out << "audio = fake\n";
}

TemporaryDevice::~TemporaryDevice() {
    if (m_server_pid > 0) {
        ::kill(m_server_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_server_pid, &status, 0);
    }
    KillProgramsOfThisDevice();
    ResetThreadConnection();
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
}

void TemporaryDevice::KillProgramsOfThisDevice() const {
    // A program whose server went away ends by itself; one that hangs on its way out (seen
    // once in a sanitizer's exit) would keep the test runner's output open until it times out.
    const std::string prefix = m_root.string() + "/";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            continue;
        std::error_code link_error;
        const std::string exe = std::filesystem::read_symlink(entry.path() / "exe", link_error).string();
        if (link_error || exe.rfind(prefix, 0) != 0) continue;
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        if (pid != ::getpid()) ::kill(pid, SIGKILL);
    }
}

bool TemporaryDevice::StartServer(std::chrono::milliseconds timeout) {
    // One server per device: a second start while it runs keeps it (a second server could
    // not take the socket, and its pid would stand in for the running one's).
    if (m_server_pid > 0) {
        int status = 0;
        const pid_t ended = ::waitpid(m_server_pid, &status, WNOHANG);
        if (ended == 0) return true;
        if (ended == m_server_pid) m_exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_server_pid = -1;
    }
    // A test may have written device.conf anew since the device was made.
    KeepAudioFake();
    ReloadConfig();
    std::string binary = ServerBinary();
    std::string root = m_root.string();
    std::string root_flag = "--root";
    char* argv[] = {binary.data(), root_flag.data(), root.data(), nullptr};
    // The server ends with the test: a test that dies (a failed sanitizer check aborts it) must
    // not leave a device running that holds the test runner's output open until it times out.
    const pid_t test = ::getpid();
    m_server_pid = ::fork();
    if (m_server_pid < 0) {
        m_server_pid = -1;
        return false;
    }
    if (m_server_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != test) ::_exit(127);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, 1);
        ::execve(binary.c_str(), argv, environ);
        ::_exit(127);
    }
    ResetThreadConnection();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (ServerAvailable()) return true;
        int status = 0;
        if (::waitpid(m_server_pid, &status, WNOHANG) == m_server_pid) {
            m_server_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

bool TemporaryDevice::StopServer(std::chrono::milliseconds timeout) {
    if (m_server_pid <= 0) return false;
    ::kill(m_server_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_server_pid, &status, WNOHANG) == m_server_pid) {
            m_exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            m_server_pid = -1;
            ResetThreadConnection();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

StartedPrograms::~StartedPrograms() {
    for (HANDLE process : m_processes) {
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
}

HANDLE StartedPrograms::Start(const std::string& device_path, const std::string& parameters) {
    HANDLE process = m_device.Start(device_path, parameters);
    if (process) m_processes.push_back(process);
    return process;
}

HWND WaitForWindow(const std::string& title, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (HWND hwnd = FindWindow("", title)) return hwnd;
        if (std::chrono::steady_clock::now() >= deadline) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void* TemporaryDevice::Start(const std::string& device_path, const std::string& parameters) const {
    SHELLEXECUTEINFO info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "Open";
    info.lpFile = device_path;
    info.lpParameters = parameters;
    return ShellExecuteEx(&info) ? info.hProcess : nullptr;
}

bool TemporaryDevice::Install(const std::string& host_binary, const std::string& device_name) {
    std::error_code ec;
    const auto target = m_root / "fs" / "NAND" / device_name;
    std::filesystem::copy_file(host_binary, target, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

bool TemporaryDevice::InstallWithResources(const std::string& host_binary, const std::string& device_name,
                                           const std::filesystem::path& resources) {
    if (!Install(host_binary, device_name)) return false;
    const std::string folder = device_name.substr(0, device_name.rfind('.'));
    std::error_code ec;
    std::filesystem::copy(resources, m_root / "fs" / "NAND" / folder, std::filesystem::copy_options::recursive, ec);
    return !ec;
}

bool TemporaryDevice::InstallAt(const std::string& host_binary, const std::string& device_path) {
    if (device_path.empty() || (device_path[0] != '\\' && device_path[0] != '/')) return false;
    const auto target = HostPathUnder(m_root / "fs", device_path);
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    std::filesystem::copy_file(host_binary, target, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

bool TemporaryDevice::InstallStandIn(StandIn stand_in, const std::string& device_path) {
    const std::string path = device_path.empty() ? StandInPath(stand_in) : device_path;
    return !path.empty() && InstallAt(StandInBinary(stand_in), path);
}

std::string TemporaryDevice::Log(const std::string& program) const {
    std::ifstream in(m_root / "state" / "logs" / (program + ".log"), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> TemporaryDevice::LogLines(const std::string& program) const {
    std::vector<std::string> lines;
    std::istringstream in(Log(program));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool TemporaryDevice::WaitForLog(const std::string& program, const std::string& text,
                                 std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (Log(program).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace platform::testing
