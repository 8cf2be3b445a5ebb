#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "filters/sectionbuffer/PacketBufferAdapter.h"
#include "filters/sectionbuffer/PsiParserFilter.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/FilterGraph.h"
#include "tables/sections/SectionRules.h"
#include "tests/sectionbuffer/FakeNetworkProvider.h"
#include "tests/sectionbuffer/SectionSource.h"

namespace {

using filters::test::FakeNetworkProvider;
using filters::test::MakeSection;
using filters::test::SectionSource;

struct Taken {
  std::vector<std::uint8_t> bytes;
  LONG type = 0, channel = 0, modulation = 0, program = 0, pid = 0;
};

class SectionBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph_ = new CFilterGraph;
    provider_ = new FakeNetworkProvider;
    buffer_ = new CPsiParserFilter;
    source_ = new SectionSource;
    ASSERT_EQ(graph_->AddFilter(provider_.Get(), u"Tallowmark Network Provider"), S_OK);
    ASSERT_EQ(graph_->AddFilter(buffer_.Get(), u"Tallowmark Section Buffer"), S_OK);
    ASSERT_EQ(graph_->AddFilter(source_.Get(), u"Demux"), S_OK);
    ASSERT_EQ(graph_->ConnectDirect(source_->Output(), buffer_->InputPin(), nullptr), S_OK);
    provider_->SetTuning(0, 30, 0x8);
    ASSERT_EQ(buffer_->Pause(), S_OK);
  }
  void TearDown() override {
    buffer_->Stop();
    source_->Output()->Disconnect();
    buffer_->InputPin()->Disconnect();
  }

  HRESULT Send(std::span<const std::uint8_t> bytes, DWORD flags) {
    ComPtr<IMediaSample> sample = samples_.Make(bytes, flags);
    return buffer_->InputPin()->Receive(sample.Get());
  }

  bool Take(Taken* out) {
    BYTE* bytes = nullptr;
    LONG length = 0;
    if (FAILED(buffer_->GetNextSection(&bytes, &length, &out->type, &out->channel, &out->modulation,
                                       &out->program, &out->pid))) {
      return false;
    }
    out->bytes.assign(bytes, bytes + length);
    CoTaskMemFree(bytes);
    return true;
  }

  std::vector<Taken> TakeAll() {
    std::vector<Taken> all;
    Taken t;
    while (Take(&t))
      all.push_back(t);
    return all;
  }

  ComPtr<CFilterGraph> graph_;
  ComPtr<FakeNetworkProvider> provider_;
  ComPtr<CPsiParserFilter> buffer_;
  ComPtr<SectionSource> source_;
  filters::test::SampleMaker samples_;
};

const std::array<std::uint8_t, 5> kBody = {0x00, 0x01, 0xC1, 0x00, 0x00};

