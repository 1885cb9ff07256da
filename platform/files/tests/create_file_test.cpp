#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

class CreateFileTest : public ::testing::Test {
protected:
    bool IsExecutable(const std::string& relative) const {
        struct stat info {};
        return ::stat((m_device.Fs() / relative).c_str(), &info) == 0 && (info.st_mode & S_IXUSR);
    }
    platform::testing::TempDeviceRoot m_device;
};

struct DispositionCase {
    DWORD disposition;
    bool file_exists;
    bool succeeds;
    DWORD last_error;
    std::string contents_after;  // what the file holds afterwards ("<none>": no file)
};

TEST_F(CreateFileTest, DispositionsFollowTheDevice) {
    const DispositionCase cases[] = {
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<none>"},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<none>"},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << "disposition " << test.disposition << " exists " << test.file_exists);
        std::filesystem::remove(m_device.Fs() / "NAND" / "d.txt");
        if (test.file_exists) m_device.WriteHostFile("NAND/d.txt", "old");
        SetLastError(kSentinel);
        HANDLE file = CreateFile("\\NAND\\d.txt", GENERIC_READ | GENERIC_WRITE, 0, test.disposition);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, test.succeeds);
        EXPECT_EQ(GetLastError(), test.last_error);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
        }
        if (test.contents_after == "<none>") {
            EXPECT_FALSE(std::filesystem::exists(m_device.Fs() / "NAND" / "d.txt"));
        } else {
            EXPECT_EQ(m_device.ReadHostFile("NAND/d.txt"), test.contents_after);
        }
    }
}

TEST_F(CreateFileTest, CreationKeepsTheCallersSpellingAndOpenKeepsTheStoredOne) {
    HANDLE file = CreateFile("\\nand\\MixedCase.Txt", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(std::filesystem::exists(m_device.Fs() / "NAND" / "MixedCase.Txt"));
    file = CreateFile("\\NAND\\MIXEDCASE.TXT", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_FALSE(std::filesystem::exists(m_device.Fs() / "NAND" / "MIXEDCASE.TXT"));
}

TEST_F(CreateFileTest, TruncateExistingNeedsWriteAccessAndBadDispositionsFail) {
    m_device.WriteHostFile("NAND/t.txt", "abc");
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\t.txt", GENERIC_READ, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\t.txt", GENERIC_READ, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\t.txt", GENERIC_READ, 0, 6), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

struct SharingCase {
    DWORD first_access, first_share, second_access, second_share;
    bool second_succeeds;
};

TEST_F(CreateFileTest, SharingViolations) {
    constexpr DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const SharingCase cases[] = {
        {R, SR, R, SR, true},
        {R, SR, W, SR, false},      // the first does not share writing
        {R, SR | SW, W, SR, true},  // each grants what the other uses
        {R, SR | SW, W, SW, false}, // the second does not share the first's reading
        {R, SR | SW, W, SR | SW, true},
        {W, 0, R, SR | SW, false},
        {W, SR, R, SR | SW, true},
        {W, SR, R, SR, false},      // the second refuses to share the first's writing
        {R | W, SR | SW, R | W, SR | SW, true},
        {0, 0, R | W, 0, true},     // an open for attributes only keeps nobody out
    };
    m_device.WriteHostFile("NAND/shared.txt", "s");
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << test.first_access << "/" << test.first_share << " then " << test.second_access
                                        << "/" << test.second_share);
        HANDLE first = CreateFile("\\NAND\\shared.txt", test.first_access, test.first_share, OPEN_EXISTING);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        SetLastError(kSentinel);
        HANDLE second = CreateFile("\\NAND\\SHARED.TXT", test.second_access, test.second_share, OPEN_EXISTING);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, test.second_succeeds);
        if (second == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        } else {
            CloseHandle(second);
        }
        CloseHandle(first);
    }
}

