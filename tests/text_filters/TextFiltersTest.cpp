#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "filters/text/TextOutFilter.h"
#include "filters/text/TextRecord.h"
#include "filters/text/TextSource.h"
#include "filters/text/TextSourceAdapter.h"
#include "graph/capture/StreamClock.h"
#include "platform/com/Registry.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MemAllocator.h"
#include "tests/support/CaptureRenderer.h"
#include "tests/support/ConfigRoot.h"
#include "tests/support/Wait.h"

namespace {

using tables::NowPlayingInfo;
constexpr REFERENCE_TIME kSecond = 10'000'000;

// Every text source reads and writes the profile: keep it in a folder of the test's own.
class TextFilters : public ::testing::Test {
 protected:
  static NowPlayingInfo Record(const std::u16string& title) {
    NowPlayingInfo info;
    info.physical = 36;
    info.major = 7;
    info.minor = 2;
    info.signalQuality = 80;
    std::char_traits<char16_t>::copy(info.title, title.data(), title.size());
    std::char_traits<char16_t>::copy(info.shortName, u"KTEST", 5);
    return info;
  }

  testsupport::ScopedConfigRoot config_{"corvane-text"};
};

TEST_F(TextFilters, ClockedGraphDeliversTheRecordOnceASecondAndStopsAtOnce) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  ComPtr<CTextSource> source;
  ComPtr<CTextOutFilter> renderer;
  ASSERT_EQ(CreateTextSource(&source), S_OK);
  ASSERT_EQ(CreateTextRenderer(&renderer), S_OK);
  ASSERT_EQ(source->RefCount(), 1u);
  ASSERT_EQ(graph->AddFilter(source.Get(), u"Text Source"), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer.Get(), u"text renderer"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), renderer->InputPin(), nullptr), S_OK);

  // The section poll reaches the filter through the adapter.
  filters::TextSourceAdapter adapter(source.Get());
  tables::ITextSource& poll = adapter;
  ASSERT_TRUE(poll.SetText(Record(u"Evening News")));

  NowPlayingInfo got;
  REFERENCE_TIME start = -1;
  EXPECT_EQ(renderer->GetText(&got, &start), E_FAIL);  // nothing received yet

  auto control = graph.As<IMediaControl>();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  const LONG rendered = renderer->SamplesRendered();
  EXPECT_GE(rendered, 2);
  EXPECT_LE(rendered, 3);
  ASSERT_EQ(renderer->GetText(&got, &start), S_OK);
  EXPECT_EQ(std::u16string(got.title), u"Evening News");
  EXPECT_EQ(std::u16string(got.shortName), u"KTEST");
  EXPECT_EQ(got.physical, 36);
  EXPECT_EQ(got.major, 7);
  EXPECT_EQ(got.minor, 2);
  EXPECT_EQ(got.signalQuality, 80);
  // Stamped with the stream time: the last sample left about 2 s after the start.
  EXPECT_GE(start, rendered * kSecond - kSecond / 2);
  EXPECT_LE(start, rendered * kSecond + kSecond / 2);

  // The one-second wait gives way to the stop.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(control->Stop(), S_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
}

