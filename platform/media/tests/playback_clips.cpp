// The clips of the playback tests, made once per build: a clip already in the cache is used
// as it is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "playback_fixture.h"

namespace platform::testing {
namespace {

// Six seconds each: 25 frames a second of 160x120 video, 44.1 kHz stereo tone.
struct ClipRecipe {
    const char* file;
    const char* pipeline;  // ends in a filesink whose location is appended
};
constexpr ClipRecipe kRecipes[] = {
    {"tone.wav", "audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audio/x-raw,rate=44100,channels=2 ! wavenc "
                 "! filesink"},
    {"movie.ogg", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 ! theoraenc ! mux. "
                  "audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audioconvert ! vorbisenc ! mux. "
                  "oggmux name=mux ! filesink"},
    {"silent.ogg", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 ! theoraenc "
                   "! oggmux ! filesink"},
};

class ClipEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        fs::create_directories(kClipDir);
        for (const ClipRecipe& recipe : kRecipes) {
            const fs::path clip = kClipDir / recipe.file;
            if (fs::exists(clip) && fs::file_size(clip) > 0) continue;
            // Made under another name and renamed, so a test binary stopped half-way never
            // leaves a half-written clip in the cache.
            const fs::path partial = clip.string() + ".partial";
            const std::string command = std::string("timeout 60 gst-launch-1.0 -q ") + recipe.pipeline + " location='" +
                                        partial.string() + "' >/dev/null 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            fs::rename(partial, clip);
        }
    }
};

const auto* const kClips = ::testing::AddGlobalTestEnvironment(new ClipEnvironment);
}  // namespace
}  // namespace platform::testing
