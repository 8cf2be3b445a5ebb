#include "tools/cli/psip/CaptureReceiver.h"

#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/com/HResult.h"
#include "tools/cli/psip/CaptureOnAir.h"

namespace psip {
namespace {

// Longest wait for the tuner to reach the next stop of the stream.
constexpr int kGateTimeoutMs = 20'000;

}  // namespace

CaptureReceiver::~CaptureReceiver() {
  TearDown();
}

bool CaptureReceiver::Prepare(const std::filesystem::path& capture, const TuningText& tuning,
                              std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(capture, ec)) {
    *error = "no capture file \"" + capture.string() + "\"";
    return false;
  }
  const auto map = ParseChannelMap(tuning.map);
  if (!map) {
    *error = "unknown channel map \"" + tuning.map + "\"";
    return false;
  }
  const auto mode = ParseModulation(tuning.modulation);
  if (!mode) {
    *error = "unknown modulation \"" + tuning.modulation + "\"";
    return false;
  }
  const auto physical = ParseInt(tuning.physical);
  const auto frequency = physical ? tuning::ResolveFrequency(*map, *physical) : std::nullopt;
  if (!frequency) {
    *error = "physical channel " + tuning.physical + " is outside the \"" +
             std::string(tuning::ChannelMapName(*map)) + "\" band plan";
    return false;
  }
  capture_ = vtuner::Capture::Load(capture, error);
  if (!capture_) return false;
  if (capture_->PacketCount() == 0) {
    // A named string: GCC 12 at -O2 reports a false -Wrestrict overlap for a
    // literal prepended to a temporary one.
    const std::string name = capture.string();
    *error = "\"" + name + "\" holds no transport packets";
    return false;
  }
  path_ = capture;
  map_ = *map;
  mode_ = *mode;
  physical_ = *physical;
  hertz_ = std::uint64_t{frequency->frequency} * frequency->multiplier;
  where_.tuningSpace = static_cast<std::uint8_t>(map_);
  where_.physical = static_cast<std::uint8_t>(physical_);
  where_.modulation = tuning::ModulationToLocator(mode_);
  return true;
}

bool CaptureReceiver::Build(std::string* error) {
  gate_ = std::make_shared<StreamGate>(capture_);
  ComPtr<IBaseFilter> tuner;
  HRESULT hr = bda::CreateVirtualTunerFilter(
      CaptureBroadcast(path_, map_, physical_, mode_, hertz_, gate_), IID_PPV_ARGS(&tuner));
  if (FAILED(hr)) {
    *error = "cannot create the virtual tuner: " + com::ResultName(hr);
    return false;
  }
  hr = ingest_.Build(tuner.Get(), bda::VirtualTunerFriendlyName(1), error);
  if (FAILED(hr)) return false;
  hr = ingest_.Provider()->Tune(physical_, map_, where_.modulation);
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
  const HRESULT hr = ingest_.Run();
  if (FAILED(hr)) {
    *error = "cannot run the graph: " + com::ResultName(hr);
    return false;
  }
  auto position = gate_->WaitAtGate(kGateTimeoutMs);
  if (!position) {
    *error = "the tuner delivered nothing";
    return false;
  }
  while (atStop(*position)) {
    gate_->Open();
    position = gate_->WaitAtGate(kGateTimeoutMs);
    if (!position) {
      *error = "the tuner stopped delivering the capture";
      return false;
    }
    ingest_.WaitUntilIdle();
  }
  return true;
}

void CaptureReceiver::TearDown() {
  ingest_.TearDown();
}

}  // namespace psip
