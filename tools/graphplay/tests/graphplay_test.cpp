// graphplay from the host against a running device: it plays, prints what it is asked, takes
// the graph down at the end, and names the code of a file it cannot build.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;

class GraphPlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string failed;
        ASSERT_TRUE(platform::testing::MakeClips(GRAPHPLAY_CLIP_DIR, platform::testing::StandardClips(), failed))
            << failed;
    }
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        const fs::path card = device.Root() / "fs" / "STORAGE CARD";
        fs::create_directories(card);
        fs::copy_file(fs::path(GRAPHPLAY_CLIP_DIR) / "movie.ogg", card / "movie.ogg");
    }
    // Runs graphplay; its output, and its exit status in `status`.
    std::string Run(const std::string& arguments, int& status) {
        const std::string command =
            std::string(GRAPHPLAY_BINARY) + " --root '" + device.Root().string() + "' " + arguments + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string output;
        std::array<char, 256> buffer{};
        while (pipe && std::fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
        const int raw = pipe ? ::pclose(pipe) : -1;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return output;
    }

    platform::testing::TemporaryDevice device;
};

TEST_F(GraphPlay, PlaysPrintsAndTakesTheGraphDown) {
    int status = -1;
    const std::string output =
        Run("--rect 100,60,420,300 '\\STORAGE CARD\\movie.ogg' duration run wait 700 state pos seek 4 pos", status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("duration 6.0"), std::string::npos) << output;
    EXPECT_NE(output.find("state running"), std::string::npos) << output;
    EXPECT_NE(output.find("position 0."), std::string::npos) << output;
    EXPECT_NE(output.find("position 4.0"), std::string::npos) << output;
    const std::string log = device.Log("graphplay");
    EXPECT_NE(log.find("Succeed to stop Graph"), std::string::npos) << log;
    EXPECT_NE(log.find("DeleteFiltersForPlaying:3"), std::string::npos) << log;
    EXPECT_EQ(devicectl::DeviceControl(device.Root()).FindWindowByName("graphplay"), 0u) << "its window went with it";
}

TEST_F(GraphPlay, AFileItCannotBuildGivesItsCode) {
    int status = -1;
    std::string output = Run("'\\STORAGE CARD\\missing.ogg' run", status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(output.find("0x80070002"), std::string::npos) << output;
    output = Run("/etc/hostname", status);
    EXPECT_EQ(status, 2) << "a host file outside the device";
}

}  // namespace
