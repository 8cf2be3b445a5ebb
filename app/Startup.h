// The program's start-up and shutdown, step by step in their fixed order. The
// steps themselves (windows, tuners, graphs, the message loop) are the
// desktop's; this order and the rules between the steps are the program's
// own and run without a window system.
#pragma once

#include <filesystem>
#include <string_view>

#include "app/CommandLine.h"

namespace app {

enum class InstanceClaim {
  kFirst,       // this copy runs and holds the data folder
  kHandedOver,  // another copy runs on the folder and was told to show itself
  kBusy,        // another copy holds the folder but did not answer
  kRefused,     // a recorder without a window holds the folder and refused
};

class IStartupSteps {
 public:
  virtual ~IStartupSteps() = default;

  // Finds (and creates) the data folder; empty when there is none.
  virtual std::filesystem::path FindDataFolder(std::u16string_view instanceName) = 0;
  // Takes the data folder before anything reads it, or hands "Open" to the
  // copy that holds it.
  virtual InstanceClaim ClaimInstance(std::u16string_view title,
                                      const std::filesystem::path& dataFolder) = 0;
  // The option defaults and the record and buffer folders.
  virtual void SetDefaultSettings(const std::filesystem::path& dataFolder) = 0;
  virtual bool ShiftHeld() = 0;
  // Reads the settings file; false when it cannot be opened.
  virtual bool LoadSettings() = 0;
  // Empties what a copy that ended without cleaning up left in the buffer
  // folder; runs while the data folder is held.
  virtual void EmptyBufferFolder() = 0;
  virtual void RegisterTuners() = 0;
  // The main window, hidden, with its menu, placement and control panel.
  virtual void CreateMainWindow(std::u16string_view title) = 0;
  virtual void AddTrayIcon() = 0;
  // The graph start with the Settings dialog shown first when forced; false
  // when the user gave up.
  virtual bool StartGraphs(bool forceSettings, bool launch) = 0;
  // From now on due timers start.
  virtual void MarkStartupComplete() = 0;
  virtual bool ChannelListEmpty() = 0;
  // Shows the main window and the "Channels" dialog.
  virtual void OpenChannelsDialog() = 0;
  // Returns the code the loop ended with.
  virtual int RunMessageLoop() = 0;

  virtual void WriteGuideDump() = 0;
  // Stops the current graph, then destroys every graph manager.
  virtual void StopGraphs() = 0;
  virtual void RemoveTrayIcon() = 0;
};

// Runs the program: start-up, the message loop, shutdown. Returns the exit
// code: the loop's, or 0 when start-up ends early (another copy runs, the
// data folder is held, the instance name is refused, or the Settings dialog
// was cancelled).
int RunProgram(const CommandLineOptions& options, IStartupSteps& steps);

}  // namespace app
