// GlobalMemoryStatus: the host's figures as a 32-bit program sees them.
#include <gtest/gtest.h>

#include "platform/kernel/kernel.h"

namespace {

TEST(MemoryStatus, ReadsTheHostsFiguresAndSaturatesWhatA32BitCountCannotHold) {
    // A small board: 256 MiB, 100 MiB available, no swap; the program maps 40 MiB.
    const std::string small = "MemTotal:         262144 kB\nMemFree:           10000 kB\nMemAvailable:     102400 kB\n"
                              "SwapTotal:              0 kB\nSwapFree:               0 kB\n";
    MEMORYSTATUS status = platform::MemoryStatusFrom(small, "Name:\tMOVIE.EXE\nVmSize:\t   40960 kB\n");
    EXPECT_EQ(status.dwLength, sizeof(MEMORYSTATUS));
    EXPECT_EQ(status.dwTotalPhys, 256u << 20);
    EXPECT_EQ(status.dwAvailPhys, 100u << 20);
    EXPECT_EQ(status.dwMemoryLoad, 60u);
    EXPECT_EQ(status.dwTotalPageFile, 0u);
    EXPECT_EQ(status.dwTotalVirtual, 2u << 30);
    EXPECT_EQ(status.dwAvailVirtual, (2u << 30) - (40u << 20));

    // A 24 GiB host: the counts stop at the largest 32-bit value instead of wrapping.
    const std::string large = "MemTotal:       25165824 kB\nMemAvailable:   20971520 kB\nSwapTotal:    8388608 kB\n"
                              "SwapFree:      9000000 kB\n";
    status = platform::MemoryStatusFrom(large, "VmSize:\t99999999 kB\n");
    EXPECT_EQ(status.dwTotalPhys, 0xFFFFFFFFu);
    EXPECT_EQ(status.dwAvailPhys, 0xFFFFFFFFu);
    EXPECT_EQ(status.dwMemoryLoad, 16u);
    EXPECT_EQ(status.dwAvailPageFile, 0xFFFFFFFFu) << "free swap is capped at the total";
    EXPECT_EQ(status.dwAvailVirtual, 0u) << "a program mapping more than the space has none left";

    // Text without the figures (an old kernel lacks MemAvailable; a broken /proc has nothing).
    status = platform::MemoryStatusFrom("MemTotal: 1000 kB\nMemFree: 250 kB\n", "");
    EXPECT_EQ(status.dwAvailPhys, 250u * 1024);
    status = platform::MemoryStatusFrom("", "");
    EXPECT_EQ(status.dwTotalPhys, 0u);
    EXPECT_EQ(status.dwMemoryLoad, 0u);
}

TEST(MemoryStatus, TheRunningHostHasMemory) {
    MEMORYSTATUS status;
    GlobalMemoryStatus(&status);
    EXPECT_GT(status.dwTotalPhys, 0u);
    EXPECT_GT(status.dwAvailPhys, 0u);
    EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
    EXPECT_LT(status.dwAvailVirtual, status.dwTotalVirtual);
    GlobalMemoryStatus(nullptr);  // nothing to fill: nothing happens
}

}  // namespace
