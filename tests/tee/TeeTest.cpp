#include <gtest/gtest.h>

#include <string>

#include "filters/tee/Tee.h"
#include "platform/media/FilterGraph.h"
#include "tests/tee/StreamTestFilters.h"

namespace {

using filters::test::TestSink;
using filters::test::TestSource;
using filters::test::TransportType;

const GUID kA = MEDIASUBTYPE_MPEG2_TRANSPORT;
const GUID kB = MEDIASUBTYPE_MPEG2_PROGRAM;

std::u16string PinName(IPin* pin) {
  PIN_INFO info;
  pin->QueryPinInfo(&info);
  if (info.pFilter) info.pFilter->Release();
  return info.achName;
}

class TeeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph_ = new CFilterGraph;
    tee_ = new CTee;
    graph_->AddFilter(tee_.Get(), u"Smart Tee");
  }
  void TearDown() override {
    for (auto& s : sinks_)
      s->Stop();
    tee_->Stop();
    if (source_) source_->Stop();
  }

  HRESULT AddSource(std::vector<GUID> subtypes = {kA}) {
    source_ = new TestSource(std::move(subtypes));
    graph_->AddFilter(source_.Get(), u"Source");
    return graph_->ConnectDirect(source_->Output(), tee_->InputPin(), nullptr);
  }
  // Connects a new sink to the tee's free output (the last pin).
  HRESULT AddSink(std::vector<GUID> subtypes = {kA}) {
    ComPtr<TestSink> sink(new TestSink(std::move(subtypes)));
    graph_->AddFilter(sink.Get(), u"Sink");
    sinks_.push_back(sink);
    CTeeOutputPin* free = tee_->OutputPin(tee_->OutputCount() - 1);
    return graph_->ConnectDirect(free, sink->Input(), nullptr);
  }
  // Downstream first, as the graph does.
  void PauseAll() {
    for (auto& s : sinks_)
      ASSERT_EQ(s->Pause(), S_OK);
    ASSERT_EQ(tee_->Pause(), S_OK);
    ASSERT_EQ(source_->Pause(), S_OK);
  }

  ComPtr<CFilterGraph> graph_;
  ComPtr<CTee> tee_;
  ComPtr<TestSource> source_;
  std::vector<ComPtr<TestSink>> sinks_;
};

