#include <gtest/gtest.h>

#include <vector>

#include "platform/bda/model/BdaDevice.h"
#include "platform/com/ComPtr.h"

namespace {

using bda::BdaDevice;
using bda::DeviceTune;
using common::DemodulatorFamily;

// A device that records what it is tuned to.
class RecordingDevice : public bda::TunerDevice {
 public:
  bool Tune(const DeviceTune& tune) override {
    tunes.push_back(tune);
    return true;
  }
  bda::SignalState Signal() const override {
    bda::SignalState s;
    s.locked = s.present = !tunes.empty();
    s.quality = tunes.empty() ? 0 : 64;
    return s;
  }
  std::vector<DeviceTune> tunes;
};

class ModelTest : public ::testing::Test {
 protected:
  ModelTest()
      : device_(std::make_shared<RecordingDevice>()),
        model_(device_,
               {DemodulatorFamily::kVsb, DemodulatorFamily::kQam, DemodulatorFamily::kCofdm}) {}

  // The control node whose descriptor has this function.
  template <class I>
  ComPtr<I> Node(const GUID& function) {
    ULONG count = 0;
    BDANODE_DESCRIPTOR descriptors[8];
    EXPECT_EQ(model_.GetNodeDescriptors(&count, 8, descriptors), S_OK);
    for (ULONG i = 0; i < count; ++i) {
      if (descriptors[i].guidFunction != function) continue;
      ComPtr<IUnknown> node;
      EXPECT_EQ(model_.GetControlNode(0, 1, descriptors[i].ulBdaNodeType, &node), S_OK);
      return node.As<I>();
    }
    return nullptr;
  }

