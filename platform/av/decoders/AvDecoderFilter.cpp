#include "platform/av/decoders/AvDecoderFilter.h"

#include <cstdio>

#include "platform/av/decoders/AvCodec.h"

namespace av {

CAvDecoderFilter::CAvDecoderFilter(const char* objectName, REFCLSID clsid, LPCWSTR inputName,
                                   LPCWSTR outputName, const char* traceName,
                                   const char* damagedWhat)
    : CTransformFilter(objectName, clsid, inputName, outputName),
      traceName_(traceName),
      damagedWhat_(damagedWhat) {}

void CAvDecoderFilter::ResetTiming() {
  discontinuity_ = true;
  haveNextTime_ = false;
  // A flush may have thrown away the sample that carried a type change (a
  // queue downstream drops what it holds): the first sample after a break
  // always carries the output type, so the renderer never keeps an old size.
  typePending_ = true;
}

void CAvDecoderFilter::StreamingStarted() {
  ResetTiming();
  codecErrorsSeen_ = 0;
}

void CAvDecoderFilter::CountError(const char* what) {
  std::uint64_t count = 0;
  counters_.Update([&](DecoderStats& s) { count = ++s.decodeErrors; });
  if (ShouldTraceError(count)) {
    std::printf("%s: %s (error %llu)\n", traceName_, what, static_cast<unsigned long long>(count));
  }
}

void CAvDecoderFilter::CountDropped() {
  counters_.Update([](DecoderStats& s) { ++s.dropped; });
}

void CAvDecoderFilter::TypeChanged() {
  typePending_ = true;
  counters_.Update([](DecoderStats& s) { ++s.typeChanges; });
}

HRESULT CAvDecoderFilter::Receive(IMediaSample* sample) {
  counters_.Update([](DecoderStats& s) { ++s.inputSamples; });
  detail::StreamDecoder* decoder = Decoder();
  if (decoder == nullptr) return E_UNEXPECTED;
  if (sample->IsDiscontinuity() == S_OK) {
    decoder->Reset();
    ResetTiming();
  }
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return S_OK;
  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  const int length = sample->GetActualDataLength();
  OnInput(data, length);
  deliverResult_ = S_OK;
  decoder->Decode(data, length, timed, start, [this](AVFrame* frame) { Decoded(frame); });
  for (; codecErrorsSeen_ < decoder->Errors(); ++codecErrorsSeen_)
    CountError(decoder->LastError().c_str());
  return FAILED(deliverResult_) ? deliverResult_ : S_OK;
}

void CAvDecoderFilter::Decoded(const AVFrame* frame) {
  if (frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT) != 0) {
    CountError(damagedWhat_);
  }
  if (FAILED(deliverResult_) || !OutputPin()->IsConnected()) {
    CountDropped();
    return;
  }
  deliverResult_ = OnFrame(frame);
}

HRESULT CAvDecoderFilter::StampAndDeliver(IMediaSample* out, std::int64_t pts,
                                          REFERENCE_TIME duration) {
  const bool timed = pts != AV_NOPTS_VALUE || haveNextTime_;
  REFERENCE_TIME start = pts != AV_NOPTS_VALUE ? pts : nextTime_;
  REFERENCE_TIME stop = start + duration;
  if (timed) {
    out->SetTime(&start, &stop);
    nextTime_ = stop;
    haveNextTime_ = true;
  } else {
    out->SetTime(nullptr, nullptr);
  }
  out->SetSyncPoint(TRUE);
  out->SetPreroll(FALSE);
  out->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
  if (typePending_) {
    CMediaType mt = OutputPin()->CurrentMediaType();
    out->SetMediaType(&mt);
  }
  const HRESULT hr = Deliver(out);
  if (SUCCEEDED(hr)) {
    discontinuity_ = false;
    typePending_ = false;
    counters_.Delivered(timed, start);
  }
  return hr;
}

HRESULT CAvDecoderFilter::EndOfStream() {
  if (detail::StreamDecoder* decoder = Decoder()) {
    deliverResult_ = S_OK;
    decoder->Drain([this](AVFrame* frame) { Decoded(frame); });
  }
  return CTransformFilter::EndOfStream();
}

HRESULT CAvDecoderFilter::EndFlush() {
  if (detail::StreamDecoder* decoder = Decoder()) decoder->Reset();
  ResetTiming();
  return CTransformFilter::EndFlush();
}

}  // namespace av
