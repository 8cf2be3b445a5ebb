// What a command that drives the program's graph manager shares with the
// program: the data folder's settings file (created with defaults when
// absent), the channel list and the tables, and the virtual tuners of the
// broadcast (CORVANE_BROADCAST, else the bundled sample broadcast) in the
// device enumerator.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/SettingsFile.h"
#include "app/TunerManager.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "platform/ui/DataFolderLock.h"
#include "tables/poll/PollSections.h"
#include "tuning/ChannelList.h"

namespace vtuner {
class Broadcast;
}

namespace cli {

class ToolSession {
 public:
  ToolSession();
  ~ToolSession();
  ToolSession(const ToolSession&) = delete;
  ToolSession& operator=(const ToolSession&) = delete;

  // Finds the data folder of `instance`, loads its settings file, registers
  // the broadcast's tuners and the machine's DVB tuners, and selects the one
  // named `tuner` (a friendly name as `corvane-cli tuners` lists it); without
  // a name the settings' first tuner when it is present, else the first
  // there is. False with the one-line message in `error`.
  bool Open(const std::u16string& instance, const std::string& tuner, std::string* error);

  // Takes the data folder of `instance` for this process before anything
  // reads it, as the program does; false with the one-line message while
  // another copy (the program or a daemon) holds it.
  bool Claim(const std::u16string& instance, std::string* error);

  // The canonical data folder Claim took; empty before.
  std::filesystem::path ClaimedFolder() const;
  // How many of the settings' selected tuners are present (after Open): the
  // timers that may overlap.
  int PresentTunerCount() const { return presentTuners_; }

  // The graph config of the first selected tuner, with the settings' folders.
  graph::GraphConfig ConfigOfFirstTuner() const;
  graph::GraphServices Services(graph::IGraphMessageTarget* target);

  // Saves the settings file with `current` as the current channel.
  bool Save(const tuning::ChannelLocator& current);
  // Why the last Save failed, for the user; empty after a success.
  std::string SaveError() const { return file_ ? file_->SaveError() : std::string(); }

  // Holds the stream of the broadcast's virtual tuners at `second` since
  // their tune when the broadcast is not paced: nothing past it is delivered
  // until the hold moves on. Nothing for a paced broadcast.
  void HoldUnpacedStreamAt(std::int64_t second);

  const std::filesystem::path& DataFolder() const { return dataFolder_; }
  app::TunerManager& Manager() { return *manager_; }
  app::Settings& Settings() { return manager_->settings; }
  tuning::ChannelList& Channels() { return channels_; }
  tables::ProgramTables& Tables() { return tables_; }

 private:
  std::unique_ptr<app::TunerManager> manager_ = std::make_unique<app::TunerManager>();
  tuning::ChannelList channels_;
  tables::ProgramTables tables_;
  std::filesystem::path dataFolder_;
  std::unique_ptr<app::SettingsFile> file_;
  std::shared_ptr<vtuner::Broadcast> broadcast_;
  std::optional<ui::DataFolderLock> lock_;
  int presentTuners_ = 0;
};

// The stream time a virtual tuner has delivered since its last tune (27 MHz
// ticks); nothing for other tuners.
std::optional<std::uint64_t> TunerStreamTime(graph::CBDAFilterGraph& graph);
// False only for a virtual tuner whose broadcast is not paced in real time.
bool TunerPaced(graph::CBDAFilterGraph& graph);

// Runs the graph's once-a-second table poll until `second` of the channel
// has passed since `start`: on the wall clock when paced, else on the stream
// the tuner delivered (the poll then runs as often as it can, as a second of
// stream passes in moments).
void RunUntilStreamSecond(graph::CBDAFilterGraph& graph, bool paced, std::int64_t second,
                          std::chrono::steady_clock::time_point start);

// Prints the channel list as the "Channels" tree shows it, one line per
// channel in the tree's order.
void PrintChannelTree(std::FILE* out, tuning::ChannelList& channels);

}  // namespace cli
