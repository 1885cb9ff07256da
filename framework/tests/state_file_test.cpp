// State files written whole: a writer killed at any moment leaves the old file or the new one,
// never a short one, and a failed write leaves the old file and no temporary behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "framework/state_file.h"
#include "platform/testing/temporary_device.h"

namespace {

namespace fs = std::filesystem;

class StateFile : public ::testing::Test {
protected:
    fs::path Host(const std::string& name) const { return device.Root() / "fs" / "NAND" / name; }
    std::string Read(const std::string& name) const {
        std::ifstream in(Host(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    platform::testing::TemporaryDevice device;  // no server: the file calls work alone
};

TEST_F(StateFile, AWriterKilledAtAnyMomentLeavesAWholeFile) {
    // Two records of different lengths, so a short or mixed file shows.
    const std::string first = "1002\n3\n0\n1234\n";
    const std::string second = "1002\n12\n2\n7\n";
    ASSERT_TRUE(ReplaceStateFile("\\NAND\\Movie.dat", first));
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) ReplaceStateFile("\\NAND\\Movie.dat", i % 2 ? first : second);
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = Read("Movie.dat");
        ASSERT_TRUE(now == first || now == second) << "round " << round << ": \"" << now << "\"";
    }
}

TEST_F(StateFile, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    ASSERT_TRUE(ReplaceStateFile("\\NAND\\Movie.dat", "old"));
    // The place of the new file is taken by a folder: nothing can be written there.
    fs::create_directory(Host("Movie.dat.new"));
    EXPECT_FALSE(ReplaceStateFile("\\NAND\\Movie.dat", "new"));
    EXPECT_EQ(Read("Movie.dat"), "old");
    fs::remove(Host("Movie.dat.new"));
    EXPECT_TRUE(ReplaceStateFile("\\NAND\\Movie.dat", "new"));
    EXPECT_EQ(Read("Movie.dat"), "new");
    EXPECT_FALSE(fs::exists(Host("Movie.dat.new")));
}

TEST_F(StateFile, ReadingTakesAtMostWhatIsAskedAndNothingFromAMissingFile) {
    EXPECT_FALSE(ReadStateFile("\\NAND\\Missing.dat", 16));
    ASSERT_TRUE(ReplaceStateFile("\\NAND\\Big.dat", std::string(100000, 'x')));
    const auto head = ReadStateFile("\\NAND\\Big.dat", 4096);
    ASSERT_TRUE(head);
    EXPECT_EQ(head->size(), 4096u);
}

}  // namespace
