#include "tools/deviceweb/tests/headless_browser.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <utility>

extern char** environ;

namespace deviceweb::testing {

namespace {

using namespace std::chrono_literals;
using nlohmann::json;

constexpr const char* kChromium = "/usr/bin/chromium";
constexpr auto kStartTime = 20s;
constexpr auto kCloseTime = 3s;   // for the browser to answer Browser.close
constexpr auto kExitTime = 5s;    // for it to exit once asked or once its pipes are closed
constexpr std::size_t kMaxKeptEvents = 1000;

// Milliseconds left until the deadline, for poll(): rounded up, never negative.
int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= 0ms)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

std::string Shortened(const std::string& text, std::size_t limit = 80) {
    return text.size() <= limit ? text : text.substr(0, limit) + "...";
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string DescribeExit(const siginfo_t& exit) {
    if (exit.si_code == CLD_EXITED)
        return "exited with status " + std::to_string(exit.si_status);
    return "was killed by signal " + std::to_string(exit.si_status) + " (" + strsignal(exit.si_status) + ")";
}

// A write that cannot raise SIGPIPE in the test process when the browser has closed its end:
// SIGPIPE is blocked around the write, and the one the write raises is taken before unblocking.
// The process-wide disposition of SIGPIPE stays whatever the test program chose.
ssize_t WriteWithoutSigpipe(int fd, const char* data, std::size_t size) {
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    sigset_t old_mask;
    pthread_sigmask(SIG_BLOCK, &pipe_signal, &old_mask);
    sigset_t pending;
    sigpending(&pending);
    const bool was_pending = sigismember(&pending, SIGPIPE) == 1;
    const ssize_t written = write(fd, data, size);
    const int saved_errno = errno;
    if (written < 0 && saved_errno == EPIPE && !was_pending) {
        const timespec no_wait{};
        sigtimedwait(&pipe_signal, nullptr, &no_wait);
    }
    pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
    errno = saved_errno;
    return written;
}

// A descriptor closed when it goes out of scope, unless released.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }
    void Reset(int fd = -1) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Moves a close-on-exec descriptor to a number above 4, so that placing the child's ends of the
// pipes at 3 and 4 cannot overwrite one another.
bool LiftAboveProtocolFds(Descriptor& fd) {
    const int high = fcntl(fd.Get(), F_DUPFD_CLOEXEC, 10);
    if (high < 0)
        return false;
    fd.Reset(high);
    return true;
}

struct KeyDefinition {
    std::string code;
    int key_code = 0;  // Windows virtual key code, which is what the page sees as keyCode
    std::string text;  // what the key types; empty for keys that type nothing
};

std::optional<KeyDefinition> DefineKey(const std::string& key) {
    if (key.size() == 1) {
        const char c = key[0];
        if (c >= '0' && c <= '9')
            return KeyDefinition{std::string("Digit") + c, c, key};
        if (c >= 'a' && c <= 'z') {
            const char upper = static_cast<char>(c - 'a' + 'A');
            return KeyDefinition{std::string("Key") + upper, upper, key};
        }
        if (c == ' ')
            return KeyDefinition{"Space", 32, " "};
        return std::nullopt;
    }
    static const std::pair<const char*, KeyDefinition> kNamed[] = {
        {"Enter", {"Enter", 13, "\r"}},        {"Tab", {"Tab", 9, ""}},
        {"Escape", {"Escape", 27, ""}},        {"Backspace", {"Backspace", 8, ""}},
        {"Delete", {"Delete", 46, ""}},        {"Home", {"Home", 36, ""}},
        {"End", {"End", 35, ""}},              {"PageUp", {"PageUp", 33, ""}},
        {"PageDown", {"PageDown", 34, ""}},    {"ArrowLeft", {"ArrowLeft", 37, ""}},
        {"ArrowUp", {"ArrowUp", 38, ""}},      {"ArrowRight", {"ArrowRight", 39, ""}},
        {"ArrowDown", {"ArrowDown", 40, ""}},
    };
    for (const auto& [name, definition] : kNamed)
        if (key == name)
            return definition;
    return std::nullopt;
}

bool IsReplyTo(const json& message, std::int64_t id) {
    const auto found = message.find("id");
    return found != message.end() && found->is_number_integer() && found->get<std::int64_t>() == id;
}

// JavaScript truthiness of a value returned by Runtime.evaluate.
bool Truthy(const json& remote) {
    const std::string type = remote.value("type", "undefined");
    if (type == "undefined" || (type == "object" && remote.value("subtype", "") == "null"))
        return false;
    if (const auto special = remote.find("unserializableValue"); special != remote.end() && special->is_string()) {
        const auto text = special->get<std::string>();
        return text != "NaN" && text != "-0" && text != "0n" && text != "-0n";
    }
    const auto value = remote.find("value");
    if (value == remote.end() || value->is_null())
        return type == "object" || type == "function" || type == "symbol";
    if (value->is_boolean())
        return value->get<bool>();
    if (value->is_number())
        return value->get<double>() != 0.0;
    if (value->is_string())
        return !value->get<std::string>().empty();
    return true;
}

}  // namespace

std::string HeadlessBrowser::Unavailable() {
    // Starting a browser takes a second or two; every test asks, so the answer is kept.
    static const std::string reason = [] {
        if (access(kChromium, X_OK) != 0)
            return SystemError(std::string("no usable browser at ") + kChromium);
        HeadlessBrowser probe(64, 64);
        if (!probe.Started())
            return "the browser does not start: " + probe.Error();
        return std::string();
    }();
    return reason;
}

HeadlessBrowser::HeadlessBrowser(int width, int height) {
    m_started = Start(width, height);
    if (!m_started) {
        const std::string error = m_error;
        Stop();
        m_error = error;
    }
}

HeadlessBrowser::~HeadlessBrowser() {
    Stop();
}

bool HeadlessBrowser::Start(int width, int height) {
    if (width <= 0 || height <= 0)
        return Fail("bad window size " + std::to_string(width) + "x" + std::to_string(height));
    if (access(kChromium, X_OK) != 0)
        return Fail(SystemError(std::string("no usable browser at ") + kChromium));

    std::error_code error;
    const auto temp_base = std::filesystem::temp_directory_path(error);
    std::string temp_dir = ((error ? std::filesystem::path("/tmp") : temp_base) / "deviceweb-chromium-XXXXXX").string();
    if (!mkdtemp(temp_dir.data()))
        return Fail(SystemError("cannot create a directory for the browser profile"));
    m_temp_dir = temp_dir;
    const std::string log_path = (m_temp_dir / "chromium.log").string();

    // Commands go down one pipe, replies and events come back on the other. Our ends are
    // close-on-exec, so only the child's two ends reach the browser, and only at 3 and 4.
    int command_pipe[2];
    int reply_pipe[2];
    if (pipe2(command_pipe, O_CLOEXEC) != 0)
        return Fail(SystemError("pipe"));
    Descriptor command_read(command_pipe[0]);
    Descriptor command_write(command_pipe[1]);
    if (pipe2(reply_pipe, O_CLOEXEC) != 0)
        return Fail(SystemError("pipe"));
    Descriptor reply_read(reply_pipe[0]);
    Descriptor reply_write(reply_pipe[1]);
    for (Descriptor* fd : {&command_read, &command_write, &reply_read, &reply_write})
        if (!LiftAboveProtocolFds(*fd))
            return Fail(SystemError("fcntl"));

    std::vector<std::string> arguments = {
        kChromium,
        "--headless=new",
        "--disable-gpu",
        "--remote-debugging-pipe",
        "--user-data-dir=" + (m_temp_dir / "profile").string(),
        "--no-first-run",
        "--no-default-browser-check",
        "--hide-scrollbars",
        "--force-device-scale-factor=1",
        "--force-color-profile=srgb",  // screenshots carry the page's own colours
        "--window-size=" + std::to_string(width) + "," + std::to_string(height),
        "--mute-audio",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
    };
    // Chromium refuses to run as root with its sandbox on.
    if (geteuid() == 0)
        arguments.insert(arguments.begin() + 1, "--no-sandbox");
    arguments.push_back("about:blank");
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_adddup2(&actions, command_read.Get(), 3);
    posix_spawn_file_actions_adddup2(&actions, reply_write.Get(), 4);
    // Descriptors the test program left inheritable stay out of the browser.
    posix_spawn_file_actions_addclosefrom_np(&actions, 5);

    // The browser leads a process group of its own, so that its helper processes can be ended
    // with it; it starts with default signal handling and nothing blocked.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);

    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, kChromium, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return Fail(std::string("cannot start ") + kChromium + ": " + std::strerror(spawned));
    m_pid = pid;
    command_read.Reset();
    reply_write.Reset();
    m_to_browser = command_write.Release();
    m_from_browser = reply_read.Release();
    for (int fd : {m_to_browser, m_from_browser})
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

    if (Attach(width, height, Clock::now() + kStartTime))
        return true;
    // A browser that is gone has put its log in the error already; one that hangs has not.
    if (!m_gone) {
        const auto log = LogTail();
        if (!log.empty())
            m_error += "; the browser's log ends with:\n" + log;
    }
    return false;
}

bool HeadlessBrowser::Attach(int width, int height, Clock::time_point deadline) {
    // A page of our own, reached through a session on the same pipe.
    const auto target = CommandUntil("Target.createTarget", {{"url", "about:blank"}}, deadline, false);
    if (!target)
        return false;
    const auto target_id = target->value("targetId", "");
    const auto attached =
        CommandUntil("Target.attachToTarget", {{"targetId", target_id}, {"flatten", true}}, deadline, false);
    if (!attached)
        return false;
    m_session = attached->value("sessionId", "");
    if (m_session.empty())
        return Fail("Target.attachToTarget gave no session");
    // --window-size sizes the window, and headless Chromium still takes room in it for the browser's
    // own bars: the page's viewport is set to the size asked for here.
    const json metrics = {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}};
    return CommandUntil("Emulation.setDeviceMetricsOverride", metrics, deadline, true) &&
           CommandUntil("Page.enable", json::object(), deadline, true) &&
           CommandUntil("Runtime.enable", json::object(), deadline, true);
}

