#include "platform/media/Renderer.h"

#include <chrono>

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, HRESULT* hr, LPCWSTR name)
    : CBaseInputPin("renderer input pin", renderer, renderer->FilterLock(), hr, name),
      renderer_(renderer) {}

HRESULT CRendererInputPin::Receive(IMediaSample* sample) {
  return renderer_->Receive(sample);
}

HRESULT CRendererInputPin::EndOfStream() {
  return renderer_->EndOfStream();
}

HRESULT CRendererInputPin::BeginFlush() {
  return renderer_->BeginFlush();
}

HRESULT CRendererInputPin::EndFlush() {
  return renderer_->EndFlush();
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* mt) {
  return renderer_->CheckMediaType(mt);
}

HRESULT CRendererInputPin::GetMediaType(int position, CMediaType* mt) {
  return renderer_->GetMediaType(position, mt);
}

HRESULT CRendererInputPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = CBaseInputPin::SetMediaType(mt);
  if (FAILED(hr)) return hr;
  return renderer_->SetMediaType(mt);
}

HRESULT CRendererInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  return renderer_->CompleteConnect(receivePin);
}

HRESULT CRendererInputPin::BreakConnect() {
  renderer_->BreakConnect();
  return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::QueryInternalConnections(IPin**, ULONG* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

CBaseRenderer::CBaseRenderer(REFCLSID clsid, const char* objectName, IUnknown*, HRESULT* hr,
                             LPCWSTR pinName)
    : CBaseFilter(objectName, &interfaceLock_, clsid),
      pin_(std::make_unique<CRendererInputPin>(this, hr, pinName)) {}

CBaseRenderer::~CBaseRenderer() = default;

HRESULT CBaseRenderer::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) {
    {
      CAutoLock lock(&interfaceLock_);
      if (!position_) {
        HRESULT hr = S_OK;
        position_ = new CPosPassThru("renderer seeking", nullptr, &hr, pin_.get());
      }
    }
    return position_->QueryInterface(iid, object);
  }
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

CBasePin* CBaseRenderer::GetPin(int n) {
  return n == 0 ? pin_.get() : nullptr;
}

void CBaseRenderer::WakeReceive() {
  stateChanged_.notify_all();
  wake_.Set();
}

HRESULT CBaseRenderer::Stop() {
  CAutoLock lock(&interfaceLock_);
  const HRESULT hr = CBaseFilter::Stop();
  std::lock_guard render(renderMutex_);
  endOfStream_ = false;
  completeSent_ = false;
  ready_ = true;
  WakeReceive();
  return hr;
}

HRESULT CBaseRenderer::Pause() {
  CAutoLock lock(&interfaceLock_);
  const FILTER_STATE old = state_;
  const HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr)) return hr;
  std::lock_guard render(renderMutex_);
  if (old == State_Stopped) {
    endOfStream_ = false;
    completeSent_ = false;
  }
  // Ready when unconnected, at the end of the stream, or holding a sample
  // (except a sample left from before a stop: fresh data is wanted then).
  ready_ = !pin_->IsConnected() || endOfStream_ || (haveSample_ && old != State_Stopped);
  WakeReceive();
  return ready_ ? S_OK : S_FALSE;
}

HRESULT CBaseRenderer::Run(REFERENCE_TIME start) {
  CAutoLock lock(&interfaceLock_);
  const HRESULT hr = CBaseFilter::Run(start);
  if (FAILED(hr)) return hr;
  bool complete = false;
  {
    std::lock_guard render(renderMutex_);
    complete = endOfStream_ && !haveSample_ && !completeSent_;
    if (complete) completeSent_ = true;
    WakeReceive();
  }
  if (complete) NotifyEvent(EC_COMPLETE, S_OK, 0);
  return S_OK;
}

HRESULT CBaseRenderer::GetState(DWORD milliseconds, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = state_;
  if (state_ != State_Paused) return S_OK;
  std::unique_lock render(renderMutex_);
  auto ready = [this] { return ready_ || state_ != State_Paused; };
  if (milliseconds == INFINITE) {
    stateChanged_.wait(render, ready);
  } else {
    stateChanged_.wait_for(render, std::chrono::milliseconds(milliseconds), ready);
  }
  *state = state_;
  return ready() ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

HRESULT CBaseRenderer::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(&interfaceLock_);
  const HRESULT hr = CBaseFilter::SetSyncSource(clock);
  std::lock_guard render(renderMutex_);
  renderClock_ = clock;
  WakeReceive();
  return hr;
}

