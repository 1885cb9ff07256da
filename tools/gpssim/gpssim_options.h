// gpssim's command line and the commands it reads on stdin while it runs.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/gpssim/fault_injector.h"
#include "tools/gpssim/utc_time.h"

namespace gpssim {

struct Options {
    std::string replay_file;  // empty: the synthetic track
    bool once = false;
    double rate = 1;  // cycles per second
    std::uint64_t seed = 1;
    int fix_after = 8;
    int three_d_after = 3;
    UtcTime start;
    std::optional<std::uint64_t> cycles;  // nothing: endless
    bool ubx = false;
    int baud = 4800;
    double fault_percent = 0;
    std::string sent_file;
    std::string timing_file;
    std::string wire_file;
    bool check_port = false;
    // How the receiver answers the program's commands.
    double reset_quiet = 1;              // seconds of silence after a reset
    double ttff = 12;                    // seconds from a reset to the first 3D fix
    std::set<int> failing_vendor_ids;    // --fail: vendor sentences that fail
    std::set<int> rejected_ubx_ids;      // --nak: UBX CFG ids answered with ACK-NAK
    bool help = false;
};

struct ParsedOptions {
    Options options;
    std::string error;  // empty when the command line is good
};

ParsedOptions ParseOptions(const std::vector<std::string_view>& arguments);
std::string UsageText();

struct ControlCommand {
    enum class Kind { Fault, Quiet, Check, Quit };
    Kind kind = Kind::Quit;
    FaultKind fault = FaultKind::Bad;
    int count = 0;       // sentences, or cycles for drop-gsv
    double seconds = 0;  // quiet
};

// One line of stdin ("bad 3", "quiet 2.5", "check", "quit"); nothing and a reason when it is not
// a command.
std::optional<ControlCommand> ParseControlCommand(std::string_view line, std::string& error);

}  // namespace gpssim
