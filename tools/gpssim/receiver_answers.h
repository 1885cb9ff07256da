// What the simulated receiver does about a command the program wrote to it, for the three
// families the program drives:
//   - SiRF: the reset sentence "$PSRF101,0,0,0,0,0,0,12,N" (N = 1 hot, 2 warm, 4 cold,
//     8 factory) and the vendor's sentences "$VORL999,ID,FLAG,DATA*HH", answered with
//     "$VORL999,ID,FLAG,SS,DATA*HH" (SS "00" done, "01" failed): 22 static navigation
//     ("O" on, "F" off), 73 SBAS ("1,..." on, "0,..." off), 31 read the parameters;
//   - u-blox: UBX CFG-RST, CFG-RXM, CFG-SBAS and CFG-NAV5 (class 0x06, ids 0x04, 0x11, 0x16,
//     0x24), each answered with ACK-ACK, or ACK-NAK when rejected or of the wrong length;
//   - PTC: the byte commands "$CMD" code parameter 0xAA: resets (0x03 hot, 0x08 warm,
//     0x02 cold), DGPS on and off (0x14) and three queries (0x18 parameters "$PTCPS",
//     0x0C clock drift "$PTCCD", 0x19 RTC frequency "$PTCRF").
// A frame that is not intact, and any command not listed, gets no answer and changes nothing.
// A reset comes with the message the receiver sends when it talks again (its version text for
// SiRF and PTC, nothing for u-blox); silence and restarting the fix are the caller's part.
// Everything here is pure: the same commands give the same answers.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/gpssim/command_reader.h"
#include "tools/gpssim/sentence_frames.h"

namespace gpssim {

enum class ResetKind { Hot, Warm, Cold, Factory };

std::string_view ResetKindName(ResetKind kind);

struct ReceiverReset {
    ResetKind kind = ResetKind::Hot;
    // Sent once the restarted receiver talks again, before its first cycle.
    std::vector<Piece> boot_message;
    bool operator==(const ReceiverReset&) const = default;
};

struct ReceiverAnswer {
    std::vector<Piece> pieces;           // sent at once, ahead of the cycle
    std::optional<ReceiverReset> reset;  // the receiver restarts after sending the pieces
    bool operator==(const ReceiverAnswer&) const = default;
};

// How the receiver is set up to behave, from gpssim's command line.
struct ReceiverConfig {
    int baud = 4800;                       // told in the parameter answers
    std::set<int> failing_vendor_ids;      // vendor sentences answered with status "01"
    std::set<int> rejected_ubx_ids;        // CFG ids answered with ACK-NAK
};

// What the commands have set; a factory reset brings back these defaults.
struct ReceiverSettings {
    bool static_navigation = false;
    bool sbas = false;            // differential corrections, set by any family's command
    bool economy_power = false;   // UBX CFG-RXM: a low-power mode instead of maximum performance
    bool operator==(const ReceiverSettings&) const = default;
};

// The vendor sentence's status field.
constexpr std::string_view kVendorDone = "00";
constexpr std::string_view kVendorFailed = "01";

// The receiver's version texts, sent after a reset.
constexpr std::string_view kSirfVersionBodies[] = {"PSRF195,GSW3 VERSION: 3.5.0-P1.01", "PSRF195,VORL0F_FWVER1.02.3"};
constexpr std::string_view kPtcVersionBody = "PTCFV,PTC-GPS,V2.10";

class ReceiverAnswers {
public:
    explicit ReceiverAnswers(ReceiverConfig config);

    ReceiverAnswer Handle(const CommandFrame& frame);
    const ReceiverSettings& Settings() const { return m_settings; }

private:
    ReceiverAnswer HandleSentence(std::string_view sentence);
    ReceiverAnswer HandleSirfReset(std::string_view sentence);
    ReceiverAnswer HandleVendor(std::string_view sentence);
    ReceiverAnswer HandleUbx(std::string_view frame);
    ReceiverAnswer HandleByteCommand(std::string_view frame);
    ReceiverAnswer Reset(ResetKind kind, std::vector<Piece> pieces, std::vector<Piece> boot_message);

    ReceiverConfig m_config;
    ReceiverSettings m_settings;
};

// UBX ACK-NAK (0x05 0x00) of a message.
std::string NakFrame(std::uint8_t rejected_class, std::uint8_t rejected_id);

}  // namespace gpssim
