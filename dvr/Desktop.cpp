#include "dvr/Desktop.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/ChannelsDialog.h"
#include "app/SettingsDefaults.h"
#include "app/SettingsDialog.h"
#include "app/timers/TimersAnswer.h"
#include "app/timers/TimersRequest.h"
#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "dvr/SessionSignals.h"
#include "dvr/SettingsSources.h"
#include "graph/buffer/BufferFolder.h"
#include "graph/ingest/TunerDevices.h"
#include "platform/av/decoders/DecoderClasses.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Window.h"
#include "tables/guide/GuideStore.h"
#include "tools/broadcast/tuner/TunerRegistration.h"

namespace dvr {
namespace {

std::filesystem::path FolderOf(const char16_t* field, std::size_t size) {
  return std::filesystem::path(common::ToUtf8(common::FieldView({field, size})));
}

}  // namespace

Desktop::Desktop(ui::Application& application)
    : application_(application),
      players_(manager_,
               [this] {
                 if (window_) window_->RefreshStatus();
               }),
      scheduler_({manager_.timers, clock_, power_.Service(), *this, channels_, busy_}) {
  tables_.channels = &channels_;
}

Desktop::~Desktop() {
  DestroyGraphs();
  power_.Service().Stop();
  broadcast::UnregisterTuners();
}

std::filesystem::path Desktop::FindDataFolder(std::u16string_view instanceName) {
  dataFolder_ = app::FindDataFolder(instanceName);
  return dataFolder_;
}

app::InstanceClaim Desktop::ClaimInstance(std::u16string_view title,
                                          const std::filesystem::path& dataFolder) {
  auto claim = ui::SingleInstance::Start(common::ToUtf8(title), dataFolder, kCmdOpen);
  switch (claim.outcome) {
    case ui::SingleInstance::Outcome::First:
      instance_ = std::move(claim.instance);
      // Timers requests are answered from now on, refused as busy until
      // start-up is complete.
      instance_->SetRequestHandler(
          [this](std::optional<std::string_view> request) { return AnswerTimersRequest(request); });
      return app::InstanceClaim::kFirst;
    case ui::SingleInstance::Outcome::HandedOver:
      return app::InstanceClaim::kHandedOver;
    case ui::SingleInstance::Outcome::Refused:
      return app::InstanceClaim::kRefused;
    case ui::SingleInstance::Outcome::Busy:
      break;
  }
  return app::InstanceClaim::kBusy;
}

void Desktop::SetDefaultSettings(const std::filesystem::path& dataFolder) {
  app::SetDefaults(manager_.settings);
  app::SetDefaultFolders(manager_.settings, dataFolder);
}

bool Desktop::ShiftHeld() {
  return ui::ShiftKeyDown();
}

bool Desktop::LoadSettings() {
  // Without a data folder nothing is read or written (there is no place for
  // it); the Settings dialog is shown first.
  if (dataFolder_.empty()) return false;
  file_ = std::make_unique<app::SettingsFile>(dataFolder_ / app::kSettingsFileName, manager_,
                                              channels_);
  file_->SetCurrentChannelQuery([this]() -> std::optional<tuning::ChannelLocator> {
    if (graph::CBDAFilterGraph* g = CurrentGraph()) return g->CurrentChannel();
    return std::nullopt;
  });
  return file_->LoadSettingsFile() == 0;
}

void Desktop::EmptyBufferFolder() {
  const app::Settings& s = manager_.settings;
  graph::EmptyBufferFolder(FolderOf(s.bufferFolder, std::size(s.bufferFolder)));
}

void Desktop::RegisterTuners() {
  std::string error;
  if (!broadcast::RegisterTuners(&error)) std::printf("No virtual tuners: %s\n", error.c_str());
  // The decoders the Settings dialog offers and the player loads.
  av::RegisterDecoders();
}

void Desktop::CreateMainWindow(std::u16string_view title) {
  window_ = std::make_unique<MainWindow>(static_cast<IMainWindowHost&>(*this), manager_, title);
  target_ = std::make_unique<GraphTarget>(window_->Id());
  players_.AttachVideoArea(window_->Frame());
  const app::WindowPlacement& p = manager_.settings.windowPlacement;
  if (p.right > p.left && p.bottom > p.top) {
    window_->Frame().Place({p.left, p.top, p.right, p.bottom});
  }
  WatchSessionSignals(window_->Id());
  if (instance_) {
    instance_->SetCommandHandler([id = window_->Id()](std::uint32_t command) {
      ui::Post(id, ui::Message::WM_COMMAND, command);
    });
  }
  power_.Service().Start([id = window_->Id()](power::PowerNotice notice) {
    // Handed to the user-interface thread; the power thread goes on at once.
    switch (notice) {
      case power::PowerNotice::kSuspend:
        ui::Post(id, ui::Message::WM_POWERBROADCAST, ui::kPowerSuspend);
        break;
      case power::PowerNotice::kResume:
        ui::Post(id, ui::Message::WM_POWERBROADCAST, ui::kPowerResume);
        break;
      case power::PowerNotice::kShutdown:
        // The machine shuts down now: the session ends.
        ui::Post(id, ui::Message::WM_ENDSESSION, 1);
        break;
    }
  });
}

std::string Desktop::AnswerTimersRequest(std::optional<std::string_view> request) {
  // Until start-up is complete the list may not even be read yet.
  if (!started_) return app::TimersAnswerText({1, app::kTimersBusy});
  // A state change under way or an open "Set Timer" form: the list is not
  // changed from outside meanwhile. A change is saved at once, so that the
  // file holds it even if the program does not end cleanly.
  const bool editing = busy_ || (window_ && window_->EditingTimer());
  const app::TimersHolder holder{
      {manager_.timers, channels_, manager_.settings, scheduler_.ConflictLimit(), clock_},
      [this] { return SaveAll(); },
      editing};
  return app::AnswerTimersRequest(request, holder);
}

void Desktop::AddTrayIcon() {
  window_->AddTrayIcon();
}

bool Desktop::StartGraphs(bool forceSettings, bool launch) {
  launch_ = launch;
  if (launch) window_->Frame().Show();
  // Live viewing: the buffered tuner graph with the time-shift player.
  const bool started =
      app::StartGraphs(*this, manager_, forceSettings, launch ? 32 : 0, launch ? 2 : 0);
  if (started && launch) manager_.uiMode = app::UiMode::kLive;
  window_->RefreshStatus();
  return started;
}

void Desktop::MarkStartupComplete() {
  scheduler_.SetStartupComplete();
  started_ = true;
  std::printf("Start-up complete\n");
  std::fflush(stdout);
}

bool Desktop::ChannelListEmpty() {
  auto lock = channels_.Acquire();
  return channels_.empty();
}

void Desktop::OpenChannelsDialog() {
  // The window shows first, so that the dialog comes over it.
  ui::Send(window_->Id(), ui::Message::WM_COMMAND, kCmdOpen);
  RunChannelsDialog();
}

void Desktop::RunChannelsDialog() {
  graph::CBDAFilterGraph* g = CurrentGraph();
  if (!ChannelsDialogAllowed(g) || channelsHost_ != nullptr) return;
  ChannelsHost host(*g, tables_, channels_, *target_, dataFolder_);
  app::ChannelsDialog dialog(manager_.settings, channels_, host);
  channelsHost_ = &host;
  ui::RunDialog(app::ChannelsDialog::Layout(), dialog, window_->Id());
  channelsHost_ = nullptr;
}

void Desktop::OpenChannels() {
  RunChannelsDialog();
}

void Desktop::OpenSettings() {
  // Until it is cancelled or the graphs start with what it chose; a failed
  // start shows it again.
  if (ShowSettingsDialog()) StartGraphs(false, true);
}

bool Desktop::AnyGraphRecording() const {
  return std::any_of(graphs_.begin(), graphs_.end(), [](const auto& g) {
    return g->Tuner() == graph::TunerState::kTunerRecording;
  });
}

int Desktop::RunMessageLoop() {
  return application_.Run();
}

void Desktop::WriteGuideDump() {
  if (!dataFolder_.empty()) tables::DumpGuide(channels_, dataFolder_);
}

void Desktop::StopGraphs() {
  DestroyGraphs();
}

void Desktop::RemoveTrayIcon() {
  if (window_) window_->RemoveTrayIcon();
}

bool Desktop::ShowSettingsDialog() {
  SettingsSources sources(window_->Id(), dataFolder_, [this] { return AnyGraphRecording(); });
  app::SettingsDialog dialog(manager_, sources);
  return ui::RunDialog(app::SettingsDialog::Layout(), dialog, window_->Id()) ==
         ui::DialogResult::Ok;
}

void Desktop::KeepCurrentChannel() {
  if (graph::CBDAFilterGraph* g = CurrentGraph())
    manager_.settings.currentChannel = g->CurrentChannel();
}

void Desktop::DestroyGraphs() {
  scheduler_.SetGraphs({});
  busy_ = true;
  // Each graph is taken down on this thread before its thread ends.
  for (auto& g : graphs_)
    g->RequestGraphState(0, 0);
  recorders_.clear();
  graphs_.clear();
  // The players go after their graph managers, which took them down.
  players_.Clear();
  busy_ = false;
}

int Desktop::CreateGraphs() {
  const std::vector<graph::TunerInfo> present = graph::EnumerateTuners();
  const app::Settings& s = manager_.settings;
  for (std::uint32_t i = 0; i < manager_.tunerCount && graphs_.size() < app::kMaxTuners; ++i) {
    const app::TunerEntry& entry = manager_.tuners[i];
    const std::u16string path(common::FieldView(entry.devicePath));
    const auto found = std::find_if(present.begin(), present.end(), [&](const graph::TunerInfo& t) {
      return t.displayName == path;
    });
    if (found == present.end()) continue;
    graph::GraphConfig config;
    config.friendlyName = found->friendlyName;
    config.devicePath = found->displayName;
    config.currentChannel = s.currentChannel;
    config.bufferFolder = FolderOf(s.bufferFolder, std::size(s.bufferFolder));
    config.recordFolder = FolderOf(s.recordFolder, std::size(s.recordFolder));
    config.recordFormat = s.recordFormat;
    config.recordTransportStream = s.recordTransportStream != 0;
    config.tagNumber = static_cast<int>(graphs_.size()) + 1;
    try {
      graphs_.push_back(std::make_unique<graph::CBDAFilterGraph>(
          config, graph::GraphServices{&channels_, &tables_, target_.get(), players_.Add()}));
    } catch (const std::exception& e) {
      common::ErrorBox("%s", e.what());
      continue;
    }
    recorders_.push_back(std::make_unique<graph::RecorderGraph>(*graphs_.back()));
  }
  std::vector<recording::IRecorderGraph*> recorders;
  for (auto& r : recorders_)
    recorders.push_back(r.get());
  scheduler_.SetGraphs(recorders);
  return static_cast<int>(graphs_.size());
}

std::int32_t Desktop::StartFirstGraph(std::uint8_t tunerState, std::uint8_t playerState) {
  manager_.currentGraph = 0;
  busy_ = true;
  const std::int32_t hr = graphs_[0]->RequestGraphState(tunerState, playerState);
  busy_ = false;
  return hr;
}

void Desktop::Notice(const std::string& text) {
  ui::PostMessageBox(
      {window_ ? window_->Title() : std::string("Corvane DVR"), text, ui::BoxIcon::Information});
}

void Desktop::ShowChannelBanner(int graph) {
  if (!window_) return;
  window_->RefreshStatus();
  if (graph == manager_.currentGraph) window_->ShowBanner();
}

bool Desktop::AskContinueShutdown() {
  return ui::ShowMessageBox({window_->Title(), recording::kContinueShutdownQuestion,
                             ui::BoxIcon::Warning, ui::BoxButtons::OkCancel}) ==
         ui::DialogResult::Ok;
}

void Desktop::ExitProgram() {
  SaveAll();
  window_->Destroy();
}

void Desktop::Tick() {
  if (busy_) return;
  for (auto& g : graphs_) {
    if (channelsHost_ && channelsHost_->HoldsPoll(g.get())) continue;
    g->MonitorTick();
  }
  scheduler_.Tick();
}

bool Desktop::SaveAll() {
  if (!file_) return false;
  if (file_->SaveAll()) {
    shownSaveError_.clear();
    return true;
  }
  // Closing saves twice (the window, then the program); the user hears of a
  // failure once until a save succeeds again or fails for another reason.
  if (file_->SaveError() != shownSaveError_) {
    shownSaveError_ = file_->SaveError();
    common::ErrorBox("%s", shownSaveError_.c_str());
  }
  return false;
}

graph::CBDAFilterGraph* Desktop::CurrentGraph() {
  const auto index = static_cast<std::size_t>(manager_.currentGraph);
  return index < graphs_.size() ? graphs_[index].get() : nullptr;
}

void Desktop::OnGraphMessage(ui::Message message) {
  graph::CBDAFilterGraph* g = CurrentGraph();
  if (g == nullptr) return;
  const auto index = static_cast<std::size_t>(manager_.currentGraph);
  switch (message) {
    case ui::Message::WM_PLAYER_GRAPH_EVENT:
      players_.OnPlayerGraphEvent(index);
      break;
    case ui::Message::WM_TUNER_GRAPH_EVENT:
      players_.OnTunerGraphEvent(*g, index);
      break;
    case ui::Message::WM_VIDEO_RESIZED:
      players_.OnVideoResized(index);
      break;
    default:
      break;
  }
  window_->RefreshStatus();
}

graph::CBDAFilterGraph* Desktop::GraphAt(int index) {
  return index >= 0 && index < static_cast<int>(graphs_.size()) ? graphs_[index].get() : nullptr;
}

void Desktop::OnPowerNotice(power::PowerNotice notice) {
  if (notice == power::PowerNotice::kSuspend) scheduler_.SuspendNotice();
  power_.Service().NoticeHandled(notice);
}

}  // namespace dvr
