#include <gtest/gtest.h>

#include <random>

#include "demux/TsDemuxer.h"
#include "tests/demux/Collector.h"
#include "tests/demux/SyntheticMux.h"
#include "tests/demux/TsWriter.h"

namespace demux::test {
namespace {

// A demultiplexer with video, audio and section outputs over the synthetic mux.
struct Rig {
  Rig() {
    demuxer.CreateOutput({.maxSampleBytes = 4096}, &video, &videoOut);
    demuxer.CreateOutput({}, &audio, &audioOut);
    demuxer.CreateOutput({}, &sections, &sectionOut);
    const std::uint32_t v[] = {0x31}, a[] = {0x34}, s[] = {0x00, 0x30, 0x1FFB};
    demuxer.MapPids(videoOut, v, MediaSampleContent::kElementaryStream);
    demuxer.MapPids(audioOut, a, MediaSampleContent::kElementaryStream);
    demuxer.MapPids(sectionOut, s, MediaSampleContent::kMpeg2Psi);
  }
  TsDemuxer demuxer;
  Collector video, audio, sections;
  OutputId videoOut = 0, audioOut = 0, sectionOut = 0;
};

void ExpectSame(const Collector& a, const Collector& b) {
  ASSERT_EQ(a.items.size(), b.items.size());
  for (std::size_t i = 0; i < a.items.size(); ++i) {
    EXPECT_EQ(a.items[i].data, b.items[i].data) << i;
    EXPECT_EQ(a.items[i].sample.flags, b.items[i].sample.flags) << i;
    EXPECT_EQ(a.items[i].sample.startTime, b.items[i].sample.startTime) << i;
    EXPECT_EQ(a.items[i].sample.pid, b.items[i].sample.pid) << i;
  }
}

TEST(Input, AnyChunkingGivesTheSameOutput) {
  MuxCounts counts;
  const Bytes mux =
      SyntheticMux({.seconds = 0.4, .muxBitsPerSecond = 8e6, .videoBitsPerSecond = 3e6}, &counts);
  Rig whole;
  whole.demuxer.Ingest(mux);
  whole.demuxer.EndOfStream();
  EXPECT_EQ(whole.video.Units().size(), counts.videoUnits);
  EXPECT_EQ(whole.audio.Units().size(), counts.audioUnits);
  EXPECT_EQ(whole.sections.items.size(), counts.sections);
  EXPECT_EQ(whole.demuxer.Input().bytesSkipped, 0u);

  Rig bytewise, random;
  for (std::size_t i = 0; i < mux.size(); ++i)
    bytewise.demuxer.Ingest({&mux[i], 1});
  std::mt19937 rng(7);
  for (std::size_t pos = 0; pos < mux.size();) {
    const std::size_t n = std::min<std::size_t>(rng() % 700, mux.size() - pos);
    random.demuxer.Ingest({mux.data() + pos, n});
    pos += n;
  }
  for (Rig* rig : {&bytewise, &random}) {
    rig->demuxer.EndOfStream();
    ExpectSame(whole.video, rig->video);
    ExpectSame(whole.audio, rig->audio);
    ExpectSame(whole.sections, rig->sections);
  }
}

TEST(Input, ResynchronisesAfterGarbage) {
  TsWriter writer;
  std::vector<Bytes> sent;
  Bytes stream = Bytes{0x47, 0x00, 0x47, 0x12};  // junk, including sync-looking bytes
  for (int i = 0; i < 6; ++i) {
    sent.push_back(MakeSection(0xC7, 100, static_cast<std::uint8_t>(i)));
    stream = Concat({stream, writer.Sections(0x1FFB, {sent.back()})});
  }
  // 70 bytes of junk between two packets, then more sections.
  Bytes junk = Pattern(70, 3);
  junk[0] = 0x00;
  junk[5] = 0x47;  // a false start that later bytes do not confirm
  stream = Concat({stream, junk});
  for (int i = 6; i < 10; ++i) {
    sent.push_back(MakeSection(0xC7, 100, static_cast<std::uint8_t>(i)));
    stream = Concat({stream, writer.Sections(0x1FFB, {sent.back()})});
  }
  Rig rig;
  rig.demuxer.Ingest(stream);
  rig.demuxer.EndOfStream();
  std::vector<Bytes> got;
  for (const auto& r : rig.sections.items)
    got.push_back(r.data);
  EXPECT_EQ(got, sent);
  EXPECT_EQ(rig.demuxer.Input().syncLosses, 1u);
  EXPECT_EQ(rig.demuxer.Input().bytesSkipped, 4u + 70u);
}

TEST(Input, TruncatedInputIsDroppedWithoutReadingPast) {
  const Bytes mux =
      SyntheticMux({.seconds = 0.1, .muxBitsPerSecond = 4e6, .videoBitsPerSecond = 1e6});
  for (const std::size_t cut :
       {std::size_t{1}, std::size_t{100}, std::size_t{188 * 3 + 50}, mux.size() / 2 + 17}) {
    Rig rig;
    rig.demuxer.Ingest({mux.data(), cut});
    rig.demuxer.EndOfStream();
    EXPECT_EQ(rig.demuxer.Input().packets, cut / 188) << cut;
  }
}

TEST(Input, AdaptationFieldPastThePacketIsDropped) {
  TsWriter writer;
  Rig rig;
  const Bytes good = MakeSection(0xC7, 50, 1);
  Bytes bad = writer.Sections(0x1FFB, {MakeSection(0xC8, 50, 2)});
  bad[3] |= 0x20;  // claim an adaptation field...
  bad[4] = 184;    // ...longer than the packet
  Bytes reserved = writer.Sections(0x1FFB, {MakeSection(0xC9, 50, 3)});
  reserved[3] &= 0xCF;  // adaptation_field_control 00
  writer.SetCounter(0x1FFB, 0);
  const Bytes fine = writer.Sections(0x1FFB, {good});
  rig.demuxer.Ingest(Concat({bad, reserved, fine}));
  ASSERT_EQ(rig.sections.items.size(), 1u);
  EXPECT_EQ(rig.sections.items[0].data, good);
  EXPECT_EQ(rig.demuxer.Statistics(0x1FFB).malformed, 2u);
}

TEST(Input, TransportErrorPacketsAreNotParsed) {
  TsWriter writer;
  Rig rig;
  Bytes damaged = writer.Sections(0x1FFB, {MakeSection(0xC7, 50, 1)});
  damaged[1] |= 0x80;
  rig.demuxer.Ingest(Concat({SyncRun(), damaged}));
  EXPECT_TRUE(rig.sections.items.empty());
  EXPECT_EQ(rig.demuxer.Statistics(0x1FFB).transportErrors, 1u);
}

}  // namespace
}  // namespace demux::test
