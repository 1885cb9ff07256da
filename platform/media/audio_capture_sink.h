// The sink of the capture output: it consumes audio at the pipeline clock's pace, as the
// fake output does, and appends each block to a WAV file when the block is played, so the
// file holds exactly what would have been heard, pauses and seeks included.
#pragma once

#include <gst/gst.h>

#include <filesystem>
#include <string>

namespace platform::media {

// Adds a converter to 16-bit samples and the sink to `bin`, linked, and gives the converter
// to link to; null when they cannot be made. The file, `<folder>/<stem>-<n>.wav` with the
// lowest free n from `number` on, is created when the first block is played.
GstElement* AddCaptureSink(GstBin* bin, const std::filesystem::path& folder, const std::string& stem,
                           unsigned number);

}  // namespace platform::media
