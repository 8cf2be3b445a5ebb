// The library's one caption extractor. Its state exists once per loaded
// library: creating a filter resets it and binds its output to that filter,
// so a filter created later takes it over.
//
// Every use goes through one lock. The extractor itself is single-threaded;
// the lock keeps two filters of the same library (each with its own streaming
// thread) from running it at the same time, and keeps a filter that is being
// destroyed from receiving units: Unbind waits for a push in progress.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

#include "capsift/CPictureAssembler.h"
#include "capsift/CaptionSink.h"

namespace capsift {

class ModuleExtractor {
 public:
  static ModuleExtractor& Instance();

  // Resets the extractor and sends its units to `sink` from now on. False
  // when the extractor's buffer cannot be had (out of memory).
  bool Bind(ICaptionSink* sink);
  // Stops sending units to `sink` if it is still the bound one.
  void Unbind(ICaptionSink* sink);
  bool IsBound(const ICaptionSink* sink);

  void Reset();
  // One input sample: its start time (when it has one) becomes the current
  // input start time, then its bytes are pushed in order; units are emitted
  // to the bound sink before this returns.
  void Push(std::optional<std::int64_t> startTime, std::span<const std::uint8_t> bytes);

  // The media time of the next output sample: a count of samples obtained
  // since the library was loaded, starting at 0.
  std::int64_t NextMediaTime() { return mediaTime_.fetch_add(1); }

 private:
  ModuleExtractor() = default;
  std::mutex mutex_;
  std::optional<CPictureAssembler> assembler_;  // made on the first Bind
  ICaptionSink* bound_ = nullptr;
  std::atomic<std::int64_t> mediaTime_{0};
};

}  // namespace capsift
