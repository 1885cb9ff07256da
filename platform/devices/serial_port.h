// The board's serial ports "COM1:" to "COM9:". device.conf says which Linux terminal each one
// is ("COM1 = /dev/ttyUSB0", or a pty slave such as "/dev/pts/7"); the program drives it
// directly with termios, without the device server.
//
// CreateFile("COM1:", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, ...) opens the port for
// this program alone (no other open, here or in another program, succeeds until CloseHandle)
// and puts the line in raw mode: 8 data bits, no parity, one stop bit, every byte passed
// through unchanged in both directions. ReadFile and WriteFile work on the handle, with or
// without an OVERLAPPED record; both complete before they return.
//
// Event waits: WaitCommEvent blocks until one of the masked events happens. Only EV_RXCHAR
// (bytes are waiting) is ever reported; the other bits are accepted in the mask so that
// programs written for other ports keep working. SetCommMask, from any thread, ends a wait in
// progress (TRUE, no event bits), and CloseHandle ends it too (FALSE, ERROR_OPERATION_ABORTED).
//
// A line that goes away (the other end of a pty closed, a USB adapter pulled) writes one debug
// line; afterwards reads return no bytes, writes fail with ERROR_DEVICE_NOT_CONNECTED and an
// event wait blocks until the mask changes or the handle is closed.
//
// One reader thread, one writer thread and one thread that sets the mask or closes the port
// may use a port at the same time.
#pragma once

#include <string>

#include "platform/files/files.h"
#include "platform/win32_types.h"

// The port's settings, as the device keeps them. The flag words keep their bit layout, so the
// record has the device's size (28 bytes) and DCBlength = sizeof(DCB) is what callers pass.
struct DCB {
    DWORD DCBlength = sizeof(DCB);
    DWORD BaudRate = 0;
    DWORD fBinary : 1 = 1;
    DWORD fParity : 1 = 0;            // check the parity of received bytes
    DWORD fOutxCtsFlow : 1 = 0;       // hardware flow control (RTS/CTS)
    DWORD fOutxDsrFlow : 1 = 0;
    DWORD fDtrControl : 2 = 0;        // DTR_CONTROL_*
    DWORD fDsrSensitivity : 1 = 0;
    DWORD fTXContinueOnXoff : 1 = 0;
    DWORD fOutX : 1 = 0;              // XON/XOFF on output
    DWORD fInX : 1 = 0;               // XON/XOFF on input
    DWORD fErrorChar : 1 = 0;
    DWORD fNull : 1 = 0;
    DWORD fRtsControl : 2 = 0;        // RTS_CONTROL_*
    DWORD fAbortOnError : 1 = 0;
    DWORD fDummy2 : 17 = 0;
    WORD wReserved = 0;
    WORD XonLim = 0;
    WORD XoffLim = 0;
    BYTE ByteSize = 8;                // 5 to 8
    BYTE Parity = 0;                  // NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY
    BYTE StopBits = 0;                // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    WORD wReserved1 = 0;
};
static_assert(sizeof(DCB) == 28, "DCB keeps the device's layout");

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;

constexpr DWORD DTR_CONTROL_DISABLE = 0;
constexpr DWORD DTR_CONTROL_ENABLE = 1;
constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0;
constexpr DWORD RTS_CONTROL_ENABLE = 1;
constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_TOGGLE = 3;

// Baud rates. Those a Linux terminal cannot run at (14400, 56000, 128000, 256000) are refused
// by SetCommState.
constexpr DWORD CBR_110 = 110;
constexpr DWORD CBR_300 = 300;
constexpr DWORD CBR_600 = 600;
constexpr DWORD CBR_1200 = 1200;
constexpr DWORD CBR_2400 = 2400;
constexpr DWORD CBR_4800 = 4800;
constexpr DWORD CBR_9600 = 9600;
constexpr DWORD CBR_14400 = 14400;
constexpr DWORD CBR_19200 = 19200;
constexpr DWORD CBR_38400 = 38400;
constexpr DWORD CBR_56000 = 56000;
constexpr DWORD CBR_57600 = 57600;
constexpr DWORD CBR_115200 = 115200;
constexpr DWORD CBR_128000 = 128000;
constexpr DWORD CBR_256000 = 256000;

