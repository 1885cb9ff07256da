// Kernel objects through the real server: this test process is one program of the device,
// PROBE.EXE instances are others.
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"

namespace {

using namespace std::chrono_literals;
using platform::testing::TemporaryDevice;

constexpr DWORD kSentinel = 0xDEADBEEF;

class KernelObjects : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Install(platform::testing::ProbeBinary(), "PROBE.EXE"));
        ASSERT_TRUE(device.StartServer());
    }
    HANDLE StartProbe(const std::string& script) {
        HANDLE process = device.Start("\\NAND\\PROBE.EXE", script);
        EXPECT_NE(process, nullptr) << GetLastError();
        return process;
    }
    TemporaryDevice device;
};

TEST_F(KernelObjects, SecondCreateOfANamedEventInAnotherProgramReportsAlreadyExists) {
    HANDLE first = StartProbe("event WAKE;sleep 3000");
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "event WAKE handle=ok error=0"));
    HANDLE second = StartProbe("event WAKE");
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "event WAKE handle=ok error=183"));
    EXPECT_EQ(WaitForSingleObject(second, 5000), WAIT_OBJECT_0);
    TerminateProcess(first, 0);
    EXPECT_EQ(WaitForSingleObject(first, 5000), WAIT_OBJECT_0);
    CloseHandle(first);
    CloseHandle(second);
}

TEST_F(KernelObjects, NamedObjectLivesWhileAnyHandleIsOpen) {
    SetLastError(kSentinel);
    HANDLE a = CreateEvent(FALSE, FALSE, "LIFETIME");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE b = CreateEvent(FALSE, FALSE, "LIFETIME");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CloseHandle(a));
    HANDLE opened = OpenEvent(EVENT_ALL_ACCESS, FALSE, "LIFETIME");
    EXPECT_NE(opened, nullptr) << "the name must survive while b is open";
    CloseHandle(opened);
    CloseHandle(b);
    SetLastError(kSentinel);
    EXPECT_EQ(OpenEvent(EVENT_ALL_ACCESS, FALSE, "LIFETIME"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    HANDLE again = CreateEvent(FALSE, FALSE, "LIFETIME");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "the last close must free the name";
    CloseHandle(again);
    // A name is shared by every kind of object.
    HANDLE mutex = CreateMutex(FALSE, "SHARED_NAME");
    SetLastError(kSentinel);
    EXPECT_EQ(CreateEvent(FALSE, FALSE, "SHARED_NAME"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    CloseHandle(mutex);
}

TEST_F(KernelObjects, PulseReleasesOnlyThoseWaitingAndLeavesTheEventClear) {
    HANDLE manual = CreateEvent(TRUE, FALSE);
    ASSERT_TRUE(PulseEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT) << "a pulse with nobody waiting must leave it clear";

    // Manual reset: every thread waiting at the pulse is released.
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] { released += WaitForSingleObject(manual, 3000) == WAIT_OBJECT_0; });
    std::this_thread::sleep_for(200ms);
    PulseEvent(manual);
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), 3);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    // Auto reset: a pulse releases one of two waiters.
    HANDLE automatic = CreateEvent(FALSE, FALSE);
    released = 0;
    waiters.clear();
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] { released += WaitForSingleObject(automatic, 700) == WAIT_OBJECT_0; });
    std::this_thread::sleep_for(200ms);
    PulseEvent(automatic);
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), 1);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    CloseHandle(manual);
    CloseHandle(automatic);
}

TEST_F(KernelObjects, OneSetOfAnAutoResetEventReleasesExactlyOneOfTwoWaiters) {
    HANDLE event = CreateEvent(FALSE, FALSE);
    std::atomic<int> released{0}, timed_out{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            DWORD result = WaitForSingleObject(event, 800);
            (result == WAIT_OBJECT_0 ? released : timed_out)++;
        });
    }
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(SetEvent(event));
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), 1);
    EXPECT_EQ(timed_out.load(), 1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "the released waiter must have cleared it";
    CloseHandle(event);
}

