// Feeds the "Demux" filter through its input pin, as a tuner's stream reaches
// it in a running graph, and takes what its four output pins deliver: the pin
// intake (samples, discontinuities, flushes, end of stream, tunes), the PID
// maps of the pins and the sample filling of every content kind.
//
// The graph is built once and keeps running; its clock is one the harness
// moves, so arrival times are the input's. The outputs deliver on the pushing
// thread (direct delivery) into sinks that read every byte. Each input maps
// its own PIDs and unmaps them again at its end, after an end of stream and a
// flush.
//
// Input: chunk size (2 bytes; raised so that no input takes more than 256
// deliveries), mode (1 byte), clock step (1 byte), then the transport stream. Mode bits: 0 every
// 7th chunk a discontinuity, 1 every 11th a flush, 2 every 13th a tune, 3 arrival timing off, 4 the
// PCR PID set to the first PID mapped.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "demux/filter/DemuxFilter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/SystemClock.h"
#include "tests/demux_filter/DemuxGraph.h"
#include "tests/support/PushSource.h"

namespace {

// A clock that moves only when told.
class SteppedClock final : public CBaseReferenceClock {
 public:
  SteppedClock() : CBaseReferenceClock("stepped clock") {}
  ~SteppedClock() override { StopThread(); }
  void Step(REFERENCE_TIME by) { now_ += by; }

 protected:
  REFERENCE_TIME GetPrivateTime() override { return now_; }

 private:
  std::atomic<REFERENCE_TIME> now_{1};
};

// An input that reads every byte it is given and checks the sample's bounds.
class CheckingSink final : public CBaseFilter {
 public:
  CheckingSink() : CBaseFilter("checking sink", &lock_, GUID_NULL) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<Pin>(this, &lock_, &hr);
  }
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
  CBaseInputPin* Input() { return pin_.get(); }

 private:
  class Pin final : public CBaseInputPin {
   public:
    Pin(CBaseFilter* filter, CCritSec* lock, HRESULT* hr)
        : CBaseInputPin("checking input", filter, lock, hr, u"In") {}
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT Receive(IMediaSample* sample) override {
      const HRESULT hr = CBaseInputPin::Receive(sample);
      if (hr != S_OK) return hr;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      const LONG length = sample->GetActualDataLength();
      if (data == nullptr || length < 0 || length > sample->GetSize()) __builtin_trap();
      std::uint8_t sum = 0;
      for (LONG i = 0; i < length; ++i)
        sum = static_cast<std::uint8_t>(sum + data[i]);
      sum_ = static_cast<std::uint8_t>(sum_ + sum);
      return S_OK;
    }

   private:
    std::uint8_t sum_ = 0;
  };

  CCritSec lock_;
  std::unique_ptr<Pin> pin_;
};

CMediaType TransportType() {
  CMediaType mt(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);
  mt.SetVariableSize();
  return mt;
}

CMediaType PacketType() {
  CMediaType mt(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);
  mt.SetSampleSize(188);
  return mt;
}

constexpr std::size_t kPins = 4;
constexpr LONG kBufferSize = 16384;
constexpr std::size_t kMaxPushes = 256;

struct Rig {
  Rig() {
    media::RegisterClasses();
    graph = new CFilterGraph;
    demux = new demux::CDemuxFilter;
    demux->SetDirectDelivery(true);
    source = new testsupport::CPushSource(
        {TransportType()}, testsupport::PushSourceOptions{.bufferSize = kBufferSize});
    clock = new SteppedClock;
    graph->AddFilter(source.Get(), u"Source");
    graph->AddFilter(demux.Get(), u"Demux");
    graph->ConnectDirect(source->Output(), demux->GetPin(0), nullptr);
    CMediaType types[kPins] = {demux::test::SectionType(), demux::test::VideoType(),
                               demux::test::AudioType(), PacketType()};
    const char16_t* names[kPins] = {u"Sections", u"Video", u"Audio", u"Packets"};
    for (std::size_t i = 0; i < kPins; ++i) {
      ComPtr<IPin> pin;
      demux->CreateOutputPin(&types[i], demux::test::PinName{names[i]}, &pin);
      sinks[i] = new CheckingSink;
      graph->AddFilter(sinks[i].Get(), names[i]);
      graph->ConnectDirect(pin.Get(), sinks[i]->Input(), nullptr);
      maps[i] = pin.As<IMPEG2PIDMap>();
    }
    graph->SetSyncSource(clock.Get());
    graph->Run();
  }

  ComPtr<CFilterGraph> graph;
  ComPtr<demux::CDemuxFilter> demux;
  ComPtr<testsupport::CPushSource> source;
  ComPtr<SteppedClock> clock;
  ComPtr<CheckingSink> sinks[kPins];
  ComPtr<IMPEG2PIDMap> maps[kPins];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  static Rig rig;
  // At most kMaxPushes deliveries per input: a long input in tiny chunks
  // costs a graph delivery per byte and finds nothing a short one does not.
  const std::size_t chunk = std::max<std::size_t>(1 + (data[0] | data[1] << 8) % kBufferSize,
                                                  (size - 4 + kMaxPushes - 1) / kMaxPushes);
  const std::uint8_t mode = data[2];
  const REFERENCE_TIME step = REFERENCE_TIME{data[3]} * 1000;
  const std::span<const std::uint8_t> stream(data + 4, size - 4);
  IPin* input = rig.demux->GetPin(0);

  // The PIDs of packets at packet boundaries, each on a pin and with a
  // content chosen from its number.
  std::vector<ULONG> mapped[kPins];
  for (std::size_t pos = 0, count = 0; pos + 3 <= stream.size() && count < 24; pos += 188) {
    if (stream[pos] != 0x47) continue;
    ULONG pid = (stream[pos + 1] & 0x1F) << 8 | stream[pos + 2];
    const std::size_t pin = pid % kPins;
    const auto content = static_cast<MEDIA_SAMPLE_CONTENT>(pid / kPins % 4);
    if (rig.maps[pin]->MapPID(1, &pid, content) == S_OK) mapped[pin].push_back(pid);
    if (count++ == 0 && (mode & 0x10)) rig.demux->SetPcrPid(pid);
  }
  rig.demux->SetArrivalTiming((mode & 0x08) == 0);

  std::size_t calls = 0;
  for (std::size_t pos = 0; pos < stream.size(); pos += chunk) {
    ++calls;
    rig.clock->Step(step);
    const bool discontinuity = (mode & 0x01) && calls % 7 == 0;
    rig.source->Push(stream.subspan(pos, std::min(chunk, stream.size() - pos)), std::nullopt,
                     discontinuity);
    if ((mode & 0x02) && calls % 11 == 0) {
      input->BeginFlush();
      input->EndFlush();
    }
    if ((mode & 0x04) && calls % 13 == 0) rig.demux->NotifyTune();
  }
  rig.source->EndOfStream();

  // Back to where the next input starts from.
  input->BeginFlush();
  input->EndFlush();
  for (std::size_t pin = 0; pin < kPins; ++pin) {
    if (!mapped[pin].empty()) {
      rig.maps[pin]->UnmapPID(static_cast<ULONG>(mapped[pin].size()), mapped[pin].data());
    }
  }
  rig.demux->SetPcrPid(demux::TsDemuxer::kAutoPcrPid);
  rig.demux->NotifyTune();
  return 0;
}
