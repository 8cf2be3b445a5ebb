#include "filters/text/TextSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/com/Profile.h"
#include "platform/com/TaskMemory.h"

namespace {

constexpr char kProfileSection[] = "TextSource";
constexpr char kParam1Key[] = "param1";
constexpr char kParam2Key[] = "param2";

constexpr DWORD kSampleIntervalMs = 1000;
constexpr REFERENCE_TIME kSampleDuration = 10'000'000;  // one second in 100 ns units
constexpr LONG kDefaultBufferCount = 16;
constexpr ULONG kPersistSize = 8;  // param1, param2: 4 bytes each

void WriteProfileInt(const char* key, LONG value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
  WriteProfileStringA(kProfileSection, key, digits);
}

void PutLe32(BYTE* out, LONG value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<BYTE>(bits >> (8 * i));
}

LONG GetLe32(const BYTE* in) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i)
    bits |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return static_cast<LONG>(bits);
}

}  // namespace

// ---- CTextSourcePin ---------------------------------------------------------

CTextSourcePin::CTextSourcePin(CTextSource* filter, HRESULT* hr)
    : CSourceStream("text source pin", hr, filter, u"Out"), owner_(filter) {}

HRESULT CTextSourcePin::GetMediaType(CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  SetTextMediaType(mt);
  return S_OK;
}

HRESULT CTextSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES want = *request;
  if (want.cBuffers == 0) want.cBuffers = kDefaultBufferCount;
  want.cbBuffer = static_cast<LONG>(kTextSampleSize);
  want.cbAlign = std::max<LONG>(want.cbAlign, 1);
  ALLOCATOR_PROPERTIES got;
  const HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  return got.cbBuffer < static_cast<LONG>(kTextSampleSize) ? E_FAIL : S_OK;
}

HRESULT CTextSourcePin::Active() {
  {
    // Called under the filter lock, which guards the filter's clock.
    std::lock_guard<std::mutex> guard(clockMutex_);
    clock_ = owner_->Clock();
  }
  return CSourceStream::Active();
}

HRESULT CTextSourcePin::Inactive() {
  const HRESULT hr = CSourceStream::Inactive();  // the thread has ended
  std::lock_guard<std::mutex> guard(clockMutex_);
  clock_.Reset();
  return hr;
}

HRESULT CTextSourcePin::OnThreadCreate() {
  samplesSent_ = 0;
  haveDue_ = false;
  return S_OK;
}

HRESULT CTextSourcePin::FillBuffer(IMediaSample* sample) {
  BYTE* data = nullptr;
  HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const std::size_t length =
      owner_->CopyRecord(data, static_cast<std::size_t>(std::max<LONG>(sample->GetSize(), 0)));
  if (length == 0) return E_FAIL;
  hr = sample->SetActualDataLength(static_cast<LONG>(length));
  if (FAILED(hr)) return hr;

  // The filter's stream time; an unpaced graph has no clock, and its samples
  // count whole seconds from the start instead.
  REFERENCE_TIME start = samplesSent_ * kSampleDuration;
  ComPtr<IReferenceClock> clock;
  {
    std::lock_guard<std::mutex> guard(clockMutex_);
    clock = clock_;
  }
  REFERENCE_TIME now = 0;
  if (clock && SUCCEEDED(clock->GetTime(&now))) start = now - owner_->StartTime();
  REFERENCE_TIME stop = start + kSampleDuration;
  ++samplesSent_;
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  return S_OK;
}

// The second between samples is a second of the graph's clock when the filter
// has one (in a live graph the system clock, so a second of wall time; a tool
// whose clock follows the stream gets one sample per second of stream), else a
// second of wall time. The thread waits on the clock's advise, so a clock that
// the command moves along (a tool's stream clock) gets its sample at once;
// commands are looked for every few milliseconds meanwhile.
//
// Each sample is due a second of the clock after the one before (the first a
// second after the thread's first wait), not a second after the wait begins:
// a clock that moved on while a sample was delivered (a tool's stream clock
// moves as soon as the sample is out) has the next one due at once. A thread
// more than a second behind its clock (a stalled live graph) takes up the
// clock's time again rather than catching up.
bool CTextSourcePin::WaitForNextSample() {
  ComPtr<IReferenceClock> clock;
  {
    std::lock_guard<std::mutex> guard(clockMutex_);
    clock = clock_;
  }
  REFERENCE_TIME now = 0;
  DWORD_PTR cookie = 0;
  wake_.Reset();
  if (!clock || FAILED(clock->GetTime(&now))) return WaitForRequest(kSampleIntervalMs);
  if (!haveDue_) {
    nextDue_ = now + kSampleDuration;
    haveDue_ = true;
  } else if (nextDue_ + kSampleDuration < now) {
    nextDue_ = now;
  }
  if (FAILED(clock->AdviseTime(nextDue_, 0, &wake_, &cookie))) {
    return WaitForRequest(kSampleIntervalMs);
  }
  constexpr DWORD kCommandCheckMs = 10;
  bool command = false;
  for (;;) {
    const bool due = wake_.Wait(kCommandCheckMs);
    command = CheckRequest(nullptr);
    if (due || command) break;
  }
  clock->Unadvise(cookie);
  // A wait that a command broke off keeps its sample due.
  if (!command) nextDue_ += kSampleDuration;
  return command;
}

