// The byte queue between SatScope's receive thread and its window: 8192 slots, of which at most
// 8191 hold bytes, so that equal indices always mean "empty". The receive thread alone moves the
// write index and the window thread alone the read index; each index is published with a release
// store and read with an acquire load, so the bytes behind an index are visible before the index
// is. No lock is taken.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace satscope {

class ReceiveRing {
public:
    static constexpr std::uint32_t kSlots = 8192;
    static constexpr std::uint32_t kCapacity = kSlots - 1;

    // Bytes waiting: the reader sees at least what was put before its call.
    std::uint32_t Count() const
    {
        const std::uint32_t write = m_write.load(std::memory_order_acquire);
        const std::uint32_t read = m_read.load(std::memory_order_acquire);
        return (write - read + kSlots) % kSlots;
    }

    // Writer side. False, storing nothing, when the ring is full.
    bool Put(std::uint8_t byte)
    {
        const std::uint32_t write = m_write.load(std::memory_order_relaxed);
        const std::uint32_t next = (write + 1) % kSlots;
        if (next == m_read.load(std::memory_order_acquire)) return false;
        m_bytes[write] = byte;
        m_write.store(next, std::memory_order_release);
        return true;
    }

    // Reader side. False when nothing is waiting.
    bool Get(std::uint8_t& byte)
    {
        const std::uint32_t read = m_read.load(std::memory_order_relaxed);
        if (read == m_write.load(std::memory_order_acquire)) return false;
        byte = m_bytes[read];
        m_read.store((read + 1) % kSlots, std::memory_order_release);
        return true;
    }

    // Empties the ring. Only while neither side runs (the link resets it with its thread ended).
    void Reset()
    {
        m_bytes.fill(0);
        m_write.store(0, std::memory_order_release);
        m_read.store(0, std::memory_order_release);
    }

    // A batch read from the port goes in whole when it fits in the room left (8192 less the
    // count), else it is dropped whole: false.
    bool PutBatch(const std::uint8_t* bytes, std::size_t count)
    {
        if (count >= kSlots - Count()) return false;
        for (std::size_t i = 0; i < count; ++i) Put(bytes[i]);
        return true;
    }

private:
    std::array<std::uint8_t, kSlots> m_bytes{};
    std::atomic<std::uint32_t> m_write{0};
    std::atomic<std::uint32_t> m_read{0};
};

}  // namespace satscope