TEST_F(KernelObjects, WaitForMultipleObjectsReportsTheFirstSignalledIndexAndTimesOut) {
    HANDLE events[3] = {CreateEvent(TRUE, FALSE), CreateEvent(TRUE, FALSE), CreateEvent(TRUE, FALSE)};
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 30), WAIT_TIMEOUT);
    SetEvent(events[2]);
    SetEvent(events[1]);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 30), WAIT_TIMEOUT);
    SetEvent(events[0]);
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_OBJECT_0);

    // A wait that starts before the signal is released by it.
    HANDLE late = CreateEvent(FALSE, FALSE);
    std::thread setter([&] {
        std::this_thread::sleep_for(50ms);
        SetEvent(late);
    });
    HANDLE mixed[2] = {CreateEvent(FALSE, FALSE), late};
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, 5000), WAIT_OBJECT_0 + 1);
    setter.join();

    SetLastError(kSentinel);
    EXPECT_EQ(WaitForMultipleObjects(0, events, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    HANDLE same[2] = {events[0], events[0]};
    EXPECT_EQ(WaitForMultipleObjects(2, same, TRUE, 0), WAIT_FAILED);
    HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x3FFFFFF0));
    SetLastError(kSentinel);
    EXPECT_EQ(WaitForSingleObject(bogus, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    for (HANDLE event : events) CloseHandle(event);
}

TEST_F(KernelObjects, MutexIsRecursiveOwnedByOneThreadAndAbandonedByAKilledProgram) {
    HANDLE mutex = CreateMutex(TRUE, "OWNED");
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "the owner may take it again";
    std::thread other([&] {
        EXPECT_EQ(WaitForSingleObject(mutex, 50), WAIT_TIMEOUT);
        SetLastError(kSentinel);
        EXPECT_FALSE(ReleaseMutex(mutex));
        EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
    });
    other.join();
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    CloseHandle(mutex);

    HANDLE holder = StartProbe("mutex GUARD;sleep 60000");
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "mutex GUARD result=0"));
    HANDLE guard = CreateMutex(FALSE, "GUARD");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(WaitForSingleObject(guard, 50), WAIT_TIMEOUT);
    ASSERT_TRUE(TerminateProcess(holder, 7));
    EXPECT_EQ(WaitForSingleObject(guard, 5000), WAIT_ABANDONED_0);
    EXPECT_TRUE(ReleaseMutex(guard));
    EXPECT_EQ(WaitForSingleObject(guard, 0), WAIT_OBJECT_0) << "abandonment is reported once";
    ReleaseMutex(guard);
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(holder, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(holder, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(guard);
    CloseHandle(holder);
}

TEST_F(KernelObjects, ThreadEndingWithAMutexAbandonsIt) {
    HANDLE mutex = CreateMutex(FALSE);
    std::thread([&] { EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); }).join();
    EXPECT_EQ(WaitForSingleObject(mutex, 2000), WAIT_ABANDONED_0);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST_F(KernelObjects, NamedMappingWrittenByOneProgramIsReadByAnother) {
    HANDLE writer = StartProbe("map-write SHARED_BOX hello-from-probe;sleep 5000");
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "map-write SHARED_BOX error=0"));
    HANDLE reader = StartProbe("map-read SHARED_BOX");
    EXPECT_TRUE(device.WaitForLog("PROBE.EXE", "map-read SHARED_BOX error=183 text=hello-from-probe"));

    // And this program sees the same memory, and writes that the probe's view then holds.
    HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "SHARED_BOX");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_STREQ(view, "hello-from-probe");
    std::strcpy(view, "second");
    HANDLE again = StartProbe("map-read SHARED_BOX");
    EXPECT_TRUE(device.WaitForLog("PROBE.EXE", "text=second"));
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0, "ZERO_SIZE"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    for (HANDLE h : {writer, reader, again}) {
        TerminateProcess(h, 0);
        CloseHandle(h);
    }
    CloseHandle(mapping);
}

TEST_F(KernelObjects, ThreadHandlesAreWaitableAndKeepExitCodesAndPriorities) {
    static std::atomic<bool> ran{false};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
        ran = true;
        return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(p));
    }, reinterpret_cast<void*>(42), CREATE_SUSPENDED, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT) << "a suspended thread must not run";
    EXPECT_FALSE(ran.load());
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(thread);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    CloseHandle(thread);
}

}  // namespace
