// Serial ports on a real pty: the test holds the master end, the port opens the slave through
// device.conf. Every wait is bounded; no test asserts how long anything took.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <string>
#include <sys/file.h>
#include <termios.h>
#include <time.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/devices/serial_port.h"
#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr auto kGenerous = 5s;

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kGenerous) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The other end of the line: a pty master, its slave the port's terminal.
class Pty {
public:
    Pty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) return;
        char name[128] = {};
        if (::ptsname_r(m_master, name, sizeof(name)) == 0) m_slave_path = name;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool Ok() const { return m_master >= 0 && !m_slave_path.empty(); }
    const std::string& SlavePath() const { return m_slave_path; }
    void CloseMaster() {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

    bool Send(const Bytes& bytes) {
        size_t done = 0;
        const auto end = std::chrono::steady_clock::now() + kGenerous;
        while (done < bytes.size() && std::chrono::steady_clock::now() < end) {
            ssize_t count = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (count > 0) {
                done += static_cast<size_t>(count);
            } else {
                pollfd fd{m_master, POLLOUT, 0};
                ::poll(&fd, 1, 50);
            }
        }
        return done == bytes.size();
    }
    // What arrives, until `count` bytes or the time-out.
    Bytes Receive(size_t count, std::chrono::milliseconds timeout = kGenerous) {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        std::uint8_t buffer[4096];
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            ssize_t n = ::read(m_master, buffer, std::min(sizeof(buffer), count - got.size()));
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            } else {
                pollfd fd{m_master, POLLIN, 0};
                ::poll(&fd, 1, 50);
            }
        }
        return got;
    }

private:
    int m_master = -1;
    std::string m_slave_path;
};

std::chrono::nanoseconds ThreadCpuTime(clockid_t clock) {
    timespec now {};
    ::clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

Bytes AllByteValues() {
    Bytes bytes(256);
    for (int i = 0; i < 256; ++i) bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i);
    return bytes;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.Ok()) << "no pty on this machine";
        m_root.WriteConfig("COM1 = " + m_pty.SlavePath() + "\nCOM3 = /dev/no-such-terminal\n");
    }
    void TearDown() override {
        for (HANDLE port : m_open) CloseHandle(port);
    }

    HANDLE Open(const std::string& name = "COM1:") {
        SetLastError(kSentinel);
        HANDLE port = CreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED);
        if (port != INVALID_HANDLE_VALUE) m_open.push_back(port);
        return port;
    }
    void Close(HANDLE port) {
        m_open.erase(std::remove(m_open.begin(), m_open.end(), port), m_open.end());
        EXPECT_TRUE(CloseHandle(port));
    }
    // The port as the device's GPS monitor sets it up: events on received bytes, reads that
    // return at once, 8N1 at the given rate.
    void Configure(HANDLE port, DWORD baud) {
        ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
        ASSERT_TRUE(SetupComm(port, 4096, 4096));
        ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
        COMMTIMEOUTS timeouts;
        timeouts.ReadIntervalTimeout = MAXDWORD;
        ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
        DCB dcb;
        ASSERT_TRUE(GetCommState(port, &dcb));
        dcb.BaudRate = baud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        ASSERT_TRUE(SetCommState(port, &dcb));
    }
    // Reads until `count` bytes came or the time-out, waiting for events between reads.
    Bytes ReadFromPort(HANDLE port, size_t count) {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + kGenerous;
        std::uint8_t buffer[2048];
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            DWORD n = 0;
            if (!ReadFile(port, buffer, sizeof(buffer), &n)) break;
            got.insert(got.end(), buffer, buffer + n);
            if (n == 0) std::this_thread::sleep_for(5ms);
        }
        return got;
    }
    int LogLinesWith(const std::string& text) const {
        std::ifstream log(platform::LogPathFor(platform::ProgramName()));
        int count = 0;
        for (std::string line; std::getline(log, line);) count += line.find(text) != std::string::npos;
        return count;
    }

    platform::testing::TempDeviceRoot m_root;
    Pty m_pty;
    std::vector<HANDLE> m_open;
};

