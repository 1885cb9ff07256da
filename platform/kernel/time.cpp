#include <ctime>
#include <sched.h>

#include "platform/kernel/kernel.h"

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        ::sched_yield();
        return;
    }
    timespec delay{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000L};
    while (::nanosleep(&delay, &delay) != 0) {
    }
}

DWORD GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<unsigned long long>(now.tv_sec) * 1000ull + static_cast<unsigned long long>(now.tv_nsec) / 1'000'000ull;
    return static_cast<DWORD>(ms);  // wraps after 49.7 days, as on the device
}
