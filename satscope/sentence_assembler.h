// Cuts NMEA 0183 sentences and u-blox UBX frames out of the receiver's byte stream.
//
// Text: a sentence runs from "$" to the two checksum digits after "*" and is complete at the CR
// that follows them; its checksum is the XOR of every byte between "$" and "*", written as two
// upper-case hexadecimal digits. A sentence is abandoned by a new "$", by any byte other than CR
// after its digits, and when it outgrows the 1,023 characters the buffer holds. A complete
// sentence whose checksum does not match is dropped; when it is a GSV the sink is told, so the
// satellite bars can keep the last cycle.
//
// UBX, alongside the text: 0xB5 0x62, class, id, a little-endian length, the payload (the two
// sum bytes after it are not examined). A length of 0 or above the 1,024-byte payload buffer
// abandons the frame.
//
// Bytes are fed in any cuts: the result does not depend on where one batch ends and the next
// begins.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace satscope {

class SentenceSink {
public:
    virtual ~SentenceSink() = default;
    // A sentence from "$" through its checksum digits, checksum good.
    virtual void OnSentence(std::string_view sentence) = 0;
    // A complete GSV sentence whose checksum did not match.
    virtual void OnGsvChecksumError() = 0;
    virtual void OnUbxFrame(std::uint8_t message_class, std::uint8_t id, std::span<const std::uint8_t> payload) = 0;
};

class SentenceAssembler {
public:
    static constexpr std::size_t kSentenceBuffer = 1024;  // with its terminator
    static constexpr std::size_t kPayloadBuffer = 1024;

    explicit SentenceAssembler(SentenceSink& sink) : m_sink(sink) {}

    void Feed(std::span<const std::uint8_t> bytes);
    void Feed(std::uint8_t byte);

    // Sentences and frames given up as too long (or, for UBX, of length 0).
    std::uint64_t Abandoned() const { return m_abandoned; }

private:
    enum TextState : int { kIdle = 0, kBody = 1, kStar = 3, kFirstDigit = 4, kSecondDigit = 5 };
    enum UbxState : int { kUbxIdle = 0, kUbxClass, kUbxId, kUbxLengthLow, kUbxLengthHigh, kUbxPayload };

    void FeedText(std::uint8_t byte);
    void FeedUbx(std::uint8_t byte);
    void Complete();

    SentenceSink& m_sink;

    int m_state = kIdle;
    std::uint8_t m_xor = 0;
    int m_received = 0;          // the checksum as written; -1 once a digit was no upper-case hex digit
    std::array<char, kSentenceBuffer> m_sentence{};
    std::size_t m_length = 0;

    int m_ubx_state = kUbxIdle;
    std::uint8_t m_previous = 0;  // the byte before this one, across batches
    bool m_have_previous = false;
    std::uint8_t m_class = 0;
    std::uint8_t m_id = 0;
    std::uint32_t m_remaining = 0;
    std::array<std::uint8_t, kPayloadBuffer> m_payload{};
    std::size_t m_payload_count = 0;

    std::uint64_t m_abandoned = 0;
};

}  // namespace satscope
