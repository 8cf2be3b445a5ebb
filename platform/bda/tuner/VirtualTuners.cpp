#include "platform/bda/tuner/VirtualTuners.h"

#include <mutex>

#include "platform/bda/tuner/VirtualTunerFilter.h"
#include "platform/bda/virtual/Environment.h"
#include "platform/media/Devices.h"
#include "platform/media/MediaGuids.h"

namespace bda {

namespace {

std::mutex gMutex;
DefaultBroadcastSource gDefaultSource;
vtuner::SyntheticSourceFactory gSynthetic;
int gRegistered = 0;

std::u16string Number(int number) {
  return media::Widen(std::to_string(number));
}

}  // namespace

std::u16string VirtualTunerInstance(int number) {
  return u"virtual-tuner-" + Number(number);
}

std::u16string VirtualTunerFriendlyName(int number) {
  return u"Corvane Virtual Tuner " + Number(number);
}

void SetDefaultBroadcastSource(DefaultBroadcastSource source) {
  std::lock_guard lock(gMutex);
  gDefaultSource = std::move(source);
}

void SetTunerSyntheticSourceFactory(vtuner::SyntheticSourceFactory factory) {
  std::lock_guard lock(gMutex);
  gSynthetic = std::move(factory);
}

std::shared_ptr<vtuner::Broadcast> LoadVirtualBroadcast(std::string* error) {
  DefaultBroadcastSource fallback;
  vtuner::SyntheticSourceFactory synthetic;
  {
    std::lock_guard lock(gMutex);
    fallback = gDefaultSource;
    synthetic = gSynthetic;
  }
  std::string why;
  std::shared_ptr<vtuner::Broadcast> broadcast;
  const std::filesystem::path named = vtuner::BroadcastPathFromEnvironment({});
  if (!named.empty()) {
    broadcast = vtuner::Broadcast::Load(named, &why);
  } else if (fallback) {
    broadcast = fallback(&why);
  } else {
    why = "no broadcast description: CORVANE_BROADCAST is not set";
  }
  if (!broadcast) {
    if (error) *error = why;
    broadcast = std::make_shared<vtuner::Broadcast>(vtuner::BroadcastDescription{});
  }
  if (synthetic) broadcast->SetSyntheticSourceFactory(synthetic);
  return broadcast;
}

HRESULT CreateVirtualTunerFilter(std::shared_ptr<vtuner::Broadcast> broadcast, REFIID iid,
                                 void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  HRESULT hr = S_OK;
  ComPtr<CVirtualTunerFilter> filter(new CVirtualTunerFilter(std::move(broadcast), &hr));
  if (FAILED(hr)) return hr;
  return filter->QueryInterface(iid, object);
}

std::vector<std::u16string> RegisterVirtualTuners(std::shared_ptr<vtuner::Broadcast> broadcast) {
  std::lock_guard lock(gMutex);
  std::vector<std::u16string> names;
  const int count = broadcast->TunerCount();
  for (int n = 1; n <= count; ++n) {
    media::DeviceDescription device;
    device.category = KSCATEGORY_BDA_NETWORK_TUNER;
    device.instance = VirtualTunerInstance(n);
    device.friendlyName = VirtualTunerFriendlyName(n);
    device.clsid = CLSID_CorvaneVirtualTuner;
    device.create = [broadcast](REFIID iid, void** object) {
      return CreateVirtualTunerFilter(broadcast, iid, object);
    };
    names.push_back(media::RegisterDevice(std::move(device)));
  }
  for (int n = count + 1; n <= gRegistered; ++n)
    media::UnregisterDevice(KSCATEGORY_BDA_NETWORK_TUNER, VirtualTunerInstance(n));
  gRegistered = count;
  return names;
}

std::vector<std::u16string> RegisterVirtualTuners(std::string* error) {
  return RegisterVirtualTuners(LoadVirtualBroadcast(error));
}

void UnregisterVirtualTuners() {
  std::lock_guard lock(gMutex);
  for (int n = 1; n <= gRegistered; ++n)
    media::UnregisterDevice(KSCATEGORY_BDA_NETWORK_TUNER, VirtualTunerInstance(n));
  gRegistered = 0;
}

}  // namespace bda
