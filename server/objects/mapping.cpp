#include "server/objects/mapping.h"

#include <sys/mman.h>
#include <unistd.h>

namespace server {

std::shared_ptr<MappingObject> MappingObject::Create(std::string name, std::uint64_t size) {
    int fd = ::memfd_create(name.empty() ? "mapping" : name.c_str(), MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_shared<MappingObject>(std::move(name), fd, size);
}

MappingObject::~MappingObject() {
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace server