  std::shared_ptr<RecordingDevice> device_;
  BdaDevice model_;
};

TEST_F(ModelTest, TopologyListsEveryNodeWithItsInterfaces) {
  ULONG count = 0;
  EXPECT_EQ(model_.GetNodeDescriptors(&count, 0, nullptr), S_OK);
  ASSERT_EQ(count, 5u);
  BDANODE_DESCRIPTOR d[5];
  ASSERT_EQ(model_.GetNodeDescriptors(&count, 5, d), S_OK);
  EXPECT_EQ(d[0].guidFunction, KSNODE_BDA_RF_TUNER);
  EXPECT_EQ(d[1].guidFunction, KSNODE_BDA_8VSB_DEMODULATOR);
  EXPECT_EQ(d[2].guidFunction, KSNODE_BDA_QAM_DEMODULATOR);
  EXPECT_EQ(d[3].guidFunction, KSNODE_BDA_COFDM_DEMODULATOR);
  EXPECT_EQ(d[4].guidFunction, KSNODE_BDA_PID_FILTER);

  ULONG types[5];
  ASSERT_EQ(model_.GetNodeTypes(&count, 5, types), S_OK);
  for (ULONG i = 0; i < count; ++i)
    EXPECT_EQ(types[i], d[i].ulBdaNodeType);

  GUID interfaces[4];
  ASSERT_EQ(model_.GetNodeInterfaces(d[0].ulBdaNodeType, &count, 4, interfaces), S_OK);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(interfaces[2], IID_IBDA_SignalStatistics);
  EXPECT_EQ(model_.GetNodeInterfaces(99, &count, 4, interfaces), BDA_E_NOT_FOUND);

  // Every interface a node lists is one it answers.
  for (ULONG n = 0; n < 5; ++n) {
    ComPtr<IUnknown> node;
    ASSERT_EQ(model_.GetControlNode(0, 1, n, &node), S_OK);
    ULONG k = 0;
    model_.GetNodeInterfaces(n, &k, 4, interfaces);
    for (ULONG i = 0; i < k; ++i) {
      void* answer = nullptr;  // typed as the interface asked for: released through the node
      EXPECT_EQ(node->QueryInterface(interfaces[i], &answer), S_OK);
      if (answer != nullptr) node->Release();
    }
  }

  ComPtr<IUnknown> node;
  EXPECT_EQ(model_.GetControlNode(1, 0, 0, &node), BDA_E_NOT_FOUND);
  EXPECT_EQ(model_.GetControlNode(0, 1, 5, &node), BDA_E_NOT_FOUND);
  EXPECT_EQ(model_.SupportedModulations(), 0x1FFu);
}

TEST_F(ModelTest, CommitTunesFrequencyTimesMultiplierWithTheChosenDemodulator) {
  auto rf = Node<IBDA_FrequencyFilter>(KSNODE_BDA_RF_TUNER);
  auto cofdm = Node<IBDA_DigitalDemodulator>(KSNODE_BDA_COFDM_DEMODULATOR);
  ASSERT_TRUE(rf && cofdm);

  ASSERT_EQ(model_.StartChanges(), S_OK);
  ModulationType qam64 = BDA_MOD_64QAM;
  ASSERT_EQ(cofdm->put_ModulationType(&qam64), S_OK);
  ASSERT_EQ(model_.CommitChanges(), S_OK);
  EXPECT_TRUE(device_->tunes.empty());  // only a change of the RF node tunes

  ASSERT_EQ(model_.StartChanges(), S_OK);
  rf->put_FrequencyMultiplier(1000);
  rf->put_Frequency(474'000);
  rf->put_Bandwidth(8);
  ULONG state = 0;
  ASSERT_EQ(model_.GetChangeState(&state), S_OK);
  EXPECT_EQ(state, BDA_CHANGES_PENDING);
  ASSERT_EQ(model_.CommitChanges(), S_OK);
  ASSERT_EQ(device_->tunes.size(), 1u);
  EXPECT_EQ(device_->tunes[0].frequencyHz, 474'000'000u);
  EXPECT_EQ(device_->tunes[0].bandwidthMHz, 8u);
  EXPECT_EQ(device_->tunes[0].family, DemodulatorFamily::kCofdm);
  EXPECT_EQ(device_->tunes[0].modulation, BDA_MOD_64QAM);
  model_.GetChangeState(&state);
  EXPECT_EQ(state, BDA_CHANGES_COMPLETE);

  // The automatic mode of another demodulator moves the next tune to its family.
  auto vsb = Node<IBDA_AutoDemodulate>(KSNODE_BDA_8VSB_DEMODULATOR);
  model_.StartChanges();
  ASSERT_EQ(vsb->put_AutoDemodulate(), S_OK);
  rf->put_FrequencyMultiplier(1);
  rf->put_Frequency(55'250'000);
  model_.CommitChanges();
  ASSERT_EQ(device_->tunes.size(), 2u);
  EXPECT_EQ(device_->tunes[1].frequencyHz, 55'250'000u);
  EXPECT_EQ(device_->tunes[1].family, DemodulatorFamily::kVsb);
  EXPECT_EQ(device_->tunes[1].modulation, BDA_MOD_NOT_SET);

  auto stats = Node<IBDA_SignalStatistics>(KSNODE_BDA_RF_TUNER);
  BOOLEAN locked = 0;
  LONG quality = 0;
  ASSERT_EQ(stats->get_SignalLocked(&locked), S_OK);
  ASSERT_EQ(stats->get_SignalQuality(&quality), S_OK);
  EXPECT_EQ(locked, 1);
  EXPECT_EQ(quality, 64);
}

TEST_F(ModelTest, StartChangesDropsWhatWasNotCommittedAndBadValuesAreRefused) {
  auto rf = Node<IBDA_FrequencyFilter>(KSNODE_BDA_RF_TUNER);
  auto qam = Node<IBDA_DigitalDemodulator>(KSNODE_BDA_QAM_DEMODULATOR);
  model_.StartChanges();
  rf->put_Frequency(1234);
  model_.StartChanges();  // abandons the change above
  ULONG frequency = 99;
  rf->get_Frequency(&frequency);
  EXPECT_EQ(frequency, 0u);
  EXPECT_EQ(model_.CommitChanges(), S_OK);
  EXPECT_TRUE(device_->tunes.empty());

  EXPECT_EQ(rf->put_FrequencyMultiplier(0), E_INVALIDARG);
  ModulationType vsb = BDA_MOD_8VSB;
  EXPECT_EQ(qam->put_ModulationType(&vsb), E_INVALIDARG);  // not a QAM mode
  ModulationType type = BDA_MOD_16QAM;
  qam->get_ModulationType(&type);
  EXPECT_EQ(type, BDA_MOD_NOT_SET);

  // The other demodulator values are kept but choose nothing.
  SpectralInversion inversion = BDA_SPECTRAL_INVERSION_NORMAL;
  ASSERT_EQ(qam->put_SpectralInversion(&inversion), S_OK);
  inversion = BDA_SPECTRAL_INVERSION_NOT_SET;
  qam->get_SpectralInversion(&inversion);
  EXPECT_EQ(inversion, BDA_SPECTRAL_INVERSION_NORMAL);
  EXPECT_EQ(model_.State().Pending().activeFamily, DemodulatorFamily::kNone);
}

// Packets with the given PIDs, the PID in bytes 1-2 and the index in byte 4.
std::vector<std::uint8_t> Packets(const std::vector<unsigned>& pids) {
  std::vector<std::uint8_t> out(pids.size() * 188);
  for (std::size_t i = 0; i < pids.size(); ++i) {
    out[i * 188] = 0x47;
    out[i * 188 + 1] = static_cast<std::uint8_t>(pids[i] >> 8);
    out[i * 188 + 2] = static_cast<std::uint8_t>(pids[i]);
    out[i * 188 + 4] = static_cast<std::uint8_t>(i);
  }
  return out;
}

TEST_F(ModelTest, PidFilterPassesEverythingOrOnlyTheMappedPids) {
  auto node = Node<IMPEG2PIDMap>(KSNODE_BDA_PID_FILTER);
  auto mode = node.As<IBDA_PidFilter>();
  auto& filter = model_.State().PidFilter();
  auto packets = Packets({0x00, 0x31, 0x34, 0x1FFB, 0x31});

  EXPECT_EQ(filter.Filter(packets), packets.size());  // pass-all by default

  ULONG pids[] = {0x31, 0x1FFB};
  ASSERT_EQ(node->MapPID(2, pids, MEDIA_TRANSPORT_PACKET), S_OK);
  ASSERT_EQ(mode->put_Mode(kPidFilterMappedOnly), S_OK);
  const std::size_t kept = filter.Filter(packets);
  ASSERT_EQ(kept, 3u * 188);
  EXPECT_EQ(packets[4], 1);
  EXPECT_EQ(packets[188 + 4], 3);
  EXPECT_EQ(packets[2 * 188 + 4], 4);

  // A PID beyond 13 bits refuses the whole call and changes nothing.
  ULONG bad[] = {0x40, 0x2000};
  EXPECT_EQ(node->MapPID(2, bad, MEDIA_TRANSPORT_PACKET), E_INVALIDARG);
  ComPtr<IEnumPIDMap> maps;
  ASSERT_EQ(node->EnumPIDMap(&maps), S_OK);
  PID_MAP got[4];
  ULONG fetched = 0;
  maps->Next(4, got, &fetched);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(got[0].ulPID, 0x31u);
  EXPECT_EQ(got[1].ulPID, 0x1FFBu);

  ASSERT_EQ(node->UnmapPID(2, pids), S_OK);
  auto again = Packets({0x31});
  EXPECT_EQ(filter.Filter(again), 0u);
  EXPECT_EQ(mode->put_Mode(5), E_INVALIDARG);
  LONG m = 0;
  mode->get_Mode(&m);
  EXPECT_EQ(m, kPidFilterMappedOnly);
}

}  // namespace
