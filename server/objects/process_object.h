// The waitable side of a program: signalled when the program has ended.
#pragma once

#include <sys/types.h>

#include "server/objects/kernel_object.h"

namespace server {

class ProcessObject final : public KernelObject {
public:
    explicit ProcessObject(pid_t pid) : KernelObject(ObjectKind::Process, {}), m_pid(pid) {}

    pid_t Pid() const { return m_pid; }
    bool Exited() const { return m_exited; }
    std::uint32_t ExitCode() const { return m_exit_code; }
    void MarkExited(std::uint32_t exit_code) {
        m_exited = true;
        m_exit_code = exit_code;
    }
    bool Available(std::uint32_t) const override { return m_exited; }
    bool Take(std::uint32_t) override { return false; }

private:
    pid_t m_pid;
    bool m_exited = false;
    std::uint32_t m_exit_code = 259;  // STILL_ACTIVE
};

}  // namespace server
