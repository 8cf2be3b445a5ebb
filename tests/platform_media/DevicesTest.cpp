#include <gtest/gtest.h>

#include <filesystem>

#include "platform/com/Registry.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/Devices.h"
#include "platform/media/FilterData.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/PropertyPage.h"
#include "tests/platform_media/TestFilters.h"
#include "tests/support/ConfigRoot.h"

namespace {

// Each test gets an empty registry of its own.
class Devices : public ::testing::Test {
 protected:
  void SetUp() override { media::RegisterClasses(); }
  void TearDown() override {
    for (const auto& [category, instance] : registered_)
      media::UnregisterDevice(category, instance);
  }
  std::u16string Register(const GUID& category, std::u16string instance, std::u16string name,
                          std::function<HRESULT(REFIID, void**)> create = nullptr) {
    registered_.emplace_back(category, instance);
    media::DeviceDescription d;
    d.category = category;
    d.instance = std::move(instance);
    d.friendlyName = std::move(name);
    d.clsid = test::CLSID_TestSink;
    d.create = std::move(create);
    return media::RegisterDevice(std::move(d));
  }
  static std::u16string DisplayName(IMoniker* m) {
    LPWSTR name = nullptr;
    EXPECT_EQ(m->GetDisplayName(nullptr, nullptr, &name), S_OK);
    std::u16string text(name);
    CoTaskMemFree(name);
    return text;
  }
  static std::u16string Friendly(IMoniker* m) {
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(m->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)), S_OK);
    VARIANT v;
    if (FAILED(bag->Read(u"FriendlyName", &v, nullptr))) return u"";
    EXPECT_EQ(v.vt, VT_BSTR);
    return v.bstrVal;
  }
  testsupport::ScopedConfigRoot config_{"corvane-media"};
  const std::filesystem::path root_ = config_.Path();
  std::vector<std::pair<GUID, std::u16string>> registered_;
};

ComPtr<ICreateDevEnum> DeviceEnumerator() {
  ComPtr<ICreateDevEnum> e;
  EXPECT_EQ(
      CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&e)),
      S_OK);
  return e;
}

TEST_F(Devices, CategoryListsDevicesInRegistrationOrderAndEmptyIsSFalse) {
  Register(KSCATEGORY_BDA_NETWORK_TUNER, u"tuner1", u"Virtual Tuner 1");
  Register(KSCATEGORY_BDA_NETWORK_TUNER, u"tuner0", u"Virtual Tuner 0");
  Register(KSCATEGORY_BDA_RECEIVER_COMPONENT, u"demod", u"Receiver");
  ComPtr<ICreateDevEnum> devEnum = DeviceEnumerator();
  ComPtr<IEnumMoniker> devices;
  ASSERT_EQ(devEnum->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, &devices, 0), S_OK);
  std::vector<std::u16string> names;
  ComPtr<IMoniker> m;
  while (devices->Next(1, &m, nullptr) == S_OK)
    names.push_back(Friendly(m.Get()));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Virtual Tuner 1", u"Virtual Tuner 0"}));

  const GUID empty = com::GuidOf("00000000-1111-2222-3333-444444444444");
  ComPtr<IEnumMoniker> none;
  EXPECT_EQ(devEnum->CreateClassEnumerator(empty, &none, 0), S_FALSE);
  EXPECT_FALSE(none);
}

TEST_F(Devices, MonikerRoundTripsByDisplayNameAndBindsItsFilter) {
  int created = 0;
  const std::u16string shown = Register(
      KSCATEGORY_BDA_NETWORK_TUNER, u"tuner0", u"Virtual Tuner 0", [&](REFIID iid, void** object) {
        ++created;
        ComPtr<test::CTestSink> sink(new test::CTestSink(GUID_NULL));
        return sink->QueryInterface(iid, object);
      });
  ComPtr<IEnumMoniker> devices;
  ASSERT_EQ(DeviceEnumerator()->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, &devices, 0),
            S_OK);
  ComPtr<IMoniker> first;
  ASSERT_EQ(devices->Next(1, &first, nullptr), S_OK);
  const std::u16string name = DisplayName(first.Get());
  EXPECT_EQ(name, shown);
  EXPECT_EQ(name.rfind(u"@device:sw:{71985F48-1CA1-11D3-9CC8-00C04F7971E0}\\", 0), 0u);

  // Back from the text (case does not matter), as a settings file stores it.
  std::u16string upper = name;
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  ComPtr<IBindCtx> context;
  ASSERT_EQ(CreateBindCtx(0, &context), S_OK);
  ComPtr<IMoniker> again;
  ULONG eaten = 0;
  ASSERT_EQ(MkParseDisplayName(context.Get(), upper.c_str(), &eaten, &again), S_OK);
  EXPECT_EQ(eaten, upper.size());
  EXPECT_EQ(again->IsEqual(first.Get()), S_OK);
  EXPECT_EQ(Friendly(again.Get()), u"Virtual Tuner 0");
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(again->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&filter)), S_OK);
  EXPECT_EQ(created, 1);

  ComPtr<IPropertyBag> bag;
  ASSERT_EQ(again->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)), S_OK);
  VARIANT v;
  ASSERT_EQ(bag->Read(u"CLSID", &v, nullptr), S_OK);
  EXPECT_EQ(media::Narrow(v.bstrVal), com::FormatGuid(test::CLSID_TestSink));
  EXPECT_EQ(bag->Read(u"FilterData", &v, nullptr), E_INVALIDARG);

  ComPtr<IMoniker> missing;
  EXPECT_EQ(MkParseDisplayName(nullptr, u"not a device", nullptr, &missing), MK_E_SYNTAX);
  media::UnregisterDevice(KSCATEGORY_BDA_NETWORK_TUNER, u"tuner0");
  EXPECT_EQ(MkParseDisplayName(nullptr, name.c_str(), nullptr, &missing), MK_E_NOOBJECT);
}