void HeadlessBrowser::Stop() {
    const std::string error = m_error;
    if (m_pid > 0 && !m_exited && m_started && !m_gone) {
        // Asked to close, the browser ends its helper processes and lets go of the profile itself.
        const auto deadline = Clock::now() + kCloseTime;
        const std::int64_t id = m_next_id++;
        if (Send({{"id", id}, {"method", "Browser.close"}, {"params", json::object()}}, deadline)) {
            while (auto message = Receive(deadline)) {
                if (IsReplyTo(*message, id))
                    break;
            }
        }
    }
    // With its pipes closed, the browser quits too.
    for (int* fd : {&m_to_browser, &m_from_browser}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    if (m_pid > 0) {
        if (!WaitExit(Clock::now() + (m_started ? kExitTime : 0s)))
            kill(m_pid, SIGKILL);
        if (!m_lost) {
            // Helper processes still in the browser's group go with it. The browser is not reaped
            // yet, so the group's id cannot have passed to anyone else.
            kill(-m_pid, SIGKILL);
            while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        m_pid = -1;
    }
    if (!m_temp_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_temp_dir, ignored);
    }
    m_error = error;
}

bool HeadlessBrowser::Navigate(const std::string& url, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    // The load event can come before the reply to Page.navigate, so events are kept while waiting
    // for it; one of an earlier load, kept or still unread in the pipe, must not count for this one.
    while (auto message = Receive(Clock::now()))
        if (!message->contains("id"))
            KeepEvent(std::move(*message));
    DropEvents("Page.loadEventFired");
    const auto result = CommandUntil("Page.navigate", {{"url", url}}, deadline, true);
    if (!result)
        return false;
    if (const auto failure = result->value("errorText", ""); !failure.empty())
        return Fail("cannot load " + url + ": " + failure);
    // A move within the same document (a new #fragment) has no loader and no load event.
    if (!result->contains("loaderId"))
        return true;
    if (WaitEvent("Page.loadEventFired", deadline))
        return true;
    if (!m_gone)
        m_error = url + " did not finish loading within " + std::to_string(timeout.count()) + " ms";
    return false;
}

std::optional<nlohmann::json> HeadlessBrowser::Evaluate(const std::string& expression,
                                                        std::chrono::milliseconds timeout) {
    const auto remote = EvaluateRemote(expression, Clock::now() + timeout);
    if (!remote)
        return std::nullopt;
    if (const auto value = remote->find("value"); value != remote->end())
        return *value;
    // NaN, Infinity, -0 and BigInts have no JSON form: they come as their JavaScript text.
    if (const auto special = remote->find("unserializableValue"); special != remote->end())
        return *special;
    return json(nullptr);
}

std::optional<nlohmann::json> HeadlessBrowser::EvaluateRemote(const std::string& expression,
                                                              Clock::time_point deadline) {
    const json params = {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true},
                         {"userGesture", true}};
    const auto result = CommandUntil("Runtime.evaluate", params, deadline, true);
    if (!result)
        return std::nullopt;
    if (const auto details = result->find("exceptionDetails"); details != result->end()) {
        std::string text = details->value("text", "an exception");
        if (const auto exception = details->find("exception"); exception != details->end())
            text = exception->value("description", text);
        Fail("script \"" + Shortened(expression) + "\" threw " + text);
        return std::nullopt;
    }
    const auto remote = result->find("result");
    if (remote == result->end() || !remote->is_object()) {
        Fail("Runtime.evaluate gave no result");
        return std::nullopt;
    }
    return *remote;
}

