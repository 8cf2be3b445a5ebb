// A source filter whose one output pin delivers the samples the test pushes,
// on the test's own thread, so the order of samples (across several sources
// too) is the test's to choose. The pin offers its types in order and accepts
// only those; it counts the quality notices sent to it.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/media/BaseFilter.h"
#include "platform/media/OutputPin.h"

namespace testsupport {

inline constexpr CLSID CLSID_PushSource = com::GuidOf("7C1E5A30-51D4-4F0B-9A57-2B86E4D0C913");

struct PushSourceOptions {
  // What the pin asks of the allocator at the least (more when the
  // downstream pin states larger requirements).
  LONG bufferSize = 4096;
  LONG buffers = 16;
  CLSID clsid = CLSID_PushSource;
};

class CPushSource : public CBaseFilter {
 public:
  CPushSource(std::vector<CMediaType> types, const PushSourceOptions& options);
  explicit CPushSource(const CMediaType& type, LONG bufferSize = 4096);
  ~CPushSource() override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;
  CBaseOutputPin* Output();

  // One sample: at most one buffer's worth of `data`, with a start time when
  // given. Returns the downstream Receive result (or the buffer failure).
  HRESULT Push(std::span<const std::uint8_t> data, std::optional<REFERENCE_TIME> start,
               bool discontinuity = false);
  // One sample without times, optionally announcing a new type with it; the
  // buffer it used goes to `bufferUsed`.
  HRESULT Send(std::span<const std::uint8_t> data, const CMediaType* newType = nullptr,
               BYTE** bufferUsed = nullptr);
  HRESULT EndOfStream();
  // The allocator properties agreed at connection.
  ALLOCATOR_PROPERTIES Granted() const;
  int QualityNotices() const { return qualityNotices_.load(); }

 private:
  class Pin;
  HRESULT Deliver(std::span<const std::uint8_t> data, std::optional<REFERENCE_TIME> start,
                  bool discontinuity, const CMediaType* newType, BYTE** bufferUsed);

  CCritSec lock_;
  Pin* pin_;
  std::atomic<int> qualityNotices_{0};
};

// Samples of a private allocator, for calling an input pin directly.
class SampleMaker {
 public:
  explicit SampleMaker(LONG bufferSize = 256 * 1024, LONG buffers = 4);
  ~SampleMaker();

  ComPtr<IMediaSample> Make(std::span<const std::uint8_t> bytes,
                            std::optional<REFERENCE_TIME> start = std::nullopt,
                            bool discontinuity = false, const AM_MEDIA_TYPE* type = nullptr);
  // A sample holding the bytes, with `flags` as its type-specific flags.
  ComPtr<IMediaSample> MakeWithFlags(std::span<const std::uint8_t> bytes, DWORD flags);

 private:
  ComPtr<IMemAllocator> allocator_;
};

}  // namespace testsupport
