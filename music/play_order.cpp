#include "music/play_order.h"

#include <cstddef>
#include <numeric>

namespace music {

namespace {

// The index after or before `index` among 0 .. count - 1, wrapping at both ends.
int Wrapped(Direction direction, int index, int count) {
    if (direction == Direction::Next) return index + 1 == count ? 0 : index + 1;
    return index == 0 ? count - 1 : index - 1;
}

// The unused ranks 0..n-1 as a Fenwick tree of counts, so that taking the rank at any position of
// the ascending list of those left, and removing it, costs O(log n) instead of a vector erase's
// O(n). It yields exactly what the list would.
class UnusedRanks {
public:
    explicit UnusedRanks(std::size_t count) : m_tree(count + 1, 0) {
        // Every rank present once: node i covers the lowbit(i) ranks ending at i.
        for (std::size_t i = 1; i <= count; ++i) m_tree[i] = static_cast<int>(i & (~i + 1));
        m_top = 1;
        while (m_top * 2 <= count) m_top *= 2;
    }

    // Takes the rank at a position 0 .. left - 1 of the ascending list of unused ranks.
    int Take(std::size_t position) {
        // Walk down from the highest power of two, skipping whole nodes whose ranks all lie
        // before the wanted one; `node` ends just before it.
        std::size_t node = 0;
        std::size_t remaining = position;
        for (std::size_t step = m_top; step > 0; step /= 2) {
            const std::size_t next = node + step;
            if (next < m_tree.size() && static_cast<std::size_t>(m_tree[next]) <= remaining) {
                node = next;
                remaining -= static_cast<std::size_t>(m_tree[next]);
            }
        }
        for (std::size_t i = node + 1; i < m_tree.size(); i += i & (~i + 1)) --m_tree[i];
        return static_cast<int>(node);  // node + 1 in the tree's 1-based counting
    }

private:
    std::vector<int> m_tree;
    std::size_t m_top = 0;
};

}  // namespace

int NextPlayMode(int mode) {
    return mode >= 0 && mode < kPlayModes - 1 ? mode + 1 : 0;
}

void PlayOrder::Reset(int rows) {
    const std::size_t count = rows > 0 ? static_cast<std::size_t>(rows) : 0;
    m_rank.resize(count);
    std::iota(m_rank.begin(), m_rank.end(), 0);
    m_row_of_rank = m_rank;
    m_played.assign(count, false);
}

void PlayOrder::Shuffle(const RandomSource& random) {
    std::iota(m_rank.begin(), m_rank.end(), 0);
    m_row_of_rank = m_rank;
    ClearPlayed();
    if (!random) return;
    const std::size_t count = m_rank.size();
    UnusedRanks unused(count);
    for (std::size_t row = 0; row < count; ++row) {
        const std::size_t left = count - row;
        const int rank = unused.Take(static_cast<std::size_t>(random()) % left);
        m_rank[row] = rank;
        m_row_of_rank[static_cast<std::size_t>(rank)] = static_cast<int>(row);
    }
}

int PlayOrder::Rank(int row) const {
    return Contains(row) ? m_rank[static_cast<std::size_t>(row)] : -1;
}

int PlayOrder::RowOfRank(int rank) const {
    return rank >= 0 && rank < Rows() ? m_row_of_rank[static_cast<std::size_t>(rank)] : -1;
}

bool PlayOrder::Played(int row) const {
    return Contains(row) && m_played[static_cast<std::size_t>(row)];
}

void PlayOrder::MarkPlayed(int row) {
    if (Contains(row)) m_played[static_cast<std::size_t>(row)] = true;
}

void PlayOrder::ClearPlayed() {
    m_played.assign(m_played.size(), false);
}

Move PlayOrder::Step(PlayMode mode, MoveKind kind, Direction direction, int current) {
    if (!Contains(current)) return {};
    switch (mode) {
    case PlayMode::RepeatOne:
        if (kind == MoveKind::Automatic) return {current, true};
        return Neighbour(direction, current);
    case PlayMode::ShuffleOnce:
    case PlayMode::Shuffle:
        return ShuffleStep(mode, kind, direction, current);
    case PlayMode::RepeatAll:
        break;
    }
    return Neighbour(direction, current);
}

// The row after or before in list order, wrapping; it always plays.
Move PlayOrder::Neighbour(Direction direction, int current) const {
    return {Wrapped(direction, current, Rows()), true};
}

Move PlayOrder::ShuffleStep(PlayMode mode, MoveKind kind, Direction direction, int current) {
    if (kind == MoveKind::ByHand) ClearPlayed();
    const int row = RowOfRank(Wrapped(direction, Rank(current), Rows()));
    if (!Played(row)) return {row, true};
    // Back on a row of this pass: the pass is over.
    ClearPlayed();
    return {row, mode == PlayMode::Shuffle};
}

}  // namespace music
