// The receiver's UART: bytes leave at the baud rate's pace (a byte is ten bits on the line:
// start, eight data, stop), a cycle's pieces in order. Answers to the program's commands jump
// the queue: they leave right after the piece on its way, ahead of the cycle's other pieces, in
// the order they were given. What the line does not take is lost, as on a real UART, and
// counted; a piece counts as sent when its last byte was taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string_view>
#include <vector>

#include "tools/gpssim/sentence_frames.h"

namespace gpssim {

// A token bucket of bytes: baud/10 bytes per second, with a burst of at most a few
// milliseconds' worth, so the bytes go out in small chunks on the clock.
class Pacer {
public:
    static constexpr std::int64_t kBurstNanoseconds = 20'000'000;

    Pacer(int baud, std::int64_t now_ns);
    // How many of `wanted` bytes may leave now; they are taken from the bucket.
    std::size_t Take(std::int64_t now_ns, std::size_t wanted);
    // When `count` bytes will be available (now when they are).
    std::int64_t ReadyAt(std::size_t count) const;

private:
    static constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
    std::int64_t m_bytes_per_second;
    std::int64_t m_burst;       // in byte-nanoseconds
    std::int64_t m_credit = 0;  // byte-nanoseconds: bytes x 1e9
    std::int64_t m_last_ns;
};

// Where bytes go: returns how many of them the line took (0 when it took none).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual std::size_t Write(std::string_view bytes) = 0;
};

class Transmitter {
public:
    void Queue(std::vector<Piece> cycle);
    // Answers: after the piece on its way and the answers queued before, ahead of any cycle.
    void QueueNext(std::vector<Piece> answer);
    bool Idle() const { return m_pieces.empty(); }
    // A cycle's piece, begun or not, is still to go (answers alone do not count).
    bool CycleQueued() const;
    std::size_t Waiting() const;
    // Sends at most `budget` bytes into the sink; returns how many left (taken or lost).
    std::size_t Send(std::size_t budget, ByteSink& sink);
    // Forgets every piece not yet begun; the one on its way is finished.
    void DiscardUnstarted();
    std::uint64_t Lost() const { return m_lost; }

    // Every byte the line took, in order.
    std::function<void(std::string_view bytes)> on_written;
    // A piece whose last byte the line took.
    std::function<void(const Piece& piece)> on_piece_sent;

private:
    struct Entry {
        Piece piece;
        bool answer = false;
    };
    std::deque<Entry> m_pieces;
    std::size_t m_offset = 0;  // into the front piece
    std::uint64_t m_lost = 0;
};

}  // namespace gpssim
