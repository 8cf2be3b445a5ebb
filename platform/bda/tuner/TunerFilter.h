// A tuner device filter over any backend of the tuner device model.
//
// Pins: "Input" takes the network provider's antenna output (major type BDA
// antenna) and registers the filter with the provider (IBDA_NetworkProvider::
// RegisterDeviceFilter) when it connects, unregistering when it disconnects;
// "MPEG-2 Transport" delivers the transport stream (MEDIATYPE_Stream, subtype
// KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT or MEDIASUBTYPE_MPEG2_TRANSPORT,
// samples of whole 188-byte packets, no times) from one streaming thread that
// reads the backend's stream, in paused and running state alike. Without lock
// nothing is delivered. The first sample after a tune is marked as a
// discontinuity. The PID-filter node, in mode kPidFilterMappedOnly, drops the
// packets of PIDs it has not mapped. A stream that fails (the device is gone)
// ends: end of stream downstream and EC_ERRORABORT with the failure's code.
//
// Every sample carries the tune count at its read in the upper bits of its
// type-specific flags (common/TuneMark.h); IBDA_TuneCount answers the count.
//
// Control: IBDA_Topology (RF tuner, the backend's demodulators, PID filter) and
// IBDA_DeviceControl. Asked for its state while paused the filter answers
// VFW_S_CANT_CUE, as a live source does.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/bda/model/BdaDevice.h"
#include "platform/media/Source.h"

namespace bda {

// Samples of the output pin: whole packets, this many per sample at most.
inline constexpr LONG kPacketsPerSample = 256;
inline constexpr LONG kOutputBuffers = 16;

class CTunerFilter : public CSource,
                     public IBDA_Topology,
                     public IBDA_DeviceControl,
                     public IBDA_TuneCount {
 public:
  CTunerFilter(const char* objectName, REFCLSID clsid, std::shared_ptr<TunerDevice> device,
               std::shared_ptr<TunerStream> stream,
               std::vector<common::DemodulatorFamily> demodulators, HRESULT* hr);
  ~CTunerFilter() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;
  HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) override;

  // IBDA_Topology
  HRESULT GetNodeTypes(ULONG* count, ULONG max, ULONG* types) override;
  HRESULT GetNodeDescriptors(ULONG* count, ULONG max, BDANODE_DESCRIPTOR* descriptors) override;
  HRESULT GetNodeInterfaces(ULONG nodeType, ULONG* count, ULONG max, GUID* interfaces) override;
  HRESULT GetPinTypes(ULONG* count, ULONG max, ULONG* types) override;
  HRESULT GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType,
                         IUnknown** node) override;
  // IBDA_DeviceControl
  HRESULT StartChanges() override;
  HRESULT CheckChanges() override;
  HRESULT CommitChanges() override;
  HRESULT GetChangeState(ULONG* state) override;
  // IBDA_TuneCount
  HRESULT GetTuneCount(ULONG* count) override;

  BdaDevice& Model() { return model_; }
  // The failure that ended the stream, S_OK while it delivers (or may again:
  // every run starts it afresh).
  HRESULT StreamFailure() const { return streamFailure_.load(); }

 private:
  class InputPin;
  class OutputPin;

  std::shared_ptr<TunerStream> stream_;
  BdaDevice model_;
  std::unique_ptr<InputPin> input_;
  OutputPin* output_ = nullptr;  // owned by CSource (deleted in its destructor)
  std::atomic<HRESULT> streamFailure_{S_OK};
};

}  // namespace bda
