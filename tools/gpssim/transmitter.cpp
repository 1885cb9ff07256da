#include "tools/gpssim/transmitter.h"

#include <algorithm>

namespace gpssim {

Pacer::Pacer(int baud, std::int64_t now_ns)
    : m_bytes_per_second(std::max<std::int64_t>(1, baud / 10)),
      m_burst(std::max<std::int64_t>(m_bytes_per_second * kBurstNanoseconds, kNanosecondsPerSecond)),
      m_last_ns(now_ns) {}

std::size_t Pacer::Take(std::int64_t now_ns, std::size_t wanted) {
    const std::int64_t elapsed = std::clamp<std::int64_t>(now_ns - m_last_ns, 0, kNanosecondsPerSecond);
    m_last_ns = std::max(m_last_ns, now_ns);
    m_credit = std::min(m_burst, m_credit + elapsed * m_bytes_per_second);
    const std::size_t available = static_cast<std::size_t>(m_credit / kNanosecondsPerSecond);
    const std::size_t taken = std::min(available, wanted);
    m_credit -= static_cast<std::int64_t>(taken) * kNanosecondsPerSecond;
    return taken;
}

std::int64_t Pacer::ReadyAt(std::size_t count) const {
    const std::int64_t needed = static_cast<std::int64_t>(std::max<std::size_t>(count, 1)) * kNanosecondsPerSecond;
    const std::int64_t target = std::min(needed, m_burst);
    if (m_credit >= target) return m_last_ns;
    return m_last_ns + (target - m_credit + m_bytes_per_second - 1) / m_bytes_per_second;
}

void Transmitter::Queue(std::vector<Piece> cycle) {
    for (Piece& piece : cycle)
        if (!piece.bytes.empty()) m_pieces.push_back({std::move(piece), false});
}

void Transmitter::QueueNext(std::vector<Piece> answer) {
    // Past the piece on its way, then past the answers already waiting at the front.
    std::size_t at = m_offset > 0 ? 1 : 0;
    while (at < m_pieces.size() && m_pieces[at].answer) ++at;
    auto position = m_pieces.begin() + static_cast<std::ptrdiff_t>(at);
    for (Piece& piece : answer) {
        if (piece.bytes.empty()) continue;
        position = m_pieces.insert(position, {std::move(piece), true}) + 1;
    }
}

bool Transmitter::CycleQueued() const {
    return std::any_of(m_pieces.begin(), m_pieces.end(), [](const Entry& entry) { return !entry.answer; });
}

std::size_t Transmitter::Waiting() const {
    std::size_t waiting = 0;
    for (const Entry& entry : m_pieces) waiting += entry.piece.bytes.size();
    return waiting - m_offset;
}

std::size_t Transmitter::Send(std::size_t budget, ByteSink& sink) {
    std::size_t left = 0;
    while (left < budget && !m_pieces.empty()) {
        const Piece& piece = m_pieces.front().piece;
        const std::size_t chunk = std::min(budget - left, piece.bytes.size() - m_offset);
        const std::string_view bytes = std::string_view(piece.bytes).substr(m_offset, chunk);
        const std::size_t taken = std::min(sink.Write(bytes), chunk);
        if (taken > 0 && on_written) on_written(bytes.substr(0, taken));
        m_lost += chunk - taken;
        m_offset += chunk;
        left += chunk;
        if (m_offset == piece.bytes.size()) {
            if (taken == chunk && on_piece_sent) on_piece_sent(piece);
            m_pieces.pop_front();
            m_offset = 0;
        }
    }
    return left;
}

void Transmitter::DiscardUnstarted() {
    const std::size_t keep = m_offset > 0 ? 1 : 0;
    m_pieces.erase(m_pieces.begin() + static_cast<std::ptrdiff_t>(std::min(keep, m_pieces.size())), m_pieces.end());
}

}  // namespace gpssim
