// The user-interface toolkit's application: one per process, created first on
// the thread that becomes the user-interface thread. While it lives, the
// "Error!" box and other message boxes are shown by it (see MessageBox.h) and
// the screen geometry is the real one (Screen.h).
#pragma once

#include <memory>

namespace ui {

class Application {
 public:
  // `argc` must outlive the object (the toolkit keeps a reference to it).
  Application(int& argc, char** argv);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the message loop until Quit; returns the code given to Quit.
  int Run();

  // Any thread: ends the message loop after the messages posted before;
  // asked for before the loop runs (under a modal dialog), Run returns at once.
  static void Quit(int exitCode);
  // True on the thread that created the Application.
  static bool IsUiThread();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui
