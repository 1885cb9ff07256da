#include "tools/gpssim/gpssim_options.h"

#include <charconv>
#include <cmath>

namespace gpssim {

namespace {

constexpr double kMaxRate = 100;
constexpr int kMaxBaud = 4000000;
constexpr int kMaxFaultCount = 1000000;
constexpr double kMaxQuietSeconds = 86400;
constexpr double kMaxResetQuiet = 60;
constexpr double kMaxTtff = 3600;
constexpr int kMaxVendorId = 99;
constexpr int kMaxUbxId = 255;

template <class Number>
bool ReadNumber(std::string_view text, Number& out) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// A message id in decimal ("36") or hexadecimal ("0x24").
bool ReadId(std::string_view text, int& out) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, 16);
        return error == std::errc() && end == text.data() + text.size();
    }
    return ReadNumber(text, out);
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string_view>& arguments) {
    ParsedOptions parsed;
    Options& o = parsed.options;
    for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        const std::string_view name = arguments[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= arguments.size()) {
                parsed.error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            return arguments[++i];
        };
        auto bad = [&](std::string_view what) { parsed.error = std::string(name) + ": " + std::string(what); };
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--once") {
            o.once = true;
        } else if (name == "--ubx") {
            o.ubx = true;
        } else if (name == "--check-port") {
            o.check_port = true;
        } else if (name == "--replay" || name == "--sent" || name == "--timing" || name == "--wire") {
            const auto text = value();
            if (!text) break;
            if (text->empty()) bad("needs a file name");
            std::string& target = name == "--replay" ? o.replay_file : name == "--sent" ? o.sent_file
                                : name == "--timing" ? o.timing_file : o.wire_file;
            target = *text;
        } else if (name == "--rate") {
            const auto text = value();
            if (!text) break;
            double rate = 0;
            if (!ReadNumber(*text, rate) || !std::isfinite(rate) || rate <= 0 || rate > kMaxRate)
                bad("cycles per second above 0, at most 100");
            o.rate = rate;
        } else if (name == "--seed") {
            const auto text = value();
            if (!text) break;
            if (!ReadNumber(*text, o.seed)) bad("a whole number of 0 or more");
        } else if (name == "--fix-after" || name == "--3d-after") {
            const auto text = value();
            if (!text) break;
            int cycles = 0;
            if (!ReadNumber(*text, cycles) || cycles < 0) bad("a number of cycles, 0 or more");
            (name == "--fix-after" ? o.fix_after : o.three_d_after) = cycles;
        } else if (name == "--cycles") {
            const auto text = value();
            if (!text) break;
            std::uint64_t cycles = 0;
            if (!ReadNumber(*text, cycles)) bad("a number of cycles, 0 or more");
            o.cycles = cycles;
        } else if (name == "--start") {
            const auto text = value();
            if (!text) break;
            const auto start = ParseUtcTime(*text);
            if (!start) bad("YYYY-MM-DDTHH:MM:SS, a UTC time between 2000 and 2099");
            else o.start = *start;
        } else if (name == "--baud") {
            const auto text = value();
            if (!text) break;
            if (!ReadNumber(*text, o.baud) || o.baud < 50 || o.baud > kMaxBaud) bad("a baud rate from 50 to 4000000");
        } else if (name == "--faults") {
            const auto text = value();
            if (!text) break;
            if (!ReadNumber(*text, o.fault_percent) || !std::isfinite(o.fault_percent) || o.fault_percent < 0 ||
                o.fault_percent > 100)
                bad("a percentage from 0 to 100");
        } else if (name == "--reset-quiet" || name == "--ttff") {
            const auto text = value();
            if (!text) break;
            const bool quiet = name == "--reset-quiet";
            const double most = quiet ? kMaxResetQuiet : kMaxTtff;
            double seconds = 0;
            if (!ReadNumber(*text, seconds) || !std::isfinite(seconds) || seconds < 0 || seconds > most)
                bad(quiet ? "seconds from 0 to 60" : "seconds from 0 to 3600");
            (quiet ? o.reset_quiet : o.ttff) = seconds;
        } else if (name == "--fail") {
            const auto text = value();
            if (!text) break;
            int id = 0;
            if (!ReadNumber(*text, id) || id < 0 || id > kMaxVendorId) bad("a vendor command id from 0 to 99");
            o.failing_vendor_ids.insert(id);
        } else if (name == "--nak") {
            const auto text = value();
            if (!text) break;
            int id = 0;
            if (!ReadId(*text, id) || id < 0 || id > kMaxUbxId) bad("a UBX message id from 0 to 255 (36 or 0x24)");
            o.rejected_ubx_ids.insert(id);
        } else {
            parsed.error = "unknown option " + std::string(name);
        }
    }
    if (parsed.error.empty() && o.once && o.replay_file.empty()) parsed.error = "--once goes with --replay";
    return parsed;
}

