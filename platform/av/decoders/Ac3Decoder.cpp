#include "platform/av/decoders/Ac3Decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/av/decoders/AvCodec.h"
#include "platform/media/MediaGuids.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace av {
namespace {

constexpr LONG kBuffers = 8;
constexpr LONG kBufferBytes = 32'768;  // an AC-3 frame (1536 samples) slowed to rate 1/4, and more
constexpr double kSlowestRate = 0.25;
constexpr double kFastestRate = 4.0;
constexpr int kBytesPerFrame = kPcmChannels * kPcmBitsPerSample / 8;

struct SwrDeleter {
  void operator()(SwrContext* s) const { swr_free(&s); }
};

}  // namespace

CMediaType MakePcmType(DWORD samplesPerSecond) {
  CMediaType mt(MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
  mt.formattype = FORMAT_WaveFormatEx;
  mt.SetSampleSize(kBytesPerFrame);
  WAVEFORMATEX wf;
  wf.wFormatTag = WAVE_FORMAT_PCM;
  wf.nChannels = kPcmChannels;
  wf.nSamplesPerSec = samplesPerSecond;
  wf.nBlockAlign = kBytesPerFrame;
  wf.nAvgBytesPerSec = samplesPerSecond * kBytesPerFrame;
  wf.wBitsPerSample = kPcmBitsPerSample;
  mt.SetFormat(reinterpret_cast<const BYTE*>(&wf), sizeof wf);
  return mt;
}

struct CAc3Decoder::Codec {
  Codec()
      : decoder(AV_CODEC_ID_AC3, [](AVCodecContext* c) {
          // The decoder mixes down with the stream's centre and surround levels.
          av_opt_set(c->priv_data, "downmix", "stereo", 0);
        }) {}
  detail::StreamDecoder decoder;
  std::unique_ptr<SwrContext, SwrDeleter> resampler;
  // What the resampler was made for.
  AVChannelLayout layout{};
  int format = -1;
  int inputRate = 0;
  int outputRate = 0;
  ~Codec() { av_channel_layout_uninit(&layout); }
};

CAc3Decoder::CAc3Decoder()
    : CAvDecoderFilter("AC-3 audio decoder", CLSID_Ac3AudioDecoder, u"Audio Input", u"Audio Output",
                       "AC-3 decoder", "damaged frame") {}

CAc3Decoder::~CAc3Decoder() = default;

CUnknown* CAc3Decoder::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CAc3Decoder;
}

HRESULT CAc3Decoder::CheckInputType(const CMediaType* mt) {
  if (mt->majortype != MEDIATYPE_Audio || mt->subtype != MEDIASUBTYPE_DOLBY_AC3) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  const bool formatKnown = mt->formattype == FORMAT_WaveFormatEx || mt->formattype == FORMAT_None ||
                           mt->formattype == GUID_NULL;
  if (!formatKnown || (mt->cbFormat != 0 && mt->pbFormat == nullptr)) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return S_OK;
}

HRESULT CAc3Decoder::CheckTransform(const CMediaType*, const CMediaType* output) {
  if (output->majortype != MEDIATYPE_Audio || output->subtype != MEDIASUBTYPE_PCM ||
      output->formattype != FORMAT_WaveFormatEx || output->cbFormat < sizeof(WAVEFORMATEX)) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  WAVEFORMATEX wf;
  std::memcpy(&wf, output->pbFormat, sizeof wf);
  const bool ours = wf.wFormatTag == WAVE_FORMAT_PCM && wf.nChannels == kPcmChannels &&
                    wf.wBitsPerSample == kPcmBitsPerSample && wf.nSamplesPerSec > 0;
  return ours ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAc3Decoder::GetMediaType(int position, CMediaType* mt) {
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mt = MakePcmType(samplesPerSecond_);
  return S_OK;
}

HRESULT CAc3Decoder::SetMediaType(PIN_DIRECTION direction, const CMediaType* mt) {
  if (mt->formattype != FORMAT_WaveFormatEx || mt->cbFormat < sizeof(WAVEFORMATEX)) return S_OK;
  WAVEFORMATEX wf;
  std::memcpy(&wf, mt->pbFormat, sizeof wf);
  // The input's rate serves until the stream tells its own.
  if (wf.nSamplesPerSec > 0 && (direction == PINDIR_OUTPUT || !OutputPin()->IsConnected())) {
    samplesPerSecond_ = wf.nSamplesPerSec;
  }
  return S_OK;
}

HRESULT CAc3Decoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES want = *request, got;
  want.cBuffers = std::max(want.cBuffers, kBuffers);
  want.cbBuffer = std::max(want.cbBuffer, kBufferBytes);
  want.cbAlign = std::max<LONG>(want.cbAlign, 1);
  const HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  return got.cbBuffer < kBufferBytes ? E_FAIL : S_OK;
}

