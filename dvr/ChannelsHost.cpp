#include "dvr/ChannelsHost.h"

#include "tables/collect/ChannelCollection.h"
#include "tables/dump/TableDump.h"
#include "tables/sections/TableContext.h"

namespace dvr {

ChannelsHost::ChannelsHost(graph::CBDAFilterGraph& graph, tables::ProgramTables& tables,
                           tuning::ChannelList& channels, GraphTarget& target,
                           std::filesystem::path dataFolder)
    : graph_(graph),
      tables_(tables),
      channels_(channels),
      target_(target),
      dataFolder_(std::move(dataFolder)) {}

ChannelsHost::~ChannelsHost() {
  target_.SetChannelsWindow(ui::kNoWindow);
}

bool ChannelsHost::HoldsPoll(const graph::CBDAFilterGraph* graph) const {
  return graph == &graph_ && graph_.ScanChannel().load() != 0 && !polling_;
}

tuning::ModulationMask ChannelsHost::SupportedModulations() {
  LONG modulations = 0;
  filters::CNetworkProvider* provider = graph_.Ingest().Provider();
  if (provider == nullptr || FAILED(provider->GetSupportedModulations(&modulations))) return 0;
  return static_cast<tuning::ModulationMask>(modulations);
}

std::uint8_t ChannelsHost::CurrentPhysicalChannel() {
  return graph_.CurrentChannel().physical();
}

bool ChannelsHost::SignalLocked() {
  locked_ = graph_.SignalLocked();
  return locked_;
}

bool ChannelsHost::Recording() {
  return graph_.Tuner() == graph::TunerState::kTunerRecording;
}

void ChannelsHost::TunePhysical(std::uint8_t physical, tuning::ChannelMap map,
                                tuning::ModulationMask mode) {
  polling_ = false;
  graph_.TunePhysical(physical, static_cast<std::uint8_t>(map), tuning::ModulationToLocator(mode));
}

void ChannelsHost::TuneRequest(const tuning::ChannelLocator& locator) {
  graph_.TuneRequest(locator, true);
}

void ChannelsHost::FlushSections() {
  // The tune is reported: what the buffer holds came before it, from the
  // multiplex the tuner left. A locked channel's own tables follow.
  tables::DrainSectionBuffer(graph_.Tables().packetBuffer);
  polling_ = locked_;
}

void ChannelsHost::ClearSections() {
  tables_.sections.Clear();
}

void ChannelsHost::CollectChannels(std::uint8_t physical, tuning::ChannelMap map,
                                   tuning::ModulationMask mode) {
  // What is still queued belongs to the settle time.
  graph_.MonitorTick();
  polling_ = false;
  tables::TableContext ctx{tables_.sections, channels_, graph_.Tables()};
  tables::SectionTag where;
  where.tuningSpace = static_cast<std::uint8_t>(map);
  where.physical = physical;
  where.modulation = static_cast<std::uint16_t>(mode);
  tables::CollectChannels(ctx, where);
}

void ChannelsHost::WritePsipDump() {
  if (!dataFolder_.empty()) tables::DumpSectionStore(tables_.sections, dataFolder_);
}

ui::DialogResult ChannelsHost::RunForm(const ui::DialogTemplate& layout, ui::DialogHandler& handler,
                                       ui::WindowId owner) {
  return ui::RunDialog(layout, handler, owner);
}

bool ChannelsDialogAllowed(const graph::CBDAFilterGraph* graph) {
  if (graph == nullptr) return false;
  const graph::TunerState tuner = graph->Tuner();
  return tuner == graph::TunerState::kTunerLive || tuner == graph::TunerState::kTunerBuffered;
}

}  // namespace dvr
