// What the libavcodec decoders share: owning pointers for the library's
// objects, a parser-and-decoder pair that turns an elementary stream cut at
// any byte into decoded frames, and error texts. Included only by the
// decoders' own sources (FFmpeg headers stay inside platform/av).
#pragma once

#include <functional>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace av::detail {

struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ParserDeleter {
  void operator()(AVCodecParserContext* p) const { av_parser_close(p); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserDeleter>;

std::string AvErrorText(int code);

// An elementary stream decoder: bytes with an optional time (100 ns units) go
// in, each decoded frame comes out through the callback (frames with times
// from the packet that began them). Errors of the library are counted, never
// fatal: the stream goes on with the next picture or audio frame.
class StreamDecoder {
 public:
  using FrameSink = std::function<void(AVFrame* frame)>;
  // Called before the codec opens, to set its options.
  using Configure = std::function<void(AVCodecContext* context)>;

  // With a `startCode` (the byte after 00 00 01), the stream is decoded from
  // the first packet that holds it, and again after each Reset: an MPEG-2
  // video stream entered at a random point waits for its sequence header.
  StreamDecoder(AVCodecID codec, Configure configure = nullptr, int startCode = -1);
  bool Ok() const { return context_ != nullptr; }
  AVCodecContext* Context() const { return context_.get(); }

  void Decode(const std::uint8_t* data, int length, bool timed, std::int64_t time,
              const FrameSink& sink);
  // Decodes what is buffered (end of stream) and makes ready for a new stream.
  void Drain(const FrameSink& sink);
  // Drops what is buffered (a flush or a seek).
  void Reset();
  // Packets skipped while waiting for the start code.
  std::uint64_t Skipped() const { return skipped_; }
  // Calls the library refused (packets it could not decode).
  std::uint64_t Errors() const { return errors_; }
  const std::string& LastError() const { return lastError_; }

 private:
  void SendPacket(AVPacket* packet, const FrameSink& sink);
  void ReceiveFrames(const FrameSink& sink);

  AVCodecID codecId_;
  CodecPtr context_;
  ParserPtr parser_;
  PacketPtr packet_;
  FramePtr frame_;
  int startCode_;
  bool waiting_;
  std::uint64_t skipped_ = 0;
  std::uint64_t errors_ = 0;
  std::string lastError_;
};

}  // namespace av::detail
