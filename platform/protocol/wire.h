// Frames between programs and the device server, and the bounds-checked encoder/decoder that
// every message of the catalogue (messages.h) is written and read with.
//
// A frame is: u32 length of what follows (little-endian), u16 kind, u32 sequence, payload.
// Kinds: a request id, the same id with kReplyBit for its reply, or an event id with kEventBit
// for a message the server sends unasked. The first frame on a connection is Hello, which
// carries kProtocolVersion; the server drops a client whose version differs.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace protocol {

constexpr std::uint32_t kProtocolVersion = 12;
constexpr std::uint32_t kFrameHeaderSize = 10;           // length + kind + sequence
constexpr std::uint32_t kMaxFrameSize = 256 * 1024;      // WM_COPYDATA's 64 KiB with room to spare
constexpr std::uint16_t kReplyBit = 0x8000;
constexpr std::uint16_t kEventBit = 0x4000;

struct FrameHeader {
    std::uint32_t length = 0;    // bytes after the length field: kind + sequence + payload
    std::uint16_t kind = 0;
    std::uint32_t sequence = 0;
};

class Encoder {
public:
    void operator()(bool value) { PutInt<std::uint8_t>(value ? 1 : 0); }
    void operator()(std::uint8_t value) { PutInt(value); }
    void operator()(std::uint16_t value) { PutInt(value); }
    void operator()(std::uint32_t value) { PutInt(value); }
    void operator()(std::int32_t value) { PutInt(static_cast<std::uint32_t>(value)); }
    void operator()(std::uint64_t value) { PutInt(value); }
    void operator()(std::int64_t value) { PutInt(static_cast<std::uint64_t>(value)); }
    void operator()(const std::string& value) {
        PutInt(static_cast<std::uint32_t>(value.size()));
        m_bytes.insert(m_bytes.end(), value.begin(), value.end());
    }
    void operator()(const std::vector<std::uint8_t>& value) {
        PutInt(static_cast<std::uint32_t>(value.size()));
        m_bytes.insert(m_bytes.end(), value.begin(), value.end());
    }
    template <class T>
    void operator()(const std::vector<T>& values) {
        PutInt(static_cast<std::uint32_t>(values.size()));
        for (const auto& value : values) (*this)(value);
    }
    template <class T, class = decltype(std::declval<T&>().Visit(std::declval<Encoder&>()))>
    void operator()(const T& message) {
        const_cast<T&>(message).Visit(*this);  // Visit only reads when handed an Encoder
    }

    std::vector<std::uint8_t>& Bytes() { return m_bytes; }

private:
    template <class T>
    void PutInt(T value) {
        for (size_t i = 0; i < sizeof(T); ++i) m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    std::vector<std::uint8_t> m_bytes;
};

// Reads fields in the order a message's Visit lists them. Never reads outside its buffer;
// the first failure sticks, every later read fails too and leaves its field at its default.
class Decoder {
public:
    Decoder(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    void operator()(bool& value) {
        std::uint8_t byte = 0;
        GetInt(byte);
        if (byte > 1) m_failed = true;
        value = byte == 1;
    }
    void operator()(std::uint8_t& value) { GetInt(value); }
    void operator()(std::uint16_t& value) { GetInt(value); }
    void operator()(std::uint32_t& value) { GetInt(value); }
    void operator()(std::int32_t& value) {
        std::uint32_t raw = 0;
        GetInt(raw);
        value = static_cast<std::int32_t>(raw);
    }
    void operator()(std::uint64_t& value) { GetInt(value); }
    void operator()(std::int64_t& value) {
        std::uint64_t raw = 0;
        GetInt(raw);
        value = static_cast<std::int64_t>(raw);
    }
    void operator()(std::string& value) {
        std::uint32_t length = 0;
        GetInt(length);
        if (m_failed || length > Remaining()) {
            m_failed = true;
            return;
        }
        value.assign(reinterpret_cast<const char*>(m_data + m_position), length);
        m_position += length;
    }
    void operator()(std::vector<std::uint8_t>& value) {
        std::uint32_t length = 0;
        GetInt(length);
        if (m_failed || length > Remaining()) {
            m_failed = true;
            return;
        }
        value.assign(m_data + m_position, m_data + m_position + length);
        m_position += length;
    }
    template <class T>
    void operator()(std::vector<T>& values) {
        std::uint32_t count = 0;
        GetInt(count);
        // Every element takes at least one byte, so a count beyond what is left is a lie.
        if (m_failed || count > Remaining()) {
            m_failed = true;
            return;
        }
        values.clear();
        for (std::uint32_t i = 0; i < count && !m_failed; ++i) {
            T element{};
            (*this)(element);
            values.push_back(std::move(element));
        }
    }
    template <class T, class = decltype(std::declval<T&>().Visit(std::declval<Decoder&>()))>
    void operator()(T& message) {
        message.Visit(*this);
    }

    bool Failed() const { return m_failed; }
    std::size_t Remaining() const { return m_size - m_position; }
    // A message decodes cleanly when every field was there and nothing is left over.
    bool Complete() const { return !m_failed && m_position == m_size; }

private:
    template <class T>
    void GetInt(T& value) {
        value = 0;
        if (m_failed || Remaining() < sizeof(T)) {
            m_failed = true;
            return;
        }
        for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(static_cast<T>(m_data[m_position + i]) << (8 * i));
        m_position += sizeof(T);
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
    bool m_failed = false;
};

// A whole frame for a message: header and encoded payload.
template <class Message>
std::vector<std::uint8_t> EncodeFrame(std::uint16_t kind, std::uint32_t sequence, const Message& message) {
    Encoder encoder;
    encoder(static_cast<std::uint32_t>(0));  // length, patched below
    encoder(kind);
    encoder(sequence);
    encoder(message);
    auto& bytes = encoder.Bytes();
    const auto length = static_cast<std::uint32_t>(bytes.size() - 4);
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    return std::move(bytes);
}

template <class Message>
bool DecodePayload(const std::uint8_t* data, std::size_t size, Message& message) {
    Decoder decoder(data, size);
    decoder(message);
    return decoder.Complete();
}

enum class FrameStatus { Complete, NeedMore, Malformed };

// Looks at the start of a receive buffer: is a whole frame there, and is its header sane?
// On Complete, header is filled and the frame occupies 4 + header.length bytes.
FrameStatus PeekFrame(const std::uint8_t* data, std::size_t size, FrameHeader& header);

}  // namespace protocol
