#include "tools/broadcast/tuner/TunerRegistration.h"

#include "platform/bda/linuxdvb/DvbTuners.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "tools/broadcast/tuner/OnTheAir.h"

namespace broadcast {

std::shared_ptr<vtuner::Broadcast> RegisterTuners(std::string* error) {
  auto broadcast = LoadBroadcast(error);
  if (broadcast) bda::RegisterVirtualTuners(broadcast);
  linuxdvb::RegisterDvbTuners();
  return broadcast;
}

void UnregisterTuners() {
  linuxdvb::UnregisterDvbTuners();
  bda::UnregisterVirtualTuners();
}

}  // namespace broadcast