TEST(SectionBufferPin, OffersOneSectionsTypeAndAcceptsAnySectionsType) {
  ComPtr<CPsiParserFilter> buffer(new CPsiParserFilter);
  CPsiParserInputPin* pin = buffer->InputPin();
  CMediaType mt;
  ASSERT_EQ(pin->GetMediaType(0, &mt), S_OK);
  EXPECT_EQ(mt.majortype, MEDIATYPE_MPEG2_SECTIONS);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_None);
  EXPECT_EQ(mt.formattype, GUID_NULL);
  EXPECT_EQ(mt.cbFormat, 0u);
  EXPECT_TRUE(mt.bFixedSizeSamples);
  EXPECT_FALSE(mt.bTemporalCompression);
  EXPECT_EQ(mt.lSampleSize, 65536u);
  EXPECT_EQ(pin->GetMediaType(1, &mt), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(pin->GetMediaType(-1, &mt), E_INVALIDARG);

  CMediaType other(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_EQ(pin->QueryAccept(&other), S_OK);
  CMediaType video(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_EQ(pin->QueryAccept(&video), S_FALSE);

  PIN_INFO info;
  pin->QueryPinInfo(&info);
  info.pFilter->Release();
  EXPECT_EQ(std::u16string(info.achName), u"Input");
  ComPtr<IPacketBuffer> packets;
  EXPECT_EQ(buffer.As(&packets), S_OK);
}

TEST(SectionBufferPin, ConnectionFailsWithoutTheNetworkProvider) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  ComPtr<CPsiParserFilter> buffer(new CPsiParserFilter);
  ComPtr<SectionSource> source(new SectionSource);
  // A filter offering the interface under another class id is not the provider.
  ComPtr<FakeNetworkProvider> impostor(new FakeNetworkProvider(filters::test::CLSID_SectionSource));
  graph->AddFilter(buffer.Get(), u"Tallowmark Section Buffer");
  graph->AddFilter(source.Get(), u"Demux");
  graph->AddFilter(impostor.Get(), u"Other");
  EXPECT_TRUE(FAILED(graph->ConnectDirect(source->Output(), buffer->InputPin(), nullptr)));
  EXPECT_FALSE(buffer->InputPin()->IsConnected());
  EXPECT_FALSE(static_cast<CBasePin*>(source->GetPin(0))->IsConnected());
}

TEST_F(SectionBufferTest, KeepsOnlyTheParsedTablesOnTheirPids) {
  struct Case {
    std::uint8_t tableId;
    DWORD pid;
    bool kept;
  };
  const Case cases[] = {
      {0x00, 0x0000, true},  {0x00, 0x0030, false}, {0x01, 0x0000, true}, {0x01, 0x0001, false},
      {0x02, 0x0030, true},  {0x03, 0x0000, false}, {0x42, 0x0011, true}, {0x46, 0x0011, true},
      {0x4D, 0x0012, false}, {0x4E, 0x0012, true},  {0x6F, 0x0012, true}, {0x70, 0x0014, false},
      {0xC1, 0x1FFB, false}, {0xC2, 0x0040, true},  {0xC5, 0x0040, true}, {0xC6, 0x1FFB, false},
      {0xC7, 0x1FFB, true},  {0xC7, 0x1FFC, false}, {0xC8, 0x1FFB, true}, {0xC9, 0x0000, false},
      {0xCA, 0x1FFB, true},  {0xCB, 0x1D00, true},  {0xCC, 0x1E01, true}, {0xCD, 0x1FFB, true},
      {0xCD, 0x0100, false}, {0xCE, 0x1FFB, false}, {0xD3, 0x0050, true}, {0xD6, 0x0050, true},
      {0xD7, 0x0050, false}, {0xFF, 0x1FFB, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "table_id " << int(c.tableId) << " pid " << c.pid);
    const auto section = MakeSection(c.tableId, kBody);
    EXPECT_EQ(Send(section, c.pid), S_OK);
    const auto taken = TakeAll();
    ASSERT_EQ(taken.size(), c.kept ? 1u : 0u);
    if (c.kept) {
      EXPECT_EQ(taken[0].bytes, section);
      EXPECT_EQ(taken[0].pid, static_cast<LONG>(c.pid));
    }
  }
}

TEST_F(SectionBufferTest, ThePidIsTheLow13BitsOfTheTypeSpecificFlags) {
  // Bits 13-15 are other flags; the upper 16 carry the tune (0, the fake's).
  EXPECT_EQ(Send(MakeSection(0xC7, kBody), 0xE000u | 0x1FFB), S_OK);
  EXPECT_EQ(Send(MakeSection(0x00, kBody), 0xA000u), S_OK);  // PID 0 under other flags
  const auto taken = TakeAll();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].pid, 0x1FFB);
  EXPECT_EQ(taken[1].pid, 0);
}