TEST_F(TeeTest, StartsWithAnInputAndOneOutputThatNeedsTheInputConnected) {
  EXPECT_EQ(tee_->GetPinCount(), 2);
  EXPECT_EQ(PinName(tee_->GetPin(0)), u"Input");
  EXPECT_EQ(PinName(tee_->GetPin(1)), u"Output1");
  EXPECT_EQ(tee_->GetPin(2), nullptr);
  CMediaType mt = TransportType();
  EXPECT_EQ(tee_->OutputPin(0)->CheckMediaType(&mt), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(tee_->OutputPin(0)->GetMediaType(0, &mt), VFW_S_NO_MORE_ITEMS);
  ComPtr<TestSink> sink(new TestSink);
  graph_->AddFilter(sink.Get(), u"Sink");
  EXPECT_TRUE(FAILED(graph_->ConnectDirect(tee_->OutputPin(0), sink->Input(), nullptr)));
  EXPECT_EQ(tee_->GetPinCount(), 2);
}

TEST_F(TeeTest, EveryConnectedOutputAddsAFreeOneUpToAThousand) {
  ASSERT_EQ(AddSource(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  EXPECT_EQ(tee_->OutputCount(), 2);
  EXPECT_EQ(PinName(tee_->OutputPin(1)), u"Output2");
  EXPECT_FALSE(tee_->OutputPin(1)->IsConnected());

  for (int i = 1; i < kMaxTeeOutputs; ++i)
    ASSERT_EQ(AddSink(), S_OK) << i;
  EXPECT_EQ(tee_->OutputCount(), kMaxTeeOutputs);
  EXPECT_EQ(tee_->GetPinCount(), kMaxTeeOutputs + 1);
  EXPECT_EQ(PinName(tee_->OutputPin(kMaxTeeOutputs - 1)), u"Output1000");
  for (int i = 0; i < kMaxTeeOutputs; ++i)
    ASSERT_TRUE(tee_->OutputPin(i)->IsConnected()) << i;

  // Every one of them gets the sample.
  PauseAll();
  const std::uint8_t bytes[] = {0x47, 0x1F, 0xFF, 0x10};
  ASSERT_EQ(source_->Send(bytes), S_OK);
  for (auto& s : sinks_)
    ASSERT_EQ(s->Payloads().size(), 1u);
}

TEST_F(TeeTest, SamplesReachEveryOutputByReferenceOnAReadOnlyAllocator) {
  ASSERT_EQ(AddSource(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  EXPECT_TRUE(sinks_[0]->SawReadOnly());
  EXPECT_TRUE(sinks_[1]->SawReadOnly());
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(sinks_[0]->Input()->GetAllocator(&allocator), S_OK);
  EXPECT_EQ(allocator.Get(), tee_->InputPin()->Allocator());
  EXPECT_EQ(sinks_[0]->Input()->Allocator(), sinks_[1]->Input()->Allocator());

  PauseAll();
  std::vector<std::vector<std::uint8_t>> sent;
  std::vector<BYTE*> buffers;
  for (int i = 0; i < 5; ++i) {
    sent.push_back(
        std::vector<std::uint8_t>(static_cast<std::size_t>(10 + i), static_cast<std::uint8_t>(i)));
    BYTE* used = nullptr;
    ASSERT_EQ(source_->Send(sent.back(), nullptr, &used), S_OK);
    buffers.push_back(used);
  }
  for (auto& s : sinks_) {
    EXPECT_EQ(s->Payloads(), sent);
    EXPECT_EQ(s->Buffers(), buffers);  // the same buffers, not copies
  }
  EXPECT_EQ(tee_->InputPin()->EndOfStream(), S_OK);
  EXPECT_EQ(sinks_[0]->EndOfStreams(), 1);
  EXPECT_EQ(sinks_[1]->EndOfStreams(), 1);
}

// A sink whose Receive may block gets a queue thread; waiting until the queue
// is idle means it has every sample sent. Direct delivery hands the samples
// over in the sender's call instead.
TEST_F(TeeTest, QueuesForABlockingSinkUnlessDeliveringDirectly) {
  for (const bool direct : {false, true}) {
    SCOPED_TRACE(direct ? "direct" : "queued");
    sinks_.clear();
    graph_ = new CFilterGraph;
    tee_ = new CTee;
    graph_->AddFilter(tee_.Get(), u"Smart Tee");
    tee_->SetDirectDelivery(direct);
    ASSERT_EQ(AddSource(), S_OK);
    ASSERT_EQ(AddSink(), S_OK);
    sinks_[0]->SayReceiveCanBlock(true);
    PauseAll();
    const std::shared_ptr<COutputQueue> queue = tee_->OutputPin(0)->Queue();
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->IsQueued(), !direct);
    std::vector<std::vector<std::uint8_t>> sent;
    for (int i = 0; i < 5; ++i) {
      sent.push_back(std::vector<std::uint8_t>(20, static_cast<std::uint8_t>(i)));
      ASSERT_EQ(source_->Send(sent.back()), S_OK);
      if (direct) {
        EXPECT_EQ(sinks_[0]->Payloads().size(), sent.size());
      }
    }
    queue->WaitUntilIdle();
    EXPECT_EQ(sinks_[0]->Payloads(), sent);
    TearDown();
  }
}

TEST_F(TeeTest, AnInputTypeADownstreamPinRefusesIsRefused) {
  ASSERT_EQ(AddSource({kA, kB}), S_OK);
  ASSERT_EQ(AddSink({kA, kB}), S_OK);
  ASSERT_EQ(AddSink({kA}), S_OK);
  CMediaType b = TransportType(kB);
  EXPECT_EQ(tee_->InputPin()->QueryAccept(&b), S_FALSE);
  EXPECT_TRUE(FAILED(graph_->ReconnectEx(tee_->InputPin(), &b)));

  // A type change announced with a sample is refused the same way.
  ASSERT_EQ(AddSource({kA, kB}), S_OK);
  PauseAll();
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_EQ(source_->Send(bytes, &b), VFW_E_INVALIDMEDIATYPE);
  EXPECT_TRUE(sinks_[0]->Payloads().empty());
  EXPECT_TRUE(sinks_[1]->Payloads().empty());
}

TEST_F(TeeTest, AnInputReconnectedWithANewTypeReconnectsTheOutputs) {
  ASSERT_EQ(AddSource({kA, kB}), S_OK);
  ASSERT_EQ(AddSink({kA, kB}), S_OK);
  ASSERT_EQ(AddSink({kA, kB}), S_OK);
  CMediaType b = TransportType(kB);
  EXPECT_EQ(tee_->InputPin()->QueryAccept(&b), S_OK);
  ASSERT_EQ(graph_->ReconnectEx(tee_->InputPin(), &b), S_OK);
  EXPECT_EQ(tee_->InputPin()->CurrentMediaType().subtype, kB);
  for (auto& s : sinks_) {
    ASSERT_TRUE(s->Input()->IsConnected());
    EXPECT_EQ(s->Input()->CurrentMediaType().subtype, kB);
  }
  EXPECT_EQ(tee_->OutputCount(), 3);  // reconnections add no pins
}

TEST_F(TeeTest, AnOutputTakingAnotherTypeReconnectsTheInputFirst) {
  ASSERT_EQ(AddSource({kA, kB}), S_OK);
  ASSERT_EQ(AddSink({kB}), S_OK);
  EXPECT_EQ(tee_->InputPin()->CurrentMediaType().subtype, kB);
  CMediaType upstream;
  ASSERT_EQ(source_->Output()->ConnectionMediaType(&upstream), S_OK);
  EXPECT_EQ(upstream.subtype, kB);
  EXPECT_TRUE(sinks_[0]->SawReadOnly());  // allocator agreed after the reconnection
  PauseAll();
  const std::uint8_t bytes[] = {7, 7};
  EXPECT_EQ(source_->Send(bytes), S_OK);
  EXPECT_EQ(sinks_[0]->Payloads().size(), 1u);
}

TEST_F(TeeTest, AnOutputTypeTheUpstreamOrAnotherOutputRefusesIsRefused) {
  ASSERT_EQ(AddSource({kA}), S_OK);
  EXPECT_TRUE(FAILED(AddSink({kB})));
  EXPECT_FALSE(tee_->OutputPin(0)->IsConnected());
  EXPECT_EQ(tee_->OutputCount(), 1);
  EXPECT_EQ(tee_->InputPin()->CurrentMediaType().subtype, kA);

  graph_->RemoveFilter(source_.Get());
  ASSERT_EQ(AddSource({kA, kB}), S_OK);
  ASSERT_EQ(AddSink({kA}), S_OK);
  CMediaType b = TransportType(kB);
  EXPECT_EQ(tee_->OutputPin(1)->CheckMediaType(&b), VFW_E_TYPE_NOT_ACCEPTED);
  CMediaType a = TransportType(kA);
  EXPECT_EQ(tee_->OutputPin(1)->CheckMediaType(&a), S_OK);
}

TEST_F(TeeTest, OnlyTheFirstOutputsQualityNoticesGoUpstream) {
  ASSERT_EQ(AddSource(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  EXPECT_EQ(sinks_[1]->SendQualityNotice(), S_OK);
  EXPECT_EQ(source_->QualityNotices(), 0);
  EXPECT_EQ(sinks_[0]->SendQualityNotice(), S_OK);
  EXPECT_EQ(source_->QualityNotices(), 1);

  ComPtr<filters::test::QualityCounter> qualitySink(new filters::test::QualityCounter);
  ASSERT_EQ(tee_->InputPin()->SetSink(qualitySink.Get()), S_OK);
  EXPECT_EQ(sinks_[0]->SendQualityNotice(), S_OK);
  EXPECT_EQ(qualitySink->count.load(), 1);
  EXPECT_EQ(source_->QualityNotices(), 1);
  tee_->InputPin()->SetSink(nullptr);
}

TEST_F(TeeTest, AFailedOutputDoesNotStarveTheOthers) {
  ASSERT_EQ(AddSource(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  PauseAll();
  sinks_[0]->FailWith(VFW_E_WRONG_STATE);
  const std::uint8_t bytes[] = {1, 2, 3, 4};
  EXPECT_EQ(source_->Send(bytes), S_OK);
  EXPECT_EQ(source_->Send(bytes), S_OK);
  EXPECT_TRUE(sinks_[0]->Payloads().empty());
  EXPECT_EQ(sinks_[1]->Payloads().size(), 2u);
  sinks_[1]->FailWith(E_FAIL);
  EXPECT_EQ(source_->Send(bytes), VFW_E_WRONG_STATE);  // nobody took it: the first failure
}

TEST_F(TeeTest, OneOutputAtATimeCarriesSeeking) {
  ASSERT_EQ(AddSource(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  ASSERT_EQ(AddSink(), S_OK);
  ComPtr<IMediaSeeking> first, second;
  EXPECT_EQ(tee_->OutputPin(0)->QueryInterface(IID_PPV_ARGS(&first)), S_OK);
  EXPECT_EQ(tee_->OutputPin(1)->QueryInterface(IID_PPV_ARGS(&second)), E_NOINTERFACE);
  first = nullptr;
  tee_->OutputPin(0)->Disconnect();
  sinks_[0]->Input()->Disconnect();
  EXPECT_EQ(tee_->OutputPin(1)->QueryInterface(IID_PPV_ARGS(&second)), S_OK);
}

}  // namespace
