// One running copy per program. The first copy owns three named objects whose names begin
// with the program's GUID string: an event that a second start pulses, a 512-byte mailbox
// mapping that carries the second start's command line, and the mailbox's mutex. A second
// copy writes its command line, wakes the first and ends without a window.
#pragma once

#include <memory>
#include <string>

#include "platform/win32_types.h"

// The mailbox: a zero-terminated UTF-16 string of at most 255 characters in 512 bytes of
// shared memory, guarded by a named mutex.
class CCommandLineMailbox {
public:
    static constexpr std::size_t kSize = 512;

    explicit CCommandLineMailbox(const std::string& guid);
    ~CCommandLineMailbox();
    CCommandLineMailbox(const CCommandLineMailbox&) = delete;
    CCommandLineMailbox& operator=(const CCommandLineMailbox&) = delete;

    // Stores the text when it fits (under 512 bytes without its terminator); a longer text
    // is not written and the mailbox keeps what it had.
    void Write(const std::string& text);
    // The stored text, or an empty string when the mutex could not be taken.
    std::string Read();

private:
    HANDLE m_mapping = nullptr;
    void* m_view = nullptr;
    HANDLE m_mutex = nullptr;
};

class CSingleInstance {
public:
    CSingleInstance();
    virtual ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // True in the first copy (go on and show the dialog); false in a second copy, which has
    // handed over its command line and woken the first, and in a failure.
    bool Create(const std::string& guid);
    // Called on the watcher thread of the first copy at each second start. The common
    // behaviour brings the application's main window to the foreground.
    virtual void WakeUp(const std::string& command_line);
    // Ends the watcher and releases the objects (the destructor does it too).
    void Destroy();

private:
    struct Implementation;
    std::unique_ptr<Implementation> m_implementation;
};
