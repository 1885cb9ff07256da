#include "satscope/receiver_commands.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "satscope/control_ids.h"

namespace satscope {
namespace {

using namespace std::string_view_literals;

enum class Frame { Sirf, Vendor, Ubx, Ptc };
// What a command does besides sending: each family's reset, or a plain configuration command.
enum class Routine { SirfReset, UbloxReset, PtcReset, Configure };

constexpr int kNoCode = -1;
constexpr int kSirfResetId = 101;
constexpr std::uint8_t kUbxConfig = 0x06;
constexpr char kVendorFlag = 'N';
constexpr std::uint8_t kPtcTail = 0xAA;

struct CommandEntry {
    Command command;
    const char* name;
    Frame frame;
    Routine routine;
    int id;                      // SiRF message id, vendor command id, UBX message id or PTC code
    std::string_view data;       // text, payload bytes, or the PTC parameter byte
    int last_code = kNoCode;
};

// The u-blox navigation settings (CFG-NAV5) of the static hold commands: fix mode 3 (2D or 3D),
// altitude variance 10000, minimum elevation 5, the dilution masks 250 and 250, the accuracy
// masks 100 and 300, and at byte 22 the static hold threshold, 244 cm/s. Turning static hold off
// sends the same with a threshold of 0.
constexpr std::string_view kStaticHoldOn =
    "\x00\x40\x00\x03" "\x00\x00\x00\x00" "\x10\x27\x00\x00" "\x05\x00\xFA\x00" "\xFA\x00\x64\x00"
    "\x2C\x01\xF4\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"sv;
constexpr std::string_view kStaticHoldOff =
    "\x00\x40\x00\x03" "\x00\x00\x00\x00" "\x10\x27\x00\x00" "\x05\x00\xFA\x00" "\xFA\x00\x64\x00"
    "\x2C\x01\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"sv;
static_assert(kStaticHoldOn.size() == 36 && kStaticHoldOff.size() == 36);

constexpr std::array<CommandEntry, kCommandCount> kCommands = {{
    {Command::SirfHotReset, "SiRF_HOT_RST", Frame::Sirf, Routine::SirfReset, kSirfResetId, ",0,0,0,0,0,0,12,1"},
    {Command::SirfWarmReset, "SiRF_WARM_RST", Frame::Sirf, Routine::SirfReset, kSirfResetId, ",0,0,0,0,0,0,12,2"},
    {Command::SirfColdReset, "SiRF_COLD_RST", Frame::Sirf, Routine::SirfReset, kSirfResetId, ",0,0,0,0,0,0,12,4"},
    {Command::SirfFactoryReset, "SiRF_FACT_RSTT", Frame::Sirf, Routine::SirfReset, kSirfResetId,
     ",0,0,0,0,0,0,12,8"},
    {Command::SirfStaticOn, "SiRF_STATIC_ON", Frame::Vendor, Routine::Configure, 22, "O"},
    {Command::SirfStaticOff, "SiRF_STATIC_OFF", Frame::Vendor, Routine::Configure, 22, "F"},
    {Command::SirfSbasOn, "SiRF_SBAS_ON", Frame::Vendor, Routine::Configure, 73, "1,30,0,00", kCodeSirfSbasOn},
    {Command::SirfSbasOff, "SiRF_SBAS_OFF", Frame::Vendor, Routine::Configure, 73, "0,30,0,00", kCodeSirfSbasOff},
    {Command::SirfReadParameters, "SiRF_RD_PARAM", Frame::Vendor, Routine::Configure, 31, ""},
    {Command::UbloxHotReset, "UBLOX_HOT_RST", Frame::Ubx, Routine::UbloxReset, 0x04, "\x00\x00\x02\x00"sv,
     kCodeUbloxHot},
    {Command::UbloxWarmReset, "UBLOX_WARM_RST", Frame::Ubx, Routine::UbloxReset, 0x04, "\x01\x00\x02\x00"sv,
     kCodeUbloxWarm},
    {Command::UbloxColdReset, "UBLOX_COLD_RST", Frame::Ubx, Routine::UbloxReset, 0x04, "\xFF\x07\x02\x00"sv,
     kCodeUbloxCold},
    {Command::UbloxSbasOn, "UBLOX_SBAS_ON", Frame::Ubx, Routine::Configure, 0x16,
     "\x01\x02\x01\x00\x00\x00\x00\x00"sv, kCodeUbloxSbasOn},
    {Command::UbloxSbasOff, "UBLOX_SBAS_OFF", Frame::Ubx, Routine::Configure, 0x16,
     "\x00\x02\x01\x00\x00\x00\x00\x00"sv, kCodeUbloxSbasOff},
    {Command::UbloxMaxPerformance, "UBLOX_MAX_PERF_PWR", Frame::Ubx, Routine::Configure, 0x11, "\x00\x00"sv,
     kCodeUbloxMaxPerformance},
    {Command::UbloxEconomy, "UBLOX_ECONO_PWR", Frame::Ubx, Routine::Configure, 0x11, "\x00\x04"sv,
     kCodeUbloxEconomy},
    {Command::UbloxStaticOn, "UBLOX_STATIC_ON", Frame::Ubx, Routine::Configure, 0x24, kStaticHoldOn,
     kCodeUbloxStaticOn},
    {Command::UbloxStaticOff, "UBLOX_STATIC_OFF", Frame::Ubx, Routine::Configure, 0x24, kStaticHoldOff,
     kCodeUbloxStaticOff},
    {Command::PtcHotReset, "PTC_HOT_RST", Frame::Ptc, Routine::PtcReset, 0x03, "\x00"sv},
    {Command::PtcWarmReset, "PTC_WARM_RST", Frame::Ptc, Routine::PtcReset, 0x08, "\x00"sv},
    {Command::PtcColdReset, "PTC_COLD_RST", Frame::Ptc, Routine::PtcReset, 0x02, "\x00"sv},
    {Command::PtcDgpsOn, "PTC_DGPS_ON", Frame::Ptc, Routine::Configure, 0x14, "\x01"sv},
    {Command::PtcDgpsOff, "PTC_DGPS_OFF", Frame::Ptc, Routine::Configure, 0x14, "\x00"sv},
    {Command::PtcGetProprietary, "PTC_GetProprietary", Frame::Ptc, Routine::Configure, 0x18, "\x00"sv},
    {Command::PtcGetClockDrift, "PTC_GetClockDrift", Frame::Ptc, Routine::Configure, 0x0C, "\x00"sv},
    {Command::PtcGetRtcFrequency, "PTC_GetRTCFreq", Frame::Ptc, Routine::Configure, 0x19, "\x00"sv},
}};

constexpr bool InCommandOrder()
{
    for (std::size_t i = 0; i < kCommands.size(); ++i)
        if (static_cast<std::size_t>(kCommands[i].command) != i) return false;
    return true;
}
static_assert(InCommandOrder(), "the catalogue is indexed by Command");

const CommandEntry& Entry(Command command)
{
    return kCommands[static_cast<std::size_t>(command)];
}

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::uint8_t Xor(std::span<const std::uint8_t> bytes, std::uint8_t sum = 0)
{
    for (const std::uint8_t byte : bytes) sum ^= byte;
    return sum;
}

std::string NmeaTail(std::uint8_t checksum)
{
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", checksum);
    return tail;
}

void AppendDataPieces(std::vector<std::string>& pieces, std::span<const std::uint8_t> data)
{
    for (std::size_t at = 0; at < data.size(); at += kDataPieceSize) {
        const auto piece = data.subspan(at, std::min(kDataPieceSize, data.size() - at));
        pieces.emplace_back(piece.begin(), piece.end());
    }
}

std::string Formatted(const char* format, int value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The trace of a command not sent because the port is closed, naming what would have gone.
std::string ClosedPortTrace(const char* what_format, int value)
{
    return "ERR: First check your comport:skip " + Formatted(what_format, value);
}

}  // namespace

const char* CommandName(Command command)
{
    return Entry(command).name;
}

std::vector<std::string> VendorSentencePieces(int id, char flag, std::span<const std::uint8_t> data)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", id);
    std::string head = "$VORL999,";
    head += digits[0];
    head += digits[1];
    head += ',';
    head += flag;
    head += ',';
    std::vector<std::string> pieces{head};
    AppendDataPieces(pieces, data);
    pieces.push_back(NmeaTail(Xor(data, Xor(Bytes(std::string_view(head).substr(1))))));
    return pieces;
}

std::vector<std::string> SirfPieces(int message_id, std::span<const std::uint8_t, kCommandDataSize> data_area)
{
    const std::string head = Formatted("$PSRF%d", message_id);
    const auto end = std::find(data_area.begin(), data_area.end(), std::uint8_t{0});
    const std::span<const std::uint8_t> text(data_area.begin(), end);
    std::vector<std::string> pieces{head};
    AppendDataPieces(pieces, text);
    pieces.push_back(NmeaTail(Xor(text, Xor(Bytes(std::string_view(head).substr(1))))));
    return pieces;
}

std::vector<std::string> UbxPieces(std::uint8_t message_class, std::uint8_t id, std::span<const std::uint8_t> payload)
{
    payload = payload.first(std::min<std::size_t>(payload.size(), 0xFFFF));
    const std::size_t length = payload.size();
    const std::uint8_t head[] = {0xB5, 0x62, message_class, id, static_cast<std::uint8_t>(length & 0xFF),
                                 static_cast<std::uint8_t>(length >> 8)};
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (std::size_t i = 2; i < std::size(head); ++i) {
        a = static_cast<std::uint8_t>(a + head[i]);
        b = static_cast<std::uint8_t>(b + a);
    }
    for (const std::uint8_t byte : payload) {
        a = static_cast<std::uint8_t>(a + byte);
        b = static_cast<std::uint8_t>(b + a);
    }
    std::vector<std::string> pieces{std::string(std::begin(head), std::end(head))};
    AppendDataPieces(pieces, payload);
    pieces.push_back({static_cast<char>(a), static_cast<char>(b)});
    return pieces;
}

std::vector<std::string> PtcPieces(std::uint8_t code, std::uint8_t parameter)
{
    return {std::string("$CMD") + static_cast<char>(code), std::string(1, static_cast<char>(parameter)),
            std::string(1, static_cast<char>(kPtcTail))};
}

ReceiverCommands::ReceiverCommands(CommandLink& link, CommandWindow& window) : m_link(link), m_window(window) {}

void ReceiverCommands::Send(const std::vector<std::string>& pieces, const std::string& closed_trace)
{
    if (!m_link.PortOpen()) {
        m_window.Trace(closed_trace);
        return;
    }
    for (const std::string& piece : pieces) m_link.Write(Bytes(piece));
}

std::span<const std::uint8_t> ReceiverCommands::PutData(std::span<const std::uint8_t> data)
{
    const std::size_t size = std::min(data.size(), m_data.size());
    std::copy_n(data.begin(), size, m_data.begin());
    if (size < m_data.size()) m_data[size] = 0;
    return std::span<const std::uint8_t>(m_data).first(size);
}

void ReceiverCommands::Run(Command command)
{
    const CommandEntry& entry = Entry(command);
    m_window.Trace(entry.name);
    // The data a frame carries: the catalogue's bytes for the resets of u-blox and PTC, the
    // data area's copy for everything else.
    const auto send = [&](std::span<const std::uint8_t> data) {
        switch (entry.frame) {
        case Frame::Sirf:
            Send(SirfPieces(entry.id, m_data), ClosedPortTrace("MID :%d", entry.id));
            break;
        case Frame::Vendor:
            Send(VendorSentencePieces(entry.id, kVendorFlag, data), ClosedPortTrace("CID :%d", entry.id));
            break;
        case Frame::Ubx:
            Send(UbxPieces(kUbxConfig, static_cast<std::uint8_t>(entry.id), data),
                 ClosedPortTrace("ID :0x%02x", entry.id));
            break;
        case Frame::Ptc:
            Send(PtcPieces(static_cast<std::uint8_t>(entry.id), data.empty() ? 0 : data[0]),
                 ClosedPortTrace("cmd :0x%02x", entry.id));
            break;
        }
    };

    switch (entry.routine) {
    case Routine::SirfReset:
        m_window.ClearSignal();
        PutData(Bytes(entry.data));
        send({});
        // The receiver's version is asked again after the reset: until it answers it is unknown.
        m_window.SetText(IDC_VERSION_FIRST, " -UNKNOWN");
        m_window.ShowControl(IDC_VERSION_SECOND, false);
        m_window.StartTimeToFix();
        break;
    case Routine::UbloxReset:
        m_last_code = static_cast<std::uint8_t>(entry.last_code);
        m_window.ClearSignal();
        send(Bytes(entry.data));
        m_window.StartTimeToFix();
        break;
    case Routine::PtcReset:
        m_window.ClearSignal();
        send(Bytes(entry.data));
        m_window.StartTimeToFix();
        break;
    case Routine::Configure: {
        const auto data = PutData(Bytes(entry.data));
        if (entry.last_code != kNoCode) m_last_code = static_cast<std::uint8_t>(entry.last_code);
        send(data);
        break;
    }
    }
}

}  // namespace satscope
