// Output pins of the "Demux" filter: created, retyped and deleted on request,
// and their PID maps.
#include <gtest/gtest.h>

#include <string>

#include "platform/media/MemAllocator.h"

#include "tests/demux_filter/DemuxGraph.h"

// PID_MAP lives in the global namespace, so its comparison does too.
bool operator==(const PID_MAP& a, const PID_MAP& b) {
  return a.ulPID == b.ulPID && a.MediaSampleContent == b.MediaSampleContent;
}

namespace demux::test {
namespace {

std::vector<PID_MAP> Maps(IPin* pin) {
  ComPtr<IMPEG2PIDMap> map;
  EXPECT_EQ(pin->QueryInterface(IID_PPV_ARGS(&map)), S_OK);
  ComPtr<IEnumPIDMap> maps;
  EXPECT_EQ(map->EnumPIDMap(&maps), S_OK);
  std::vector<PID_MAP> all;
  PID_MAP one;
  ULONG received = 0;
  while (maps->Next(1, &one, &received) == S_OK)
    all.push_back(one);
  return all;
}

std::vector<std::u16string> PinNames(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  EXPECT_EQ(filter->EnumPins(&pins), S_OK);
  std::vector<std::u16string> names;
  IPin* pin = nullptr;
  ULONG fetched = 0;
  while (pins->Next(1, &pin, &fetched) == S_OK) {
    PIN_INFO info;
    pin->QueryPinInfo(&info);
    names.emplace_back(info.achName);
    info.pFilter->Release();
    pin->Release();
  }
  return names;
}

TEST(DemuxPins, CreatedAndDeletedOnRequest) {
  ComPtr<CDemuxFilter> demux(new CDemuxFilter);
  ComPtr<IMpeg2Demultiplexer> demuxer = demux.As<IMpeg2Demultiplexer>();
  ASSERT_TRUE(demuxer);
  EXPECT_EQ(PinNames(demux.Get()), (std::vector<std::u16string>{u"MPEG-2 Stream"}));

  CMediaType video = VideoType();
  ComPtr<IPin> pin;
  EXPECT_EQ(demuxer->CreateOutputPin(nullptr, PinName{u"Video"}, &pin), E_POINTER);
  EXPECT_EQ(demuxer->CreateOutputPin(&video, PinName{u""}, &pin), E_INVALIDARG);
  ASSERT_EQ(demuxer->CreateOutputPin(&video, PinName{u"Video"}, &pin), S_OK);
  EXPECT_EQ(demuxer->CreateOutputPin(&video, PinName{u"Video"}, nullptr), VFW_E_DUPLICATE_NAME);
  EXPECT_EQ(demuxer->CreateOutputPin(&video, PinName{u"MPEG-2 Stream"}, nullptr),
            VFW_E_DUPLICATE_NAME);
  CMediaType sections = SectionType();
  ASSERT_EQ(demuxer->CreateOutputPin(&sections, PinName{u"PSI"}, nullptr), S_OK);
  EXPECT_EQ(PinNames(demux.Get()),
            (std::vector<std::u16string>{u"MPEG-2 Stream", u"Video", u"PSI"}));

  // The pin offers the type it was made with.
  PIN_DIRECTION direction;
  pin->QueryDirection(&direction);
  EXPECT_EQ(direction, PINDIR_OUTPUT);
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(pin->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* offered = nullptr;
  ULONG fetched = 0;
  ASSERT_EQ(types->Next(1, &offered, &fetched), S_OK);
  EXPECT_EQ(offered->majortype, MEDIATYPE_Video);
  EXPECT_EQ(offered->subtype, MEDIASUBTYPE_MPEG2_VIDEO);
  DeleteMediaType(offered);

  ComPtr<IEnumPins> before;
  demux->EnumPins(&before);
  ASSERT_EQ(DemuxGraph::Map(pin.Get(), {0x31}, MEDIA_ELEMENTARY_STREAM), S_OK);
  ASSERT_EQ(demuxer->DeleteOutputPin(PinName{u"Video"}), S_OK);
  EXPECT_EQ(demuxer->DeleteOutputPin(PinName{u"Video"}), VFW_E_NOT_FOUND);
  EXPECT_EQ(PinNames(demux.Get()), (std::vector<std::u16string>{u"MPEG-2 Stream", u"PSI"}));
  ComPtr<IPin> found;
  EXPECT_EQ(demux->FindPin(u"Video", &found), VFW_E_NOT_FOUND);
  IPin* next = nullptr;
  EXPECT_EQ(before->Next(1, &next, &fetched), VFW_E_ENUM_OUT_OF_SYNC);

  // A caller still holding the deleted pin can use it safely; it maps nothing.
  PIN_INFO info;
  ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(std::u16string(info.achName), u"Video");
  info.pFilter->Release();
  EXPECT_EQ(DemuxGraph::Map(pin.Get(), {0x34}, MEDIA_ELEMENTARY_STREAM), E_UNEXPECTED);

  // The name is free again.
  EXPECT_EQ(demuxer->CreateOutputPin(&video, PinName{u"Video"}, nullptr), S_OK);
}

TEST(DemuxPins, PidMapRefusesOutOfRangePidsAndChangesNothing) {
  ComPtr<CDemuxFilter> demux(new CDemuxFilter);
  CMediaType sections = SectionType();
  ComPtr<IPin> pin;
  ASSERT_EQ(demux->CreateOutputPin(&sections, PinName{u"PSI"}, &pin), S_OK);
  ComPtr<IMPEG2PIDMap> map;
  ASSERT_EQ(pin->QueryInterface(IID_PPV_ARGS(&map)), S_OK);

  ULONG initial[] = {0x1FFB, 0x0000, 0x1FFF};
  ASSERT_EQ(map->MapPID(3, initial, MEDIA_MPEG2_PSI), S_OK);
  const std::vector<PID_MAP> expected = {
      {0x0000, MEDIA_MPEG2_PSI}, {0x1FFB, MEDIA_MPEG2_PSI}, {0x1FFF, MEDIA_MPEG2_PSI}};
  EXPECT_EQ(Maps(pin.Get()), expected);

  ULONG tooBig[] = {0x40, 0x2000};
  EXPECT_EQ(map->MapPID(2, tooBig, MEDIA_MPEG2_PSI), E_INVALIDARG);
  ULONG minusOne[] = {0xFFFFFFFF};  // a PID of -1 passed on unchecked
  EXPECT_EQ(map->MapPID(1, minusOne, MEDIA_ELEMENTARY_STREAM), E_INVALIDARG);
  ULONG fine[] = {0x40};
  EXPECT_EQ(map->MapPID(1, fine, static_cast<MEDIA_SAMPLE_CONTENT>(7)), E_INVALIDARG);
  EXPECT_EQ(map->MapPID(1, nullptr, MEDIA_MPEG2_PSI), E_POINTER);
  EXPECT_EQ(Maps(pin.Get()), expected);

  // Same content again: nothing to change; another content replaces it.
  ULONG zero[] = {0};
  EXPECT_EQ(map->MapPID(1, zero, MEDIA_MPEG2_PSI), S_FALSE);
  EXPECT_EQ(map->MapPID(1, zero, MEDIA_TRANSPORT_PACKET), S_OK);
  EXPECT_EQ(Maps(pin.Get()).front(), (PID_MAP{0, MEDIA_TRANSPORT_PACKET}));

  ULONG unmap[] = {0x1FFB, 0x0777};
  EXPECT_EQ(map->UnmapPID(2, unmap), S_OK);
  EXPECT_EQ(map->UnmapPID(2, unmap), S_FALSE);
  EXPECT_EQ(map->UnmapPID(1, tooBig + 1), E_INVALIDARG);
  EXPECT_EQ(Maps(pin.Get()),
            (std::vector<PID_MAP>{{0, MEDIA_TRANSPORT_PACKET}, {0x1FFF, MEDIA_MPEG2_PSI}}));
}

TEST(DemuxPins, ConnectedPinIsDeletedOnlyWhileStopped) {
  DemuxGraph g({SyncRun()});
  ASSERT_TRUE(g.audio->InputPin()->IsConnected());
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  EXPECT_EQ(g.demuxer->DeleteOutputPin(PinName{u"Audio"}), VFW_E_NOT_STOPPED);
  ASSERT_EQ(g.control->Stop(), S_OK);
  EXPECT_EQ(g.demuxer->DeleteOutputPin(PinName{u"Audio"}), S_OK);
  EXPECT_FALSE(g.audio->InputPin()->IsConnected());
  // The rest of the graph still runs to its end.
  g.RunToCompletion();
}

TEST(DemuxPins, RetypingAConnectedPinReconnectsIt) {
  DemuxGraph g({SyncRun()});
  HRESULT hr = S_OK;
  ComPtr<CCaptureRenderer> videoOnly(new CCaptureRenderer(&hr, MEDIATYPE_Video));
  g.graph->AddFilter(videoOnly.Get(), u"Video only");
  ASSERT_EQ(g.graph->Disconnect(g.videoPin.Get()), S_OK);
  g.graph->Disconnect(g.video->InputPin());
  ASSERT_EQ(g.graph->ConnectDirect(g.videoPin.Get(), videoOnly->InputPin(), nullptr), S_OK);
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {0x31}, MEDIA_ELEMENTARY_STREAM), S_OK);

