// A test source with one output pin of a given media type whose samples the
// test pushes itself, from whichever thread it likes, so the order of samples
// across several sources is the test's to choose.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/media/BaseFilter.h"
#include "platform/media/OutputPin.h"

namespace sinktest {

inline constexpr CLSID CLSID_PushSource = com::GuidOf("7C1E5A30-51D4-4F0B-9A57-2B86E4D0C913");

class CPushSource : public CBaseFilter {
 public:
  // `bufferSize` is what the pin asks for when the downstream pin states no
  // allocator requirements.
  CPushSource(const CMediaType& type, LONG bufferSize = 4096);
  ~CPushSource() override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;
  IPin* Output();

  // One sample: at most one buffer's worth of `data`, with a start time when
  // given. Returns the downstream Receive result (or the buffer failure).
  HRESULT Push(std::span<const std::uint8_t> data, std::optional<REFERENCE_TIME> start,
               bool discontinuity = false);
  HRESULT EndOfStream();
  // The allocator properties agreed at connection.
  ALLOCATOR_PROPERTIES Granted() const;

 private:
  class Pin;
  CCritSec lock_;
  Pin* pin_;
};

}  // namespace sinktest
