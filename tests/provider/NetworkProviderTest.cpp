#include <gtest/gtest.h>

#include <future>

#include "filters/provider/NetworkProvider.h"
#include "filters/provider/PsiPidAdapter.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/MediaGuids.h"
#include "tables/poll/PollSections.h"
#include "tests/provider/ProviderFakes.h"

namespace {

using filters::CNetworkProvider;
using filters::test::CFakeDemux;
using filters::test::CFakeTuner;
using tuning::DemodulatorFamily;

struct Tuning {
  LONG type = -9, channel = -9, modulation = -9;
  bool operator==(const Tuning&) const = default;
};

class NetworkProviderTest : public ::testing::Test {
 protected:
  NetworkProviderTest() : provider_(new CNetworkProvider(nullptr)), tuner_(new CFakeTuner) {
    ULONG context = 0;
    EXPECT_EQ(provider_->RegisterDeviceFilter(static_cast<IBDA_Topology*>(tuner_.Get()), &context),
              S_OK);
    EXPECT_EQ(context, filters::kRegisteredTuner);
  }
  ~NetworkProviderTest() override { provider_->Stop(); }

  void Run() {
    ASSERT_EQ(provider_->Pause(), S_OK);
    ASSERT_EQ(provider_->Run(0), S_OK);
  }
  Tuning Current() {
    Tuning t;
    EXPECT_EQ(provider_->GetCurrentTuning(&t.type, &t.channel, &t.modulation), S_OK);
    return t;
  }
  ComPtr<CFakeDemux> RegisterDemux() {
    ComPtr<CFakeDemux> demux(new CFakeDemux);
    ULONG context = 0;
    EXPECT_EQ(provider_->RegisterDeviceFilter(static_cast<IBaseFilter*>(demux.Get()), &context),
              S_OK);
    EXPECT_EQ(context, filters::kRegisteredDemultiplexer);
    return demux;
  }
  LONG PidMode() { return tuner_->model.State().PidFilter().Mode(); }

