// Threads with the device's priorities, waitable handles and exit codes. A thread's handle
// is a server event set when the thread function returns, so it mixes with any other object
// in one wait.
#include <condition_variable>
#include <map>
#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"

namespace platform {
namespace {

struct ThreadState {
    std::mutex mutex;
    std::condition_variable resumed;
    bool suspended = false;
    bool finished = false;
    DWORD exit_code = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;
    pid_t tid = 0;
    HANDLE done_event = nullptr;  // this process's handle to the event set at exit
};

std::mutex s_mutex;
std::map<std::uintptr_t, std::shared_ptr<ThreadState>> s_threads;

std::shared_ptr<ThreadState> Find(HANDLE thread) {
    std::lock_guard lock(s_mutex);
    auto found = s_threads.find(HandleValue(thread));
    return found == s_threads.end() ? nullptr : found->second;
}

// The device's eight priority levels onto Linux nice values (0 = time critical).
int NiceFor(int priority) {
    static constexpr int kNice[] = {-10, -6, -3, 0, 3, 6, 10, 19};
    return kNice[priority];
}

void ApplyPriority(ThreadState& state) {
    if (state.tid > 0) ::setpriority(PRIO_PROCESS, static_cast<id_t>(state.tid), NiceFor(state.priority));
}

}  // namespace
}  // namespace platform

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE start, void* parameter, DWORD creation_flags,
                    DWORD* thread_id) {
    if (!start) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE done = CreateEvent(TRUE, FALSE);
    if (!done) return nullptr;
    auto state = std::make_shared<platform::ThreadState>();
    state->suspended = (creation_flags & CREATE_SUSPENDED) != 0;
    state->done_event = done;
    {
        std::lock_guard lock(platform::s_mutex);
        platform::s_threads[platform::HandleValue(done)] = state;
    }
    std::mutex started_mutex;
    std::condition_variable started;
    bool tid_known = false;
    std::thread([state, start, parameter, &started_mutex, &started, &tid_known] {
        {
            std::lock_guard lock(started_mutex);
            state->tid = static_cast<pid_t>(::syscall(SYS_gettid));
            tid_known = true;
        }
        started.notify_one();
        {
            std::unique_lock lock(state->mutex);
            state->resumed.wait(lock, [&] { return !state->suspended; });
        }
        const DWORD code = start(parameter);
        {
            std::lock_guard lock(state->mutex);
            state->exit_code = code;
            state->finished = true;
        }
        SetEvent(state->done_event);
    }).detach();
    std::unique_lock lock(started_mutex);
    started.wait(lock, [&] { return tid_known; });
    if (thread_id) *thread_id = static_cast<DWORD>(state->tid);
    return done;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
    auto state = platform::Find(thread);
    if (!state || priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE) {
        SetLastError(state ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(state->mutex);
    state->priority = priority;
    // Raising priority needs a privilege the board grants and a desktop may not: the level is
    // kept and reported either way.
    platform::ApplyPriority(*state);
    return TRUE;
}

int GetThreadPriority(HANDLE thread) {
    auto state = platform::Find(thread);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0x7FFFFFFF;  // THREAD_PRIORITY_ERROR_RETURN
    }
    std::lock_guard lock(state->mutex);
    return state->priority;
}

DWORD ResumeThread(HANDLE thread) {
    auto state = platform::Find(thread);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0xFFFFFFFFu;
    }
    std::lock_guard lock(state->mutex);
    const DWORD previous = state->suspended ? 1 : 0;
    state->suspended = false;
    state->resumed.notify_all();
    return previous;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exit_code) {
    auto state = platform::Find(thread);
    if (!state || !exit_code) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(state->mutex);
    *exit_code = state->exit_code;
    return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