const GUID kDecoderA = com::GuidOf("6A1E0001-0000-4000-8000-000000000001");
const GUID kDecoderB = com::GuidOf("6A1E0001-0000-4000-8000-000000000002");
const GUID kDecoderC = com::GuidOf("6A1E0001-0000-4000-8000-000000000003");
const GUID kAudioDecoder = com::GuidOf("6A1E0001-0000-4000-8000-000000000004");

void RegisterDecoder(IFilterMapper2* mapper, const GUID& clsid, const char16_t* name, DWORD merit,
                     const GUID& major, const GUID& minor) {
  const REGPINTYPES in{&major, &minor};
  const REGPINTYPES out{&MEDIATYPE_Video, &GUID_NULL};
  const REGFILTERPINS pins[2] = {
      {u"In", FALSE, FALSE, FALSE, FALSE, nullptr, nullptr, 1, &in},
      {u"Out", FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 1, &out},
  };
  REGFILTER2 rf;
  rf.dwVersion = 1;
  rf.dwMerit = merit;
  rf.cPins = 2;
  rf.rgPins = pins;
  ASSERT_EQ(
      mapper->RegisterFilter(clsid, name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr, &rf),
      S_OK);
}

std::vector<std::u16string> Matching(IFilterMapper2* mapper, DWORD merit, const GUID& major,
                                     const GUID& minor) {
  const GUID types[2] = {major, minor};
  ComPtr<IEnumMoniker> found;
  EXPECT_EQ(mapper->EnumMatchingFilters(&found, 0, TRUE, merit, TRUE, 1, types, nullptr, nullptr,
                                        FALSE, TRUE, 0, nullptr, nullptr, nullptr),
            S_OK);
  std::vector<std::u16string> names;
  ComPtr<IMoniker> m;
  while (found->Next(1, &m, nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    m->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag));
    VARIANT v;
    bag->Read(u"FriendlyName", &v, nullptr);
    names.push_back(v.bstrVal);
  }
  return names;
}

TEST_F(Devices, MapperFiltersByMeritAndPinTypesHighestMeritFirst) {
  ComPtr<IFilterMapper2> mapper;
  ASSERT_EQ(
      CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)),
      S_OK);
  RegisterDecoder(mapper.Get(), kDecoderA, u"Normal", MERIT_NORMAL, MEDIATYPE_Video,
                  MEDIASUBTYPE_MPEG2_VIDEO);
  RegisterDecoder(mapper.Get(), kDecoderB, u"Unusable", MERIT_DO_NOT_USE, MEDIATYPE_Video,
                  MEDIASUBTYPE_MPEG2_VIDEO);
  RegisterDecoder(mapper.Get(), kDecoderC, u"Preferred", MERIT_PREFERRED, MEDIATYPE_Video,
                  MEDIASUBTYPE_MPEG2_VIDEO);
  RegisterDecoder(mapper.Get(), kAudioDecoder, u"AC-3", MERIT_NORMAL, MEDIATYPE_Audio,
                  MEDIASUBTYPE_DOLBY_AC3);

  EXPECT_EQ(Matching(mapper.Get(), MERIT_NORMAL, MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO),
            (std::vector<std::u16string>{u"Preferred", u"Normal"}));
  EXPECT_EQ(Matching(mapper.Get(), MERIT_DO_NOT_USE, MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO),
            (std::vector<std::u16string>{u"Preferred", u"Normal", u"Unusable"}));
  EXPECT_EQ(Matching(mapper.Get(), MERIT_DO_NOT_USE, MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3),
            (std::vector<std::u16string>{u"AC-3"}));

  // Registrations are stored: another run (a re-read registry) finds them,
  // and the "FilterData" value carries the merit.
  com::SetConfigRoot(root_.string() + "-other");
  EXPECT_TRUE(Matching(mapper.Get(), 0, MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3).empty());
  com::SetConfigRoot(root_.string());
  ComPtr<IEnumMoniker> legacy;
  ASSERT_EQ(DeviceEnumerator()->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, &legacy, 0),
            S_OK);
  ComPtr<IMoniker> m;
  int seen = 0;
  while (legacy->Next(1, &m, nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    m->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag));
    VARIANT data, clsid;
    ASSERT_EQ(bag->Read(u"FilterData", &data, nullptr), S_OK);
    ASSERT_EQ(bag->Read(u"CLSID", &clsid, nullptr), S_OK);
    const auto decoded = media::DecodeFilterData(data.parray);
    ASSERT_TRUE(decoded.has_value());
    if (media::Narrow(clsid.bstrVal) == com::FormatGuid(kDecoderC)) {
      EXPECT_EQ(decoded->merit, MERIT_PREFERRED);
    }
    ++seen;
  }
  EXPECT_EQ(seen, 4);

  ASSERT_EQ(mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, kDecoderC), S_OK);
  EXPECT_EQ(Matching(mapper.Get(), MERIT_NORMAL, MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO),
            (std::vector<std::u16string>{u"Normal"}));
  std::filesystem::remove_all(root_.string() + "-other");
}

