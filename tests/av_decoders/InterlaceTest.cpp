// Interlaced MPEG-2 video as the demultiplexer delivers it (no format block):
// the output type says interlaced with the stream's field order and aspect,
// and every picture carries its field order.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/av/NullRenderer.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaGuids.h"
#include "tests/support/PushSource.h"

namespace {

constexpr int kPictures = 12;

// 720 x 480 pictures of 4:3 (pixels 8:9) coded as interlaced frames.
std::vector<std::vector<std::uint8_t>> EncodeInterlaced(bool topFieldFirst) {
  std::vector<std::vector<std::uint8_t>> packets;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  if (codec == nullptr) return packets;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = 720;
  c->height = 480;
  c->sample_aspect_ratio = {8, 9};
  c->time_base = {1001, 30000};
  c->framerate = {30000, 1001};
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->gop_size = 6;
  c->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
  c->field_order = topFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
  AVFrame* f = av_frame_alloc();
  AVPacket* p = av_packet_alloc();
  if (avcodec_open2(c, codec, nullptr) == 0) {
    f->format = c->pix_fmt;
    f->width = c->width;
    f->height = c->height;
    av_frame_get_buffer(f, 0);
    auto drain = [&] {
      while (avcodec_receive_packet(c, p) == 0) {
        packets.emplace_back(p->data, p->data + p->size);
        av_packet_unref(p);
      }
    };
    for (int i = 0; i < kPictures; ++i) {
      av_frame_make_writable(f);
      for (int plane = 0; plane < 3; ++plane)
        std::memset(f->data[plane], 40 + 10 * i + plane, f->linesize[plane] * (plane ? 240 : 480));
      f->interlaced_frame = 1;
      f->top_field_first = topFieldFirst ? 1 : 0;
      f->pts = i;
      avcodec_send_frame(c, f);
      drain();
    }
    avcodec_send_frame(c, nullptr);
    drain();
  }
  av_packet_free(&p);
  av_frame_free(&f);
  avcodec_free_context(&c);
  return packets;
}

struct Decoded {
  std::vector<DWORD> flags;
  DWORD interlaceFlags = 0;
  DWORD aspectX = 0, aspectY = 0;
};

Decoded Decode(const std::vector<std::vector<std::uint8_t>>& packets) {
  Decoded out;
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  graph->SetSyncSource(nullptr);
  ComPtr<testsupport::CPushSource> source(
      new testsupport::CPushSource(CMediaType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO), 4096));
  ComPtr<av::CMpeg2VideoDecoder> decoder(new av::CMpeg2VideoDecoder);
  HRESULT hr = S_OK;
  ComPtr<av::CNullRenderer> renderer(new av::CNullRenderer(&hr));
  renderer->SetRenderImmediately(true);
  std::mutex mutex;
  renderer->SetCallback([&](IMediaSample* sample) {
    ComPtr<IMediaSample2> sample2;
    AM_SAMPLE2_PROPERTIES props;
    if (FAILED(sample->QueryInterface(IID_PPV_ARGS(&sample2)))) return;
    sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
    std::lock_guard lock(mutex);
    out.flags.push_back(props.dwTypeSpecificFlags);
  });
  EXPECT_EQ(graph->AddFilter(source.Get(), u"Demux"), S_OK);
  EXPECT_EQ(graph->AddFilter(decoder.Get(), u"Video Decoder"), S_OK);
  EXPECT_EQ(graph->AddFilter(renderer.Get(), u"Video Renderer"), S_OK);
  EXPECT_EQ(graph->ConnectDirect(source->GetPin(0), decoder->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(graph->ConnectDirect(decoder->GetPin(1), renderer->GetPin(0), nullptr), S_OK);
  ComPtr<IMediaControl> control;
  graph->QueryInterface(IID_PPV_ARGS(&control));
  EXPECT_TRUE(SUCCEEDED(control->Run()));  // S_FALSE: paused until the first picture
  REFERENCE_TIME t = 0;
  for (const auto& packet : packets) {
    for (std::size_t pos = 0; pos < packet.size(); pos += 4096) {
      const std::size_t n = std::min<std::size_t>(4096, packet.size() - pos);
      source->Push(std::span(packet).subspan(pos, n), pos == 0 ? std::optional(t) : std::nullopt);
    }
    t += 333'667;
  }
  source->EndOfStream();
  LONG code = 0;
  ComPtr<IMediaEvent> events;
  graph->QueryInterface(IID_PPV_ARGS(&events));
  EXPECT_EQ(events->WaitForCompletion(10'000, &code), S_OK);
  VIDEOINFOHEADER2 vih;
  const CMediaType& mt = decoder->OutputPin()->CurrentMediaType();
  if (mt.cbFormat >= sizeof vih) {
    std::memcpy(&vih, mt.pbFormat, sizeof vih);
    out.interlaceFlags = vih.dwInterlaceFlags;
    out.aspectX = vih.dwPictAspectRatioX;
    out.aspectY = vih.dwPictAspectRatioY;
  }
  control->Stop();
  return out;
}

TEST(InterlacedVideo, TypeAndPicturesCarryTheFieldOrder) {
  for (bool topFirst : {true, false}) {
    SCOPED_TRACE(topFirst ? "top field first" : "bottom field first");
    const auto packets = EncodeInterlaced(topFirst);
    ASSERT_EQ(packets.size(), static_cast<std::size_t>(kPictures));
    const Decoded d = Decode(packets);
    EXPECT_EQ(d.flags.size(), static_cast<std::size_t>(kPictures));
    EXPECT_EQ(d.interlaceFlags & AMINTERLACE_IsInterlaced, AMINTERLACE_IsInterlaced);
    EXPECT_EQ((d.interlaceFlags & AMINTERLACE_Field1First) != 0, topFirst);
    EXPECT_EQ(d.aspectX, 4u);
    EXPECT_EQ(d.aspectY, 3u);
    for (DWORD f : d.flags) {
      EXPECT_EQ(f & AM_VIDEO_FLAG_WEAVE, 0u);
      EXPECT_EQ((f & AM_VIDEO_FLAG_FIELD1FIRST) != 0, topFirst);
    }
  }
}

}  // namespace
