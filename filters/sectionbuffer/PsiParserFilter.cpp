#include "filters/sectionbuffer/PsiParserFilter.h"

#include <cstdio>
#include <span>

#include "common/ByteReader.h"
#include "common/TuneMark.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/MediaGuids.h"
#include "tables/sections/SectionRules.h"

namespace {

constexpr DWORD kPidMask = 0x1FFF;

void DebugTrace(const char* text) {
  std::fputs(text, stdout);
}

// The network provider among the graph's filters, found by its class id.
ComPtr<INetworkProvider> FindNetworkProvider(IFilterGraph* graph) {
  if (graph == nullptr) return nullptr;
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(&filters)) || !filters) return nullptr;
  for (;;) {
    ComPtr<IBaseFilter> filter;
    ULONG fetched = 0;
    if (filters->Next(1, &filter, &fetched) != S_OK || fetched != 1) break;
    CLSID clsid{};
    if (FAILED(filter->GetClassID(&clsid)) || clsid != CLSID_NetworkProvider) continue;
    ComPtr<INetworkProvider> provider;
    if (SUCCEEDED(filter.As(&provider))) return provider;
  }
  return nullptr;
}

}  // namespace

// ---- input pin ----------------------------------------------------------------

CPsiParserInputPin::CPsiParserInputPin(CPsiParserFilter* filter, CCritSec* filterLock, HRESULT* hr)
    : CRenderedInputPin("section buffer input", filter, filterLock, hr, u"Input") {}

HRESULT CPsiParserInputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  return mt->majortype == MEDIATYPE_MPEG2_SECTIONS ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CPsiParserInputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (mt == nullptr) return E_POINTER;
  mt->InitMediaType();
  mt->majortype = MEDIATYPE_MPEG2_SECTIONS;
  mt->subtype = MEDIASUBTYPE_None;
  mt->formattype = GUID_NULL;
  mt->bFixedSizeSamples = TRUE;
  mt->bTemporalCompression = FALSE;
  mt->lSampleSize = kSectionSampleSize;
  return S_OK;
}

HRESULT CPsiParserInputPin::CompleteConnect(IPin* receivePin) {
  HRESULT hr = CRenderedInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  ComPtr<INetworkProvider> provider = FindNetworkProvider(filter_->GetFilterGraph());
  if (!provider) return VFW_E_NOT_FOUND;
  CAutoLock lock(&queueLock_);
  provider_ = provider;
  return S_OK;
}

HRESULT CPsiParserInputPin::BreakConnect() {
  {
    CAutoLock lock(&queueLock_);
    provider_ = nullptr;
  }
  return CRenderedInputPin::BreakConnect();
}

HRESULT CPsiParserInputPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) {
    DebugTrace("invalid sample\n");
    return E_POINTER;
  }
  // The streaming checks come first and outside the queue lock: a refused
  // type change ends the stream, which takes the filter lock.
  HRESULT hr = CRenderedInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  CAutoLock lock(&queueLock_);

  // The demultiplexer puts the section's PID in the low 13 bits of the
  // type-specific flags and the tune it was received on in the upper bits; a
  // sample without extended properties reads 0 for both.
  const DWORD flags = SampleProps().dwTypeSpecificFlags;
  const auto pid = static_cast<LONG>(flags & kPidMask);

  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) {
    DebugTrace("pSample->GetPointer() failed\n");
    return hr;
  }
  if (data == nullptr) {
    DebugTrace("invalid sample\n");
    return E_POINTER;
  }
  const LONG length = sample->GetActualDataLength();
  if (length <= 0 || length > sample->GetSize()) return S_OK;
  const std::span<const std::uint8_t> section(data, static_cast<std::size_t>(length));

  if (!tables::AcceptReceivedSection(section, static_cast<std::uint16_t>(pid))) return S_OK;

  if (!provider_) return S_OK;
  filters::SectionTag tag;
  tag.pid = pid;
  ULONG tunes = 0;
  if (FAILED(provider_->GetCurrentTuningMark(&tag.tuningSpaceType, &tag.physicalChannel,
                                             &tag.modulation, &tunes))) {
    return S_OK;
  }
  if (tag.physicalChannel == 0) return S_OK;  // the provider is between channels
  // A section of an earlier tune, delivered late, is not the current channel's.
  if (!common::SameTune(common::TuneMarkOf(flags), tunes)) return S_OK;
  queue_.Push(section, tag);  // a full queue drops the section
  return S_OK;
}

