#include "platform/devices/stream_device.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/device_root.h"
#include "platform/devices/flash_disk.h"
#include "platform/files/file_object.h"
#include "platform/files/positional_io.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/server_connection.h"

namespace platform {
namespace {

class StreamDeviceObject final : public LocalObject {
public:
    StreamDeviceObject(std::string name, int image_fd) : name(std::move(name)), image_fd(image_fd) {
        struct stat info {};
        if (image_fd >= 0 && ::fstat(image_fd, &info) == 0)
            sectors = static_cast<std::uint64_t>(info.st_size) / platform::kSectorSize;
    }
    ~StreamDeviceObject() override {
        if (image_fd >= 0) ::close(image_fd);
    }
    StreamDeviceObject(const StreamDeviceObject&) = delete;
    StreamDeviceObject& operator=(const StreamDeviceObject&) = delete;

    // A driver that shared its image counts its opens and learns of the close (the flash disk
    // flushes its image at the last one); what this handle wrote is on the disk before the
    // close returns, as the disk's handles are write-through. The other drivers keep no count,
    // so their closes cost no server call.
    void OnHandleClosed() override {
        if (image_fd < 0) return;
        if (wrote) ::fdatasync(image_fd);
        if (auto* connection = ServerConnection::Current()) {
            protocol::DriverCloseRequest request{name};
            protocol::StatusReply reply;
            connection->Call(request, reply);
        }
    }
    std::string name;
    // A device whose data the driver shares (the flash disk's image): its descriptor and size.
    int image_fd = -1;
    std::uint64_t sectors = 0;
    bool wrote = false;
};

constexpr std::size_t kMaxIoSize = 64 * 1024;

}  // namespace

bool IsStreamDeviceName(const std::string& name) {
    return name.size() == 5 && std::isalpha(static_cast<unsigned char>(name[0])) &&
           std::isalpha(static_cast<unsigned char>(name[1])) && std::isalpha(static_cast<unsigned char>(name[2])) &&
           std::isdigit(static_cast<unsigned char>(name[3])) && name[4] == ':';
}

HANDLE OpenStreamDevice(const std::string& name, DWORD, DWORD) {
    auto* connection = ServerConnection::Current();
    protocol::DriverOpenRequest request{name};
    protocol::StatusReply reply;
    int image_fd = -1;
    if (!connection || !connection->Call(request, reply, &image_fd)) return INVALID_HANDLE_VALUE;
    if (reply.error) {
        if (image_fd >= 0) ::close(image_fd);
        SetLastError(reply.error);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return InsertLocalHandle(std::make_shared<StreamDeviceObject>(name, image_fd));
}

DWORD ReadBoardStatusWord() { return static_cast<DWORD>(Config().GetInt("board_status", 0)); }

}  // namespace platform

namespace {

bool ValidBuffers(const void* input, DWORD input_size, const void* output, DWORD output_size) {
    if ((input_size && !input) || (output_size && !output) || input_size > platform::kMaxIoSize ||
        output_size > platform::kMaxIoSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// Sends a request that carries input bytes and brings output bytes back into the caller's room.
template <class Request>
BOOL CallWithBuffers(Request& request, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned) {
    const auto* bytes = static_cast<const std::uint8_t*>(input);
    if (input_size) request.input.assign(bytes, bytes + input_size);
    request.output_size = output_size;
    protocol::IoControlReply reply;
    auto* connection = platform::ServerConnection::Current();
    if (!connection || !connection->Call(request, reply)) return FALSE;
    if (reply.error) {
        SetLastError(reply.error);
        return FALSE;
    }
    const DWORD copied = static_cast<DWORD>(std::min<std::size_t>(reply.output.size(), output_size));
    if (copied) std::memcpy(output, reply.output.data(), copied);
    if (bytes_returned) *bytes_returned = copied;
    return TRUE;
}

bool IsFlashDisk(const std::string& name) {
    return name.size() == 5 && std::toupper(static_cast<unsigned char>(name[0])) == 'D' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'S' &&
           std::toupper(static_cast<unsigned char>(name[2])) == 'K' && name.compare(3, 2, "1:") == 0;
}

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

// Sector reads and writes on the image the driver handed over at the open: the same range
// check as the driver's (nothing moves when the range is not wholly on the disk), then the
// bytes straight between the caller's buffer and the image.
BOOL SharedImageSectors(platform::StreamDeviceObject& disk, DWORD code, const platform::SectorRequest& record) {
    const std::uint64_t first = record.first_sector, count = record.sector_count;
    if (count > 0 && !record.buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (first > disk.sectors || count > disk.sectors - first) {
        SetLastError(ERROR_SECTOR_NOT_FOUND);
        return FALSE;
    }
    const bool write = code == platform::kIoctlDiskWrite;
    auto* bytes = static_cast<std::uint8_t*>(record.buffer);
    const std::uint64_t size = count * platform::kSectorSize;
    const std::uint64_t offset = first * platform::kSectorSize;
    const bool moved = write ? platform::WriteFully(disk.image_fd, bytes, size, offset)
                             : platform::ReadFully(disk.image_fd, bytes, size, offset);
    if (!moved) {
        SetLastError(write ? ERROR_WRITE_FAULT : ERROR_READ_FAULT);
        return FALSE;
    }
    if (write) disk.wrote = true;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// The boot loader install: the driver is told which file of the device's file system to take.
BOOL FlashDiskInstallBootLoader(const std::string& device, const platform::BootLoaderRequest& record) {
    auto file = platform::files::FileFromHandle(record.file);
    if (!file) return FALSE;
    protocol::DriverIoControlRequest request;
    request.device = device;
    request.code = platform::kIoctlInstallBootLoader;
    request.input.assign(4, 0);
    PutWord(request.input, 0, record.length);
    request.input.insert(request.input.end(), file->HostPath().begin(), file->HostPath().end());
    return CallWithBuffers(request, nullptr, 0, nullptr, 0, nullptr);
}

BOOL FlashDiskIoControl(platform::StreamDeviceObject& disk, DWORD code, const void* input, DWORD input_size,
                        void* output, DWORD output_size) {
    const std::string& device = disk.name;
    if (code == platform::kIoctlDiskWrite || code == platform::kIoctlDiskRead) {
        const bool write = code == platform::kIoctlDiskWrite;
        const void* record = write ? input : output;
        const DWORD record_size = write ? input_size : output_size;
        if (!record || record_size != sizeof(platform::SectorRequest)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        platform::SectorRequest request{};
        std::memcpy(&request, record, sizeof(request));
        if (disk.image_fd < 0) {
            // The driver hands its image over with every open; without it there is no disk.
            SetLastError(ERROR_NOT_READY);
            return FALSE;
        }
        return SharedImageSectors(disk, code, request);
    }
    if (code == platform::kIoctlInstallBootLoader) {
        if (!input || input_size != sizeof(platform::BootLoaderRequest)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        platform::BootLoaderRequest request{};
        std::memcpy(&request, input, sizeof(request));
        return FlashDiskInstallBootLoader(device, request);
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

}  // namespace

BOOL DeviceIoControl(HANDLE device, DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned, void*) {
    if (bytes_returned) *bytes_returned = 0;
    auto object = platform::LookupLocal<platform::StreamDeviceObject>(device);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (IsFlashDisk(object->name)) return FlashDiskIoControl(*object, code, input, input_size, output, output_size);
    if (!ValidBuffers(input, input_size, output, output_size)) return FALSE;
    protocol::DriverIoControlRequest request;
    request.device = object->name;
    request.code = code;
    return CallWithBuffers(request, input, input_size, output, output_size, bytes_returned);
}

BOOL KernelIoControl(DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                     DWORD* bytes_returned) {
    if (bytes_returned) *bytes_returned = 0;
    if (!ValidBuffers(input, input_size, output, output_size)) return FALSE;
    protocol::KernelIoControlRequest request;
    request.code = code;
    return CallWithBuffers(request, input, input_size, output, output_size, bytes_returned);
}
