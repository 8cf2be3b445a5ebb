// Helpers of the tuner tests: a broadcast on a test capture, tuning a tuner
// filter through its nodes, and reading the bytes a capture renderer got.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/bda/model/BdaInterfaces.h"
#include "platform/bda/virtual/Broadcast.h"
#include "platform/com/ComPtr.h"
#include "tests/support/CaptureRenderer.h"
#include "tests/support/Wait.h"
#include "tests/vtuner/TestCapture.h"

namespace bda::test {

// Antenna US channel 22 (519.25 MHz) carries the test capture.
inline constexpr ULONG kChannel22Hz = 519'250'000;

struct TestBroadcast {
  explicit TestBroadcast(int tuners = 2, vtuner::test::CaptureLayout layout = {}) {
    capture = vtuner::test::MakeCapture(layout);
    folder.Write("a.ts", capture);
    const auto file = folder.WriteText(
        "broadcast.txt", "tuners " + std::to_string(tuners) +
                             "\npace off\nmultiplex \"Antenna US\" 22 VSB:8-VSB capture a.ts "
                             "quality 80\n");
    path = file;
    std::string error;
    broadcast = vtuner::Broadcast::Load(file, &error);
  }
  vtuner::test::TempFolder folder;
  std::vector<std::uint8_t> capture;
  std::filesystem::path path;
  std::shared_ptr<vtuner::Broadcast> broadcast;
};

// The control node of the first node with this function.
template <class I>
ComPtr<I> ControlNode(IUnknown* filter, const GUID& function) {
  ComPtr<IBDA_Topology> topology;
  if (FAILED(filter->QueryInterface(IID_PPV_ARGS(&topology)))) return nullptr;
  ULONG count = 0;
  BDANODE_DESCRIPTOR d[16];
  topology->GetNodeDescriptors(&count, 16, d);
  for (ULONG i = 0; i < count && i < 16; ++i) {
    if (d[i].guidFunction != function) continue;
    ComPtr<IUnknown> node;
    if (FAILED(topology->GetControlNode(0, 1, d[i].ulBdaNodeType, &node))) return nullptr;
    return node.As<I>();
  }
  return nullptr;
}

// Tunes like a network provider: demodulator first, then the RF node.
inline void TuneNodes(IUnknown* filter, ULONG hz, const GUID& demodulator) {
  auto control = ComPtr<IUnknown>(filter).As<IBDA_DeviceControl>();
  auto demod = ControlNode<IBDA_AutoDemodulate>(filter, demodulator);
  auto rf = ControlNode<IBDA_FrequencyFilter>(filter, KSNODE_BDA_RF_TUNER);
  control->StartChanges();
  demod->put_AutoDemodulate();
  control->CommitChanges();
  control->StartChanges();
  rf->put_FrequencyMultiplier(1);
  rf->put_Frequency(hz);
  control->CommitChanges();
}

// Waits until the renderer holds at least `bytes` bytes; its bytes then.
inline std::vector<BYTE> WaitForBytes(CCaptureRenderer* renderer, std::size_t bytes,
                                      int timeoutMs = 10'000) {
  testsupport::WaitUntil([&] { return renderer->AllBytes().size() >= bytes; }, timeoutMs);
  return renderer->AllBytes();
}

// PCRs of the packets of a byte stream, in order.
inline std::vector<std::uint64_t> Pcrs(const std::vector<BYTE>& bytes) {
  std::vector<std::uint64_t> pcrs;
  for (std::size_t at = 0; at + 188 <= bytes.size(); at += 188) {
    auto view = vtuner::test::View(std::span<const std::uint8_t>(bytes).subspan(at, 188));
    if (view.pcr) pcrs.push_back(*view.pcr);
  }
  return pcrs;
}

}  // namespace bda::test
