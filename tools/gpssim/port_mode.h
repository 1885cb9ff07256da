// How the program on the other end of the line has set its port, in one line for a person and
// a test: "<baud> <data bits><parity><stop bits> raw", e.g. "115200 8N1 raw", or in place of
// "raw" the settings that would change the bytes on their way, e.g. "9600 8N1 icanon echo icrnl".
#pragma once

#include <termios.h>

#include <string>

namespace gpssim {

// The baud rate of a termios speed code (B4800 -> 4800); 0 for a code it does not know.
int BaudOfSpeed(speed_t speed);
// The termios speed code of a baud rate; B0 when there is none.
speed_t SpeedOfBaud(int baud);
std::string DescribePortMode(const termios& mode);

}  // namespace gpssim
