#include <gtest/gtest.h>

#include "demux/TsDemuxer.h"
#include "tests/demux/Collector.h"
#include "tests/demux/TsWriter.h"

namespace demux::test {
namespace {

using Content = MediaSampleContent;

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(demuxer.CreateOutput({}, &sink, &out), DemuxResult::kDone);
    demuxer.Ingest(SyncRun());
  }
  std::vector<PidMapping> Maps() {
    std::vector<PidMapping> maps;
    EXPECT_EQ(demuxer.EnumPids(out, maps), DemuxResult::kDone);
    return maps;
  }

  TsDemuxer demuxer;
  Collector sink;
  OutputId out = 0;
  TsWriter writer;
};

TEST_F(MapTest, PidsBeyondThirteenBitsAreRefusedAndChangeNothing) {
  const std::uint32_t good[] = {0x31, 0x1FFB};
  ASSERT_EQ(demuxer.MapPids(out, good, Content::kMpeg2Psi), DemuxResult::kDone);
  const auto before = Maps();
  // A scan's default PIDs from minor number 0xFFFF: 0x31 + 16 * 0xFFFE.
  const std::uint32_t fromScan = 0x31 + 16 * 0xFFFE;
  for (const std::uint32_t bad : {0x2000u, fromScan, 0xFFFFFFFFu}) {
    const std::uint32_t mixed[] = {0x40, bad, 0x41};
    EXPECT_EQ(demuxer.MapPids(out, mixed, Content::kElementaryStream),
              DemuxResult::kInvalidArgument);
    EXPECT_EQ(demuxer.UnmapPids(out, mixed), DemuxResult::kInvalidArgument);
    const std::uint32_t remap[] = {0x31, bad};
    EXPECT_EQ(demuxer.MapPids(out, remap, Content::kTransportPacket),
              DemuxResult::kInvalidArgument);
    EXPECT_EQ(demuxer.UnmapPids(out, remap), DemuxResult::kInvalidArgument);
  }
  EXPECT_EQ(Maps(), before);
  // Nothing arrives on the refused PIDs, and 0x31 still delivers sections.
  demuxer.Ingest(writer.Sections(0x40, {MakeSection(0xC7, 10)}));
  demuxer.Ingest(writer.Sections(0x31, {MakeSection(0xC8, 10)}));
  ASSERT_EQ(sink.items.size(), 1u);
  EXPECT_EQ(sink.items[0].sample.pid, 0x31);
}

TEST_F(MapTest, MapUnmapAndEnumerate) {
  const std::uint32_t sections[] = {0x1FFB, 0x00};
  const std::uint32_t packets[] = {0x31};
  EXPECT_EQ(demuxer.MapPids(out, sections, Content::kMpeg2Psi), DemuxResult::kDone);
  EXPECT_EQ(demuxer.MapPids(out, sections, Content::kMpeg2Psi), DemuxResult::kUnchanged);
  EXPECT_EQ(demuxer.MapPids(out, packets, Content::kTransportPacket), DemuxResult::kDone);
  EXPECT_EQ(Maps(), (std::vector<PidMapping>{{0x00, Content::kMpeg2Psi},
                                             {0x31, Content::kTransportPacket},
                                             {0x1FFB, Content::kMpeg2Psi}}));
  // Another content for a mapped PID replaces it.
  EXPECT_EQ(demuxer.MapPids(out, packets, Content::kElementaryStream), DemuxResult::kDone);
  EXPECT_EQ(Maps()[1], (PidMapping{0x31, Content::kElementaryStream}));
  const std::uint32_t gone[] = {0x00, 0x31, 0x555};
  EXPECT_EQ(demuxer.UnmapPids(out, gone), DemuxResult::kDone);
  EXPECT_EQ(demuxer.UnmapPids(out, gone), DemuxResult::kUnchanged);
  EXPECT_EQ(Maps(), (std::vector<PidMapping>{{0x1FFB, Content::kMpeg2Psi}}));
  demuxer.Ingest(writer.Sections(0x00, {MakeSection(0x00, 13)}));
  EXPECT_TRUE(sink.items.empty());

  EXPECT_EQ(demuxer.MapPids(out + 7, sections, Content::kMpeg2Psi), DemuxResult::kInvalidArgument);
  EXPECT_EQ(demuxer.MapPids(out, sections, static_cast<Content>(4)), DemuxResult::kInvalidArgument);
  EXPECT_EQ(demuxer.DeleteOutput(out), DemuxResult::kDone);
  std::vector<PidMapping> maps;
  EXPECT_EQ(demuxer.EnumPids(out, maps), DemuxResult::kInvalidArgument);
  demuxer.Ingest(writer.Sections(0x1FFB, {MakeSection(0xC7, 13)}));
  EXPECT_TRUE(sink.items.empty());
}

