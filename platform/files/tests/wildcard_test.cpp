#include <gtest/gtest.h>

#include "platform/files/wildcard.h"

namespace {

using platform::files::WildcardMatch;

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(WildcardTest, Table) {
    const MatchCase cases[] = {
        {"*", "anything.txt", true},
        {"*", "noext", true},
        {"*.*", "noext", true},
        {"*.*", "a.b.c", true},
        {"*.mp3", "SONG.MP3", true},
        {"*.MP3", "song.mp3", true},
        {"*.mp3", "song.mp3.txt", false},
        {"*.mp3", "mp3", false},
        {"song.*", "song", true},
        {"song.*", "Song.avi", true},
        {"song.*", "songs", false},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"?.txt", ".txt", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"*a*", "bab", true},
        {"**", "", true},
        {"", "", true},
        {"", "a", false},
        {"\xEC\x9D\x8C?.mp3", "\xEC\x9D\x8C\xEC\x95\x85.mp3", true},  // '?' takes a whole Korean character
        {"????", "\xEC\x9D\x8C\xEC\x95\x85", false},
        {"MUSICLIST.M3U", "musiclist.m3u", true},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(WildcardMatch(test.pattern, test.name), test.matches) << test.pattern << " vs " << test.name;
    }
}

}  // namespace