bool HeadlessBrowser::WaitFor(const std::string& expression, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string last_error;
    for (;;) {
        const auto remote = EvaluateRemote(expression, deadline);
        if (remote && Truthy(*remote))
            return true;
        if (!remote) {
            // A script that throws may just be early (its element is not there yet): poll on.
            if (m_gone)
                return false;
            last_error = m_error;
        }
        if (Clock::now() + 20ms >= deadline)
            break;
        std::this_thread::sleep_for(20ms);
    }
    return Fail("\"" + Shortened(expression) + "\" was not true within " + std::to_string(timeout.count()) + " ms" +
                (last_error.empty() ? "" : " (last: " + last_error + ")"));
}

bool HeadlessBrowser::Mouse(const std::string& type, double x, double y) {
    json params = {{"type", type}, {"x", x}, {"y", y}, {"modifiers", 0}};
    bool button_down = m_button_down;
    if (type == "mousePressed" || type == "mouseReleased") {
        button_down = type == "mousePressed";
        params["button"] = "left";
        params["buttons"] = button_down ? 1 : 0;
        params["clickCount"] = 1;
    } else if (type == "mouseMoved") {
        // A move with the button held is a drag.
        params["button"] = m_button_down ? "left" : "none";
        params["buttons"] = m_button_down ? 1 : 0;
    } else {
        return Fail("unknown mouse event type \"" + type + "\"");
    }
    if (!Command("Input.dispatchMouseEvent", params))
        return false;
    m_button_down = button_down;
    return true;
}

