// The receiver's end of the serial line: a pseudo-terminal whose slave side a program opens as
// its serial port (its path is what device.conf maps a COM port to).
//
// The pty is made raw at once, so the line passes every byte unchanged until the program sets
// its own mode (on Linux the settings made through the master are the slave's). One descriptor
// of the slave stays open inside gpssim for the pty's whole life, so the line does not hang up
// when the program closes its port and opens it again; while nobody reads, what is sent fills
// the slave's input queue, and once that is full writes take nothing (they never block).
#pragma once

#include <termios.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace gpssim {

class PtyLine {
public:
    enum class LineState {
        Open,  // took bytes, or will once there is room
        Full,  // the slave's input queue has no room: nobody reads
        Gone,  // no slave is open (the line hung up)
    };
    struct WriteResult {
        std::size_t accepted = 0;
        LineState state = LineState::Open;
    };
    struct ReadResult {
        std::size_t count = 0;
        LineState state = LineState::Open;
    };

    // Nothing, with the reason in `error`, when no pty can be had.
    static std::unique_ptr<PtyLine> Open(std::string& error);
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& SlavePath() const { return m_slave_path; }
    int MasterDescriptor() const { return m_master; }
    // A non-blocking write of as much as fits.
    WriteResult Write(std::string_view bytes);
    // A non-blocking read of what the program wrote.
    ReadResult Read(char* buffer, std::size_t size);
    // Bytes sent that wait in the slave's input queue, not yet read by the program.
    std::size_t Unread() const;
    // The mode the program set on its end, read from the slave path; nothing when it cannot be read.
    std::optional<termios> SlaveMode() const;

private:
    PtyLine() = default;

    int m_master = -1;
    int m_kept_slave = -1;
    std::string m_slave_path;
};

}  // namespace gpssim
