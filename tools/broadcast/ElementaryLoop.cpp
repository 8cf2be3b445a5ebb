#include "tools/broadcast/ElementaryLoop.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include "tools/broadcast/TestPicture.h"

namespace broadcast {
namespace {

constexpr int kGopSize = 15;
constexpr std::uint64_t kFrameTicks = 3003;  // 90 kHz ticks of a 29.97 Hz frame
constexpr int kSampleRate = 48000;
constexpr int kAc3FrameSamples = 1536;
constexpr int kAudioLoopFrames = 125;  // 4.000 s
constexpr std::uint64_t kAc3FrameTicks = 2880;

struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

std::string AvError(const char* what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return std::string(what) + ": " + text;
}

// Sends one frame (or the flush with nullptr) and collects every packet that comes out.
bool Drain(AVCodecContext* codec, AVFrame* frame, std::vector<AccessUnit>& out,
           std::string& error) {
  int rc = avcodec_send_frame(codec, frame);
  if (rc < 0) {
    error = AvError("avcodec_send_frame", rc);
    return false;
  }
  PacketPtr packet(av_packet_alloc());
  for (;;) {
    rc = avcodec_receive_packet(codec, packet.get());
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
    if (rc < 0) {
      error = AvError("avcodec_receive_packet", rc);
      return false;
    }
    AccessUnit unit;
    // Timestamps are kept signed until the loop is shifted to start at 0.
    unit.pts = static_cast<std::uint64_t>(packet->pts);
    unit.dts = static_cast<std::uint64_t>(packet->dts);
    unit.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
    unit.data.assign(packet->data, packet->data + packet->size);
    out.push_back(std::move(unit));
    av_packet_unref(packet.get());
  }
}

bool EncodeVideo(const ChannelDescription& channel, const LoopOptions& options,
                 const std::vector<CaptionPair>& captions, EncodedLoop& out, std::string& error) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  if (!codec) {
    error = "no MPEG-2 video encoder in libavcodec";
    return false;
  }
  CodecPtr ctx(avcodec_alloc_context3(codec));
  ctx->width = options.width;
  ctx->height = options.height;
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->time_base = {1001, 30000};
  ctx->framerate = {30000, 1001};
  ctx->gop_size = kGopSize;
  ctx->max_b_frames = 2;
  ctx->bit_rate = options.videoBitRate;
  ctx->rc_max_rate = options.videoBitRate * 2;
  ctx->rc_buffer_size = std::min(1'835'008, options.videoBitRate);
  ctx->flags |= AV_CODEC_FLAG_CLOSED_GOP;
  ctx->thread_count = 1;
  av_opt_set_int(ctx->priv_data, "sc_threshold", 1'000'000'000, 0);  // no extra I-pictures
  av_opt_set_int(ctx->priv_data, "a53cc", 1, 0);
  if (const int rc = avcodec_open2(ctx.get(), codec, nullptr); rc < 0) {
    error = AvError("mpeg2video", rc);
    return false;
  }
  FramePtr frame(av_frame_alloc());
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = options.width;
  frame->height = options.height;
  if (const int rc = av_frame_get_buffer(frame.get(), 0); rc < 0) {
    error = AvError("av_frame_get_buffer", rc);
    return false;
  }
  std::vector<AccessUnit> units;
  const std::string number = channel.NumberText();
  for (int i = 0; i < options.frames; ++i) {
    if (const int rc = av_frame_make_writable(frame.get()); rc < 0) {
      error = AvError("av_frame_make_writable", rc);
      return false;
    }
    // The clock shows seconds and frames into the loop: "02.17".
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d.%02d", i / 30 % 100, i % 30);
    DrawTestPicture({frame->data[0], frame->linesize[0], options.width, options.height},
                    {frame->data[1], frame->linesize[1], options.width / 2, options.height / 2},
                    {frame->data[2], frame->linesize[2], options.width / 2, options.height / 2},
                    channel.programNumber + channel.major, i, number, clock);
    av_frame_remove_side_data(frame.get(), AV_FRAME_DATA_A53_CC);
    AVFrameSideData* cc = av_frame_new_side_data(frame.get(), AV_FRAME_DATA_A53_CC, 6);
    if (!cc) {
      error = "out of memory for caption side data";
      return false;
    }
    // cc_data constructs: field 1 with this frame's pair, field 2 with the null pair.
    const CaptionPair pair = captions[static_cast<std::size_t>(i)];
    const std::uint8_t bytes[6] = {0xFC, pair[0], pair[1], 0xFD, 0x80, 0x80};
    std::copy(bytes, bytes + 6, cc->data);
    frame->pts = i;
    frame->pict_type = i % kGopSize == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (!Drain(ctx.get(), frame.get(), units, error)) return false;
  }
  if (!Drain(ctx.get(), nullptr, units, error)) return false;
  if (units.size() != static_cast<std::size_t>(options.frames)) {
    error = "the video encoder returned " + std::to_string(units.size()) + " pictures";
    return false;
  }
  // Shift so that the first decoding time is 0 and turn frame counts into 90 kHz ticks.
  const auto firstDts = static_cast<std::int64_t>(units.front().dts);
  for (AccessUnit& u : units) {
    u.pts = static_cast<std::uint64_t>(static_cast<std::int64_t>(u.pts) - firstDts) * kFrameTicks;
    u.dts = static_cast<std::uint64_t>(static_cast<std::int64_t>(u.dts) - firstDts) * kFrameTicks;
  }
  out.video = std::move(units);
  out.videoDuration = static_cast<std::uint64_t>(options.frames) * kFrameTicks;
  return true;
}

bool EncodeAudio(const ChannelDescription& channel, const LoopOptions& options, EncodedLoop& out,
                 std::string& error) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AC3);
  if (!codec) {
    error = "no AC-3 encoder in libavcodec";
    return false;
  }
  CodecPtr ctx(avcodec_alloc_context3(codec));
  ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
  ctx->sample_rate = kSampleRate;
  ctx->bit_rate = options.audioBitRate;
  ctx->time_base = {1, kSampleRate};
  av_channel_layout_default(&ctx->ch_layout, 2);
  if (const int rc = avcodec_open2(ctx.get(), codec, nullptr); rc < 0) {
    error = AvError("ac3", rc);
    return false;
  }
  FramePtr frame(av_frame_alloc());
  frame->format = AV_SAMPLE_FMT_FLTP;
  frame->nb_samples = kAc3FrameSamples;
  frame->sample_rate = kSampleRate;
  av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
  if (const int rc = av_frame_get_buffer(frame.get(), 0); rc < 0) {
    error = AvError("av_frame_get_buffer", rc);
    return false;
  }
  const auto [left, right] = ChannelTone(channel);
  // Two loops' worth: the second is cut out, so that every kept frame was
  // encoded with the signal before it and the loop joins without a click.
  std::vector<AccessUnit> units;
  for (int i = 0; i < 2 * kAudioLoopFrames; ++i) {
    if (const int rc = av_frame_make_writable(frame.get()); rc < 0) {
      error = AvError("av_frame_make_writable", rc);
      return false;
    }
    for (int ch = 0; ch < 2; ++ch) {
      auto* samples = reinterpret_cast<float*>(frame->data[ch]);
      const double f = ch == 0 ? left : right;
      for (int s = 0; s < kAc3FrameSamples; ++s) {
        const double t = static_cast<double>(i * kAc3FrameSamples + s) / kSampleRate;
        samples[s] = static_cast<float>(0.25 * std::sin(2 * std::numbers::pi * f * t));
      }
    }
    frame->pts = static_cast<std::int64_t>(i) * kAc3FrameSamples;
    if (!Drain(ctx.get(), frame.get(), units, error)) return false;
  }
  if (!Drain(ctx.get(), nullptr, units, error)) return false;
  if (units.size() < 2 * kAudioLoopFrames) {
    error = "the AC-3 encoder returned too few frames";
    return false;
  }
  std::vector<AccessUnit> kept(std::make_move_iterator(units.begin() + kAudioLoopFrames),
                               std::make_move_iterator(units.begin() + 2 * kAudioLoopFrames));
  for (std::size_t i = 0; i < kept.size(); ++i) {
    kept[i].pts = kept[i].dts = i * kAc3FrameTicks;
    kept[i].key = true;
  }
  out.audio = std::move(kept);
  out.audioDuration = kAudioLoopFrames * kAc3FrameTicks;
  return true;
}

}  // namespace

std::vector<std::vector<std::string>> LoopCaptionTexts(const ChannelDescription& channel) {
  const std::string number = channel.NumberText();
  return {{"CHANNEL " + number, channel.name},
          {"THIS IS " + channel.name, "CAPTION TEST " + number}};
}

std::pair<double, double> ChannelTone(const ChannelDescription& channel) {
  const double left = 300.0 + 50.0 * ((channel.programNumber + channel.major) % 12);
  return {left, left * 1.5};
}

bool EncodeLoop(const ChannelDescription& channel, const LoopOptions& options, EncodedLoop& out,
                std::string& error) {
  out = {};
  if (options.frames <= 0 || options.frames % kGopSize != 0 || options.width < 16 ||
      options.height < 16 || options.width % 2 != 0 || options.height % 2 != 0) {
    error = "loop frames must be a multiple of 15 and the size even";
    return false;
  }
  if (channel.HasVideo()) {
    out.captions = CaptionTrack(LoopCaptionTexts(channel), options.frames);
    if (!EncodeVideo(channel, options, out.captions, out, error)) return false;
  }
  if (channel.HasAudio() && !EncodeAudio(channel, options, out, error)) return false;
  return true;
}

}  // namespace broadcast