std::string UsageText() {
    return R"(usage: gpssim [options]
A GPS receiver on a pseudo-terminal. The first line on stdout is the path of the pty's slave
side: give it to the program as its serial port. Everything else goes to stderr, except the
port lines of --check-port and "check".

What is sent:
  (default)          a synthetic track: each cycle GPGGA, GPGSA, GPGSV (1..3), GPRMC, GPVTG;
                     satellites rise and set, the fix goes none -> 2D -> 3D, the car drives
                     a loop near Seoul, UTC advances one second per cycle
  --rate N           cycles per second (default 1; fractions allowed, at most 100)
  --seed N           seed of the track and of the faults (default 1)
  --fix-after N      cycles without a fix before the 2D fix (default 8)
  --3d-after N       cycles of 2D fix before the 3D fix (default 3)
  --start TIME       UTC of the first cycle, YYYY-MM-DDTHH:MM:SS (default 2024-03-15T02:30:00)
  --cycles N         stop after sending N cycles (default: endless)
  --ubx              interleave UBX frames: NAV-POSLLH after each GGA, and every fourth
                     cycle an ACK-ACK whose payload holds the byte '$'
  --replay FILE      send FILE's lines instead, in a loop: LF endings become CR LF, lines
                     starting with '#' and empty lines are dropped, UBX frames (0xB5 0x62 ...)
                     pass unchanged; a new one-second cycle starts at each sentence with the
                     address of the file's first sentence
  --once             with --replay: stop at the file's end

How it is sent:
  --baud B           pace the bytes at B baud, B/10 bytes per second (default 4800); when a
                     cycle is still going out as the next one is due, that one is skipped
  --faults P         put a fault into P percent of the sentences (kind chosen at random)

Logs:
  --sent FILE        append every byte written to the pty, verbatim
  --timing FILE      append one line per sentence sent: CLOCK_MONOTONIC nanoseconds when its
                     last byte was written, its address and, for GGA and RMC, its time field
  --wire FILE        append one line per frame the program wrote to the receiver: kind (nmea,
                     ubx, cmd), ok or bad (checksum), the bytes in hexadecimal, then " | " and
                     the frame decoded
  --check-port       print "port <baud> <bits><parity><stop> raw" (or the translating settings
                     that are on) at the start and whenever the program changes its port mode

How it answers the program's commands (SiRF $PSRF101 resets and $VORL999 vendor sentences
22, 31, 73; UBX CFG-RST, -RXM, -SBAS, -NAV5 with ACK-ACK; PTC "$CMD" resets and queries):
  --reset-quiet S    after a reset, send nothing and take no command for S seconds (default 1,
                     at most 60), then the version text (SiRF, PTC) and cycles whose fix
                     starts again
  --ttff S           the first 3D fix comes in the first cycle due S seconds or more after the
                     reset arrived (default 12, at most 3600); the 2D fix 3 seconds before
  --fail ID          answer vendor sentence ID with status 01, failed (repeatable)
  --nak ID           answer UBX CFG message ID (36 or 0x24) with ACK-NAK (repeatable)

Commands on stdin, one per line:
  bad N              the next N sentences with a wrong checksum
  lower N            the next N sentences with lower-case checksum letters (value right)
  cut N              the next N sentences cut off in the middle
  noise N            the next N sentences with a stray byte after the checksum and noise after
  drop-gsv N         the next N cycles with one GSV message left out
  quiet S            send nothing for S seconds
  check              print the port line now
  quit               end (so do SIGINT and SIGTERM; the end of stdin only stops these commands)
)";
}

std::optional<ControlCommand> ParseControlCommand(std::string_view line, std::string& error) {
    line = Trim(line);
    const std::size_t space = line.find_first_of(" \t");
    const std::string_view word = line.substr(0, space);
    const std::string_view argument = space == std::string_view::npos ? std::string_view() : Trim(line.substr(space));
    ControlCommand command;
    if (word == "quit" || word == "check") {
        if (!argument.empty()) {
            error = std::string(word) + " takes no argument";
            return std::nullopt;
        }
        command.kind = word == "quit" ? ControlCommand::Kind::Quit : ControlCommand::Kind::Check;
        return command;
    }
    if (word == "quiet") {
        command.kind = ControlCommand::Kind::Quiet;
        if (!ReadNumber(argument, command.seconds) || !std::isfinite(command.seconds) || command.seconds < 0 ||
            command.seconds > kMaxQuietSeconds) {
            error = "quiet needs a number of seconds";
            return std::nullopt;
        }
        return command;
    }
    if (const auto fault = FaultFromName(word)) {
        command.kind = ControlCommand::Kind::Fault;
        command.fault = *fault;
        if (!ReadNumber(argument, command.count) || command.count < 1 || command.count > kMaxFaultCount) {
            error = std::string(word) + " needs a count from 1 to 1000000";
            return std::nullopt;
        }
        return command;
    }
    error = "unknown command \"" + std::string(word) + "\"";
    return std::nullopt;
}

}  // namespace gpssim
