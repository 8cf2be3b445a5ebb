#include "platform/av/decoders/Mpeg2VideoDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/av/decoders/AvCodec.h"
#include "platform/media/MediaGuids.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/rational.h>
#include <libswscale/swscale.h>
}

namespace av {
namespace {

// The largest picture of main profile at high level, so that a stream that
// grows to it needs no new buffers.
constexpr LONG kLargestWidth = 1920;
constexpr LONG kLargestHeight = 1088;
constexpr LONG kBuffers = 4;
constexpr int kSequenceHeaderCode = 0xB3;

std::optional<PictureFormat> ParseVideoInfo2(const AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat == nullptr || mt.cbFormat < sizeof(VIDEOINFOHEADER2)) return std::nullopt;
  VIDEOINFOHEADER2 vih;
  std::memcpy(&vih, mt.pbFormat, sizeof vih);
  PictureFormat f;
  f.width = vih.bmiHeader.biWidth;
  f.height = std::abs(vih.bmiHeader.biHeight);
  if (f.width <= 0 || f.height <= 0) return std::nullopt;
  f.aspectX = vih.dwPictAspectRatioX;
  f.aspectY = vih.dwPictAspectRatioY;
  if (f.aspectX == 0 || f.aspectY == 0) {
    f.aspectX = static_cast<DWORD>(f.width);
    f.aspectY = static_cast<DWORD>(f.height);
  }
  if (vih.AvgTimePerFrame > 0) f.averageTimePerFrame = vih.AvgTimePerFrame;
  f.interlaceFlags = vih.dwInterlaceFlags;
  return f;
}

// `interlaced`: the sequence is not progressive (its sequence extension).
PictureFormat FormatOf(const AVFrame* frame, const AVCodecContext* context, bool interlaced) {
  PictureFormat f;
  f.width = frame->width;
  f.height = frame->height;
  AVRational sar = frame->sample_aspect_ratio;
  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
  int x = 0, y = 0;
  av_reduce(&x, &y, static_cast<std::int64_t>(frame->width) * sar.num,
            static_cast<std::int64_t>(frame->height) * sar.den, 1 << 16);
  f.aspectX = static_cast<DWORD>(x);
  f.aspectY = static_cast<DWORD>(y);
  if (context->framerate.num > 0 && context->framerate.den > 0) {
    f.averageTimePerFrame = av_rescale(10'000'000, context->framerate.den, context->framerate.num);
  }
  if (interlaced) {
    f.interlaceFlags = AMINTERLACE_IsInterlaced | AMINTERLACE_FieldPatBothRegular |
                       AMINTERLACE_DisplayModeBobOrWeave;
    if (frame->top_field_first) f.interlaceFlags |= AMINTERLACE_Field1First;
  }
  return f;
}

// The field order of single pictures may change (film carried with repeated
// fields); their samples say so, the type keeps the order of its first.
bool SameType(PictureFormat a, PictureFormat b) {
  a.interlaceFlags &= ~AMINTERLACE_Field1First;
  b.interlaceFlags &= ~AMINTERLACE_Field1First;
  return a == b;
}

// Finds the sequence extensions in a piece of the stream: -1 none, else
// its progressive_sequence flag.
int ProgressiveSequence(const std::uint8_t* data, int length) {
  int found = -1;
  for (int i = 0; i + 5 < length; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB5 &&
        (data[i + 4] >> 4) == 1) {
      found = (data[i + 5] >> 3) & 1;
    }
  }
  return found;
}

DWORD SampleFlags(const AVFrame* frame) {
  DWORD flags = 0;
  if (frame->interlaced_frame) {
    if (frame->top_field_first) flags |= AM_VIDEO_FLAG_FIELD1FIRST;
  } else {
    flags |= AM_VIDEO_FLAG_WEAVE;
  }
  if (frame->repeat_pict > 0) flags |= AM_VIDEO_FLAG_REPEAT_FIELD;
  if (frame->pict_type == AV_PICTURE_TYPE_P) flags |= AM_VIDEO_FLAG_P_SAMPLE;
  if (frame->pict_type == AV_PICTURE_TYPE_B) flags |= AM_VIDEO_FLAG_B_SAMPLE;
  return flags;
}

}  // namespace