// A thread blocked in WaitCommEvent, started and known to be about to wait.
struct PendingWait {
    explicit PendingWait(HANDLE port) {
        result = std::async(std::launch::async, [this, port] {
            started = true;
            DWORD mask = kSentinel;
            BOOL ok = WaitCommEvent(port, &mask, nullptr);
            return std::make_tuple(ok, mask, ok ? DWORD{0} : GetLastError());
        });
        WaitUntil([this] { return started.load(); });
        std::this_thread::sleep_for(50ms);  // let it reach its poll (not required for the result)
    }
    bool Done(std::chrono::milliseconds timeout = kGenerous) {
        return result.wait_for(timeout) == std::future_status::ready;
    }
    std::atomic<bool> started{false};
    std::future<std::tuple<BOOL, DWORD, DWORD>> result;
};

TEST_F(SerialPortTest, OpensRawAndRunsAtTheRateSet) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    Configure(port, CBR_4800);

    int slave = ::open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(slave, 0);
    termios line {};
    ASSERT_EQ(::tcgetattr(slave, &line), 0);
    ::close(slave);
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B4800));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B4800));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & (OPOST | ONLCR | OCRNL), 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);

    DCB dcb;
    ASSERT_TRUE(GetCommState(port, &dcb));
    EXPECT_EQ(dcb.BaudRate, CBR_4800);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);

    // A rate the terminal cannot run at is refused and the line keeps its rate.
    dcb.BaudRate = CBR_14400;
    SetLastError(kSentinel);
    EXPECT_FALSE(SetCommState(port, &dcb));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(GetCommState(port, &dcb));
    EXPECT_EQ(dcb.BaudRate, CBR_4800);
}

TEST_F(SerialPortTest, EveryByteValuePassesBothWaysUnchanged) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    Configure(port, CBR_9600);
    const Bytes all = AllByteValues();  // CR, LF, XON, XOFF, ^C among them

    ASSERT_TRUE(m_pty.Send(all));
    EXPECT_EQ(ReadFromPort(port, all.size()), all);

    // The other way in reverse order, so that an echo of what came in would show here first.
    const Bytes reversed(all.rbegin(), all.rend());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(port, reversed.data(), static_cast<DWORD>(reversed.size()), &written));
    EXPECT_EQ(written, reversed.size());
    EXPECT_EQ(m_pty.Receive(reversed.size()), reversed);
}

TEST_F(SerialPortTest, ReadsReturnWhatIsQueuedAndReportIt) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    Configure(port, CBR_4800);
    std::uint8_t buffer[64];

    // Nothing queued: at once, no bytes, with and without a completion record.
    DWORD got = kSentinel;
    EXPECT_TRUE(ReadFile(port, buffer, sizeof(buffer), &got));
    EXPECT_EQ(got, 0u);
    OVERLAPPED record;
    record.InternalHigh = kSentinel;
    EXPECT_TRUE(ReadFile(port, buffer, sizeof(buffer), &got, &record));
    EXPECT_EQ(record.InternalHigh, 0u);

    ASSERT_TRUE(m_pty.Send(Bytes{'$', 'G', 'P', 'G', 'G', 'A'}));
    COMSTAT status;
    DWORD errors = kSentinel;
    ASSERT_TRUE(WaitUntil([&] { return ClearCommError(port, &errors, &status) && status.cbInQue == 6; }));
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(status.cbOutQue, 0u);

    // Fewer asked for than queued: that many; the rest stays.
    EXPECT_TRUE(ReadFile(port, buffer, 4, &got, &record));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(record.Internal, 0u);
    EXPECT_EQ(record.InternalHigh, 4u);
    DWORD transferred = 0;
    EXPECT_TRUE(GetOverlappedResult(port, &record, &transferred, TRUE));
    EXPECT_EQ(transferred, 4u);
    ASSERT_TRUE(ClearCommError(port, nullptr, &status));
    EXPECT_EQ(status.cbInQue, 2u);

    // Purging the receive side drops what is queued.
    ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    EXPECT_TRUE(ReadFile(port, buffer, sizeof(buffer), &got));
    EXPECT_EQ(got, 0u);
}

