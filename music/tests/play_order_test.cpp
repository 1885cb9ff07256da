// The order Music plays its list in: the repeat modes' wrapping, the shuffle modes' passes, and a
// shuffle that draws exactly the order of the plain list procedure, quickly.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "music/play_order.h"

namespace {

using music::Direction;
using music::Move;
using music::MoveKind;
using music::PlayMode;
using music::PlayOrder;

constexpr MoveKind kByHand = MoveKind::ByHand;
constexpr MoveKind kAutomatic = MoveKind::Automatic;
constexpr Direction kNext = Direction::Next;
constexpr Direction kPrevious = Direction::Previous;

music::RandomSource SourceOf(std::mt19937& random) {
    return [&random] { return static_cast<std::uint32_t>(random()); };
}

PlayOrder ShuffledOrder(int rows, unsigned seed) {
    std::mt19937 random(seed);
    PlayOrder order;
    order.Reset(rows);
    order.Shuffle(SourceOf(random));
    return order;
}

// Tracks played to their end from `start`: each is marked played, then the automatic move is
// taken, as Music's dialog does at a track's end. The moves, until one does not play or `limit`.
std::vector<Move> PlayOn(PlayOrder& order, PlayMode mode, int start, int limit) {
    std::vector<Move> moves;
    int current = start;
    while (static_cast<int>(moves.size()) < limit) {
        order.MarkPlayed(current);
        const Move move = order.Step(mode, kAutomatic, kNext, current);
        moves.push_back(move);
        if (!move.play) break;
        current = move.row;
    }
    return moves;
}

// The draw as the plain list procedure makes it: the unused ranks in a list, row i taking the entry
// at random() mod (entries left) and erasing it.
std::vector<int> ListProcedureRanks(int rows, const music::RandomSource& random) {
    std::vector<int> unused(static_cast<std::size_t>(rows));
    for (int rank = 0; rank < rows; ++rank) unused[static_cast<std::size_t>(rank)] = rank;
    std::vector<int> ranks;
    for (int row = 0; row < rows; ++row) {
        const auto position = static_cast<std::ptrdiff_t>(random() % unused.size());
        ranks.push_back(unused[static_cast<std::size_t>(position)]);
        unused.erase(unused.begin() + position);
    }
    return ranks;
}

// Ranks and rows are each other's inverse, and the ranks a permutation of 0..n-1.
void ExpectPermutation(const PlayOrder& order) {
    std::vector<bool> seen(static_cast<std::size_t>(order.Rows()), false);
    for (int row = 0; row < order.Rows(); ++row) {
        const int rank = order.Rank(row);
        ASSERT_TRUE(rank >= 0 && rank < order.Rows()) << "row " << row << " rank " << rank;
        ASSERT_FALSE(seen[static_cast<std::size_t>(rank)]) << "rank " << rank << " given twice";
        seen[static_cast<std::size_t>(rank)] = true;
        ASSERT_EQ(order.RowOfRank(rank), row);
    }
}

// --- The mode button ------------------------------------------------------------------------------

TEST(PlayModes, TheButtonCyclesAndDamagedModesRestart) {
    const int cases[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {-1, 0}, {4, 0}};
    for (const auto& [mode, next] : cases) EXPECT_EQ(music::NextPlayMode(mode), next) << mode;
}

// --- The repeat modes -----------------------------------------------------------------------------

TEST(RepeatModes, RepeatAllWrapsBothWaysAutomaticAndByHand) {
    PlayOrder order;
    order.Reset(4);
    struct Case {
        int current;
        Direction direction;
        int row;
    };
    const Case cases[] = {{0, kNext, 1}, {2, kNext, 3}, {3, kNext, 0}, {3, kPrevious, 2}, {0, kPrevious, 3}};
    for (const MoveKind kind : {kByHand, kAutomatic}) {
        for (const Case& c : cases) {
            EXPECT_EQ(order.Step(PlayMode::RepeatAll, kind, c.direction, c.current), (Move{c.row, true}))
                << "from " << c.current << (kind == kByHand ? " by hand" : " automatic");
        }
    }
    EXPECT_EQ(order.Step(static_cast<PlayMode>(7), kAutomatic, kNext, 3), (Move{0, true}));  // a damaged mode
    order.Reset(1);
    EXPECT_EQ(order.Step(PlayMode::RepeatAll, kAutomatic, kNext, 0), (Move{0, true}));
    EXPECT_EQ(order.Step(PlayMode::RepeatAll, kByHand, kPrevious, 0), (Move{0, true}));
}

TEST(RepeatModes, RepeatOneRepeatsAtATracksEndAndMovesByHand) {
    PlayOrder order;
    order.Reset(4);
    EXPECT_EQ(order.Step(PlayMode::RepeatOne, kAutomatic, kNext, 2), (Move{2, true}));
    EXPECT_EQ(order.Step(PlayMode::RepeatOne, kAutomatic, kPrevious, 0), (Move{0, true}));
    EXPECT_EQ(order.Step(PlayMode::RepeatOne, kByHand, kNext, 2), (Move{3, true}));
    EXPECT_EQ(order.Step(PlayMode::RepeatOne, kByHand, kNext, 3), (Move{0, true}));
    EXPECT_EQ(order.Step(PlayMode::RepeatOne, kByHand, kPrevious, 0), (Move{3, true}));
}

// --- The shuffle modes ----------------------------------------------------------------------------

TEST(ShuffleModes, ShuffleOnceOfThreePlaysTheOtherTwoInRankOrderThenStops) {
    for (unsigned seed = 0; seed < 20; ++seed) {
        for (int start = 0; start < 3; ++start) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " start " + std::to_string(start));
            PlayOrder order = ShuffledOrder(3, seed);
            const int rank = order.Rank(start);
            const int second = order.RowOfRank((rank + 1) % 3);
            const int third = order.RowOfRank((rank + 2) % 3);
            const std::vector<Move> expected = {{second, true}, {third, true}, {start, false}};
            EXPECT_EQ(PlayOn(order, PlayMode::ShuffleOnce, start, 10), expected);
            // The stop ended the pass; the next start plays the whole list again.
            for (int row = 0; row < 3; ++row) EXPECT_FALSE(order.Played(row)) << row;
            EXPECT_EQ(PlayOn(order, PlayMode::ShuffleOnce, start, 10), expected);
        }
    }
}

