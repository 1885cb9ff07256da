// A serial port's settings between the device's DCB record and a Linux terminal's termios.
// Internal to platform/devices.
#pragma once

#include <optional>
#include <termios.h>

#include "platform/devices/serial_port.h"

namespace platform::serial {

// Raw mode, as a serial port opens: no echo, no line editing, no signal characters, no flow
// control, no translation of CR or LF either way, no output processing; 8N1, receiver on, modem
// lines ignored; a read returns at once with what has arrived. The speed is left as it is.
void MakeRaw(termios& settings);

// The termios speed for a baud rate, when the terminal can run at it.
std::optional<speed_t> SpeedForBaudRate(DWORD baud_rate);
// The baud rate of a termios speed; 0 for one the device has no number for.
DWORD BaudRateForSpeed(speed_t speed);

// The fields a terminal has no place for; the port keeps them so that a record read back
// after SetCommState is the one written.
struct DcbExtras {
    DWORD fDtrControl = DTR_CONTROL_ENABLE;
    DWORD fRtsControl = RTS_CONTROL_ENABLE;
    DWORD fOutxDsrFlow = 0;
    DWORD fDsrSensitivity = 0;
    DWORD fTXContinueOnXoff = 0;
    DWORD fErrorChar = 0;
    DWORD fNull = 0;
    DWORD fAbortOnError = 0;
    WORD XonLim = 2048;
    WORD XoffLim = 512;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

DCB DcbFromTermios(const termios& settings, const DcbExtras& extras);

// Writes the record's line settings into `settings` (which keeps everything else) and its
// other fields into `extras`. False, with both untouched, when a value is one the port cannot
// take.
[[nodiscard]] bool ApplyDcb(const DCB& dcb, termios& settings, DcbExtras& extras);

}  // namespace platform::serial
