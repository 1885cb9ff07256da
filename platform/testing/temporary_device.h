// A device root of its own for one test: a temporary directory, the real device server
// started on it, test programs installed in its \NAND, and its logs to read. Every wait is
// bounded.
#pragma once

#include <chrono>
#include <functional>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/window/window.h"

namespace platform::testing {

// Paths of the binaries the build made (set by CMake).
std::string ServerBinary();
std::string ProbeBinary();
std::string WindowProbeBinary();

// Programs outside the suite that tests install: the stand-ins of tools/standins, and the
// program double of tests/programs, which takes its window name from the file it is
// installed as (MUSIC.EXE shows "APP_MUSIC") and so stands in for any program of the suite.
enum class StandIn { Photo, Stacker, Explorer, TouchCalibration, Wayfarer, ProgramDouble };
std::string StandInBinary(StandIn stand_in);
// Where a device keeps a stand-in (\NAND\PHOTO.EXE, \NAND\STACKER.EXE, \WINDOWS\EXPLORER.EXE,
// \WINDOWS\TCLAUNCH.EXE, \STORAGE CARD\WAYFARER\WAYFARER.EXE); empty for the program double,
// which has no place of its own.
std::string StandInPath(StandIn stand_in);

// Its device.conf says `audio = fake` unless a test names another audio mode in it (before
// the server starts), so that tests never play aloud on a machine with a sound card.
class TemporaryDevice {
public:
    TemporaryDevice();
    ~TemporaryDevice();
    TemporaryDevice(const TemporaryDevice&) = delete;
    TemporaryDevice& operator=(const TemporaryDevice&) = delete;

    const std::filesystem::path& Root() const { return m_root; }

    // Starts the server and waits until it accepts programs; keeps the one this device already
    // runs.
    bool StartServer(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // SIGTERM and wait for a clean exit; the exit status is kept.
    bool StopServer(std::chrono::milliseconds timeout = std::chrono::seconds(8));
    int ServerExitStatus() const { return m_exit_status; }
    pid_t ServerPid() const { return m_server_pid; }

    // Starts a program by device path as ShellExecuteEx does; its process handle, or null.
    void* Start(const std::string& device_path, const std::string& parameters) const;

    // Copies a program into fs/NAND under its device file name.
    bool Install(const std::string& host_binary, const std::string& device_name);
    // The same, with the program's resources folder copied beside it as \NAND\<NAME> (the
    // device file name without ".EXE"), where a suite program finds its skin.
    bool InstallWithResources(const std::string& host_binary, const std::string& device_name,
                              const std::filesystem::path& resources);
    // Copies a program to a device path, making the folders on the way. Folders that exist
    // are found ignoring case, as the device finds them; a path under \STORAGE CARD inserts
    // the card.
    bool InstallAt(const std::string& host_binary, const std::string& device_path);
    // Installs a stand-in at a device path, or where the device keeps it when the path is
    // empty. The program double needs a path: InstallStandIn(StandIn::ProgramDouble,
    // "\\NAND\\MUSIC.EXE").
    bool InstallStandIn(StandIn stand_in, const std::string& device_path = {});

    std::string Log(const std::string& program) const;
    std::vector<std::string> LogLines(const std::string& program) const;
    bool WaitForLog(const std::string& program, const std::string& text,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    // Adds `audio = fake` to device.conf when it names no audio mode.
    void KeepAudioFake() const;
    // Ends, at once, every process running a program file of this device.
    void KillProgramsOfThisDevice() const;

    std::filesystem::path m_root;
    pid_t m_server_pid = -1;
    int m_exit_status = -1;
};

// The programs a test starts on a device: those still running at the end are ended at once,
// so the device stops without waiting for them.
class StartedPrograms {
public:
    explicit StartedPrograms(const TemporaryDevice& device) : m_device(device) {}
    ~StartedPrograms();
    StartedPrograms(const StartedPrograms&) = delete;
    StartedPrograms& operator=(const StartedPrograms&) = delete;

    // As TemporaryDevice::Start; the handle stays the list's.
    HANDLE Start(const std::string& device_path, const std::string& parameters = {});

private:
    const TemporaryDevice& m_device;
    std::vector<HANDLE> m_processes;
};

// Asks `condition` every 10 ms until it holds, for at most `timeout`; whether it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(3));

// Waits for a top-level window with the title, asking on this thread's connection.
HWND WaitForWindow(const std::string& title, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Forgets this thread's server connection (after a server restart).
void ResetThreadConnection();

}  // namespace platform::testing
