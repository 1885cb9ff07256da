// A bounds-checked, most-significant-bit-first reader for the bit-packed headers of the MPEG-4
// family: the AVC sequence parameter set (with its exponential-Golomb codes), the MPEG-4 video
// object layer and the AAC AudioSpecificConfig. Like ByteCursor it never reads outside its
// buffer and its failure is sticky: a read past the end returns 0 and marks the reader failed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mediainfo {

class Mp4BitReader {
public:
    Mp4BitReader(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size_bits(data ? size * 8 : 0)
    {
    }

    // Reads count bits (at most 32) as an unsigned number.
    std::uint32_t Bits(unsigned count)
    {
        if (m_failed || count > 32 || count > m_size_bits - m_position) {
            m_failed = true;
            return 0;
        }
        std::uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t bit = m_position++;
            value = (value << 1) | ((m_data[bit >> 3] >> (7 - (bit & 7))) & 1u);
        }
        return value;
    }

    bool Flag() { return Bits(1) != 0; }

    // ue(v): unsigned exponential-Golomb code. More than 31 leading zeros cannot stand in a
    // valid stream and fail the reader.
    std::uint32_t UnsignedGolomb()
    {
        unsigned leading_zeros = 0;
        while (!m_failed && Bits(1) == 0) {
            if (++leading_zeros > 31) {
                m_failed = true;
                return 0;
            }
        }
        if (m_failed)
            return 0;
        if (leading_zeros == 0)
            return 0;
        const std::uint64_t value = (std::uint64_t{1} << leading_zeros) - 1 + Bits(leading_zeros);
        return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
    }

    // se(v): signed exponential-Golomb code.
    std::int32_t SignedGolomb()
    {
        const std::uint32_t code = UnsignedGolomb();
        const std::int64_t magnitude = (static_cast<std::int64_t>(code) + 1) / 2;
        return static_cast<std::int32_t>((code & 1) ? magnitude : -magnitude);
    }

    bool Failed() const { return m_failed; }
    std::size_t BitPosition() const { return m_position; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size_bits;
    std::size_t m_position = 0;
    bool m_failed = false;
};

}  // namespace mediainfo
