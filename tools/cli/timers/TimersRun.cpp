#include "tools/cli/timers/TimersRun.h"

#include <chrono>
#include <filesystem>
#include <vector>

#include "app/CommandLine.h"
#include "app/timers/TimersRequest.h"
#include "common/Utf16.h"
#include "platform/ui/InstanceChannel.h"
#include "recording/Clock.h"
#include "tools/cli/session/ToolSession.h"

namespace cli {
namespace {

// A recorder answers between its ticks; starting a recording may hold it up.
constexpr std::chrono::seconds kAnswerWait{15};

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

int Print(const app::TimersOutcome& outcome, std::FILE* out, std::FILE* err) {
  if (outcome.status == 0) {
    std::fputs(outcome.text.c_str(), out);
    return 0;
  }
  std::string line = outcome.text;
  if (line.ends_with('\n')) line.pop_back();
  Fail(err, line);
  return outcome.status;
}

// The command for the copy that holds the folder.
int HandOff(app::TimersVerb verb, std::span<const std::string> args,
            const std::filesystem::path& folder, std::FILE* out, std::FILE* err) {
  std::vector<std::string> passed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--instance") {
      ++i;
    } else {
      passed.push_back(args[i]);
    }
  }
  const auto request = app::TimersRequestLine(verb, passed);
  if (!request) return Fail(err, "an argument holds a control character (a tab or line break)");
  std::error_code ec;
  const std::filesystem::path held = std::filesystem::canonical(folder, ec);
  const ui::ChannelAnswer answer = ui::AskOverChannel(ui::InstanceChannelPath(held.string()),
                                                      *request, kAnswerWait, app::kMaxTimersAnswer);
  if (answer.status == ui::ChannelAnswer::Status::kNoListener ||
      answer.status == ui::ChannelAnswer::Status::kNoAnswer) {
    return Fail(err, "the data folder \"" + folder.string() +
                         "\" is in use by a running copy that does not answer");
  }
  const auto outcome = app::ParseTimersAnswer(answer.text);
  if (answer.status != ui::ChannelAnswer::Status::kAnswered || !outcome)
    return Fail(err, "the answer of the running copy was not understood");
  return Print(*outcome, out, err);
}

int RunTimers(app::TimersVerb verb, const char* usage, std::span<const std::string> args,
              std::FILE* out, std::FILE* err) {
  app::TimersOptions o;
  if (!app::ParseTimersOptions(verb, args, o)) {
    std::fprintf(err, "usage: corvane-cli timers %s %s\n", app::TimersVerbWord(verb), usage);
    return 2;
  }
  const std::u16string instance = common::FromUtf8(o.instance);
  const std::filesystem::path folder = app::FindDataFolder(instance);
  if (folder.empty()) return Fail(err, "no data folder");
  // The folder is held while its settings file changes; a copy that holds
  // it already (a recorder) makes the change itself.
  ToolSession session;
  std::string error;
  if (!session.Claim(instance, &error)) return HandOff(verb, args, folder, out, err);
  if (!session.Open(instance, "", &error)) return Fail(err, error);

  const recording::SystemClock clock;
  const app::TimersOutcome outcome =
      app::RunTimersCommand(verb, o,
                            {session.Manager().timers, session.Channels(), session.Settings(),
                             session.PresentTunerCount(), clock});
  if (outcome.changed && !session.Save(session.Settings().currentChannel))
    return Fail(err, session.SaveError());
  return Print(outcome, out, err);
}

}  // namespace

int RunTimersList(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  return RunTimers(app::TimersVerb::kList, kTimersListUsage, args, out, err);
}

int RunTimersAdd(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  return RunTimers(app::TimersVerb::kAdd, kTimersAddUsage, args, out, err);
}

int RunTimersRemove(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  return RunTimers(app::TimersVerb::kRemove, kTimersRemoveUsage, args, out, err);
}

}  // namespace cli
