// The container clips of the bad-input tests, made once per build beside the standard clips.
#include <gtest/gtest.h>

#include <string>

#include "container_clips.h"
#include "playback_fixture.h"

namespace platform::testing {
namespace {

class ContainerClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(kClipDir, kContainerClips, failed)) << failed;
    }
};

const auto* const kContainerClipsMade = ::testing::AddGlobalTestEnvironment(new ContainerClipEnvironment);

}  // namespace
}  // namespace platform::testing
