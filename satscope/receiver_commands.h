// The commands SatScope sends to the GPS receiver: resets for each of the three receiver families
// and, in developer mode, their configuration and query commands. A command leaves in one of four
// frames: a SiRF NMEA input sentence ("$PSRF"), the vendor's own sentence ("$VORL999"), a u-blox
// UBX frame, or a PTC byte command. Every frame is written in pieces: its head, its data in pieces
// of at most 5 bytes, its tail.
//
// Window thread only. The serial port and the window are reached through CommandLink and
// CommandWindow, so the commands can be exercised without either.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "satscope/nmea_decoders.h"

namespace satscope {

enum class ReceiverType : int { Sirf = 1, Ublox = 2, Ptc = 3 };

// In the order of the command catalogue.
enum class Command {
    SirfHotReset,
    SirfWarmReset,
    SirfColdReset,
    SirfFactoryReset,
    SirfStaticOn,
    SirfStaticOff,
    SirfSbasOn,
    SirfSbasOff,
    SirfReadParameters,
    UbloxHotReset,
    UbloxWarmReset,
    UbloxColdReset,
    UbloxSbasOn,
    UbloxSbasOff,
    UbloxMaxPerformance,
    UbloxEconomy,
    UbloxStaticOn,
    UbloxStaticOff,
    PtcHotReset,
    PtcWarmReset,
    PtcColdReset,
    PtcDgpsOn,
    PtcDgpsOff,
    PtcGetProprietary,
    PtcGetClockDrift,
    PtcGetRtcFrequency,
};
constexpr std::size_t kCommandCount = 26;

// The command data area: the bytes of the command being sent. Data texts shorter than the area
// are zero-terminated in it.
constexpr std::size_t kCommandDataSize = 150;
// The most data bytes one Write carries.
constexpr std::size_t kDataPieceSize = 5;

// The command's name in the debug trace, e.g. "SiRF_HOT_RST".
const char* CommandName(Command command);

// The last command code of the commands whose acknowledgement tells what was acknowledged.
enum LastCommandCode : std::uint8_t {
    kCodeUbloxHot = 0,
    kCodeUbloxWarm = 1,
    kCodeUbloxCold = 2,
    kCodeSirfSbasOn = 1,
    kCodeSirfSbasOff = 2,
    kCodeUbloxSbasOn = 3,
    kCodeUbloxSbasOff = 4,
    kCodeUbloxMaxPerformance = 5,
    kCodeUbloxEconomy = 6,
    kCodeUbloxStaticOn = 7,
    kCodeUbloxStaticOff = 8,
};

// The serial link as the commands see it.
class CommandLink {
public:
    virtual ~CommandLink() = default;
    virtual bool PortOpen() const = 0;
    // One call per piece of a frame.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
};

// What a reset does to the window besides sending.
class CommandWindow : public TextOut {
public:
    virtual void ShowControl(int id, bool show) = 0;
    virtual void ClearSignal() = 0;  // white clear of the signal area
    virtual void StartTimeToFix() = 0;
    virtual void Trace(const std::string& line) = 0;
};

// The pieces of each frame, in the order they are written.
//
// "$VORL999,XX,N," + data + "*HH\r\n": XX the id's first two decimal characters (a one-digit id
// is written with a leading 0, so the head keeps its 14 characters), N the flag, HH the XOR of
// every head character but "$" and of the data.
std::vector<std::string> VendorSentencePieces(int id, char flag, std::span<const std::uint8_t> data);
// "$PSRF<id>" + the data area's text (up to its first zero, at most the whole area) + "*HH\r\n".
std::vector<std::string> SirfPieces(int message_id, std::span<const std::uint8_t, kCommandDataSize> data_area);
// B5 62 class id length(LE16), the payload, CK_A CK_B (Fletcher sums over class..payload). A
// payload beyond the 16-bit length field is cut to 65535 bytes.
std::vector<std::string> UbxPieces(std::uint8_t message_class, std::uint8_t id, std::span<const std::uint8_t> payload);
// "$CMD" + code, the parameter byte, 0xAA.
std::vector<std::string> PtcPieces(std::uint8_t code, std::uint8_t parameter);

class ReceiverCommands {
public:
    ReceiverCommands(CommandLink& link, CommandWindow& window);

    // The whole routine of a command. Resets trace, clear the signal area, send and start the
    // time-to-fix counter (each family in its own order); configuration and query commands put
    // their data into the data area, set the last command code where they have one, and send.
    void Run(Command command);

    std::span<std::uint8_t, kCommandDataSize> Data() { return m_data; }
    void ClearData() { m_data.fill(0); }
    std::uint8_t LastCode() const { return m_last_code; }
    void SetLastCode(std::uint8_t code) { m_last_code = code; }

private:
    // Writes the pieces, or only traces `closed_trace` when the port is closed.
    void Send(const std::vector<std::string>& pieces, const std::string& closed_trace);
    // Copies the data into the data area, zero-terminated when it is shorter than the area.
    std::span<const std::uint8_t> PutData(std::span<const std::uint8_t> data);

    CommandLink& m_link;
    CommandWindow& m_window;
    std::array<std::uint8_t, kCommandDataSize> m_data{};
    std::uint8_t m_last_code = 0;
};

}  // namespace satscope
