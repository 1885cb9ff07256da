// Version records: read from a program the build gave one, refused cleanly from anything else,
// and the record reader never goes past what it was given.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/tests/temp_device_root.h"
#include "platform/files/version_info.h"
#include "platform/files/version_record.h"
#include "platform/kernel/last_error.h"

namespace {

namespace record = platform::version_record;
constexpr DWORD kSentinel = 0xDEADBEEF;

class VersionInfoTest : public ::testing::Test {
protected:
    void Install(const std::string& name, const std::string& bytes) { m_device.WriteHostFile("NAND/" + name, bytes); }
    static std::string ReadHost(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    platform::testing::TempDeviceRoot m_device;
};

TEST_F(VersionInfoTest, ABuiltProgramsRecordGivesItsTranslationAndFileVersion) {
    Install("TELECAST.EXE", ReadHost(VERSION_PROGRAM_BINARY));
    DWORD handle = 7;
    const DWORD size = GetFileVersionInfoSize("\\NAND\\telecast.exe", &handle);
    ASSERT_GT(size, 0u) << GetLastError();
    EXPECT_EQ(handle, 0u);
    std::vector<std::uint8_t> block(size);
    EXPECT_FALSE(GetFileVersionInfo("\\NAND\\TELECAST.EXE", 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(GetFileVersionInfo("\\NAND\\TELECAST.EXE", 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    WORD pair[2];
    std::memcpy(pair, value, sizeof(pair));
    EXPECT_EQ(pair[0], 0x0412);
    EXPECT_EQ(pair[1], 0x04B0);

    char sub_block[64];
    std::snprintf(sub_block, sizeof(sub_block), "\\StringFileInfo\\%04X%04X\\FileVersion", pair[0], pair[1]);
    ASSERT_TRUE(VerQueryValue(block.data(), sub_block, &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), "1, 0, 2, 3");
    EXPECT_EQ(length, 11u) << "characters with the terminating zero";
    EXPECT_TRUE(VerQueryValue(block.data(), "\\StringFileInfo\\041204b0\\productversion", &value, &length));

    SetLastError(kSentinel);
    EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", &value, &length))
        << "a translation the record does not have";
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\041204B0\\Comments", &value, &length));
    EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\0412", &value, &length));
}

TEST_F(VersionInfoTest, FilesWithoutAWholeRecordHaveSizeZero) {
    DWORD handle = 0;
    // An ELF program without a record: this test itself.
    Install("PLAIN.EXE", ReadHost("/proc/self/exe"));
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileVersionInfoSize("\\NAND\\PLAIN.EXE", &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);

    Install("NOTES.TXT", "not a program at all, but long enough to have a header's worth of bytes in it");
    EXPECT_EQ(GetFileVersionInfoSize("\\NAND\\NOTES.TXT", &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
    Install("EMPTY.EXE", "");
    EXPECT_EQ(GetFileVersionInfoSize("\\NAND\\EMPTY.EXE", &handle), 0u);
    EXPECT_EQ(GetFileVersionInfoSize("\\NAND\\MISSING.EXE", &handle), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    // A program cut short: the section headers at its end are gone, or only the ELF header is left.
    const std::string program = ReadHost(VERSION_PROGRAM_BINARY);
    for (std::size_t keep : {program.size() - 1, program.size() / 2, std::size_t{64}, std::size_t{20}}) {
        Install("CUT.EXE", program.substr(0, keep));
        EXPECT_EQ(GetFileVersionInfoSize("\\NAND\\CUT.EXE", &handle), 0u) << keep << " bytes kept";
        std::uint8_t block[512] = {};
        EXPECT_FALSE(GetFileVersionInfo("\\NAND\\CUT.EXE", 0, sizeof(block), block));
    }
}

TEST(VersionRecord, EveryCutOfARecordAndARecordWithoutTranslationAreRefused) {
    constexpr auto made = record::MakeRecord("1, 0, 2, 3");
    const std::vector<std::uint8_t> whole(made.begin(), made.end());
    record::RecordView view;
    ASSERT_EQ(record::ParseRecord(whole.data(), whole.size(), view), record::ReadStatus::Ok);
    EXPECT_EQ(view.size, whole.size());
    ASSERT_EQ(view.strings.size(), 2u);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        // Each prefix in a buffer of its own, so a read past it shows under the sanitizers.
        std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_NE(record::ParseRecord(prefix.data(), prefix.size(), view), record::ReadStatus::Ok) << cut;
    }

    auto changed = [&](std::size_t offset, std::uint8_t value) {
        auto bytes = whole;
        bytes[offset] = value;
        return record::ParseRecord(bytes.data(), bytes.size(), view);
    };
    EXPECT_EQ(changed(6, 0), record::ReadStatus::Malformed) << "no translation";
    EXPECT_EQ(changed(0, 'X'), record::ReadStatus::NotThisFormat);
    EXPECT_EQ(changed(8, 11), record::ReadStatus::Malformed) << "a size below the header's";
    EXPECT_EQ(changed(whole.size() - 1, '!'), record::ReadStatus::Malformed) << "a value without its zero";
    EXPECT_EQ(changed(10, 0x7F), record::ReadStatus::Malformed) << "a size beyond any record";
    EXPECT_EQ(changed(18, 0xFF), record::ReadStatus::Truncated) << "a key longer than the record";
}

TEST(VersionRecord, TheElfWalkStaysInsideTheFile) {
    std::ifstream in(VERSION_PROGRAM_BINARY, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), {});
    auto read = [&](std::uint64_t offset, std::size_t size, std::uint8_t* out) {
        if (offset > file.size() || size > file.size() - offset) return false;
        std::memcpy(out, file.data() + offset, size);
        return true;
    };
    auto place = record::FindElfSection(read, file.size(), record::kSectionName);
    ASSERT_TRUE(place);
    record::RecordView view;
    EXPECT_EQ(record::ParseRecord(reinterpret_cast<const std::uint8_t*>(file.data()) + place->offset,
                                  static_cast<std::size_t>(place->size), view),
              record::ReadStatus::Ok);
    EXPECT_FALSE(record::FindElfSection(read, file.size(), ".no_such_section"));
    // A section table said to lie past the end of the file is not followed.
    std::string broken = file;
    const std::uint64_t far = ~std::uint64_t{0} - 16;
    std::memcpy(broken.data() + 0x28, &far, 8);
    auto read_broken = [&](std::uint64_t offset, std::size_t size, std::uint8_t* out) {
        if (offset > broken.size() || size > broken.size() - offset) return false;
        std::memcpy(out, broken.data() + offset, size);
        return true;
    };
    EXPECT_FALSE(record::FindElfSection(read_broken, broken.size(), record::kSectionName));
}

}  // namespace
