// What the scheduler needs of the user-interface shell. Nothing here waits for
// the user while a state change runs: notices are shown without blocking.
#pragma once

#include <string>

namespace recording {

inline constexpr char kRecordingInProgress[] = "Recording in progress.";
inline constexpr char kContinueShutdownQuestion[] = "Recording in progress, continue shutdown?";

class ISchedulerShell {
 public:
  virtual ~ISchedulerShell() = default;

  // A message for the user that does not wait for an answer.
  virtual void Notice(const std::string& text) = 0;
  // Shows (never toggles) the on-screen channel information of a graph.
  virtual void ShowChannelBanner(int graph) = 0;
  // Asks kContinueShutdownQuestion with OK and Cancel; true for OK.
  virtual bool AskContinueShutdown() = 0;
  // Saves everything and ends the program, as "Exit" does.
  virtual void ExitProgram() = 0;
};

}  // namespace recording
