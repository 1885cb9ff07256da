#include "satscope/receiver_replies.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "satscope/control_ids.h"
#include "satscope/nmea_fields.h"

namespace satscope {
namespace {

constexpr std::uint8_t kUbxAck = 0x05;
constexpr std::uint8_t kUbxAckNak = 0x00;
constexpr std::uint8_t kUbxAckAck = 0x01;
constexpr std::uint8_t kUbxConfig = 0x06;
constexpr std::uint8_t kUbxReset = 0x04;
constexpr std::uint8_t kUbxPower = 0x11;
constexpr std::uint8_t kUbxSbas = 0x16;
constexpr std::uint8_t kUbxNavigation = 0x24;

constexpr int kVendorStaticNavigation = 22;
constexpr int kVendorParameters = 31;
constexpr int kVendorSbas = 73;

// Where the version starts in the receiver's version fields: "GSW3 VERSION: 3.5.0" and the
// vendor's "VORL0F_FWVER1.02.3" (its sixth character "F" marks the firmware version).
constexpr std::size_t kGswVersionAt = 14;
constexpr std::size_t kVendorVersionAt = 12;
constexpr std::size_t kVendorVersionMark = 5;

std::string_view BeforeStar(std::string_view text)
{
    return text.substr(0, text.find('*'));
}

// Reads a reply's text the way its pattern ("%d,%d,%c,%ld" and the like) lays it out: a number
// may have leading white space and a sign and is saturated to 32 bits (the receiver's int and
// long); a character is whatever stands there; a separator must be there. The first item that
// does not match ends the read, and it and every later item keep the value they had.
class PatternReader {
public:
    explicit PatternReader(std::string_view text) : m_text(BeforeStar(text)) {}

    PatternReader& Number(std::int32_t& value)
    {
        if (m_stopped) return *this;
        std::size_t at = m_at;
        while (at < m_text.size() && IsSpace(m_text[at])) ++at;
        bool negative = false;
        if (at < m_text.size() && (m_text[at] == '+' || m_text[at] == '-')) negative = m_text[at++] == '-';
        constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
        std::int64_t magnitude = 0;
        const std::size_t digits = at;
        for (; at < m_text.size() && m_text[at] >= '0' && m_text[at] <= '9'; ++at)
            magnitude = std::min<std::int64_t>(magnitude * 10 + (m_text[at] - '0'), kLimit);
        if (at == digits) return Stop();
        m_at = at;
        value = static_cast<std::int32_t>(negative ? -magnitude : std::min(magnitude, kLimit - 1));
        return *this;
    }

    PatternReader& Char(char& value)
    {
        if (m_stopped || m_at >= m_text.size()) return Stop();
        value = m_text[m_at++];
        return *this;
    }