TEST_F(MapTest, WholePacketsForSeveralPidsAndOnePidOnTwoOutputs) {
  Collector second;
  OutputId secondOut = 0;
  ASSERT_EQ(demuxer.CreateOutput({}, &second, &secondOut), DemuxResult::kDone);
  const std::uint32_t pids[] = {0x00, 0x1FFB};
  ASSERT_EQ(demuxer.MapPids(out, pids, Content::kTransportPacket), DemuxResult::kDone);
  ASSERT_EQ(demuxer.MapPids(secondOut, pids, Content::kMpeg2Psi), DemuxResult::kDone);
  const Bytes stream = Concat({writer.Sections(0x00, {MakeSection(0x00, 13)}), TsWriter::Null(),
                               writer.Sections(0x1FFB, {MakeSection(0xC7, 300)})});
  demuxer.Ingest(stream);
  ASSERT_EQ(sink.items.size(), 3u);  // the null packet is not mapped
  EXPECT_EQ(sink.items[0].data, Bytes(stream.begin(), stream.begin() + 188));
  EXPECT_EQ(sink.items[2].data, Bytes(stream.end() - 188, stream.end()));
  EXPECT_EQ(sink.items[2].sample.pid, 0x1FFB);
  EXPECT_EQ(second.items.size(), 2u);
}

// A tuner's PID filter holds back the packets of a PID until the graph maps it
// (there and here together): the gap before the mapping is no loss, but one
// while the PID is mapped still is.
TEST_F(MapTest, APidMappedAfreshRestartsItsContinuityCheck) {
  const std::uint32_t pat[] = {0x00};
  const Bytes section = MakeSection(0x00, 13);
  demuxer.Ingest(writer.Sections(0x00, {section}));
  writer.Sections(0x00, {section});  // held back upstream
  ASSERT_EQ(demuxer.MapPids(out, pat, Content::kMpeg2Psi), DemuxResult::kDone);
  demuxer.Ingest(writer.Sections(0x00, {section}));
  EXPECT_EQ(demuxer.Statistics(0x00).continuityErrors, 0u);
  EXPECT_EQ(sink.items.size(), 1u);

  // Mapped on a second output as well: the first mapping keeps the check.
  Collector second;
  OutputId secondOut = 0;
  ASSERT_EQ(demuxer.CreateOutput({}, &second, &secondOut), DemuxResult::kDone);
  writer.Sections(0x00, {section});  // lost
  ASSERT_EQ(demuxer.MapPids(secondOut, pat, Content::kTransportPacket), DemuxResult::kDone);
  demuxer.Ingest(writer.Sections(0x00, {section}));
  EXPECT_EQ(demuxer.Statistics(0x00).continuityErrors, 1u);
}

// A sink that tries to change the maps while a sample is being delivered.
class Meddler : public OutputSink {
 public:
  void Deliver(const Sample&) override {
    const std::uint32_t pid[] = {0x100};
    result = demuxer->MapPids(0, pid, Content::kMpeg2Psi);
  }
  TsDemuxer* demuxer = nullptr;
  DemuxResult result = DemuxResult::kDone;
};

TEST(MapReentry, MappingFromInsideADeliveryIsRefused) {
  TsDemuxer demuxer;
  Meddler meddler;
  meddler.demuxer = &demuxer;
  OutputId id = 0;
  ASSERT_EQ(demuxer.CreateOutput({}, &meddler, &id), DemuxResult::kDone);
  const std::uint32_t pid[] = {0x1FFB};
  ASSERT_EQ(demuxer.MapPids(id, pid, Content::kMpeg2Psi), DemuxResult::kDone);
  TsWriter writer;
  demuxer.Ingest(Concat({SyncRun(), writer.Sections(0x1FFB, {MakeSection(0xC7, 13)})}));
  EXPECT_EQ(meddler.result, DemuxResult::kCalledFromOutput);
}

}  // namespace
}  // namespace demux::test
