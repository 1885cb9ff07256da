#include "satscope/receive_ring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace satscope {
namespace {

TEST(ReceiveRing, HoldsOneByteLessThanItsSlots)
{
    auto ring = std::make_unique<ReceiveRing>();
    for (std::uint32_t i = 0; i < 8190; ++i) ASSERT_TRUE(ring->Put(static_cast<std::uint8_t>(i)));
    EXPECT_EQ(ring->Count(), 8190u);
    EXPECT_TRUE(ring->Put(1)) << "8190 waiting: one more fits";
    EXPECT_EQ(ring->Count(), 8191u);
    EXPECT_FALSE(ring->Put(2)) << "8191 waiting: full";
    EXPECT_EQ(ring->Count(), 8191u);

    std::uint8_t byte = 0;
    for (std::uint32_t i = 0; i < 8190; ++i) {
        ASSERT_TRUE(ring->Get(byte));
        ASSERT_EQ(byte, static_cast<std::uint8_t>(i));
    }
    ASSERT_TRUE(ring->Get(byte));
    EXPECT_EQ(byte, 1);
    EXPECT_FALSE(ring->Get(byte));
    EXPECT_EQ(ring->Count(), 0u);
}

TEST(ReceiveRing, ABatchThatDoesNotFitIsDroppedWhole)
{
    auto ring = std::make_unique<ReceiveRing>();
    const std::vector<std::uint8_t> waiting(6200, 'a');
    ASSERT_TRUE(ring->PutBatch(waiting.data(), waiting.size()));
    const std::vector<std::uint8_t> batch(2048, 'b');
    EXPECT_FALSE(ring->PutBatch(batch.data(), batch.size())) << "room 1992";
    EXPECT_EQ(ring->Count(), 6200u);
    EXPECT_TRUE(ring->PutBatch(batch.data(), 1991));
    EXPECT_EQ(ring->Count(), 8191u);

    ring->Reset();
    EXPECT_EQ(ring->Count(), 0u);
    std::uint8_t byte = 1;
    EXPECT_FALSE(ring->Get(byte));
}

// One thread puts a running count, another takes it: every byte arrives, in order.
TEST(ReceiveRing, TwoThreadsPassFiftyMegabytesInOrder)
{
    auto ring = std::make_unique<ReceiveRing>();
    constexpr std::uint64_t kBytes = 50ull * 1024 * 1024;
    std::thread writer([&] {
        for (std::uint64_t i = 0; i < kBytes;) {
            if (ring->Put(static_cast<std::uint8_t>(i * 7 + (i >> 8)))) ++i;
            else std::this_thread::yield();
        }
    });
    std::uint64_t mismatches = 0;
    for (std::uint64_t i = 0; i < kBytes;) {
        std::uint8_t byte = 0;
        if (!ring->Get(byte)) {
            std::this_thread::yield();
            continue;
        }
        if (byte != static_cast<std::uint8_t>(i * 7 + (i >> 8))) ++mismatches;
        ++i;
    }
    writer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(ring->Count(), 0u);
}

}  // namespace
}  // namespace satscope