TEST_F(SerialPortTest, ReadTimeoutsWaitForBytesAndCloseEndsTheWait) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    std::uint8_t buffer[16];

    // Wait up to the constant for the first byte, then return with it.
    COMMTIMEOUTS first_byte{MAXDWORD, MAXDWORD, 5000, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &first_byte));
    auto reader = std::async(std::launch::async, [&] {
        DWORD got = 0;
        BOOL ok = ReadFile(port, buffer, sizeof(buffer), &got);
        return ok ? got : kSentinel;
    });
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(m_pty.Send(Bytes{'!'}));
    ASSERT_EQ(reader.wait_for(kGenerous), std::future_status::ready);
    EXPECT_EQ(reader.get(), 1u);
    EXPECT_EQ(buffer[0], '!');

    // A short total time-out with nothing arriving: no bytes, no error.
    COMMTIMEOUTS short_total{0, 0, 20, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &short_total));
    DWORD got = kSentinel;
    EXPECT_TRUE(ReadFile(port, buffer, sizeof(buffer), &got));
    EXPECT_EQ(got, 0u);

    // No time-outs: a read waits for all its bytes; a receive abort and then the close end it.
    COMMTIMEOUTS none{};
    ASSERT_TRUE(SetCommTimeouts(port, &none));
    auto blocked = [&] {
        return std::async(std::launch::async, [&] {
            DWORD n = 0;
            BOOL ok = ReadFile(port, buffer, sizeof(buffer), &n);
            return ok ? ERROR_SUCCESS : GetLastError();
        });
    };
    auto aborted = blocked();
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXABORT));
    ASSERT_EQ(aborted.wait_for(kGenerous), std::future_status::ready);
    EXPECT_EQ(aborted.get(), ERROR_OPERATION_ABORTED);

    auto closed = blocked();
    std::this_thread::sleep_for(50ms);
    Close(port);
    ASSERT_EQ(closed.wait_for(kGenerous), std::future_status::ready);
    const DWORD error = closed.get();
    EXPECT_TRUE(error == ERROR_OPERATION_ABORTED || error == ERROR_INVALID_HANDLE) << error;
}

TEST_F(SerialPortTest, EventWaitWakesOnBytesOnAMaskChangeAndOnClose) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    Configure(port, CBR_4800);

    PendingWait on_data(port);
    ASSERT_TRUE(m_pty.Send(Bytes{'$'}));
    ASSERT_TRUE(on_data.Done()) << "no event for received bytes";
    auto [ok, mask, error] = on_data.result.get();
    EXPECT_TRUE(ok);
    EXPECT_EQ(mask, EV_RXCHAR);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));

    // Bytes already waiting are an event at once.
    ASSERT_TRUE(m_pty.Send(Bytes{'$'}));
    ASSERT_TRUE(WaitUntil([&] {
        COMSTAT status;
        return ClearCommError(port, nullptr, &status) && status.cbInQue == 1;
    }));
    DWORD waiting = 0;
    OVERLAPPED record;
    EXPECT_TRUE(WaitCommEvent(port, &waiting, &record));
    EXPECT_EQ(waiting, EV_RXCHAR);
    EXPECT_EQ(record.Internal, 0u);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));

    // Clearing the mask from another thread ends the wait with no event.
    PendingWait on_clear(port);
    ASSERT_TRUE(SetCommMask(port, 0));
    ASSERT_TRUE(on_clear.Done()) << "SetCommMask(0) did not end the wait";
    std::tie(ok, mask, error) = on_clear.result.get();
    EXPECT_TRUE(ok);
    EXPECT_EQ(mask, 0u);

    // So does setting the same mask again.
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    PendingWait on_same(port);
    ASSERT_TRUE(WaitUntil([&] {
        SetCommMask(port, EV_RXCHAR);
        return on_same.Done(10ms);
    }));
    std::tie(ok, mask, error) = on_same.result.get();
    EXPECT_TRUE(ok);
    EXPECT_EQ(mask, 0u);

    PendingWait on_close(port);
    Close(port);
    ASSERT_TRUE(on_close.Done()) << "closing the port did not end the wait";
    std::tie(ok, mask, error) = on_close.result.get();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error == ERROR_OPERATION_ABORTED || error == ERROR_INVALID_HANDLE) << error;
}

