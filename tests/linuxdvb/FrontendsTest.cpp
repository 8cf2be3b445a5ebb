#include <gtest/gtest.h>

#include "platform/bda/linuxdvb/DvbTuners.h"
#include "platform/media/Devices.h"
#include "platform/media/MediaGuids.h"
#include "tests/linuxdvb/DvbTestSupport.h"

namespace linuxdvb::test {
namespace {

using common::DemodulatorFamily;
using Families = std::vector<DemodulatorFamily>;

TEST(DvbFrontends, AtscCardOffersEightVsbAndQam) {
  FakeDvb dvb;
  dvb.AddAdapter(0, AtscCard());
  const auto list = EnumerateFrontends(dvb);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "LG Electronics LGDT3306A VSB/QAM Frontend");
  EXPECT_EQ(list[0].families, (Families{DemodulatorFamily::kVsb, DemodulatorFamily::kQam}));
  EXPECT_EQ(list[0].frontendPath, "/dev/dvb/adapter0/frontend0");
  EXPECT_EQ(list[0].demuxPath, "/dev/dvb/adapter0/demux0");
  EXPECT_EQ(list[0].dvrPath, "/dev/dvb/adapter0/dvr0");
}

TEST(DvbFrontends, CableAndDvbtDevicesOfferTheirFamilyOnly) {
  FakeDvb dvb;
  dvb.AddAdapter(1, CableBox());
  dvb.AddAdapter(2, DvbtStick());
  const auto list = EnumerateFrontends(dvb);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].families, Families{DemodulatorFamily::kQam});
  EXPECT_EQ(list[1].families, Families{DemodulatorFamily::kCofdm});
}

TEST(DvbFrontends, DriverWithoutDeliverySystemListIsReadFromItsTypeAndCapabilities) {
  FakeDvb dvb;
  FakeFrontend old;
  old.name = "old ATSC";
  old.caps = FE_CAN_8VSB | FE_CAN_QAM_256;
  dvb.AddAdapter(0, old);
  ASSERT_EQ(EnumerateFrontends(dvb).size(), 1u);
  EXPECT_EQ(EnumerateFrontends(dvb)[0].families,
            (Families{DemodulatorFamily::kVsb, DemodulatorFamily::kQam}));
}

TEST(DvbFrontends, SatelliteOnlyFrontendIsLeftOut) {
  FakeDvb dvb;
  FakeFrontend sat;
  sat.name = "satellite";
  sat.type = FE_QPSK;
  sat.systems = {SYS_DVBS, SYS_DVBS2};
  dvb.AddAdapter(0, sat);
  EXPECT_TRUE(EnumerateFrontends(dvb).empty());
}

TEST(DvbFrontends, SameNamesAreMadeUnique) {
  FakeDvb dvb;
  dvb.AddAdapter(0, AtscCard());
  dvb.AddAdapter(1, AtscCard());
  const auto list = EnumerateFrontends(dvb);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].name, list[0].name + " #2");
}

std::vector<std::u16string> ListedTuners() {
  std::vector<std::u16string> names;
  for (const auto& d : media::ListDevices(KSCATEGORY_BDA_NETWORK_TUNER))
    names.push_back(d.friendlyName + u" " + media::DeviceDisplayName(d.category, d.instance));
  return names;
}

TEST(DvbTuners, PluggedAndRemovedAdaptersAreSeenAtTheNextEnumeration) {
  auto dvb = std::make_shared<FakeDvb>();
  RegisterDvbTuners(dvb);
  EXPECT_TRUE(ListedTuners().empty());
  dvb->AddAdapter(3, DvbtStick());
  EXPECT_EQ(ListedTuners(),
            std::vector<std::u16string>{u"Silicon Labs Si2168 @device:sw:{71985F48-1CA1-11D3-"
                                        u"9CC8-00C04F7971E0}\\dvb-adapter3-frontend0"});
  dvb->RemoveAdapter(3);
  EXPECT_TRUE(ListedTuners().empty());
  UnregisterDvbTuners();
}

TEST(DvbTuners, BoundFilterHasTheFrontendsDemodulatorNodes) {
  auto dvb = std::make_shared<FakeDvb>();
  dvb->AddAdapter(0, AtscCard());
  RegisterDvbTuners(dvb);
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  const std::u16string name =
      media::DeviceDisplayName(KSCATEGORY_BDA_NETWORK_TUNER, u"dvb-adapter0-frontend0");
  ASSERT_EQ(MkParseDisplayName(nullptr, name.c_str(), &eaten, &moniker), S_OK);
  ComPtr<IBDA_Topology> topology;
  ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&topology)), S_OK);
  UnregisterDvbTuners();

  ULONG count = 0;
  BDANODE_DESCRIPTOR nodes[8];
  ASSERT_EQ(topology->GetNodeDescriptors(&count, 8, nodes), S_OK);
  ASSERT_EQ(count, 4u);
  EXPECT_EQ(nodes[0].guidFunction, KSNODE_BDA_RF_TUNER);
  EXPECT_EQ(nodes[1].guidFunction, KSNODE_BDA_8VSB_DEMODULATOR);
  EXPECT_EQ(nodes[2].guidFunction, KSNODE_BDA_QAM_DEMODULATOR);
  EXPECT_EQ(nodes[3].guidFunction, KSNODE_BDA_PID_FILTER);
}

}  // namespace
}  // namespace linuxdvb::test
