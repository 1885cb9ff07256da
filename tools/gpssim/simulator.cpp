#include "tools/gpssim/simulator.h"

#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sstream>

#include "tools/gpssim/port_mode.h"

namespace gpssim {

namespace {

constexpr std::int64_t kMillisecond = 1'000'000;
constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kPortCheckPeriod = 200 * kMillisecond;
constexpr std::int64_t kHungLineRetry = 250 * kMillisecond;
constexpr std::size_t kMaxCommandLine = 4096;
constexpr int kMaxCatchUpCycles = 1000;
constexpr std::int64_t kTwoDBeforeThreeD = 3 * kSecond;  // after a reset, the 2D fix leads the 3D one

void PrintLine(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string TimingLine(const Piece& piece, std::int64_t now_ns) {
    std::string address(SentenceAddress(piece.bytes));
    std::string text = std::to_string(now_ns) + ' ' + (address.empty() ? "-" : address);
    if (address.size() == 5 && (address.substr(2) == "GGA" || address.substr(2) == "RMC"))
        text += ' ' + std::string(SentenceField(piece.bytes, 1));
    return text + '\n';
}

}  // namespace

std::int64_t MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kSecond + now.tv_nsec;
}

void Note(const std::string& text) { std::fprintf(stderr, "gpssim: %s\n", text.c_str()); }

std::optional<std::vector<Piece>> ReplaySource::Next() {
    if (m_cycles.empty()) return std::nullopt;
    if (m_next == m_cycles.size()) {
        if (m_once) return std::nullopt;
        m_next = 0;
    }
    return m_cycles[m_next++];
}

LogFile::~LogFile() {
    if (m_file) std::fclose(m_file);
}

bool LogFile::Open(const std::string& path) {
    if (path.empty()) return true;
    m_file = std::fopen(path.c_str(), "ab");
    return m_file != nullptr;
}

void LogFile::Write(std::string_view bytes) {
    if (!m_file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), m_file);
    std::fflush(m_file);
}

std::size_t PtySink::Write(std::string_view bytes) {
    const PtyLine::WriteResult result = m_line.Write(bytes);
    if (result.state != m_state) {
        m_state = result.state;
        if (m_state == PtyLine::LineState::Full) Note("nobody reads the line: bytes are dropped");
        if (m_state == PtyLine::LineState::Gone) Note("the line is closed: bytes are dropped");
        if (m_state == PtyLine::LineState::Open) Note("the line takes bytes again");
    }
    return result.accepted;
}

Simulator::Simulator(const Options& options, PtyLine& line, std::unique_ptr<CycleSource> source,
                     const volatile std::sig_atomic_t& stop)
    : m_options(options),
      m_line(line),
      m_sink(line),
      m_source(std::move(source)),
      m_stop(stop),
      m_faults(options.seed, options.fault_percent),
      m_pacer(options.baud, MonotonicNs()),
      m_answers(ReceiverConfig{options.baud, options.failing_vendor_ids, options.rejected_ubx_ids}) {}

bool Simulator::OpenLogs() {
    for (auto [log, path] : {std::pair{&m_sent, &m_options.sent_file}, std::pair{&m_timing, &m_options.timing_file},
                             std::pair{&m_wire, &m_options.wire_file}}) {
        if (!log->Open(*path)) {
            Note("cannot open " + *path);
            return false;
        }
    }
    m_transmitter.on_written = [this](std::string_view bytes) { m_sent.Write(bytes); };
    if (m_timing.Active()) {
        // Stamped right after the write that took the sentence's last byte.
        m_transmitter.on_piece_sent = [this](const Piece& piece) {
            if (piece.kind == PieceKind::Sentence) m_timing.Write(TimingLine(piece, MonotonicNs()));
        };
    }
    return true;
}

void Simulator::ProduceDueCycles(std::int64_t now) {
    int produced = 0;
    while (!m_source_ended && !CycleLimitReached() && now >= m_next_due) {
        std::optional<std::vector<Piece>> cycle = m_source->Next();
        if (!cycle) {
            m_source_ended = true;
            break;
        }
        if (now < m_quiet_until) {
            ++m_cycles_quiet;
        } else if (produced == 0 && !m_transmitter.CycleQueued()) {  // answers alone may wait ahead
            m_faults.Apply(*cycle);
            m_transmitter.Queue(std::move(*cycle));
            ++m_cycles_sent;
        } else {
            ++m_cycles_skipped;  // the line is still busy with the one before
        }
        m_next_due += m_period;
        if (++produced >= kMaxCatchUpCycles) {  // the process was stopped for long: start afresh
            m_next_due = now + m_period;
            break;
        }
    }
}