TEST_F(TextFilters, UnpacedGraphStampsWholeSecondsFromZero) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  ComPtr<CTextSource> source;
  ASSERT_EQ(CreateTextSource(&source), S_OK);
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> capture(new CCaptureRenderer(&hr, MEDIATYPE_TextStream));
  graph->AddFilter(source.Get(), u"Text Source");
  graph->AddFilter(capture.Get(), u"Capture");
  ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), capture->InputPin(), nullptr), S_OK);
  ASSERT_EQ(graph.As<IMediaFilter>()->SetSyncSource(nullptr), S_OK);

  // The negotiated type and buffers.
  AM_MEDIA_TYPE mt;
  ASSERT_EQ(source->OutputPin()->ConnectionMediaType(&mt), S_OK);
  EXPECT_EQ(mt.majortype, MEDIATYPE_TextStream);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_None);
  EXPECT_EQ(mt.formattype, FORMAT_None);
  EXPECT_FALSE(mt.bFixedSizeSamples);
  EXPECT_EQ(mt.lSampleSize, 4096u);
  FreeMediaType(mt);
  ALLOCATOR_PROPERTIES props;
  ASSERT_EQ(source->OutputPin()->Allocator()->GetProperties(&props), S_OK);
  EXPECT_EQ(props.cBuffers, 16);
  EXPECT_GE(props.cbBuffer, 4096);

  const NowPlayingInfo film = Record(u"Film");
  ASSERT_EQ(source->SetText(&film), S_OK);
  auto control = graph.As<IMediaControl>();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  ASSERT_TRUE(capture->WaitForSamples(2, 5000));
  control->Stop();
  const auto samples = capture->Samples();
  ASSERT_GE(samples.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_TRUE(samples[i].hasTime);
    EXPECT_EQ(samples[i].start, static_cast<REFERENCE_TIME>(i) * kSecond);
    EXPECT_EQ(samples[i].stop, samples[i].start + kSecond);
    EXPECT_TRUE(samples[i].syncPoint);
    NowPlayingInfo info;
    EXPECT_TRUE(filters::DecodeTextRecord(samples[i].data, &info));
    EXPECT_EQ(std::u16string(info.title), u"Film");
  }
}

// A stream clock that counts the advises asked of it.
class CountingClock : public graph::StreamClock {
 public:
  HRESULT AdviseTime(REFERENCE_TIME base, REFERENCE_TIME offset, HEVENT event,
                     DWORD_PTR* cookie) override {
    ++advises;
    return StreamClock::AdviseTime(base, offset, event, cookie);
  }
  std::atomic<int> advises{0};
};