  CMediaType audio = AudioType();
  EXPECT_EQ(g.demuxer->SetOutputPinMediaType(PinName{u"Video"}, &audio), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(g.demuxer->SetOutputPinMediaType(PinName{u"Nothing"}, &audio), VFW_E_NOT_FOUND);

  CMediaType bigger = VideoType();
  bigger.SetSampleSize(256 * 1024);
  ASSERT_EQ(g.demuxer->SetOutputPinMediaType(PinName{u"Video"}, &bigger), S_OK);
  ASSERT_TRUE(videoOnly->InputPin()->IsConnected());
  AM_MEDIA_TYPE now;
  ASSERT_EQ(g.videoPin->ConnectionMediaType(&now), S_OK);
  EXPECT_EQ(now.lSampleSize, 256u * 1024);
  FreeMediaType(now);
  ALLOCATOR_PROPERTIES props;
  ASSERT_EQ(videoOnly->InputPin()->Allocator()->GetProperties(&props), S_OK);
  EXPECT_GE(props.cbBuffer, 256 * 1024);
  // The PIDs stay mapped across the change.
  EXPECT_EQ(Maps(g.videoPin.Get()), (std::vector<PID_MAP>{{0x31, MEDIA_ELEMENTARY_STREAM}}));
}

TEST(DemuxPins, BuffersCoverWhatTheReceiverAsksForInWholeSamples) {
  ComPtr<CDemuxFilter> demux(new CDemuxFilter);
  CMediaType video = VideoType();
  ASSERT_EQ(demux->CreateOutputPin(&video, PinName{u"Video"}, nullptr), S_OK);
  auto* pin = dynamic_cast<CDemuxOutputPin*>(demux->GetPin(1));
  ASSERT_NE(pin, nullptr);
  struct Case {
    LONG count, size, expectCount;
  };
  // The MPEG-2 sink's 2000 x 4096 bytes; nothing asked; a huge request.
  for (const Case c : {Case{2000, 4096, 125}, Case{0, 0, CDemuxOutputPin::kMinBuffers},
                       Case{100000, 65536, CDemuxOutputPin::kMaxBuffers}}) {
    ComPtr<CMemAllocator> allocator(new CMemAllocator);
    ALLOCATOR_PROPERTIES request;
    request.cBuffers = c.count;
    request.cbBuffer = c.size;
    ASSERT_EQ(pin->DecideBufferSize(allocator.Get(), &request), S_OK);
    ALLOCATOR_PROPERTIES props;
    allocator->GetProperties(&props);
    EXPECT_EQ(props.cBuffers, c.expectCount) << c.count;
    EXPECT_EQ(props.cbBuffer, 65536);
  }
}

}  // namespace
}  // namespace demux::test
