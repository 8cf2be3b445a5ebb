// The system device enumerator (CLSID_SystemDeviceEnum) and the device list
// behind it.
//
// Devices come from three places:
//  - registered at run time by platform code (media::RegisterDevice), e.g. the
//    virtual tuners, each with a category, an instance name unique in it, a
//    friendly name, a class id and optionally a create function and
//    "FilterData";
//  - listed afresh at every enumeration by a device lister (hardware that comes
//    and goes, e.g. the DVB adapters), after the registered ones;
//  - registered filters kept in the registry store (the filter mapper writes
//    them under HKEY_CLASSES_ROOT "CLSID\{category}\Instance\{instance}" with the
//    values "FriendlyName", "CLSID" and "FilterData").
// A category lists its run-time devices in order of registration, then the
// stored ones in order of instance name. Each device's moniker has the display
// name "@device:sw:{CATEGORY}\instance", which MkParseDisplayName turns back
// into a moniker of the same device.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/media/DeviceInterfaces.h"

namespace media {

struct DeviceDescription {
  GUID category = GUID_NULL;
  std::u16string instance;
  std::u16string friendlyName;
  CLSID clsid = GUID_NULL;
  std::vector<BYTE> filterData;  // empty: the device has no "FilterData"
  // Creates the device's filter; without one BindToObject uses CoCreateInstance(clsid).
  std::function<HRESULT(REFIID iid, void** object)> create;
};

// Adds a device (replacing one of the same category and instance) and returns
// its display name.
std::u16string RegisterDevice(DeviceDescription device);
bool UnregisterDevice(const GUID& category, std::u16string_view instance);
// Sets (or with an empty function removes) the lister `name` of a category;
// it is asked for its devices each time the category is listed.
using DeviceLister = std::function<std::vector<DeviceDescription>()>;
void SetDeviceLister(const GUID& category, std::string name, DeviceLister lister);
std::u16string DeviceDisplayName(const GUID& category, std::u16string_view instance);
// The devices of a category, as CreateClassEnumerator lists them.
std::vector<DeviceDescription> ListDevices(const GUID& category);
// Every device that has "FilterData" (all categories), for the filter mapper.
std::vector<DeviceDescription> ListRegisteredFilters();

// UTF-16 <-> UTF-8 for the narrow registry store.
std::string Narrow(std::u16string_view text);
std::u16string Widen(std::string_view text);

}  // namespace media

class CSystemDeviceEnum : public CUnknown, public ICreateDevEnum {
 public:
  CSystemDeviceEnum();
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** devices, DWORD flags) override;
};

// An enumerator over monikers of a list of devices (also used by the mapper).
HRESULT CreateDeviceMonikerEnum(std::vector<media::DeviceDescription> devices,
                                IEnumMoniker** monikers);
HRESULT CreateDeviceMoniker(media::DeviceDescription device, IMoniker** moniker);
