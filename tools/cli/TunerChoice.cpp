#include "tools/cli/TunerChoice.h"

#include <chrono>
#include <thread>

#include "common/Utf16.h"
#include "graph/ingest/TunerDevices.h"
#include "platform/bda/linuxdvb/DvbTuners.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/bda/virtual/VirtualTuner.h"
#include "platform/com/ComPtr.h"
#include "platform/media/Devices.h"
#include "tools/broadcast/tuner/OnTheAir.h"

namespace cli {
namespace {

// How long a DVB tune may take to lock.
constexpr auto kLockWait = std::chrono::seconds(3);
constexpr auto kLockPoll = std::chrono::milliseconds(100);
// How long a read waits for packets before the stream counts as stopped.
constexpr auto kStreamWait = std::chrono::seconds(2);

bda::DeviceTune DeviceTuneOf(const common::TuneFrequency& frequency, common::ModulationMask mode) {
  bda::DeviceTune tune;
  tune.frequencyHz = std::uint64_t{frequency.frequency} * frequency.multiplier;
  tune.bandwidthMHz =
      frequency.bandwidth < 0 ? BDA_ULONG_NOT_SET : static_cast<ULONG>(frequency.bandwidth);
  tune.family = common::FamilyOf(mode);
  if (auto type = common::ModulationType(mode)) tune.modulation = bda::ModulationTypeOf(*type);
  return tune;
}

class VirtualCliTuner : public CliTuner {
 public:
  explicit VirtualCliTuner(std::shared_ptr<vtuner::Broadcast> on) : tuner_(std::move(on)) {}
  bool Tune(const common::TuneFrequency& frequency, common::ModulationMask mode) override {
    return tuner_.Tune(DeviceTuneOf(frequency, mode).frequencyHz, common::FamilyOf(mode));
  }
  std::size_t Read(std::span<std::uint8_t> out) override { return tuner_.Read(out); }
  int Quality() const override { return tuner_.Statistics().quality; }
  std::string LastError() const override { return tuner_.LastError(); }
  bool Paced() const override { return tuner_.Paced(); }

 private:
  vtuner::VirtualTuner tuner_;
};

class DvbCliTuner : public CliTuner {
 public:
  explicit DvbCliTuner(linuxdvb::DvbFrontend frontend)
      : tuner_(linuxdvb::SystemDvbCalls(), std::move(frontend)) {}
  bool Tune(const common::TuneFrequency& frequency, common::ModulationMask mode) override {
    tuner_.Tune(DeviceTuneOf(frequency, mode));
    if (FAILED(tuner_.LastTuneResult())) return false;
    for (auto waited = std::chrono::milliseconds(0); waited < kLockWait; waited += kLockPoll) {
      if (tuner_.Signal().locked) {
        tuner_.StartStreaming();
        return true;
      }
      std::this_thread::sleep_for(kLockPoll);
    }
    return false;
  }
  // Waits for packets a while: 0 tells the reader the stream has stopped.
  std::size_t Read(std::span<std::uint8_t> out) override {
    const auto until = std::chrono::steady_clock::now() + kStreamWait;
    do {
      std::size_t bytes = 0;
      if (FAILED(tuner_.Read(out, &bytes))) return 0;
      if (bytes > 0) return bytes;
    } while (std::chrono::steady_clock::now() < until);
    return 0;
  }
  int Quality() const override { return tuner_.Signal().quality; }
  std::string LastError() const override {
    const HRESULT hr = tuner_.LastTuneResult();
    if (FAILED(hr)) return tuner_.Frontend().name + ": " + com::ResultName(hr);
    return tuner_.Frontend().name + " found no lock within 3 seconds";
  }
  bool Paced() const override { return true; }

 private:
  linuxdvb::DvbTuner tuner_;
};

common::ModulationMask ModulationsOf(const std::u16string& displayName) {
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  if (FAILED(MkParseDisplayName(nullptr, displayName.c_str(), &eaten, &moniker))) return 0;
  ComPtr<IBDA_Topology> topology;
  if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&topology)))) return 0;
  ULONG count = 0;
  BDANODE_DESCRIPTOR nodes[16];
  if (FAILED(topology->GetNodeDescriptors(&count, 16, nodes))) return 0;
  common::ModulationMask mask = 0;
  for (ULONG i = 0; i < count && i < 16; ++i) {
    if (nodes[i].guidFunction == KSNODE_BDA_8VSB_DEMODULATOR) mask |= common::kVsbModes;
    if (nodes[i].guidFunction == KSNODE_BDA_QAM_DEMODULATOR) mask |= common::kQamModes;
    if (nodes[i].guidFunction == KSNODE_BDA_COFDM_DEMODULATOR) mask |= common::kCofdmModes;
  }
  return mask;
}

}  // namespace

bool TakeTunerOption(std::vector<std::string>& args, std::string* name) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--tuner") continue;
    if (i + 1 >= args.size()) return false;
    *name = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return true;
  }
  return true;
}

std::unique_ptr<CliTuner> OpenTuner(const std::string& name, std::string* error) {
  if (!name.empty()) {
    for (linuxdvb::DvbFrontend& frontend :
         linuxdvb::EnumerateFrontends(*linuxdvb::SystemDvbCalls())) {
      if (name == frontend.name) return std::make_unique<DvbCliTuner>(std::move(frontend));
    }
  }
  auto on = broadcast::LoadBroadcast(error);
  if (!on) return nullptr;
  for (int n = 1; n <= on->TunerCount(); ++n) {
    if (name.empty() || name == common::ToUtf8(bda::VirtualTunerFriendlyName(n)))
      return std::make_unique<VirtualCliTuner>(on);
  }
  *error = "no tuner named \"" + name + "\" (corvane-cli tuners lists them)";
  return nullptr;
}

std::vector<TunerListing> ListTuners(std::string* error) {
  std::vector<TunerListing> list;
  if (auto on = broadcast::LoadBroadcast(error)) bda::RegisterVirtualTuners(on);
  linuxdvb::RegisterDvbTuners();
  for (const graph::TunerInfo& tuner : graph::EnumerateTuners()) {
    list.push_back({common::ToUtf8(tuner.friendlyName), common::ToUtf8(tuner.displayName),
                    ModulationsOf(tuner.displayName)});
  }
  linuxdvb::UnregisterDvbTuners();
  bda::UnregisterVirtualTuners();
  return list;
}

}  // namespace cli
