// A bounds-checked cursor over a memory buffer, which every reader reads its headers with.
// It never reads outside [begin, begin + size). A read that does not fit fails, writes 0 to its
// output, keeps the position, and makes the cursor failed for good, so a parser can run straight
// through a structure and check Failed() once; values still have to be checked before they
// become a size, a loop count or a divisor.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mediainfo {

class ByteCursor {
public:
    ByteCursor() = default;
    ByteCursor(const std::uint8_t* data, std::size_t size);

    [[nodiscard]] bool ReadU8(std::uint8_t& out);
    [[nodiscard]] bool ReadU16Le(std::uint16_t& out);
    [[nodiscard]] bool ReadU16Be(std::uint16_t& out);
    [[nodiscard]] bool ReadU24Be(std::uint32_t& out);
    [[nodiscard]] bool ReadU32Le(std::uint32_t& out);
    [[nodiscard]] bool ReadU32Be(std::uint32_t& out);
    [[nodiscard]] bool ReadU64Le(std::uint64_t& out);
    [[nodiscard]] bool ReadU64Be(std::uint64_t& out);
    // A four-character code, read big-endian so that it compares with FourCC("RIFF").
    [[nodiscard]] bool ReadFourCC(std::uint32_t& out) { return ReadU32Be(out); }
    // Copies count bytes out; on failure nothing is copied and out is zero-filled.
    [[nodiscard]] bool ReadBytes(void* out, std::size_t count);

    // Peeks do not move the cursor; a failed peek fails the cursor like a read.
    [[nodiscard]] bool PeekU8(std::uint8_t& out);
    [[nodiscard]] bool PeekU32Be(std::uint32_t& out);
    // True when the next bytes equal the given ones; never fails the cursor.
    bool StartsWith(const void* bytes, std::size_t count) const;

    [[nodiscard]] bool Skip(std::size_t count);
    // Moves to an absolute position inside the buffer (the end is allowed).
    [[nodiscard]] bool Seek(std::size_t position);

    // A child cursor over the next count bytes, clamped to what is left here; this cursor moves
    // past the child. A child can never reach outside its parent.
    [[nodiscard]] ByteCursor Sub(std::size_t count);

    // The bytes at the position, valid for Remaining() bytes.
    const std::uint8_t* Current() const { return m_data + m_position; }
    const std::uint8_t* Begin() const { return m_data; }
    std::size_t Position() const { return m_position; }
    std::size_t Size() const { return m_size; }
    std::size_t Remaining() const { return m_size - m_position; }
    bool AtEnd() const { return m_position == m_size; }
    // The bounds test: the cursor has not moved past its buffer and no read has failed.
    bool InBounds() const { return m_position <= m_size && !m_failed; }
    bool Failed() const { return m_failed; }

private:
    bool Has(std::size_t count);

    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_position = 0;
    bool m_failed = false;
};

}  // namespace mediainfo
