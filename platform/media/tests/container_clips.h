// Clips in the containers the players meet besides Ogg and WAV, made once per build like the
// standard clips and as long (six seconds, 160x120 at 25 frames a second with a tone):
// h264.mp4 (H.264 and AAC, the movie box last, as a recorder writes it), mjpeg.avi (Motion
// JPEG and 16-bit PCM) and theora.mkv (Theora and Vorbis in Matroska).
#pragma once

#include <span>

#include "platform/testing/media_clips.h"

namespace platform::testing {

inline constexpr ClipRecipe kContainerClips[] = {
    {"h264.mp4", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 "
                 "! x264enc speed-preset=ultrafast key-int-max=25 ! video/x-h264,profile=baseline ! mux. "
                 "audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audioconvert ! avenc_aac ! mux. "
                 "mp4mux name=mux ! filesink"},
    {"mjpeg.avi", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 "
                  "! jpegenc quality=50 ! mux. audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audioconvert "
                  "! audio/x-raw,format=S16LE ! mux. avimux name=mux ! filesink"},
    {"theora.mkv", "videotestsrc num-buffers=150 ! video/x-raw,width=160,height=120,framerate=25/1 ! theoraenc "
                   "! mux. audiotestsrc samplesperbuffer=4410 num-buffers=60 ! audioconvert ! vorbisenc ! mux. "
                   "matroskamux name=mux ! filesink"},
};

}  // namespace platform::testing
