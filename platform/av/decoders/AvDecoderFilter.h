// CAvDecoderFilter: what the libavcodec decoders share, whatever they decode.
//
// Receive hands each input sample to the codec and each frame it gives back
// to OnFrame, under the receive lock. A discontinuity in the input resets the
// codec and the output timing first: what the codec holds belongs to the
// stream before the gap. The end of the stream drains the codec; a flush's
// end drops what it holds.
//
// Damaged frames and packets the library refuses are counted and traced under
// the decoder's trace name, and decoding goes on. Once a delivery fails, the
// rest of the sample's frames are dropped and Receive returns the failure.
//
// StampAndDeliver gives an output sample its times (the frame's, else the
// previous sample's end), the discontinuity after a gap and a pending type
// change, and hands it downstream.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/av/decoders/DecoderStats.h"
#include "platform/media/Transform.h"

struct AVFrame;

namespace av {
namespace detail {
class StreamDecoder;
}

class CAvDecoderFilter : public CTransformFilter {
 public:
  DecoderStats Stats() const { return counters_.Get(); }

  HRESULT Receive(IMediaSample* sample) final;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;

 protected:
  // `traceName` begins the decoder's error traces; `damagedWhat` names a
  // damaged frame in them.
  CAvDecoderFilter(const char* objectName, REFCLSID clsid, LPCWSTR inputName, LPCWSTR outputName,
                   const char* traceName, const char* damagedWhat);

  // The codec while streaming, else null.
  virtual detail::StreamDecoder* Decoder() = 0;
  // An input sample's bytes, before the codec sees them.
  virtual void OnInput(const BYTE*, int) {}
  // One decoded frame, to be delivered; the result is Receive's.
  virtual HRESULT OnFrame(const AVFrame* frame) = 0;

  // A new stream begins (StartStreaming): timing and error counts start anew.
  void StreamingStarted();
  void CountError(const char* what);
  void CountDropped();
  // The next delivered sample carries the output pin's new type.
  void TypeChanged();
  HRESULT StampAndDeliver(IMediaSample* out, std::int64_t pts, REFERENCE_TIME duration);

 private:
  void Decoded(const AVFrame* frame);
  void ResetTiming();

  const char* traceName_;
  const char* damagedWhat_;
  // The next sample carries the output type; set by the flush thread too.
  std::atomic<bool> typePending_ = false;
  bool discontinuity_ = true;
  bool haveNextTime_ = false;
  REFERENCE_TIME nextTime_ = 0;
  HRESULT deliverResult_ = S_OK;
  std::uint64_t codecErrorsSeen_ = 0;
  DecoderCounters counters_;
};

}  // namespace av
