#include "platform/media/com_runtime.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/media/class_registry.h"
#include "test_objects.h"

namespace platform {
namespace {

TEST(CoInitializeEx, CountsPerThread)
{
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    // Another thread starts from nothing.
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, 0), S_OK);
        CoUninitialize();
    }).join();
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_FALSE) << "one initialisation is still open";
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();  // one too many is ignored
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_OK);
    CoUninitialize();
}

TEST(CoInitializeEx, BadArgumentsAreNotCounted)
{
    int reserved = 0;
    EXPECT_EQ(CoInitializeEx(&reserved, 0), E_INVALIDARG);
    EXPECT_EQ(CoInitializeEx(nullptr, 0x100), E_INVALIDARG);
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_OK);
    CoUninitialize();
}

class CoCreateInstanceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoInitializeEx(nullptr, 0), S_OK);
        ASSERT_EQ(RegisterComClass(CLSID_TestSquare, ComFactoryFor<TestSquare>()), S_OK);
        m_live_at_start = ComLiveObjects();
    }
    void TearDown() override
    {
        EXPECT_EQ(ComLiveObjects(), m_live_at_start) << "an object was leaked";
        EXPECT_EQ(UnregisterComClass(CLSID_TestSquare), S_OK);
        CoUninitialize();
    }
    void* m_out = reinterpret_cast<void*>(0xDEADBEEF);  // a sentinel each failure must clear
    LONG m_live_at_start = 0;
};

TEST_F(CoCreateInstanceTest, CreatesARegisteredClass)
{
    ASSERT_EQ(CoCreateInstance(CLSID_TestSquare, nullptr, CLSCTX_INPROC_SERVER, IID_IShape, &m_out), S_OK);
    auto* shape = static_cast<IShape*>(m_out);
    EXPECT_EQ(shape->Sides(), 4);
    EXPECT_EQ(ComLiveObjects(), m_live_at_start + 1);
    EXPECT_EQ(shape->Release(), 0u) << "the caller holds the only reference";
}

TEST_F(CoCreateInstanceTest, FailuresLeaveNothingBehind)
{
    auto* outer = new TestSquare();
    struct Case {
        const char* what;
        const CLSID* clsid;
        IUnknown* outer;
        DWORD context;
        const IID* iid;
        HRESULT result;
    };
    const Case cases[] = {
        {"unknown class", &CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, &IID_IUnknown, REGDB_E_CLASSNOTREG},
        {"missing interface", &CLSID_TestSquare, nullptr, CLSCTX_INPROC_SERVER, &IID_INowhere, E_NOINTERFACE},
        {"aggregation", &CLSID_TestSquare, static_cast<ISquare*>(outer), CLSCTX_INPROC_SERVER, &IID_IUnknown,
         CLASS_E_NOAGGREGATION},
        {"out-of-process only", &CLSID_TestSquare, nullptr, CLSCTX_LOCAL_SERVER, &IID_IUnknown, REGDB_E_CLASSNOTREG},
    };
    for (const Case& c : cases) {
        m_out = reinterpret_cast<void*>(0xDEADBEEF);
        EXPECT_EQ(CoCreateInstance(*c.clsid, c.outer, c.context, *c.iid, &m_out), c.result) << c.what;
        EXPECT_EQ(m_out, nullptr) << c.what;
        EXPECT_EQ(ComLiveObjects(), m_live_at_start + 1) << c.what << ": only the outer object is alive";
    }
    EXPECT_EQ(CoCreateInstance(CLSID_TestSquare, nullptr, CLSCTX_ALL, IID_IShape, nullptr), E_POINTER);
    outer->Release();
}

TEST_F(CoCreateInstanceTest, FactoryFailuresComeBackUnchanged)
{
    ASSERT_EQ(RegisterComClass(CLSID_FilterGraph, [](IUnknown**) { return E_OUTOFMEMORY; }), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &m_out),
              E_OUTOFMEMORY);
    EXPECT_EQ(m_out, nullptr);
    ASSERT_EQ(UnregisterComClass(CLSID_FilterGraph), S_OK);
    // A factory that reports success without an object does not pass that on as success.
    ASSERT_EQ(RegisterComClass(CLSID_FilterGraph, [](IUnknown**) { return S_OK; }), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &m_out), E_FAIL);
    EXPECT_EQ(m_out, nullptr);
    ASSERT_EQ(UnregisterComClass(CLSID_FilterGraph), S_OK);
}

TEST_F(CoCreateInstanceTest, ThreadWithoutInitialisationIsRefused)
{
    std::thread([this] {
        EXPECT_EQ(CoCreateInstance(CLSID_TestSquare, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &m_out),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(m_out, nullptr);
    }).join();
}

TEST_F(CoCreateInstanceTest, RegistrationRules)
{
    EXPECT_EQ(RegisterComClass(CLSID_TestSquare, ComFactoryFor<TestSquare>()), CO_E_OBJISREG);
    EXPECT_EQ(RegisterComClass(CLSID_CAM, ComClassFactory()), E_INVALIDARG);
    EXPECT_EQ(UnregisterComClass(CLSID_CAM), CO_E_OBJNOTREG);
    // An unregistered class can no longer be created, and can be registered again.
    ASSERT_EQ(UnregisterComClass(CLSID_TestSquare), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_TestSquare, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &m_out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(RegisterComClass(CLSID_TestSquare, ComFactoryFor<TestSquare>()), S_OK);
}

TEST_F(CoCreateInstanceTest, FactoryMayCreateOtherObjects)
{
    // A class whose factory builds through CoCreateInstance, as a graph creates its filters:
    // the table is not held while a factory runs.
    ASSERT_EQ(RegisterComClass(CLSID_FilterGraph,
                               [](IUnknown** object) {
                                   return CoCreateInstance(CLSID_TestSquare, nullptr, CLSCTX_INPROC_SERVER,
                                                           IID_IUnknown, reinterpret_cast<void**>(object));
                               }),
              S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IColour, &m_out), S_OK);
    EXPECT_EQ(static_cast<IColour*>(m_out)->Rgb(), 0xFF0000u);
    static_cast<IColour*>(m_out)->Release();
    ASSERT_EQ(UnregisterComClass(CLSID_FilterGraph), S_OK);
}

TEST_F(CoCreateInstanceTest, CreatesFromManyThreads)
{
    std::vector<std::thread> threads;
    std::atomic<int> created{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            CoInitializeEx(nullptr, 0);
            for (int i = 0; i < 500; ++i) {
                void* out = nullptr;
                if (CoCreateInstance(CLSID_TestSquare, nullptr, CLSCTX_INPROC_SERVER, IID_IShape, &out) == S_OK) {
                    ++created;
                    static_cast<IShape*>(out)->Release();
                }
            }
            CoUninitialize();
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(created.load(), 2000);
}

}  // namespace
}  // namespace platform
