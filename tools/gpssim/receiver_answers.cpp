#include "tools/gpssim/receiver_answers.h"

#include <algorithm>

#include "tools/gpssim/nmea_track.h"

namespace gpssim {

namespace {

constexpr std::uint8_t kUbxClassCfg = 0x06;
constexpr std::uint8_t kUbxClassAck = 0x05;
constexpr std::uint8_t kUbxAckNak = 0x00;
constexpr std::uint8_t kCfgRst = 0x04;
constexpr std::uint8_t kCfgRxm = 0x11;
constexpr std::uint8_t kCfgSbas = 0x16;
constexpr std::uint8_t kCfgNav5 = 0x24;

// The configuration messages the receiver takes, with the payload length each must have.
struct CfgMessage {
    std::uint8_t id;
    std::size_t payload_size;
};
constexpr CfgMessage kCfgMessages[] = {{kCfgRst, 4}, {kCfgRxm, 2}, {kCfgSbas, 8}, {kCfgNav5, 36}};
constexpr std::size_t kNav5StaticHoldByte = 22;  // threshold in cm/s; 0 turns static hold off

constexpr std::string_view kSirfReset = "PSRF101";
constexpr std::size_t kSirfResetFields = 8;  // after the address; the last one says which reset
constexpr std::string_view kVendorAddress = "VORL999";

constexpr int kVendorStatic = 22;
constexpr int kVendorReadParameters = 31;
constexpr int kVendorSbas = 73;

// Output rates of GGA, GLL, GSA, RMC, VTG, GSV, two reserved, ZDA, one reserved and DRT, as the
// track sends them (GGA, GSA, GSV, RMC and VTG every cycle).
constexpr std::string_view kMessageRates = "1,0,1,1,1,1,0,0,0,0,0";

constexpr std::uint8_t kPtcHot = 0x03;
constexpr std::uint8_t kPtcWarm = 0x08;
constexpr std::uint8_t kPtcCold = 0x02;
constexpr std::uint8_t kPtcDgps = 0x14;
constexpr std::uint8_t kPtcParameters = 0x18;
constexpr std::uint8_t kPtcClockDrift = 0x0C;
constexpr std::uint8_t kPtcRtcFrequency = 0x19;
constexpr std::size_t kByteCommandCode = 4;
constexpr std::size_t kByteCommandParameter = 5;

std::uint8_t Byte(std::string_view bytes, std::size_t index) { return static_cast<std::uint8_t>(bytes[index]); }

// The text between "$" and the last "*" of a whole sentence.
std::string_view BodyOf(std::string_view sentence) {
    const std::size_t star = sentence.rfind('*');
    if (sentence.empty() || sentence.front() != kSentenceStart || star == std::string_view::npos) return {};
    return sentence.substr(1, star - 1);
}

std::vector<std::string_view> SplitFields(std::string_view body) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = body.find(',');
        fields.push_back(body.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        body.remove_prefix(comma + 1);
    }
}

bool IsDecimal(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string TwoDigits(int value) { return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)}; }

std::vector<Piece> SentencePieces(std::initializer_list<std::string_view> bodies) {
    std::vector<Piece> pieces;
    for (std::string_view body : bodies) pieces.push_back(SentencePiece(body));
    return pieces;
}

}  // namespace

std::string_view ResetKindName(ResetKind kind) {
    switch (kind) {
        case ResetKind::Hot: return "hot";
        case ResetKind::Warm: return "warm";
        case ResetKind::Cold: return "cold";
        case ResetKind::Factory: return "factory";
    }
    return "?";
}

std::string NakFrame(std::uint8_t rejected_class, std::uint8_t rejected_id) {
    const char payload[] = {static_cast<char>(rejected_class), static_cast<char>(rejected_id)};
    return MakeUbxFrame(kUbxClassAck, kUbxAckNak, std::string_view(payload, sizeof payload));
}

ReceiverAnswers::ReceiverAnswers(ReceiverConfig config) : m_config(std::move(config)) {}

ReceiverAnswer ReceiverAnswers::Handle(const CommandFrame& frame) {
    if (!frame.intact) return {};
    switch (frame.kind) {
        case CommandFrameKind::Nmea: return HandleSentence(frame.bytes);
        case CommandFrameKind::Ubx: return HandleUbx(frame.bytes);
        case CommandFrameKind::ByteCommand: return HandleByteCommand(frame.bytes);
    }
    return {};
}

ReceiverAnswer ReceiverAnswers::Reset(ResetKind kind, std::vector<Piece> pieces, std::vector<Piece> boot_message) {
    // The configuration lives through every restart but the one back to the factory's.
    if (kind == ResetKind::Factory) m_settings = {};
    return {std::move(pieces), ReceiverReset{kind, std::move(boot_message)}};
}

ReceiverAnswer ReceiverAnswers::HandleSentence(std::string_view sentence) {
    const std::string_view address = SentenceAddress(sentence);
    if (address == kSirfReset) return HandleSirfReset(sentence);
    if (address == kVendorAddress) return HandleVendor(sentence);
    return {};
}

ReceiverAnswer ReceiverAnswers::HandleSirfReset(std::string_view sentence) {
    const std::vector<std::string_view> fields = SplitFields(BodyOf(sentence));
    if (fields.size() != 1 + kSirfResetFields) return {};
    const std::string_view which = fields.back();
    ResetKind kind;
    if (which == "1") kind = ResetKind::Hot;
    else if (which == "2") kind = ResetKind::Warm;
    else if (which == "4") kind = ResetKind::Cold;
    else if (which == "8") kind = ResetKind::Factory;
    else return {};
    return Reset(kind, {}, SentencePieces({kSirfVersionBodies[0], kSirfVersionBodies[1]}));
}

