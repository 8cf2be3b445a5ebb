#include "tests/platform_media/TestFilters.h"

#include <cstring>

namespace test {

// ---- source -------------------------------------------------------------------

CTestStream::CTestStream(CTestSource* source, HRESULT* hr, const CMediaType& type)
    : CSourceStream("test stream", hr, source, u"Out"), type_(type) {}

HRESULT CTestStream::GetMediaType(CMediaType* mt) {
  *mt = type_;
  return S_OK;
}

void CTestStream::Configure(int count, LONG size, REFERENCE_TIME duration, LONG buffers) {
  count_ = count;
  size_ = size;
  duration_ = duration;
  buffers_ = buffers;
}

void CTestStream::Restart(REFERENCE_TIME position) {
  startPosition_ = position;
  next_ = static_cast<int>(position / duration_);
  discontinuity_ = true;
}

HRESULT CTestStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES want = *request;
  if (want.cBuffers < buffers_) want.cBuffers = buffers_;
  if (want.cbBuffer < size_) want.cbBuffer = size_;
  if (want.cbAlign == 0) want.cbAlign = 1;
  const HRESULT hr = allocator->SetProperties(&want, &granted_);
  if (FAILED(hr)) return hr;
  return granted_.cbBuffer < size_ ? E_FAIL : S_OK;
}

HRESULT CTestStream::DoBufferProcessingLoop() {
  while (hold_) {
    if (!WaitForRequest(5)) continue;
    DWORD command = CMD_STOP;
    CheckRequest(&command);
    if (command != CMD_RUN && command != CMD_PAUSE) return S_FALSE;  // answered by ThreadProc
    Reply(S_OK);
  }
  return CSourceStream::DoBufferProcessingLoop();
}

HRESULT CTestStream::FillBuffer(IMediaSample* sample) {
  const int i = next_.load();
  if (i >= count_.load()) return S_FALSE;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::memset(data, i & 0xFF, static_cast<std::size_t>(size_));
  sample->SetActualDataLength(size_);
  REFERENCE_TIME start = i * duration_ - startPosition_;
  REFERENCE_TIME stop = start + duration_;
  sample->SetTime(&start, &stop);
  LONGLONG mediaStart = i, mediaStop = i + 1;
  sample->SetMediaTime(&mediaStart, &mediaStop);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
  discontinuity_ = false;
  next_ = i + 1;
  return S_OK;
}

CTestSource::CTestSource(const CMediaType& type)
    : CSource("test source", nullptr, CLSID_TestSource, nullptr), CSourceSeeking(&seekLock_) {
  HRESULT hr = S_OK;
  stream_ = new CTestStream(this, &hr, type);
  rtDuration_ = 10 * 10 * kUnitsPerMillisecond;
  rtStop_ = rtDuration_;
}

HRESULT CTestSource::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  return CSource::NonDelegatingQueryInterface(iid, object);
}

REFERENCE_TIME CTestSource::LastStart() {
  CAutoLock lock(&seekLock_);
  return rtStart_;
}

HRESULT CTestSource::ChangeStart() {
  ++startChanges_;
  // Restart delivery from the new position: flush downstream, stop the
  // thread, renumber, start it again.
  if (!stream_->ThreadExists()) {
    stream_->Restart(rtStart_);
    return S_OK;
  }
  stream_->DeliverBeginFlush();
  stream_->StopThread();
  stream_->DeliverEndFlush();
  stream_->Restart(rtStart_);
  stream_->DeliverNewSegment(rtStart_, rtStop_, rateSeeking_);
  return stream_->PauseThread();
}

HRESULT CTestSource::ChangeRate() {
  if (rateSeeking_ <= 0) {
    rateSeeking_ = 1.0;
    return E_FAIL;
  }
  return S_OK;
}

// ---- pass-through ----------------------------------------------------------------

CTestPassThrough::CTestPassThrough(bool useQueue, LONG batchSize, bool batchExact)
    : CBaseFilter("test pass-through", &lock_, CLSID_TestPassThrough),
      useQueue_(useQueue),
      batchSize_(batchSize),
      batchExact_(batchExact) {
  HRESULT hr = S_OK;
  input_ = new InputPin(this, &hr);
  output_ = new OutputPin(this, &hr);
}

CTestPassThrough::~CTestPassThrough() {
  delete output_;
  delete input_;
}

CBasePin* CTestPassThrough::GetPin(int n) {
  if (n == 0) return input_;
  if (n == 1) return output_;
  return nullptr;
}

COutputQueue* CTestPassThrough::Queue() {
  return output_->queue.get();
}

CTestPassThrough::InputPin::InputPin(CTestPassThrough* filter, HRESULT* hr)
    : CBaseInputPin("pass-through input", filter, &filter->lock_, hr, u"Input"), owner_(filter) {}

