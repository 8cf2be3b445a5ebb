// The MPEG-2 video stream analyzer ("Video Analyzer" in the tuner graph): it
// sits between the demultiplexer's video pin and the buffer sink and passes
// the MPEG-2 video elementary stream through untouched, each sample by
// reference with its times and flags, offering downstream the type it was
// given. Seeking passes upstream through its output pin.
//
// Input types: major type video, subtype MPEG-2 video, format MPEG-2 video
// (with or without a format block) or none, as the demultiplexer offers them.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/media/TransInPlace.h"

inline constexpr CLSID CLSID_Mpeg2VideoStreamAnalyzer =
    com::GuidOf("6CFAD761-735D-4AA5-8AFC-AF91A7D61EBA");

namespace av {

class CMpeg2VideoAnalyzer : public CTransInPlaceFilter {
 public:
  CMpeg2VideoAnalyzer();

  // For a class-factory table (CLSID_Mpeg2VideoStreamAnalyzer).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT CheckInputType(const CMediaType* mt) override;
  HRESULT Transform(IMediaSample* sample) override;

  // Samples and payload bytes passed through since creation.
  std::uint64_t Samples() const { return samples_.load(); }
  std::uint64_t Bytes() const { return bytes_.load(); }

 private:
  std::atomic<std::uint64_t> samples_{0};
  std::atomic<std::uint64_t> bytes_{0};
};

}  // namespace av
