// The sound card through alsa-lib: the PCM device named (normally "default",
// which desktop sound servers provide), opened for 16-bit interleaved output.
#pragma once

#include <memory>
#include <string>

#include "platform/av/audio/AudioDevice.h"

namespace av::audio {

// Opens `name` for the format; null with ALSA's reason in `error` when it
// does not open (no sound card, as in containers).
std::unique_ptr<IAudioDevice> OpenAlsaDevice(const std::string& name, const AudioFormat& format,
                                             std::string* error);

}  // namespace av::audio