bool HeadlessBrowser::Click(double x, double y) {
    return Mouse("mouseMoved", x, y) && Mouse("mousePressed", x, y) && Mouse("mouseReleased", x, y);
}

bool HeadlessBrowser::Key(const std::string& key) {
    const auto definition = DefineKey(key);
    if (!definition)
        return Fail("unknown key \"" + key + "\"");
    json down = {{"type", definition->text.empty() ? "rawKeyDown" : "keyDown"},
                 {"key", key},
                 {"code", definition->code},
                 {"windowsVirtualKeyCode", definition->key_code},
                 {"nativeVirtualKeyCode", definition->key_code}};
    if (!definition->text.empty()) {
        down["text"] = definition->text;
        down["unmodifiedText"] = definition->text;
    }
    const json up = {{"type", "keyUp"},
                     {"key", key},
                     {"code", definition->code},
                     {"windowsVirtualKeyCode", definition->key_code},
                     {"nativeVirtualKeyCode", definition->key_code}};
    return Command("Input.dispatchKeyEvent", down) && Command("Input.dispatchKeyEvent", up);
}

std::optional<std::vector<std::uint8_t>> HeadlessBrowser::Screenshot() {
    const auto result = Command("Page.captureScreenshot", {{"format", "png"}}, 15s);
    if (!result)
        return std::nullopt;
    const auto data = result->find("data");
    if (data == result->end() || !data->is_string()) {
        Fail("Page.captureScreenshot gave no data");
        return std::nullopt;
    }
    auto png = DecodeBase64(data->get_ref<const std::string&>());
    if (!png || png->empty()) {
        Fail("Page.captureScreenshot gave data that is not base64");
        return std::nullopt;
    }
    return png;
}

