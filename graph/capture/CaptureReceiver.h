// A capture file received through the live graph's ingest chain, for the
// tools that analyse or record one: the capture is put on the air (unpaced,
// played through a StreamGate), a virtual tuner and the ingest chain are built
// around it and tuned, and the graph is run with a call at every stop of the
// gate, that is once per second of stream time and at the end of every pass of
// the capture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "graph/capture/StreamGate.h"
#include "graph/ingest/IngestGraph.h"
#include "platform/bda/virtual/Capture.h"
#include "tables/poll/GraphTables.h"
#include "tables/sections/SectionTag.h"
#include "tuning/BandPlan.h"

namespace graph {

// Where a capture is put on the air.
struct CaptureTuning {
  tuning::ChannelMap map = tuning::kAntennaUs;
  int physical = 0;
  tuning::ModulationMask mode{};
};

class CaptureReceiver {
 public:
  CaptureReceiver() = default;
  ~CaptureReceiver();
  CaptureReceiver(const CaptureReceiver&) = delete;
  CaptureReceiver& operator=(const CaptureReceiver&) = delete;

  // Checks that the physical channel is in the band plan and loads the
  // capture. False with the one-line message in `error`.
  bool Prepare(const std::filesystem::path& capture, const CaptureTuning& tuning,
               std::string* error);

  // Makes the capture's passes after the first carry only its tables and its
  // clock, played from memory (see CaptureLoop::KeepTablesOnly): for a run
  // that reads the tables alone. Before Build.
  void KeepTablesOnlyAfterFirstPass() { tablesOnly_ = true; }

  // Builds the ingest chain around a virtual tuner receiving the capture and
  // tunes it (the tune is carried out when the graph runs).
  bool Build(std::string* error);

  // Gives the section poll the section buffer and the network provider.
  void Wire(tables::GraphTables& graph) const;

  // Runs the graph. `atStop` is called when the stream stands at its start
  // and then at every stop of the gate, each time with everything before the
  // stop through the graph, on the tuner's streaming thread while the stream
  // waits; the run ends when it returns false. False (with `error`) when the
  // graph does not run, the tuner stops delivering or the capture can no
  // longer be read.
  bool Run(const std::function<bool(const GatePosition&)>& atStop, std::string* error);

  void TearDown();

  IngestGraph& Ingest() { return ingest_; }
  // The tuning tag of the sections received.
  const tables::SectionTag& Where() const { return where_; }
  int Physical() const { return tuning_.physical; }

 private:
  std::filesystem::path path_;
  std::shared_ptr<const vtuner::Capture> capture_;
  CaptureTuning tuning_;
  std::uint64_t hertz_ = 0;
  tables::SectionTag where_;
  std::shared_ptr<StreamGate> gate_;
  bool tablesOnly_ = false;
  IngestGraph ingest_;
};

}  // namespace graph
