// Real MPEG-2 video and AC-3 from libavcodec through the sink core: the file
// is accepted by ffprobe and decodes in ffmpeg without errors, and the source
// core gives back the encoder's bytes and times.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/support/ExternalTool.h"

namespace filters {
namespace {

struct EsPacket {
  PinType pin;
  std::vector<std::uint8_t> data;
  std::int64_t pts100;
  std::int64_t order100;  // decoding time, for interleaving
};

void Drain(AVCodecContext* c, PinType pin, std::int64_t num, std::int64_t den,
           std::vector<EsPacket>& out) {
  AVPacket* pkt = av_packet_alloc();
  while (avcodec_receive_packet(c, pkt) == 0) {
    EsPacket p{pin, std::vector<std::uint8_t>(pkt->data, pkt->data + pkt->size),
               pkt->pts * 10'000'000 * num / den, pkt->dts * 10'000'000 * num / den};
    out.push_back(std::move(p));
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
}

bool EncodeVideo(int frames, std::vector<EsPacket>& out) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  if (codec == nullptr) return false;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = 352;
  c->height = 240;
  c->time_base = {1, 25};
  c->framerate = {25, 1};
  c->gop_size = 12;
  c->max_b_frames = 2;
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->bit_rate = 1'500'000;
  if (avcodec_open2(c, codec, nullptr) < 0) {
    avcodec_free_context(&c);
    return false;
  }
  AVFrame* f = av_frame_alloc();
  f->format = c->pix_fmt;
  f->width = c->width;
  f->height = c->height;
  av_frame_get_buffer(f, 0);
  for (int i = 0; i < frames; ++i) {
    av_frame_make_writable(f);
    for (int y = 0; y < c->height; ++y) {
      for (int x = 0; x < c->width; ++x) {
        f->data[0][y * f->linesize[0] + x] = static_cast<std::uint8_t>(x + y + i * 3);
      }
    }
    for (int y = 0; y < c->height / 2; ++y) {
      for (int x = 0; x < c->width / 2; ++x) {
        f->data[1][y * f->linesize[1] + x] = static_cast<std::uint8_t>(128 + y + i * 2);
        f->data[2][y * f->linesize[2] + x] = static_cast<std::uint8_t>(64 + x + i * 5);
      }
    }
    f->pts = i;
    avcodec_send_frame(c, f);
    Drain(c, PinType::kVideo, 1, 25, out);
  }
  avcodec_send_frame(c, nullptr);
  Drain(c, PinType::kVideo, 1, 25, out);
  av_frame_free(&f);
  avcodec_free_context(&c);
  return true;
}

bool EncodeAc3(double seconds, std::vector<EsPacket>& out) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AC3);
  if (codec == nullptr) return false;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->sample_fmt = AV_SAMPLE_FMT_FLTP;
  c->sample_rate = 48000;
  av_channel_layout_default(&c->ch_layout, 2);
  c->bit_rate = 192'000;
  c->time_base = {1, 48000};
  if (avcodec_open2(c, codec, nullptr) < 0) {
    avcodec_free_context(&c);
    return false;
  }
  AVFrame* f = av_frame_alloc();
  f->format = c->sample_fmt;
  f->nb_samples = c->frame_size;
  f->sample_rate = 48000;
  av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
  av_frame_get_buffer(f, 0);
  const int total = static_cast<int>(seconds * 48000);
  for (int start = 0; start < total; start += c->frame_size) {
    av_frame_make_writable(f);
    for (int ch = 0; ch < 2; ++ch) {
      auto* samples = reinterpret_cast<float*>(f->data[ch]);
      for (int i = 0; i < c->frame_size; ++i) {
        samples[i] = 0.3f * static_cast<float>(std::sin((start + i) * (ch ? 0.05 : 0.03)));
      }
    }
    f->pts = start;
    avcodec_send_frame(c, f);
    Drain(c, PinType::kAudio, 1, 48000, out);
  }
  avcodec_send_frame(c, nullptr);
  Drain(c, PinType::kAudio, 1, 48000, out);
  av_frame_free(&f);
  avcodec_free_context(&c);
  return true;
}

int RunCommand(const std::string& command, std::string& output) {
  testsupport::ToolRun run = testsupport::RunTool(command + " 2>&1");
  output = std::move(run.output);
  return run.status;
}

class AvStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EncodeVideo(75, packets_));  // three seconds
    ASSERT_TRUE(EncodeAc3(3.0, packets_));
    std::stable_sort(packets_.begin(), packets_.end(),
                     [](const EsPacket& a, const EsPacket& b) { return a.order100 < b.order100; });
    // Start one second in, as a live stream would.
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(dir_.File("av.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
    std::int64_t nextText = 0;
    for (const EsPacket& p : packets_) {
      const std::int64_t start = p.pts100 + 10'000'000;
      feeder.clock.streamTime = p.order100 + 10'000'000;
      while (nextText <= p.order100) {
        const std::vector<std::uint8_t> text = {0x0C, 0x01, 0x00, 'T', 0x00};
        feeder.Send(PinType::kText, text, nextText + 10'000'000);
        nextText += 10'000'000;
      }
      auto& sent = p.pin == PinType::kVideo ? video_ : audio_;
      sent.insert(sent.end(), p.data.begin(), p.data.end());
      for (std::size_t off = 0; off < p.data.size(); off += 4096) {
        const std::vector<std::uint8_t> piece(
            p.data.begin() + static_cast<std::ptrdiff_t>(off),
            p.data.begin() + static_cast<std::ptrdiff_t>(std::min(p.data.size(), off + 4096)));
        feeder.Send(p.pin, piece, off == 0 ? std::optional<std::int64_t>(start) : std::nullopt);
      }
    }
    sink.Stop();
    path_ = dir_.Path() / "av.mpg";
  }

  test::TempDir dir_;
  std::vector<EsPacket> packets_;
  std::vector<std::uint8_t> video_, audio_;
  std::filesystem::path path_;
};

TEST_F(AvStreams, FfprobeAndFfmpegAcceptTheFile) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  std::string out;
  ASSERT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name,codec_type -of csv=p=0 '" +
                           path_.string() + "'",
                       out),
            0)
      << out;
  EXPECT_NE(out.find("mpeg2video,video"), std::string::npos) << out;
  EXPECT_NE(out.find("ac3,audio"), std::string::npos) << out;
  // Exactly two streams: the text stream (private stream 2) is not one.
  std::size_t streams = 0;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    streams += line.empty() ? 0 : 1;
  EXPECT_EQ(streams, 2u) << out;

  ASSERT_EQ(RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 '" +
                           path_.string() + "'",
                       out),
            0);
  const double duration = std::atof(out.c_str());
  EXPECT_GT(duration, 2.0) << out;
  EXPECT_LT(duration, 4.0) << out;

  ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -i '" + path_.string() + "' -f null -", out), 0)
      << out;
  EXPECT_EQ(out, "");
}

TEST_F(AvStreams, SyncFrameCountsMatchTheEncoderFrames) {
  // The CRC test must accept every frame a real encoder writes.
  std::size_t frameSize = 0;
  for (const EsPacket& p : packets_) {
    if (p.pin == PinType::kAudio) frameSize = p.data.size();
  }
  ASSERT_EQ(frameSize, 768u);  // 192 kbit/s at 48 kHz: one frame per packet
  const auto packs = test::DecodeFile(test::ReadAll(path_));
  std::size_t frames = 0, audioBytes = 0;
  for (const auto& p : packs) {
    if (p.streamId != 0xBD) continue;
    frames += p.substream.at(1);
    // Frames start at multiples of the frame size in the audio stream.
    const std::size_t expected = (audioBytes + p.payload.size() + frameSize - 1) / frameSize -
                                 (audioBytes + frameSize - 1) / frameSize;
    EXPECT_EQ(p.substream[1], expected) << "at " << audioBytes;
    audioBytes += p.payload.size();
    if (p.substream[1] > 0) {
      const std::size_t first = static_cast<std::size_t>(p.substream[2] << 8 | p.substream[3]);
      ASSERT_GE(first, 1u);
      EXPECT_EQ(p.payload.at(first - 1), 0x0B);
      EXPECT_EQ(p.payload.at(first), 0x77);
    }
  }
  EXPECT_EQ(frames, audioBytes / frameSize);
}

TEST_F(AvStreams, SourceReturnsEncoderBytesAndTimes) {
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(test::U16(path_).c_str()), S_OK);
  std::vector<std::uint8_t> video, audio;
  std::vector<std::int64_t> videoTimes;
  SourceRead read;
  while (source.ReadNext(read) == ReadStatus::kData) {
    for (const auto& p : read.payloads) {
      auto& target = p.stream == PinType::kVideo ? video : audio;
      if (p.stream == PinType::kText) continue;
      target.insert(target.end(), p.bytes.begin(), p.bytes.end());
      if (p.stream == PinType::kVideo && p.hasPts) videoTimes.push_back(p.pts100);
    }
  }
  ASSERT_GT(video.size(), video_.size() / 2);
  EXPECT_TRUE(std::equal(video.begin(), video.end(), video_.begin()));
  ASSERT_GT(audio.size(), audio_.size() / 2);
  EXPECT_TRUE(std::equal(audio.begin(), audio.end(), audio_.begin()));
  // Each video time is an encoder PTS plus the one-second start and the file offset.
  std::size_t next = 0;
  for (const EsPacket& p : packets_) {
    if (p.pin != PinType::kVideo || next >= videoTimes.size()) continue;
    EXPECT_LE(std::abs(videoTimes[next] - (p.pts100 + 20'000'000)), 112) << next;
    ++next;
  }
  EXPECT_EQ(next, videoTimes.size());
}

}  // namespace
}  // namespace filters
