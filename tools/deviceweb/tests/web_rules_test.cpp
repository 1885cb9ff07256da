// The rules every request to the device's page server passes first.
#include <gtest/gtest.h>

#include "tools/deviceweb/web_rules.h"

namespace deviceweb {
namespace {

const ListenAddress kLoopback{"127.0.0.1", 8480};

TEST(HostRule, OnlyTheListeningAddressAndLocalhostWithItsPortAreServedOnLoopback) {
    for (const char* host : {"127.0.0.1:8480", "localhost:8480", "LOCALHOST:8480"})
        EXPECT_TRUE(HostAllowed(host, kLoopback)) << host;
    for (const char* host : {"", "127.0.0.1", "127.0.0.1:8481", "127.0.0.1:08480x", "evil.example:8480",
                             "127.0.0.1.evil.example:8480", "localhost.evil.example:8480", "127.0.0.2:8480",
                             "[::1]:8480", "127.0.0.1:", ":8480", "127.0.0.1:8480:1", "::1:8480", "[::1"})
        EXPECT_FALSE(HostAllowed(host, kLoopback)) << host;
    // Port 80 may be left out of the header, as browsers do.
    EXPECT_TRUE(HostAllowed("127.0.0.1", ListenAddress{"127.0.0.1", 80}));
}

TEST(HostRule, OnEveryAddressAnyAddressLiteralIsServedButNeverAName) {
    const ListenAddress everywhere{"0.0.0.0", 9000};
    for (const char* host : {"192.168.1.20:9000", "10.0.0.5:9000", "[fe80::1]:9000", "localhost:9000"})
        EXPECT_TRUE(HostAllowed(host, everywhere)) << host;
    for (const char* host : {"headunit.lan:9000", "192.168.1.20:9001", "192.168.1.20"})
        EXPECT_FALSE(HostAllowed(host, everywhere)) << host;
    const ListenAddress one{"192.168.1.20", 9000};
    EXPECT_TRUE(HostAllowed("192.168.1.20:9000", one));
    EXPECT_FALSE(HostAllowed("localhost:9000", one)) << "localhost is not the address it listens on";
    EXPECT_FALSE(HostAllowed("192.168.1.21:9000", one));
    EXPECT_TRUE(HostAllowed("[::1]:9000", ListenAddress{"::1", 9000}));
}

TEST(OriginRule, OnlyTheDevicesOwnPageOrNoPageMayChangeTheDevice) {
    EXPECT_TRUE(OriginAllowed("", "", "127.0.0.1:8480")) << "curl and scripts send no Origin";
    EXPECT_TRUE(OriginAllowed("http://127.0.0.1:8480", "same-origin", "127.0.0.1:8480"));
    EXPECT_TRUE(OriginAllowed("http://localhost:8480", "", "localhost:8480"));
    EXPECT_FALSE(OriginAllowed("http://evil.example", "cross-site", "127.0.0.1:8480"));
    EXPECT_FALSE(OriginAllowed("http://evil.example", "", "127.0.0.1:8480"));
    EXPECT_FALSE(OriginAllowed("null", "", "127.0.0.1:8480")) << "a sandboxed page";
    EXPECT_FALSE(OriginAllowed("https://127.0.0.1:8480", "", "127.0.0.1:8480"));
    EXPECT_FALSE(OriginAllowed("http://127.0.0.1:8481", "same-site", "127.0.0.1:8480")) << "another port";
    EXPECT_FALSE(OriginAllowed("", "cross-site", "127.0.0.1:8480")) << "a cross-site request without Origin";
}

TEST(AddressKinds, LoopbackWildcardAndLiterals) {
    EXPECT_TRUE(IsLoopback("127.0.0.1"));
    EXPECT_TRUE(IsLoopback("127.5.0.1"));
    EXPECT_TRUE(IsLoopback("::1"));
    EXPECT_FALSE(IsLoopback("0.0.0.0"));
    EXPECT_FALSE(IsLoopback("localhost")) << "a name, not an address";
    EXPECT_TRUE(IsWildcard("0.0.0.0"));
    EXPECT_TRUE(IsWildcard("::"));
    EXPECT_FALSE(IsWildcard("10.0.0.1"));
    EXPECT_TRUE(IsAddressLiteral("[fe80::1]"));
    EXPECT_FALSE(IsAddressLiteral("1.2.3"));
    EXPECT_FALSE(IsAddressLiteral(std::string(200, '1')));
}

TEST(PenPoint, CoordinatesAreDecimalAndOnTheScreen) {
    EXPECT_EQ(ScreenCoordinate("0", 800), 0);
    EXPECT_EQ(ScreenCoordinate("799", 800), 799);
    for (const char* text : {"800", "-1", "", "1e3", "12px", " 5", "5 ", "0x10", "+5", "3.5", "99999999999999999999"})
        EXPECT_FALSE(ScreenCoordinate(text, 800).has_value()) << text;
}

TEST(Names, PenActionsKeysBacklightAndLogs) {
    EXPECT_EQ(PenActionNamed("press"), PenAction::Press);
    EXPECT_EQ(PenActionNamed("release"), PenAction::Release);
    EXPECT_FALSE(PenActionNamed("tap").has_value());
    EXPECT_EQ(RemoteKeyNamed("5"), "5");
    EXPECT_EQ(RemoteKeyNamed("ok"), "enter");
    EXPECT_EQ(RemoteKeyNamed("left"), "left");
    for (const char* key : {"0", "10", "up", "", "ENTER", "5 "}) EXPECT_FALSE(RemoteKeyNamed(key).has_value()) << key;
    EXPECT_EQ(BacklightLevel("100"), 100u);
    EXPECT_FALSE(BacklightLevel("101").has_value());
    EXPECT_FALSE(BacklightLevel("-1").has_value());
    EXPECT_TRUE(LogNameValid("MUSIC.EXE"));
    EXPECT_TRUE(LogNameValid("server"));
    for (const char* name : {"", ".", "..", "../state/registry", "a/b", "a\\b", ".hidden", "a b", "a%2Fb"})
        EXPECT_FALSE(LogNameValid(name)) << name;
    EXPECT_FALSE(LogNameValid(std::string(65, 'A')));
}

TEST(LogLines, TheLastLinesOfALogWithOrWithoutAClosingNewline) {
    EXPECT_EQ(LastLines("a\nb\nc\n", 2), "b\nc\n");
    EXPECT_EQ(LastLines("a\nb\nc", 2), "b\nc");
    EXPECT_EQ(LastLines("a\nb\nc\n", 10), "a\nb\nc\n");
    EXPECT_EQ(LastLines("a\n\n\n", 2), "\n\n");
    EXPECT_EQ(LastLines("", 3), "");
    EXPECT_EQ(LastLines("abc", 1), "abc");
    EXPECT_EQ(LogLineCount(""), kDefaultLogLines);
    EXPECT_EQ(LogLineCount("1000"), 1000u);
    EXPECT_FALSE(LogLineCount("0").has_value());
    EXPECT_FALSE(LogLineCount("1001").has_value());
}

}  // namespace
}  // namespace deviceweb
