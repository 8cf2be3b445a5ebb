// CNullRenderer: a renderer that shows nothing. It takes any media type,
// counts the samples and payload bytes it renders, keeps the start time of the
// first and the last timed sample, and optionally hands each sample to a
// callback (on the streaming thread, while the sample is lent to it). For
// command-line tools and for graph branches whose output nobody watches.
//
// Samples are rendered at their time on the graph's clock like any renderer's;
// SetRenderImmediately(true) renders each on arrival instead (as fast as the
// source delivers).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/media/Renderer.h"

inline constexpr CLSID CLSID_NullRenderer = com::GuidOf("C1F400A4-3F08-11D3-9F0B-006008039E37");

namespace av {

class CNullRenderer : public CBaseRenderer {
 public:
  using Callback = std::function<void(IMediaSample* sample)>;

  struct Stats {
    std::uint64_t samples = 0;
    std::uint64_t bytes = 0;
    std::uint64_t timedSamples = 0;
    REFERENCE_TIME firstStart = 0;  // valid when timedSamples > 0
    REFERENCE_TIME lastStart = 0;
    REFERENCE_TIME lastStop = 0;
    int endOfStreams = 0;
  };

  explicit CNullRenderer(HRESULT* hr = nullptr, LPCWSTR pinName = u"In");

  // For a class-factory table (CLSID_NullRenderer).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME* start,
                              REFERENCE_TIME* stop) override;
  HRESULT EndOfStream() override;

  // Called for every rendered sample; an empty callback removes it.
  void SetCallback(Callback callback);
  void SetRenderImmediately(bool immediately) { immediately_ = immediately; }

  Stats GetStats();
  void ResetStats();

 private:
  std::atomic<bool> immediately_{false};
  std::mutex mutex_;
  Stats stats_;
  std::shared_ptr<const Callback> callback_;
};

}  // namespace av
