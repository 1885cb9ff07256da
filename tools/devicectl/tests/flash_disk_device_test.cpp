// The flash disk "DSK1:" on a running device, as the firmware updater drives it, and a power
// cut of the whole device.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "platform/devices/flash_disk.h"
#include "platform/devices/stream_device.h"
#include "platform/files/files.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using platform::testing::TemporaryDevice;

HANDLE OpenDisk() {
    return CreateFile(platform::kFlashDisk, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_FLAG_WRITE_THROUGH);
}

BOOL Sectors(HANDLE disk, DWORD code, DWORD first, DWORD count, void* buffer) {
    platform::SectorRequest request{first, count, buffer};
    DWORD returned = 0;
    if (code == platform::kIoctlDiskRead)
        return DeviceIoControl(disk, code, nullptr, 0, &request, sizeof(request), &returned, nullptr);
    return DeviceIoControl(disk, code, &request, sizeof(request), nullptr, 0, &returned, nullptr);
}

TEST(FlashDiskDevice, SectorsWrittenReadBackLandInTheImageAndRangesOffTheDiskAreRefused) {
    TemporaryDevice device;
    { std::ofstream(device.Root() / "device.conf", std::ios::app) << "flash_sectors = 4096\n"; }
    ASSERT_TRUE(device.StartServer());
    HANDLE disk = OpenDisk();
    ASSERT_NE(disk, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(device.WaitForLog("server", "DSK1: open"));

    // 300 sectors (150 KB) from sector 100: more than one server message holds, in both directions.
    std::vector<std::uint8_t> written(300 * platform::kSectorSize);
    for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 7 + i / 512);
    ASSERT_TRUE(Sectors(disk, platform::kIoctlDiskWrite, 100, 300, written.data())) << GetLastError();
    std::vector<std::uint8_t> read(written.size(), 0xEE);
    ASSERT_TRUE(Sectors(disk, platform::kIoctlDiskRead, 100, 300, read.data())) << GetLastError();
    EXPECT_EQ(read, written);

    // A range that runs one sector off the disk is refused and writes none of its sectors.
    std::vector<std::uint8_t> ones(200 * platform::kSectorSize, 0x11);
    SetLastError(0);
    EXPECT_FALSE(Sectors(disk, platform::kIoctlDiskWrite, 3897, 200, ones.data()));
    EXPECT_EQ(GetLastError(), ERROR_SECTOR_NOT_FOUND);
    std::vector<std::uint8_t> tail(199 * platform::kSectorSize, 0xEE);
    ASSERT_TRUE(Sectors(disk, platform::kIoctlDiskRead, 3897, 199, tail.data()));
    EXPECT_EQ(tail, std::vector<std::uint8_t>(tail.size(), 0));
    EXPECT_FALSE(Sectors(disk, platform::kIoctlDiskRead, 0xFFFFFFF0u, 0x20, read.data()));
    EXPECT_EQ(GetLastError(), ERROR_SECTOR_NOT_FOUND);
    EXPECT_TRUE(Sectors(disk, platform::kIoctlDiskRead, 5, 0, nullptr)) << "a count of 0 moves nothing";

    // The record must be exactly a SectorRequest, in the buffer its code names.
    platform::SectorRequest request{0, 1, read.data()};
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(disk, platform::kIoctlDiskRead, &request, sizeof(request), nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(DeviceIoControl(disk, platform::kIoctlDiskWrite, &request, sizeof(request) - 1, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Sectors(disk, platform::kIoctlDiskWrite, 0, 1, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CloseHandle(disk));
    // The program writes the image the driver keeps: its bytes are there, at their sectors.
    std::ifstream image(device.Root() / "state" / "flash.img", std::ios::binary);
    image.seekg(100 * platform::kSectorSize);
    std::vector<std::uint8_t> stored(written.size());
    image.read(reinterpret_cast<char*>(stored.data()), static_cast<std::streamsize>(stored.size()));
    EXPECT_EQ(stored, written);

    devicectl::DeviceControl control(device.Root());
    auto state = control.DriverState();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->flash_sectors, 4096u);
    EXPECT_GE(state->flash_bytes_in_use, written.size());
    EXPECT_FALSE(state->boot_loader_installed);
}

// A device handle a thread keeps in a thread_local object made before the thread's first
// server call is closed after the thread's connection is gone: the close must find no
// connection rather than touch the one already destroyed.
struct KeptDisk {
    HANDLE disk = INVALID_HANDLE_VALUE;
    ~KeptDisk() {
        if (disk != INVALID_HANDLE_VALUE) CloseHandle(disk);
    }
};
thread_local KeptDisk t_kept_disk;

TEST(FlashDiskDevice, AHandleClosedAsItsThreadEndsAfterTheConnectionGoesIsClosedQuietly) {
    TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    bool opened = false;
    std::thread([&] {
        KeptDisk& kept = t_kept_disk;  // made now, before the connection: it dies after it
        kept.disk = OpenDisk();
        opened = kept.disk != INVALID_HANDLE_VALUE;
    }).join();
    EXPECT_TRUE(opened);
    // The device still answers, and its disk opens and closes as before.
    HANDLE disk = OpenDisk();
    ASSERT_NE(disk, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(disk));
}

TEST(FlashDiskDevice, InstallsTheBootLoaderFromAnOpenFile) {
    TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    HANDLE out = CreateFile("\\UPDATE.ROM", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    std::vector<std::uint8_t> rom(70000);
    std::iota(rom.begin(), rom.end(), 0);
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(out, rom.data(), static_cast<DWORD>(rom.size()), &count));
    CloseHandle(out);

    HANDLE file = CreateFile("\\UPDATE.ROM", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    HANDLE disk = OpenDisk();
    ASSERT_NE(disk, INVALID_HANDLE_VALUE);
    platform::BootLoaderRequest request{file, 65536};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(disk, platform::kIoctlInstallBootLoader, &request, sizeof(request), nullptr, 0,
                                &returned, nullptr)) << GetLastError();
    auto read_image = [&] {
        std::ifstream in(device.Root() / "state" / "bootloader.img", std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read_image(), std::vector<std::uint8_t>(rom.begin(), rom.begin() + 65536));

    request.length = 70001;
    EXPECT_FALSE(DeviceIoControl(disk, platform::kIoctlInstallBootLoader, &request, sizeof(request), nullptr, 0,
                                 &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(read_image().size(), 65536u) << "the refused install kept the installed boot loader";
    request = {disk, 4};
    EXPECT_FALSE(DeviceIoControl(disk, platform::kIoctlInstallBootLoader, &request, sizeof(request), nullptr, 0,
                                 &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << "the disk's own handle is not a file";
    CloseHandle(disk);
    CloseHandle(file);

    auto state = devicectl::DeviceControl(device.Root()).DriverState();
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->boot_loader_installed);
    EXPECT_EQ(state->boot_loader_bytes, 65536u);
}

TEST(FlashDiskDevice, APowerCutEndsTheServerAndEveryProgramAndTheDeviceBootsAgain) {
    TemporaryDevice device;
    ASSERT_TRUE(device.Install(platform::testing::ProbeBinary(), "PROBE.EXE"));
    ASSERT_TRUE(device.StartServer());
    devicectl::DeviceControl control(device.Root());
    DWORD error = 0;
    auto program = control.Start("\\NAND\\PROBE.EXE", "manual DOOR;wait DOOR 20000", error);
    ASSERT_TRUE(program) << error;
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "event DOOR"));
    const pid_t server = device.ServerPid();

    auto cut = control.PowerCut();
    ASSERT_TRUE(cut);
    EXPECT_EQ(*cut, static_cast<std::uint32_t>(server));
    int status = 0;
    ASSERT_EQ(::waitpid(server, &status, 0), server);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "no clean exit";
    EXPECT_TRUE(platform::testing::WaitUntil([&] { return ::kill(static_cast<pid_t>(*program), 0) != 0; }, 3s))
        << "the program went with the power";

    platform::testing::ResetThreadConnection();
    ASSERT_TRUE(device.StartServer());
    devicectl::DeviceControl again(device.Root());
    EXPECT_TRUE(again.Connected());
    EXPECT_TRUE(again.Start("\\NAND\\PROBE.EXE", "manual DOOR", error)) << error;
}

}  // namespace
