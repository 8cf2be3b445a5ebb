// CBasePin: connection negotiation and the common pin state.
//
// Connect (on the output pin) agrees a media type with the receiving pin: a
// fully given type is tried alone; otherwise the receiving pin's types, then
// this pin's own (or the other way round with TryMyTypesFirst), each filtered
// by a partly given type. Each attempt checks the direction (CheckConnect),
// this pin's CheckMediaType, the other side's ReceiveConnection, and
// CompleteConnect; a failure anywhere undoes the attempt (BreakConnect).
//
// Pins share their filter's reference count: AddRef and Release on a pin go to
// the filter, which owns and deletes its pins.
#pragma once

#include <atomic>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/Interfaces.h"

class CBasePin : public CUnknown, public IPin, public IQualityControl {
 public:
  CBasePin(const char* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* hr, LPCWSTR name,
           PIN_DIRECTION direction);
  ~CBasePin() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IPin
  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryId(LPWSTR* id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // IQualityControl: quality notices are not acted on by default.
  HRESULT Notify(IBaseFilter* self, Quality q) override;
  HRESULT SetSink(IQualityControl* sink) override;

  // ---- for derived pins ----
  // S_OK accepts the type; S_FALSE or a failure refuses it.
  virtual HRESULT CheckMediaType(const CMediaType* mt) = 0;
  // The position-th preferred type: S_OK, VFW_S_NO_MORE_ITEMS past the end,
  // E_INVALIDARG for a negative position. The default offers none.
  virtual HRESULT GetMediaType(int position, CMediaType* mt);
  // Records the agreed type (called before the connection completes).
  virtual HRESULT SetMediaType(const CMediaType* mt);
  // Checks the other pin before any type (default: opposite direction).
  virtual HRESULT CheckConnect(IPin* pin);
  // Undoes CheckConnect/CompleteConnect work when a connection fails or ends.
  virtual HRESULT BreakConnect();
  // Last step of a connection, on both sides (output pins agree the allocator).
  virtual HRESULT CompleteConnect(IPin* receivePin);
  // State changes of the filter, for connected pins only.
  virtual HRESULT Active();
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME start);
  // Bump when the types GetMediaType offers change (enumerators go out of sync).
  virtual LONG GetMediaTypeVersion() { return typeVersion_.load(); }
  void IncrementTypeVersion() { ++typeVersion_; }

  bool IsConnected() const { return connected_ != nullptr; }
  // The connected pin, no reference added (null when free).
  IPin* GetConnected() const { return connected_.Get(); }
  const CMediaType& CurrentMediaType() const { return mt_; }
  CBaseFilter* Filter() const { return filter_; }
  const std::u16string& Name() const { return name_; }
  PIN_DIRECTION Direction() const { return direction_; }
  bool IsStopped() const { return filter_->IsStopped(); }
  // The segment given to the last NewSegment.
  REFERENCE_TIME CurrentStartTime() const { return segmentStart_; }
  REFERENCE_TIME CurrentStopTime() const { return segmentStop_; }
  double CurrentRate() const { return segmentRate_; }
  void SetTryMyTypesFirst(bool mine) { tryMyTypesFirst_ = mine; }
  void SetReconnectWhenActive(bool allowed) { canReconnectWhenActive_ = allowed; }

 protected:
  // Drops the connection on this side only; S_FALSE when it was free.
  HRESULT DisconnectInternal();

  CBaseFilter* filter_;
  CCritSec* lock_;
  std::u16string name_;
  PIN_DIRECTION direction_;
  ComPtr<IPin> connected_;
  CMediaType mt_;
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_ = MAX_TIME;
  double segmentRate_ = 1.0;
  ComPtr<IQualityControl> qualitySink_;
  bool tryMyTypesFirst_ = false;
  bool canReconnectWhenActive_ = false;

 private:
  HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* mt);
  HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* mt, IEnumMediaTypes* types);
  HRESULT AttemptConnection(IPin* receivePin, const CMediaType* mt);

  std::atomic<LONG> typeVersion_{1};
};

// Enumerates the types a CBasePin offers through GetMediaType.
class CEnumMediaTypes : public CUnknown, public IEnumMediaTypes {
 public:
  explicit CEnumMediaTypes(CBasePin* pin, int position = 0);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMediaTypes** clone) override;

 private:
  ComPtr<IPin> hold_;  // keeps the pin's filter alive
  CBasePin* pin_;
  int position_;
  LONG version_;
};

// Enumerates the pins of a CBaseFilter.
class CEnumPins : public CUnknown, public IEnumPins {
 public:
  explicit CEnumPins(CBaseFilter* filter, int position = 0);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumPins** clone) override;

 private:
  ComPtr<IBaseFilter> hold_;
  CBaseFilter* filter_;
  int position_;
  LONG version_;
};
