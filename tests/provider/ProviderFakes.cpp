#include "tests/provider/ProviderFakes.h"

#include <cstdio>

#include "platform/bda/model/Nodes.h"
#include "platform/media/Devices.h"

namespace filters::test {

namespace {
std::string Entry(const char* what, const std::u16string& pin, ULONG pid) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %s 0x%X", what, media::Narrow(pin).c_str(), pid);
  return text;
}
}  // namespace

CFakeDemuxPin::CFakeDemuxPin(CFakeDemux* filter, CCritSec* lock, const std::u16string& name,
                             const CMediaType& type, std::vector<std::string>* log)
    : CBasePin("fake demux pin", filter, lock, nullptr, name.c_str(), PINDIR_OUTPUT),
      type_(type),
      log_(log) {}

HRESULT CFakeDemuxPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMPEG2PIDMap) return GetInterface(static_cast<IMPEG2PIDMap*>(this), object);
  return CBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CFakeDemuxPin::MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) {
  for (ULONG i = 0; i < count; ++i)
    if (pids[i] > kMaxTransportPid) return E_INVALIDARG;
  for (ULONG i = 0; i < count; ++i) {
    maps[pids[i]] = content;
    log_->push_back(Entry("map", Name(), pids[i]));
  }
  return S_OK;
}

HRESULT CFakeDemuxPin::UnmapPID(ULONG count, ULONG* pids) {
  for (ULONG i = 0; i < count; ++i) {
    maps.erase(pids[i]);
    log_->push_back(Entry("unmap", Name(), pids[i]));
  }
  return S_OK;
}

HRESULT CFakeDemuxPin::EnumPIDMap(IEnumPIDMap** out) {
  std::vector<PID_MAP> list;
  for (const auto& [pid, content] : maps)
    list.push_back({pid, content});
  return bda::CreatePidMapEnum(std::move(list), out);
}

const CLSID kFakeDemuxClsid = com::GuidOf("7D1C9E52-4A3B-4E8F-9B21-0C6D5A4F3E17");

CFakeDemux::CFakeDemux() : CBaseFilter("fake demux", &lock_, kFakeDemuxClsid) {}
CFakeDemux::~CFakeDemux() = default;

HRESULT CFakeDemux::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMpeg2Demultiplexer)
    return GetInterface(static_cast<IMpeg2Demultiplexer*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT CFakeDemux::CreateOutputPin(AM_MEDIA_TYPE* mt, LPWSTR name, IPin** pin) {
  if (mt == nullptr || name == nullptr || pin == nullptr) return E_POINTER;
  pins_.push_back(std::make_unique<CFakeDemuxPin>(this, &lock_, name, CMediaType(*mt), &log));
  IncrementPinVersion();
  return GetInterface(static_cast<IPin*>(pins_.back().get()), reinterpret_cast<void**>(pin));
}

CFakeDemuxPin* CFakeDemux::Pin(const std::u16string& name) {
  for (auto& p : pins_)
    if (p->Name() == name) return p.get();
  return nullptr;
}

}  // namespace filters::test
