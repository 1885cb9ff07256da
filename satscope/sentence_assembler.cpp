#include "satscope/sentence_assembler.h"

namespace satscope {
namespace {

// A checksum digit's value: "0".."9" and "A".."F". Anything else (lower-case letters among them)
// is no digit, and the sentence it ends cannot match.
int DigitValue(std::uint8_t byte)
{
    if (byte >= '0' && byte <= '9') return byte - '0';
    if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
    return -1;
}

bool IsGsv(const char* sentence, std::size_t length)
{
    return length > 5 && sentence[3] == 'G' && sentence[4] == 'S' && sentence[5] == 'V';
}

}  // namespace

void SentenceAssembler::Feed(std::span<const std::uint8_t> bytes)
{
    const std::uint8_t* at = bytes.data();
    const std::uint8_t* const end = at + bytes.size();
    while (at < end) {
        if (m_state == kBody && m_ubx_state == kUbxIdle) {
            // Inside a sentence's body most bytes only add to the XOR and to the buffer: take
            // them as a run, up to the first byte that can mean more ("$", "*", the second
            // byte of a UBX sync pair) or until the buffer is full.
            std::size_t room = kSentenceBuffer - 1 - m_length;
            const std::uint8_t* const run = at;
            std::uint8_t sum = m_xor;
            char* out = m_sentence.data() + m_length;
            while (at < end && room > 0) {
                const std::uint8_t byte = *at;
                if (byte == '$' || byte == '*' || byte == 0x62) break;
                sum ^= byte;
                *out++ = static_cast<char>(byte);
                ++at;
                --room;
            }
            if (at != run) {
                m_xor = sum;
                m_length += static_cast<std::size_t>(at - run);
                m_previous = at[-1];
                m_have_previous = true;
            }
            if (at == end) break;
        }
        Feed(*at++);
    }
}

void SentenceAssembler::Feed(std::uint8_t byte)
{
    FeedText(byte);
    FeedUbx(byte);
    if (m_state != kIdle) {
        if (m_length + 1 >= kSentenceBuffer) {
            // No terminator would fit: the sentence is given up, whatever follows it.
            m_state = kIdle;
            ++m_abandoned;
        } else {
            m_sentence[m_length++] = static_cast<char>(byte);
        }
    }
    m_previous = byte;
    m_have_previous = true;
}

void SentenceAssembler::FeedText(std::uint8_t byte)
{
    if (byte == '$') {
        m_state = kBody;
        m_length = 0;  // the sentence is handed on with its length: no need to clear the buffer
        m_xor = 0;
        m_received = 0;
    } else if (m_state == kBody && byte != '*') {
        m_xor ^= byte;
    } else if (m_state == kBody) {
        m_state = kStar;
    } else if (m_state == kStar) {
        const int digit = DigitValue(byte);
        m_received = digit < 0 ? -1 : digit * 16;
        m_state = kFirstDigit;
    } else if (m_state == kFirstDigit) {
        const int digit = DigitValue(byte);
        m_received = digit < 0 || m_received < 0 ? -1 : m_received + digit;
        m_state = kSecondDigit;
    } else {
        if (byte == '\r' && m_state == kSecondDigit) Complete();
        m_state = kIdle;
    }
}

void SentenceAssembler::Complete()
{
    if (m_received == m_xor) {
        m_sink.OnSentence(std::string_view(m_sentence.data(), m_length));
    } else if (IsGsv(m_sentence.data(), m_length)) {
        m_sink.OnGsvChecksumError();
    }
}

void SentenceAssembler::FeedUbx(std::uint8_t byte)
{
    switch (m_ubx_state) {
    case kUbxIdle:
        if (byte == 0x62 && m_have_previous && m_previous == 0xB5) m_ubx_state = kUbxClass;
        break;
    case kUbxClass:
        m_class = byte;
        m_ubx_state = kUbxId;
        break;
    case kUbxId:
        m_id = byte;
        m_ubx_state = kUbxLengthLow;
        break;
    case kUbxLengthLow:
        m_remaining = byte;
        m_ubx_state = kUbxLengthHigh;
        break;
    case kUbxLengthHigh:
        m_remaining += static_cast<std::uint32_t>(byte) * 256u;
        m_payload_count = 0;
        if (m_remaining == 0 || m_remaining > kPayloadBuffer) {
            m_ubx_state = kUbxIdle;
            ++m_abandoned;
        } else {
            m_ubx_state = kUbxPayload;
        }
        break;
    case kUbxPayload:
        m_payload[m_payload_count++] = byte;
        if (--m_remaining == 0) {
            m_ubx_state = kUbxIdle;
            m_sink.OnUbxFrame(m_class, m_id, std::span<const std::uint8_t>(m_payload.data(), m_payload_count));
        }
        break;
    default:
        m_ubx_state = kUbxIdle;
        break;
    }
}

}  // namespace satscope
