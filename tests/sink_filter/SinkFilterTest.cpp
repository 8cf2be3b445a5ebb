// The sink's graph surface (pins, media types, allocator requirements,
// interfaces) and its Stop racing a Receive.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "filters/sink/PsFormat.h"
#include "platform/com/TaskMemory.h"
#include "tests/sink_filter/SinkGraph.h"

namespace filters::test {
namespace {

using filters::PinType;

TEST(SinkFilter, PinsTypesAndAllocatorRequirements) {
  ComPtr<CMPEG2Sink> sink(new CMPEG2Sink);
  ASSERT_EQ(sink->GetPinCount(), 3);
  EXPECT_EQ(sink->GetPin(3), nullptr);
  const char16_t* names[] = {u"MPEG-2 Video ES", u"AC3 Audio ES", u"Text"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sink->GetPin(i)->Name(), names[i]);
    EXPECT_EQ(sink->GetPin(i)->Direction(), PINDIR_INPUT);
  }

  struct Case {
    PinType pin;
    GUID major;
    bool accepted;
  };
  const Case cases[] = {
      {PinType::kVideo, MEDIATYPE_Video, true},  {PinType::kVideo, MEDIASUBTYPE_MPEG2_VIDEO, true},
      {PinType::kVideo, MEDIATYPE_Audio, false}, {PinType::kVideo, MEDIATYPE_Stream, false},
      {PinType::kAudio, MEDIATYPE_Audio, true},  {PinType::kAudio, MEDIASUBTYPE_DOLBY_AC3, true},
      {PinType::kAudio, MEDIATYPE_Video, false}, {PinType::kText, MEDIATYPE_TextStream, true},
      {PinType::kText, MEDIASUBTYPE_None, true}, {PinType::kText, MEDIATYPE_Video, false},
  };
  for (const Case& c : cases) {
    // The subtype never matters: a video type with an AC-3 subtype is video.
    const CMediaType mt(c.major, MEDIASUBTYPE_DOLBY_AC3);
    EXPECT_EQ(sink->InputPin(c.pin)->CheckMediaType(&mt),
              c.accepted ? S_OK : VFW_E_INVALIDMEDIATYPE)
        << "pin " << static_cast<int>(c.pin) << " case " << (&c - cases);
  }

