#include "tests/capsift/Mpeg2Encode.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace capsift::test {
namespace {

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

void Check(int result, const char* what) {
  if (result < 0) throw std::runtime_error(std::string("libavcodec: ") + what);
}

void Drain(AVCodecContext* ctx, AVPacket* packet, std::vector<EncodedPacket>& out) {
  for (;;) {
    const int r = avcodec_receive_packet(ctx, packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    Check(r, "receive packet");
    out.push_back({{packet->data, packet->data + packet->size}, packet->pts * kFrameDuration});
    av_packet_unref(packet);
  }
}

void Paint(AVFrame* frame, int n) {
  for (int y = 0; y < frame->height; ++y) {
    for (int x = 0; x < frame->width; ++x) {
      frame->data[0][y * frame->linesize[0] + x] =
          static_cast<std::uint8_t>(x * 3 + y + n * 5 + ((x / 16 + y / 16 + n / 4) % 2) * 60);
    }
  }
  for (int y = 0; y < frame->height / 2; ++y) {
    for (int x = 0; x < frame->width / 2; ++x) {
      frame->data[1][y * frame->linesize[1] + x] = static_cast<std::uint8_t>(128 + x - n);
      frame->data[2][y * frame->linesize[2] + x] = static_cast<std::uint8_t>(128 + y + n);
    }
  }
}

}  // namespace

std::vector<EncodedPacket> EncodeMpeg2(const EncodeOptions& options) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  if (codec == nullptr) throw std::runtime_error("libavcodec: no mpeg2video encoder");
  std::unique_ptr<AVCodecContext, CodecContextFree> ctx(avcodec_alloc_context3(codec));
  ctx->width = options.width;
  ctx->height = options.height;
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->time_base = AVRational{1, kFramesPerSecond};
  ctx->framerate = AVRational{kFramesPerSecond, 1};
  ctx->gop_size = options.gopSize;
  ctx->max_b_frames = options.bFrames;
  ctx->bit_rate = options.bitRate;
  if (options.closedGop) {
    ctx->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    av_opt_set_int(ctx->priv_data, "sc_threshold", 1000000000, 0);  // required with closed GOPs
  }
  if (options.interlaced) {
    ctx->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    ctx->field_order = AV_FIELD_TT;
  }
  av_opt_set_int(ctx->priv_data, "a53cc", 1, 0);
  Check(avcodec_open2(ctx.get(), codec, nullptr), "open mpeg2video");

  std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = options.width;
  frame->height = options.height;
  Check(av_frame_get_buffer(frame.get(), 0), "frame buffer");
  std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());

  std::vector<EncodedPacket> out;
  for (int n = 0; n < options.frames; ++n) {
    Check(av_frame_make_writable(frame.get()), "writable frame");
    av_frame_remove_side_data(frame.get(), AV_FRAME_DATA_A53_CC);
    Paint(frame.get(), n);
    frame->pts = n;
    if (options.interlaced) {
      frame->interlaced_frame = 1;
      frame->top_field_first = 1;
    }
    const auto constructs =
        options.constructs ? options.constructs(n) : std::vector<std::uint8_t>{};
    if (!constructs.empty()) {
      AVFrameSideData* side =
          av_frame_new_side_data(frame.get(), AV_FRAME_DATA_A53_CC, constructs.size());
      if (side == nullptr) throw std::runtime_error("libavutil: side data");
      std::copy(constructs.begin(), constructs.end(), side->data);
    }
    Check(avcodec_send_frame(ctx.get(), frame.get()), "send frame");
    Drain(ctx.get(), packet.get(), out);
  }
  Check(avcodec_send_frame(ctx.get(), nullptr), "flush");
  Drain(ctx.get(), packet.get(), out);
  return out;
}

}  // namespace capsift::test
