// Starting programs by device path, command lines, process handles.
#include <gtest/gtest.h>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>

#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"

namespace {

using platform::testing::TemporaryDevice;

class Processes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Install(platform::testing::ProbeBinary(), "PROBE.EXE"));
        ASSERT_TRUE(device.StartServer());
    }
    BOOL Start(const std::string& path, const std::string& parameters, HANDLE* process) {
        SHELLEXECUTEINFO info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpVerb = "Open";
        info.lpFile = path;
        info.lpParameters = parameters;
        BOOL ok = ShellExecuteEx(&info);
        *process = info.hProcess;
        return ok;
    }
    TemporaryDevice device;
};

TEST_F(Processes, CommandLinesOf255And300CharactersArriveWhole) {
    for (std::size_t length : {255u, 300u}) {
        std::string command_line = "echo " + std::string(length - 5, 'x');
        command_line[20] = ' ';  // blanks inside are part of it
        HANDLE process = nullptr;
        ASSERT_TRUE(Start("\\NAND\\PROBE.EXE", command_line, &process));
        EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
        EXPECT_TRUE(device.WaitForLog("PROBE.EXE", "cmdline " + std::to_string(length) + " " + command_line + "\n"));
        CloseHandle(process);
    }
}

TEST_F(Processes, PathsIgnoreCaseAndMissingFilesFailAsOnTheDevice) {
    HANDLE process = nullptr;
    ASSERT_TRUE(Start("\\nand\\probe.exe", "echo lower", &process));
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(process);

    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(Start("\\NAND\\MISSING.EXE", "", &process));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(process, nullptr);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(Start("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "", &process));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Processes, AProcessHandleIsSignalledAtExitAndReportsStillActiveBefore) {
    HANDLE process = nullptr;
    ASSERT_TRUE(Start("\\NAND\\PROBE.EXE", "sleep 300", &process));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(process);
}

TEST_F(Processes, ShutdownEndsProgramsAndRemovesTheRuntimeFolder) {
    HANDLE process = nullptr;
    ASSERT_TRUE(Start("\\NAND\\PROBE.EXE", "sleep 60000", &process));
    ASSERT_TRUE(device.StopServer());
    EXPECT_EQ(device.ServerExitStatus(), 0);
    EXPECT_FALSE(std::filesystem::exists(device.Root() / "run"));
    EXPECT_NE(device.Log("server").find("ended"), std::string::npos);
}

// A program winding down at shutdown may start a thread, which needs its own connection to
// report its end; a new program may not start any more.
TEST_F(Processes, WhileShuttingDownRunningProgramsStillConnectButNoneStarts) {
    ASSERT_TRUE(device.InstallStandIn(platform::testing::StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    const auto hang_file = device.Root() / "fs" / "NAND" / "MUSIC.hang";
    std::ofstream(hang_file).put('\n');
    HANDLE process = nullptr;
    ASSERT_TRUE(Start("\\NAND\\MUSIC.EXE", "", &process));
    ASSERT_TRUE(device.WaitForLog("MUSIC.EXE", "APP_MUSIC: started with"));
    ASSERT_EQ(::kill(device.ServerPid(), SIGTERM), 0);
    ASSERT_TRUE(device.WaitForLog("MUSIC.EXE", "WM_CLOSE held"));

    HANDLE made_by_new_thread = nullptr;
    std::thread([&] { made_by_new_thread = CreateEvent(TRUE, FALSE); }).join();
    EXPECT_NE(made_by_new_thread, nullptr) << "a running program's new thread reaches the device";
    HANDLE refused = nullptr;
    SetLastError(0);
    EXPECT_FALSE(Start("\\NAND\\PROBE.EXE", "echo late", &refused));
    EXPECT_EQ(GetLastError(), ERROR_SHUTDOWN_IN_PROGRESS);
    EXPECT_TRUE(device.WaitForLog("server", "start \\NAND\\PROBE.EXE refused: the device is shutting down"));

    // The double keeps its window after the hold, so the device ends it at the deadline.
    std::filesystem::remove(hang_file);
    EXPECT_TRUE(device.StopServer());
    EXPECT_EQ(device.ServerExitStatus(), 0);
}

}  // namespace
