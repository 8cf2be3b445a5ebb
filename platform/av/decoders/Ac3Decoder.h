// CAc3Decoder ("AC-3 Audio Decoder"): decodes AC-3 audio with libavcodec into
// 16-bit PCM.
//
// Input: major type audio, subtype Dolby AC-3, with a wave format block or
// none, as the "MPEG-2 Source" and the demultiplexer offer it, cut at any
// byte (the parser finds the frames).
//
// Output: PCM with a WAVEFORMATEX: two channels, front left and front right,
// interleaved, 16 bits signed, at the stream's sample rate. Streams of more
// channels are mixed down to stereo with the stream's own mix levels, mono
// is played on both channels. A change of sample rate in the stream brings
// a new type on the next sample.
//
// The rate of the current segment applies to the sound: at rate r a frame's
// PCM is resampled to 1/r of its length (played faster and higher, as a sound
// card played at another frequency), so the PCM of a sample fills the time
// a renderer gives it (its media times divided by the rate). Each sample
// keeps the media times of its AC-3 frame.
//
// Damaged frames are counted and traced, and decoding goes on. Seeking passes
// upstream; flushes, new segments and the end of the stream pass downstream.
#pragma once

#include <memory>

#include "platform/av/decoders/AvDecoderFilter.h"
#include "platform/media/Formats.h"

inline constexpr CLSID CLSID_Ac3AudioDecoder = com::GuidOf("FA245396-72FC-43F9-BB91-BB3544490C2D");

namespace av {

inline constexpr WORD kPcmChannels = 2;
inline constexpr WORD kPcmBitsPerSample = 16;

CMediaType MakePcmType(DWORD samplesPerSecond);

class CAc3Decoder : public CAvDecoderFilter {
 public:
  CAc3Decoder();
  ~CAc3Decoder() override;

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT CheckInputType(const CMediaType* mt) override;
  HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  struct Codec;
  detail::StreamDecoder* Decoder() override;
  HRESULT OnFrame(const AVFrame* frame) override;
  HRESULT DeliverFrame(const AVFrame* frame);

  std::unique_ptr<Codec> codec_;  // while streaming, under the receive lock
  DWORD samplesPerSecond_ = 48'000;
  double rate_ = 1.0;
};

}  // namespace av
