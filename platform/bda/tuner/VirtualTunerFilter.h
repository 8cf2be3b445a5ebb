// The virtual tuner filter: the tuner device filter (CTunerFilter) over the
// virtual tuner engine, with the 8-VSB, QAM and COFDM demodulators.
#pragma once

#include <memory>

#include "platform/bda/tuner/TunerFilter.h"
#include "platform/bda/tuner/VirtualTunerDevice.h"

namespace bda {

inline constexpr CLSID CLSID_CorvaneVirtualTuner =
    com::GuidOf("8E3C5A14-6B2F-4D79-A0C1-3F5E7B9D2A61");

class CVirtualTunerFilter : public CTunerFilter {
 public:
  CVirtualTunerFilter(std::shared_ptr<vtuner::Broadcast> broadcast, HRESULT* hr)
      : CVirtualTunerFilter(std::make_shared<VirtualTunerDevice>(std::move(broadcast)), hr) {}

  VirtualTunerDevice& Device() { return *device_; }

 private:
  CVirtualTunerFilter(std::shared_ptr<VirtualTunerDevice> device, HRESULT* hr)
      : CTunerFilter("virtual tuner", CLSID_CorvaneVirtualTuner, device, device,
                     {common::DemodulatorFamily::kVsb, common::DemodulatorFamily::kQam,
                      common::DemodulatorFamily::kCofdm},
                     hr),
        device_(std::move(device)) {}

  std::shared_ptr<VirtualTunerDevice> device_;
};

}  // namespace bda
