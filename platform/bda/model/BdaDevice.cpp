#include "platform/bda/model/BdaDevice.h"

#include <algorithm>

#include "platform/bda/model/Nodes.h"

namespace bda {

using common::DemodulatorFamily;

const GUID& DemodulatorNodeType(DemodulatorFamily family) {
  switch (family) {
    case DemodulatorFamily::kVsb:
      return KSNODE_BDA_8VSB_DEMODULATOR;
    case DemodulatorFamily::kQam:
      return KSNODE_BDA_QAM_DEMODULATOR;
    case DemodulatorFamily::kCofdm:
      return KSNODE_BDA_COFDM_DEMODULATOR;
    case DemodulatorFamily::kNone:
      break;
  }
  return GUID_NULL;
}

ModulationType ModulationTypeOf(common::BdaModulation modulation) {
  switch (modulation) {
    case common::BdaModulation::k8Vsb:
      return BDA_MOD_8VSB;
    case common::BdaModulation::kQpsk:
      return BDA_MOD_QPSK;
    case common::BdaModulation::k16Qam:
      return BDA_MOD_16QAM;
    case common::BdaModulation::k64Qam:
      return BDA_MOD_64QAM;
    case common::BdaModulation::k256Qam:
      return BDA_MOD_256QAM;
  }
  return BDA_MOD_NOT_SET;
}

BdaDevice::BdaDevice(std::shared_ptr<TunerDevice> device,
                     std::vector<DemodulatorFamily> demodulators)
    : state_(std::make_shared<DeviceState>(std::move(device))),
      demodulators_(std::move(demodulators)) {
  auto add = [this](const GUID& function, std::vector<GUID> interfaces, IUnknown* object) {
    Node node;
    node.descriptor.ulBdaNodeType = static_cast<ULONG>(nodes_.size());
    node.descriptor.guidFunction = function;
    node.descriptor.guidName = function;
    node.interfaces = std::move(interfaces);
    node.object = object;
    nodes_.push_back(std::move(node));
  };
  add(KSNODE_BDA_RF_TUNER, {IID_IBDA_FrequencyFilter, IID_IBDA_LNBInfo, IID_IBDA_SignalStatistics},
      static_cast<IBDA_FrequencyFilter*>(new CRfTunerNode(state_)));
  for (DemodulatorFamily family : demodulators_) {
    add(DemodulatorNodeType(family), {IID_IBDA_DigitalDemodulator, IID_IBDA_AutoDemodulate},
        static_cast<IBDA_DigitalDemodulator*>(new CDemodulatorNode(state_, family)));
  }
  add(KSNODE_BDA_PID_FILTER, {IID_IBDA_PidFilter, IID_IMPEG2PIDMap},
      static_cast<IBDA_PidFilter*>(new CPidFilterNode(state_)));
}

BdaDevice::~BdaDevice() = default;

HRESULT BdaDevice::GetNodeTypes(ULONG* count, ULONG max, ULONG* types) {
  if (count == nullptr || (max > 0 && types == nullptr)) return E_POINTER;
  *count = static_cast<ULONG>(nodes_.size());
  for (ULONG i = 0; i < std::min<ULONG>(max, *count); ++i)
    types[i] = nodes_[i].descriptor.ulBdaNodeType;
  return S_OK;
}

HRESULT BdaDevice::GetNodeDescriptors(ULONG* count, ULONG max, BDANODE_DESCRIPTOR* descriptors) {
  if (count == nullptr || (max > 0 && descriptors == nullptr)) return E_POINTER;
  *count = static_cast<ULONG>(nodes_.size());
  for (ULONG i = 0; i < std::min<ULONG>(max, *count); ++i)
    descriptors[i] = nodes_[i].descriptor;
  return S_OK;
}

HRESULT BdaDevice::GetNodeInterfaces(ULONG nodeType, ULONG* count, ULONG max, GUID* interfaces) {
  if (count == nullptr || (max > 0 && interfaces == nullptr)) return E_POINTER;
  if (nodeType >= nodes_.size()) return BDA_E_NOT_FOUND;
  const auto& list = nodes_[nodeType].interfaces;
  *count = static_cast<ULONG>(list.size());
  for (ULONG i = 0; i < std::min<ULONG>(max, *count); ++i)
    interfaces[i] = list[i];
  return S_OK;
}

HRESULT BdaDevice::GetPinTypes(ULONG* count, ULONG max, ULONG* types) {
  if (count == nullptr || (max > 0 && types == nullptr)) return E_POINTER;
  *count = 2;
  if (max > 0) types[0] = kInputPinType;
  if (max > 1) types[1] = kOutputPinType;
  return S_OK;
}

HRESULT BdaDevice::GetControlNode(ULONG inputPinId, ULONG outputPinId, ULONG nodeType,
                                  IUnknown** node) {
  if (node == nullptr) return E_POINTER;
  *node = nullptr;
  if (inputPinId != kInputPinType || outputPinId != kOutputPinType) return BDA_E_NOT_FOUND;
  if (nodeType >= nodes_.size()) return BDA_E_NOT_FOUND;
  return GetInterface(nodes_[nodeType].object.Get(), reinterpret_cast<void**>(node));
}

HRESULT BdaDevice::GetChangeState(ULONG* state) {
  if (state == nullptr) return E_POINTER;
  *state = state_->ChangeState();
  return S_OK;
}

common::ModulationMask BdaDevice::SupportedModulations() const {
  common::ModulationMask mask = 0;
  for (DemodulatorFamily family : demodulators_) {
    if (family == DemodulatorFamily::kVsb) mask |= common::kVsbModes;
    if (family == DemodulatorFamily::kQam) mask |= common::kQamModes;
    if (family == DemodulatorFamily::kCofdm) mask |= common::kCofdmModes;
  }
  return mask;
}

}  // namespace bda
