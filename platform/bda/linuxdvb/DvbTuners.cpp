#include "platform/bda/linuxdvb/DvbTuners.h"

#include "platform/media/Devices.h"
#include "platform/media/MediaGuids.h"

namespace linuxdvb {
namespace {

constexpr char kListerName[] = "linuxdvb";

}  // namespace

std::u16string DvbTunerInstance(const DvbFrontend& frontend) {
  return media::Widen("dvb-adapter" + std::to_string(frontend.adapter) + "-frontend" +
                      std::to_string(frontend.frontend));
}

HRESULT CreateDvbTunerFilter(std::shared_ptr<DvbCalls> calls, DvbFrontend frontend, REFIID iid,
                             void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  HRESULT hr = S_OK;
  auto tuner = std::make_shared<DvbTuner>(std::move(calls), std::move(frontend));
  ComPtr<CDvbTunerFilter> filter(new CDvbTunerFilter(std::move(tuner), &hr));
  if (FAILED(hr)) return hr;
  return filter->QueryInterface(iid, object);
}

void RegisterDvbTuners(std::shared_ptr<DvbCalls> calls) {
  media::SetDeviceLister(KSCATEGORY_BDA_NETWORK_TUNER, kListerName, [calls] {
    std::vector<media::DeviceDescription> devices;
    for (DvbFrontend& frontend : EnumerateFrontends(*calls)) {
      media::DeviceDescription device;
      device.instance = DvbTunerInstance(frontend);
      device.friendlyName = media::Widen(frontend.name);
      device.clsid = CLSID_CorvaneDvbTuner;
      device.create = [calls, frontend](REFIID iid, void** object) {
        return CreateDvbTunerFilter(calls, frontend, iid, object);
      };
      devices.push_back(std::move(device));
    }
    return devices;
  });
}

void UnregisterDvbTuners() {
  media::SetDeviceLister(KSCATEGORY_BDA_NETWORK_TUNER, kListerName, nullptr);
}

}  // namespace linuxdvb
