// corvane-dvr: the desktop program.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "common/Utf16.h"
#include "dvr/Desktop.h"
#include "dvr/SessionSignals.h"
#include "platform/ui/Application.h"
#include "platform/ui/MessageBox.h"

namespace {

// CORVANE_BOXES=print: message boxes are written to standard error and
// answered with OK, for runs without anyone to click them.
void PrintBoxesWhenAsked() {
  const char* boxes = std::getenv("CORVANE_BOXES");
  if (boxes == nullptr || std::string(boxes) != "print") return;
  ui::SetMessageBoxHook([](const ui::BoxRequest& box) {
    std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
    return ui::DialogResult::Ok;
  });
}

}  // namespace

int main(int argc, char** argv) {
  dvr::BlockSessionSignals();
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i)
    args.push_back(common::FromUtf8(argv[i]));
  const app::CommandLineOptions options = app::ParseCommandLine(args, stdout);
  std::fflush(stdout);

  ui::Application application(argc, argv);
  PrintBoxesWhenAsked();
  int code = 0;
  {
    dvr::Desktop desktop(application);
    code = app::RunProgram(options, desktop);
  }
  std::fflush(stdout);
  return code;
}
