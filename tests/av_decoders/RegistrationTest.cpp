// The decoders as the decoder lists find them: the filter mapper's
// enumeration for MPEG-2 video and AC-3 input, with merit and class id in the
// registration, and monikers that bind the decoders by display name.
#include <gtest/gtest.h>

#include "platform/av/decoders/Ac3Decoder.h"
#include "platform/av/decoders/DecoderClasses.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/Devices.h"
#include "platform/media/FilterData.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/support/ConfigRoot.h"

namespace {

struct Found {
  std::u16string friendlyName, displayName, clsid;
  DWORD merit = 0;
};

// The enumeration the decoder lists make: exact match, input pin with the one
// type pair, an output pin, merit at least "do not use".
std::vector<Found> Enumerate(const GUID& major, const GUID& minor) {
  ComPtr<IFilterMapper2> mapper;
  EXPECT_EQ(
      CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)),
      S_OK);
  const GUID types[2] = {major, minor};
  ComPtr<IEnumMoniker> monikers;
  EXPECT_EQ(
      mapper->EnumMatchingFilters(&monikers, 0, TRUE, MERIT_DO_NOT_USE, TRUE, 1, types, nullptr,
                                  nullptr, FALSE, TRUE, 0, nullptr, nullptr, nullptr),
      S_OK);
  std::vector<Found> found;
  ComPtr<IMoniker> m;
  while (monikers && monikers->Next(1, &m, nullptr) == S_OK) {
    Found f;
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(m->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)), S_OK);
    VARIANT v;
    if (SUCCEEDED(bag->Read(u"FriendlyName", &v, nullptr))) f.friendlyName = v.bstrVal;
    if (SUCCEEDED(bag->Read(u"CLSID", &v, nullptr))) f.clsid = v.bstrVal;
    if (SUCCEEDED(bag->Read(u"FilterData", &v, nullptr))) {
      if (auto data = media::DecodeFilterData(v.parray)) f.merit = data->merit;
    }
    LPWSTR name = nullptr;
    EXPECT_EQ(m->GetDisplayName(nullptr, nullptr, &name), S_OK);
    f.displayName = name;
    CoTaskMemFree(name);
    found.push_back(std::move(f));
  }
  return found;
}

class DecoderRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    media::RegisterClasses();
    av::RegisterDecoders();
  }
  testsupport::ScopedConfigRoot config_{"av-decoders"};
};

TEST_F(DecoderRegistration, TheMapperFindsEachDecoderByItsInputType) {
  const auto video = Enumerate(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  ASSERT_EQ(video.size(), 1u);
  EXPECT_EQ(video[0].friendlyName, av::kMpeg2VideoDecoderName);
  EXPECT_EQ(video[0].clsid, media::Widen(com::FormatGuid(CLSID_Mpeg2VideoDecoder)));
  EXPECT_EQ(video[0].displayName, av::Mpeg2VideoDecoderDisplayName());
  // Offered in the normal list (0x600000 and up), not only with "Show All".
  EXPECT_GE(video[0].merit, 0x600000u);

  const auto audio = Enumerate(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3);
  ASSERT_EQ(audio.size(), 1u);
  EXPECT_EQ(audio[0].friendlyName, av::kAc3DecoderName);
  EXPECT_EQ(audio[0].clsid, media::Widen(com::FormatGuid(CLSID_Ac3AudioDecoder)));
  EXPECT_GE(audio[0].merit, 0x600000u);

  EXPECT_TRUE(Enumerate(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO).empty());
}

TEST_F(DecoderRegistration, AStoredDisplayNameBindsTheDecoder) {
  for (const std::u16string& name :
       {av::Mpeg2VideoDecoderDisplayName(), av::Ac3DecoderDisplayName()}) {
    ComPtr<IBindCtx> context;
    ASSERT_EQ(CreateBindCtx(0, &context), S_OK);
    ComPtr<IMoniker> moniker;
    ULONG eaten = 0;
    ASSERT_EQ(MkParseDisplayName(context.Get(), name.c_str(), &eaten, &moniker), S_OK);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(moniker->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&filter)), S_OK);
    CLSID clsid = GUID_NULL;
    ASSERT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, name == av::Mpeg2VideoDecoderDisplayName() ? CLSID_Mpeg2VideoDecoder
                                                                : CLSID_Ac3AudioDecoder);
  }
}

}  // namespace
