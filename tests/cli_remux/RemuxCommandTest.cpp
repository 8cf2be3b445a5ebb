// "corvane-cli remux" on a capture of the sample broadcast's 5.5: the
// recording plays in an independent player, carries the programme's
// now-playing text, and the time-shift list form writes its list and chunk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "filters/text/TextRecord.h"
#include "tests/cli_remux/CommandRun.h"
#include "tools/broadcast/GuideContent.h"
#include "tools/cli/remux/RemuxRun.h"

namespace {

using cli::test::CommandRun;
using cli::test::Kfiv;
using cli::test::ReadFile;

CommandRun Remux(std::vector<std::string> args) {
  return cli::test::RunCommand(cli::RunRemux, std::move(args));
}

class RemuxCommandTest : public cli::test::KfivFolderTest {};

TEST_F(RemuxCommandTest, RecordsAProgrammeThatPlaysAndCarriesItsNowPlayingText) {
  const std::filesystem::path file = work_.Path() / "kfiv.mpg";
  const CommandRun run = Remux(
      {capture_, "--program", "5", "--out", file.string(), "--physical", "31", "--seconds", "8"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("lost: 0"), std::string::npos) << run.out;
  // No list file left behind for a plain recording.
  EXPECT_FALSE(std::filesystem::exists(work_.Path() / "MPEG-2 Sink.lst"));

  const std::string bytes = ReadFile(file);
  ASSERT_GT(bytes.size(), 100u * 2048);
  EXPECT_EQ(bytes.size() % 2048, 4u);
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\0\0\1\xB9", 4));

  // The text stream read back holds the record of the programme on now.
  filters::Mpeg2SourceCore source;
  const std::u16string path = common::FromUtf8(file.string());
  ASSERT_EQ(source.Load(path.c_str()), S_OK);
  filters::SourceRead read;
  std::vector<std::u16string> titles;
  int texts = 0, videos = 0, audios = 0;
  while (source.ReadNext(read) == filters::ReadStatus::kData) {
    for (const auto& payload : read.payloads) {
      if (payload.stream == filters::PinType::kText) {
        ++texts;
        tables::NowPlayingInfo info{};
        EXPECT_TRUE(filters::DecodeTextRecord(payload.bytes, &info));
        titles.emplace_back(common::FieldView(info.title));
      }
      videos += payload.stream == filters::PinType::kVideo;
      audios += payload.stream == filters::PinType::kAudio;
    }
  }
  EXPECT_GT(videos, 0);
  EXPECT_GT(audios, 0);
  EXPECT_GE(texts, 6) << run.out;  // one a second of stream; the sink holds back the last
  const auto& channel = Kfiv().description.multiplexes[0].channels.at(0);
  const broadcast::GuideEvent now = broadcast::EventAt(channel, common::NowUtc());
  if (!now.titleText.empty()) {
    std::u16string expected;
    for (unsigned char c : now.titleText)
      expected.push_back(c);  // the guide's titles are Latin-1
    EXPECT_NE(std::find(titles.begin(), titles.end(), expected), titles.end());
  }

  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  const std::string probe = "ffprobe -v error -show_entries stream=codec_name -of default=nw=1 '" +
                            file.string() + "' > '" + (work_.Path() / "probe.txt").string() + "'";
  ASSERT_EQ(std::system(probe.c_str()), 0);
  // One stream of each, in whichever order the prober met them.
  const std::string streams = ReadFile(work_.Path() / "probe.txt");
  EXPECT_TRUE(streams == "codec_name=mpeg2video\ncodec_name=ac3\n" ||
              streams == "codec_name=ac3\ncodec_name=mpeg2video\n")
      << streams;
  const std::string decode = "ffmpeg -v error -i '" + file.string() + "' -f null - 2> '" +
                             (work_.Path() / "decode.txt").string() + "'";
  ASSERT_EQ(std::system(decode.c_str()), 0);
  EXPECT_EQ(ReadFile(work_.Path() / "decode.txt"), "");
}

TEST_F(RemuxCommandTest, BufferFormWritesTheListAndItsChunk) {
  const std::filesystem::path list = work_.Path() / "buffer" / "live.lst";
  const CommandRun run = Remux({capture_, "--program", "5", "--buffer", list.string(), "--seconds",
                                "2", "--physical", "31"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(std::filesystem::file_size(list), 4272u);
  const std::filesystem::path chunk = work_.Path() / "buffer" / "live_0000.mpg";
  ASSERT_TRUE(std::filesystem::exists(chunk));
  EXPECT_GT(std::filesystem::file_size(chunk), 2048u);
  EXPECT_NE(run.out.find("2 s of stream"), std::string::npos) << run.out;
}

TEST_F(RemuxCommandTest, RefusesWhatItCannotRecord) {
  const std::string out = (work_.Path() / "x.mpg").string();
  EXPECT_EQ(Remux({capture_, "--program", "7", "--out", out}).code, 1);  // not in the PAT
  EXPECT_EQ(Remux({"missing.ts", "--program", "5", "--out", out}).code, 1);
  EXPECT_EQ(Remux({capture_, "--program", "0", "--out", out}).code, 1);
  EXPECT_EQ(Remux({capture_, "--program", "5"}).code, 2);  // neither --out nor --buffer
  EXPECT_EQ(Remux({capture_, "--program", "5", "--out", out, "--buffer", "b.lst"}).code, 2);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(work_.Path() / "MPEG-2 Sink.lst"));
}

}  // namespace
