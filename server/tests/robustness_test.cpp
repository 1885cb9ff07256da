// The server keeps serving others whatever one client sends or however it dies.
#include <csignal>
#include <fcntl.h>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/device_root.h"
#include "platform/kernel/kernel.h"
#include "platform/protocol/messages.h"
#include "platform/testing/temporary_device.h"

namespace {

using platform::testing::TemporaryDevice;

int RawConnect() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, platform::DeviceSocketPath().c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    return fd;
}

void SendBytes(int fd, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

std::vector<std::uint8_t> Hello() {
    return protocol::EncodeFrame(static_cast<std::uint16_t>(protocol::RequestId::Hello), 1, protocol::HelloRequest{});
}

void ExpectServerStillServes() {
    HANDLE event = CreateEvent(TRUE, TRUE);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_OBJECT_0);
    CloseHandle(event);
}

class Robustness : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.StartServer()); }
    TemporaryDevice device;
};

TEST_F(Robustness, GarbageOversizedAndOutOfOrderFramesDropOnlyTheirClient) {
    ExpectServerStillServes();
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> oversized = {0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> garbage(64, 0xA5);
    auto before_hello = protocol::EncodeFrame(static_cast<std::uint16_t>(protocol::RequestId::CreateEvent), 1,
                                              protocol::CreateEventRequest{});
    protocol::HelloRequest old;
    old.version = 0;
    auto wrong_version = protocol::EncodeFrame(static_cast<std::uint16_t>(protocol::RequestId::Hello), 1, old);
    auto unknown = Hello();
    auto unknown_tail = protocol::EncodeFrame(0x3ABC, 2, protocol::ShutdownRequest{});
    unknown.insert(unknown.end(), unknown_tail.begin(), unknown_tail.end());
    auto short_payload = Hello();
    auto bad = protocol::EncodeFrame(static_cast<std::uint16_t>(protocol::RequestId::Wait), 2, protocol::ShutdownRequest{});
    short_payload.insert(short_payload.end(), bad.begin(), bad.end());
    for (auto& test : std::vector<Case>{{"oversized", oversized},
                                        {"garbage", garbage},
                                        {"request before hello", before_hello},
                                        {"wrong version", wrong_version},
                                        {"unknown request", unknown},
                                        {"payload of another request", short_payload}}) {
        int fd = RawConnect();
        ASSERT_GE(fd, 0);
        SendBytes(fd, test.bytes);
        // A reply to the hello may come first; the connection must then end.
        char buffer[256];
        ssize_t count;
        while ((count = ::recv(fd, buffer, sizeof(buffer), 0)) > 0) {
        }
        EXPECT_EQ(count, 0) << test.what << ": the server must drop the client";
        ::close(fd);
        ExpectServerStillServes();
    }
    EXPECT_NE(device.Log("server").find("dropping"), std::string::npos);
}

TEST_F(Robustness, AThousandConnectDisconnectCyclesAndHalfFrames) {
    for (int i = 0; i < 1000; ++i) {
        int fd = RawConnect();
        ASSERT_GE(fd, 0) << "cycle " << i;
        if (i % 3 == 1) SendBytes(fd, Hello());
        if (i % 3 == 2) {
            auto hello = Hello();
            hello.resize(hello.size() / 2);  // leaves in the middle of a frame
            SendBytes(fd, hello);
        }
        ::close(fd);
    }
    ExpectServerStillServes();
}

TEST_F(Robustness, AProgramKilledInTheMiddleOfAWaitLeavesNothingBehind) {
    ASSERT_TRUE(device.Install(platform::testing::ProbeBinary(), "PROBE.EXE"));
    HANDLE gate = CreateEvent(TRUE, FALSE, "GATE");
    SHELLEXECUTEINFO info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "Open";
    info.lpFile = "\\NAND\\PROBE.EXE";
    info.lpParameters = "event GATE;wait GATE 60000";
    ASSERT_TRUE(ShellExecuteEx(&info));
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "event GATE"));
    ASSERT_TRUE(TerminateProcess(info.hProcess, 1));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
    // Setting the event now must not reach the dead waiter's connection, nor upset the server.
    EXPECT_TRUE(SetEvent(gate));
    ExpectServerStillServes();
    EXPECT_EQ(device.Log("PROBE.EXE").find("wait GATE"), std::string::npos);
    CloseHandle(info.hProcess);
    CloseHandle(gate);
}

TEST_F(Robustness, ASecondServerOnTheSameRootRefusesToStart) {
    TemporaryDevice other;  // only for its own root's clean-up; this test uses the first root
    platform::SetDeviceRootDir(device.Root());
    pid_t pid = fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::dup2(null, 1);
        ::execl(platform::testing::ServerBinary().c_str(), "server", "--root", device.Root().c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    ExpectServerStillServes();
}

}  // namespace
