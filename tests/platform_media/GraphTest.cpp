#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <chrono>
#include <thread>

#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "tests/platform_media/TestFilters.h"

namespace {

using test::CTestPassThrough;
using test::CTestSink;
using test::CTestSource;
constexpr REFERENCE_TIME kMs = kUnitsPerMillisecond;

void Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A graph made through the class registry, with the interfaces the tests use.
struct Graph {
  Graph() {
    media::RegisterClasses();
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder)),
        S_OK);
    control = builder.As<IMediaControl>();
    events = builder.As<IMediaEventEx>();
    seeking = builder.As<IMediaSeeking>();
    timing = builder.As<IMediaFilter>();
    sink = builder.As<IMediaEventSink>();
  }
  ~Graph() {
    if (control) control->Stop();
  }
  CFilterGraph* Manager() { return dynamic_cast<CFilterGraph*>(builder.Get()); }
  REFERENCE_TIME StreamTime() {
    REFERENCE_TIME t = 0;
    Manager()->GetStreamTime(&t);
    return t;
  }
  // Events until none arrives within the timeout.
  std::vector<LONG> Drain(LONG timeoutMs = 0) {
    std::vector<LONG> codes;
    LONG code;
    LONG_PTR p1, p2;
    while (events->GetEvent(&code, &p1, &p2, timeoutMs) == S_OK) {
      codes.push_back(code);
      events->FreeEventParams(code, p1, p2);
    }
    return codes;
  }
  ComPtr<IFilterGraph2> builder;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IMediaFilter> timing;
  ComPtr<IMediaEventSink> sink;
};

const CMediaType kTransport(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);

TEST(FilterGraph, NamesLookupEnumerationAndRemoval) {
  Graph g;
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestSink> a(new CTestSink(GUID_NULL)), b(new CTestSink(GUID_NULL));
  EXPECT_EQ(g.builder->AddFilter(source.Get(), u"Source"), S_OK);
  EXPECT_EQ(g.builder->AddFilter(a.Get(), u"Sink"), S_OK);
  EXPECT_EQ(g.builder->AddFilter(b.Get(), u"Sink"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(b->Name(), u"Sink 0001");
  FILTER_INFO info;
  ASSERT_EQ(b->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(std::u16string(info.achName), u"Sink 0001");
  EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(g.builder.Get()));
  info.pGraph->Release();

  ComPtr<IBaseFilter> found;
  ASSERT_EQ(g.builder->FindFilterByName(u"Sink", &found), S_OK);
  EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(a.Get()));
  EXPECT_EQ(g.builder->FindFilterByName(u"sink", &found), VFW_E_NOT_FOUND);

  ComPtr<IEnumFilters> all;
  ASSERT_EQ(g.builder->EnumFilters(&all), S_OK);
  std::vector<IBaseFilter*> order;
  ComPtr<IBaseFilter> f;
  while (all->Next(1, &f, nullptr) == S_OK)
    order.push_back(f.Get());
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[0], static_cast<IBaseFilter*>(b.Get()));  // newest first
  EXPECT_EQ(order[2], static_cast<IBaseFilter*>(source.Get()));

  ComPtr<CTestSink> outside(new CTestSink(GUID_NULL));
  EXPECT_EQ(g.builder->ConnectDirect(source->Stream(), outside->InputPin(), nullptr),
            VFW_E_NOT_IN_GRAPH);
  ASSERT_EQ(g.builder->ConnectDirect(source->Stream(), a->InputPin(), nullptr), S_OK);
  // Removing a filter also frees the pin it was connected to.
  ASSERT_EQ(g.builder->RemoveFilter(a.Get()), S_OK);
  EXPECT_FALSE(source->Stream()->IsConnected());
  EXPECT_FALSE(a->InputPin()->IsConnected());
  EXPECT_EQ(a->GetFilterGraph(), nullptr);
  EXPECT_EQ(g.builder->RemoveFilter(a.Get()), VFW_E_NOT_FOUND);
}

