// Captures written by the simulator, checked with FFmpeg's own tools when
// they are installed: every programme and stream is listed and everything
// decodes without an error.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "tests/broadcast/TestSupport.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"
#include "tools/broadcast/CaptureWriter.h"

namespace broadcast::test {
namespace {

std::string RunCommand(const std::string& command) {
  return testsupport::RunTool(command).output;
}

using Programmes = std::map<int, std::set<std::string>>;  // programme -> "codec@PID"

Programmes Probe(const std::filesystem::path& file) {
  const std::string text = RunCommand(
      "ffprobe -v error -show_programs -show_entries program=program_num:stream=codec_name,id "
      "-of flat '" +
      file.string() + "'");
  // Lines of the flat form: programs.program.N.program_num=1,
  // programs.program.N.streams.stream.M.codec_name="ac3", ....id="0x34".
  Programmes out;
  std::map<std::string, int> numberOf;  // "programs.program.N" -> programme number
  std::map<std::string, std::string> codecs;
  auto unquote = [](std::string v) {
    if (v.size() >= 2 && v.front() == '"') v = v.substr(1, v.size() - 2);
    return v;
  };
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const auto eq = line.find('=');
    if (eq == std::string::npos || line.rfind("programs.program.", 0) != 0) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = unquote(line.substr(eq + 1));
    const auto programEnd = key.find('.', 17);
    const std::string program = key.substr(0, programEnd);
    const std::string rest = key.substr(programEnd + 1);
    if (rest == "program_num") numberOf[program] = std::stoi(value);
    const auto field = rest.rfind('.');
    if (rest.rfind("streams.stream.", 0) != 0 || field == std::string::npos) continue;
    const std::string stream = program + "/" + rest.substr(0, field);
    const std::string name = rest.substr(field + 1);
    if (name == "codec_name") codecs[stream] = value;
    if (name == "id")
      out[numberOf[program]].insert(codecs[stream] + "@" +
                                    std::to_string(std::stoi(value, nullptr, 16)));
  }
  return out;
}

Programmes Expected(const MultiplexDescription& m) {
  Programmes out;
  for (const ChannelDescription& c : m.channels) {
    if (c.analog) continue;
    auto& streams = out[c.programNumber];
    if (c.HasVideo()) streams.insert("mpeg2video@" + std::to_string(c.videoPid));
    if (c.HasAudio()) streams.insert("ac3@" + std::to_string(c.audioPid));
  }
  return out;
}

TEST(Capture, FfprobeListsEveryProgrammeAndFfmpegDecodesIt) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  BroadcastDescription d;
  std::string error;
  ASSERT_TRUE(ParseBroadcastDescription(std::string(kAtscText) + R"(
multiplex cable 80 64qam synthetic Q
  tables psi
  channel 80.1 program=1
  channel 80.3 program=3 no-video
multiplex eu 21 cofdm synthetic E
  channel 1 program=1 name=Eins
  channel 2 program=2 name=Zwei
)",
                                        d, error))
      << error;
  const testsupport::TempFolder folder("corvane-captures");
  std::vector<std::filesystem::path> written;
  ASSERT_TRUE(WriteCaptures(d, 3.0, folder.Path(), TestOptions(), written, error)) << error;
  ASSERT_EQ(written.size(), 3u);
  for (std::size_t i = 0; i < written.size(); ++i) {
    SCOPED_TRACE(written[i].string());
    EXPECT_EQ(std::filesystem::file_size(written[i]) % 188, 0u);
    EXPECT_EQ(Probe(written[i]), Expected(d.multiplexes[i]));
    const std::string errors = RunCommand("ffmpeg -nostdin -v error -i '" + written[i].string() +
                                          "' -map 0 -f null - 2>&1");
    EXPECT_EQ(errors, "");
  }
}

}  // namespace
}  // namespace broadcast::test
