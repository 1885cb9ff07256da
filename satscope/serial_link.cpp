#include "satscope/serial_link.h"

#include <cstdio>

#include "platform/app/message_box.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "satscope/control_ids.h"

namespace satscope {

BOOL SerialLink::Open(HWND window, const std::string& port_name, DWORD baud_rate, WORD link_id)
{
    Close();
    m_running.store(0, std::memory_order_release);
    m_link_id = link_id;
    m_window = window;

    m_read = {};
    m_write = {};
    m_read.hEvent = CreateEvent(TRUE, FALSE);
    m_write.hEvent = CreateEvent(TRUE, FALSE);
    if (!m_read.hEvent || !m_write.hEvent) {
        CloseHandles();
        return FALSE;
    }
    m_port = CreateFile(port_name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED);
    if (m_port == INVALID_HANDLE_VALUE) {
        DebugPrintf("SatScope: %s cannot be opened (error %u)\r\n", port_name.c_str(), GetLastError());
        CloseHandles();
        return FALSE;
    }
    SetCommMask(m_port, EV_RXCHAR);
    SetupComm(m_port, kQueueBytes, kQueueBytes);
    PurgeComm(m_port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;  // a read returns at once with what is queued
    SetCommTimeouts(m_port, &timeouts);

    DCB state{};
    state.DCBlength = sizeof state;
    GetCommState(m_port, &state);
    state.BaudRate = baud_rate;
    state.ByteSize = 8;
    state.Parity = NOPARITY;
    state.StopBits = ONESTOPBIT;
    if (!SetCommState(m_port, &state)) {
        const DWORD error = GetLastError();
        char text[32];
        std::snprintf(text, sizeof text, "Error Code %u", error);
        CloseHandles();  // the port is not left locked behind a failed open
        MessageBox(window, text, "", MB_OK | MB_ICONSTOP);
        return FALSE;
    }

    m_running.store(1, std::memory_order_release);
    m_ring.Reset();
    m_thread = CreateThread(nullptr, 0, &SerialLink::ReceiveThread, this, 0, nullptr);
    if (!m_thread) {
        Close();
        return FALSE;
    }
    return TRUE;
}

void SerialLink::Close()
{
    m_running.store(0, std::memory_order_release);
    if (m_port != INVALID_HANDLE_VALUE) {
        SetCommMask(m_port, 0);  // ends a pending wait for a port event
        PurgeComm(m_port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    // Only now is the ring nobody's: the thread that wrote it has ended.
    m_ring.Reset();
    CloseHandles();
}

void SerialLink::CloseHandles()
{
    if (m_read.hEvent) CloseHandle(m_read.hEvent);
    if (m_write.hEvent) CloseHandle(m_write.hEvent);
    m_read = {};
    m_write = {};
    if (m_port != INVALID_HANDLE_VALUE) CloseHandle(m_port);
    m_port = INVALID_HANDLE_VALUE;
}

DWORD SerialLink::Write(const void* bytes, DWORD count)
{
    if (m_port == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    if (!WriteFile(m_port, bytes, count, &written, &m_write)) {
        if (GetLastError() == ERROR_IO_PENDING && GetOverlappedResult(m_port, &m_write, &written, TRUE)) return written;
        DWORD errors = 0;
        COMSTAT status{};
        ClearCommError(m_port, &errors, &status);
        return 0;
    }
    return written;
}

DWORD SerialLink::Read(void* buffer, DWORD max)
{
    DWORD errors = 0;
    COMSTAT status{};
    ClearCommError(m_port, &errors, &status);
    if (status.cbInQue == 0) return 0;
    DWORD read = 0;
    if (!ReadFile(m_port, buffer, max, &read, &m_read)) {
        if (GetLastError() == ERROR_IO_PENDING && GetOverlappedResult(m_port, &m_read, &read, TRUE)) return read;
        ClearCommError(m_port, &errors, &status);
        return 0;
    }
    return read;
}

DWORD SerialLink::ReceiveThread(void* parameter)
{
    static_cast<SerialLink*>(parameter)->Receive();
    return 1;
}

void SerialLink::Receive()
{
    SetCommMask(m_port, EV_RXCHAR);
    std::uint8_t batch[kReadChunk];
    while (m_running.load(std::memory_order_acquire)) {
        DWORD events = 0;
        if (!WaitCommEvent(m_port, &events, nullptr)) {
            Sleep(10);  // a port that fails its waits must not turn this loop into a spin
            continue;
        }
        // A wake without a received character (the mask changed: Close) rechecks the flag.
        if (!(events & EV_RXCHAR)) continue;
        for (;;) {
            const DWORD read = Read(batch, sizeof batch);
            if (read == 0) break;
            if (!m_ring.PutBatch(batch, read)) {
                m_dropped_batches.fetch_add(1, std::memory_order_relaxed);
                m_dropped_bytes.fetch_add(read, std::memory_order_relaxed);
                DebugPrintf("SatScope: %u bytes dropped, the ring holds %u\r\n", read, m_ring.Count());
            }
        }
        PostMessage(m_window, kGpsDataMessage, m_link_id, 0);
    }
}

}  // namespace satscope
