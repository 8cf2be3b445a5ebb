// corvane-dvr: the desktop program.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "common/Utf16.h"
#include "dvr/Desktop.h"
#include "dvr/SessionSignals.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"

#if defined(__SANITIZE_ADDRESS__)
#define CORVANE_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_LEAK_CHECK 1
#endif
#endif
#ifdef CORVANE_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A sanitizer build looks for leaks once the program's own objects are gone,
// not at exit: there the toolkit's global thread pool ends its idle worker
// threads, and a worker still ending while the check runs shows its thread
// data as leaked. Checked here, the workers idle and nothing is ending.
void CheckLeaksOnceDone() {
#ifdef CORVANE_LEAK_CHECK
  __lsan_do_leak_check();
#endif
}

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

// CORVANE_DIALOGS=ok: each dialog is answered with OK (its own rules apply)
// the first time it shows, and with Cancel when it shows again, so that a
// start the settings cannot satisfy ends instead of asking for ever.
// CORVANE_DIALOGS=ok:TITLE,TITLE answers only the dialogs of those titles;
// the others wait for a person (a screenshot of one of them).
void AnswerDialogsWhenAsked() {
  const char* dialogs = std::getenv("CORVANE_DIALOGS");
  if (dialogs == nullptr) return;
  const std::string value = dialogs;
  if (value != "ok" && !value.starts_with("ok:")) return;
  std::set<std::string> only;
  for (std::size_t at = 3; value.size() > 3 && at <= value.size();) {
    const std::size_t comma = std::min(value.find(',', at), value.size());
    only.insert(value.substr(at, comma - at));
    at = comma + 1;
  }
  ui::SetDialogHook([only, answered = std::set<std::string>()](const ui::DialogTemplate& layout,
                                                               ui::DialogControls& dialog,
                                                               ui::DialogHandler& handler) mutable {
    if (!only.empty() && !only.contains(layout.title)) return false;
    const bool first = answered.insert(layout.title).second;
    std::fprintf(stderr, "Dialog %s: %s\n", layout.title.c_str(), first ? "OK" : "Cancel");
    handler.OnNotify(dialog, first ? ui::kIdOk : ui::kIdCancel, ui::Notification::kClicked, -1);
    return true;
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
  AnswerDialogsWhenAsked();
  int code = 0;
  {
    dvr::Desktop desktop(application);
    code = app::RunProgram(options, desktop);
  }
  std::fflush(stdout);
  CheckLeaksOnceDone();
  return code;
}
