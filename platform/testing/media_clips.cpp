#include "platform/testing/media_clips.h"

#include <cstdlib>
#include <unistd.h>

namespace platform::testing {
namespace {

constexpr ClipRecipe kStandardClips[] = {
    {"tone.wav", "audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audio/x-raw,rate=44100,channels=2 ! wavenc "
                 "! filesink"},
    {"movie.ogg", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 ! theoraenc ! mux. "
                  "audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audioconvert ! vorbisenc ! mux. "
                  "oggmux name=mux ! filesink"},
    {"silent.ogg", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 ! theoraenc "
                   "! oggmux ! filesink"},
};

constexpr ClipRecipe kBroadcastClips[] = {
    {"tv.ts", "videotestsrc num-buffers=200 ! video/x-raw,width=320,height=240,framerate=25/1 "
              "! x264enc speed-preset=ultrafast key-int-max=25 ! video/x-h264,profile=baseline ! h264parse ! mux. "
              "audiotestsrc samplesperbuffer=1024 num-buffers=345 ! audio/x-raw,rate=44100 ! audioconvert ! avenc_aac "
              "! aacparse ! mux. mpegtsmux name=mux ! filesink"},
    // The same, but a white ball moving over orange: a picture of its own colour that changes
    // from frame to frame.
    {"tv_ball.ts", "videotestsrc pattern=ball background-color=0xFFE08020 num-buffers=200 "
                   "! video/x-raw,width=320,height=240,framerate=25/1 "
                   "! x264enc speed-preset=ultrafast key-int-max=25 ! video/x-h264,profile=baseline ! h264parse ! mux. "
                   "audiotestsrc samplesperbuffer=1024 num-buffers=345 ! audio/x-raw,rate=44100 ! audioconvert "
                   "! avenc_aac ! aacparse ! mux. mpegtsmux name=mux ! filesink"},
    {"radio.ts", "audiotestsrc samplesperbuffer=1152 num-buffers=334 ! audio/x-raw,rate=48000,channels=2 ! audioconvert "
                 "! twolamemp2enc ! mpegaudioparse ! mpegtsmux ! filesink"},
    {"slide.jpg", "videotestsrc pattern=red num-buffers=1 ! video/x-raw,width=200,height=100 ! jpegenc ! filesink"},
    {"initDAB.jpg", "videotestsrc pattern=blue num-buffers=1 ! video/x-raw,width=320,height=240 ! jpegenc ! filesink"},
};

}  // namespace

std::span<const ClipRecipe> StandardClips() { return kStandardClips; }
std::span<const ClipRecipe> BroadcastClips() { return kBroadcastClips; }

bool MakeClips(const std::filesystem::path& folder, std::span<const ClipRecipe> recipes, std::string& failed) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(folder, error);
    for (const ClipRecipe& recipe : recipes) {
        const fs::path clip = folder / recipe.file;
        if (fs::exists(clip, error) && fs::file_size(clip, error) > 0) continue;
        // Test binaries run side by side may make the same clip at once: each writes a file of
        // its own, and the renames, each of a whole clip, replace one another harmlessly.
        const fs::path partial = clip.string() + "." + std::to_string(::getpid()) + ".partial";
        const std::string command = std::string("timeout 60 gst-launch-1.0 -q ") + recipe.pipeline + " location='" +
                                    partial.string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            failed = command;
            return false;
        }
        fs::rename(partial, clip, error);
        if (error) {
            failed = "rename " + partial.string();
            return false;
        }
    }
    return true;
}

}  // namespace platform::testing
