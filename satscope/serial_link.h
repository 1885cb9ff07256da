// SatScope's link to the receiver: opens and configures the serial port, writes command bytes,
// and runs one receive thread that moves what arrives into the ring and wakes the window with
// WM_GPS_DATA. Everything else (cutting, decoding, commands) runs on the window's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/devices/serial_port.h"
#include "platform/window/window.h"
#include "satscope/receive_ring.h"

namespace satscope {

class SerialLink {
public:
    static constexpr DWORD kReadChunk = 2048;
    static constexpr DWORD kQueueBytes = 4096;

    SerialLink() = default;
    ~SerialLink() { Close(); }
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Opens "COMn:" at the baud rate, 8N1, and starts the receive thread; 1 on success. A failed
    // open closes whatever it had opened, so the port is never left locked.
    BOOL Open(HWND window, const std::string& port_name, DWORD baud_rate, WORD link_id);
    // Ends the receive thread, then closes the port. Harmless when closed.
    void Close();
    bool IsOpen() const { return m_port != INVALID_HANDLE_VALUE; }
    // One write of the bytes; the count written, 0 on failure.
    DWORD Write(const void* bytes, DWORD count);

    // The window thread's side of the ring.
    std::uint32_t Count() const { return m_ring.Count(); }
    bool Get(std::uint8_t& byte) { return m_ring.Get(byte); }

    // Batches the thread had to drop because the window had not taken enough.
    std::uint64_t DroppedBatches() const { return m_dropped_batches.load(std::memory_order_relaxed); }
    std::uint64_t DroppedBytes() const { return m_dropped_bytes.load(std::memory_order_relaxed); }

private:
    static DWORD ReceiveThread(void* parameter);
    void Receive();
    DWORD Read(void* buffer, DWORD max);
    void CloseHandles();

    HWND m_window = nullptr;
    HANDLE m_port = INVALID_HANDLE_VALUE;
    OVERLAPPED m_read{};
    OVERLAPPED m_write{};
    std::atomic<std::uint32_t> m_running{0};
    HANDLE m_thread = nullptr;
    WORD m_link_id = 0;
    ReceiveRing m_ring;
    std::atomic<std::uint64_t> m_dropped_batches{0};
    std::atomic<std::uint64_t> m_dropped_bytes{0};
};

}  // namespace satscope
