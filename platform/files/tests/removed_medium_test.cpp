// Files open on a medium that is taken out: their handles are dead from then on, as on a real
// card, while files elsewhere and new opens on the medium once it is back work.
#include <gtest/gtest.h>

#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/kernel.h"
#include "platform/removable_media.h"

namespace {

using platform::RemovableMedium;

class RemovedMediumTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root.WriteHostFile("STORAGE CARD/MUSIC/SONG.MP3", std::string(10000, 'c'));
        m_root.WriteHostFile("NAND/SETTINGS.DAT", "nand");
    }
    bool Card(bool inserted) {
        std::string error;
        const auto change = platform::SetMediumInserted(m_root.Root(), RemovableMedium::StorageCard, inserted, error);
        EXPECT_EQ(change, platform::MediumChange::Changed) << error;
        return change == platform::MediumChange::Changed;
    }
    platform::testing::TempDeviceRoot m_root;
};

TEST_F(RemovedMediumTest, AHandleOnTheCardDiesAtRemovalAndStaysDeadWhenTheCardIsBack) {
    HANDLE song = CreateFile("\\Storage Card\\MUSIC\\song.mp3", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(song, INVALID_HANDLE_VALUE);
    HANDLE nand = CreateFile("\\NAND\\SETTINGS.DAT", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(nand, INVALID_HANDLE_VALUE);
    char buffer[4096];
    DWORD count = 0;
    ASSERT_TRUE(ReadFile(song, buffer, sizeof(buffer), &count));
    EXPECT_EQ(count, sizeof(buffer));

    ASSERT_TRUE(Card(false));
    SetLastError(0);
    EXPECT_FALSE(ReadFile(song, buffer, sizeof(buffer), &count));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(WriteFile(song, "x", 1, &count));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_EQ(SetFilePointer(song, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_FALSE(FlushFileBuffers(song));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_EQ(CreateFile("\\STORAGE CARD\\MUSIC\\SONG.MP3", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);

    ASSERT_TRUE(Card(true));
    EXPECT_FALSE(ReadFile(song, buffer, sizeof(buffer), &count)) << "the handle stays dead";
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_TRUE(CloseHandle(song));

    HANDLE again = CreateFile("\\STORAGE CARD\\MUSIC\\SONG.MP3", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(ReadFile(again, buffer, sizeof(buffer), &count));
    EXPECT_EQ(count, sizeof(buffer));
    EXPECT_TRUE(ReadFile(nand, buffer, sizeof(buffer), &count)) << "\\NAND is not the card";
    EXPECT_EQ(count, 4u);

    // A second removal kills the handle opened after the first.
    ASSERT_TRUE(Card(false));
    ASSERT_TRUE(Card(true));
    EXPECT_FALSE(ReadFile(again, buffer, sizeof(buffer), &count));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    CloseHandle(again);
    CloseHandle(nand);
}

}  // namespace
