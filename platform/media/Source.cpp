#include "platform/media/Source.h"

#include <algorithm>

CSource::CSource(const char* objectName, IUnknown*, REFCLSID clsid, HRESULT*)
    : CBaseFilter(objectName, &stateLock_, clsid) {}

CSource::~CSource() {
  while (!streams_.empty())
    delete streams_.back();  // each pin removes itself
}

int CSource::GetPinCount() {
  CAutoLock lock(&stateLock_);
  return static_cast<int>(streams_.size());
}

CBasePin* CSource::GetPin(int n) {
  CAutoLock lock(&stateLock_);
  if (n < 0 || n >= static_cast<int>(streams_.size())) return nullptr;
  return streams_[static_cast<std::size_t>(n)];
}

HRESULT CSource::AddPin(CSourceStream* stream) {
  CAutoLock lock(&stateLock_);
  streams_.push_back(stream);
  IncrementPinVersion();
  return S_OK;
}

HRESULT CSource::RemovePin(CSourceStream* stream) {
  CAutoLock lock(&stateLock_);
  auto it = std::find(streams_.begin(), streams_.end(), stream);
  if (it == streams_.end()) return S_FALSE;
  streams_.erase(it);
  IncrementPinVersion();
  return S_OK;
}

CSourceStream::CSourceStream(const char* objectName, HRESULT* hr, CSource* filter, LPCWSTR pinName)
    : CBaseOutputPin(objectName, filter, filter->pStateLock(), hr, pinName), source_(filter) {
  filter->AddPin(this);
}

CSourceStream::~CSourceStream() {
  source_->RemovePin(this);
}

HRESULT CSourceStream::GetMediaType(CMediaType*) {
  return E_UNEXPECTED;
}

HRESULT CSourceStream::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return GetMediaType(mt);
}

HRESULT CSourceStream::CheckMediaType(const CMediaType* mt) {
  CMediaType mine;
  if (FAILED(GetMediaType(&mine))) return E_FAIL;
  return mine == *mt ? S_OK : E_FAIL;
}

HRESULT CSourceStream::Active() {
  CAutoLock lock(lock_);
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  if (ThreadExists()) return E_UNEXPECTED;
  if (!Create()) return E_FAIL;
  hr = Init();
  if (FAILED(hr)) {
    Close();
    return hr;
  }
  return PauseThread();
}

HRESULT CSourceStream::Inactive() {
  CAutoLock lock(lock_);
  // Decommitting first releases a thread that waits for a buffer.
  const HRESULT hr = CBaseOutputPin::Inactive();
  if (ThreadExists()) {
    StopThread();
    Exit();
    Close();
  }
  return hr;
}

HRESULT CSourceStream::Run(REFERENCE_TIME) {
  if (!ThreadExists()) return S_OK;
  return RunThread();
}

DWORD CSourceStream::ThreadProc() {
  DWORD command;
  do {
    command = GetRequest();
    if (command != CMD_INIT) Reply(static_cast<DWORD>(E_UNEXPECTED));
  } while (command != CMD_INIT);
  HRESULT hr = OnThreadCreate();
  if (FAILED(hr)) {
    OnThreadDestroy();
    Reply(static_cast<DWORD>(hr));
    return 1;
  }
  Reply(S_OK);
  endOfStream_ = false;
  for (;;) {
    command = GetRequest();
    if (command == CMD_EXIT) {
      Reply(S_OK);
      break;
    }
    if (command == CMD_RUN || command == CMD_PAUSE) {
      Reply(S_OK);
      // A stream that has ended stays ended until a stop (a seek stops the
      // thread and starts it again): filling again here would send a second
      // end of stream downstream without a flush in between.
      if (!endOfStream_) DoBufferProcessingLoop();
    } else if (command == CMD_STOP) {
      endOfStream_ = false;
      Reply(S_OK);
    } else {
      Reply(static_cast<DWORD>(E_NOTIMPL));
    }
  }
  OnThreadDestroy();
  return 0;
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
  OnThreadStartPlay();
  DWORD command = CMD_STOP;
  do {
    while (!CheckRequest(&command)) {
      ComPtr<IMediaSample> sample;
      HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
      if (FAILED(hr)) {
        // Decommitted: a stop command is on its way.
        WaitForRequest(1);
        continue;
      }
      hr = FillBuffer(sample.Get());
      if (hr == S_OK) {
        hr = Deliver(sample.Get());
        if (hr != S_OK) return S_OK;
      } else if (hr == S_FALSE) {
        sample.Reset();
        endOfStream_ = true;
        DeliverEndOfStream();
        return S_OK;
      } else {
        sample.Reset();
        endOfStream_ = true;
        DeliverEndOfStream();
        filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
        return hr;
      }
    }
    // Every command but stop is answered here; stop is answered by ThreadProc.
    if (command == CMD_RUN || command == CMD_PAUSE) {
      Reply(S_OK);
    } else if (command != CMD_STOP) {
      Reply(static_cast<DWORD>(E_UNEXPECTED));
    }
  } while (command != CMD_STOP);
  return S_FALSE;
}
