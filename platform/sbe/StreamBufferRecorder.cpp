#include "platform/sbe/StreamBufferRecorder.h"

#include <system_error>

#include "platform/sbe/StreamBufferSink.h"

namespace sbe {

CStreamBufferRecorder::CStreamBufferRecorder(CStreamBufferSink* sink, std::filesystem::path file)
    : CUnknown("StreamBufferRecorder"),
      sinkReference_(static_cast<IStreamBufferSink*>(sink)),
      sink_(sink),
      file_(std::move(file)) {}

CStreamBufferRecorder::~CStreamBufferRecorder() {
  if (started_ && !stopped_) Stop(0);
  if (!started_) {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
  }
}

HRESULT CStreamBufferRecorder::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IStreamBufferRecordControl)
    return GetInterface(static_cast<IStreamBufferRecordControl*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CStreamBufferRecorder::Start(REFERENCE_TIME* start) {
  if (started_) return E_UNEXPECTED;
  const HRESULT hr = sink_->BeginRecording(this, file_);
  if (hr != S_OK) {
    lastError_ = FAILED(hr) ? hr : E_FAIL;
    return lastError_;
  }
  started_ = true;
  if (start != nullptr) *start = 0;
  return S_OK;
}

HRESULT CStreamBufferRecorder::Stop(REFERENCE_TIME) {
  if (!started_ || stopped_) return E_UNEXPECTED;
  sink_->EndRecording(this);
  stopped_ = true;
  return S_OK;
}

HRESULT CStreamBufferRecorder::GetRecordingStatus(HRESULT* lastError, BOOL* started,
                                                  BOOL* stopped) {
  if (lastError) *lastError = lastError_;
  if (started) *started = started_ ? 1 : 0;
  if (stopped) *stopped = stopped_ ? 1 : 0;
  return S_OK;
}

}  // namespace sbe
