#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

class FindFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Song One.MP3", "song two.mp3", "clip.AVI", "clip.smi", "README", ".hidden",
                                 "a.txt", "ab.txt", "\xEC\x9D\x8C\xEC\x95\x85.mp3", "x.mp3.bak"}) {
            m_device.WriteHostFile(std::string("STORAGE CARD/Media/") + name, name);
        }
        std::filesystem::create_directories(m_device.Fs() / "STORAGE CARD" / "Media" / "Sub.Dir");
    }

    std::vector<std::string> Find(const std::string& pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATA data;
        HANDLE search = FindFirstFile(pattern, &data);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            names.push_back(data.cFileName);
        } while (FindNextFile(search, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(search));
        std::sort(names.begin(), names.end());
        return names;
    }

    // What the shell lists for a pattern in the media folder, ignoring case, dot files included.
    std::vector<std::string> Shell(const std::string& command) {
        const std::string full = "cd '" + (m_device.Fs() / "STORAGE CARD" / "Media").string() + "' && " + command;
        std::vector<std::string> names;
        FILE* pipe = ::popen(("bash -c \"" + full + "\"").c_str(), "r");
        if (!pipe) return names;
        char line[4096];
        while (std::fgets(line, sizeof(line), pipe)) {
            std::string name(line);
            while (!name.empty() && name.back() == '\n') name.pop_back();
            names.push_back(name);
        }
        ::pclose(pipe);
        std::sort(names.begin(), names.end());
        return names;
    }

    platform::testing::TempDeviceRoot m_device;
};

TEST_F(FindFileTest, StarListsWhatLsLists) {
    auto expected = Shell("LC_ALL=C ls -A1");
    ASSERT_EQ(expected.size(), 11u);
    EXPECT_EQ(Find("\\storage card\\media\\*"), expected);
    EXPECT_EQ(Find("\\STORAGE CARD\\MEDIA\\*.*"), expected) << "*.* matches names without a dot as well";
}

TEST_F(FindFileTest, PatternsMatchWhatACaseInsensitiveGlobMatches) {
    for (const char* pattern : {"*.mp3", "*.MP3", "clip.*", "?.txt", "*o*", "song*"}) {
        auto expected = Shell(std::string("shopt -s nocaseglob dotglob nullglob; for f in ") + pattern +
                              "; do echo \\\"\\$f\\\"; done");
        EXPECT_EQ(Find(std::string("\\STORAGE CARD\\Media\\") + pattern), expected) << pattern;
    }
}

TEST_F(FindFileTest, NeverListsDotEntries) {
    for (const auto& name : Find("\\STORAGE CARD\\Media\\.*")) {
        EXPECT_NE(name, ".");
        EXPECT_NE(name, "..");
    }
    EXPECT_EQ(Find("\\STORAGE CARD\\Media\\.*"), std::vector<std::string>{".hidden"});
}

TEST_F(FindFileTest, FindDataDescribesTheEntry) {
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile("\\storage card\\media\\CLIP.AVI", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.cFileName, "clip.AVI");
    EXPECT_EQ(data.nFileSizeLow, 8u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0x01D00000u);  // after 2014
    SetLastError(kSentinel);
    EXPECT_FALSE(FindNextFile(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(search);

    search = FindFirstFile("\\STORAGE CARD\\Media\\sub.*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.cFileName, "Sub.Dir");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);
}

TEST_F(FindFileTest, NoMatchAndBadPaths) {
    WIN32_FIND_DATA data;
    SetLastError(kSentinel);
    EXPECT_EQ(FindFirstFile("\\STORAGE CARD\\Media\\*.wma", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_EQ(FindFirstFile("\\STORAGE CARD\\Media\\none.txt", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_EQ(FindFirstFile("\\USB DRIVE\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_EQ(FindFirstFile("\\STORAGE CARD\\*\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    SetLastError(kSentinel);
    EXPECT_FALSE(FindNextFile(INVALID_HANDLE_VALUE, &data));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(kSentinel);
    EXPECT_FALSE(FindClose(platform::MakeHandle(0x40009999u)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FindFileTest, TheRootListsTheVolumes) {
    EXPECT_EQ(Find("\\*"), (std::vector<std::string>{"NAND", "STORAGE CARD"}));
}

// The names of a search in the order FindFirstFile and FindNextFile give them.
std::vector<std::string> FindInOrder(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFile(search, &data));
    FindClose(search);
    return names;
}

TEST_F(FindFileTest, AFolderListsByTheBytesOfItsNamesWhateverOrderTheyWereMadeIn) {
    // Made in an order that is neither byte order nor its reverse; capitals sort before small
    // letters, "10" before "9", and names beyond ASCII (UTF-8 lead bytes above 0x7F) last.
    for (const char* name : {"\xEC\x9D\x8C.mp3", "B.mp3", "9.mp3", "a b.mp3", "10.mp3", "_x.mp3", "Z.mp3",
                             "a.mp3", "cover.jpg"})
        m_device.WriteHostFile(std::string("STORAGE CARD/Album/") + name, name);
    std::filesystem::create_directories(m_device.Fs() / "STORAGE CARD" / "Album" / "Disc 2");
    const std::vector<std::string> every{"10.mp3", "9.mp3", "B.mp3", "Disc 2", "Z.mp3", "_x.mp3", "a b.mp3",
                                         "a.mp3", "cover.jpg", "\xEC\x9D\x8C.mp3"};
    EXPECT_EQ(FindInOrder("\\STORAGE CARD\\Album\\*.*"), every);
    EXPECT_EQ(FindInOrder("\\STORAGE CARD\\Album\\*.MP3"),
              (std::vector<std::string>{"10.mp3", "9.mp3", "B.mp3", "Z.mp3", "_x.mp3", "a b.mp3", "a.mp3",
                                        "\xEC\x9D\x8C.mp3"}))
        << "a pattern keeps the order of what it matches";

    // Adding a folder to a playlist walks it like this; a file made later takes its place by
    // name rather than coming last.
    m_device.WriteHostFile("STORAGE CARD/Album/C.mp3", "C");
    auto again = FindInOrder("\\STORAGE CARD\\Album\\*.*");
    ASSERT_EQ(again.size(), every.size() + 1);
    EXPECT_EQ(again[3], "C.mp3");
    EXPECT_TRUE(std::is_sorted(again.begin(), again.end()));
}

TEST_F(FindFileTest, AFileDeletedAfterTheSearchBeganIsPassedOver) {
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile("\\STORAGE CARD\\Media\\*.txt", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    const std::string first = data.cFileName;
    const std::string other = first == "a.txt" ? "ab.txt" : "a.txt";
    ASSERT_TRUE(DeleteFile("\\STORAGE CARD\\Media\\" + other));
    SetLastError(kSentinel);
    EXPECT_FALSE(FindNextFile(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(search);
}

}  // namespace
