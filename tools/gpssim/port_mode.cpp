#include "tools/gpssim/port_mode.h"

namespace gpssim {

namespace {

struct SpeedCode {
    speed_t code;
    int baud;
};

constexpr SpeedCode kSpeeds[] = {
    {B0, 0},         {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},     {B600, 600},       {B1200, 1200},     {B1800, 1800},     {B2400, 2400},
    {B4800, 4800},   {B9600, 9600},   {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
    {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

struct ModeFlag {
    tcflag_t termios::*field;
    tcflag_t bit;
    const char* name;
};

// Settings under which bytes do not pass the line discipline unchanged, in the order listed.
constexpr ModeFlag kTranslating[] = {
    {&termios::c_lflag, ICANON, "icanon"}, {&termios::c_lflag, ECHO, "echo"},   {&termios::c_lflag, ISIG, "isig"},
    {&termios::c_iflag, IXON, "ixon"},     {&termios::c_iflag, ICRNL, "icrnl"}, {&termios::c_iflag, INLCR, "inlcr"},
    {&termios::c_iflag, IGNCR, "igncr"},   {&termios::c_oflag, OPOST, "opost"},
};

}  // namespace

int BaudOfSpeed(speed_t speed) {
    for (const SpeedCode& entry : kSpeeds)
        if (entry.code == speed) return entry.baud;
    return 0;
}

speed_t SpeedOfBaud(int baud) {
    for (const SpeedCode& entry : kSpeeds)
        if (entry.baud == baud) return entry.code;
    return B0;
}

std::string DescribePortMode(const termios& mode) {
    std::string text = std::to_string(BaudOfSpeed(cfgetospeed(&mode)));
    text += ' ';
    switch (mode.c_cflag & CSIZE) {
        case CS5: text += '5'; break;
        case CS6: text += '6'; break;
        case CS7: text += '7'; break;
        default: text += '8'; break;
    }
    text += (mode.c_cflag & PARENB) == 0 ? 'N' : (mode.c_cflag & PARODD) != 0 ? 'O' : 'E';
    text += (mode.c_cflag & CSTOPB) != 0 ? '2' : '1';
    bool raw = true;
    for (const ModeFlag& flag : kTranslating) {
        if ((mode.*flag.field & flag.bit) == 0) continue;
        text += ' ';
        text += flag.name;
        raw = false;
    }
    if (raw) text += " raw";
    return text;
}

}  // namespace gpssim
