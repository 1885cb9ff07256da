// Every prefix of a real file (the fuzz seeds: files written by GStreamer, cut to 16 KiB) is
// probed cleanly: under AddressSanitizer this shows that no reader reads past what it was given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mediainfo/tests/fixtures.h"

namespace mediainfo::testing {
namespace {

namespace fs = std::filesystem;

// The fields a player chooses by: what a file cut past its headers must still report.
bool SameFormat(const MediaInfo& a, const MediaInfo& b)
{
    return a.kind == b.kind && a.audioFormat == b.audioFormat && a.audioSampleRate == b.audioSampleRate &&
           a.audioChannels == b.audioChannels && a.videoFourCC == b.videoFourCC && a.videoWidth == b.videoWidth &&
           a.videoHeight == b.videoHeight && a.pictureWidth == b.pictureWidth && a.pictureHeight == b.pictureHeight;
}

// Once a prefix is read, its headers are whole: every longer prefix reads the same format as the
// whole file.
TEST(Prefixes, EveryPrefixOfEverySeedProbesCleanly)
{
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(MEDIAINFO_SEED_DIR)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> whole_bytes((std::istreambuf_iterator<char>(in)), {});
        const Probed whole = Probe(whole_bytes);
        ++files;
        std::size_t first_read = 0;
        for (std::size_t length = 0; length <= whole_bytes.size(); length += length < 2048 ? 1 : 61) {
            // A copy of exactly the prefix, so that a read past it is a heap overrun.
            const std::vector<std::uint8_t> prefix(whole_bytes.begin(), whole_bytes.begin() + length);
            const Probed probed = Probe(prefix);
            ASSERT_LE(probed.info.fileSize, length) << entry.path() << " cut at " << length;
            ASSERT_TRUE(probed.info.status == 0 || probed.info.status == 1 || probed.info.status == kResultFail ||
                        probed.info.status == kResultOutOfMemory)
                << entry.path() << " cut at " << length << ": status " << probed.info.status;
            if (length < 9) {
                ASSERT_EQ(probed.result, 0) << "no format is recognised in fewer than 9 bytes";
            }
            if (whole.info.status != 0)
                continue;
            if (first_read == 0 && probed.info.status == 0 && SameFormat(probed.info, whole.info))
                first_read = length;
            if (first_read != 0) {
                ASSERT_EQ(probed.info.status, 0) << entry.path() << " cut at " << length << ", read from " << first_read;
                ASSERT_TRUE(SameFormat(probed.info, whole.info)) << entry.path() << " cut at " << length << ", read from " << first_read;
            }
        }
        if (whole.info.status == 0) {
            EXPECT_NE(first_read, 0u) << entry.path();
        }
    }
    EXPECT_GT(files, 10);
}

}  // namespace
}  // namespace mediainfo::testing