LONG I420Size(LONG width, LONG height) {
  const LONG chroma = ((width + 1) / 2) * ((height + 1) / 2);
  return width * height + 2 * chroma;
}

CMediaType MakeI420Type(const PictureFormat& format) {
  CMediaType mt(MEDIATYPE_Video, MEDIASUBTYPE_I420);
  mt.formattype = FORMAT_VideoInfo2;
  mt.SetSampleSize(static_cast<ULONG>(I420Size(format.width, format.height)));
  mt.SetTemporalCompression(FALSE);
  VIDEOINFOHEADER2 vih;
  vih.rcSource = RECT{0, 0, format.width, format.height};
  vih.rcTarget = vih.rcSource;
  vih.AvgTimePerFrame = format.averageTimePerFrame;
  vih.dwInterlaceFlags = format.interlaceFlags;
  vih.dwPictAspectRatioX = format.aspectX;
  vih.dwPictAspectRatioY = format.aspectY;
  vih.dwBitRate = static_cast<DWORD>(std::min<std::int64_t>(
      0xFFFFFFFF, static_cast<std::int64_t>(mt.lSampleSize) * 8 * 10'000'000 /
                      std::max<REFERENCE_TIME>(1, format.averageTimePerFrame)));
  vih.bmiHeader.biWidth = format.width;
  vih.bmiHeader.biHeight = format.height;
  vih.bmiHeader.biBitCount = 12;
  vih.bmiHeader.biCompression = MakeFourCC('I', '4', '2', '0');
  vih.bmiHeader.biSizeImage = mt.lSampleSize;
  mt.SetFormat(reinterpret_cast<const BYTE*>(&vih), sizeof vih);
  return mt;
}

struct CMpeg2VideoDecoder::Codec {
  Codec()
      : decoder(
            AV_CODEC_ID_MPEG2VIDEO, [](AVCodecContext* c) { c->thread_count = 1; },
            kSequenceHeaderCode) {}
  ~Codec() { sws_freeContext(scaler); }
  detail::StreamDecoder decoder;
  SwsContext* scaler = nullptr;  // for pictures that are not 4:2:0
};

CMpeg2VideoDecoder::CMpeg2VideoDecoder()
    : CAvDecoderFilter("MPEG-2 video decoder", CLSID_Mpeg2VideoDecoder, u"Video Input",
                       u"Video Output", "MPEG-2 video decoder", "damaged picture") {}

CMpeg2VideoDecoder::~CMpeg2VideoDecoder() = default;

CUnknown* CMpeg2VideoDecoder::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CMpeg2VideoDecoder;
}

HRESULT CMpeg2VideoDecoder::CheckInputType(const CMediaType* mt) {
  if (mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_MPEG2_VIDEO) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  const bool formatKnown = mt->formattype == FORMAT_MPEG2Video || mt->formattype == FORMAT_None ||
                           mt->formattype == GUID_NULL;
  if (!formatKnown || (mt->cbFormat != 0 && mt->pbFormat == nullptr)) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return S_OK;
}

HRESULT CMpeg2VideoDecoder::CheckTransform(const CMediaType*, const CMediaType* output) {
  if (output->majortype != MEDIATYPE_Video || output->subtype != MEDIASUBTYPE_I420 ||
      output->formattype != FORMAT_VideoInfo2 || !ParseVideoInfo2(*output)) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return S_OK;
}

HRESULT CMpeg2VideoDecoder::GetMediaType(int position, CMediaType* mt) {
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mt = MakeI420Type(current_);
  return S_OK;
}

HRESULT CMpeg2VideoDecoder::SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) {
  if (direction == PINDIR_INPUT) {
    // The MPEG-2 video block begins with a VIDEOINFOHEADER2; its size and
    // aspect serve until the stream tells the real ones.
    connected_ = PictureFormat{};
    if (mt->formattype == FORMAT_MPEG2Video) {
      if (auto f = ParseVideoInfo2(*mt)) connected_ = *f;
    }
    if (!OutputPin()->IsConnected()) current_ = connected_;
  } else if (auto f = ParseVideoInfo2(*mt)) {
    current_ = *f;
  }
  return S_OK;
}

