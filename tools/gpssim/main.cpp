// gpssim: a GPS receiver on a pseudo-terminal. It prints the pty's slave path first, then sends
// a synthetic track (or a replayed log) at a serial line's pace, with faults on demand or at a
// rate, answers the program's receiver commands (resets, configuration, queries), logs what it
// sends and what the program writes back, and reports the port mode the program set.
// `gpssim --help` lists everything.
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/gpssim/gpssim_options.h"
#include "tools/gpssim/pty_line.h"
#include "tools/gpssim/replay_file.h"
#include "tools/gpssim/simulator.h"

namespace {

using namespace gpssim;

volatile std::sig_atomic_t g_stop = 0;
void OnStopSignal(int) { g_stop = 1; }

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(std::vector<std::string_view>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        Note(parsed.error + " (gpssim --help lists the options)");
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }

    std::unique_ptr<CycleSource> source;
    if (!options.replay_file.empty()) {
        const auto file = ReadWholeFile(options.replay_file);
        if (!file) {
            Note("cannot read " + options.replay_file);
            return 1;
        }
        auto cycles = GroupReplayCycles(ReadReplayPieces(*file));
        if (cycles.empty()) Note(options.replay_file + " holds nothing to send");
        source = std::make_unique<ReplaySource>(std::move(cycles), options.once);
    } else {
        TrackOptions track;
        track.seed = options.seed;
        track.fix_after_cycles = options.fix_after;
        track.three_d_after_cycles = options.three_d_after;
        track.start = options.start;
        track.ubx = options.ubx ? UbxFrames::Interleaved : UbxFrames::Off;
        source = std::make_unique<TrackSource>(track);
    }

    // SIGINT and SIGTERM are blocked except inside the loop's wait, so it sees them without a race.
    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    ::sigemptyset(&stop.sa_mask);
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t blocked;
    ::sigemptyset(&blocked);
    ::sigaddset(&blocked, SIGINT);
    ::sigaddset(&blocked, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &blocked, nullptr);

    std::string error;
    std::unique_ptr<PtyLine> line = PtyLine::Open(error);
    if (!line) {
        Note(error);
        return 1;
    }
    std::printf("%s\n", line->SlavePath().c_str());
    std::fflush(stdout);

    Simulator simulator(options, *line, std::move(source), g_stop);
    if (!simulator.OpenLogs()) return 1;
    simulator.Run();
    simulator.Summary();
    return 0;
}
