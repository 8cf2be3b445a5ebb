// CTee ("Smart Tee", "Video Tee"): one input, any number of outputs; every
// input sample goes to every connected output, by reference, through an output
// queue per output. Outputs share the input connection's allocator read-only.
// Connecting the last free output adds a new free one, up to 1000 outputs.
//
// Types: the input takes a type only when every connected downstream pin
// accepts it; an output takes a type only when the upstream pin and every other
// downstream pin accept it, and a connection with a type other than the
// input's reconnects the input (and an input reconnected with a new type
// reconnects the outputs), so all connections carry one type.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/InputPin.h"
#include "platform/media/OutputPin.h"
#include "platform/media/OutputQueue.h"
#include "platform/media/Seeking.h"

inline constexpr CLSID CLSID_TallowmarkTee = com::GuidOf("D955461B-864F-4E1B-8EF0-ECE4CEC2A29F");
inline constexpr int kMaxTeeOutputs = 1000;

class CTee;

class CTeeInputPin : public CBaseInputPin {
 public:
  CTeeInputPin(CTee* tee, CCritSec* lock, HRESULT* hr);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  // The types of the connected outputs, in list order: a reconnection of the
  // input to an output's type finds it here even when the type leaves its
  // format open.
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // The quality sink set on the tee (IQualityControl::SetSink), or null.
  IQualityControl* QualitySink() const { return qualitySink_.Get(); }

 private:
  CTee* tee_;
  bool inCheck_ = false;
};

class CTeeOutputPin : public CBaseOutputPin {
 public:
  CTeeOutputPin(CTee* tee, CCritSec* lock, HRESULT* hr, LPCWSTR name);
  ~CTeeOutputPin() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // IQualityControl: notices from downstream.
  HRESULT Notify(IBaseFilter* self, Quality q) override;

  // The output queue while the filter is active, else null.
  std::shared_ptr<COutputQueue> Queue();

 private:
  CTee* tee_;
  bool inCheck_ = false;
  std::mutex queueMutex_;
  std::shared_ptr<COutputQueue> queue_;
  ComPtr<CPosPassThru> seeking_;
};

class CTee : public CBaseFilter {
 public:
  CTee();
  ~CTee() override;

  // For a class-factory table (CLSID_TallowmarkTee).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

  CTeeInputPin* InputPin() { return input_.get(); }
  int OutputCount();
  CTeeOutputPin* OutputPin(int index);

  // Direct delivery: outputs made active afterwards pass samples on in the
  // input's thread instead of through a queue thread each. For a graph run
  // offline as fast as it goes. Takes effect at the next run.
  void SetDirectDelivery(bool on) { directDelivery_ = on; }
  bool DirectDelivery() const { return directDelivery_; }

 private:
  friend class CTeeInputPin;
  friend class CTeeOutputPin;

  // Adds a new output pin named after the next number (caller holds the lock).
  void AddOutputPin();
  // True when some output pin is unconnected (caller holds the lock).
  bool HasFreeOutput();
  // A snapshot of the output pins in list order.
  std::vector<CTeeOutputPin*> Outputs();

  CCritSec lock_;
  std::unique_ptr<CTeeInputPin> input_;
  // The output list has a lock of its own, held only to read or extend the
  // list: streaming calls (flushes) must not wait for the filter lock that a
  // blocked Receive holds. Pins are never removed, so pointers stay valid.
  std::mutex outputsMutex_;
  std::vector<std::unique_ptr<CTeeOutputPin>> outputs_;
  CTeeOutputPin* firstOutput_ = nullptr;
  int pinNumber_ = 0;
  CTeeOutputPin* seekingPin_ = nullptr;  // the output answering IMediaSeeking
  std::atomic<bool> directDelivery_{false};
};
