// The device model of one tuner filter: its nodes (RF tuner, a demodulator per
// supported family, PID filter), their topology between the input pin (type 0,
// the antenna) and the output pin (type 1, the transport stream), and the
// change transaction. A tuner filter answers IBDA_Topology and
// IBDA_DeviceControl by forwarding to these methods.
//
// Node numbers: 0 RF tuner, then the demodulators in the order given, then the
// PID filter.
#pragma once

#include <memory>
#include <vector>

#include "platform/bda/model/DeviceState.h"
#include "platform/com/ComPtr.h"

namespace bda {

inline constexpr ULONG kInputPinType = 0;
inline constexpr ULONG kOutputPinType = 1;

class BdaDevice {
 public:
  BdaDevice(std::shared_ptr<TunerDevice> device,
            std::vector<common::DemodulatorFamily> demodulators);
  ~BdaDevice();
  BdaDevice(const BdaDevice&) = delete;
  BdaDevice& operator=(const BdaDevice&) = delete;

  // IBDA_Topology
  HRESULT GetNodeTypes(ULONG* count, ULONG max, ULONG* types);
  HRESULT GetNodeDescriptors(ULONG* count, ULONG max, BDANODE_DESCRIPTOR* descriptors);
  HRESULT GetNodeInterfaces(ULONG nodeType, ULONG* count, ULONG max, GUID* interfaces);
  HRESULT GetPinTypes(ULONG* count, ULONG max, ULONG* types);
  HRESULT GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType, IUnknown** node);

  // IBDA_DeviceControl
  HRESULT StartChanges() { return state_->StartChanges(); }
  HRESULT CheckChanges() { return state_->CheckChanges(); }
  HRESULT CommitChanges() { return state_->CommitChanges(); }
  HRESULT GetChangeState(ULONG* state);

  DeviceState& State() { return *state_; }
  // The modulation-mode bits of the demodulators present (common::ModulationMask).
  common::ModulationMask SupportedModulations() const;

 private:
  struct Node {
    BDANODE_DESCRIPTOR descriptor;
    std::vector<GUID> interfaces;
    ComPtr<IUnknown> object;
  };

  std::shared_ptr<DeviceState> state_;
  std::vector<Node> nodes_;
  std::vector<common::DemodulatorFamily> demodulators_;
};

// The node type of a demodulator family.
const GUID& DemodulatorNodeType(common::DemodulatorFamily family);
// The modulation type a demodulator node is given for a band-plan modulation.
ModulationType ModulationTypeOf(common::BdaModulation modulation);

}  // namespace bda
