// The namespace of named objects, shared by every program, and a program's handle table.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "server/objects/kernel_object.h"

namespace server {

// Names are shared across object kinds, as on the device: an event and a mutex cannot share
// a name. Objects are held weakly; a name disappears with its object's last handle.
class ObjectDirectory {
public:
    std::shared_ptr<KernelObject> Find(const std::string& name);
    void Insert(const std::shared_ptr<KernelObject>& object);
    std::size_t LiveCount();

private:
    std::unordered_map<std::string, std::weak_ptr<KernelObject>> m_names;
};

class HandleTable {
public:
    static constexpr std::size_t kMaxHandles = 16384;

    // 0 when the table is full.
    std::uint32_t Insert(std::shared_ptr<KernelObject> object);
    std::shared_ptr<KernelObject> Get(std::uint32_t handle) const;
    bool Close(std::uint32_t handle);
    void Clear() { m_handles.clear(); }
    std::size_t Count() const { return m_handles.size(); }

private:
    std::map<std::uint32_t, std::shared_ptr<KernelObject>> m_handles;
    std::uint32_t m_next = 0;
};

}  // namespace server
