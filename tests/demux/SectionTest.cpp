#include <gtest/gtest.h>

#include "demux/TsDemuxer.h"
#include "tests/demux/Collector.h"
#include "tests/demux/TsWriter.h"

namespace demux::test {
namespace {

class SectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(demuxer.CreateOutput({}, &sink, &output), DemuxResult::kDone);
    const std::uint32_t pids[] = {0x0000, 0x1FFB};
    ASSERT_EQ(demuxer.MapPids(output, pids, MediaSampleContent::kMpeg2Psi), DemuxResult::kDone);
    demuxer.Ingest(SyncRun());
  }
  void Feed(const Bytes& bytes) { demuxer.Ingest(bytes); }
  std::vector<Bytes> Sections() const {
    std::vector<Bytes> out;
    for (const auto& r : sink.items)
      out.push_back(r.data);
    return out;
  }

  TsDemuxer demuxer;
  Collector sink;
  OutputId output = 0;
  TsWriter writer;
};

TEST_F(SectionTest, SeveralSectionsInOnePacketAndOneOverManyPackets) {
  const Bytes a = MakeSection(0xC7, 20, 1);
  const Bytes b = MakeSection(0xC8, 30, 2);
  const Bytes big = MakeSection(0xCB, 1500, 3);  // spans nine packets
  const Bytes c = MakeSection(0xC9, 0, 4);       // section_length 0: header only
  Feed(writer.Sections(0x1FFB, {a, b, big, c}));
  EXPECT_EQ(Sections(), (std::vector<Bytes>{a, b, big, c}));
  for (const auto& r : sink.items) {
    EXPECT_EQ(r.sample.pid, 0x1FFB);
    EXPECT_EQ(r.sample.content, MediaSampleContent::kMpeg2Psi);
  }
}

TEST_F(SectionTest, SectionsOnUnmappedPidsAreNotDelivered) {
  Feed(writer.Sections(0x30, {MakeSection(0x02, 40)}));
  Feed(writer.Sections(0x00, {MakeSection(0x00, 13)}));
  ASSERT_EQ(sink.items.size(), 1u);
  EXPECT_EQ(sink.items[0].sample.pid, 0);
}

TEST_F(SectionTest, LargestSectionIsKeptOversizedIsDropped) {
  const Bytes largest = MakeSection(0xCB, 4093, 5);  // 4096 bytes in all
  Bytes oversized = MakeSection(0xCB, 4093, 6);
  oversized[1] |= 0x0F;  // section_length 4095
  oversized[2] = 0xFF;
  const Bytes after = MakeSection(0xC7, 10, 7);
  Feed(writer.Sections(0x1FFB, {largest}));
  Feed(writer.Sections(0x1FFB, {oversized}));
  Feed(writer.Sections(0x1FFB, {after}));
  EXPECT_EQ(Sections(), (std::vector<Bytes>{largest, after}));
  EXPECT_EQ(demuxer.Statistics(0x1FFB).sectionsDropped, 1u);
}

TEST_F(SectionTest, PointerFieldEdgeCases) {
  // Pointer 0 and a section that fills the payload exactly.
  const Bytes exact = MakeSection(0xC7, 180, 1);  // 183 bytes
  Feed(writer.Packet(0x1FFB, Concat({{0x00}, exact}), true));

  // A section whose 3-byte header is split between two packets.
  const Bytes x = MakeSection(0xC8, 178, 2);  // 181 bytes
  const Bytes y = MakeSection(0xC9, 50, 3);
  Feed(writer.Packet(0x1FFB, Concat({{0x00}, x, Bytes(y.begin(), y.begin() + 2)}), true));
  Bytes yRest(y.begin() + 2, y.end());
  yRest.resize(184, 0xFF);
  Feed(writer.Packet(0x1FFB, yRest, false));

  // The largest pointer (183): the whole payload ends the previous section.
  const Bytes z = MakeSection(0xCA, 363, 4);  // 366 bytes = 183 + 183
  Feed(writer.Packet(0x1FFB, Concat({{0x00}, Bytes(z.begin(), z.begin() + 183)}), true));
  Feed(writer.Packet(0x1FFB, Concat({{183}, Bytes(z.begin() + 183, z.end())}), true));

  // A pointer past the payload: the packet is refused.
  Bytes bad(184, 0xFF);
  bad[0] = 184;
  Feed(writer.Packet(0x1FFB, bad, true));
  EXPECT_EQ(demuxer.Statistics(0x1FFB).malformed, 1u);

  EXPECT_EQ(Sections(), (std::vector<Bytes>{exact, x, y, z}));
}

TEST_F(SectionTest, SectionCutShortByThePointerIsDropped) {
  const Bytes longer = MakeSection(0xC7, 400, 1);
  Bytes stream = writer.Sections(0x1FFB, {longer});
  stream.resize(2 * 188);  // drop the third packet of the section
  Feed(stream);
  const Bytes next = MakeSection(0xC8, 20, 2);
  Feed(writer.Sections(0x1FFB, {next}));
  EXPECT_EQ(Sections(), (std::vector<Bytes>{next}));
  EXPECT_EQ(demuxer.Statistics(0x1FFB).sectionsDropped, 1u);
}

TEST_F(SectionTest, ContinuityErrorDropsTheSectionInProgress) {
  const Bytes a = MakeSection(0xCB, 600, 1);
  const Bytes b = MakeSection(0xCB, 600, 2);
  Bytes stream = writer.Sections(0x1FFB, {a});
  // Remove the second packet: the counter jumps.
  stream.erase(stream.begin() + 188, stream.begin() + 2 * 188);
  Feed(stream);
  Feed(writer.Sections(0x1FFB, {b}));
  EXPECT_EQ(Sections(), (std::vector<Bytes>{b}));
  EXPECT_EQ(demuxer.Statistics(0x1FFB).continuityErrors, 1u);
}

TEST_F(SectionTest, JoiningMidSectionWaitsForTheNextStart) {
  const Bytes a = MakeSection(0xCB, 600, 1);
  const Bytes b = MakeSection(0xC7, 40, 2);
  Bytes stream = writer.Sections(0x1FFB, {a, b});
  Feed(Bytes(stream.begin() + 188, stream.end()));  // first packet missed
  EXPECT_EQ(Sections(), (std::vector<Bytes>{b}));
}

}  // namespace
}  // namespace demux::test