TEST_F(SectionBufferTest, EverySingleBitErrorFailsTheCrc) {
  const auto good = MakeSection(0xCB, kBody);
  // Bits of the table_id byte would change the table; start behind it.
  for (std::size_t bit = 8; bit < good.size() * 8; ++bit) {
    auto bad = good;
    bad[bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    ASSERT_EQ(Send(bad, 0x1D00), S_OK);
  }
  EXPECT_TRUE(TakeAll().empty());
  EXPECT_EQ(Send(good, 0x1D00), S_OK);
  EXPECT_EQ(TakeAll().size(), 1u);
}

TEST_F(SectionBufferTest, SamplesTooShortForACrcAreDropped) {
  const std::uint8_t shortOnes[][3] = {{0x00, 0x00, 0x00}, {0xCB, 0xFF, 0xFF}};
  for (const auto& s : shortOnes) {
    for (std::size_t n = 1; n <= 3; ++n)
      EXPECT_EQ(Send(std::span<const std::uint8_t>(s, n), 0), S_OK);
  }
  EXPECT_EQ(Send({}, 0), S_OK);
  EXPECT_TRUE(TakeAll().empty());
}

TEST_F(SectionBufferTest, SectionsCarryTheProvidersTuningAndNoProgram) {
  provider_->SetTuning(4, 37, 0x4000);
  const auto section = MakeSection(0x4E, kBody);
  ASSERT_EQ(Send(section, 0x12), S_OK);
  provider_->SetTuning(1, 95, 0x10);
  ASSERT_EQ(Send(section, 0x12), S_OK);
  const auto taken = TakeAll();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].type, 4);
  EXPECT_EQ(taken[0].channel, 37);
  EXPECT_EQ(taken[0].modulation, 0x4000);
  EXPECT_EQ(taken[0].program, -1);
  EXPECT_EQ(taken[0].pid, 0x12);
  EXPECT_EQ(taken[1].type, 1);
  EXPECT_EQ(taken[1].channel, 95);
  EXPECT_EQ(taken[1].modulation, 0x10);
}

TEST_F(SectionBufferTest, SectionsBetweenChannelsOrWithoutTuningAreDropped) {
  const auto section = MakeSection(0xCB, kBody);
  provider_->SetTuning(0, 0, 0x8);  // a tune in progress
  EXPECT_EQ(Send(section, 0x1D00), S_OK);
  provider_->SetTuning(0, 30, 0x8);
  provider_->FailTuning(true);
  EXPECT_EQ(Send(section, 0x1D00), S_OK);
  EXPECT_TRUE(TakeAll().empty());
  provider_->FailTuning(false);
  EXPECT_EQ(Send(section, 0x1D00), S_OK);
  EXPECT_EQ(TakeAll().size(), 1u);
}

TEST_F(SectionBufferTest, TheQueueHolds256SectionsInArrivalOrder) {
  std::vector<std::vector<std::uint8_t>> sent;
  for (int i = 0; i < 257; ++i) {
    const std::array<std::uint8_t, 5> body = {static_cast<std::uint8_t>(i >> 8),
                                              static_cast<std::uint8_t>(i), 0xC1, 0, 0};
    sent.push_back(MakeSection(0xCB, body));
    ASSERT_EQ(Send(sent.back(), 0x1D00), S_OK);  // a full queue drops silently
  }
  EXPECT_EQ(buffer_->InputPin()->QueuedCount(), 256u);
  auto taken = TakeAll();
  ASSERT_EQ(taken.size(), 256u);
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(taken[i].bytes, sent[i]) << i;

  // Emptied, it takes sections again (the ring wraps).
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(Send(sent[i % 257], 0x1D00), S_OK);
    Taken t;
    ASSERT_TRUE(Take(&t));
    ASSERT_EQ(t.bytes, sent[i % 257]);
  }
}

TEST_F(SectionBufferTest, AnEmptyQueueFailsAndLeavesTheOutputsAlone) {
  BYTE marker = 0;
  BYTE* bytes = &marker;
  LONG length = 11, type = 12, channel = 13, modulation = 14, program = 15, pid = 16;
  EXPECT_TRUE(FAILED(
      buffer_->GetNextSection(&bytes, &length, &type, &channel, &modulation, &program, &pid)));
  EXPECT_EQ(bytes, &marker);
  EXPECT_EQ(length, 11);
  EXPECT_EQ(type, 12);
  EXPECT_EQ(channel, 13);
  EXPECT_EQ(modulation, 14);
  EXPECT_EQ(program, 15);
  EXPECT_EQ(pid, 16);
  EXPECT_EQ(buffer_->GetNextSection(nullptr, &length, &type, &channel, &modulation, &program, &pid),
            E_POINTER);
}

TEST_F(SectionBufferTest, BeginFlushEmptiesTheQueue) {
  for (int i = 0; i < 5; ++i)
    ASSERT_EQ(Send(MakeSection(0xCB, kBody), 0x1D00), S_OK);
  ASSERT_EQ(buffer_->InputPin()->BeginFlush(), S_OK);
  EXPECT_TRUE(TakeAll().empty());
  EXPECT_EQ(Send(MakeSection(0xCB, kBody), 0x1D00), S_FALSE);  // flushing
  ASSERT_EQ(buffer_->InputPin()->EndFlush(), S_OK);
  EXPECT_EQ(Send(MakeSection(0xCB, kBody), 0x1D00), S_OK);
  EXPECT_EQ(TakeAll().size(), 1u);
}

