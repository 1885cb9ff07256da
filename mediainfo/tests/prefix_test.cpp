// Every prefix of a real file (the fuzz seeds: files written by GStreamer, cut to 16 KiB) is
// probed cleanly: under AddressSanitizer this shows that no reader reads past what it was given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mediainfo/tests/fixtures.h"

namespace mediainfo::testing {
namespace {

namespace fs = std::filesystem;

TEST(Prefixes, EveryPrefixOfEverySeedProbesCleanly)
{
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(MEDIAINFO_SEED_DIR)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> whole((std::istreambuf_iterator<char>(in)), {});
        ++files;
        for (std::size_t length = 0; length <= whole.size(); length += length < 2048 ? 1 : 61) {
            // A copy of exactly the prefix, so that a read past it is a heap overrun.
            const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + length);
            const Probed probed = Probe(prefix);
            ASSERT_LE(probed.info.fileSize, length) << entry.path() << " cut at " << length;
            ASSERT_TRUE(probed.info.status == 0 || probed.info.status == 1 || probed.info.status == kResultFail ||
                        probed.info.status == kResultOutOfMemory)
                << entry.path() << " cut at " << length << ": status " << probed.info.status;
            if (length < 9) {
                ASSERT_EQ(probed.result, 0) << "no format is recognised in fewer than 9 bytes";
            }
        }
    }
    EXPECT_GT(files, 10);
}

}  // namespace
}  // namespace mediainfo::testing
