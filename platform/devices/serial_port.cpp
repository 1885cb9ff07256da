// The serial port calls: argument checks at the door, then the port object.
#include "platform/devices/serial_port.h"

#include <cctype>

#include "platform/device_root.h"
#include "platform/devices/serial_port_object.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/last_error.h"

namespace platform {
namespace {

using serial::SerialPortObject;

std::shared_ptr<SerialPortObject> PortFromHandle(HANDLE handle) {
    auto port = IsLocalHandle(handle) ? LookupLocal<SerialPortObject>(handle) : nullptr;
    if (!port) SetLastError(ERROR_INVALID_HANDLE);
    return port;
}

BOOL InvalidParameter() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

}  // namespace

bool IsSerialPortName(const std::string& name) {
    return name.size() == 5 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(name[2])) == 'M' && name[3] >= '1' && name[3] <= '9' &&
           name[4] == ':';
}

HANDLE OpenSerialPort(const std::string& name, DWORD desired_access, DWORD creation_disposition) {
    if (!IsSerialPortName(name)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (creation_disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string key = std::string("COM") + name[3];
    // device.conf is read afresh at every open: a receiver simulator that makes a new pty
    // writes its path there, and the next connect must find it without a restart.
    const auto config = DeviceConfig::Load(DeviceRootDir() / "device.conf");
    const std::string host_path = config.Get(key);
    if (host_path.empty() || host_path[0] != '/') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = ERROR_SUCCESS;
    auto port = SerialPortObject::Open(key + ":", host_path, desired_access, error);
    if (!port) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = InsertLocalHandle(std::move(port));
    SetLastError(ERROR_SUCCESS);
    return handle;
}

bool IsSerialPortHandle(HANDLE handle) {
    return IsLocalHandle(handle) && LookupLocal<SerialPortObject>(handle) != nullptr;
}

BOOL ReadSerialPort(HANDLE port, void* buffer, DWORD bytes_to_read, DWORD* bytes_read) {
    if (bytes_read) *bytes_read = 0;
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!object->CanRead()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (bytes_to_read > 0 && !buffer) return InvalidParameter();
    DWORD done = 0;
    const BOOL ok = object->Read(buffer, bytes_to_read, done);
    if (bytes_read) *bytes_read = done;
    return ok;
}

BOOL WriteSerialPort(HANDLE port, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written) {
    if (bytes_written) *bytes_written = 0;
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!object->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (bytes_to_write > 0 && !buffer) return InvalidParameter();
    DWORD done = 0;
    const BOOL ok = object->Write(buffer, bytes_to_write, done);
    if (bytes_written) *bytes_written = done;
    return ok;
}

}  // namespace platform

using platform::InvalidParameter;
using platform::PortFromHandle;

BOOL GetCommState(HANDLE port, DCB* dcb) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!dcb) return InvalidParameter();
    return object->GetState(*dcb);
}

BOOL SetCommState(HANDLE port, const DCB* dcb) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!dcb) return InvalidParameter();
    return object->SetState(*dcb);
}

BOOL SetupComm(HANDLE port, DWORD in_queue, DWORD out_queue) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    object->SetQueueSizes(in_queue, out_queue);
    return TRUE;
}

BOOL PurgeComm(HANDLE port, DWORD flags) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    return object->Purge(flags);
}

BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!timeouts) return InvalidParameter();
    *timeouts = object->Timeouts();
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!timeouts) return InvalidParameter();
    // All three read values MAXDWORD would ask to wait MAXDWORD for the first byte and to never
    // wait: the device refuses it.
    if (timeouts->ReadIntervalTimeout == MAXDWORD && timeouts->ReadTotalTimeoutMultiplier == MAXDWORD &&
        timeouts->ReadTotalTimeoutConstant == MAXDWORD) {
        return InvalidParameter();
    }
    object->SetTimeouts(*timeouts);
    return TRUE;
}

BOOL SetCommMask(HANDLE port, DWORD mask) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (mask & ~platform::kAllCommEvents) return InvalidParameter();
    object->SetMask(mask);
    return TRUE;
}

BOOL GetCommMask(HANDLE port, DWORD* mask) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!mask) return InvalidParameter();
    *mask = object->Mask();
    return TRUE;
}

BOOL WaitCommEvent(HANDLE port, DWORD* mask, OVERLAPPED* overlapped) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!mask) return InvalidParameter();
    DWORD events = 0;
    const BOOL ok = object->WaitEvent(events);
    *mask = events;
    platform::CompleteOverlapped(overlapped, ok, 0);
    return ok;
}

BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    DWORD found = 0;
    COMSTAT queues;
    if (!object->QueryStatus(found, queues)) return FALSE;
    if (errors) *errors = found;
    if (status) *status = queues;
    return TRUE;
}

BOOL GetCommModemStatus(HANDLE port, DWORD* modem_status) {
    auto object = PortFromHandle(port);
    if (!object) return FALSE;
    if (!modem_status) return InvalidParameter();
    return object->ModemStatus(*modem_status);
}
