// A renderer for tests: it accepts any type (or only types of one given major
// type) and keeps a copy of every rendered sample's bytes, times and flags,
// rendered on the clock as every CBaseRenderer renders.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/media/Renderer.h"

inline constexpr CLSID CLSID_CaptureRenderer = com::GuidOf("C0A7E5D2-3B9A-4C51-9E37-6D3B2F8A1C40");

class CCaptureRenderer : public CBaseRenderer {
 public:
  struct Sample {
    std::vector<BYTE> data;
    bool hasTime = false;
    REFERENCE_TIME start = 0, stop = 0;
    bool hasMediaTime = false;
    LONGLONG mediaStart = 0, mediaStop = 0;
    bool syncPoint = false, discontinuity = false, preroll = false;
    DWORD typeSpecificFlags = 0;
    REFERENCE_TIME renderedAt = -1;  // stream time when rendered, -1 without a clock
  };

  // majorType GUID_NULL accepts every type.
  explicit CCaptureRenderer(HRESULT* hr, const GUID& majorType = GUID_NULL,
                            LPCWSTR pinName = u"In");

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  HRESULT EndOfStream() override;

  std::vector<Sample> Samples();
  std::vector<BYTE> AllBytes();
  int EndOfStreamCount();
  // Waits until at least `count` samples were rendered; false on timeout.
  bool WaitForSamples(std::size_t count, DWORD milliseconds);
  // Makes each DoRenderSample wait this long (a slow device).
  void SetRenderDelay(DWORD milliseconds) { renderDelayMs_ = milliseconds; }

 private:
  GUID majorType_;
  std::atomic<DWORD> renderDelayMs_{0};
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Sample> samples_;
  int endOfStreams_ = 0;
};