HRESULT CTestPassThrough::InputPin::CheckMediaType(const CMediaType* mt) {
  // Whatever the downstream pin accepts, when it is connected.
  IPin* downstream = owner_->output_->GetConnected();
  if (downstream != nullptr && downstream->QueryAccept(mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT CTestPassThrough::InputPin::Receive(IMediaSample* sample) {
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return owner_->output_->Deliver(sample);
}

HRESULT CTestPassThrough::InputPin::EndOfStream() {
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return owner_->output_->DeliverEndOfStream();
}

HRESULT CTestPassThrough::InputPin::BeginFlush() {
  CBaseInputPin::BeginFlush();
  return owner_->output_->DeliverBeginFlush();
}

HRESULT CTestPassThrough::InputPin::EndFlush() {
  owner_->output_->DeliverEndFlush();
  return CBaseInputPin::EndFlush();
}

HRESULT CTestPassThrough::InputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                               double rate) {
  CBasePin::NewSegment(start, stop, rate);
  return owner_->output_->DeliverNewSegment(start, stop, rate);
}

CTestPassThrough::OutputPin::OutputPin(CTestPassThrough* filter, HRESULT* hr)
    : CBaseOutputPin("pass-through output", filter, &filter->lock_, hr, u"Output"),
      owner_(filter) {}

HRESULT CTestPassThrough::OutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) {
    if (!seeking_) {
      HRESULT hr = S_OK;
      seeking_ = new CPosPassThru("pass-through seeking", nullptr, &hr, owner_->input_);
    }
    return seeking_->QueryInterface(iid, object);
  }
  return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CTestPassThrough::OutputPin::CheckMediaType(const CMediaType* mt) {
  if (!owner_->input_->IsConnected()) return VFW_E_NOT_CONNECTED;
  return *mt == owner_->input_->CurrentMediaType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTestPassThrough::OutputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0 || !owner_->input_->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  *mt = owner_->input_->CurrentMediaType();
  return S_OK;
}

HRESULT CTestPassThrough::OutputPin::DecideBufferSize(IMemAllocator* allocator,
                                                      ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES want = *request, got;
  if (want.cBuffers < 2) want.cBuffers = 2;
  if (want.cbBuffer < 188) want.cbBuffer = 188;
  return allocator->SetProperties(&want, &got);
}

HRESULT CTestPassThrough::OutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (!owner_->shareReadOnly_) return CBaseOutputPin::DecideAllocator(pin, allocator);
  IMemAllocator* shared = owner_->input_->Allocator();
  if (shared == nullptr) return VFW_E_NO_ALLOCATOR;
  const HRESULT hr = pin->NotifyAllocator(shared, TRUE);
  if (FAILED(hr)) return hr;
  *allocator = shared;
  shared->AddRef();
  return S_OK;
}

HRESULT CTestPassThrough::OutputPin::Active() {
  // A shared allocator is committed by the upstream pin.
  if (!owner_->shareReadOnly_) {
    const HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) return hr;
  }
  if (owner_->useQueue_ && !queue) {
    HRESULT hr = S_OK;
    queue = std::make_unique<COutputQueue>(GetConnected(), &hr, true, true, owner_->batchSize_,
                                           owner_->batchExact_, 10);
    if (FAILED(hr)) {
      queue.reset();
      return hr;
    }
  }
  return S_OK;
}

HRESULT CTestPassThrough::OutputPin::Inactive() {
  queue.reset();
  if (owner_->shareReadOnly_) return S_OK;
  return CBaseOutputPin::Inactive();
}

HRESULT CTestPassThrough::OutputPin::Deliver(IMediaSample* sample) {
  if (!queue) return CBaseOutputPin::Deliver(sample);
  sample->AddRef();  // the queue takes this reference
  return queue->Receive(sample);
}

HRESULT CTestPassThrough::OutputPin::DeliverEndOfStream() {
  if (!queue) return CBaseOutputPin::DeliverEndOfStream();
  queue->EOS();
  return S_OK;
}

HRESULT CTestPassThrough::OutputPin::DeliverBeginFlush() {
  if (!queue) return CBaseOutputPin::DeliverBeginFlush();
  queue->BeginFlush();
  return S_OK;
}

HRESULT CTestPassThrough::OutputPin::DeliverEndFlush() {
  if (!queue) return CBaseOutputPin::DeliverEndFlush();
  queue->EndFlush();
  return S_OK;
}

HRESULT CTestPassThrough::OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                                       double rate) {
  if (!queue) return CBaseOutputPin::DeliverNewSegment(start, stop, rate);
  queue->NewSegment(start, stop, rate);
  return S_OK;
}

// ---- sink -------------------------------------------------------------------------

CTestSink::CTestSink(const GUID& major, HRESULT refusal)
    : CBaseFilter("test sink", &lock_, CLSID_TestSink), major_(major), refusal_(refusal) {
  HRESULT hr = S_OK;
  pin_ = new Pin(this, &hr);
}

CTestSink::~CTestSink() {
  delete pin_;
}

CBasePin* CTestSink::GetPin(int n) {
  return n == 0 ? pin_ : nullptr;
}

int CTestSink::Received() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(firstBytes_.size());
}

std::vector<int> CTestSink::FirstBytes() {
  std::lock_guard lock(mutex_);
  return firstBytes_;
}

CTestSink::Pin::Pin(CTestSink* filter, HRESULT* hr)
    : CRenderedInputPin("test sink input", filter, &filter->lock_, hr, u"Input"), owner_(filter) {}

HRESULT CTestSink::Pin::CheckMediaType(const CMediaType* mt) {
  if (owner_->major_ == GUID_NULL || mt->majortype == owner_->major_) return S_OK;
  return owner_->refusal_;
}

HRESULT CTestSink::Pin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position >= static_cast<int>(owner_->offered_.size())) return VFW_S_NO_MORE_ITEMS;
  *mt = owner_->offered_[static_cast<std::size_t>(position)];
  return S_OK;
}

HRESULT CTestSink::Pin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
  if (owner_->requirements_.cBuffers == 0) return E_NOTIMPL;
  *props = owner_->requirements_;
  return S_OK;
}

HRESULT CTestSink::Pin::GetAllocator(IMemAllocator** allocator) {
  if (owner_->refuseAllocator_) return VFW_E_NO_ALLOCATOR;
  return CRenderedInputPin::GetAllocator(allocator);
}

HRESULT CTestSink::Pin::Receive(IMediaSample* sample) {
  const HRESULT hr = CRenderedInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::lock_guard lock(owner_->mutex_);
  owner_->firstBytes_.push_back(sample->GetActualDataLength() > 0 ? data[0] : -1);
  return S_OK;
}

}  // namespace test