TEST(ShuffleModes, ShuffleOnceOfSixPlaysEachRowExactlyOnce) {
    for (unsigned seed = 0; seed < 20; ++seed) {
        for (int start = 0; start < 6; ++start) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " start " + std::to_string(start));
            PlayOrder order = ShuffledOrder(6, seed);
            std::vector<int> plays(6, 0);
            ++plays[static_cast<std::size_t>(start)];
            const std::vector<Move> moves = PlayOn(order, PlayMode::ShuffleOnce, start, 20);
            ASSERT_EQ(moves.size(), 6u);
            for (std::size_t i = 0; i + 1 < moves.size(); ++i) {
                EXPECT_TRUE(moves[i].play);
                ++plays[static_cast<std::size_t>(moves[i].row)];
            }
            EXPECT_EQ(moves.back(), (Move{start, false}));
            EXPECT_EQ(plays, std::vector<int>(6, 1));
        }
    }
}

TEST(ShuffleModes, ShuffleGoesOnPastTheEndOfAPass) {
    PlayOrder order = ShuffledOrder(3, 7);
    const int start = order.RowOfRank(1);
    // The third move comes back to the start: it plays, and the pass begins anew.
    const std::vector<Move> first = PlayOn(order, PlayMode::Shuffle, start, 3);
    const std::vector<Move> expected_first = {
        {order.RowOfRank(2), true}, {order.RowOfRank(0), true}, {start, true}};
    EXPECT_EQ(first, expected_first);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(order.Played(row)) << row;
    // And so on, pass after pass, in the same order.
    const std::vector<Move> more = PlayOn(order, PlayMode::Shuffle, start, 6);
    ASSERT_EQ(more.size(), 6u);
    for (std::size_t i = 0; i < more.size(); ++i) EXPECT_EQ(more[i], expected_first[i % 3]) << "move " << i;
}

TEST(ShuffleModes, PreviousWalksTheRanksDown) {
    PlayOrder order = ShuffledOrder(5, 3);
    const int start = order.RowOfRank(1);
    order.MarkPlayed(start);
    EXPECT_EQ(order.Step(PlayMode::ShuffleOnce, kAutomatic, kPrevious, start), (Move{order.RowOfRank(0), true}));
    order.MarkPlayed(order.RowOfRank(0));
    EXPECT_EQ(order.Step(PlayMode::ShuffleOnce, kAutomatic, kPrevious, order.RowOfRank(0)),
              (Move{order.RowOfRank(4), true}));
    EXPECT_EQ(order.Step(PlayMode::Shuffle, kByHand, kPrevious, order.RowOfRank(0)), (Move{order.RowOfRank(4), true}));
}

TEST(ShuffleModes, AMoveByHandStartsANewPass) {
    for (const PlayMode mode : {PlayMode::ShuffleOnce, PlayMode::Shuffle}) {
        PlayOrder order = ShuffledOrder(4, 11);
        for (int row = 0; row < 4; ++row) order.MarkPlayed(row);
        const int current = order.RowOfRank(2);
        // Every row was played, yet the listener's move plays the next one and forgets the pass.
        EXPECT_EQ(order.Step(mode, kByHand, kNext, current), (Move{order.RowOfRank(3), true}));
        for (int row = 0; row < 4; ++row) EXPECT_FALSE(order.Played(row)) << row;
        order.MarkPlayed(order.RowOfRank(3));
        EXPECT_EQ(order.Step(mode, kByHand, kPrevious, order.RowOfRank(3)), (Move{current, true}));
        EXPECT_FALSE(order.Played(order.RowOfRank(3)));
        // From there a whole pass of the four follows before ShuffleOnce stops.
        const std::vector<Move> moves = PlayOn(order, mode, current, 10);
        EXPECT_EQ(std::count_if(moves.begin(), moves.end(), [](const Move& m) { return m.play; }),
                  mode == PlayMode::ShuffleOnce ? 3 : 10);
    }
}