HRESULT CBaseRenderer::GetMediaType(int position, CMediaType*) {
  return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT CBaseRenderer::SetMediaType(const CMediaType*) {
  return S_OK;
}

HRESULT CBaseRenderer::CompleteConnect(IPin*) {
  return S_OK;
}

HRESULT CBaseRenderer::BreakConnect() {
  return S_OK;
}

HRESULT CBaseRenderer::ShouldDrawSampleNow(IMediaSample*, REFERENCE_TIME*, REFERENCE_TIME*) {
  return S_FALSE;
}

void CBaseRenderer::OnReceiveFirstSample(IMediaSample*) {}

// A segment played at rate r presents its sample at time t at t / r: twice as
// fast at rate 2. Rates of 0 or below are never set (sources refuse them).
void CBaseRenderer::ScaleToRate(double rate, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!(rate > 0) || rate == 1.0) return;
  *start = static_cast<REFERENCE_TIME>(static_cast<double>(*start) / rate);
  *stop = static_cast<REFERENCE_TIME>(static_cast<double>(*stop) / rate);
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample) {
  HRESULT hr = pin_->CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  if (timed) ScaleToRate(pin_->CurrentRate(), &start, &stop);
  const bool now = ShouldDrawSampleNow(sample, &start, &stop) == S_OK;
  {
    std::unique_lock render(renderMutex_);
    if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
    if (haveSample_) return E_UNEXPECTED;
    haveSample_ = true;
    if (state_ == State_Paused && !ready_) OnReceiveFirstSample(sample);
    ready_ = true;
    stateChanged_.notify_all();
    for (;;) {
      if (state_ == State_Stopped || pin_->IsFlushing()) {
        haveSample_ = false;
        stateChanged_.notify_all();
        return pin_->IsFlushing() ? S_OK : VFW_E_WRONG_STATE;
      }
      if (state_ == State_Paused) {
        stateChanged_.wait(render);
        continue;
      }
      // Running.
      if (now || !timed || !renderClock_) break;
      ComPtr<IReferenceClock> clock = renderClock_;
      const REFERENCE_TIME base = start_;
      REFERENCE_TIME clockNow = 0;
      clock->GetTime(&clockNow);
      if (clockNow >= base + start) break;
      wake_.Reset();
      DWORD_PTR cookie = 0;
      if (FAILED(clock->AdviseTime(base, start < 0 ? 0 : start, &wake_, &cookie))) break;
      render.unlock();
      wake_.Wait();
      clock->Unadvise(cookie);
      render.lock();
    }
  }
  hr = DoRenderSample(sample);
  {
    std::lock_guard render(renderMutex_);
    haveSample_ = false;
    ++rendered_;
    stateChanged_.notify_all();
  }
  return hr;
}

HRESULT CBaseRenderer::EndOfStream() {
  const HRESULT hr = pin_->CheckStreaming();
  if (hr != S_OK) return hr;
  bool complete = false;
  {
    std::lock_guard render(renderMutex_);
    endOfStream_ = true;
    ready_ = true;
    stateChanged_.notify_all();
    complete = state_ == State_Running && !completeSent_;
    if (complete) completeSent_ = true;
  }
  if (complete) SendEndOfStream();
  return S_OK;
}

void CBaseRenderer::SendEndOfStream() {
  NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CBaseRenderer::BeginFlush() {
  CAutoLock lock(&interfaceLock_);
  pin_->CBaseInputPin::BeginFlush();
  std::lock_guard render(renderMutex_);
  if (state_ == State_Paused) ready_ = false;  // a new sample completes the pause again
  WakeReceive();
  return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
  CAutoLock lock(&interfaceLock_);
  {
    std::lock_guard render(renderMutex_);
    endOfStream_ = false;
    completeSent_ = false;
  }
  return pin_->CBaseInputPin::EndFlush();
}

bool CBaseRenderer::IsEndOfStream() {
  std::lock_guard render(renderMutex_);
  return endOfStream_;
}

LONG CBaseRenderer::SamplesRendered() {
  std::lock_guard render(renderMutex_);
  return rendered_;
}