    PatternReader& Comma()
    {
        if (m_stopped || m_at >= m_text.size() || m_text[m_at] != ',') return Stop();
        ++m_at;
        return *this;
    }

private:
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    PatternReader& Stop()
    {
        m_stopped = true;
        return *this;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    bool m_stopped = false;
};

// Two decimal digits, nullopt for anything else.
std::optional<int> TwoDigits(std::string_view text)
{
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9') return std::nullopt;
    return (text[0] - '0') * 10 + (text[1] - '0');
}

// The version line's text: " -" and the version.
std::string VersionText(std::string_view version)
{
    return " -" + std::string(version);
}

}  // namespace

ReceiverReplyHandler::ReceiverReplyHandler(ReceiverCommands& commands, ReplyWindow& window)
    : m_commands(commands), m_window(window) {}

void ReceiverReplyHandler::OnUbxFrame(std::uint8_t message_class, std::uint8_t id,
                                      std::span<const std::uint8_t> payload)
{
    if (message_class != kUbxAck || (id != kUbxAckAck && id != kUbxAckNak)) return;
    // The payload names the acknowledged message: its class, then its id.
    if (payload.size() < 2 || payload[0] != kUbxConfig) return;
    const bool acknowledged = id == kUbxAckAck;
    const std::uint8_t code = m_commands.LastCode();
    switch (payload[1]) {
    case kUbxReset:
        if (!acknowledged) {
            m_window.ShowNotice("> Reset SET ... FAIL");
        } else if (code == kCodeUbloxHot) {
            m_window.ShowNotice("> Hot Reset SET ... SUCCESS");
        } else if (code == kCodeUbloxWarm) {
            m_window.ShowNotice("> Warm Reset SET ... SUCCESS");
        } else if (code == kCodeUbloxCold) {
            m_window.ShowNotice("> Cold Reset SET ... SUCCESS");
        }
        break;
    case kUbxPower:
        if (!acknowledged) {
            m_window.ShowNotice("> Power SET ... FAIL");
        } else {
            m_window.ShowNotice(code == kCodeUbloxMaxPerformance ? "> Max Performance Power SET... SUCCESS"
                                                                 : "> Economic Power SET ... SUCCESS");
        }
        break;
    case kUbxSbas:
        if (!acknowledged) {
            m_window.ShowNotice("> SBAS SET ... FAIL");
        } else {
            m_window.ShowNotice(code == kCodeUbloxSbasOn ? "> DGPS(SBAS) ON ... SUCCESS" : "> DGPS(SBAS) OFF ... SUCCESS");
        }
        break;
    case kUbxNavigation:
        if (!acknowledged) {
            m_window.ShowNotice("> Static Navigation SET ... FAIL");
        } else {
            m_window.ShowNotice(code == kCodeUbloxStaticOn ? "> Static Hold Threshold(5m/s)... SUCCESS"
                                                           : "> Static Hold Disable ... SUCCESS");
        }
        break;
    default:
        break;
    }
}

void ReceiverReplyHandler::OnVendorReply(std::string_view sentence)
{
    // "$VORL999,ID,F,SS,data*HH": from the first comma c, the id at c+1, the flag at c+4, the
    // status at c+6 and the data from c+9.
    const std::size_t star = sentence.substr(0, kVendorReplyReach).find('*');
    if (star == std::string_view::npos) return;
    const std::string_view body = sentence.substr(0, star);
    const std::size_t c = body.find(',');
    if (c == std::string_view::npos || body.size() < c + 8) return;
    const std::optional<int> id = TwoDigits(body.substr(c + 1, 2));
    // A status that is not two digits cannot be read as success.
    const std::optional<int> status = TwoDigits(body.substr(c + 6, 2));
    const bool success = status == 0;
    const std::string_view data = body.size() > c + 9 ? body.substr(c + 9) : std::string_view{};
    m_commands.ClearData();
    if (!id) return;
    switch (*id) {
    case kVendorStaticNavigation:
        if (!success) {
            m_window.ShowNotice("> Static Navigation SET ... FAIL");
        } else {
            m_window.ShowNotice(data.starts_with('O') ? "> Static Navigation ON ... SUCCESS"
                                                      : "> Static Navigation OFF ... SUCCESS");
        }
        break;
    case kVendorParameters:
        if (!success) {
            m_window.ShowNotice("> Get Parameters ... FAIL");
        } else {
            OnVendorParameters(data);
        }
        break;
    case kVendorSbas:
        if (!success) {
            m_window.ShowNotice("> DGPS(SBAS) SET ... FAIL");
        } else {
            m_window.ShowNotice(m_commands.LastCode() == kCodeSirfSbasOn ? "> DGPS(SBAS) ON ... SUCCESS"
                                                                         : "> DGPS(SBAS) OFF ... SUCCESS");
        }
        break;
    default:
        break;
    }
}

void ReceiverReplyHandler::OnVendorParameters(std::string_view data)
{
    // The output rates of the sentences (GGA, GLL, GSA, RMC, VTG, GSV, two unused, ZDA, one
    // unused, DRT), the static navigation flag and the baud rate.
    std::int32_t rate[11] = {};
    char static_navigation = ' ';
    std::int32_t baud = 0;
    PatternReader reader(data);
    for (std::size_t i = 0; i < std::size(rate); ++i) reader.Number(rate[i]).Comma();
    reader.Char(static_navigation).Comma().Number(baud);
    const char shown = Shown(static_navigation);
    const long baud_rate = baud;
    m_window.ShowNotice(
        m_compact ? Format("> %d :%d :%d :%d :%d :%d :%d, drt:%d stn:%c bau:%ld", rate[0], rate[1], rate[2], rate[5],
                           rate[3], rate[4], rate[8], rate[10], shown, baud_rate)
                  : Format("> GGA:%d GLL:%d GSA:%d GSV:%d RMC:%d VTG:%d ZDA:%d DRT:%d StaticN:%c Baud:%ld", rate[0],
                           rate[1], rate[2], rate[5], rate[3], rate[4], rate[8], rate[10], shown, baud_rate));
}

void ReceiverReplyHandler::OnPtcReply(std::string_view code, std::string_view data)
{
    if (code == "FV") {
        // "$PTCFV,name,version": the version is the second field.
        if (FieldCount(data) < 2) return;
        m_window.SetText(IDC_VERSION_FIRST, VersionText(Field(data, 1)));
        m_window.ShowControl(IDC_VERSION_SECOND, false);
    } else if (code == "PS") {
        OnPtcParameters(data);
    } else if (code == "CD") {
        std::int32_t drift = 0;
        PatternReader(data).Number(drift);
        m_window.ShowNotice(Format("> Clock Drift: %ld (UNIT=0.0001PPM)", static_cast<long>(drift)));
    } else if (code == "RF") {
        std::int32_t frequency = 0;
        PatternReader(data).Number(frequency);
        m_window.ShowNotice(Format("> RTC Frequency: %ld Hz", static_cast<long>(frequency)));
    }
}

void ReceiverReplyHandler::OnPtcParameters(std::string_view data)
{
    // The navigation, elevation, HDOP and PDOP masks, SBAS, baud rate, datum and pin setting.
    std::int32_t value[8] = {};
    PatternReader reader(data);
    reader.Number(value[0]);
    for (std::size_t i = 1; i < std::size(value); ++i) reader.Comma().Number(value[i]);
    m_window.ShowNotice(
        Format(m_compact ? "> Nm:%d Em:%d Hm:%d Pm:%d SBAS:%d Bau:%d Dat:%d Pin:%d"
                         : "> NAVmk:%d ELEmk:%d HDOPmk:%d PDOPmk:%d SBAS:%d BAUD:%d DATUM:%d PIN:%d",
               value[0], value[1], value[2], value[3], value[4], value[5], value[6], value[7]));
}

void ReceiverReplyHandler::OnSirfReply(std::string_view text)
{
    // "$PSRF195,<version>": the text starts inside the id, so the version is its second field.
    if (FieldCount(text) < 2) return;
    const std::string_view field = Field(text, 1);
    if (field.starts_with("GSW")) {
        if (field.size() < kGswVersionAt) return;
        m_window.SetText(IDC_VERSION_FIRST, VersionText(field.substr(kGswVersionAt)));
        m_window.ShowControl(IDC_VERSION_SECOND, false);
    } else if (field.starts_with("VORL") && field.size() > kVendorVersionMark && field[kVendorVersionMark] == 'F') {
        if (field.size() < kVendorVersionAt) return;
        m_window.SetText(IDC_VERSION_SECOND, VersionText(field.substr(kVendorVersionAt)));
        // The compact window has no room for the second line.
        if (!m_compact) m_window.ShowControl(IDC_VERSION_SECOND, true);
    }
}

}  // namespace satscope
