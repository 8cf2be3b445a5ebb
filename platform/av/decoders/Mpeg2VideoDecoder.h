// CMpeg2VideoDecoder ("MPEG-2 Video Decoder"): decodes an MPEG-2 video
// elementary stream with libavcodec into uncompressed pictures.
//
// Input: major type video, subtype MPEG-2 video, with an MPEG-2 video format
// block or none, as the "MPEG-2 Source" and the demultiplexer offer it; the
// stream may be cut at any byte (the parser finds the pictures), and a
// sample's start time belongs to the picture that begins in it.
//
// Output: I420 (planar 4:2:0, Y then Cb then Cr, rows packed, top row first)
// with a VIDEOINFOHEADER2 format. The connection starts with the size and
// aspect the input's format block states (720 x 480, 4:3 without one); the
// first decoded picture, and every later change of picture size, display
// aspect or interlacing in the stream's sequence headers, brings a new type
// that rides on the next output sample (the downstream pin must accept it).
// The format's interlace flags say whether the sequence is interlaced
// (progressive_sequence 0) and which field its first picture shows first;
// each sample's type-specific flags give its own field order, a repeated
// field, progressive frames (weave) and the picture type. Pictures carry the times of their input
// (reordered into display order); pictures without one follow the previous at the frame rate.
//
// After the start, a flush or a discontinuity the decoder waits for the next
// sequence header, as on entering a broadcast. Damaged pictures and packets
// the codec refuses are counted and traced, and decoding goes on. Seeking passes upstream; new
// segments (with their rate), flushes and the end of the stream pass downstream, the end after the
// pictures still held in the codec.
#pragma once

#include <memory>

#include "platform/av/decoders/AvDecoderFilter.h"
#include "platform/media/Formats.h"

inline constexpr CLSID CLSID_Mpeg2VideoDecoder =
    com::GuidOf("212690FB-83E5-4526-8FD7-74478B7939CD");

namespace av {

// What an output type states about the pictures.
struct PictureFormat {
  LONG width = 720;
  LONG height = 480;
  DWORD aspectX = 4;
  DWORD aspectY = 3;
  REFERENCE_TIME averageTimePerFrame = 333'667;
  DWORD interlaceFlags = 0;

  bool operator==(const PictureFormat&) const = default;
};

CMediaType MakeI420Type(const PictureFormat& format);
// Bytes of one I420 picture.
LONG I420Size(LONG width, LONG height);

class CMpeg2VideoDecoder : public CAvDecoderFilter {
 public:
  CMpeg2VideoDecoder();
  ~CMpeg2VideoDecoder() override;

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT CheckInputType(const CMediaType* mt) override;
  HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;

 private:
  struct Codec;
  detail::StreamDecoder* Decoder() override;
  void OnInput(const BYTE* data, int length) override;
  HRESULT OnFrame(const AVFrame* frame) override;
  HRESULT DeliverPicture(const AVFrame* frame, const PictureFormat& format);

  std::unique_ptr<Codec> codec_;     // while streaming, under the receive lock
  PictureFormat connected_;          // the input format block's, for the connection
  PictureFormat current_;            // the output pin's type
  bool progressiveSequence_ = true;  // the last sequence extension's, in input order
};

}  // namespace av