std::optional<nlohmann::json> HeadlessBrowser::Command(const std::string& method, nlohmann::json params,
                                                       std::chrono::milliseconds timeout, bool on_page) {
    return CommandUntil(method, std::move(params), Clock::now() + timeout, on_page);
}

std::optional<nlohmann::json> HeadlessBrowser::CommandUntil(const std::string& method, nlohmann::json params,
                                                            Clock::time_point deadline, bool on_page) {
    if (m_gone) {
        Fail(method + ": " + m_gone_reason);
        return std::nullopt;
    }
    if (m_to_browser < 0) {
        Fail(method + ": the browser is not running");
        return std::nullopt;
    }
    if (on_page && m_session.empty()) {
        Fail(method + ": no page is attached");
        return std::nullopt;
    }
    const auto sent_at = Clock::now();
    const std::int64_t id = m_next_id++;
    json message = {{"id", id}, {"method", method}, {"params", params.is_null() ? json::object() : std::move(params)}};
    if (on_page)
        message["sessionId"] = m_session;
    if (!Send(message, deadline)) {
        m_error = method + ": " + m_error;
        return std::nullopt;
    }
    while (auto reply = Receive(deadline)) {
        if (!reply->contains("id")) {
            KeepEvent(std::move(*reply));
            continue;
        }
        // Replies to commands that timed out earlier arrive late and are dropped.
        if (!IsReplyTo(*reply, id))
            continue;
        if (const auto failure = reply->find("error"); failure != reply->end()) {
            Fail(method + " failed: " + failure->value("message", failure->dump()));
            return std::nullopt;
        }
        const auto result = reply->find("result");
        return result != reply->end() ? *result : json::object();
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent_at);
    Fail(method + ": " + (m_gone ? m_gone_reason : "no reply within " + std::to_string(waited.count()) + " ms"));
    return std::nullopt;
}

bool HeadlessBrowser::Send(const nlohmann::json& message, Clock::time_point deadline) {
    // Text the page gave that is not valid UTF-8 is replaced rather than thrown over.
    std::string text = message.dump(-1, ' ', false, json::error_handler_t::replace);
    text.push_back('\0');
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t written = WriteWithoutSigpipe(m_to_browser, text.data() + sent, text.size() - sent);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN) {
            pollfd ready{m_to_browser, POLLOUT, 0};
            const int polled = poll(&ready, 1, RemainingMs(deadline));
            if (polled < 0 && errno != EINTR) {
                BrowserGone(SystemError("poll"));
                return Fail(m_gone_reason);
            }
            // Half a message on the pipe would garble every later one: the connection is lost.
            if (polled == 0) {
                BrowserGone("the browser stopped reading commands");
                return Fail(m_gone_reason);
            }
            continue;
        }
        BrowserGone(written < 0 && errno == EPIPE ? "the browser closed its command pipe" : SystemError("write"));
        return Fail(m_gone_reason);
    }
    return true;
}

std::optional<nlohmann::json> HeadlessBrowser::Receive(Clock::time_point deadline) {
    for (;;) {
        const auto end = m_input.find('\0', m_scanned);
        if (end != std::string::npos) {
            auto message = json::parse(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(end), nullptr,
                                       false);
            m_input.erase(0, end + 1);
            m_scanned = 0;
            if (message.is_discarded() || !message.is_object())
                continue;  // not a protocol message; nothing can answer to it
            return message;
        }
        m_scanned = m_input.size();
        if (m_gone || m_from_browser < 0)
            return std::nullopt;
        pollfd ready{m_from_browser, POLLIN, 0};
        const int polled = poll(&ready, 1, RemainingMs(deadline));
        if (polled < 0) {
            if (errno == EINTR)
                continue;
            BrowserGone(SystemError("poll"));
            return std::nullopt;
        }
        if (polled == 0) {
            if (Clock::now() >= deadline)
                return std::nullopt;
            continue;
        }
        char buffer[65536];
        const ssize_t count = read(m_from_browser, buffer, sizeof buffer);
        if (count > 0) {
            m_input.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            BrowserGone("the browser closed its reply pipe");
        } else if (errno != EINTR && errno != EAGAIN) {
            BrowserGone(SystemError("read"));
        }
    }
}