// Read and write time-outs in milliseconds. ReadIntervalTimeout MAXDWORD with both read totals
// 0: a read returns at once with what has arrived. ReadIntervalTimeout and
// ReadTotalTimeoutMultiplier MAXDWORD with a constant between: a read waits up to the constant
// for the first byte, then returns with what has arrived. Otherwise a read waits for all the
// bytes asked for, at most the total (multiplier × bytes + constant, when not 0) and at most
// the interval between two bytes (when not 0). A write with totals 0 waits until every byte is
// sent; with a total it stops there and reports the bytes sent.
constexpr DWORD MAXDWORD = 0xFFFFFFFFu;
struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

// What ClearCommError reports besides the error bits: the bytes waiting in each direction.
struct COMSTAT {
    DWORD fCtsHold : 1 = 0;
    DWORD fDsrHold : 1 = 0;
    DWORD fRlsdHold : 1 = 0;
    DWORD fXoffHold : 1 = 0;
    DWORD fXoffSent : 1 = 0;
    DWORD fEof : 1 = 0;
    DWORD fTxim : 1 = 0;
    DWORD fReserved : 25 = 0;
    DWORD cbInQue = 0;
    DWORD cbOutQue = 0;
};

// Port events (SetCommMask, WaitCommEvent).
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_PERR = 0x0200;
constexpr DWORD EV_RX80FULL = 0x0400;
constexpr DWORD EV_EVENT1 = 0x0800;
constexpr DWORD EV_EVENT2 = 0x1000;
constexpr DWORD EV_POWER = 0x2000;

// PurgeComm.
constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

// ClearCommError's error bits.
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;
constexpr DWORD CE_TXFULL = 0x0100;

// GetCommModemStatus.
constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

// Every call returns FALSE with ERROR_INVALID_HANDLE for a handle that is not an open serial
// port, and with ERROR_INVALID_PARAMETER for a missing record or a value the port cannot take.
BOOL GetCommState(HANDLE port, DCB* dcb);
// Applies every field or none: a baud rate the terminal cannot run at, a byte size outside 5
// to 8, an unknown parity or stop-bit value (or 1.5 stop bits with more than 5 data bits, 2
// with 5) leaves the port as it was.
BOOL SetCommState(HANDLE port, const DCB* dcb);
// The terminal's queues have fixed sizes; the sizes asked for are accepted and kept.
BOOL SetupComm(HANDLE port, DWORD in_queue, DWORD out_queue);
// Clears the bytes waiting in either direction; the abort flags end a read or write that is
// waiting (it returns with ERROR_OPERATION_ABORTED).
BOOL PurgeComm(HANDLE port, DWORD flags);
BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts);
BOOL SetCommMask(HANDLE port, DWORD mask);
BOOL GetCommMask(HANDLE port, DWORD* mask);
// Blocks until a masked event happens and stores it in *mask. With an OVERLAPPED record the
// wait is the same; it completes before the call returns and the record's event is set. A
// mask of 0 has nothing to wait for: the call returns at once with TRUE and *mask 0, the same
// answer as a wait that SetCommMask ended. One wait at a time: a second one, while the first
// is still waiting, fails with ERROR_INVALID_PARAMETER.
BOOL WaitCommEvent(HANDLE port, DWORD* mask, OVERLAPPED* overlapped);
// The line errors seen since the last call (CE_*; only a real serial adapter reports them) and
// the bytes waiting; either pointer may be null.
BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status);
// MS_* lines; a pty has none and reports 0.
BOOL GetCommModemStatus(HANDLE port, DWORD* modem_status);

namespace platform {

// Every EV_ bit; SetCommMask refuses others.
constexpr DWORD kAllCommEvents = 0x3FFF;

// "COM1:" to "COM9:", in any case.
bool IsSerialPortName(const std::string& name);
// CreateFile of a serial port: INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when device.conf
// maps no terminal to it or the terminal is missing, ERROR_ACCESS_DENIED when it is open
// already.
HANDLE OpenSerialPort(const std::string& name, DWORD desired_access, DWORD creation_disposition);

bool IsSerialPortHandle(HANDLE handle);
// ReadFile and WriteFile on a serial port handle (the record, when given, is filled by the
// caller).
BOOL ReadSerialPort(HANDLE port, void* buffer, DWORD bytes_to_read, DWORD* bytes_read);
BOOL WriteSerialPort(HANDLE port, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written);

}  // namespace platform
