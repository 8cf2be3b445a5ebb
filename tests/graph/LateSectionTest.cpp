#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>

#include "graph/ingest/IngestGraph.h"
#include "platform/bda/tuner/TunerFilter.h"
#include "platform/com/TaskMemory.h"
#include "tests/support/Psi.h"
#include "tests/support/Wait.h"
#include "tuning/BandPlan.h"

namespace graph {
namespace {

using testsupport::Bytes;

// A tuner backend whose stream hands out the packets the test queues. A read
// can be held: it starts, tells the test, and returns only when let go, so
// a tune can be carried out while the bytes it read are on their way.
class HeldStream : public bda::TunerDevice, public bda::TunerStream {
 public:
  bool Tune(const bda::DeviceTune&) override {
    ++tunes_;
    return true;
  }
  bda::SignalState Signal() const override { return {true, true, 100, 0}; }
  std::uint32_t TuneCount() const override { return tunes_.load(); }

  HRESULT Read(std::span<std::uint8_t> buffer, std::size_t* bytes) override {
    std::unique_lock lock(mutex_);
    *bytes = 0;
    if (!changed_.wait_for(lock, std::chrono::milliseconds(10), [&] { return !queued_.empty(); }))
      return S_OK;
    if (hold_) {
      reading_ = true;
      changed_.notify_all();
      changed_.wait(lock, [&] { return !hold_; });
      reading_ = false;
    }
    const std::size_t n = std::min(buffer.size(), queued_.size());
    std::copy_n(queued_.begin(), n, buffer.begin());
    queued_.erase(queued_.begin(), queued_.begin() + static_cast<std::ptrdiff_t>(n));
    *bytes = n;
    changed_.notify_all();
    return S_OK;
  }

  void Queue(const Bytes& packet, bool hold) {
    std::lock_guard lock(mutex_);
    queued_.insert(queued_.end(), packet.begin(), packet.end());
    hold_ = hold;
    changed_.notify_all();
  }
  void WaitUntilReading() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return reading_; });
  }
  // Lets the held read return and waits until it has.
  void LetGo() {
    std::unique_lock lock(mutex_);
    hold_ = false;
    changed_.notify_all();
    changed_.wait(lock, [&] { return queued_.empty(); });
  }

 private:
  std::atomic<std::uint32_t> tunes_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  Bytes queued_;
  bool hold_ = false;
  bool reading_ = false;
};

// Three transport packets on PID 0, each carrying the whole PAT of `tsid`
// (the demultiplexer takes a stream as aligned after three sync bytes).
Bytes PatPackets(std::uint16_t tsid, std::uint8_t continuity) {
  const Bytes payload = testsupport::WithPointerField(testsupport::Pat(tsid, {{1, 0x100}}));
  Bytes packets;
  for (std::uint8_t i = 0; i < 3; ++i) {
    Bytes packet = {0x47, 0x40, 0x00, static_cast<std::uint8_t>(0x10 | ((continuity + i) & 0x0F))};
    packet.insert(packet.end(), payload.begin(), payload.end());
    packet.resize(188, 0xFF);
    packets.insert(packets.end(), packet.begin(), packet.end());
  }
  return packets;
}

struct Received {
  LONG physical = 0;
  std::uint16_t tsid = 0;
};

std::vector<Received> TakeSections(CPsiParserFilter* buffer) {
  std::vector<Received> out;
  BYTE* section = nullptr;
  LONG length = 0, type = 0, physical = 0, modulation = 0, program = 0, pid = 0;
  while (buffer->GetNextSection(&section, &length, &type, &physical, &modulation, &program, &pid) ==
         S_OK) {
    out.push_back({physical, static_cast<std::uint16_t>(section[3] << 8 | section[4])});
    CoTaskMemFree(section);
  }
  return out;
}

TEST(LateSectionTest, ASampleReadBeforeATuneIsNotTakenForTheNewChannel) {
  auto stream = std::make_shared<HeldStream>();
  HRESULT hr = S_OK;
  ComPtr<bda::CTunerFilter> tuner(new bda::CTunerFilter("held tuner", GUID_NULL, stream, stream,
                                                        {common::DemodulatorFamily::kVsb}, &hr));
  ASSERT_EQ(hr, S_OK);
  IngestGraph ingest;
  std::string error;
  ASSERT_EQ(ingest.Build(tuner.Get(), u"held tuner", &error, IngestGraph::Mode::kLive), S_OK)
      << error;
  ASSERT_EQ(ingest.Run(), S_OK);
  filters::CNetworkProvider* provider = ingest.Provider();
  ASSERT_EQ(provider->Tune(22, tuning::kAntennaUs, tuning::kVsb8), S_OK);
  const LONG patPid = 0;
  ASSERT_EQ(provider->SetPsiPids(&patPid, 1, FALSE), S_OK);

  // Channel 22's PAT is read, and channel 30 is tuned before it is delivered.
  stream->Queue(PatPackets(0x0022, 0), true);
  stream->WaitUntilReading();
  ASSERT_EQ(provider->Tune(30, tuning::kAntennaUs, tuning::kVsb8), S_OK);
  stream->LetGo();
  stream->Queue(PatPackets(0x0030, 3), false);

  std::vector<Received> got;
  testsupport::WaitUntil(
      [&] {
        auto more = TakeSections(ingest.SectionBuffer());
        got.insert(got.end(), more.begin(), more.end());
        return std::any_of(got.begin(), got.end(),
                           [](const Received& r) { return r.tsid == 0x30; });
      },
      5000);
  ingest.Stop();
  ASSERT_FALSE(got.empty());
  for (const Received& r : got) {
    EXPECT_EQ(r.physical, 30);
    EXPECT_EQ(r.tsid, 0x30) << "the old multiplex's table under channel 30";
  }
}

}  // namespace
}  // namespace graph
