// The virtual tuners in the system device enumerator: one device per tuner the
// broadcast description asks for, under KSCATEGORY_BDA_NETWORK_TUNER, with the
// display name "@device:sw:{71985F48-1CA1-11D3-9CC8-00C04F7971E0}\virtual-tuner-N"
// and the friendly name "Corvane Virtual Tuner N" (N from 1). Binding a
// moniker creates a CVirtualTunerFilter on the process's broadcast.
//
// The broadcast: the description CORVANE_BROADCAST names; when the variable is
// unset, the one the default broadcast source gives (the bundled sample
// broadcast, plugged in by the program through SetDefaultBroadcastSource);
// without either, or when the description cannot be loaded, a broadcast with
// the default number of tuners and nothing on the air.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/bda/virtual/Broadcast.h"
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

namespace bda {

std::u16string VirtualTunerInstance(int number);      // "virtual-tuner-N"
std::u16string VirtualTunerFriendlyName(int number);  // "Corvane Virtual Tuner N"

// Gives the broadcast used when CORVANE_BROADCAST is unset; null and `error`
// when it cannot.
using DefaultBroadcastSource =
    std::function<std::shared_ptr<vtuner::Broadcast>(std::string* error)>;
void SetDefaultBroadcastSource(DefaultBroadcastSource source);
// Plugged into every broadcast loaded here, so synthetic multiplexes play.
void SetTunerSyntheticSourceFactory(vtuner::SyntheticSourceFactory factory);

// Loads the broadcast as described above. Never null; `error` (optional) gets
// the reason when an empty broadcast stands in.
std::shared_ptr<vtuner::Broadcast> LoadVirtualBroadcast(std::string* error);

// Registers the broadcast's tuners (replacing earlier virtual tuners, removing
// those beyond the new count) and returns their display names in order.
std::vector<std::u16string> RegisterVirtualTuners(std::shared_ptr<vtuner::Broadcast> broadcast);
// Loads the broadcast and registers its tuners.
std::vector<std::u16string> RegisterVirtualTuners(std::string* error = nullptr);
void UnregisterVirtualTuners();

// Creates a tuner filter on `broadcast` directly (tests, tools).
HRESULT CreateVirtualTunerFilter(std::shared_ptr<vtuner::Broadcast> broadcast, REFIID iid,
                                 void** object);

}  // namespace bda