HRESULT CMpeg2VideoDecoder::DecideBufferSize(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES* request) {
  const LONG needed =
      std::max(I420Size(current_.width, current_.height), I420Size(kLargestWidth, kLargestHeight));
  ALLOCATOR_PROPERTIES want = *request, got;
  want.cBuffers = std::max(want.cBuffers, kBuffers);
  want.cbBuffer = std::max(want.cbBuffer, needed);
  want.cbAlign = std::max<LONG>(want.cbAlign, 1);
  const HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  return got.cbBuffer < I420Size(current_.width, current_.height) ? E_FAIL : S_OK;
}

HRESULT CMpeg2VideoDecoder::StartStreaming() {
  codec_ = std::make_unique<Codec>();
  if (!codec_->decoder.Ok()) {
    codec_.reset();
    std::printf("MPEG-2 video decoder: libavcodec has no mpeg2video decoder\n");
    return VFW_E_RUNTIME_ERROR;
  }
  progressiveSequence_ = true;
  StreamingStarted();
  return S_OK;
}

HRESULT CMpeg2VideoDecoder::StopStreaming() {
  codec_.reset();
  return S_OK;
}

detail::StreamDecoder* CMpeg2VideoDecoder::Decoder() {
  return codec_ ? &codec_->decoder : nullptr;
}

void CMpeg2VideoDecoder::OnInput(const BYTE* data, int length) {
  if (const int progressive = ProgressiveSequence(data, length); progressive >= 0) {
    progressiveSequence_ = progressive == 1;
  }
}

HRESULT CMpeg2VideoDecoder::OnFrame(const AVFrame* frame) {
  const PictureFormat format = FormatOf(frame, codec_->decoder.Context(), !progressiveSequence_);
  if (!SameType(format, current_)) {
    if (FAILED(OutputPin()->ChangeMediaType(MakeI420Type(format)))) {
      CountDropped();
      return S_OK;
    }
    TypeChanged();
  }
  return DeliverPicture(frame, format);
}

HRESULT CMpeg2VideoDecoder::DeliverPicture(const AVFrame* frame, const PictureFormat& format) {
  ComPtr<IMediaSample> out;
  HRESULT hr = GetDeliveryBuffer(&out);
  if (FAILED(hr)) return hr;
  const LONG size = I420Size(format.width, format.height);
  BYTE* buffer = nullptr;
  if (out->GetSize() < size || FAILED(out->GetPointer(&buffer))) {
    CountDropped();
    CountError("picture larger than the output buffers");
    return S_OK;
  }
  const int cw = (format.width + 1) / 2, ch = (format.height + 1) / 2;
  std::uint8_t* planes[3] = {buffer, buffer + format.width * format.height,
                             buffer + format.width * format.height + cw * ch};
  const int strides[3] = {format.width, cw, cw};
  if (frame->format == AV_PIX_FMT_YUV420P || frame->format == AV_PIX_FMT_YUVJ420P) {
    av_image_copy_plane(planes[0], strides[0], frame->data[0], frame->linesize[0], format.width,
                        format.height);
    for (int p = 1; p < 3; ++p)
      av_image_copy_plane(planes[p], strides[p], frame->data[p], frame->linesize[p], cw, ch);
  } else {
    // 4:2:2 and 4:4:4 pictures (high and 4:2:2 profiles) come down to 4:2:0.
    codec_->scaler = sws_getCachedContext(
        codec_->scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
        format.width, format.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (codec_->scaler == nullptr) {
      CountDropped();
      CountError("no conversion for the picture format");
      return S_OK;
    }
    sws_scale(codec_->scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
  }
  out->SetActualDataLength(size);

  // The picture's scan order and field flags travel in the sample's properties.
  ComPtr<IMediaSample2> out2;
  if (SUCCEEDED(out->QueryInterface(IID_PPV_ARGS(&out2)))) {
    AM_SAMPLE2_PROPERTIES props;
    out2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
    props.dwTypeSpecificFlags = SampleFlags(frame);
    out2->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props));
  }
  // Times: the packet's, else the previous picture's end.
  return StampAndDeliver(out.Get(), frame->best_effort_timestamp,
                         format.averageTimePerFrame * (2 + frame->repeat_pict) / 2);
}

}  // namespace av
