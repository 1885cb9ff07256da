#include "server/objects/object_directory.h"

namespace server {

std::shared_ptr<KernelObject> ObjectDirectory::Find(const std::string& name) {
    auto found = m_names.find(name);
    if (found == m_names.end()) return nullptr;
    auto object = found->second.lock();
    if (!object) m_names.erase(found);
    return object;
}

void ObjectDirectory::Insert(const std::shared_ptr<KernelObject>& object) {
    if (object->Name().empty()) return;
    // Sweep names whose objects are gone so the table stays as small as the live set.
    if (m_names.size() > 64 && m_names.size() % 64 == 0) {
        for (auto it = m_names.begin(); it != m_names.end();) it = it->second.expired() ? m_names.erase(it) : std::next(it);
    }
    m_names[object->Name()] = object;
}

std::size_t ObjectDirectory::LiveCount() {
    std::size_t count = 0;
    for (auto& [name, object] : m_names) count += object.expired() ? 0 : 1;
    return count;
}

std::uint32_t HandleTable::Insert(std::shared_ptr<KernelObject> object) {
    if (m_handles.size() >= kMaxHandles) return 0;
    // Handles are small multiples of four, reused after a wrap, never 0 and never in the
    // range programs keep for their own handles.
    do {
        m_next += 4;
        if (m_next >= 0x40000000u) m_next = 4;
    } while (m_handles.count(m_next));
    m_handles.emplace(m_next, std::move(object));
    return m_next;
}

std::shared_ptr<KernelObject> HandleTable::Get(std::uint32_t handle) const {
    auto found = m_handles.find(handle);
    return found == m_handles.end() ? nullptr : found->second;
}

bool HandleTable::Close(std::uint32_t handle) { return m_handles.erase(handle) != 0; }

}  // namespace server