HRESULT CAc3Decoder::StartStreaming() {
  codec_ = std::make_unique<Codec>();
  if (!codec_->decoder.Ok()) {
    codec_.reset();
    std::printf("AC-3 decoder: libavcodec has no ac3 decoder\n");
    return VFW_E_RUNTIME_ERROR;
  }
  StreamingStarted();
  return S_OK;
}

HRESULT CAc3Decoder::StopStreaming() {
  codec_.reset();
  return S_OK;
}

detail::StreamDecoder* CAc3Decoder::Decoder() {
  return codec_ ? &codec_->decoder : nullptr;
}

HRESULT CAc3Decoder::OnFrame(const AVFrame* f) {
  if (f->sample_rate <= 0 || f->nb_samples <= 0) {
    CountDropped();
    return S_OK;
  }
  if (static_cast<DWORD>(f->sample_rate) != samplesPerSecond_) {
    if (FAILED(OutputPin()->ChangeMediaType(MakePcmType(static_cast<DWORD>(f->sample_rate))))) {
      CountDropped();
      return S_OK;
    }
    TypeChanged();
  }
  return DeliverFrame(f);
}

HRESULT CAc3Decoder::DeliverFrame(const AVFrame* f) {
  Codec& c = *codec_;
  // At rate r the resampler takes the frame as if recorded at r times its
  // sample rate.
  const double rate = std::clamp(rate_, kSlowestRate, kFastestRate);
  const int inputRate = static_cast<int>(std::lround(f->sample_rate * rate));
  if (!c.resampler || c.format != f->format || c.inputRate != inputRate ||
      c.outputRate != f->sample_rate || av_channel_layout_compare(&c.layout, &f->ch_layout) != 0) {
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, f->sample_rate,
                            const_cast<AVChannelLayout*>(&f->ch_layout),
                            static_cast<AVSampleFormat>(f->format), inputRate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
      swr_free(&swr);
      c.resampler.reset();
      CountError("no conversion for the audio format");
      return S_OK;
    }
    c.resampler.reset(swr);
    av_channel_layout_uninit(&c.layout);
    av_channel_layout_copy(&c.layout, &f->ch_layout);
    c.format = f->format;
    c.inputRate = inputRate;
    c.outputRate = f->sample_rate;
  }

  ComPtr<IMediaSample> out;
  HRESULT hr = GetDeliveryBuffer(&out);
  if (FAILED(hr)) return hr;
  BYTE* buffer = nullptr;
  out->GetPointer(&buffer);
  const int capacity = out->GetSize() / kBytesPerFrame;
  const int converted =
      swr_convert(c.resampler.get(), &buffer, capacity,
                  const_cast<const std::uint8_t**>(f->extended_data), f->nb_samples);
  if (converted < 0) {
    CountError("audio conversion failed");
    return S_OK;
  }
  out->SetActualDataLength(converted * kBytesPerFrame);

  return StampAndDeliver(out.Get(), f->best_effort_timestamp,
                         av_rescale(f->nb_samples, 10'000'000, f->sample_rate));
}

HRESULT CAc3Decoder::EndFlush() {
  if (codec_) codec_->resampler.reset();
  return CAvDecoderFilter::EndFlush();
}

HRESULT CAc3Decoder::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (rate > 0) rate_ = rate;
  return CAvDecoderFilter::NewSegment(start, stop, rate);
}

}  // namespace av
