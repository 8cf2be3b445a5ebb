// A network provider stand-in for the section buffer's tests: a filter with
// the provider's class id whose current tuning the test sets.
#pragma once

#include <atomic>

#include "filters/provider/INetworkProvider.h"
#include "platform/media/BaseFilter.h"

namespace filters::test {

class FakeNetworkProvider : public CBaseFilter, public INetworkProvider {
 public:
  explicit FakeNetworkProvider(const CLSID& clsid = CLSID_NetworkProvider)
      : CBaseFilter("fake network provider", &lock_, clsid) {}

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_INetworkProvider) {
      return GetInterface(static_cast<INetworkProvider*>(this), object);
    }
    return CBaseFilter::NonDelegatingQueryInterface(iid, object);
  }
  int GetPinCount() override { return 0; }
  CBasePin* GetPin(int) override { return nullptr; }

  void SetTuning(LONG type, LONG channel, LONG modulation) {
    type_ = type;
    channel_ = channel;
    modulation_ = modulation;
  }
  void FailTuning(bool fail) { fail_ = fail; }
  int TuningQueries() const { return queries_.load(); }

  HRESULT GetCurrentTuning(LONG* type, LONG* channel, LONG* modulation) override {
    ++queries_;
    if (fail_) return E_FAIL;
    *type = type_;
    *channel = channel_;
    *modulation = modulation_;
    return S_OK;
  }
  HRESULT GetCurrentTuningMark(LONG* type, LONG* channel, LONG* modulation,
                               ULONG* tuneCount) override {
    *tuneCount = 0;
    return GetCurrentTuning(type, channel, modulation);
  }
  HRESULT GetSettings(LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT PutSettings(LONG, LONG, LONG) override { return E_NOTIMPL; }
  HRESULT MapStreamPids(LONG, LONG, LONG, LONG, LONG, BOOL) override { return E_NOTIMPL; }
  HRESULT SetPsiPids(const LONG*, LONG, BOOL) override { return E_NOTIMPL; }
  HRESULT ClearPids() override { return E_NOTIMPL; }
  HRESULT Tune(LONG, LONG, LONG) override { return E_NOTIMPL; }
  HRESULT GetSupportedModulations(LONG*) override { return E_NOTIMPL; }

 private:
  CCritSec lock_;
  std::atomic<LONG> type_{0};
  std::atomic<LONG> channel_{0};
  std::atomic<LONG> modulation_{0};
  std::atomic<bool> fail_{false};
  std::atomic<int> queries_{0};
};

}  // namespace filters::test
