#include "mediainfo/byte_cursor.h"

#include <cstring>

namespace mediainfo {

ByteCursor::ByteCursor(const std::uint8_t* data, std::size_t size)
    : m_data(data)
    , m_size(data ? size : 0)
{
}

bool ByteCursor::Has(std::size_t count)
{
    if (!m_failed && count <= m_size - m_position)
        return true;
    m_failed = true;
    return false;
}

bool ByteCursor::ReadU8(std::uint8_t& out)
{
    out = 0;
    if (!Has(1))
        return false;
    out = m_data[m_position++];
    return true;
}

bool ByteCursor::ReadU16Le(std::uint16_t& out)
{
    out = 0;
    if (!Has(2))
        return false;
    const std::uint8_t* p = m_data + m_position;
    out = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    m_position += 2;
    return true;
}

bool ByteCursor::ReadU16Be(std::uint16_t& out)
{
    out = 0;
    if (!Has(2))
        return false;
    const std::uint8_t* p = m_data + m_position;
    out = static_cast<std::uint16_t>((p[0] << 8) | p[1]);
    m_position += 2;
    return true;
}

bool ByteCursor::ReadU24Be(std::uint32_t& out)
{
    out = 0;
    if (!Has(3))
        return false;
    const std::uint8_t* p = m_data + m_position;
    out = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    m_position += 3;
    return true;
}

bool ByteCursor::ReadU32Le(std::uint32_t& out)
{
    out = 0;
    if (!Has(4))
        return false;
    const std::uint8_t* p = m_data + m_position;
    out = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
    m_position += 4;
    return true;
}

bool ByteCursor::ReadU32Be(std::uint32_t& out)
{
    out = 0;
    if (!Has(4))
        return false;
    const std::uint8_t* p = m_data + m_position;
    out = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
    m_position += 4;
    return true;
}

bool ByteCursor::ReadU64Le(std::uint64_t& out)
{
    out = 0;
    if (!Has(8))
        return false;
    const std::uint8_t* p = m_data + m_position;
    for (int i = 7; i >= 0; --i)
        out = (out << 8) | p[i];
    m_position += 8;
    return true;
}

bool ByteCursor::ReadU64Be(std::uint64_t& out)
{
    out = 0;
    if (!Has(8))
        return false;
    const std::uint8_t* p = m_data + m_position;
    for (int i = 0; i < 8; ++i)
        out = (out << 8) | p[i];
    m_position += 8;
    return true;
}

bool ByteCursor::ReadBytes(void* out, std::size_t count)
{
    if (!Has(count)) {
        if (out && count)
            std::memset(out, 0, count);
        return false;
    }
    if (count)
        std::memcpy(out, m_data + m_position, count);
    m_position += count;
    return true;
}

bool ByteCursor::PeekU8(std::uint8_t& out)
{
    out = 0;
    if (!Has(1))
        return false;
    out = m_data[m_position];
    return true;
}

bool ByteCursor::PeekU32Be(std::uint32_t& out)
{
    const std::size_t position = m_position;
    const bool ok = ReadU32Be(out);
    m_position = position;
    return ok;
}

bool ByteCursor::StartsWith(const void* bytes, std::size_t count) const
{
    if (m_failed || count > m_size - m_position)
        return false;
    return count == 0 || std::memcmp(m_data + m_position, bytes, count) == 0;
}

bool ByteCursor::Skip(std::size_t count)
{
    if (!Has(count))
        return false;
    m_position += count;
    return true;
}

bool ByteCursor::Seek(std::size_t position)
{
    if (m_failed || position > m_size) {
        m_failed = true;
        return false;
    }
    m_position = position;
    return true;
}

ByteCursor ByteCursor::Sub(std::size_t count)
{
    if (m_failed) {
        ByteCursor failed(m_data + m_position, 0);
        failed.m_failed = true;
        return failed;
    }
    const std::size_t clamped = count < Remaining() ? count : Remaining();
    ByteCursor child(m_data + m_position, clamped);
    m_position += clamped;
    return child;
}

}  // namespace mediainfo