ReceiverAnswer ReceiverAnswers::HandleVendor(std::string_view sentence) {
    // "VORL999," two-digit id "," flag character, then "," and the data (which may hold commas).
    const std::string_view body = BodyOf(sentence);
    if (body.size() <= kVendorAddress.size()) return {};
    const std::string_view rest = body.substr(kVendorAddress.size() + 1);
    if (rest.size() < 4 || !IsDecimal(rest.substr(0, 2)) || rest[2] != ',') return {};
    const int id = (rest[0] - '0') * 10 + (rest[1] - '0');
    const char flag = rest[3];
    if (rest.size() > 4 && rest[4] != ',') return {};
    const std::string_view data = rest.size() > 5 ? rest.substr(5) : std::string_view();

    const bool refused = m_config.failing_vendor_ids.contains(id);
    std::string answer_data;
    bool done = !refused;
    switch (id) {
        case kVendorStatic:
            // Data the receiver cannot read fails like a refused command and changes nothing.
            done = done && (data == "O" || data == "F");
            if (done) m_settings.static_navigation = data == "O";
            answer_data = data;
            break;
        case kVendorSbas: {
            const std::string_view enable = data.substr(0, data.find(','));
            done = done && (enable == "1" || enable == "0");
            if (done) m_settings.sbas = enable == "1";
            answer_data = data;
            break;
        }
        case kVendorReadParameters:
            if (done) {
                answer_data = std::string(kMessageRates) + ',' + (m_settings.static_navigation ? 'Y' : 'N') + ',' +
                              std::to_string(m_config.baud);
            }
            break;
        default:
            return {};
    }
    std::string answer(kVendorAddress);
    answer += ',' + TwoDigits(id) + ',' + flag + ',';
    answer += done ? kVendorDone : kVendorFailed;
    answer += ',' + answer_data;
    return {{SentencePiece(answer)}, std::nullopt};
}

ReceiverAnswer ReceiverAnswers::HandleUbx(std::string_view frame) {
    if (frame.size() < kUbxHeaderSize + kUbxChecksumSize) return {};
    const std::uint8_t message_class = Byte(frame, 2);
    const std::uint8_t id = Byte(frame, 3);
    const std::size_t length = Byte(frame, 4) | static_cast<std::size_t>(Byte(frame, 5)) << 8;
    if (message_class != kUbxClassCfg || frame.size() != kUbxHeaderSize + length + kUbxChecksumSize) return {};
    const auto known = std::find_if(std::begin(kCfgMessages), std::end(kCfgMessages),
                                    [id](const CfgMessage& message) { return message.id == id; });
    if (known == std::end(kCfgMessages)) return {};

    // A configuration of the wrong length is one the receiver cannot apply: it says no.
    if (m_config.rejected_ubx_ids.contains(id) || length != known->payload_size)
        return {{{PieceKind::UbxFrame, NakFrame(message_class, id)}}, std::nullopt};

    const std::string_view payload = frame.substr(kUbxHeaderSize, length);
    std::vector<Piece> ack{{PieceKind::UbxFrame, AckFrame(message_class, id)}};
    switch (id) {
        case kCfgRst: {
            // The battery-backed memory to clear: nothing is a hot start, the ephemeris alone
            // a warm one, more a cold one.
            const unsigned clear = Byte(payload, 0) | static_cast<unsigned>(Byte(payload, 1)) << 8;
            const ResetKind kind = clear == 0 ? ResetKind::Hot : clear == 1 ? ResetKind::Warm : ResetKind::Cold;
            return Reset(kind, std::move(ack), {});
        }
        case kCfgRxm:
            m_settings.economy_power = Byte(payload, 1) != 0;
            break;
        case kCfgSbas:
            m_settings.sbas = (Byte(payload, 0) & 0x01) != 0;
            break;
        case kCfgNav5:
            m_settings.static_navigation = Byte(payload, kNav5StaticHoldByte) != 0;
            break;
    }
    return {std::move(ack), std::nullopt};
}

ReceiverAnswer ReceiverAnswers::HandleByteCommand(std::string_view frame) {
    if (frame.size() != CommandReader::kByteCommandSize) return {};
    const std::uint8_t code = Byte(frame, kByteCommandCode);
    const std::uint8_t parameter = Byte(frame, kByteCommandParameter);
    switch (code) {
        case kPtcHot: return Reset(ResetKind::Hot, {}, SentencePieces({kPtcVersionBody}));
        case kPtcWarm: return Reset(ResetKind::Warm, {}, SentencePieces({kPtcVersionBody}));
        case kPtcCold: return Reset(ResetKind::Cold, {}, SentencePieces({kPtcVersionBody}));
        case kPtcDgps:
            if (parameter <= 1) m_settings.sbas = parameter == 1;
            return {};
        case kPtcParameters:
            return {SentencePieces({"PTCPS,1,5,20,25," + std::string(m_settings.sbas ? "1" : "0") + ',' +
                                    std::to_string(m_config.baud) + ",0,0"}),
                    std::nullopt};
        case kPtcClockDrift: return {SentencePieces({"PTCCD,-1234"}), std::nullopt};
        case kPtcRtcFrequency: return {SentencePieces({"PTCRF,32768"}), std::nullopt};
    }
    return {};
}

}  // namespace gpssim
