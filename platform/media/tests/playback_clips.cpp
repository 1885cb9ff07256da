// The clips of the playback tests, made once per build: a clip already in the cache is used
// as it is.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/media_clips.h"
#include "playback_fixture.h"

namespace platform::testing {
namespace {

class ClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string failed;
        ASSERT_TRUE(MakeClips(kClipDir, StandardClips(), failed)) << failed;
    }
};

const auto* const kClips = ::testing::AddGlobalTestEnvironment(new ClipEnvironment);

}  // namespace
}  // namespace platform::testing