TEST_F(SectionBufferTest, DestroyingTheFilterFreesQueuedSections) {
  // Run under the sanitizer build, a leak here fails the suite.
  for (int i = 0; i < 10; ++i)
    ASSERT_EQ(Send(MakeSection(0xCB, kBody), 0x1D00), S_OK);
  EXPECT_EQ(buffer_->InputPin()->QueuedCount(), 10u);
}

TEST_F(SectionBufferTest, NullSamplesAndStoppedFiltersAreRefused) {
  testing::internal::CaptureStdout();
  EXPECT_TRUE(FAILED(buffer_->InputPin()->Receive(nullptr)));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "invalid sample\n");
  buffer_->Stop();
  EXPECT_EQ(Send(MakeSection(0xCB, kBody), 0x1D00), VFW_E_WRONG_STATE);
  EXPECT_TRUE(TakeAll().empty());
}

TEST_F(SectionBufferTest, TheProgramTableAnswersAsAnEmptyTable) {
  LONG value = 77;
  EXPECT_EQ(buffer_->GetCurrentProgram(&value), S_OK);
  EXPECT_EQ(value, -1);
  value = 77;
  EXPECT_EQ(buffer_->GetCurrentPmtVersion(&value), S_FALSE);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(buffer_->GetProgramNumber(0, &value), E_INVALIDARG);
  EXPECT_EQ(buffer_->GetPmtPidByIndex(0, &value), E_INVALIDARG);
  EXPECT_EQ(buffer_->GetPmtPid(1, &value), E_INVALIDARG);
  EXPECT_EQ(buffer_->GetPmtVersion(1, &value), E_INVALIDARG);
  EXPECT_EQ(buffer_->GetStreamCount(1, &value), E_INVALIDARG);
  EXPECT_EQ(buffer_->GetStreamType(1, 0, &value), E_INVALIDARG);
  EXPECT_EQ(buffer_->GetStreamPid(1, 0, &value), E_INVALIDARG);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(buffer_->ResetProgramTable(), S_OK);
  testing::internal::CaptureStdout();
  EXPECT_EQ(buffer_->PrintProgramTable(), S_OK);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "PAT data:\n");
}

TEST_F(SectionBufferTest, ThePollTakesSectionsThroughTheAdapter) {
  const auto section = MakeSection(0xC7, kBody);
  ASSERT_EQ(Send(section, 0x1FFB), S_OK);
  filters::PacketBufferAdapter adapter(buffer_.Get());
  tables::IPacketBuffer& poll = adapter;
  const std::optional<tables::ReceivedSection> received = poll.TakeNextSection();
  ASSERT_TRUE(received);
  EXPECT_EQ(received->bytes, section);
  EXPECT_EQ(received->tag.physical, 30);
  EXPECT_EQ(received->tag.pid, 0x1FFB);
  EXPECT_FALSE(poll.TakeNextSection());
}

TEST_F(SectionBufferTest, ConcurrentReceiveAndPollKeepOrder) {
  constexpr int kCount = 3000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (int i = 0; i < kCount; ++i) {
      const std::array<std::uint8_t, 5> body = {static_cast<std::uint8_t>(i >> 8),
                                                static_cast<std::uint8_t>(i), 0xC1, 0, 0};
      Send(MakeSection(0xCB, body), 0x1D00);
    }
    done = true;
  });
  int last = -1, taken = 0;
  bool ordered = true;
  for (;;) {
    const bool finished = done.load();
    Taken t;
    while (Take(&t)) {
      const int n = t.bytes[3] << 8 | t.bytes[4];
      ordered = ordered && n > last;
      last = n;
      ++taken;
    }
    if (finished) break;
    std::this_thread::yield();
  }
  producer.join();
  EXPECT_TRUE(ordered);
  EXPECT_GT(taken, 0);
  EXPECT_LE(taken, kCount);
}

}  // namespace
