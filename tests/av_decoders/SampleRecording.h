// A short recording of the sample broadcast for the decoder tests: one pass of
// 5.5 KFIV's loop (640 x 360 video, AC-3 stereo) written by the sink core into
// a programme-stream file, optionally with one picture damaged.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/media/Interfaces.h"

namespace avtest {

struct SampleRecording {
  std::filesystem::path path;
  std::size_t pictures = 0;     // video access units written
  std::size_t audioFrames = 0;  // AC-3 frames in the file
  int width = 0, height = 0;    // as encoded
  REFERENCE_TIME duration = 0;  // of the video
};

// `damagedPicture` >= 0 overwrites the middle third of that access unit
// (decode order) with bytes that hold no start code.
bool WriteSampleRecording(const std::filesystem::path& folder, int damagedPicture,
                          SampleRecording& out, std::string& error);

}  // namespace avtest
