// gpssim's loop: cycles from a source at their rate onto the paced line, faults into them, the
// logs of what was sent, what the program writes back and the receiver's answers to it, its port
// mode and the stdin commands.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/gpssim/command_reader.h"
#include "tools/gpssim/fault_injector.h"
#include "tools/gpssim/gpssim_options.h"
#include "tools/gpssim/nmea_track.h"
#include "tools/gpssim/pty_line.h"
#include "tools/gpssim/receiver_answers.h"
#include "tools/gpssim/transmitter.h"

namespace gpssim {

std::int64_t MonotonicNs();
// A line on stderr, "gpssim: " first.
void Note(const std::string& text);

// Where cycles come from: the synthetic track, or the bursts of a replayed file.
class CycleSource {
public:
    virtual ~CycleSource() = default;
    // Nothing when a replay that runs once has reached its end.
    virtual std::optional<std::vector<Piece>> Next() = 0;
    // The receiver was reset: its fix starts again (see NmeaTrack::RestartFix). False when the
    // source has no fix of its own to restart, as a replayed log.
    virtual bool RestartFix(std::int64_t /*cycles_to_2d*/, std::int64_t /*cycles_to_3d*/) { return false; }
};

class TrackSource : public CycleSource {
public:
    explicit TrackSource(const TrackOptions& options) : m_track(options) {}
    std::optional<std::vector<Piece>> Next() override { return m_track.NextCycle(); }
    bool RestartFix(std::int64_t cycles_to_2d, std::int64_t cycles_to_3d) override {
        m_track.RestartFix(cycles_to_2d, cycles_to_3d);
        return true;
    }

private:
    NmeaTrack m_track;
};

class ReplaySource : public CycleSource {
public:
    ReplaySource(std::vector<std::vector<Piece>> cycles, bool once) : m_cycles(std::move(cycles)), m_once(once) {}
    std::optional<std::vector<Piece>> Next() override;

private:
    std::vector<std::vector<Piece>> m_cycles;
    bool m_once;
    std::size_t m_next = 0;
};

// An append-only log, flushed at every write; nothing happens when it was not asked for.
class LogFile {
public:
    LogFile() = default;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile();
    bool Open(const std::string& path);
    void Write(std::string_view bytes);
    bool Active() const { return m_file != nullptr; }

private:
    std::FILE* m_file = nullptr;
};

// The pty as the transmitter's sink; says once on stderr when nobody takes the bytes any more,
// and once when someone does again.
class PtySink : public ByteSink {
public:
    explicit PtySink(PtyLine& line) : m_line(line) {}
    std::size_t Write(std::string_view bytes) override;

private:
    PtyLine& m_line;
    PtyLine::LineState m_state = PtyLine::LineState::Open;
};

class Simulator {
public:
    // `stop` is set by the signal handlers.
    Simulator(const Options& options, PtyLine& line, std::unique_ptr<CycleSource> source,
              const volatile std::sig_atomic_t& stop);

    // False, with a note, when a log file cannot be opened.
    bool OpenLogs();
    // Until a signal, "quit", or the end of the cycles asked for.
    void Run();
    // Counts of what happened, on stderr.
    void Summary() const;

private:
    // Waits, before the end, for the program to read what was sent.
    void Linger();
    bool CycleLimitReached() const { return m_options.cycles && m_cycles_sent >= *m_options.cycles; }
    void ProduceDueCycles(std::int64_t now);
    void CheckPort(std::int64_t now, bool always);
    void ReadStdin(std::int64_t now);
    void Command(std::string_view line, std::int64_t now);
    void ReadLine(std::int64_t now);
    void Answer(const CommandFrame& frame, std::int64_t now);
    void Restart(const ReceiverReset& reset, std::int64_t now);
    std::int64_t WakeTime(std::int64_t now) const;

    const Options& m_options;
    PtyLine& m_line;
    PtySink m_sink;
    std::unique_ptr<CycleSource> m_source;
    const volatile std::sig_atomic_t& m_stop;
    FaultInjector m_faults;
    Pacer m_pacer;
    Transmitter m_transmitter;
    CommandReader m_reader;
    ReceiverAnswers m_answers;
    LogFile m_sent;
    LogFile m_timing;
    LogFile m_wire;

    std::int64_t m_period = 0;
    std::int64_t m_next_due = 0;
    std::int64_t m_quiet_until = 0;
    std::int64_t m_next_port_check = 0;
    std::int64_t m_line_retry_at = 0;
    std::vector<Piece> m_boot_message;  // sent when a reset's quiet ends
    std::string m_last_port;
    std::string m_stdin_buffer;
    bool m_stdin_open = true;
    bool m_source_ended = false;
    bool m_quit = false;
    std::uint64_t m_cycles_sent = 0;
    std::uint64_t m_cycles_skipped = 0;
    std::uint64_t m_cycles_quiet = 0;
    std::uint64_t m_frames_read = 0;
    std::uint64_t m_answers_queued = 0;
    std::uint64_t m_resets = 0;
};

}  // namespace gpssim