void HeadlessBrowser::KeepEvent(nlohmann::json event) {
    if (event.value("sessionId", "") != m_session || m_session.empty())
        return;
    if (m_events.size() >= kMaxKeptEvents)
        m_events.pop_front();
    m_events.push_back(std::move(event));
}

bool HeadlessBrowser::WaitEvent(const std::string& method, Clock::time_point deadline) {
    const auto kept = std::find_if(m_events.begin(), m_events.end(),
                                   [&](const json& event) { return event.value("method", "") == method; });
    if (kept != m_events.end()) {
        m_events.erase(kept);
        return true;
    }
    while (auto message = Receive(deadline)) {
        if (message->contains("id"))
            continue;  // a late reply
        if (message->value("method", "") == method && message->value("sessionId", "") == m_session)
            return true;
        KeepEvent(std::move(*message));
    }
    return false;
}

void HeadlessBrowser::DropEvents(const std::string& method) {
    std::erase_if(m_events, [&](const json& event) { return event.value("method", "") == method; });
}

void HeadlessBrowser::BrowserGone(const std::string& what) {
    if (m_gone)
        return;
    m_gone = true;
    std::string reason = what;
    // A closed pipe usually means the browser is on its way out: its exit status tells more.
    if (WaitExit(Clock::now() + 1s) && !m_exit.empty())
        reason += "; it " + m_exit;
    const auto log = LogTail();
    if (!log.empty())
        reason += "; its log ends with:\n" + log;
    m_gone_reason = reason;
    m_error = reason;
}

bool HeadlessBrowser::WaitExit(Clock::time_point deadline) {
    for (;;) {
        if (m_exited)
            return true;
        // WNOWAIT leaves the browser unreaped, which keeps its process group id ours until Stop().
        siginfo_t exit{};
        const int result = waitid(P_PID, static_cast<id_t>(m_pid), &exit, WEXITED | WNOHANG | WNOWAIT);
        if (result == 0 && exit.si_pid == m_pid) {
            m_exited = true;
            m_exit = DescribeExit(exit);
            return true;
        }
        if (result < 0 && errno == ECHILD) {
            // Reaped by the test program (SIGCHLD ignored, or a handler of its own): nothing to wait for.
            m_exited = true;
            m_lost = true;
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
}

std::string HeadlessBrowser::LogTail() const {
    if (m_temp_dir.empty())
        return "";
    std::ifstream log(m_temp_dir / "chromium.log", std::ios::binary);
    if (!log)
        return "";
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    constexpr std::size_t kTail = 2000;
    if (text.size() <= kTail)
        return text;
    std::string tail = text.substr(text.size() - kTail);
    // Start at a whole line.
    if (const auto line = tail.find('\n'); line != std::string::npos)
        tail.erase(0, line + 1);
    return tail;
}

bool HeadlessBrowser::Fail(std::string error) {
    m_error = std::move(error);
    return false;
}

std::optional<std::vector<std::uint8_t>> HeadlessBrowser::DecodeBase64(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3 + 3);
    std::uint32_t bits = 0;
    int bit_count = 0;
    std::size_t digits = 0;
    std::size_t padding = 0;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        int value = -1;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '+')
            value = 62;
        else if (c == '/')
            value = 63;
        // Anything else, and digits after padding, is not base64.
        if (value < 0 || padding > 0)
            return std::nullopt;
        ++digits;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        bit_count += 6;
        if (bit_count >= 8) {
            bit_count -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> bit_count));
            bits &= (1u << bit_count) - 1;
        }
    }
    // A single digit left over holds only six bits of a byte; padding only completes a group.
    if (digits % 4 == 1 || padding > 2 || (padding > 0 && (digits + padding) % 4 != 0))
        return std::nullopt;
    return bytes;
}

}  // namespace deviceweb::testing