TEST_F(CreateFileTest, RefusedCreateAlwaysLeavesTheFileAlone) {
    m_device.WriteHostFile("NAND/keep.txt", "contents");
    HANDLE reader = CreateFile("\\NAND\\keep.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\keep.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(m_device.ReadHostFile("NAND/keep.txt"), "contents");
    CloseHandle(reader);
    // Closing the handle gives the share back.
    HANDLE writer = CreateFile("\\NAND\\keep.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
}

TEST_F(CreateFileTest, ProgramFilesAreMadeExecutable) {
    for (const char* name : {"NEW.EXE", "lower.exe", "Mixed.ExE"}) {
        HANDLE file = CreateFile(std::string("\\NAND\\") + name, GENERIC_WRITE, 0, CREATE_NEW);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        EXPECT_TRUE(IsExecutable(std::string("NAND/") + name)) << name;
    }
    HANDLE file = CreateFile("\\NAND\\data.bin", GENERIC_WRITE, 0, CREATE_NEW);
    CloseHandle(file);
    EXPECT_FALSE(IsExecutable("NAND/data.bin"));
    file = CreateFile("\\NAND\\EXE", GENERIC_WRITE, 0, CREATE_NEW);
    CloseHandle(file);
    EXPECT_FALSE(IsExecutable("NAND/EXE"));
    // Overwriting an existing program file (a firmware update) leaves it executable too.
    m_device.WriteHostFile("NAND/OLD.EXE", "old");
    file = CreateFile("\\NAND\\old.exe", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(IsExecutable("NAND/OLD.EXE"));
}

TEST_F(CreateFileTest, ReadWriteSeekAndSize) {
    HANDLE file = CreateFile("\\NAND\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &count));
    EXPECT_EQ(count, 10u);
    DWORD high = kSentinel;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);

    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
    char buffer[16] = {};
    ASSERT_TRUE(ReadFile(file, buffer, 3, &count));
    EXPECT_EQ(std::string(buffer, count), "234");
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 4u);
    EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 8u);
    ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &count));
    EXPECT_EQ(std::string(buffer, count), "89");
    // At the end a read succeeds with nothing.
    ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &count));
    EXPECT_EQ(count, 0u);

    // A move before the start fails and keeps the position.
    SetLastError(kSentinel);
    EXPECT_EQ(SetFilePointer(file, -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 10u);
    SetLastError(kSentinel);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // With a high part, 64-bit positions.
    LONG move_high = 1;
    SetLastError(kSentinel);
    EXPECT_EQ(SetFilePointer(file, 5, &move_high, FILE_BEGIN), 5u);
    EXPECT_EQ(move_high, 1);
    EXPECT_EQ(GetLastError(), NO_ERROR);
    move_high = 0;
    SetLastError(kSentinel);
    EXPECT_EQ(SetFilePointer(file, static_cast<LONG>(0xFFFFFFFFu), &move_high, FILE_BEGIN), 0xFFFFFFFFu);
    EXPECT_EQ(GetLastError(), NO_ERROR) << "a valid low part of all ones is told apart by the last error";
    move_high = -1;  // -1 as 64 bits
    SetLastError(kSentinel);
    EXPECT_EQ(SetFilePointer(file, -1, &move_high, FILE_CURRENT), 0xFFFFFFFEu);
    EXPECT_EQ(move_high, 0);

    // SetEndOfFile cuts at the position.
    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, nullptr), 4u);
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
    EXPECT_EQ(m_device.ReadHostFile("NAND/rw.bin"), "0123");
}

TEST_F(CreateFileTest, AccessIsChecked) {
    m_device.WriteHostFile("NAND/a.txt", "abc");
    HANDLE reader = CreateFile("\\NAND\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD count = kSentinel;
    SetLastError(kSentinel);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &count));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(count, 0u);
    SetLastError(kSentinel);
    EXPECT_FALSE(SetEndOfFile(reader));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(reader);

    HANDLE writer = CreateFile("\\NAND\\a.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4];
    SetLastError(kSentinel);
    EXPECT_FALSE(ReadFile(writer, buffer, sizeof(buffer), &count));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(writer);
}

TEST_F(CreateFileTest, ReadOnlyFilesRefuseWriting) {
    m_device.WriteHostFile("NAND/ro.txt", "ro");
    ASSERT_TRUE(SetFileAttributes("\\NAND\\ro.txt", FILE_ATTRIBUTE_READONLY));
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\ro.txt", GENERIC_READ, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE reader = CreateFile("\\NAND\\ro.txt", GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);

    // Created read-only: this handle writes, later opens for writing are refused.
    HANDLE created = CreateFile("\\NAND\\new_ro.txt", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WriteFile(created, "x", 1, nullptr));
    CloseHandle(created);
    EXPECT_EQ(GetFileAttributes("\\NAND\\new_ro.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
}

TEST_F(CreateFileTest, DirectoriesAreNotOpenedAsFiles) {
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(CreateFileTest, BadHandles) {
    char buffer[4];
    DWORD count = 0;
    for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, platform::MakeHandle(0x40001234u)}) {
        SetLastError(kSentinel);
        EXPECT_FALSE(ReadFile(bad, buffer, sizeof(buffer), &count));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(kSentinel);
        EXPECT_EQ(GetFileSize(bad, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(platform::FileDescriptorOf(bad), -1);
    }
    // A search handle is not a file.
    m_device.WriteHostFile("NAND/x", "");
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile("\\NAND\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    SetLastError(kSentinel);
    EXPECT_FALSE(ReadFile(search, buffer, sizeof(buffer), &count));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    FindClose(search);
}

TEST_F(CreateFileTest, DescriptorOfAnOpenFileReadsItsContents) {
    m_device.WriteHostFile("NAND/map.bin", "mapped bytes");
    HANDLE file = CreateFile("\\NAND\\MAP.BIN", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    int fd = platform::FileDescriptorOf(file);
    ASSERT_GE(fd, 0);
    char buffer[32] = {};
    EXPECT_EQ(::pread(fd, buffer, sizeof(buffer), 0), 12);
    EXPECT_EQ(std::string(buffer), "mapped bytes");
    CloseHandle(file);
    EXPECT_EQ(platform::FileDescriptorOf(file), -1);
    SetLastError(kSentinel);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