  for (PinType pin : {PinType::kVideo, PinType::kAudio}) {
    ALLOCATOR_PROPERTIES props;
    ASSERT_EQ(sink->InputPin(pin)->GetAllocatorRequirements(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 2000);
    EXPECT_EQ(props.cbBuffer, 4096);
    EXPECT_EQ(props.cbAlign, 1);
    EXPECT_EQ(props.cbPrefix, 0);
  }
  ALLOCATOR_PROPERTIES props;
  EXPECT_EQ(sink->InputPin(PinType::kText)->GetAllocatorRequirements(&props), E_NOTIMPL);
}

TEST(SinkFilter, ConnectionsAndInterfaces) {
  SinkGraph g;
  // Upstream allocators follow the video and audio pins' requirements.
  EXPECT_EQ(g.video->Granted().cBuffers, 2000);
  EXPECT_EQ(g.audio->Granted().cbBuffer, 4096);

  // A type another pin takes is refused at connection.
  ComPtr<CPushSource> stray(new CPushSource(AudioType()));
  ASSERT_EQ(g.graph->AddFilter(stray.Get(), u"stray"), S_OK);
  g.graph->Disconnect(g.sink->GetPin(0));
  const CMediaType audio = AudioType();
  EXPECT_TRUE(FAILED(g.graph->ConnectDirect(stray->Output(), g.sink->GetPin(0), &audio)));
  EXPECT_FALSE(g.sink->GetPin(0)->IsConnected());

  ComPtr<IMPEG2Sink> own;
  ASSERT_EQ(g.sink->QueryInterface(IID_PPV_ARGS(&own)), S_OK);
  EXPECT_EQ(own->SetParameters(1, 2, 3, 4, 5), E_FAIL);
  ComPtr<IAMovieSetup> setup;
  EXPECT_EQ(g.sink->QueryInterface(IID_PPV_ARGS(&setup)), S_OK);
  void* self = nullptr;
  ASSERT_EQ(g.sink->QueryInterface(IID_MPEG2SinkObject, &self), S_OK);
  EXPECT_EQ(self, static_cast<void*>(g.sink.Get()));
  g.sink->Release();

  // Seeking goes to the video pin's upstream, which does not seek.
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(g.sink->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
  LONGLONG duration = 0;
  EXPECT_EQ(seeking->GetDuration(&duration), E_NOTIMPL);

  ComPtr<IFileSinkFilter> file;
  ASSERT_EQ(g.sink->QueryInterface(IID_PPV_ARGS(&file)), S_OK);
  EXPECT_EQ(file->GetCurFile(nullptr, nullptr), E_POINTER);
  filters::test::TempDir dir;
  const std::u16string list = dir.File("buffer.lst");
  ASSERT_EQ(file->SetFileName(list.c_str(), nullptr), S_OK);
  LPWSTR name = nullptr;
  AM_MEDIA_TYPE mt;
  mt.majortype = MEDIATYPE_Video;
  ASSERT_EQ(file->GetCurFile(&name, &mt), S_OK);
  EXPECT_EQ(std::u16string(name), list);
  EXPECT_EQ(mt.majortype, GUID_NULL);
  CoTaskMemFree(name);
}

// The file-name outcomes of the core reach the caller as the interface's codes.
TEST(SinkFilter, SetFileNameAnswersTheInterfaceResultCodes) {
  ComPtr<CMPEG2Sink> sink(new CMPEG2Sink);
  ComPtr<IFileSinkFilter> file;
  ASSERT_EQ(sink->QueryInterface(IID_PPV_ARGS(&file)), S_OK);
  EXPECT_EQ(file->SetFileName(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(file->SetFileName(std::u16string(300, u'a').c_str(), nullptr), 206);
  filters::test::TempDir dir;
  ASSERT_EQ(file->SetFileName(dir.File("one.lst").c_str(), nullptr), S_OK);
  EXPECT_EQ(file->SetFileName(dir.File("two.lst").c_str(), nullptr), E_FAIL);
}

std::vector<std::uint8_t> SequenceStart() {
  auto data = filters::test::SequenceHeader(4);
  const auto picture = filters::test::Picture(0, 3000, 1);
  data.insert(data.end(), picture.begin(), picture.end());
  return data;
}

// A thread keeps delivering video and audio while the sink is stopped. Every
// Receive either finishes before the end code or sees the sink stopped: the
// file ends with the end code after whole packs, and no sample stays held.
TEST(SinkFilter, StopWaitsForReceiveInProgress) {
  const auto header = SequenceStart();
  const auto picture = filters::test::Picture(1, 3000, 2);
  const auto frame = filters::test::Ac3Frame(8, 3);
  for (int round = 0; round < 8; ++round) {
    SinkGraph g;
    filters::test::TempDir dir;
    ComPtr<IFileSinkFilter> file;
    ASSERT_EQ(g.sink->QueryInterface(IID_PPV_ARGS(&file)), S_OK);
    ASSERT_EQ(file->SetFileName(dir.File("race.lst").c_str(), nullptr), S_OK);
    const std::u16string chunk = g.sink->Core().CurrentPath();
    ASSERT_EQ(g.control->Run(), S_OK);

    std::atomic<bool> stop{false};
    std::thread pusher([&] {
      REFERENCE_TIME t = 0;
      for (int i = 0; !stop; ++i, t += 333'667) {
        g.video->Push(i == 0 ? header : picture, t);
        g.audio->Push(frame, t);
        g.video->Push(picture, std::nullopt);
      }
    });
    // Stop at a different point of the stream each round.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (g.sink->Core().Stats().packsWritten < 20 + static_cast<unsigned>(round) * 7 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    EXPECT_EQ(g.sink->Stop(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
    pusher.join();

    EXPECT_NE(g.video->Push(picture, 0), S_OK) << "a stopped sink took a sample";
    for (PinType pin : {PinType::kVideo, PinType::kAudio, PinType::kText})
      EXPECT_EQ(g.sink->Core().HeldSamples(pin), 0u);
    const auto bytes =
        filters::test::ReadAll(std::filesystem::path(std::string(chunk.begin(), chunk.end())));
    ASSERT_GE(bytes.size(), filters::kPackSize + 4);
    EXPECT_EQ(bytes.size() % filters::kPackSize, 4u);
    EXPECT_TRUE(std::equal(bytes.end() - 4, bytes.end(), std::begin(filters::kProgramEndCode)));
    const auto packs = filters::test::DecodeFile(bytes);
    EXPECT_EQ(packs.size(), g.sink->Core().Stats().packsWritten);
  }
}

}  // namespace
}  // namespace filters::test
