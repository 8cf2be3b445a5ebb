// A sound output device as the audio renderer and its clock use it: 16-bit
// signed interleaved frames at one rate and channel count, written without
// waiting, with the device's position read back. The ALSA device is the real
// one; tests put a fake in its place.
//
// Position: `written` counts the frames taken since the device was opened
// (frames discarded by Drop are taken off again), `queued` the frames written
// but not played yet, so written - queued is the frames played, which never
// decreases. `playing` holds while the device turns queued frames into sound
// (not before the first write, not while paused, not after an underrun).
//
// A device is used by the streaming thread (Write, WaitForRoom) and the
// control thread (Pause, Drop, Start) at once, and its position is read from
// any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace av::audio {

struct AudioFormat {
  unsigned rate = 48000;
  unsigned channels = 2;
};

struct AudioPosition {
  std::int64_t written = 0;
  std::int64_t queued = 0;
  bool playing = false;

  std::int64_t Played() const { return written - queued; }
};

class IAudioDevice {
 public:
  virtual ~IAudioDevice() = default;

  // Takes as many of `count` frames as fit now; returns how many (0 when the
  // device is full), or a negative number when the device failed.
  virtual long Write(const std::int16_t* frames, long count) = 0;
  // Waits until there is room for more frames or `milliseconds` have passed.
  virtual void WaitForRoom(int milliseconds) = 0;
  virtual AudioPosition Position() = 0;
  // Holds or resumes playback, keeping the queued frames.
  virtual void Pause(bool pause) = 0;
  // Discards the queued frames.
  virtual void Drop() = 0;
  // Plays what is queued even when it is less than the device waits for
  // before it starts by itself (the last frames of a stream).
  virtual void Start() = 0;
};

// Opens a device for a format; null with a reason in `error` when none opens.
using AudioDeviceOpener =
    std::function<std::unique_ptr<IAudioDevice>(const AudioFormat& format, std::string* error)>;

}  // namespace av::audio