TEST(ShuffleModes, ANewOrderStartsANewPass) {
    // Half a pass played in one order, then the mode button draws a new one: the rows played in the
    // old order must not end the new pass early.
    PlayOrder order = ShuffledOrder(6, 5);
    PlayOn(order, PlayMode::Shuffle, 0, 3);
    std::mt19937 random(6);
    order.Shuffle(SourceOf(random));
    for (int row = 0; row < 6; ++row) EXPECT_FALSE(order.Played(row)) << row;
    const std::vector<Move> moves = PlayOn(order, PlayMode::ShuffleOnce, 2, 20);
    ASSERT_EQ(moves.size(), 6u);
    EXPECT_EQ(moves.back(), (Move{2, false}));
}

// --- Drawing the order ----------------------------------------------------------------------------

TEST(Shuffle, EveryDrawIsAPermutation) {
    for (const int rows : {1, 2, 3, 10'000}) {
        for (unsigned seed = 0; seed < 5; ++seed) {
            SCOPED_TRACE("rows " + std::to_string(rows) + " seed " + std::to_string(seed));
            ExpectPermutation(ShuffledOrder(rows, seed));
        }
    }
}

TEST(Shuffle, DrawsTheSameOrderAsTheListProcedure) {
    for (int rows = 0; rows <= 40; ++rows) {
        for (unsigned seed = 0; seed < 30; ++seed) {
            SCOPED_TRACE("rows " + std::to_string(rows) + " seed " + std::to_string(seed));
            std::mt19937 reference_random(seed);
            const std::vector<int> expected = ListProcedureRanks(rows, SourceOf(reference_random));
            const PlayOrder order = ShuffledOrder(rows, seed);
            std::vector<int> ranks;
            for (int row = 0; row < rows; ++row) ranks.push_back(order.Rank(row));
            ASSERT_EQ(ranks, expected);
        }
    }
    // Sources at the ends of their range: all zeros keep the list's order, all ones take its last.
    for (const std::uint32_t fixed : {0u, 0xffff'ffffu}) {
        const music::RandomSource source = [fixed] { return fixed; };
        PlayOrder order;
        order.Reset(37);
        order.Shuffle(source);
        for (int row = 0; row < 37; ++row) EXPECT_EQ(order.Rank(row), ListProcedureRanks(37, source)[row]) << row;
    }
}

TEST(Shuffle, LongListsAreDrawnWhole) {
    std::mt19937 random(1);
    PlayOrder order;
    order.Reset(10'000);
    for (int draw = 0; draw < 100; ++draw) order.Shuffle(SourceOf(random));
    order.Reset(200'000);
    order.Shuffle(SourceOf(random));
    ExpectPermutation(order);
}

TEST(Shuffle, ANewListIsInListOrderAndUnplayedAndSoIsOneWithoutASource) {
    PlayOrder order = ShuffledOrder(5, 2);
    order.MarkPlayed(3);
    order.Reset(3);
    EXPECT_EQ(order.Rows(), 3);
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(order.Rank(row) == row && !order.Played(row)) << row;
    std::mt19937 random(2);
    order.Shuffle(SourceOf(random));
    order.Shuffle({});
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(order.Rank(row) == row && order.RowOfRank(row) == row) << row;
}

// --- Nothing to move ------------------------------------------------------------------------------

TEST(NothingToMove, AnEmptyListOrAStrayRowMovesNothing) {
    const PlayMode modes[] = {PlayMode::RepeatAll, PlayMode::ShuffleOnce, PlayMode::Shuffle, PlayMode::RepeatOne};
    PlayOrder empty;
    empty.Reset(-4);
    EXPECT_EQ(empty.Rows(), 0);
    std::mt19937 random(3);
    empty.Shuffle(SourceOf(random));
    PlayOrder three = ShuffledOrder(3, 4);
    three.MarkPlayed(1);
    for (const PlayMode mode : modes) {
        for (const MoveKind kind : {kByHand, kAutomatic}) {
            EXPECT_EQ(empty.Step(mode, kind, kNext, 0), Move{});
            for (const int stray : {-1, 3, 1 << 30})
                EXPECT_EQ(three.Step(mode, kind, kPrevious, stray), Move{}) << stray;
        }
    }
    EXPECT_TRUE(three.Played(1));  // a move that did nothing started no new pass
    for (const int stray : {-1, 3}) {
        EXPECT_EQ(three.Rank(stray), -1);
        EXPECT_EQ(three.RowOfRank(stray), -1);
        EXPECT_FALSE(three.Played(stray));
        three.MarkPlayed(stray);
    }
}

}  // namespace