void Simulator::CheckPort(std::int64_t now, bool always) {
    m_next_port_check = now + kPortCheckPeriod;
    const auto mode = m_line.SlaveMode();
    const std::string port = mode ? "port " + DescribePortMode(*mode) : "port unknown";
    if (!always && port == m_last_port) return;
    // The pty's own speed before any program set one is no mismatch worth a word.
    const int baud = mode ? BaudOfSpeed(cfgetospeed(&*mode)) : 0;
    if (!m_last_port.empty() && port != m_last_port && baud != 0 && baud != m_options.baud)
        Note("the program's port runs at " + std::to_string(baud) + " baud, the receiver sends at " +
             std::to_string(m_options.baud));
    m_last_port = port;
    PrintLine(port);
}

void Simulator::Command(std::string_view line, std::int64_t now) {
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) return;
    std::string error;
    const auto command = ParseControlCommand(line, error);
    if (!command) {
        Note(error);
        return;
    }
    switch (command->kind) {
        case ControlCommand::Kind::Fault:
            m_faults.Request(command->fault, command->count);
            break;
        case ControlCommand::Kind::Quiet:
            m_quiet_until = now + static_cast<std::int64_t>(std::llround(command->seconds * kSecond));
            m_transmitter.DiscardUnstarted();
            break;
        case ControlCommand::Kind::Check:
            CheckPort(now, true);
            break;
        case ControlCommand::Kind::Quit:
            m_quit = true;
            break;
    }
}

void Simulator::ReadStdin(std::int64_t now) {
    char buffer[1024];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (count <= 0) {
        m_stdin_open = false;  // the end of stdin ends the commands, not the receiver
        Command(m_stdin_buffer, now);
        m_stdin_buffer.clear();
        return;
    }
    m_stdin_buffer.append(buffer, static_cast<std::size_t>(count));
    std::size_t newline;
    while ((newline = m_stdin_buffer.find('\n')) != std::string::npos) {
        Command(std::string_view(m_stdin_buffer).substr(0, newline), now);
        m_stdin_buffer.erase(0, newline + 1);
    }
    if (m_stdin_buffer.size() > kMaxCommandLine) {
        Note("a command line too long was dropped");
        m_stdin_buffer.clear();
    }
}

void Simulator::ReadLine(std::int64_t now) {
    char buffer[4096];
    for (;;) {
        const PtyLine::ReadResult result = m_line.Read(buffer, sizeof buffer);
        if (result.state == PtyLine::LineState::Gone) {
            m_line_retry_at = now + kHungLineRetry;  // nobody has the line open: look again later
            return;
        }
        if (result.count == 0) return;
        std::vector<CommandFrame> frames;
        m_reader.Feed(std::string_view(buffer, result.count), frames);
        for (const CommandFrame& frame : frames) {
            ++m_frames_read;
            m_wire.Write(WireLogLine(frame) + '\n');
            Answer(frame, now);
        }
    }
}

void Simulator::Answer(const CommandFrame& frame, std::int64_t now) {
    // A receiver that is restarting, or told to be quiet, takes no commands.
    if (now < m_quiet_until) return;
    ReceiverAnswer answer = m_answers.Handle(frame);
    if (answer.reset) m_transmitter.DiscardUnstarted();
    m_answers_queued += answer.pieces.size();
    m_transmitter.QueueNext(std::move(answer.pieces));
    if (answer.reset) Restart(*answer.reset, now);
}

void Simulator::Restart(const ReceiverReset& reset, std::int64_t now) {
    ++m_resets;
    m_quiet_until = now + static_cast<std::int64_t>(std::llround(m_options.reset_quiet * kSecond));
    // How many of the cycles from the next one due are due before a moment.
    const auto cycles_before = [this](std::int64_t at) -> std::int64_t {
        return at <= m_next_due ? 0 : (at - m_next_due + m_period - 1) / m_period;
    };
    const std::int64_t three_d = now + static_cast<std::int64_t>(std::llround(m_options.ttff * kSecond));
    const std::int64_t two_d = std::max(now, three_d - kTwoDBeforeThreeD);
    if (m_source->RestartFix(cycles_before(two_d), cycles_before(three_d))) {
        m_boot_message = reset.boot_message;
    } else {
        m_boot_message.clear();  // a replayed log only goes quiet
    }
    char text[96];
    std::snprintf(text, sizeof text, "%s reset: quiet for %g s, the 3D fix %g s after it", ResetKindName(reset.kind).data(),
                  m_options.reset_quiet, m_options.ttff);
    Note(text);
}

