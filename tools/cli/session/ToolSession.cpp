#include "tools/cli/session/ToolSession.h"

#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

#include "app/CommandLine.h"
#include "app/SettingsDefaults.h"
#include "common/TsConstants.h"
#include "common/Utf16.h"
#include "graph/ingest/TunerDevices.h"
#include "platform/bda/tuner/VirtualTunerFilter.h"
#include "platform/bda/virtual/Broadcast.h"
#include "tables/collect/ChannelCollection.h"
#include "tools/broadcast/tuner/TunerRegistration.h"

namespace cli {
namespace {

bool Present(const std::vector<graph::TunerInfo>& tuners, const app::TunerEntry& entry) {
  const std::u16string path(common::FieldView(entry.devicePath));
  return std::any_of(tuners.begin(), tuners.end(),
                     [&](const graph::TunerInfo& t) { return t.displayName == path; });
}

}  // namespace

ToolSession::ToolSession() {
  tables_.channels = &channels_;
}

ToolSession::~ToolSession() {
  broadcast::UnregisterTuners();
}

bool ToolSession::Open(const std::u16string& instance, const std::string& tuner,
                       std::string* error) {
  app::SetDefaults(manager_->settings);
  dataFolder_ = app::FindDataFolder(instance);
  if (dataFolder_.empty()) {
    *error = "no data folder";
    return false;
  }
  app::SetDefaultFolders(manager_->settings, dataFolder_);
  file_ = std::make_unique<app::SettingsFile>(dataFolder_ / app::kSettingsFileName, *manager_,
                                              channels_);
  file_->LoadSettingsFile();

  broadcast_ = broadcast::RegisterTuners(error);
  if (!broadcast_) return false;
  const std::vector<graph::TunerInfo> tuners = graph::EnumerateTuners();
  if (tuners.empty()) {
    *error = "no tuner";
    return false;
  }
  const graph::TunerInfo* chosen = &tuners[0];
  if (!tuner.empty()) {
    const auto named = std::find_if(tuners.begin(), tuners.end(), [&](const graph::TunerInfo& t) {
      return common::ToUtf8(t.friendlyName) == tuner;
    });
    if (named == tuners.end()) {
      *error = "no tuner named \"" + tuner + "\" (corvane-cli tuners lists them)";
      return false;
    }
    chosen = &*named;
  }
  // The settings' first tuner when it is present (and none was named), else
  // the chosen one.
  app::TunerManager& m = *manager_;
  if (!tuner.empty() || m.tunerCount == 0 || !Present(tuners, m.tuners[0])) {
    m.tuners[0] = app::TunerEntry{};
    common::SetField(m.tuners[0].friendlyName, chosen->friendlyName);
    common::SetField(m.tuners[0].devicePath, chosen->displayName);
    m.tunerCount = std::max<std::uint32_t>(m.tunerCount, 1);
  }
  const auto selected = m.tuners.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                               m.tunerCount, m.tuners.size()));
  presentTuners_ = static_cast<int>(std::count_if(
      m.tuners.begin(), selected, [&](const app::TunerEntry& e) { return Present(tuners, e); }));
  return true;
}

bool ToolSession::Claim(const std::u16string& instance, std::string* error) {
  const std::filesystem::path folder = app::FindDataFolder(instance);
  if (folder.empty()) {
    *error = "no data folder";
    return false;
  }
  lock_ = ui::DataFolderLock::Take(folder);
  if (!lock_) {
    *error = "the data folder \"" + folder.string() + "\" is in use by a running copy";
    return false;
  }
  return true;
}

std::filesystem::path ToolSession::ClaimedFolder() const {
  return lock_ ? lock_->Folder() : std::filesystem::path();
}

graph::GraphConfig ToolSession::ConfigOfFirstTuner() const {
  const app::TunerManager& m = *manager_;
  graph::GraphConfig config;
  config.friendlyName = common::FieldView(m.tuners[0].friendlyName);
  config.devicePath = common::FieldView(m.tuners[0].devicePath);
  config.currentChannel = m.settings.currentChannel;
  config.bufferFolder =
      std::filesystem::path(common::ToUtf8(common::FieldView(m.settings.bufferFolder)));
  config.recordFolder =
      std::filesystem::path(common::ToUtf8(common::FieldView(m.settings.recordFolder)));
  config.recordFormat = m.settings.recordFormat;
  config.recordTransportStream = m.settings.recordTransportStream != 0;
  config.tagNumber = 1;
  return config;
}

graph::GraphServices ToolSession::Services(graph::IGraphMessageTarget* target) {
  return graph::GraphServices{&channels_, &tables_, target, nullptr};
}

void ToolSession::HoldUnpacedStreamAt(std::int64_t second) {
  if (broadcast_ && !broadcast_->Paced())
    broadcast_->HoldStreamsAt(std::uint64_t(second * common::kSystemClockHz));
}

bool ToolSession::Save(const tuning::ChannelLocator& current) {
  file_->SetCurrentChannelQuery([current] { return std::optional(current); });
  return file_->SaveAll();
}

std::optional<std::uint64_t> TunerStreamTime(graph::CBDAFilterGraph& graph) {
  auto* tuner = dynamic_cast<bda::CVirtualTunerFilter*>(graph.Ingest().Tuner());
  if (tuner == nullptr) return std::nullopt;
  return tuner->Device().Tuner().StreamTime();
}

bool TunerPaced(graph::CBDAFilterGraph& graph) {
  auto* tuner = dynamic_cast<bda::CVirtualTunerFilter*>(graph.Ingest().Tuner());
  return tuner == nullptr || tuner->Device().Tuner().Paced();
}

void RunUntilStreamSecond(graph::CBDAFilterGraph& graph, bool paced, std::int64_t second,
                          std::chrono::steady_clock::time_point start) {
  if (paced) {
    std::this_thread::sleep_until(start + std::chrono::seconds(second));
    graph.MonitorTick();
    return;
  }
  const auto wallLimit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (TunerStreamTime(graph).value_or(0) < std::uint64_t(second * common::kSystemClockHz) &&
         std::chrono::steady_clock::now() < wallLimit) {
    graph.MonitorTick();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  graph.MonitorTick();
}

void PrintChannelTree(std::FILE* out, tuning::ChannelList& channels) {
  std::vector<std::string> items;
  {
    auto lock = channels.Acquire();
    for (auto& [key, node] : channels)
      items.push_back(tables::ChannelTreeText(node.record));
  }
  // The tree keeps its items sorted by their text.
  std::sort(items.begin(), items.end());
  for (const std::string& text : items)
    std::fprintf(out, "%s\n", text.c_str());
}

}  // namespace cli