HRESULT CPsiParserInputPin::BeginFlush() {
  CAutoLock filterLock(lock_);
  {
    CAutoLock lock(&queueLock_);
    queue_.Clear();
  }
  return CRenderedInputPin::BeginFlush();
}

HRESULT CPsiParserInputPin::EndFlush() {
  CAutoLock filterLock(lock_);
  return CRenderedInputPin::EndFlush();
}

HRESULT CPsiParserInputPin::EndOfStream() {
  CAutoLock filterLock(lock_);
  return CRenderedInputPin::EndOfStream();
}

bool CPsiParserInputPin::TakeSection(filters::QueuedSection* out) {
  CAutoLock lock(&queueLock_);
  return queue_.Pop(out);
}

std::size_t CPsiParserInputPin::QueuedCount() {
  CAutoLock lock(&queueLock_);
  return queue_.Size();
}

// ---- filter -------------------------------------------------------------------

CPsiParserFilter::CPsiParserFilter()
    : CBaseFilter("Tallowmark Section Buffer", &filterLock_, CLSID_PsiParserFilter) {
  HRESULT hr = S_OK;
  pin_ = std::make_unique<CPsiParserInputPin>(this, &filterLock_, &hr);
}

// The pin (and with it every queued section) goes with the filter.
CPsiParserFilter::~CPsiParserFilter() = default;

CUnknown* CPsiParserFilter::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CPsiParserFilter;
}

HRESULT CPsiParserFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IPacketBuffer) return GetInterface(static_cast<IPacketBuffer*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

CBasePin* CPsiParserFilter::GetPin(int n) {
  return n == 0 ? pin_.get() : nullptr;
}

HRESULT CPsiParserFilter::Stop() {
  CAutoLock lock(&filterLock_);
  return CBaseFilter::Stop();
}

HRESULT CPsiParserFilter::Pause() {
  CAutoLock lock(&filterLock_);
  return CBaseFilter::Pause();
}

HRESULT CPsiParserFilter::GetNextSection(BYTE** section, LONG* length, LONG* tuningSpaceType,
                                         LONG* physicalChannel, LONG* modulation, LONG* program,
                                         LONG* pid) {
  if (section == nullptr || length == nullptr || tuningSpaceType == nullptr ||
      physicalChannel == nullptr || modulation == nullptr || program == nullptr || pid == nullptr) {
    return E_POINTER;
  }
  CAutoLock lock(&filterLock_);
  filters::QueuedSection entry;
  if (!pin_->TakeSection(&entry)) return E_FAIL;
  *section = entry.bytes;
  *length = entry.length;
  *tuningSpaceType = entry.tag.tuningSpaceType;
  *physicalChannel = entry.tag.physicalChannel;
  *modulation = entry.tag.modulation;
  *program = entry.tag.program;
  *pid = entry.tag.pid;
  return S_OK;
}

// The program table is declared but never built: the answers below are those
// of an empty table.

HRESULT CPsiParserFilter::GetCurrentProgram(LONG* program) {
  if (program == nullptr) return E_POINTER;
  *program = -1;
  return S_OK;
}

HRESULT CPsiParserFilter::GetCurrentPmtVersion(LONG*) {
  return S_FALSE;
}

HRESULT CPsiParserFilter::PrintProgramTable() {
  std::fputs("PAT data:\n", stdout);
  return S_OK;
}

HRESULT CPsiParserFilter::ResetProgramTable() {
  return S_OK;
}

HRESULT CPsiParserFilter::GetProgramNumber(LONG, LONG*) {
  return E_INVALIDARG;
}

HRESULT CPsiParserFilter::GetPmtPidByIndex(LONG, LONG*) {
  return E_INVALIDARG;
}

HRESULT CPsiParserFilter::GetPmtPid(LONG, LONG*) {
  return E_INVALIDARG;
}

HRESULT CPsiParserFilter::GetPmtVersion(LONG, LONG*) {
  return E_INVALIDARG;
}

HRESULT CPsiParserFilter::GetStreamCount(LONG, LONG*) {
  return E_INVALIDARG;
}

HRESULT CPsiParserFilter::GetStreamType(LONG, LONG, LONG*) {
  return E_INVALIDARG;
}

HRESULT CPsiParserFilter::GetStreamPid(LONG, LONG, LONG*) {
  return E_INVALIDARG;
}
