// A file mapping backed by the page file: anonymous shared memory whose descriptor is handed
// to each program that creates or opens it.
#pragma once

#include <cstdint>
#include <memory>

#include "server/objects/kernel_object.h"

namespace server {

class MappingObject final : public KernelObject {
public:
    // Null when the memory cannot be had.
    static std::shared_ptr<MappingObject> Create(std::string name, std::uint64_t size);
    ~MappingObject() override;

    int Fd() const { return m_fd; }
    std::uint64_t Size() const { return m_size; }
    bool Available(std::uint32_t) const override { return false; }
    bool Take(std::uint32_t) override { return false; }

    MappingObject(std::string name, int fd, std::uint64_t size)
        : KernelObject(ObjectKind::Mapping, std::move(name)), m_fd(fd), m_size(size) {}

private:
    int m_fd;
    std::uint64_t m_size;
};

}  // namespace server