HRESULT CTextSourcePin::DoBufferProcessingLoop() {
  OnThreadStartPlay();
  DWORD command = CMD_STOP;
  do {
    while (!CheckRequest(&command)) {
      if (driven_) {
        WaitForRequest(INFINITE);  // the caller delivers the samples
        continue;
      }
      // The second between samples; a command ends it and is taken above.
      if (WaitForNextSample()) continue;
      ComPtr<IMediaSample> sample;
      HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
      if (FAILED(hr)) {
        WaitForRequest(kSampleIntervalMs);  // decommitted, or no buffer yet
        continue;
      }
      hr = FillBuffer(sample.Get());
      if (FAILED(hr)) {
        sample.Reset();
        DeliverEndOfStream();
        filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
        return hr;
      }
      hr = Deliver(sample.Get());
      if (hr == S_OK) ++delivered_;
      // Downstream is flushing, stopping or failed: wait for the next command.
      if (hr != S_OK) return S_OK;
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

HRESULT CTextSourcePin::DeliverNow() {
  if (!driven_) return E_UNEXPECTED;
  ComPtr<IMediaSample> sample;
  HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  hr = FillBuffer(sample.Get());
  if (FAILED(hr)) return hr;
  hr = Deliver(sample.Get());
  if (hr == S_OK) ++delivered_;
  return hr;
}

// ---- CTextSource ------------------------------------------------------------

CTextSource::CTextSource() : CSource("Text Source", nullptr, CLSID_TextSource, nullptr) {
  param1_ = static_cast<LONG>(GetProfileIntA(kProfileSection, kParam1Key, 0));
  param2_ = static_cast<LONG>(GetProfileIntA(kProfileSection, kParam2Key, 0));
  // Until the first SetText the samples carry an empty record.
  recordLength_ = filters::EncodeTextRecord(filters::FieldsOf(tables::NowPlayingInfo{}), record_);
  HRESULT hr = S_OK;
  pin_ = std::make_unique<CTextSourcePin>(this, &hr);
}

CTextSource::~CTextSource() {
  LONG param1 = 0, param2 = 0;
  GetParams(&param1, &param2);
  WriteProfileInt(kParam1Key, param1);
  WriteProfileInt(kParam2Key, param2);
  pin_.reset();
}

CUnknown* CTextSource::CreateInstance(IUnknown*, HRESULT* hr) {
  if (hr != nullptr) *hr = S_OK;
  return new CTextSource;
}

HRESULT CreateTextSource(CTextSource** filter) {
  if (filter == nullptr) return E_POINTER;
  *filter = new CTextSource;
  (*filter)->AddRef();
  return S_OK;
}

HRESULT CTextSource::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_ITextSource) return GetInterface(static_cast<ITextSource*>(this), object);
  if (iid == IID_ISpecifyPropertyPages)
    return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
  if (iid == IID_IPersistStream) return GetInterface(static_cast<IPersistStream*>(this), object);
  return CSource::NonDelegatingQueryInterface(iid, object);
}

HRESULT CTextSource::GetParams(LONG* param1, LONG* param2) {
  if (param1 == nullptr || param2 == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> guard(textLock_);
  *param1 = param1_;
  *param2 = param2_;
  return S_OK;
}

HRESULT CTextSource::SetParams(LONG param1, LONG param2) {
  std::lock_guard<std::mutex> guard(textLock_);
  param1_ = param1;
  param2_ = param2;
  dirty_ = true;
  return S_OK;
}

HRESULT CTextSource::SetText(const tables::NowPlayingInfo* info) {
  if (info == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> guard(textLock_);
  const std::size_t length = filters::EncodeTextRecord(filters::FieldsOf(*info), record_);
  if (length == 0) return E_FAIL;  // cannot happen: a record's fields are bounded
  recordLength_ = length;
  return S_OK;
}

std::size_t CTextSource::CopyRecord(BYTE* out, std::size_t capacity) {
  std::lock_guard<std::mutex> guard(textLock_);
  if (out == nullptr || recordLength_ > capacity) return 0;
  std::memcpy(out, record_.data(), recordLength_);
  return recordLength_;
}

HRESULT CTextSource::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_TextSourcePropertyPage;
  pages->cElems = 1;
  return S_OK;
}

HRESULT CTextSource::IsDirty() {
  std::lock_guard<std::mutex> guard(textLock_);
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT CTextSource::Load(IStream* stream) {
  if (stream == nullptr) return E_POINTER;
  BYTE bytes[kPersistSize];
  ULONG read = 0;
  const HRESULT hr = stream->Read(bytes, kPersistSize, &read);
  if (FAILED(hr)) return hr;
  if (read != kPersistSize) return E_FAIL;  // a short stream leaves the parameters alone
  std::lock_guard<std::mutex> guard(textLock_);
  param1_ = GetLe32(bytes);
  param2_ = GetLe32(bytes + 4);
  dirty_ = false;
  return S_OK;
}

HRESULT CTextSource::Save(IStream* stream, BOOL clearDirty) {
  if (stream == nullptr) return E_POINTER;
  BYTE bytes[kPersistSize];
  {
    std::lock_guard<std::mutex> guard(textLock_);
    PutLe32(bytes, param1_);
    PutLe32(bytes + 4, param2_);
  }
  ULONG written = 0;
  const HRESULT hr = stream->Write(bytes, kPersistSize, &written);
  if (FAILED(hr)) return hr;
  if (written != kPersistSize) return E_FAIL;
  if (clearDirty) {
    std::lock_guard<std::mutex> guard(textLock_);
    dirty_ = false;
  }
  return S_OK;
}

HRESULT CTextSource::GetSizeMax(ULONGLONG* size) {
  if (size == nullptr) return E_POINTER;
  *size = kPersistSize;
  return S_OK;
}
