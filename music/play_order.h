// The order Music plays its list in. Each row of the list has a shuffle rank 0..n-1 (the ranks
// are a permutation of the rows) and a played flag; the shuffle modes walk the rows by rank, and
// the flags tell where a pass over the list ends. Links only the standard library.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace music {

// The mode button's modes, as Music.dat stores them.
enum class PlayMode : int { RepeatAll = 0, ShuffleOnce = 1, Shuffle = 2, RepeatOne = 3 };
constexpr int kPlayModes = 4;

// The mode button: 0 -> 1 -> 2 -> 3 -> 0; from a mode outside that range it goes to 0.
int NextPlayMode(int mode);

// A move the listener asked for (the next and previous buttons) or one at the end of a track.
enum class MoveKind { ByHand, Automatic };
enum class Direction { Next, Previous };

// Where a move lands: the new current row (-1: none) and whether it plays.
struct Move {
    int row = -1;
    bool play = false;
    bool operator==(const Move&) const = default;
};

// A source of random numbers, injected so that tests can fix it; the program seeds one per start
// and logs the seed.
using RandomSource = std::function<std::uint32_t()>;

class PlayOrder {
public:
    // n rows (a negative count is taken as 0), all unplayed, each ranked at its own index.
    void Reset(int rows);
    int Rows() const { return static_cast<int>(m_rank.size()); }

    // Draws a new order: with the unused ranks 0..n-1 kept as a list in ascending order, row
    // i = 0..n-1 in turn takes the rank at position random() mod (ranks left) and that rank leaves
    // the list. A new order starts a new pass, so every played flag is cleared. Without a source
    // every row keeps its own index as its rank. O(n log n).
    void Shuffle(const RandomSource& random);

    // A row's rank, -1 for a row outside the list; the row with a rank, -1 when none.
    int Rank(int row) const;
    int RowOfRank(int rank) const;

    // The caller marks the current row played at the end of its track, before the automatic move.
    // Rows outside the list are ignored.
    bool Played(int row) const;
    void MarkPlayed(int row);
    void ClearPlayed();

    // The move from the current row in a mode:
    //  - RepeatAll: next is the row after, wrapping from the last to the first, previous the row
    //    before, wrapping back; it always plays.
    //  - RepeatOne: a move at a track's end stays on the row and plays it again; a move by hand is
    //    RepeatAll's.
    //  - ShuffleOnce and Shuffle: a move by hand first clears the played flags, starting a new
    //    pass. The move goes to the row of the next (or previous) rank, wrapping. A row not played
    //    yet plays. A played row ends the pass: the flags are cleared, and ShuffleOnce stops there
    //    (the row becomes current without playing) while Shuffle plays it and goes on.
    // An empty list or a current row outside it moves nothing: {-1, false}. A mode outside
    // PlayMode is taken as RepeatAll.
    Move Step(PlayMode mode, MoveKind kind, Direction direction, int current);

private:
    bool Contains(int row) const { return row >= 0 && row < Rows(); }
    Move Neighbour(Direction direction, int current) const;
    Move ShuffleStep(PlayMode mode, MoveKind kind, Direction direction, int current);

    std::vector<int> m_rank;         // by row
    std::vector<int> m_row_of_rank;  // by rank, the inverse of m_rank
    std::vector<bool> m_played;      // by row
};

}  // namespace music
