// An event: manual reset (stays set until reset) or auto reset (one waiter takes it).
#pragma once

#include "server/objects/kernel_object.h"

namespace server {

class EventObject final : public KernelObject {
public:
    EventObject(std::string name, bool manual_reset, bool initial_state)
        : KernelObject(ObjectKind::Event, std::move(name)), m_manual_reset(manual_reset), m_signalled(initial_state) {}

    bool ManualReset() const { return m_manual_reset; }
    bool Signalled() const { return m_signalled; }
    void Set() { m_signalled = true; }
    void Reset() { m_signalled = false; }

    bool Available(std::uint32_t) const override { return m_signalled; }
    bool Take(std::uint32_t) override {
        if (!m_manual_reset) m_signalled = false;
        return false;
    }

private:
    bool m_manual_reset;
    bool m_signalled;
};

}  // namespace server
