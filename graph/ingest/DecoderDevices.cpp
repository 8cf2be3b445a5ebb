#include "graph/ingest/DecoderDevices.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "platform/com/ComPtr.h"
#include "platform/com/GuidLiteral.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/Devices.h"
#include "platform/media/FilterData.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"

namespace graph {
namespace {

constexpr std::size_t kFriendlyNameUnits = 128;
constexpr std::size_t kDisplayNameUnits = 256;

// The platform's own decoders, offered whatever their merit.
constexpr std::array kVideoAlwaysOffered = {
    com::GuidOf("00000000-0000-0000-0000-000000000000"),
    com::GuidOf("212690FB-83E5-4526-8FD7-74478B7939CD"),
};
constexpr std::array kAudioAlwaysOffered = {
    com::GuidOf("FA245396-72FC-43F9-BB91-BB3544490C2D"),
};
// Decoders known not to work here; only "Show All" lists them.
constexpr std::array kVideoHidden = {
    com::GuidOf("BCF9A35A-CD1F-4D4A-AD6D-0A13DCB132C9"),
};
constexpr std::array kAudioHidden = {
    com::GuidOf("7FEBD653-432A-42C3-9A9C-F5F92978848E"),
    com::GuidOf("DDAA2ECD-187E-42E2-9EB8-98CD8108CAEF"),
    com::GuidOf("D154500A-C3A3-44A4-A074-9CD29DC3A3B1"),
    com::GuidOf("078CD434-F1A6-4112-AB2F-FE31215B320E"),
    com::GuidOf("E1F1A0B8-BEEE-490D-BA7C-066C40B5E2B9"),
};

template <std::size_t N>
bool Contains(const std::array<GUID, N>& list, const GUID& clsid) {
  return std::find(list.begin(), list.end(), clsid) != list.end();
}

std::optional<VARIANT> ReadValue(IPropertyBag* bag, LPCWSTR name) {
  VARIANT value;
  if (FAILED(bag->Read(name, &value, nullptr))) return std::nullopt;
  return value;
}

}  // namespace

std::vector<DecoderInfo> EnumerateDecoders(DecoderKind kind, bool showAll) {
  std::vector<DecoderInfo> decoders;
  media::RegisterClasses();
  ComPtr<IFilterMapper2> mapper;
  if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&mapper)))) {
    return decoders;
  }
  const bool video = kind == DecoderKind::kMpeg2Video;
  const GUID types[2] = {video ? MEDIATYPE_Video : MEDIATYPE_Audio,
                         video ? MEDIASUBTYPE_MPEG2_VIDEO : MEDIASUBTYPE_DOLBY_AC3};
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(mapper->EnumMatchingFilters(&monikers, 0, TRUE, MERIT_DO_NOT_USE, TRUE, 1, types,
                                         nullptr, nullptr, FALSE, TRUE, 0, nullptr, nullptr,
                                         nullptr)) ||
      !monikers) {
    return decoders;
  }
  const DWORD minimum = showAll ? MERIT_DO_NOT_USE : MERIT_NORMAL;
  for (;;) {
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    if (monikers->Next(1, &moniker, &fetched) != S_OK || fetched != 1) break;
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) continue;
    DWORD merit = MERIT_DO_NOT_USE;
    if (const auto data = ReadValue(bag.Get(), u"FilterData")) {
      if (const auto filter = media::DecodeFilterData(data->parray)) merit = filter->merit;
    }
    GUID clsid = GUID_NULL;
    if (const auto text = ReadValue(bag.Get(), u"CLSID")) {
      std::printf("Decoder CLSID: %s\n", media::Narrow(text->bstrVal).c_str());
      clsid = com::ParseGuid(media::Narrow(text->bstrVal)).value_or(GUID_NULL);
    }
    const bool always =
        video ? Contains(kVideoAlwaysOffered, clsid) : Contains(kAudioAlwaysOffered, clsid);
    const bool hidden = video ? Contains(kVideoHidden, clsid) : Contains(kAudioHidden, clsid);
    if ((merit < minimum && !always) || (!showAll && hidden)) continue;

    DecoderInfo info;
    const auto name = ReadValue(bag.Get(), u"FriendlyName");
    if (!name) continue;
    info.friendlyName = name->bstrVal.substr(0, kFriendlyNameUnits - 1);
    LPWSTR display = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &display)) || display == nullptr) continue;
    info.displayName = display;
    CoTaskMemFree(display);
    if (info.displayName.size() >= kDisplayNameUnits) {
      std::printf("Tuner: %s, display name is too long.\n",
                  media::Narrow(info.friendlyName).c_str());
      continue;
    }
    decoders.push_back(std::move(info));
  }
  return decoders;
}

}  // namespace graph
