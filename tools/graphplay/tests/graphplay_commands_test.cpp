// graphplay's arguments: what is accepted and what is refused with a reason.
#include <gtest/gtest.h>

#include "tools/graphplay/graphplay_commands.h"

namespace {

using graphplay::Command;

TEST(GraphPlayArguments, OptionsFileAndCommandsInOrder) {
    std::string error;
    const auto options = graphplay::ParseArguments(
        {"--variant", "music", "--rect", "10,20,330,260", "\\STORAGE CARD\\a b.mp3", "run", "wait", "1500", "seek",
         "3.5", "pos", "volume", "7", "preset", "2", "state", "duration", "pause", "stop"},
        error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->variant, graphplay::Variant::Music);
    EXPECT_EQ(options->rect.left, 10);
    EXPECT_EQ(options->rect.bottom, 260);
    EXPECT_EQ(options->file, "\\STORAGE CARD\\a b.mp3");
    const std::vector<std::pair<Command::Kind, double>> expected = {
        {Command::Kind::Run, 0},      {Command::Kind::Wait, 1500},  {Command::Kind::Seek, 3.5},
        {Command::Kind::Position, 0}, {Command::Kind::Volume, 7},   {Command::Kind::Preset, 2},
        {Command::Kind::State, 0},    {Command::Kind::Duration, 0}, {Command::Kind::Pause, 0},
        {Command::Kind::Stop, 0},
    };
    ASSERT_EQ(options->commands.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(options->commands[i].kind, expected[i].first) << i;
        EXPECT_EQ(options->commands[i].value, expected[i].second) << i;
    }
}

TEST(GraphPlayArguments, NonsenseIsRefusedWithItsReason) {
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"--variant"},
        {"--variant", "radio", "f"},
        {"--rect", "1,2,3", "f"},
        {"--rect", "1,2,3,4x", "f"},
        {"--speed", "2", "f"},
        {"f", "jump"},
        {"f", "seek"},
        {"f", "seek", "-1"},
        {"f", "seek", "nan"},
        {"f", "volume", "11"},
        {"f", "volume", "2.5"},
        {"f", "preset", "5"},
        {"f", "wait", "soon"},
    };
    for (const auto& arguments : refused) {
        std::string error;
        EXPECT_FALSE(graphplay::ParseArguments(arguments, error)) << testing::PrintToString(arguments);
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    const auto plain = graphplay::ParseArguments({"clip.ogg"}, error);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->variant, graphplay::Variant::Movie);
    EXPECT_EQ(plain->rect.right, 800);
    EXPECT_TRUE(plain->commands.empty());
}

}  // namespace
