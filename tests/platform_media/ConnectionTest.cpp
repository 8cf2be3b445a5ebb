#include <gtest/gtest.h>

#include "platform/com/TaskMemory.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "tests/platform_media/TestFilters.h"

namespace {

using test::CTestPassThrough;
using test::CTestSink;
using test::CTestSource;

const CMediaType kTransport(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);

IPin* OutPin(CTestSource* s) {
  return s->Stream();
}

// Connected pins hold each other's filters (as a graph's filters do until the
// graph lets them go), so a test that connects without a graph disconnects.
void Unlink(IPin* out, IPin* in) {
  out->Disconnect();
  in->Disconnect();
}

TEST(Connection, AgreesOnTheSourcesTypeAndBothSidesSeeTheConnection) {
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestSink> sink(new CTestSink(MEDIATYPE_Stream));
  ASSERT_EQ(OutPin(source.Get())->Connect(sink->InputPin(), nullptr), S_OK);

  ComPtr<IPin> peer;
  ASSERT_EQ(sink->InputPin()->ConnectedTo(&peer), S_OK);
  EXPECT_EQ(peer.Get(), static_cast<IPin*>(source->Stream()));
  ASSERT_EQ(source->Stream()->ConnectedTo(&peer), S_OK);
  EXPECT_EQ(peer.Get(), static_cast<IPin*>(sink->InputPin()));

  CMediaType a, b;
  ASSERT_EQ(sink->InputPin()->ConnectionMediaType(&a), S_OK);
  ASSERT_EQ(source->Stream()->ConnectionMediaType(&b), S_OK);
  EXPECT_EQ(a.subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);
  EXPECT_TRUE(a == b);

  EXPECT_EQ(OutPin(source.Get())->Connect(sink->InputPin(), nullptr), VFW_E_ALREADY_CONNECTED);

  // Disconnecting is per side.
  EXPECT_EQ(source->Stream()->Disconnect(), S_OK);
  EXPECT_EQ(source->Stream()->Disconnect(), S_FALSE);
  EXPECT_TRUE(sink->InputPin()->IsConnected());
  EXPECT_EQ(sink->InputPin()->Disconnect(), S_OK);
  EXPECT_EQ(sink->InputPin()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_FALSE(peer);
}

TEST(Connection, RefusalLeavesBothPinsFreeAndKeepsASpecificReason) {
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestSink> plain(new CTestSink(MEDIATYPE_Video));
  EXPECT_EQ(source->Stream()->Connect(plain->InputPin(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_FALSE(source->Stream()->IsConnected());
  EXPECT_FALSE(plain->InputPin()->IsConnected());
  EXPECT_EQ(source->Stream()->Allocator(), nullptr);

  // A pin's own refusal code (not a plain "no") reaches the caller.
  ComPtr<CTestSink> strict(new CTestSink(MEDIATYPE_Video, VFW_E_INVALIDMEDIATYPE));
  EXPECT_EQ(source->Stream()->Connect(strict->InputPin(), nullptr), VFW_E_INVALIDMEDIATYPE);
  // A fully given type is tried alone.
  EXPECT_EQ(source->Stream()->Connect(strict->InputPin(), &kTransport), VFW_E_INVALIDMEDIATYPE);
  ComPtr<CTestSink> any(new CTestSink(GUID_NULL));
  CMediaType other(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_PROGRAM);
  other.SetFormatType(&FORMAT_None);
  EXPECT_EQ(source->Stream()->Connect(any->InputPin(), &other), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_FALSE(any->InputPin()->IsConnected());
}

TEST(Connection, PartialTypeFiltersTheCandidates) {
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  const CMediaType video(MEDIATYPE_Video);
  EXPECT_EQ(source->Stream()->Connect(sink->InputPin(), &video), VFW_E_NO_ACCEPTABLE_TYPES);
  const CMediaType stream(MEDIATYPE_Stream);
  EXPECT_EQ(source->Stream()->Connect(sink->InputPin(), &stream), S_OK);
  Unlink(source->Stream(), sink->InputPin());
}

TEST(Connection, ReceivingPinsTypesAreTriedFirst) {
  // The sink offers a type of its own that the source's CheckMediaType refuses
  // (only its exact type passes) and then the source's own type is used.
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  sink->SetOfferedTypes({CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_PROGRAM)});
  ASSERT_EQ(source->Stream()->Connect(sink->InputPin(), nullptr), S_OK);
  EXPECT_EQ(sink->InputPin()->CurrentMediaType().subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);
  Unlink(source->Stream(), sink->InputPin());
}

TEST(Connection, DirectionAndPinInformation) {
  ComPtr<CTestSource> a(new CTestSource(kTransport));
  ComPtr<CTestSource> b(new CTestSource(kTransport));
  EXPECT_EQ(a->Stream()->Connect(b->Stream(), nullptr), VFW_E_INVALID_DIRECTION);

  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  PIN_INFO info;
  ASSERT_EQ(sink->InputPin()->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(info.dir, PINDIR_INPUT);
  EXPECT_EQ(std::u16string(info.achName), u"Input");
  EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(sink.Get()));
  info.pFilter->Release();
  LPWSTR id = nullptr;
  ASSERT_EQ(sink->InputPin()->QueryId(&id), S_OK);
  EXPECT_EQ(std::u16string(id), u"Input");
  CoTaskMemFree(id);
  ComPtr<IPin> found;
  EXPECT_EQ(sink->FindPin(u"Input", &found), S_OK);
  EXPECT_EQ(sink->FindPin(u"Output", &found), VFW_E_NOT_FOUND);

  EXPECT_EQ(sink->InputPin()->QueryAccept(&kTransport), S_OK);
  ComPtr<CTestSink> videoOnly(new CTestSink(MEDIATYPE_Video));
  EXPECT_EQ(videoOnly->InputPin()->QueryAccept(&kTransport), S_FALSE);
}

TEST(Connection, PinEnumerationAndOutOfSyncAfterPinsChange) {
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(source->EnumPins(&pins), S_OK);
  HRESULT hr = S_OK;
  new test::CTestStream(source.Get(), &hr, kTransport);  // the filter owns and deletes it
  IPin* got[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(pins->Next(2, got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
  pins->Reset();
  ASSERT_EQ(pins->Next(2, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  got[0]->Release();
  got[1]->Release();
  EXPECT_EQ(pins->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

TEST(Connection, MediaTypeEnumeratorGivesTaskAllocatedCopies) {
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(source->Stream()->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* mt[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(types->Next(2, mt, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(mt[0]->majortype, MEDIATYPE_Stream);
  DeleteMediaType(mt[0]);
}

TEST(Allocators, DownstreamRequirementsAndAllocatorAreUsed) {
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  sink->SetRequirements({12, 4096, 1, 0});
  ASSERT_EQ(source->Stream()->Connect(sink->InputPin(), nullptr), S_OK);
  EXPECT_EQ(source->Stream()->Allocator(), sink->InputPin()->Allocator());
  EXPECT_FALSE(sink->InputPin()->IsReadOnly());
  const ALLOCATOR_PROPERTIES granted = source->Stream()->Granted();
  EXPECT_EQ(granted.cBuffers, 12);
  EXPECT_EQ(granted.cbBuffer, 4096);
  Unlink(source->Stream(), sink->InputPin());
}

TEST(Allocators, OutputFallsBackToItsOwnAllocatorAndTellsTheInput) {
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  sink->RefuseAllocator(true);
  ASSERT_EQ(source->Stream()->Connect(sink->InputPin(), nullptr), S_OK);
  ASSERT_NE(source->Stream()->Allocator(), nullptr);
  EXPECT_EQ(source->Stream()->Allocator(), sink->InputPin()->Allocator());
  Unlink(source->Stream(), sink->InputPin());
}

TEST(Allocators, ReadOnlyAllocatorIsSharedDownstream) {
  media::RegisterClasses();
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(
      CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
      S_OK);
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  ComPtr<CTestPassThrough> tee(new CTestPassThrough(false));
  tee->ShareAllocatorReadOnly(true);
  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  graph->AddFilter(source.Get(), u"Source");
  graph->AddFilter(tee.Get(), u"Tee");
  graph->AddFilter(sink.Get(), u"Sink");
  ASSERT_EQ(graph->ConnectDirect(source->Stream(), tee->Input(), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(tee->Output(), sink->InputPin(), nullptr), S_OK);
  EXPECT_TRUE(sink->InputPin()->IsReadOnly());
  EXPECT_FALSE(tee->Input()->IsReadOnly());
  EXPECT_EQ(sink->InputPin()->Allocator(), tee->Input()->Allocator());

  // The samples the sink sees are the upstream buffers themselves.
  source->Stream()->Configure(3, 188, 0);
  ComPtr<IMediaControl> control = graph.As<IMediaControl>();
  ComPtr<IMediaFilter> timing = graph.As<IMediaFilter>();
  timing->SetSyncSource(nullptr);
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
  LONG code = 0;
  ASSERT_EQ(events.As<IMediaEventEx>()->WaitForCompletion(5000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(sink->FirstBytes(), (std::vector<int>{0, 1, 2}));
  control->Stop();
}

TEST(Connection, NoReconnectionWhileRunning) {
  media::RegisterClasses();
  ComPtr<IFilterGraph2> graph;
  ASSERT_EQ(
      CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
      S_OK);
  ComPtr<CTestSource> source(new CTestSource(kTransport));
  source->Stream()->Configure(1000000, 188, 0);
  ComPtr<CTestSink> sink(new CTestSink(GUID_NULL));
  ComPtr<CTestSink> other(new CTestSink(GUID_NULL));
  graph->AddFilter(source.Get(), u"Source");
  graph->AddFilter(sink.Get(), u"Sink");
  graph->AddFilter(other.Get(), u"Other");
  ASSERT_EQ(graph->ConnectDirect(source->Stream(), sink->InputPin(), nullptr), S_OK);
  ComPtr<IMediaControl> control = graph.As<IMediaControl>();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_EQ(source->Stream()->Disconnect(), VFW_E_NOT_STOPPED);
  // Every filter of the running graph runs, the free one too.
  EXPECT_EQ(other->InputPin()->ReceiveConnection(source->Stream(), &kTransport), VFW_E_NOT_STOPPED);
  EXPECT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(graph->Disconnect(source->Stream()), S_OK);
}

}  // namespace