std::int64_t Simulator::WakeTime(std::int64_t now) const {
    std::int64_t wake = now + kSecond;
    if (!m_source_ended && !CycleLimitReached()) wake = std::min(wake, m_next_due);
    if (!m_transmitter.Idle()) {
        // Small chunks: about 10 ms of the line at a time.
        const std::size_t chunk = std::max<std::size_t>(1, static_cast<std::size_t>(m_options.baud / 1000));
        wake = std::min(wake, m_pacer.ReadyAt(std::min(chunk, m_transmitter.Waiting())));
    }
    if (!m_boot_message.empty()) wake = std::min(wake, m_quiet_until);
    if (m_options.check_port) wake = std::min(wake, m_next_port_check);
    if (m_line_retry_at > now) wake = std::min(wake, m_line_retry_at);
    return std::max(wake, now);
}

void Simulator::Linger() {
    // Ending closes the line, and a terminal that hangs up may drop what its reader has not
    // taken yet: the last cycle would be lost. So the end waits (at most 2 s, as nobody may be
    // reading) until the program has read everything sent and the queue has stayed empty a
    // moment, for bytes still on their way into it.
    const std::int64_t give_up = MonotonicNs() + 2 * kSecond;
    int empty_checks = 0;
    while (empty_checks < 5 && MonotonicNs() < give_up && !m_stop) {
        empty_checks = m_line.Unread() == 0 ? empty_checks + 1 : 0;
        ::usleep(10000);
    }
}

void Simulator::Run() {
    m_period = std::max<std::int64_t>(1, std::llround(kSecond / m_options.rate));
    m_next_due = MonotonicNs();
    if (m_options.check_port) CheckPort(m_next_due, true);

    sigset_t while_waiting;
    ::sigprocmask(SIG_BLOCK, nullptr, &while_waiting);
    ::sigdelset(&while_waiting, SIGINT);
    ::sigdelset(&while_waiting, SIGTERM);

    while (!m_stop && !m_quit) {
        std::int64_t now = MonotonicNs();
        if (!m_boot_message.empty() && now >= m_quiet_until) {
            // The restarted receiver speaks first, ahead of its first cycle.
            m_answers_queued += m_boot_message.size();
            m_transmitter.QueueNext(std::move(m_boot_message));
            m_boot_message.clear();
        }
        ProduceDueCycles(now);
        const std::size_t budget = m_pacer.Take(now, m_transmitter.Waiting());
        m_transmitter.Send(budget, m_sink);
        if (m_options.check_port && now >= m_next_port_check) CheckPort(now, false);
        if (m_transmitter.Idle() && (m_source_ended || CycleLimitReached())) {
            Linger();
            break;
        }

        pollfd fds[2];
        nfds_t count = 0;
        if (m_stdin_open) fds[count++] = {STDIN_FILENO, POLLIN, 0};
        const bool watch_line = now >= m_line_retry_at;
        if (watch_line) fds[count++] = {m_line.MasterDescriptor(), POLLIN, 0};
        const std::int64_t wait = WakeTime(now) - now;
        const timespec timeout{static_cast<time_t>(wait / kSecond), static_cast<long>(wait % kSecond)};
        if (::ppoll(fds, count, &timeout, &while_waiting) <= 0) continue;

        now = MonotonicNs();
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == STDIN_FILENO) {
                ReadStdin(now);
            } else if ((fds[i].revents & POLLIN) != 0) {
                ReadLine(now);
            } else {
                m_line_retry_at = now + kHungLineRetry;  // hung up or in error: no busy loop
            }
        }
    }
}

void Simulator::Summary() const {
    const FaultInjector::Counts& faults = m_faults.Applied();
    std::ostringstream text;
    text << m_cycles_sent << " cycles sent, " << m_cycles_skipped << " skipped while the line was busy, "
         << m_cycles_quiet << " left out while quiet; " << m_transmitter.Lost() << " bytes dropped; faults";
    for (std::size_t i = 0; i < kFaultKinds; ++i) text << ' ' << FaultName(static_cast<FaultKind>(i)) << '=' << faults[i];
    text << "; " << m_frames_read << " frames read from the program, " << m_reader.JunkBytes() << " junk bytes, "
         << m_answers_queued << " answer pieces, " << m_resets << " resets";
    Note(text.str());
}

}  // namespace gpssim
