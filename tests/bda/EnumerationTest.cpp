#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/bda/tuner/VirtualTunerFilter.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/Devices.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/bda/TunerTestSupport.h"

namespace {

using namespace bda::test;

struct Device {
  std::u16string friendlyName;
  std::u16string displayName;
  ComPtr<IMoniker> moniker;
};

std::vector<Device> ListTuners() {
  media::RegisterClasses();
  ComPtr<ICreateDevEnum> devEnum;
  EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&devEnum)),
            S_OK);
  std::vector<Device> out;
  ComPtr<IEnumMoniker> monikers;
  if (devEnum->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, &monikers, 0) != S_OK)
    return out;
  ComPtr<IMoniker> m;
  while (monikers->Next(1, &m, nullptr) == S_OK) {
    Device d;
    ComPtr<IPropertyBag> bag;
    EXPECT_EQ(m->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)), S_OK);
    VARIANT v;
    if (bag->Read(u"FriendlyName", &v, nullptr) == S_OK) d.friendlyName = v.bstrVal;
    LPWSTR name = nullptr;
    EXPECT_EQ(m->GetDisplayName(nullptr, nullptr, &name), S_OK);
    d.displayName = name;
    CoTaskMemFree(name);
    d.moniker = m;
    out.push_back(std::move(d));
  }
  return out;
}

class EnumerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CORVANE_CONFIG_DIR", config_.Path().c_str(), 1);
    unsetenv("CORVANE_BROADCAST");
  }
  void TearDown() override {
    bda::UnregisterVirtualTuners();
    bda::SetDefaultBroadcastSource(nullptr);
    unsetenv("CORVANE_BROADCAST");
    unsetenv("CORVANE_CONFIG_DIR");
  }
  vtuner::test::TempFolder config_;
};

TEST_F(EnumerationTest, TunersAreListedInOrderWithStableNames) {
  TestBroadcast air(3);
  const auto names = bda::RegisterVirtualTuners(air.broadcast);
  ASSERT_EQ(names.size(), 3u);
  const auto tuners = ListTuners();
  ASSERT_EQ(tuners.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(tuners[i].friendlyName, bda::VirtualTunerFriendlyName(i + 1));
    EXPECT_EQ(tuners[i].displayName, names[i]);
  }
  EXPECT_EQ(tuners[0].friendlyName, u"Corvane Virtual Tuner 1");
  EXPECT_EQ(names[1], u"@device:sw:{71985F48-1CA1-11D3-9CC8-00C04F7971E0}\\virtual-tuner-2");

  // A later registration with fewer tuners leaves only those.
  TestBroadcast fewer(1);
  bda::RegisterVirtualTuners(fewer.broadcast);
  const auto now = ListTuners();
  ASSERT_EQ(now.size(), 1u);
  EXPECT_EQ(now[0].displayName, names[0]);
}

TEST_F(EnumerationTest, DisplayNameRoundTripBindsAWorkingTuner) {
  TestBroadcast air(2);
  const auto names = bda::RegisterVirtualTuners(air.broadcast);
  ASSERT_EQ(names.size(), 2u);

  ComPtr<IBindCtx> context;
  ASSERT_EQ(CreateBindCtx(0, &context), S_OK);
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  ASSERT_EQ(MkParseDisplayName(context.Get(), names[1].c_str(), &eaten, &moniker), S_OK);
  EXPECT_EQ(moniker->IsEqual(ListTuners()[1].moniker.Get()), S_OK);

  ComPtr<IBaseFilter> tuner;
  ASSERT_EQ(moniker->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&tuner)), S_OK);
  CLSID clsid;
  tuner->GetClassID(&clsid);
  EXPECT_EQ(clsid, bda::CLSID_CorvaneVirtualTuner);
  // The bound filter receives the broadcast it was registered with.
  TuneNodes(tuner.Get(), kChannel22Hz, KSNODE_BDA_8VSB_DEMODULATOR);
  auto stats = ControlNode<IBDA_SignalStatistics>(tuner.Get(), KSNODE_BDA_RF_TUNER);
  BOOLEAN locked = 0;
  stats->get_SignalLocked(&locked);
  EXPECT_EQ(locked, 1);

  bda::UnregisterVirtualTuners();
  ComPtr<IMoniker> gone;
  EXPECT_EQ(MkParseDisplayName(context.Get(), names[1].c_str(), &eaten, &gone), MK_E_NOOBJECT);
}

TEST_F(EnumerationTest, BroadcastComesFromTheEnvironmentThenTheDefaultSource) {
  std::string error;
  auto none = bda::LoadVirtualBroadcast(&error);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->TunerCount(), vtuner::kDefaultTunerCount);
  EXPECT_TRUE(none->Description().multiplexes.empty());
  EXPECT_FALSE(error.empty());

  TestBroadcast fallback(4);
  bda::SetDefaultBroadcastSource([&](std::string*) { return fallback.broadcast; });
  EXPECT_EQ(bda::LoadVirtualBroadcast(nullptr), fallback.broadcast);

  TestBroadcast named(5);
  setenv("CORVANE_BROADCAST", named.path.c_str(), 1);
  error.clear();
  auto loaded = bda::LoadVirtualBroadcast(&error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(loaded->TunerCount(), 5);
  EXPECT_EQ(bda::RegisterVirtualTuners().size(), 5u);

  // A description that does not load leaves the tuners present, receiving nothing.
  setenv("CORVANE_BROADCAST", (named.folder.Path() / "missing.txt").c_str(), 1);
  error.clear();
  auto broken = bda::LoadVirtualBroadcast(&error);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(broken->TunerCount(), vtuner::kDefaultTunerCount);
}

}  // namespace
