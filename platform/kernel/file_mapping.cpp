// File mappings: shared memory from the device server (by name, between programs) or the
// contents of an open file, and views of either.
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/files.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"

namespace platform {
namespace {

struct MappingMemory {
    int fd = -1;
    std::uint64_t size = 0;
    bool writable = true;
};

// A mapping of an open file lives in the program.
class FileMappingObject final : public LocalObject {
public:
    FileMappingObject(int fd, std::uint64_t size, bool writable) : memory{fd, size, writable} {}
    ~FileMappingObject() override { ::close(memory.fd); }
    MappingMemory memory;
};

std::mutex s_mutex;
std::map<std::uintptr_t, MappingMemory> s_server_mappings;  // handle -> its memory's descriptor
std::map<const void*, std::size_t> s_views;                 // base -> length

}  // namespace

void ForgetMappingHandle(HANDLE handle) {
    std::lock_guard lock(s_mutex);
    auto found = s_server_mappings.find(HandleValue(handle));
    if (found == s_server_mappings.end()) return;
    ::close(found->second.fd);
    s_server_mappings.erase(found);
}

}  // namespace platform

HANDLE CreateFileMapping(HANDLE file, void*, DWORD protect, DWORD maximum_size_high, DWORD maximum_size_low,
                         const std::string& name) {
    const std::uint64_t size = (static_cast<std::uint64_t>(maximum_size_high) << 32) | maximum_size_low;
    const bool writable = protect == PAGE_READWRITE;
    if (file != INVALID_HANDLE_VALUE && file != nullptr) {
        int fd = platform::FileDescriptorOf(file);
        if (fd < 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        struct stat info{};
        if (::fstat(fd, &info) != 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        const std::uint64_t mapped = size ? size : static_cast<std::uint64_t>(info.st_size);
        if (mapped == 0) {
            // An empty file cannot be mapped, as on the device.
            SetLastError(ERROR_FILE_INVALID);
            return nullptr;
        }
        int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (copy < 0) {
            SetLastError(ERROR_TOO_MANY_OPEN_FILES);
            return nullptr;
        }
        SetLastError(ERROR_SUCCESS);
        return platform::InsertLocalHandle(std::make_shared<platform::FileMappingObject>(copy, mapped, writable));
    }
    protocol::CreateMappingRequest request;
    request.size = size;
    request.name = name;
    protocol::MappingReply reply;
    int fd = -1;
    auto* connection = platform::ServerConnection::Current();
    if (!connection || !connection->Call(request, reply, &fd)) return nullptr;
    SetLastError(reply.error);
    if (!reply.handle) return nullptr;
    if (fd < 0) {
        SetLastError(ERROR_BROKEN_PIPE);
        return nullptr;
    }
    std::lock_guard lock(platform::s_mutex);
    auto& slot = platform::s_server_mappings[reply.handle];
    if (slot.fd >= 0) ::close(slot.fd);
    slot = {fd, reply.size, true};
    return platform::MakeHandle(reply.handle);
}

void* MapViewOfFile(HANDLE mapping, DWORD desired_access, DWORD offset_high, DWORD offset_low, std::size_t bytes_to_map) {
    platform::MappingMemory memory;
    std::shared_ptr<platform::FileMappingObject> keep_alive;
    if (platform::IsLocalHandle(mapping)) {
        keep_alive = platform::LookupLocal<platform::FileMappingObject>(mapping);
        if (!keep_alive) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        memory = keep_alive->memory;
    } else {
        std::lock_guard lock(platform::s_mutex);
        auto found = platform::s_server_mappings.find(platform::HandleValue(mapping));
        if (found == platform::s_server_mappings.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        memory = found->second;
    }
    const std::uint64_t offset = (static_cast<std::uint64_t>(offset_high) << 32) | offset_low;
    const bool write = (desired_access & FILE_MAP_WRITE) != 0;
    if (offset >= memory.size || offset % static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) != 0 ||
        (write && !memory.writable)) {
        SetLastError(write && !memory.writable ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::uint64_t length = bytes_to_map ? bytes_to_map : memory.size - offset;
    if (length > memory.size - offset) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* base = ::mmap(nullptr, length, write ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, memory.fd,
                        static_cast<off_t>(offset));
    if (base == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard lock(platform::s_mutex);
    platform::s_views[base] = length;
    return base;
}

BOOL UnmapViewOfFile(const void* base_address) {
    std::size_t length = 0;
    {
        std::lock_guard lock(platform::s_mutex);
        auto found = platform::s_views.find(base_address);
        if (found == platform::s_views.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        length = found->second;
        platform::s_views.erase(found);
    }
    ::munmap(const_cast<void*>(base_address), length);
    return TRUE;
}
