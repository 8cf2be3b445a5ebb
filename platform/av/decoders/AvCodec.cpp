#include "platform/av/decoders/AvCodec.h"

extern "C" {
#include <libavutil/error.h>
}

namespace av::detail {

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

namespace {

bool HoldsStartCode(const std::uint8_t* data, int length, int code) {
  for (int i = 0; i + 3 < length; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == code) return true;
  }
  return false;
}

}  // namespace

StreamDecoder::StreamDecoder(AVCodecID codec, Configure configure, int startCode)
    : codecId_(codec), startCode_(startCode), waiting_(startCode >= 0) {
  const AVCodec* decoder = avcodec_find_decoder(codec);
  if (decoder == nullptr) return;
  CodecPtr context(avcodec_alloc_context3(decoder));
  ParserPtr parser(av_parser_init(codec));
  PacketPtr packet(av_packet_alloc());
  FramePtr frame(av_frame_alloc());
  if (!context || !parser || !packet || !frame) return;
  // Times pass through the codec in the stream's own unit, 100 ns.
  context->pkt_timebase = AVRational{1, 10'000'000};
  if (configure) configure(context.get());
  if (avcodec_open2(context.get(), decoder, nullptr) < 0) return;
  context_ = std::move(context);
  parser_ = std::move(parser);
  packet_ = std::move(packet);
  frame_ = std::move(frame);
}

void StreamDecoder::Decode(const std::uint8_t* data, int length, bool timed, std::int64_t time,
                           const FrameSink& sink) {
  if (!Ok() || !parser_) return;
  std::int64_t pts = timed ? time : AV_NOPTS_VALUE;
  while (length > 0) {
    std::uint8_t* out = nullptr;
    int outLength = 0;
    const int used = av_parser_parse2(parser_.get(), context_.get(), &out, &outLength, data, length,
                                      pts, AV_NOPTS_VALUE, 0);
    if (used < 0) {
      ++errors_;
      lastError_ = AvErrorText(used);
      return;
    }
    data += used;
    length -= used;
    // The time belongs to the bytes it came with; the parser keeps it for
    // the frame that starts among them.
    pts = AV_NOPTS_VALUE;
    if (outLength > 0) {
      packet_->data = out;
      packet_->size = outLength;
      packet_->pts = parser_->pts;
      packet_->dts = parser_->dts;
      SendPacket(packet_.get(), sink);
    }
  }
}

void StreamDecoder::Drain(const FrameSink& sink) {
  if (!Ok()) return;
  std::uint8_t* out = nullptr;
  int outLength = 0;
  if (parser_) {
    av_parser_parse2(parser_.get(), context_.get(), &out, &outLength, nullptr, 0, AV_NOPTS_VALUE,
                     AV_NOPTS_VALUE, 0);
  }
  if (outLength > 0) {
    packet_->data = out;
    packet_->size = outLength;
    packet_->pts = parser_->pts;
    packet_->dts = parser_->dts;
    SendPacket(packet_.get(), sink);
  }
  SendPacket(nullptr, sink);
  Reset();
}

void StreamDecoder::Reset() {
  if (!Ok()) return;
  avcodec_flush_buffers(context_.get());
  parser_.reset(av_parser_init(codecId_));
  waiting_ = startCode_ >= 0;
}

void StreamDecoder::SendPacket(AVPacket* packet, const FrameSink& sink) {
  if (packet != nullptr && waiting_) {
    if (!HoldsStartCode(packet->data, packet->size, startCode_)) {
      ++skipped_;
      av_packet_unref(packet);
      return;
    }
    waiting_ = false;
  }
  const int rc = avcodec_send_packet(context_.get(), packet);
  if (rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
    ++errors_;
    lastError_ = AvErrorText(rc);
  }
  ReceiveFrames(sink);
  if (packet != nullptr) av_packet_unref(packet);
}

void StreamDecoder::ReceiveFrames(const FrameSink& sink) {
  for (;;) {
    const int rc = avcodec_receive_frame(context_.get(), frame_.get());
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
    if (rc < 0) {
      ++errors_;
      lastError_ = AvErrorText(rc);
      return;
    }
    sink(frame_.get());
    av_frame_unref(frame_.get());
  }
}

}  // namespace av::detail
