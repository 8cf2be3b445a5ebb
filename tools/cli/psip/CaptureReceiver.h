// A capture file received through the live graph's ingest chain, for the
// commands that analyse or record one: the tuning typed on the command line is
// checked, the capture put on the air there (unpaced, played through a
// StreamGate), a virtual tuner and the ingest chain built around it and tuned,
// and the graph run with a call at every stop of the gate, that is once per
// second of stream time and at the end of every pass of the capture.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "graph/ingest/IngestGraph.h"
#include "platform/bda/virtual/Capture.h"
#include "tables/poll/GraphTables.h"
#include "tables/sections/SectionTag.h"
#include "tools/cli/psip/StreamGate.h"
#include "tuning/BandPlan.h"

namespace psip {

// Where to put the capture on the air, as typed.
struct TuningText {
  std::string map = "Antenna US";
  std::string physical = "2";
  std::string modulation = "VSB:8-VSB";
};

class CaptureReceiver {
 public:
  CaptureReceiver() = default;
  ~CaptureReceiver();
  CaptureReceiver(const CaptureReceiver&) = delete;
  CaptureReceiver& operator=(const CaptureReceiver&) = delete;

  // Checks the capture file and the tuning, and loads the capture. False with
  // the one-line message in `error`.
  bool Prepare(const std::filesystem::path& capture, const TuningText& tuning, std::string* error);

  // Builds the ingest chain around a virtual tuner receiving the capture and
  // tunes it (the tune is carried out when the graph runs).
  bool Build(std::string* error);

  // Gives the section poll the section buffer and the network provider.
  void Wire(tables::GraphTables& graph) const;

  // Runs the graph. `atStop` is called when the stream stands at its start
  // and then at every stop of the gate, each time with everything before the
  // stop through the graph; the run ends when it returns false. False (with
  // `error`) when the graph does not run or the tuner stops delivering.
  bool Run(const std::function<bool(const GatePosition&)>& atStop, std::string* error);

  void TearDown();

  graph::IngestGraph& Ingest() { return ingest_; }
  // The tuning tag of the sections received.
  const tables::SectionTag& Where() const { return where_; }
  int Physical() const { return physical_; }

 private:
  std::filesystem::path path_;
  std::shared_ptr<const vtuner::Capture> capture_;
  tuning::ChannelMap map_ = tuning::kAntennaUs;
  int physical_ = 0;
  tuning::ModulationMask mode_{};
  std::uint64_t hertz_ = 0;
  tables::SectionTag where_;
  std::shared_ptr<StreamGate> gate_;
  graph::IngestGraph ingest_;
};

}  // namespace psip
