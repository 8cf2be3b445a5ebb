// Stand-ins for the network provider's tests: a tuner device filter over the
// device model whose device records (and can hold) every tune, and a
// demultiplexer that creates output pins with PID maps and logs every map and
// unmap.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bda/model/BdaDevice.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/BasePin.h"
#include "tuning/BandPlan.h"

namespace filters::test {

// A device that records tunes; with Hold() set its next tune waits for Release().
class RecordingDevice : public bda::TunerDevice {
 public:
  bool Tune(const bda::DeviceTune& tune) override {
    std::unique_lock lock(mutex_);
    inTune_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !hold_; });
    tunes_.push_back(tune);
    inTune_ = false;
    return true;
  }
  bda::SignalState Signal() const override { return {}; }

  void Hold() {
    std::lock_guard lock(mutex_);
    hold_ = true;
  }
  void Release() {
    std::lock_guard lock(mutex_);
    hold_ = false;
    changed_.notify_all();
  }
  void WaitInTune() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return inTune_; });
  }
  std::vector<bda::DeviceTune> Tunes() {
    std::lock_guard lock(mutex_);
    return tunes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool hold_ = false;
  bool inTune_ = false;
  std::vector<bda::DeviceTune> tunes_;
};

class CFakeTuner : public CUnknown, public IBDA_Topology, public IBDA_DeviceControl {
 public:
  explicit CFakeTuner(std::vector<tuning::DemodulatorFamily> families =
                          {tuning::DemodulatorFamily::kVsb, tuning::DemodulatorFamily::kQam,
                           tuning::DemodulatorFamily::kCofdm})
      : device(std::make_shared<RecordingDevice>()), model(device, std::move(families)) {}

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IBDA_Topology) return GetInterface(static_cast<IBDA_Topology*>(this), object);
    if (iid == IID_IBDA_DeviceControl)
      return GetInterface(static_cast<IBDA_DeviceControl*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT GetNodeTypes(ULONG* c, ULONG m, ULONG* t) override { return model.GetNodeTypes(c, m, t); }
  HRESULT GetNodeDescriptors(ULONG* c, ULONG m, BDANODE_DESCRIPTOR* d) override {
    return model.GetNodeDescriptors(c, m, d);
  }
  HRESULT GetNodeInterfaces(ULONG n, ULONG* c, ULONG m, GUID* i) override {
    return model.GetNodeInterfaces(n, c, m, i);
  }
  HRESULT GetPinTypes(ULONG* c, ULONG m, ULONG* t) override { return model.GetPinTypes(c, m, t); }
  HRESULT GetControlNode(ULONG in, ULONG out, ULONG n, IUnknown** node) override {
    return model.GetControlNode(in, out, n, node);
  }
  HRESULT StartChanges() override { return model.StartChanges(); }
  HRESULT CheckChanges() override { return model.CheckChanges(); }
  HRESULT CommitChanges() override { return model.CommitChanges(); }
  HRESULT GetChangeState(ULONG* s) override { return model.GetChangeState(s); }

  std::vector<ULONG> HardwarePids() {
    std::vector<ULONG> pids;
    for (const PID_MAP& m : model.State().PidFilter().Maps())
      pids.push_back(m.ulPID);
    return pids;
  }

  std::shared_ptr<RecordingDevice> device;
  bda::BdaDevice model;
};

class CFakeDemux;

class CFakeDemuxPin : public CBasePin, public IMPEG2PIDMap {
 public:
  CFakeDemuxPin(CFakeDemux* filter, CCritSec* lock, const std::u16string& name,
                const CMediaType& type, std::vector<std::string>* log);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT CheckMediaType(const CMediaType* mt) override {
    return *mt == type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT EndOfStream() override { return E_UNEXPECTED; }
  HRESULT BeginFlush() override { return E_UNEXPECTED; }
  HRESULT EndFlush() override { return E_UNEXPECTED; }

  HRESULT MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) override;
  HRESULT UnmapPID(ULONG count, ULONG* pids) override;
  HRESULT EnumPIDMap(IEnumPIDMap** maps) override;

  const CMediaType& Type() const { return type_; }
  std::map<ULONG, MEDIA_SAMPLE_CONTENT> maps;

 private:
  CMediaType type_;
  std::vector<std::string>* log_;
};

class CFakeDemux : public CBaseFilter, public IMpeg2Demultiplexer {
 public:
  CFakeDemux();
  ~CFakeDemux() override;
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  int GetPinCount() override { return static_cast<int>(pins_.size()); }
  CBasePin* GetPin(int n) override {
    return n >= 0 && n < GetPinCount() ? pins_[static_cast<std::size_t>(n)].get() : nullptr;
  }
  HRESULT CreateOutputPin(AM_MEDIA_TYPE* mt, LPWSTR name, IPin** pin) override;
  HRESULT SetOutputPinMediaType(LPWSTR, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT DeleteOutputPin(LPWSTR) override { return E_NOTIMPL; }

  CFakeDemuxPin* Pin(const std::u16string& name);
  std::vector<std::string> log;

 private:
  CCritSec lock_;
  std::vector<std::unique_ptr<CFakeDemuxPin>> pins_;
};

}  // namespace filters::test
