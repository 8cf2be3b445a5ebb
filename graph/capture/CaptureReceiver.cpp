#include "graph/capture/CaptureReceiver.h"

#include "graph/capture/CaptureOnAir.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/com/HResult.h"

namespace graph {
namespace {

// Longest wait for the tuner to reach the next stop of the stream.
constexpr int kGateTimeoutMs = 20'000;
// Most memory the later passes of tables alone may take; a capture whose
// tables need more is read again in full.
constexpr std::size_t kTableRecordLimit = std::size_t{40} << 20;

}  // namespace

CaptureReceiver::~CaptureReceiver() {
  TearDown();
}

bool CaptureReceiver::Prepare(const std::filesystem::path& capture, const CaptureTuning& tuning,
                              std::string* error) {
  const auto frequency = tuning::ResolveFrequency(tuning.map, tuning.physical);
  if (!frequency) {
    *error = "physical channel " + std::to_string(tuning.physical) + " is outside the \"" +
             std::string(tuning::ChannelMapName(tuning.map)) + "\" band plan";
    return false;
  }
  capture_ = vtuner::Capture::Load(capture, error);
  if (!capture_) return false;
  if (!capture_->HasPackets()) {
    // A named string: GCC 12 at -O2 reports a false -Wrestrict overlap for a
    // literal prepended to a temporary one.
    const std::string name = capture.string();
    *error = "\"" + name + "\" holds no transport packets";
    return false;
  }
  path_ = capture;
  tuning_ = tuning;
  hertz_ = std::uint64_t{frequency->frequency} * frequency->multiplier;
  where_.tuningSpace = static_cast<std::uint8_t>(tuning_.map);
  where_.physical = static_cast<std::uint8_t>(tuning_.physical);
  where_.modulation = tuning::ModulationToLocator(tuning_.mode);
  return true;
}

bool CaptureReceiver::Build(std::string* error) {
  gate_ = std::make_shared<StreamGate>(capture_);
  if (tablesOnly_) gate_->KeepTablesOnly(kTableRecordLimit);
  ComPtr<IBaseFilter> tuner;
  HRESULT hr = bda::CreateVirtualTunerFilter(
      CaptureBroadcast(path_, tuning_.map, tuning_.physical, tuning_.mode, hertz_, gate_),
      IID_PPV_ARGS(&tuner));
  if (FAILED(hr)) {
    *error = "cannot create the virtual tuner: " + com::ResultName(hr);
    return false;
  }
  hr = ingest_.Build(tuner.Get(), bda::VirtualTunerFriendlyName(1), error);
  if (FAILED(hr)) return false;
  // The capture moves as fast as the graph takes it: its own PCRs, not the
  // arrivals, time the samples.
  ingest_.Demux()->SetArrivalTiming(FALSE);
  // Nothing here waits on a clock, so the tuner's streaming thread carries
  // each sample through the tee and the demultiplexer itself: a hand-over to
  // a queue thread per output would cost more than the work it moves.
  if (ingest_.Tee()) ingest_.Tee()->SetDirectDelivery(true);
  ingest_.Demux()->SetDirectDelivery(true);
  hr = ingest_.Provider()->Tune(tuning_.physical, tuning_.map, where_.modulation);
  if (FAILED(hr)) {
    *error = "cannot tune: " + com::ResultName(hr);
    return false;
  }
  return true;
}

void CaptureReceiver::Wire(tables::GraphTables& graph) const {
  graph.packetBuffer = ingest_.PollBuffer();
  graph.networkProvider = ingest_.PollProvider();
  graph.sectionPinPresent = true;
}

bool CaptureReceiver::Run(const std::function<bool(const GatePosition&)>& atStop,
                          std::string* error) {
  // The job runs on the tuner's streaming thread at every stop, once the
  // queues behind the tuner have passed on everything before it.
  gate_->SetStopHandler([this, &atStop](const GatePosition& position) {
    ingest_.WaitUntilIdle();
    return atStop(position);
  });
  const HRESULT hr = ingest_.Run();
  if (FAILED(hr)) {
    *error = "cannot run the graph: " + com::ResultName(hr);
    return false;
  }
  // The run ends when the job says so or the capture ends; it has failed when
  // the stream stands still meanwhile.
  std::uint64_t delivered = 0;
  for (;;) {
    const auto position = gate_->WaitAtGate(kGateTimeoutMs);
    if (position && position->stop == GateStop::kEnded) {
      *error = gate_->Failure();
      return false;
    }
    if (position) return true;
    const std::uint64_t now = gate_->Delivered();
    if (now == delivered) {
      *error =
          now == 0 ? "the tuner delivered nothing" : "the tuner stopped delivering the capture";
      return false;
    }
    delivered = now;
  }
}

void CaptureReceiver::TearDown() {
  ingest_.TearDown();
}

}  // namespace graph
