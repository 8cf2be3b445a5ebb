// "play --decode --captions" on a recording of the sample broadcast prints the
// captions the broadcast sends.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/ElementaryLoop.h"

namespace {

// A caption line "S.mmm TEXT": the stream time with three decimals, a blank
// and the text (empty when the captions were cleared).
bool CaptionLine(const std::string& line, std::string* time, std::string* text) {
  const std::size_t dot = line.find('.');
  if (dot == 0 || dot == std::string::npos || line.size() < dot + 5 || line[dot + 4] != ' ')
    return false;
  for (std::size_t i = 0; i < dot + 4; ++i) {
    if (i != dot && (line[i] < '0' || line[i] > '9')) return false;
  }
  *time = line.substr(0, dot + 4);
  *text = line.substr(dot + 5);
  return true;
}

std::string Joined(const std::vector<std::string>& rows) {
  std::string text;
  for (const std::string& row : rows)
    text += (text.empty() ? "" : " / ") + row;
  return text;
}

TEST(PlayCaptions, TheCaptionLinesAreTheTextsTheBroadcastSends) {
  const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
  const broadcast::ChannelDescription* kfiv = nullptr;
  for (const auto& multiplex : sample.multiplexes) {
    for (const auto& channel : multiplex.channels) {
      if (channel.name == "KFIV") kfiv = &channel;
    }
  }
  ASSERT_NE(kfiv, nullptr);
  const auto meant = broadcast::LoopCaptionTexts(*kfiv);
  ASSERT_FALSE(meant.empty());

  testsupport::TempFolder folder;
  const std::string dir = testsupport::ShellQuote(folder.Path().string());
  const std::string cli = std::string(CORVANE_CLI) + " ";
  ASSERT_EQ(testsupport::RunTool(cli + "broadcast write --seconds 10 --out " + dir).status, 0);
  ASSERT_EQ(
      testsupport::RunTool(cli + "remux " + dir + "/us-31-8vsb.ts --program " +
                           std::to_string(kfiv->programNumber) + " --out " + dir + "/kfiv.mpg")
          .status,
      0);
  const testsupport::ToolRun run =
      testsupport::RunTool(cli + "play " + dir + "/kfiv.mpg --decode --captions");
  ASSERT_EQ(run.status, 0) << run.output;

  // Lines "S.mmm TEXT": the shown texts follow the broadcast's in its order.
  std::istringstream lines(run.output);
  std::vector<std::string> shown;
  double last = -1;
  for (std::string line; std::getline(lines, line);) {
    std::string time, text;
    if (!CaptionLine(line, &time, &text)) continue;
    EXPECT_GT(std::stod(time), last);
    last = std::stod(time);
    if (!text.empty()) shown.push_back(text);
  }
  ASSERT_GE(shown.size(), meant.size());
  std::size_t first = 0;
  while (first < meant.size() && Joined(meant[first]) != shown[0])
    ++first;
  ASSERT_LT(first, meant.size()) << shown[0];
  for (std::size_t i = 0; i < shown.size(); ++i)
    EXPECT_EQ(shown[i], Joined(meant[(first + i) % meant.size()])) << "caption " << i;
}

}  // namespace
