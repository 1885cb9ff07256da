// The board's camera connector as the server keeps it: what the camera filter asks, and the
// bench's plug.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/devices/camera_connector.h"
#include "server/drivers/board_drivers.h"

namespace {

std::vector<std::uint8_t> WordBytes(std::uint32_t word)
{
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &word, 4);
    return bytes;
}

TEST(CameraConnector, SaysWhetherACameraIsPluggedInAndTakesOnlyAWordToChangeIt)
{
    std::vector<std::string> lines;
    server::BoardDrivers drivers(400, 200, [&](const std::string& line) { lines.push_back(line); });
    EXPECT_TRUE(server::BoardDrivers::Exists("cam1:"));
    std::vector<std::uint8_t> output;
    auto signal = [&] {
        output.clear();
        EXPECT_EQ(drivers.IoControl("CAM1:", platform::kIoctlCameraSignal, {}, output), 0u);
        return output == WordBytes(1) ? 1 : output == WordBytes(0) ? 0 : -1;
    };
    EXPECT_EQ(signal(), 1) << "the board starts with its camera plugged in";

    EXPECT_EQ(drivers.IoControl("CAM1:", platform::kIoctlCameraPlug, WordBytes(0), output), 0u);
    EXPECT_EQ(signal(), 0);
    EXPECT_FALSE(drivers.State().camera_connected);
    EXPECT_EQ(drivers.IoControl("CAM1:", platform::kIoctlCameraPlug, {1, 0}, output), 87u) << "half a word";
    EXPECT_EQ(signal(), 0) << "a refused request changes nothing";
    EXPECT_EQ(drivers.IoControl("CAM1:", platform::kIoctlCameraPlug + 4, WordBytes(1), output), 50u);
    EXPECT_EQ(drivers.IoControl("CAM1:", platform::kIoctlCameraPlug, WordBytes(7), output), 0u);
    EXPECT_EQ(signal(), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"CAM1: camera out", "CAM1: camera in"}));
}

}  // namespace
