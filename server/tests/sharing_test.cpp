// Two programs of one device share named objects (elsewhere), files and registry values
// exactly as the device shares them.
#include <gtest/gtest.h>

#include "platform/files/files.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"
#include "platform/testing/temporary_device.h"

namespace {

class Sharing : public ::testing::Test {
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
    platform::testing::TemporaryDevice device;
};

TEST_F(Sharing, AFileHeldWithoutSharingByOneProgramIsRefusedToAnotherUntilItEnds) {
    HANDLE holder = StartProbe("hold-file \\NAND\\System.dat;sleep 60000");
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "hold-file \\NAND\\System.dat ok"));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(CreateFile("\\nand\\system.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(DeleteFile("\\NAND\\System.dat"));
    ASSERT_TRUE(TerminateProcess(holder, 0));
    ASSERT_EQ(WaitForSingleObject(holder, 5000), WAIT_OBJECT_0);
    // The ended program's opens are closed with it.
    HANDLE file = CreateFile("\\NAND\\SYSTEM.DAT", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(file);
    CloseHandle(holder);
}

TEST_F(Sharing, WhatOneProgramWritesAnotherReads) {
    HANDLE writer = StartProbe("write-file \\NAND\\Note.txt written-by-probe");
    ASSERT_EQ(WaitForSingleObject(writer, 5000), WAIT_OBJECT_0);
    HANDLE file = CreateFile("\\NAND\\NOTE.TXT", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char text[64] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, text, sizeof(text) - 1, &read));
    EXPECT_STREQ(text, "written-by-probe");
    CloseHandle(file);
    CloseHandle(writer);
}

TEST_F(Sharing, RegistryValuesSetByOneProgramAreSeenByAnother) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\KORVEX\\APP", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD mode = 1;
    ASSERT_EQ(RegSetValueEx(key, "MapMode", 0, REG_DWORD, reinterpret_cast<BYTE*>(&mode), 4), ERROR_SUCCESS);
    RegCloseKey(key);
    HANDLE reader = StartProbe("reg-read HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP MapMode");
    EXPECT_TRUE(device.WaitForLog("PROBE.EXE", "reg MapMode=1"));
    WaitForSingleObject(reader, 5000);
    CloseHandle(reader);
}

}  // namespace
