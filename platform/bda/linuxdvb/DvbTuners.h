// The DVB adapters in the system device enumerator, beside the virtual tuners:
// each usable frontend (see DvbFrontends.h) is listed under
// KSCATEGORY_BDA_NETWORK_TUNER with its own name as the friendly name and the
// display name "@device:sw:{71985F48-1CA1-11D3-9CC8-00C04F7971E0}\dvb-adapterN-frontendM".
// The list is made afresh at each enumeration, so adapters plugged in or
// removed are seen at the next one. Binding a moniker creates a
// CDvbTunerFilter: the tuner filter over a DvbTuner with the frontend's
// demodulators.
#pragma once

#include <memory>
#include <string>

#include "platform/bda/linuxdvb/DvbTuner.h"
#include "platform/bda/tuner/TunerFilter.h"

namespace linuxdvb {

inline constexpr CLSID CLSID_CorvaneDvbTuner = com::GuidOf("3F6B2D91-7C4E-4A18-9E5D-1B8C0A7F4E23");

class CDvbTunerFilter : public bda::CTunerFilter {
 public:
  CDvbTunerFilter(std::shared_ptr<DvbTuner> tuner, HRESULT* hr)
      : CTunerFilter("dvb tuner", CLSID_CorvaneDvbTuner, tuner, tuner, tuner->Frontend().families,
                     hr),
        tuner_(std::move(tuner)) {}

  DvbTuner& Tuner() { return *tuner_; }

 private:
  std::shared_ptr<DvbTuner> tuner_;
};

std::u16string DvbTunerInstance(const DvbFrontend& frontend);  // "dvb-adapterN-frontendM"

// Lists the frontends `calls` finds in the device enumerator from now on.
void RegisterDvbTuners(std::shared_ptr<DvbCalls> calls = SystemDvbCalls());
void UnregisterDvbTuners();

HRESULT CreateDvbTunerFilter(std::shared_ptr<DvbCalls> calls, DvbFrontend frontend, REFIID iid,
                             void** object);

}  // namespace linuxdvb
