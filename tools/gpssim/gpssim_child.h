// gpssim run as a child of a test or a benchmark: started with its arguments, its standard
// output read line by line (the pty's path first), commands written to its standard input,
// signalled, waited for.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace gpssim {

class GpsSim {
public:
    GpsSim(const std::string& binary, const std::vector<std::string>& arguments);
    ~GpsSim();
    GpsSim(const GpsSim&) = delete;
    GpsSim& operator=(const GpsSim&) = delete;

    // The pty's slave path: its first line of output (read on first use); empty when none came.
    const std::string& Pty();
    // The next line of its output, without the newline; nothing after 15 s or at its end.
    std::optional<std::string> ReadLine();
    // Reads lines until one equals `wanted`.
    bool WaitForLine(const std::string& wanted);
    // Writes text to its standard input as it stands ("bad 3\n").
    bool Send(const std::string& text);
    void CloseStdin();
    void Signal(int number);
    // Its exit status once it has ended (128 + the signal when one ended it); nothing when it
    // has not ended within the time.
    std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    // Ends it (SIGTERM) and waits.
    void Stop();

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::string m_buffer;
    std::optional<std::string> m_pty;
    std::optional<int> m_status;
};

}  // namespace gpssim