TEST_F(SerialPortTest, OpenFindsOnlyMappedFreeTerminals) {
    struct Case {
        const char* name;
        DWORD error;
    };
    const Case missing[] = {
        {"COM2:", ERROR_FILE_NOT_FOUND},  // not in device.conf
        {"COM3:", ERROR_FILE_NOT_FOUND},  // mapped to a terminal that is not there
    };
    for (const auto& c : missing) {
        EXPECT_EQ(Open(c.name), INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    m_root.WriteHostFile("NAND/plain.txt", "not a terminal");
    m_root.WriteConfig("COM1 = " + m_pty.SlavePath() + "\nCOM4 = " + (m_root.Fs() / "NAND/plain.txt").string() + "\n");
    EXPECT_EQ(Open("COM4:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    HANDLE first = Open("com1:");  // device names ignore case
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("COM1:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    Close(first);
    HANDLE again = Open("COM1:");
    ASSERT_NE(again, INVALID_HANDLE_VALUE) << GetLastError();
    Close(again);

    // Another program holding the terminal keeps it from this one.
    int other = ::open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(Open("COM1:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ::close(other);
    EXPECT_NE(Open("COM1:"), INVALID_HANDLE_VALUE);
}

TEST_F(SerialPortTest, AVanishedLineNeitherSpinsNorRepeatsItself) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    Configure(port, CBR_4800);

    std::atomic<bool> stop{false};
    std::atomic<int> returns{0};
    std::thread waiter([&] {
        while (!stop) {
            DWORD mask = 0;
            WaitCommEvent(port, &mask, nullptr);
            ++returns;
        }
    });
    std::this_thread::sleep_for(20ms);
    m_pty.CloseMaster();
    // The waiter must sleep, not poll the hung-up line over and over inside one call: its
    // processor time over the window stays far below the window. (A bound on work done, not
    // on how fast anything happens.)
    clockid_t waiter_clock {};
    ASSERT_EQ(::pthread_getcpuclockid(waiter.native_handle(), &waiter_clock), 0);
    std::this_thread::sleep_for(20ms);
    const auto cpu_before = ThreadCpuTime(waiter_clock);
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(ThreadCpuTime(waiter_clock) - cpu_before, 100ms) << "the event wait is busy on a dead line";

    std::uint8_t buffer[16];
    DWORD got = kSentinel;
    EXPECT_TRUE(ReadFile(port, buffer, sizeof(buffer), &got));
    EXPECT_EQ(got, 0u);
    SetLastError(kSentinel);
    EXPECT_FALSE(WriteFile(port, "x", 1, &got));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(WriteFile(port, "y", 1, &got));

    stop = true;
    SetCommMask(port, 0);
    waiter.join();
    EXPECT_LE(returns.load(), 3) << "the event wait kept returning on a dead line";
    EXPECT_EQ(LogLinesWith("COM1: the line is gone"), 1);
}

TEST_F(SerialPortTest, ABigWriteArrivesWhole) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    Configure(port, CBR_115200);
    Bytes data(64 * 1024);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));

    auto received = std::async(std::launch::async, [&] { return m_pty.Receive(data.size(), 10s); });
    DWORD written = 0;
    OVERLAPPED record;
    ASSERT_TRUE(WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &written, &record));
    EXPECT_EQ(written, data.size());
    EXPECT_EQ(record.InternalHigh, data.size());
    EXPECT_EQ(received.get(), data);
}

TEST_F(SerialPortTest, BadArgumentsAndForeignHandlesAreRefused) {
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    DCB dcb;
    COMMTIMEOUTS timeouts;
    DWORD word = 0;
    const COMMTIMEOUTS never{MAXDWORD, MAXDWORD, MAXDWORD, 0, 0};
    struct Call {
        const char* what;
        std::function<BOOL(HANDLE)> call;
    };
    const std::vector<Call> parameter_errors = {
        {"GetCommState(null)", [](HANDLE h) { return GetCommState(h, nullptr); }},
        {"SetCommState(null)", [](HANDLE h) { return SetCommState(h, nullptr); }},
        {"GetCommTimeouts(null)", [](HANDLE h) { return GetCommTimeouts(h, nullptr); }},
        {"SetCommTimeouts(null)", [](HANDLE h) { return SetCommTimeouts(h, nullptr); }},
        {"SetCommTimeouts(all MAXDWORD)", [&](HANDLE h) { return SetCommTimeouts(h, &never); }},
        {"GetCommMask(null)", [](HANDLE h) { return GetCommMask(h, nullptr); }},
        {"SetCommMask(unknown bit)", [](HANDLE h) { return SetCommMask(h, 0x8000); }},
        {"WaitCommEvent(null)", [](HANDLE h) { return WaitCommEvent(h, nullptr, nullptr); }},
        {"PurgeComm(unknown flag)", [](HANDLE h) { return PurgeComm(h, 0x10); }},
        {"GetCommModemStatus(null)", [](HANDLE h) { return GetCommModemStatus(h, nullptr); }},
        {"ReadFile(null buffer)", [&](HANDLE h) { return ReadFile(h, nullptr, 4, &word); }},
        {"WriteFile(null buffer)", [&](HANDLE h) { return WriteFile(h, nullptr, 4, &word); }},
    };
    for (const auto& c : parameter_errors) {
        SetLastError(kSentinel);
        EXPECT_FALSE(c.call(port)) << c.what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.what;
    }

    const std::vector<Call> every_call = {
        {"GetCommState", [&](HANDLE h) { return GetCommState(h, &dcb); }},
        {"SetCommState", [&](HANDLE h) { return SetCommState(h, &dcb); }},
        {"GetCommTimeouts", [&](HANDLE h) { return GetCommTimeouts(h, &timeouts); }},
        {"SetCommTimeouts", [&](HANDLE h) { return SetCommTimeouts(h, &timeouts); }},
        {"SetupComm", [](HANDLE h) { return SetupComm(h, 4096, 4096); }},
        {"PurgeComm", [](HANDLE h) { return PurgeComm(h, PURGE_RXCLEAR); }},
        {"SetCommMask", [](HANDLE h) { return SetCommMask(h, EV_RXCHAR); }},
        {"GetCommMask", [&](HANDLE h) { return GetCommMask(h, &word); }},
        {"WaitCommEvent", [&](HANDLE h) { return WaitCommEvent(h, &word, nullptr); }},
        {"ClearCommError", [&](HANDLE h) { return ClearCommError(h, &word, nullptr); }},
        {"GetCommModemStatus", [&](HANDLE h) { return GetCommModemStatus(h, &word); }},
    };
    HANDLE file = CreateFile("\\NAND\\log.txt", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE gone = port;
    Close(port);
    for (HANDLE foreign : {file, INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr), gone}) {
        for (const auto& c : every_call) {
            SetLastError(kSentinel);
            EXPECT_FALSE(c.call(foreign)) << c.what;
            EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << c.what;
        }
    }
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(SerialPortTest, FilesTakeACompletionRecordToo) {
    HANDLE file = CreateFile("\\NAND\\record.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    OVERLAPPED record;
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(file, "abcdef", 6, &count, &record));
    EXPECT_EQ(record.InternalHigh, 6u);
    ASSERT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
    char buffer[8] = {};
    ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &count, &record));
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(std::string(buffer, count), "abcdef");
    DWORD transferred = 0;
    EXPECT_TRUE(GetOverlappedResult(file, &record, &transferred, FALSE));
    EXPECT_EQ(transferred, 6u);
    SetLastError(kSentinel);
    EXPECT_FALSE(GetOverlappedResult(file, nullptr, &transferred, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CloseHandle(file));
}

}  // namespace
