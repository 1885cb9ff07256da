// The port settings between the DCB record and termios, without a terminal.
#include <cstring>
#include <gtest/gtest.h>

#include "platform/devices/serial_settings.h"

namespace {

using platform::serial::ApplyDcb;
using platform::serial::DcbExtras;
using platform::serial::DcbFromTermios;
using platform::serial::MakeRaw;

// A terminal as a fresh pty has it: cooked, echoing, CR/LF translated, XON/XOFF on.
termios CookedTerminal() {
    termios settings {};
    settings.c_iflag = ICRNL | IXON | IXANY | IMAXBEL | BRKINT;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_cflag = CS7 | PARENB | CREAD | HUPCL | CRTSCTS;
    settings.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN | ECHOCTL | ECHOKE;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 5;
    settings.c_cc[VSTART] = 0x11;
    settings.c_cc[VSTOP] = 0x13;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    return settings;
}

DCB Record(DWORD baud, BYTE size, BYTE parity, BYTE stop_bits) {
    DCB dcb;
    dcb.BaudRate = baud;
    dcb.ByteSize = size;
    dcb.Parity = parity;
    dcb.StopBits = stop_bits;
    return dcb;
}

TEST(SerialSettings, RawModeTurnsOffEveryTranslationAndKeepsTheSpeed) {
    termios settings = CookedTerminal();
    MakeRaw(settings);
    EXPECT_EQ(settings.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | IXANY | ISTRIP | BRKINT | PARMRK), 0u);
    EXPECT_EQ(settings.c_oflag & (OPOST | ONLCR | OCRNL), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(settings.c_cc[VMIN], 0);
    EXPECT_EQ(settings.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
}

TEST(SerialSettings, LineSettingsComeBackAsWritten) {
    struct Case {
        DWORD baud;
        BYTE size;
        BYTE parity;
        BYTE stop_bits;
    };
    const Case cases[] = {
        {CBR_4800, 8, NOPARITY, ONESTOPBIT},   {CBR_9600, 7, EVENPARITY, ONESTOPBIT},
        {CBR_19200, 7, ODDPARITY, TWOSTOPBITS}, {CBR_38400, 6, MARKPARITY, ONESTOPBIT},
        {CBR_57600, 8, SPACEPARITY, TWOSTOPBITS}, {CBR_115200, 5, NOPARITY, ONE5STOPBITS},
        {CBR_1200, 8, NOPARITY, ONESTOPBIT},
    };
    for (const auto& c : cases) {
        termios settings = CookedTerminal();
        MakeRaw(settings);
        DcbExtras extras;
        ASSERT_TRUE(ApplyDcb(Record(c.baud, c.size, c.parity, c.stop_bits), settings, extras)) << c.baud;
        const DCB back = DcbFromTermios(settings, extras);
        EXPECT_EQ(back.BaudRate, c.baud);
        EXPECT_EQ(back.ByteSize, c.size) << c.baud;
        EXPECT_EQ(back.Parity, c.parity) << c.baud;
        EXPECT_EQ(back.StopBits, c.stop_bits) << c.baud;
        // Setting the line never turns translation or echo back on.
        EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    }
}

TEST(SerialSettings, AValueThePortCannotTakeChangesNothing) {
    struct Case {
        const char* what;
        DCB dcb;
    };
    DCB same_flow_chars = Record(CBR_9600, 8, NOPARITY, ONESTOPBIT);
    same_flow_chars.fOutX = 1;
    same_flow_chars.XonChar = same_flow_chars.XoffChar = 0x11;
    const Case cases[] = {
        {"14400 baud has no terminal speed", Record(CBR_14400, 8, NOPARITY, ONESTOPBIT)},
        {"56000 baud", Record(CBR_56000, 8, NOPARITY, ONESTOPBIT)},
        {"0 baud", Record(0, 8, NOPARITY, ONESTOPBIT)},
        {"4 data bits", Record(CBR_9600, 4, NOPARITY, ONESTOPBIT)},
        {"9 data bits", Record(CBR_9600, 9, NOPARITY, ONESTOPBIT)},
        {"parity 5", Record(CBR_9600, 8, 5, ONESTOPBIT)},
        {"stop bits 3", Record(CBR_9600, 8, NOPARITY, 3)},
        {"1.5 stop bits with 8 data bits", Record(CBR_9600, 8, NOPARITY, ONE5STOPBITS)},
        {"2 stop bits with 5 data bits", Record(CBR_9600, 5, NOPARITY, TWOSTOPBITS)},
        {"XON equal to XOFF", same_flow_chars},
    };
    for (const auto& c : cases) {
        termios settings = CookedTerminal();
        MakeRaw(settings);
        const termios before = settings;
        DcbExtras extras;
        extras.XonLim = 1234;
        EXPECT_FALSE(ApplyDcb(c.dcb, settings, extras)) << c.what;
        EXPECT_EQ(std::memcmp(&settings, &before, sizeof(termios)), 0) << c.what;
        EXPECT_EQ(extras.XonLim, 1234) << c.what;
    }
}

TEST(SerialSettings, FieldsWithoutATerminalFlagAreKeptBesideIt) {
    termios settings = CookedTerminal();
    MakeRaw(settings);
    DCB dcb = Record(CBR_4800, 8, NOPARITY, ONESTOPBIT);
    dcb.XonLim = 100;
    dcb.XoffLim = 200;
    dcb.EvtChar = '\n';
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fOutX = 1;
    DcbExtras extras;
    ASSERT_TRUE(ApplyDcb(dcb, settings, extras));
    EXPECT_NE(settings.c_iflag & IXON, 0u);
    const DCB back = DcbFromTermios(settings, extras);
    EXPECT_EQ(back.XonLim, 100);
    EXPECT_EQ(back.XoffLim, 200);
    EXPECT_EQ(back.EvtChar, '\n');
    EXPECT_EQ(back.fDtrControl, DTR_CONTROL_DISABLE);
    EXPECT_EQ(back.fOutX, 1u);
    EXPECT_EQ(back.fInX, 0u);
}

}  // namespace
