// A push source of transport-stream bytes for graph tests: it delivers the
// segments it is given in samples of `chunk` bytes, once (a restart of the
// streaming thread does not repeat them), calls a hook on its
// streaming thread before each segment after the first (between two Receive
// calls, as a tune would come), then ends the stream.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "platform/media/MediaGuids.h"
#include "platform/media/Source.h"

namespace demux::test {

inline constexpr CLSID CLSID_TsTestSource = com::GuidOf("3F0D6A52-8B1E-4C7A-9E25-71B4C0D9A611");

class CTsSource;

class CTsStream : public CSourceStream {
 public:
  CTsStream(CTsSource* source, HRESULT* hr);

  HRESULT GetMediaType(CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  CTsSource* source_;
  std::size_t segment_ = 0;
  std::size_t offset_ = 0;
};

class CTsSource : public CSource {
 public:
  using Hook = std::function<void(std::size_t segment)>;

  CTsSource(std::vector<std::vector<std::uint8_t>> segments, std::size_t chunk = 188 * 7,
            Hook hook = {});

  CTsStream* Stream() { return stream_; }
  // Set before the graph runs.
  void SetHook(Hook hook) { hook_ = std::move(hook); }
  // The first sample of the segment is marked as a discontinuity (bytes lost).
  void MarkDiscontinuity(std::size_t segment) { discontinuities_.insert(segment); }
  // Delivers nothing until the condition holds. (Not the source's own Run:
  // its pins' Run waits for the streaming thread.)
  void HoldUntil(std::function<bool()> condition) { holdUntil_ = std::move(condition); }

 private:
  friend class CTsStream;
  std::vector<std::vector<std::uint8_t>> segments_;
  std::size_t chunk_;
  Hook hook_;
  std::set<std::size_t> discontinuities_;
  std::function<bool()> holdUntil_;
  CTsStream* stream_;
};

}  // namespace demux::test