TEST(FilterGraph, PauseIsIntermediateUntilTheRendererHasASample) {
  Graph g;
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(1000, 188, 10 * kMs);
  source->Stream()->SetHold(true);
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(renderer.Get(), u"Renderer");
  ASSERT_EQ(g.builder->Connect(source->Stream(), renderer->InputPin()), S_OK);

  EXPECT_EQ(g.control->Pause(), S_FALSE);
  OAFilterState state = -1;
  EXPECT_EQ(g.control->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
  EXPECT_EQ(state, State_Paused);
  source->Stream()->SetHold(false);
  EXPECT_EQ(g.control->GetState(2000, &state), S_OK);
  EXPECT_EQ(state, State_Paused);
  // Paused, the renderer holds its first sample and renders nothing.
  Sleep(30);
  EXPECT_EQ(renderer->SamplesRendered(), 0);
  EXPECT_EQ(g.StreamTime(), 0);

  ASSERT_EQ(g.control->Run(), S_OK);
  EXPECT_EQ(g.control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  ASSERT_TRUE(renderer->WaitForSamples(3, 2000));
  ASSERT_EQ(g.control->Stop(), S_OK);
  EXPECT_EQ(g.control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_EQ(g.StreamTime(), 0);
}

TEST(FilterGraph, StreamTimeRunsHoldsWhilePausedAndContinues) {
  Graph g;
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(0, 188, 10 * kMs);  // end of stream at once
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(renderer.Get(), u"Renderer");
  ASSERT_EQ(g.builder->Connect(source->Stream(), renderer->InputPin()), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  Sleep(60);
  const REFERENCE_TIME running = g.StreamTime();
  EXPECT_GE(running, 40 * kMs);
  EXPECT_LT(running, 2000 * kMs);
  ASSERT_TRUE(SUCCEEDED(g.control->Pause()));
  const REFERENCE_TIME held = g.StreamTime();
  Sleep(40);
  EXPECT_EQ(g.StreamTime(), held);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  Sleep(20);
  const REFERENCE_TIME resumed = g.StreamTime();
  EXPECT_GE(resumed, held);
  EXPECT_LT(resumed, held + 1000 * kMs);  // no jump over the paused time
  // The filters' own stream time agrees with the graph's.
  REFERENCE_TIME filterTime = 0;
  ASSERT_EQ(renderer->StreamTime(&filterTime), S_OK);
  EXPECT_NEAR(static_cast<double>(filterTime), static_cast<double>(g.StreamTime()),
              static_cast<double>(50 * kMs));
}

TEST(Renderer, RendersEachSampleNotBeforeItsTime) {
  Graph g;
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(5, 188, 30 * kMs);
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(renderer.Get(), u"Renderer");
  ASSERT_EQ(g.builder->Connect(source->Stream(), renderer->InputPin()), S_OK);
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  LONG code = 0;
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(120));
  const auto samples = renderer->Samples();
  ASSERT_EQ(samples.size(), 5u);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(samples[i].data.front(), i);
    EXPECT_GE(samples[i].renderedAt, samples[i].start - 2 * kMs) << i;
    EXPECT_EQ(samples[i].mediaStart, static_cast<LONGLONG>(i));
  }
  EXPECT_EQ(g.Drain(), std::vector<LONG>{EC_COMPLETE});
}

TEST(Renderer, WithoutAClockSamplesRenderAtOnce) {
  Graph g;
  g.timing->SetSyncSource(nullptr);
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(4, 188, 3600 * 1000 * kMs);  // an hour apart
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(renderer.Get(), u"Renderer");
  ASSERT_EQ(g.builder->Connect(source->Stream(), renderer->InputPin()), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  LONG code = 0;
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  EXPECT_EQ(renderer->Samples().size(), 4u);
}

TEST(OutputQueue, QueuesOnlyBeforeABlockingReceiveAndKeepsEndOfStreamLast) {
  Graph g;
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(20, 188, 0);
  ComPtr<CTestPassThrough> pass(new CTestPassThrough(true));
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  renderer->SetRenderDelay(2);
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(pass.Get(), u"Pass");
  g.builder->AddFilter(renderer.Get(), u"Renderer");
  ASSERT_EQ(g.builder->Connect(source->Stream(), pass->Input()), S_OK);
  ASSERT_EQ(g.builder->Connect(pass->Output(), renderer->InputPin()), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  ASSERT_NE(pass->Queue(), nullptr);
  EXPECT_TRUE(pass->Queue()->IsQueued());  // a renderer's Receive may block
  LONG code = 0;
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  // The end of stream came after every sample, in order.
  const auto samples = renderer->Samples();
  ASSERT_EQ(samples.size(), 20u);
  for (std::size_t i = 0; i < samples.size(); ++i)
    EXPECT_EQ(samples[i].data.front(), i);
  EXPECT_EQ(renderer->EndOfStreamCount(), 1);
  g.control->Stop();
  EXPECT_EQ(pass->Queue(), nullptr);  // gone with the pin's activity
}

TEST(OutputQueue, DeliversDirectlyToANonBlockingPinInExactBatches) {
  Graph g;
  g.timing->SetSyncSource(nullptr);
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(7, 188, 0, 8);
  ComPtr<CTestPassThrough> pass(new CTestPassThrough(true, 3, true));
  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(pass.Get(), u"Pass");
  g.builder->AddFilter(sink.Get(), u"Sink");
  ASSERT_EQ(g.builder->Connect(source->Stream(), pass->Input()), S_OK);
  ASSERT_EQ(g.builder->Connect(pass->Output(), sink->InputPin()), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  ASSERT_NE(pass->Queue(), nullptr);
  EXPECT_FALSE(pass->Queue()->IsQueued());
  LONG code = 0;
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  // Two full batches of 3, and the last sample sent by the end of stream.
  EXPECT_EQ(sink->FirstBytes(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

// Adds source -> pass-through -> renderer to the graph and connects them.
void BuildChain(Graph& g, CTestSource* source, CTestPassThrough* pass, CCaptureRenderer* renderer) {
  g.builder->AddFilter(source, u"Source");
  g.builder->AddFilter(pass, u"Pass");
  g.builder->AddFilter(renderer, u"Renderer");
  ASSERT_EQ(g.builder->Connect(source->Stream(), pass->Input()), S_OK);
  ASSERT_EQ(g.builder->Connect(pass->Output(), renderer->InputPin()), S_OK);
}

TEST(OutputQueue, FlushDropsQueuedSamplesAndDeliveryResumesAfterward) {
  IPin* nothing = nullptr;
  HRESULT hr = S_OK;
  COutputQueue none(nothing, &hr);
  EXPECT_EQ(hr, E_POINTER);

  Graph g;
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(40, 188, 10 * kMs, 40);
  ComPtr<CTestPassThrough> pass(new CTestPassThrough(true));
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  ASSERT_NO_FATAL_FAILURE(BuildChain(g, source.Get(), pass.Get(), renderer.Get()));
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  ASSERT_TRUE(renderer->WaitForSamples(2, 2000));
  // The source is far ahead of the renderer: its samples wait in the queue.
  EXPECT_GT(source->Stream()->Delivered(), 10);
  // A seek flushes the queue and restarts at 300 ms = sample 30.
  LONGLONG position = 300 * kMs;
  ASSERT_EQ(g.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
            S_OK);
  LONG code = 0;
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  const auto samples = renderer->Samples();
  std::size_t restart = 0;
  while (restart < samples.size() && !samples[restart].discontinuity)
    ++restart;
  ASSERT_LT(restart, samples.size());
  EXPECT_LT(restart, 15u);  // the queued samples were dropped, not rendered
  EXPECT_EQ(samples[restart].data.front(), 30);
  EXPECT_EQ(samples.back().data.front(), 39);
  EXPECT_EQ(samples.size() - restart, 10u);
}

// A renderer that takes two samples and then answers "no more" (S_FALSE).
class CTwoSampleRenderer : public CCaptureRenderer {
 public:
  explicit CTwoSampleRenderer(HRESULT* hr) : CCaptureRenderer(hr) {}
  HRESULT Receive(IMediaSample* sample) override {
    if (++calls_ > 2) return S_FALSE;
    return CCaptureRenderer::Receive(sample);
  }
  int Calls() const { return calls_.load(); }

 private:
  std::atomic<int> calls_{0};
};

TEST(OutputQueue, StopsDeliveringAfterDownstreamSaysNoMoreUntilAFlush) {
  for (const bool queued : {true, false}) {
    SCOPED_TRACE(queued ? "queued" : "direct");
    Graph g;
    HRESULT hr = S_OK;
    ComPtr<CTestSource> source(new CTestSource(kTransport));
    source->Stream()->Configure(20, 188, 10 * kMs, 20);
    ComPtr<CTestPassThrough> pass(new CTestPassThrough(queued));
    ComPtr<CTwoSampleRenderer> renderer(new CTwoSampleRenderer(&hr));
    ASSERT_NO_FATAL_FAILURE(BuildChain(g, source.Get(), pass.Get(), renderer.Get()));
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    // The source stops at the first refusal it sees; the queue, if any, stops
    // at the first one it sees.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    g.control->Stop();
    // The third sample was answered S_FALSE; none after it was offered.
    EXPECT_EQ(renderer->Calls(), 3);
  }
}

TEST(Events, CompleteWaitsForEveryRendererAndQueueKeepsOrder) {
  Graph g;
  std::vector<std::pair<OAHWND, LONG_PTR>> posted;
  std::mutex postedMutex;
  media::SetNotifyPoster([&](OAHWND window, LONG message, LONG_PTR, LONG_PTR lParam) {
    std::lock_guard lock(postedMutex);
    EXPECT_EQ(message, 1039);
    posted.emplace_back(window, lParam);
  });
  ComPtr<CTestSource> s1(new CTestSource(kTransport)), s2(new CTestSource(kTransport));
  s1->Stream()->SetHold(true);
  s2->Stream()->SetHold(true);
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> r1(new CCaptureRenderer(&hr)), r2(new CCaptureRenderer(&hr));
  g.builder->AddFilter(s1.Get(), u"S1");
  g.builder->AddFilter(s2.Get(), u"S2");
  g.builder->AddFilter(r1.Get(), u"R1");
  g.builder->AddFilter(r2.Get(), u"R2");
  ASSERT_EQ(g.builder->Connect(s1->Stream(), r1->InputPin()), S_OK);
  ASSERT_EQ(g.builder->Connect(s2->Stream(), r2->InputPin()), S_OK);
  g.events->SetNotifyWindow(0x1234, 1039, 77);
  g.control->Pause();

  LONG code;
  LONG_PTR p1, p2;
  EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
  g.sink->Notify(EC_COMPLETE, S_OK,
                 reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(r1.Get())));
  g.sink->Notify(EC_COMPLETE, S_OK,
                 reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(r1.Get())));
  EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), E_ABORT);  // one renderer left
  for (LONG i = 1; i <= 5; ++i)
    g.sink->Notify(EC_USER + i, i, -i);
  g.sink->Notify(EC_COMPLETE, S_OK,
                 reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(r2.Get())));
  std::vector<LONG> codes;
  while (g.events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
    codes.push_back(code);
    if (code > EC_USER) {
      EXPECT_EQ(p1, code - EC_USER);
      EXPECT_EQ(p2, -(code - EC_USER));
    }
    g.events->FreeEventParams(code, p1, p2);
  }
  EXPECT_EQ(codes, (std::vector<LONG>{EC_USER + 1, EC_USER + 2, EC_USER + 3, EC_USER + 4,
                                      EC_USER + 5, EC_COMPLETE}));
  {
    std::lock_guard lock(postedMutex);
    ASSERT_EQ(posted.size(), 6u);
    EXPECT_EQ(posted[0], (std::pair<OAHWND, LONG_PTR>{0x1234, 77}));
  }

  // With default handling cancelled each renderer's own notice comes through.
  g.control->Stop();
  g.events->CancelDefaultHandling(EC_COMPLETE);
  g.events->SetNotifyWindow(0, 0, 0);
  g.control->Pause();
  g.sink->Notify(EC_COMPLETE, S_OK,
                 reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(r1.Get())));
  ASSERT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(p2, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(r1.Get())));
  {
    std::lock_guard lock(postedMutex);
    EXPECT_EQ(posted.size(), 6u);  // no window any more
  }
  media::SetNotifyPoster(nullptr);
}

TEST(SourceStream, EndOfStreamGoesOnceUntilASeekRestartsTheStream) {
  Graph g;
  g.timing->SetSyncSource(nullptr);
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(0, 188, 10 * kMs);  // ends at once, while paused
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(renderer.Get(), u"Renderer");
  ASSERT_EQ(g.builder->Connect(source->Stream(), renderer->InputPin()), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Pause()));
  OAFilterState state = 0;
  ASSERT_EQ(g.control->GetState(5000, &state), S_OK);  // the end of stream completes the pause
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  LONG code = 0;
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Pause()));
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  Sleep(50);  // a stream entered again on those commands would have ended again by now
  EXPECT_EQ(renderer->EndOfStreamCount(), 1);

  // A seek flushes and restarts the thread: the stream plays and ends again.
  g.Drain();
  source->Stream()->Configure(2, 188, 10 * kMs);
  LONGLONG position = 0;
  ASSERT_EQ(g.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
            S_OK);
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  EXPECT_EQ(renderer->Samples().size(), 2u);
  EXPECT_EQ(renderer->EndOfStreamCount(), 2);
}

