// Kernel objects held by the server. Handles in programs' handle tables and pending waits
// keep them alive; a named object leaves the namespace with its last reference.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace server {

enum class ObjectKind { Event, Mutex, Mapping, Process };

class KernelObject : public std::enable_shared_from_this<KernelObject> {
public:
    KernelObject(ObjectKind kind, std::string name) : m_kind(kind), m_name(std::move(name)) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    ObjectKind Kind() const { return m_kind; }
    const std::string& Name() const { return m_name; }
    bool Waitable() const { return m_kind != ObjectKind::Mapping; }

    // Could the thread on connection `waiter` take the object now?
    virtual bool Available(std::uint32_t waiter) const = 0;
    // Takes the object for the waiter (an auto-reset event clears, a mutex changes owner).
    // Returns true when the taking reports the object abandoned.
    virtual bool Take(std::uint32_t waiter) = 0;

private:
    ObjectKind m_kind;
    std::string m_name;
};

}  // namespace server
