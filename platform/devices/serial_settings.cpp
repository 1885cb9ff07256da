#include "platform/devices/serial_settings.h"

namespace platform::serial {
namespace {

struct BaudSpeed {
    DWORD baud_rate;
    speed_t speed;
};

// The rates a Linux terminal runs at that the device has a number for.
constexpr BaudSpeed kBaudSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},         {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
};

tcflag_t CharacterSize(BYTE byte_size) {
    switch (byte_size) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        default: return CS8;
    }
}

BYTE ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5: return 5;
        case CS6: return 6;
        case CS7: return 7;
        default: return 8;
    }
}

BYTE ParityOf(tcflag_t cflag) {
    if (!(cflag & PARENB)) return NOPARITY;
    if (cflag & CMSPAR) return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

bool ValidLineSettings(const DCB& dcb) {
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return false;
    if (dcb.Parity > SPACEPARITY) return false;
    // As on the device: 1.5 stop bits only with 5 data bits, 2 stop bits never with 5.
    switch (dcb.StopBits) {
        case ONESTOPBIT: break;
        case ONE5STOPBITS:
            if (dcb.ByteSize != 5) return false;
            break;
        case TWOSTOPBITS:
            if (dcb.ByteSize == 5) return false;
            break;
        default: return false;
    }
    if (dcb.fDtrControl > DTR_CONTROL_HANDSHAKE) return false;
    // XON and XOFF must differ for software flow control to tell them apart.
    if ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar) return false;
    return true;
}

}  // namespace

void MakeRaw(termios& settings) {
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IUCLC | IXON | IXANY | IXOFF | IMAXBEL | IUTF8);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST | OLCUC | ONLCR | OCRNL | ONOCR | ONLRET | OFILL);
    settings.c_lflag &= ~static_cast<tcflag_t>(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT |
                                               ECHOKE | IEXTEN | NOFLSH | TOSTOP);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
}

std::optional<speed_t> SpeedForBaudRate(DWORD baud_rate) {
    for (const auto& entry : kBaudSpeeds) {
        if (entry.baud_rate == baud_rate) return entry.speed;
    }
    return std::nullopt;
}

DWORD BaudRateForSpeed(speed_t speed) {
    for (const auto& entry : kBaudSpeeds) {
        if (entry.speed == speed) return entry.baud_rate;
    }
    return 0;
}

DCB DcbFromTermios(const termios& settings, const DcbExtras& extras) {
    DCB dcb;
    dcb.BaudRate = BaudRateForSpeed(cfgetospeed(&settings));
    dcb.fBinary = 1;
    dcb.fParity = (settings.c_iflag & INPCK) ? 1 : 0;
    const bool hardware_flow = (settings.c_cflag & CRTSCTS) != 0;
    dcb.fOutxCtsFlow = hardware_flow ? 1 : 0;
    dcb.fRtsControl = hardware_flow ? RTS_CONTROL_HANDSHAKE
                                    : (extras.fRtsControl == RTS_CONTROL_HANDSHAKE ? RTS_CONTROL_ENABLE : extras.fRtsControl);
    dcb.fOutxDsrFlow = extras.fOutxDsrFlow;
    dcb.fDtrControl = extras.fDtrControl;
    dcb.fDsrSensitivity = extras.fDsrSensitivity;
    dcb.fTXContinueOnXoff = extras.fTXContinueOnXoff;
    dcb.fOutX = (settings.c_iflag & IXON) ? 1 : 0;
    dcb.fInX = (settings.c_iflag & IXOFF) ? 1 : 0;
    dcb.fErrorChar = extras.fErrorChar;
    dcb.fNull = extras.fNull;
    dcb.fAbortOnError = extras.fAbortOnError;
    dcb.XonLim = extras.XonLim;
    dcb.XoffLim = extras.XoffLim;
    dcb.ByteSize = ByteSizeOf(settings.c_cflag);
    dcb.Parity = ParityOf(settings.c_cflag);
    if (settings.c_cflag & CSTOPB) {
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    } else {
        dcb.StopBits = ONESTOPBIT;
    }
    dcb.XonChar = static_cast<char>(settings.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
    dcb.ErrorChar = extras.ErrorChar;
    dcb.EofChar = extras.EofChar;
    dcb.EvtChar = extras.EvtChar;
    return dcb;
}

bool ApplyDcb(const DCB& dcb, termios& settings, DcbExtras& extras) {
    const auto speed = SpeedForBaudRate(dcb.BaudRate);
    if (!speed || !ValidLineSettings(dcb)) return false;

    termios changed = settings;
    if (cfsetispeed(&changed, *speed) != 0 || cfsetospeed(&changed, *speed) != 0) return false;
    changed.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    changed.c_cflag |= CharacterSize(dcb.ByteSize) | CREAD | CLOCAL;
    switch (dcb.Parity) {
        case ODDPARITY: changed.c_cflag |= PARENB | PARODD; break;
        case EVENPARITY: changed.c_cflag |= PARENB; break;
        case MARKPARITY: changed.c_cflag |= PARENB | CMSPAR | PARODD; break;
        case SPACEPARITY: changed.c_cflag |= PARENB | CMSPAR; break;
        default: break;
    }
    if (dcb.StopBits != ONESTOPBIT) changed.c_cflag |= CSTOPB;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) changed.c_cflag |= CRTSCTS;

    changed.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
    if (dcb.fParity && dcb.Parity != NOPARITY) changed.c_iflag |= INPCK;
    if (dcb.fOutX) changed.c_iflag |= IXON;
    if (dcb.fInX) changed.c_iflag |= IXOFF;
    changed.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    changed.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

    DcbExtras kept;
    kept.fDtrControl = dcb.fDtrControl;
    kept.fRtsControl = dcb.fRtsControl;
    kept.fOutxDsrFlow = dcb.fOutxDsrFlow;
    kept.fDsrSensitivity = dcb.fDsrSensitivity;
    kept.fTXContinueOnXoff = dcb.fTXContinueOnXoff;
    kept.fErrorChar = dcb.fErrorChar;
    kept.fNull = dcb.fNull;
    kept.fAbortOnError = dcb.fAbortOnError;
    kept.XonLim = dcb.XonLim;
    kept.XoffLim = dcb.XoffLim;
    kept.ErrorChar = dcb.ErrorChar;
    kept.EofChar = dcb.EofChar;
    kept.EvtChar = dcb.EvtChar;

    settings = changed;
    extras = kept;
    return true;
}

}  // namespace platform::serial
