// The desktop program's pieces and the steps that bring them up and down:
// the data folder and its lock, the settings file, the tuners, the graph
// managers with the scheduler, the power services and the main window.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/GraphStart.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "app/TunerManager.h"
#include "dvr/ChannelsHost.h"
#include "dvr/GraphTarget.h"
#include "dvr/MainWindow.h"
#include "dvr/Players.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/manager/RecorderGraph.h"
#include "platform/power/SystemPower.h"
#include "platform/ui/Application.h"
#include "platform/ui/SingleInstance.h"
#include "recording/scheduler/Scheduler.h"
#include "tables/poll/PollSections.h"
#include "tuning/ChannelList.h"

namespace dvr {

class Desktop final : public app::IStartupSteps,
                      private app::IGraphStartSteps,
                      private recording::ISchedulerShell,
                      private IMainWindowHost {
 public:
  explicit Desktop(ui::Application& application);
  ~Desktop() override;

  // app::IStartupSteps
  std::filesystem::path FindDataFolder(std::u16string_view instanceName) override;
  app::InstanceClaim ClaimInstance(std::u16string_view title,
                                   const std::filesystem::path& dataFolder) override;
  void SetDefaultSettings(const std::filesystem::path& dataFolder) override;
  bool ShiftHeld() override;
  bool LoadSettings() override;
  void EmptyBufferFolder() override;
  void RegisterTuners() override;
  void CreateMainWindow(std::u16string_view title) override;
  void AddTrayIcon() override;
  bool StartGraphs(bool forceSettings, bool launch) override;
  void MarkStartupComplete() override;
  bool ChannelListEmpty() override;
  void OpenChannelsDialog() override;
  int RunMessageLoop() override;
  void WriteGuideDump() override;
  void StopGraphs() override;
  void RemoveTrayIcon() override;

 private:
  // app::IGraphStartSteps
  bool ShowSettingsDialog() override;
  void KeepCurrentChannel() override;
  void DestroyGraphs() override;
  int CreateGraphs() override;
  std::int32_t StartFirstGraph(std::uint8_t tunerState, std::uint8_t playerState) override;

  // recording::ISchedulerShell
  void Notice(const std::string& text) override;
  void ShowChannelBanner(int graph) override;
  bool AskContinueShutdown() override;
  void ExitProgram() override;

  // IMainWindowHost
  void Tick() override;
  bool SaveAll() override;
  graph::CBDAFilterGraph* CurrentGraph() override;
  recording::Scheduler& Scheduler() override { return scheduler_; }
  void OnPowerNotice(power::PowerNotice notice) override;
  void OnGraphMessage(ui::Message message) override;
  tuning::ChannelList& Channels() override { return channels_; }
  int GraphCount() override { return static_cast<int>(graphs_.size()); }
  graph::CBDAFilterGraph* GraphAt(int index) override;
  void RefreshPlayerOptions() override { players_.RefreshOptions(); }
  graph::PlayerGraph* CurrentPlayer() override {
    return manager_.currentGraph < 0 ? nullptr
                                     : players_.At(static_cast<std::size_t>(manager_.currentGraph));
  }
  void OpenSettings() override;
  void OpenChannels() override;

  // The answer to a timers request of the command-line tool.
  std::string AnswerTimersRequest(std::optional<std::string_view> request);
  // The "Channels" dialog on the current graph, when its tuner graph allows.
  void RunChannelsDialog();
  bool AnyGraphRecording() const;

  ui::Application& application_;
  app::TunerManager manager_;
  Players players_;
  tuning::ChannelList channels_;
  tables::ProgramTables tables_;
  std::filesystem::path dataFolder_;
  std::unique_ptr<ui::SingleInstance> instance_;
  std::unique_ptr<app::SettingsFile> file_;
  std::string shownSaveError_;  // the save failure the user was last told of
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<GraphTarget> target_;
  std::vector<std::unique_ptr<graph::CBDAFilterGraph>> graphs_;
  std::vector<std::unique_ptr<graph::RecorderGraph>> recorders_;
  recording::SystemClock clock_;
  power::SystemPower power_;
  bool busy_ = false;
  recording::Scheduler scheduler_;
  bool launch_ = true;
  bool started_ = false;                  // start-up is complete
  ChannelsHost* channelsHost_ = nullptr;  // while the "Channels" dialog is open
};

}  // namespace dvr