TEST(FilterData, RejectsShortOrInconsistentRecords) {
  media::RegisteredFilter f;
  f.merit = 0x123456;
  f.pins.push_back({true, false, false, false, {{MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO}}});
  std::vector<BYTE> data = media::EncodeFilterData(f);
  ASSERT_EQ(data.size(), 16u + 8u + 32u);
  EXPECT_EQ(data[4] | data[5] << 8 | data[6] << 16, 0x123456);
  const auto back = media::DecodeFilterData(data);
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->pins.size(), 1u);
  EXPECT_TRUE(back->pins[0].rendered);
  EXPECT_EQ(back->pins[0].types[0].second, MEDIASUBTYPE_MPEG2_VIDEO);
  for (std::size_t cut = 0; cut < data.size(); ++cut) {
    EXPECT_FALSE(media::DecodeFilterData(std::span(data).first(cut)).has_value()) << cut;
  }
  data[8] = 0xFF;  // more pins than bytes
  EXPECT_FALSE(media::DecodeFilterData(data).has_value());
}

// A page like a filter's "About" page: two numbers, dirty on any command.
class CTestPage : public CBasePropertyPage {
 public:
  CTestPage() : CBasePropertyPage("test page", nullptr, 101, u"About") {}
  int applied1 = -1, applied2 = -1;
  bool connected = false;

 protected:
  HRESULT OnConnect(IUnknown* object) override {
    ComPtr<IBaseFilter> filter;
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(&filter)))) return E_NOINTERFACE;
    connected = true;
    return S_OK;
  }
  HRESULT OnDisconnect() override {
    if (!connected) return E_UNEXPECTED;
    connected = false;
    return S_OK;
  }
  HRESULT OnActivate() override {
    SetDlgItemInt(1005, 3);
    SetDlgItemInt(1006, -4);
    AddListBoxString(1013, u"String");
    return S_OK;
  }
  HRESULT OnApplyChanges() override {
    applied1 = GetDlgItemInt(1005);
    applied2 = GetDlgItemInt(1006);
    return S_OK;
  }
  INT_PTR OnReceiveMessage(UINT message, WPARAM, LPARAM) override {
    if (message == WM_COMMAND && IsActive()) SetDirty();
    return 0;
  }
};

TEST(PropertyPage, ConnectActivateEditApplyDisconnect) {
  ComPtr<CTestPage> page(new CTestPage);
  ComPtr<test::CTestSink> filter(new test::CTestSink(GUID_NULL));
  IUnknown* objects[1] = {static_cast<IBaseFilter*>(filter.Get())};
  EXPECT_EQ(page->Apply(), E_UNEXPECTED);
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  ASSERT_EQ(page->Activate(0, FALSE), S_OK);
  EXPECT_NE(page->PageWindow(), 0);
  EXPECT_EQ(page->GetDlgItemText(1005), u"3");
  EXPECT_EQ(page->ListBoxStrings(1013), std::vector<std::u16string>{u"String"});
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  page->SetDlgItemText(1005, u"42abc");
  page->SendMessage(WM_COMMAND, 1005, 0);
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  ASSERT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(page->applied1, 42);
  EXPECT_EQ(page->applied2, -4);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  ASSERT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->PageWindow(), 0);
  ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
  EXPECT_FALSE(page->connected);
  PROPPAGEINFO info;
  page->GetPageInfo(&info);
  EXPECT_EQ(info.title, u"About");
}

}  // namespace