TEST(Seeking, GraphSeekingPassesThroughToTheSource) {
  Graph g;
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(10, 188, 10 * kMs);
  ComPtr<CTestPassThrough> pass(new CTestPassThrough(false));
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> renderer(new CCaptureRenderer(&hr));
  g.builder->AddFilter(source.Get(), u"Source");
  g.builder->AddFilter(pass.Get(), u"Pass");
  g.builder->AddFilter(renderer.Get(), u"Renderer");
  EXPECT_EQ(g.seeking->GetDuration(nullptr), E_POINTER);
  LONGLONG duration = 0;
  ASSERT_EQ(g.builder->Connect(source->Stream(), pass->Input()), S_OK);
  ASSERT_EQ(g.builder->Connect(pass->Output(), renderer->InputPin()), S_OK);

  // The renderer's own seeking reaches the source through the pass-through.
  ComPtr<IMediaSeeking> rendererSeeking = ComPtr<IBaseFilter>(renderer.Get()).As<IMediaSeeking>();
  ASSERT_TRUE(rendererSeeking);
  ASSERT_EQ(rendererSeeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, 100 * kMs);

  ASSERT_EQ(g.seeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, 100 * kMs);
  LONGLONG earliest = -1, latest = -1;
  ASSERT_EQ(g.seeking->GetAvailable(&earliest, &latest), S_OK);
  EXPECT_EQ(earliest, 0);
  EXPECT_EQ(latest, 100 * kMs);
  DWORD caps = 0;
  ASSERT_EQ(g.seeking->GetCapabilities(&caps), S_OK);
  EXPECT_TRUE(caps & AM_SEEKING_CanSeekAbsolute);

  LONGLONG position = 50 * kMs;
  ASSERT_EQ(g.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
            S_OK);
  EXPECT_EQ(source->LastStart(), 50 * kMs);
  EXPECT_EQ(source->StartChanges(), 1);
  LONGLONG current = 0;
  ASSERT_EQ(g.seeking->GetCurrentPosition(&current), S_OK);
  EXPECT_EQ(current, 50 * kMs);

  EXPECT_EQ(g.seeking->SetRate(0.0), E_FAIL);
  double rate = 0;
  ASSERT_EQ(g.seeking->GetRate(&rate), S_OK);
  EXPECT_EQ(rate, 1.0);

  // Played from there: samples 5..9, the first marked as a discontinuity.
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  LONG code = 0;
  ASSERT_EQ(g.events->WaitForCompletion(5000, &code), S_OK);
  const auto samples = renderer->Samples();
  ASSERT_EQ(samples.size(), 5u);
  EXPECT_EQ(samples.front().data.front(), 5);
  EXPECT_TRUE(samples.front().discontinuity);
  EXPECT_EQ(samples.front().start, 0);  // times count from the new start
  ASSERT_EQ(g.seeking->GetCurrentPosition(&current), S_OK);
  EXPECT_GE(current, 50 * kMs);
}

}  // namespace
