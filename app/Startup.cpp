#include "app/Startup.h"

#include "common/ErrorBox.h"
#include "common/Utf16.h"

namespace app {

int RunProgram(const CommandLineOptions& options, IStartupSteps& steps) {
  if (!options.refusedInstanceName.empty()) {
    // Such a name would lead outside the program's own data folder.
    common::ErrorBox("The instance name \"%s\" can not name a folder.",
                     common::ToUtf8(options.refusedInstanceName).c_str());
    return 0;
  }
  const std::filesystem::path dataFolder = steps.FindDataFolder(options.instanceName);
  const std::u16string title = WindowTitle(options.instanceName);
  // The folder is claimed before its settings are read, so two quick starts
  // never run on one folder.
  switch (steps.ClaimInstance(title, dataFolder)) {
    case InstanceClaim::kFirst:
      break;
    case InstanceClaim::kHandedOver:
      return 0;
    case InstanceClaim::kBusy:
      common::ErrorBox("%s is already running and does not answer.", common::ToUtf8(title).c_str());
      return 0;
    case InstanceClaim::kRefused:
      common::ErrorBox(
          "%s can not start: a recorder without a window (corvane-cli daemon) runs on its data "
          "folder.",
          common::ToUtf8(title).c_str());
      return 0;
  }
  steps.SetDefaultSettings(dataFolder);
  const bool shift = steps.ShiftHeld();
  const bool opened = steps.LoadSettings();
  steps.EmptyBufferFolder();
  steps.RegisterTuners();
  steps.CreateMainWindow(title);
  steps.AddTrayIcon();

  const bool forceSettings = !opened || shift || options.showSettings;
  if (!steps.StartGraphs(forceSettings, options.launch)) {
    steps.RemoveTrayIcon();
    steps.StopGraphs();
    return 0;
  }
  steps.MarkStartupComplete();
  if (steps.ChannelListEmpty()) steps.OpenChannelsDialog();

  const int code = steps.RunMessageLoop();
  steps.WriteGuideDump();
  steps.StopGraphs();
  steps.RemoveTrayIcon();
  return code;
}

}  // namespace app
