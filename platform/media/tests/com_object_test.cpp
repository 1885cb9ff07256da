#include "platform/media/com_object.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "test_objects.h"

namespace platform {
namespace {

class ComObjectTest : public testing::Test {
protected:
    void SetUp() override { m_live_at_start = ComLiveObjects(); }
    void TearDown() override { EXPECT_EQ(ComLiveObjects(), m_live_at_start) << "an object was leaked"; }
    LONG m_live_at_start = 0;
};

TEST_F(ComObjectTest, QueryInterfaceAnswersListedAndExtendedInterfaces)
{
    auto* square = new TestSquare();
    struct Case {
        const IID* iid;
        HRESULT result;
    };
    const Case cases[] = {
        {&IID_IUnknown, S_OK}, {&IID_ISquare, S_OK}, {&IID_IShape, S_OK}, {&IID_IColour, S_OK},
        {&IID_INowhere, E_NOINTERFACE}, {&IID_IGraphBuilder, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        void* sentinel = reinterpret_cast<void*>(0xDEADBEEF);
        void* out = sentinel;
        EXPECT_EQ(square->QueryInterface(*c.iid, &out), c.result) << FormatGuid(*c.iid);
        if (SUCCEEDED(c.result)) {
            ASSERT_NE(out, nullptr);
            static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr) << "a refused interface leaves the out pointer null";
        }
    }
    EXPECT_EQ(square->QueryInterface(IID_IShape, nullptr), E_POINTER);
    EXPECT_EQ(square->Release(), 0u);
}

TEST_F(ComObjectTest, InterfacesReachTheSameObject)
{
    auto* square = new TestSquare();
    IShape* shape = nullptr;
    IColour* colour = nullptr;
    IUnknown* via_shape = nullptr;
    IUnknown* via_colour = nullptr;
    ASSERT_EQ(square->QueryInterface(IID_IShape, reinterpret_cast<void**>(&shape)), S_OK);
    ASSERT_EQ(square->QueryInterface(IID_IColour, reinterpret_cast<void**>(&colour)), S_OK);
    EXPECT_EQ(shape->Sides(), 4);
    EXPECT_EQ(colour->Rgb(), 0xFF0000u);
    // Identity: IUnknown asked through any interface is the same pointer.
    ASSERT_EQ(shape->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&via_shape)), S_OK);
    ASSERT_EQ(colour->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&via_colour)), S_OK);
    EXPECT_EQ(via_shape, via_colour);
    // The creator's reference plus the four handed out.
    EXPECT_EQ(square->AddRef(), 6u);
    EXPECT_EQ(colour->Release(), 5u);
    for (IUnknown* held : {static_cast<IUnknown*>(shape), static_cast<IUnknown*>(colour), via_shape, via_colour,
                           static_cast<IUnknown*>(static_cast<ISquare*>(square))})
        held->Release();
}

TEST_F(ComObjectTest, LiveCountFollowsObjects)
{
    LONG before = ComLiveObjects();
    auto* first = new TestSquare();
    auto* second = new TestSquare();
    EXPECT_EQ(ComLiveObjects(), before + 2);
    first->Release();
    EXPECT_EQ(ComLiveObjects(), before + 1);
    second->Release();
    EXPECT_EQ(ComLiveObjects(), before);
}

TEST_F(ComObjectTest, ReferenceCountHoldsAcrossThreads)
{
    constexpr int kThreads = 8;
    constexpr int kPairs = 10000;
    std::atomic<int> destroyed{0};
    auto* square = new TestSquare(&destroyed);
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < kPairs; ++i) {
                square->AddRef();
                square->Release();
            }
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(destroyed.load(), 0);
    EXPECT_EQ(square->AddRef(), 2u);
    EXPECT_EQ(square->Release(), 1u);
    EXPECT_EQ(square->Release(), 0u);
    EXPECT_EQ(destroyed.load(), 1);
}

TEST_F(ComObjectTest, LastReleaseOnAnyThreadDeletesOnce)
{
    // Every thread holds one reference and drops it at once; exactly one of them deletes.
    constexpr int kThreads = 8;
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> destroyed{0};
        auto* square = new TestSquare(&destroyed);
        for (int t = 1; t < kThreads; ++t) square->AddRef();
        std::atomic<int> zeros{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&] { zeros += square->Release() == 0 ? 1 : 0; });
        for (auto& thread : threads) thread.join();
        ASSERT_EQ(destroyed.load(), 1) << "round " << round;
        ASSERT_EQ(zeros.load(), 1) << "round " << round;
    }
}

}  // namespace
}  // namespace platform
