// The virtual tuner filter: a tuner device filter over the virtual tuner engine.
//
// Pins: "Input" takes the network provider's antenna output (major type BDA
// antenna) and registers the filter with the provider (IBDA_NetworkProvider::
// RegisterDeviceFilter) when it connects, unregistering when it disconnects;
// "MPEG-2 Transport" delivers the transport stream (MEDIATYPE_Stream, subtype
// KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT or MEDIASUBTYPE_MPEG2_TRANSPORT,
// samples of whole 188-byte packets, no times) from one streaming thread, in
// paused and running state alike. Without lock nothing is delivered. The first
// sample after a tune is marked as a discontinuity. The PID-filter node, in
// mode kPidFilterMappedOnly, drops the packets of PIDs it has not mapped.
//
// Control: IBDA_Topology (RF tuner, 8-VSB, QAM and COFDM demodulators, PID
// filter) and IBDA_DeviceControl. Asked for its state while paused the filter
// answers VFW_S_CANT_CUE, as a live source does.
#pragma once

#include <memory>

#include "platform/bda/model/BdaDevice.h"
#include "platform/bda/tuner/VirtualTunerDevice.h"
#include "platform/media/Source.h"

namespace bda {

inline constexpr CLSID CLSID_CorvaneVirtualTuner =
    com::GuidOf("8E3C5A14-6B2F-4D79-A0C1-3F5E7B9D2A61");

// Samples of the output pin: whole packets, this many per sample at most.
inline constexpr LONG kPacketsPerSample = 256;
inline constexpr LONG kOutputBuffers = 16;

class CVirtualTunerFilter : public CSource, public IBDA_Topology, public IBDA_DeviceControl {
 public:
  CVirtualTunerFilter(std::shared_ptr<vtuner::Broadcast> broadcast, HRESULT* hr);
  ~CVirtualTunerFilter() override;

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

  VirtualTunerDevice& Device() { return *device_; }
  BdaDevice& Model() { return model_; }

 private:
  class InputPin;
  class OutputPin;

  std::shared_ptr<VirtualTunerDevice> device_;
  BdaDevice model_;
  std::unique_ptr<InputPin> input_;
  OutputPin* output_ = nullptr;  // owned by CSource (deleted in its destructor)
};

}  // namespace bda