  ComPtr<CNetworkProvider> provider_;
  ComPtr<CFakeTuner> tuner_;
};

TEST_F(NetworkProviderTest, TuneGivesTheBandPlanToTheNodes) {
  Run();
  // Antenna US channel 2, 8-VSB: the picture carrier in hertz, bandwidth open.
  ASSERT_EQ(provider_->Tune(2, 0, tuning::kVsb8), S_OK);
  auto tunes = tuner_->device->Tunes();
  ASSERT_EQ(tunes.size(), 1u);
  EXPECT_EQ(tunes[0].frequencyHz, 55'250'000u);
  EXPECT_EQ(tunes[0].bandwidthMHz, BDA_ULONG_NOT_SET);
  EXPECT_EQ(tunes[0].family, DemodulatorFamily::kVsb);
  EXPECT_EQ(tunes[0].modulation, BDA_MOD_8VSB);
  EXPECT_EQ(Current(), (Tuning{0, 2, tuning::kVsb8}));

  const auto settings = tuner_->model.State().Current();
  EXPECT_EQ(settings.rf.multiplier, 1u);
  EXPECT_EQ(settings.rf.lnbLow, BDA_ULONG_NOT_SET);
  EXPECT_EQ(settings.rf.lnbHigh, BDA_ULONG_NOT_SET);
  const auto& vsb = settings.demodulators.at(DemodulatorFamily::kVsb);
  EXPECT_EQ(vsb.innerFecMethod, BDA_FEC_METHOD_NOT_SET);
  EXPECT_EQ(vsb.outerFecRate, BDA_BCC_RATE_NOT_SET);
  EXPECT_EQ(vsb.symbolRate, BDA_ULONG_NOT_SET);
  EXPECT_EQ(vsb.spectralInversion, BDA_SPECTRAL_INVERSION_NOT_SET);

  // Antenna EU: kilohertz with multiplier 1000; 7 MHz up to index 13, 8 MHz from 14.
  ASSERT_EQ(provider_->Tune(12, 4, tuning::kCofdmQam64), S_OK);
  ASSERT_EQ(provider_->Tune(13, 4, tuning::kCofdmQam64), S_OK);
  ASSERT_EQ(provider_->Tune(14, 4, tuning::kCofdmQam64), S_OK);
  tunes = tuner_->device->Tunes();
  ASSERT_EQ(tunes.size(), 4u);
  EXPECT_EQ(tunes[1].frequencyHz, 226'500'000u);
  EXPECT_EQ(tunes[1].bandwidthMHz, 7u);
  EXPECT_EQ(tunes[1].family, DemodulatorFamily::kCofdm);
  EXPECT_EQ(tunes[1].modulation, BDA_MOD_64QAM);
  EXPECT_EQ(tunes[2].bandwidthMHz, 7u);
  EXPECT_EQ(tunes[2].frequencyHz, 0u);  // no channel 13 in the plan: passed unchanged
  EXPECT_EQ(tunes[3].bandwidthMHz, 8u);
  EXPECT_EQ(tuner_->model.State().Current().rf.multiplier, 1000u);

  // COFDM automatic, stored in the locator's byte as 0 on the DVB-T maps.
  ASSERT_EQ(provider_->Tune(14, 6, 0), S_OK);
  tunes = tuner_->device->Tunes();
  EXPECT_EQ(tunes.back().frequencyHz, 473'000'000u);
  EXPECT_EQ(tunes.back().bandwidthMHz, 6u);
  EXPECT_EQ(tunes.back().family, DemodulatorFamily::kCofdm);
  EXPECT_EQ(tunes.back().modulation, BDA_MOD_NOT_SET);
}

TEST_F(NetworkProviderTest, IndexesOutsideTheTableAreRefusedAndChangeNothing) {
  Run();
  ASSERT_EQ(provider_->Tune(22, 0, tuning::kVsb8), S_OK);
  const Tuning before = Current();
  const struct {
    LONG channel, type;
  } refused[] = {{-1, 0}, {70, 0}, {255, 0}, {160, 1}, {13, 6}, {70, 6}, {5, 7}, {5, -1}};
  for (const auto& r : refused) {
    EXPECT_EQ(provider_->Tune(r.channel, r.type, tuning::kVsb8), E_INVALIDARG)
        << r.channel << " on map " << r.type;
  }
  EXPECT_EQ(Current(), before);
  EXPECT_EQ(tuner_->device->Tunes().size(), 1u);

  // Refused while stopped, the pending tune stays the one before.
  provider_->Stop();
  ASSERT_EQ(provider_->Tune(30, 0, tuning::kVsb8), S_OK);
  EXPECT_EQ(provider_->Tune(255, 0, tuning::kVsb8), E_INVALIDARG);
  Run();
  EXPECT_EQ(Current().channel, 30);
}

TEST_F(NetworkProviderTest, TuneWhileStoppedWaitsForRunAndOnlyTheLastCounts) {
  ASSERT_EQ(provider_->Tune(22, 0, tuning::kVsb8), S_OK);
  ASSERT_EQ(provider_->Tune(45, 1, tuning::kQam256), S_OK);
  EXPECT_TRUE(tuner_->device->Tunes().empty());
  EXPECT_EQ(Current(), (Tuning{0, 0, 0}));

  ASSERT_EQ(provider_->Pause(), S_OK);
  EXPECT_TRUE(tuner_->device->Tunes().empty());  // paused is not running
  ASSERT_EQ(provider_->Run(0), S_OK);
  const auto tunes = tuner_->device->Tunes();
  ASSERT_EQ(tunes.size(), 1u);
  EXPECT_EQ(tunes[0].family, DemodulatorFamily::kQam);
  EXPECT_EQ(tunes[0].modulation, BDA_MOD_256QAM);
  EXPECT_EQ(Current(), (Tuning{1, 45, tuning::kQam256}));

  // A stop and run again does not repeat it.
  provider_->Stop();
  Run();
  EXPECT_EQ(tuner_->device->Tunes().size(), 1u);
}

TEST_F(NetworkProviderTest, CurrentChannelIsZeroWhileATuneTalksToTheDeviceAndReadsDoNotWait) {
  Run();
  ASSERT_EQ(provider_->Tune(22, 0, tuning::kVsb8), S_OK);
  tuner_->device->Hold();
  auto tune = std::async(std::launch::async, [&] { return provider_->Tune(30, 0, tuning::kVsb8); });
  tuner_->device->WaitInTune();
  // The tune holds the filter lock while the device works; the tuning reads on.
  EXPECT_EQ(Current(), (Tuning{0, 0, tuning::kVsb8}));
  tuner_->device->Release();
  EXPECT_EQ(tune.get(), S_OK);
  EXPECT_EQ(Current(), (Tuning{0, 30, tuning::kVsb8}));
}

TEST_F(NetworkProviderTest, RegisteringADemultiplexerCreatesItsThreePins) {
  auto demux = RegisterDemux();
  ASSERT_EQ(demux->GetPinCount(), 3);
  auto* sections = demux->Pin(filters::kSectionPinName);
  auto* video = demux->Pin(filters::kVideoPinName);
  auto* audio = demux->Pin(filters::kAudioPinName);
  ASSERT_TRUE(sections && video && audio);
  EXPECT_EQ(sections->Type().majortype, MEDIATYPE_MPEG2_SECTIONS);
  EXPECT_EQ(video->Type().subtype, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_EQ(video->Type().formattype, FORMAT_MPEG2Video);
  EXPECT_EQ(video->Type().cbFormat, 218u);
  EXPECT_TRUE(video->Type().bFixedSizeSamples);
  EXPECT_EQ(video->Type().lSampleSize, 65536u);
  EXPECT_EQ(audio->Type().majortype, MEDIATYPE_Audio);

  // A filter that is neither tuner nor demultiplexer is registered as nothing.
  ComPtr<CNetworkProvider> other(new CNetworkProvider(nullptr));
  ULONG context = 0;
  EXPECT_EQ(provider_->RegisterDeviceFilter(static_cast<IBaseFilter*>(other.Get()), &context),
            S_OK);
  EXPECT_EQ(context, filters::kRegisteredNothing);
}

TEST_F(NetworkProviderTest, MapStreamPidsRemovesAllOldBeforeAddingNew) {
  auto demux = RegisterDemux();
  auto* video = demux->Pin(filters::kVideoPinName);
  auto* audio = demux->Pin(filters::kAudioPinName);

  ASSERT_EQ(provider_->MapStreamPids(2, 0x81, 0x31, 0x34, 0x41, FALSE), S_OK);
  EXPECT_EQ(tuner_->HardwarePids(), (std::vector<ULONG>{0x31, 0x34, 0x41}));
  EXPECT_EQ(PidMode(), kPidFilterMappedOnly);
  EXPECT_EQ(video->maps.at(0x31), MEDIA_ELEMENTARY_STREAM);
  EXPECT_EQ(audio->maps.at(0x34), MEDIA_ELEMENTARY_STREAM);

  // The new video PID is the old PCR PID: it must stay mapped.
  ASSERT_EQ(provider_->MapStreamPids(2, 0x81, 0x41, 0x44, 0x51, FALSE), S_OK);
  EXPECT_EQ(tuner_->HardwarePids(), (std::vector<ULONG>{0x41, 0x44, 0x51}));
  EXPECT_EQ(video->maps.size(), 1u);
  EXPECT_EQ(video->maps.count(0x41), 1u);
  EXPECT_EQ(audio->maps.count(0x44), 1u);
  // Both unmaps come before both maps on the pins.
  const std::vector<std::string> expected = {"unmap Video 0x31", "unmap Audio 0x34",
                                             "map Video 0x41", "map Audio 0x44"};
  ASSERT_GE(demux->log.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(demux->log.end() - 4, demux->log.end()), expected);

  // -1 removes the old ones and maps nothing.
  ASSERT_EQ(provider_->MapStreamPids(0, 0, kNoPid, kNoPid, kNoPid, FALSE), S_OK);
  EXPECT_TRUE(tuner_->HardwarePids().empty());
  EXPECT_TRUE(video->maps.empty());
  EXPECT_TRUE(audio->maps.empty());

  // PIDs beyond 13 bits (a scan's default PIDs from minor 0xFFFF) change nothing.
  ASSERT_EQ(provider_->MapStreamPids(0, 0, 0x31, 0x34, 0x31, FALSE), S_OK);
  EXPECT_EQ(provider_->MapStreamPids(0, 0, 0x31 + 16 * 0xFFFE, 0x34, 0x31, FALSE), E_INVALIDARG);
  EXPECT_EQ(video->maps.count(0x31), 1u);
  EXPECT_EQ(tuner_->HardwarePids(), (std::vector<ULONG>{0x31, 0x34}));

  // With the whole stream recorded the PID filter passes everything.
  ASSERT_EQ(provider_->MapStreamPids(0, 0, 0x61, 0x64, 0x61, TRUE), S_OK);
  EXPECT_EQ(PidMode(), kPidFilterPassAll);
  EXPECT_TRUE(tuner_->HardwarePids().empty());
  EXPECT_EQ(video->maps.count(0x61), 1u);
}

TEST_F(NetworkProviderTest, TheSectionPollSetsPsiPidsThroughTheAdapter) {
  auto demux = RegisterDemux();
  auto* sections = demux->Pin(filters::kSectionPinName);
  tables::PsiPidList listed;
  listed.AddIfMissing(0x1D00, tables::kPidEit);
  listed.AddIfMissing(0x0030, tables::kPidFromPat);
  std::int32_t pids[tables::kPidArraySize];
  const std::size_t count = tables::BuildPsiPidArray(listed, pids);
  ASSERT_EQ(count, 10u);  // the eight fixed PIDs and the two listed
  filters::PsiPidAdapter adapter(static_cast<INetworkProvider*>(provider_.Get()));
  ASSERT_TRUE(adapter.SetPsiPids(std::span<const std::int32_t>(pids, count), false));
  EXPECT_EQ(sections->maps.size(), 10u);
  EXPECT_EQ(sections->maps.count(0x1D00), 1u);
  EXPECT_EQ(PidMode(), kPidFilterMappedOnly);
}

TEST_F(NetworkProviderTest, PsiPidsGoToTheSectionPinAndThePidFilterAndClearPidsRemovesThem) {
  auto demux = RegisterDemux();
  auto* sections = demux->Pin(filters::kSectionPinName);
  const LONG psi[] = {0x0000, 0x1FFB, 0x1FFC, 0x0010};
  ASSERT_EQ(provider_->SetPsiPids(psi, 4, FALSE), S_OK);
  EXPECT_EQ(PidMode(), kPidFilterMappedOnly);
  EXPECT_EQ(tuner_->HardwarePids(), (std::vector<ULONG>{0x0000, 0x0010, 0x1FFB, 0x1FFC}));
  ASSERT_EQ(sections->maps.size(), 4u);
  for (const auto& [pid, content] : sections->maps)
    EXPECT_EQ(content, MEDIA_MPEG2_PSI);

  // Flag set: mode 0 and nothing more on the PID filter; the section pin still maps.
  const LONG more[] = {0x0011};
  ASSERT_EQ(provider_->SetPsiPids(more, 1, TRUE), S_OK);
  EXPECT_EQ(PidMode(), kPidFilterPassAll);
  EXPECT_EQ(tuner_->HardwarePids().size(), 4u);
  EXPECT_EQ(sections->maps.size(), 5u);

  const LONG bad[] = {0x20, 0x2000};
  EXPECT_EQ(provider_->SetPsiPids(bad, 2, FALSE), E_INVALIDARG);
  EXPECT_EQ(sections->maps.count(0x20), 0u);

  ASSERT_EQ(provider_->MapStreamPids(0, 0, 0x31, 0x34, 0x31, FALSE), S_OK);
  ASSERT_EQ(provider_->ClearPids(), S_OK);
  EXPECT_TRUE(sections->maps.empty());
  EXPECT_TRUE(tuner_->HardwarePids().empty());
  // The stream pins are not the section pin's business.
  EXPECT_EQ(demux->Pin(filters::kVideoPinName)->maps.count(0x31), 1u);
}

TEST_F(NetworkProviderTest, SupportedModulationsFollowTheDemodulatorNodes) {
  LONG modulations = 0;
  ASSERT_EQ(provider_->GetSupportedModulations(&modulations), S_OK);
  EXPECT_EQ(modulations, 0x1FF);

  ComPtr<CNetworkProvider> atsc(new CNetworkProvider(nullptr));
  ComPtr<CFakeTuner> vsbOnly(new CFakeTuner({DemodulatorFamily::kVsb}));
  ULONG context = 0;
  atsc->RegisterDeviceFilter(static_cast<IBDA_Topology*>(vsbOnly.Get()), &context);
  ASSERT_EQ(atsc->GetSupportedModulations(&modulations), S_OK);
  EXPECT_EQ(modulations, 0x009);
  // A QAM tune finds no QAM demodulator.
  atsc->Pause();
  atsc->Run(0);
  EXPECT_TRUE(FAILED(atsc->Tune(45, 1, tuning::kQam256)));
  atsc->Stop();

  ASSERT_EQ(atsc->UnRegisterDeviceFilter(context), S_OK);
  EXPECT_EQ(atsc->GetSupportedModulations(&modulations), E_FAIL);
  EXPECT_EQ(modulations, 0);
}

TEST_F(NetworkProviderTest, PinTypeStateAndPages) {
  ComPtr<IPin> pin;
  ASSERT_EQ(provider_->FindPin(u"Antenna Out", &pin), S_OK);
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(pin->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(types->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  for (ULONG i = 0; i < fetched; ++i) {
    EXPECT_EQ(got[i]->majortype, KSDATAFORMAT_TYPE_BDA_ANTENNA);
    EXPECT_EQ(got[i]->subtype, GUID_NULL);
    EXPECT_EQ(got[i]->cbFormat, 0u);
    EXPECT_FALSE(got[i]->bFixedSizeSamples);
    DeleteMediaType(got[i]);
  }
  CMediaType proposed(KSDATAFORMAT_TYPE_BDA_ANTENNA, MEDIASUBTYPE_MPEG2_TRANSPORT);
  EXPECT_EQ(pin->QueryAccept(&proposed), S_OK);
  CMediaType stream(MEDIATYPE_Stream, GUID_NULL);
  EXPECT_NE(pin->QueryAccept(&stream), S_OK);

  FILTER_STATE state;
  ASSERT_EQ(provider_->Pause(), S_OK);
  EXPECT_EQ(provider_->GetState(0, &state), VFW_S_CANT_CUE);
  EXPECT_EQ(state, State_Paused);

  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(provider_->QueryInterface(IID_PPV_ARGS(&pages)), S_OK);
  CAUUID list;
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_EQ(list.pElems[0], CLSID_NetworkProviderPropertyPage);
  CoTaskMemFree(list.pElems);

  LONG a = 0, b = 0, c = 0;
  provider_->PutSettings(1, -2, 3);
  provider_->GetSettings(&a, &b, &c);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, -2);
  EXPECT_EQ(c, 3);
}

}  // namespace
