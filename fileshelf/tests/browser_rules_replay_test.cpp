// Runs the browser rules' fuzz target in the ordinary build: over its seed corpus, and over
// names put together from awkward pieces (digits, dots, separators, case, Korean, stray bytes).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int RunTarget(const std::string& input) {
    return LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

TEST(BrowserRulesFuzzReplay, SeedCorpus) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BROWSER_RULES_CORPUS_DIR)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(RunTarget(input), 0) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 4);
}

TEST(BrowserRulesFuzzReplay, NamesFromAwkwardPieces) {
    const std::vector<std::string> pieces = {"a", "A", "b", "0", "00", "1", "2", "9", "10", ".", "..", "\\", "/",
                                             " ", "mp3", "MP3", ":", ";", "\n", "\xEB\x85\xB8", "\xEF\xBF\xBD",
                                             "\xFF", "\xC3", "STORAGE CARD", "usb drive", "_"};
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int round = 0; round < 20000; ++round) {
        std::string input(1, static_cast<char>(random() & 0x0F));
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) input += pieces[random() % pieces.size()];
        ASSERT_EQ(RunTarget(input), 0);
    }
}

}  // namespace
