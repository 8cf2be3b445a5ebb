// The "Channels" dialog's view of the current graph: scan tunes, the lock
// test, the section store and the channel collection, and the graph's
// reports routed to the dialog while it is open.
//
// The one-second tick polls the sections of every graph; while a scan tune
// is on its way, and on a channel without signal, what the poll would find
// is the old multiplex's, so the tick asks HoldsPoll first.
#pragma once

#include <filesystem>

#include "app/ChannelsDialog.h"
#include "dvr/GraphTarget.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "tables/poll/PollSections.h"

namespace dvr {

class ChannelsHost final : public app::IChannelsHost {
 public:
  ChannelsHost(graph::CBDAFilterGraph& graph, tables::ProgramTables& tables,
               tuning::ChannelList& channels, GraphTarget& target,
               std::filesystem::path dataFolder);
  ~ChannelsHost() override;

  // True when the tick must leave this graph's sections alone now.
  bool HoldsPoll(const graph::CBDAFilterGraph* graph) const;

  tuning::ModulationMask SupportedModulations() override;
  std::atomic<int>& ScanChannel() override { return graph_.ScanChannel(); }
  std::uint8_t CurrentPhysicalChannel() override;
  int SignalQuality() override { return graph_.SignalQuality(); }
  bool SignalLocked() override;
  bool Recording() override;
  void PublishWindow(ui::WindowId window) override { target_.SetChannelsWindow(window); }
  void TunePhysical(std::uint8_t physical, tuning::ChannelMap map,
                    tuning::ModulationMask mode) override;
  void TuneRequest(const tuning::ChannelLocator& locator) override;
  void FlushSections() override;
  void ClearSections() override;
  void CollectChannels(std::uint8_t physical, tuning::ChannelMap map,
                       tuning::ModulationMask mode) override;
  void WritePsipDump() override;
  ui::DialogResult RunForm(const ui::DialogTemplate& layout, ui::DialogHandler& handler,
                           ui::WindowId owner) override;

 private:
  graph::CBDAFilterGraph& graph_;
  tables::ProgramTables& tables_;
  tuning::ChannelList& channels_;
  GraphTarget& target_;
  std::filesystem::path dataFolder_;
  bool locked_ = false;   // the last lock test's answer
  bool polling_ = false;  // a settling channel's tables may be polled
};

// Whether the "Channels" dialog may open on `graph`: a tuner graph runs
// without a recording (live or buffered).
bool ChannelsDialogAllowed(const graph::CBDAFilterGraph* graph);

}  // namespace dvr