TEST_F(TextFilters, AClockThatMovesOnSeveralSecondsGetsASampleForEachAtOnce) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  ComPtr<CTextSource> source;
  ASSERT_EQ(CreateTextSource(&source), S_OK);
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> capture(new CCaptureRenderer(&hr, MEDIATYPE_TextStream));
  graph->AddFilter(source.Get(), u"Text Source");
  graph->AddFilter(capture.Get(), u"Capture");
  ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), capture->InputPin(), nullptr), S_OK);
  // The clock moves only when the test moves it, as a tool's stream clock.
  ComPtr<CountingClock> clock(new CountingClock);
  ASSERT_EQ(graph.As<IMediaFilter>()->SetSyncSource(clock.Get()), S_OK);

  auto control = graph.As<IMediaControl>();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  // The source waits for its first second (nothing else asks the clock yet).
  ASSERT_TRUE(testsupport::WaitUntil([&] { return clock->advises.load() > 0; }));
  clock->SetTime(kSecond);
  ASSERT_TRUE(capture->WaitForSamples(1, 10'000));
  // Two seconds at once, whether or not the source waits for its next
  // second yet: both seconds' samples come without the clock moving again.
  clock->SetTime(3 * kSecond);
  EXPECT_TRUE(capture->WaitForSamples(3, 10'000));
  control->Stop();
}

TEST_F(TextFilters, ASourceDrivenByItsCallerDeliversWhenAskedOnly) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  ComPtr<CTextSource> source;
  ASSERT_EQ(CreateTextSource(&source), S_OK);
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> capture(new CCaptureRenderer(&hr, MEDIATYPE_TextStream));
  graph->AddFilter(source.Get(), u"Text Source");
  graph->AddFilter(capture.Get(), u"Capture");
  ASSERT_EQ(graph->ConnectDirect(source->OutputPin(), capture->InputPin(), nullptr), S_OK);
  ComPtr<graph::StreamClock> clock(new graph::StreamClock);
  ASSERT_EQ(graph.As<IMediaFilter>()->SetSyncSource(clock.Get()), S_OK);
  EXPECT_EQ(source->OutputPin()->DeliverNow(), E_UNEXPECTED);  // the pin's thread delivers
  source->OutputPin()->SetDrivenByCaller(true);

  auto control = graph.As<IMediaControl>();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  clock->SetTime(2 * kSecond);
  EXPECT_EQ(source->OutputPin()->DeliverNow(), S_OK);
  clock->SetTime(5 * kSecond);
  EXPECT_EQ(source->OutputPin()->DeliverNow(), S_OK);
  ASSERT_TRUE(capture->WaitForSamples(2, 10'000));
  control->Stop();
  const auto samples = capture->Samples();
  ASSERT_EQ(samples.size(), 2u);  // none of the clock's seconds on its own
  EXPECT_EQ(samples[1].start - samples[0].start, 3 * kSecond);
  EXPECT_EQ(source->OutputPin()->SamplesDelivered(), 2u);
}

// A sample of the given bytes padded with zeros to `length`, stamped `start`.
ComPtr<IMediaSample> MakeSample(IMemAllocator* allocator, const NowPlayingInfo& info, LONG length,
                                REFERENCE_TIME start) {
  std::vector<std::uint8_t> record(filters::kTextBufferSize);
  record.resize(filters::EncodeTextRecord(filters::FieldsOf(info), record));
  ComPtr<IMediaSample> sample;
  EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::memset(data, 0, static_cast<std::size_t>(length));
  std::memcpy(data, record.data(), std::min(record.size(), static_cast<std::size_t>(length)));
  sample->SetActualDataLength(length);
  REFERENCE_TIME stop = start + kSecond;
  sample->SetTime(&start, &stop);
  return sample;
}

TEST_F(TextFilters, RendererKeepsSamplesShorterThan2544BytesOnly) {
  ComPtr<IMemAllocator> allocator(new CMemAllocator);
  ALLOCATOR_PROPERTIES want{4, 4096, 1, 0}, got;
  ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<CTextOutFilter> renderer;
  ASSERT_EQ(CreateTextRenderer(&renderer), S_OK);
  NowPlayingInfo out;
  REFERENCE_TIME start = 0;
  EXPECT_EQ(renderer->GetText(&out, &start), E_FAIL);

  renderer->DoRenderSample(MakeSample(allocator.Get(), Record(u"First"), 600, 3 * kSecond).Get());
  renderer->DoRenderSample(MakeSample(allocator.Get(), Record(u"Big"), 2544, 4 * kSecond).Get());
  ASSERT_EQ(renderer->GetText(&out, &start), S_OK);
  EXPECT_EQ(std::u16string(out.title), u"First");
  EXPECT_EQ(start, 3 * kSecond);

  renderer->DoRenderSample(MakeSample(allocator.Get(), Record(u"Fits"), 2543, 5 * kSecond).Get());
  ASSERT_EQ(renderer->GetText(&out, &start), S_OK);
  EXPECT_EQ(std::u16string(out.title), u"Fits");
  EXPECT_EQ(start, 5 * kSecond);
  allocator->Decommit();
}

TEST_F(TextFilters, ParametersSurviveDestroyAndCreate) {
  {
    ComPtr<CTextSource> source;
    ASSERT_EQ(CreateTextSource(&source), S_OK);
    LONG p1 = -1, p2 = -1;
    ASSERT_EQ(source->GetParams(&p1, &p2), S_OK);
    EXPECT_EQ(p1, 0);  // nothing stored yet
    EXPECT_EQ(p2, 0);
    ASSERT_EQ(source->SetParams(1234, -56), S_OK);
  }
  ComPtr<CTextSource> source;
  ASSERT_EQ(CreateTextSource(&source), S_OK);
  LONG p1 = 0, p2 = 0;
  ASSERT_EQ(source->GetParams(&p1, &p2), S_OK);
  EXPECT_EQ(p1, 1234);
  EXPECT_EQ(p2, -56);

  // IPersistStream carries the same two values, 4 bytes each.
  auto persist = source.As<IPersistStream>();
  ASSERT_TRUE(persist);
  ComPtr<IStream> stream;
  ASSERT_EQ(com::CreateMemoryStream(nullptr, 0, &stream), S_OK);
  ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  ULONGLONG end = 0;
  stream->Seek(0, STREAM_SEEK_CUR, &end);
  EXPECT_EQ(end, 8u);
  source->SetParams(0, 0);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  stream->Seek(0, STREAM_SEEK_SET, nullptr);
  ASSERT_EQ(persist->Load(stream.Get()), S_OK);
  ASSERT_EQ(source->GetParams(&p1, &p2), S_OK);
  EXPECT_EQ(p1, 1234);
  EXPECT_EQ(p2, -56);
}

}  // namespace
