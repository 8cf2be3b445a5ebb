// Byte layouts: pack header, system header, file-start pack, AC-3 syncframe
// test, and the list file.
#include <gtest/gtest.h>

#include <algorithm>

#include "filters/sink/Ac3SyncFrame.h"
#include "filters/sink/ChunkList.h"
#include "filters/sink/PsFormat.h"
#include "tests/sink/TestSupport.h"

namespace filters {
namespace {

TEST(PsFormat, PackHeaderCarriesScrBaseAndExtension) {
  for (const std::int64_t scr : {std::int64_t{0}, std::int64_t{299}, std::int64_t{27'000'000},
                                 std::int64_t{0x1'FFFF'FFFF} * 300 + 123}) {
    std::array<std::uint8_t, kPackSize> pack{};
    WritePackHeader(std::span(pack).first<kPackHeaderSize>(), scr);
    // Fill a minimal PES so the shared decoder accepts the pack.
    WritePadding(std::span(pack).subspan(kPackHeaderSize));
    pack[17] = 0xE0;
    pack[18] = 0x07;
    pack[19] = 0xEC;  // PES length 2028: the whole rest
    pack[20] = 0x81;
    pack[21] = 0x00;
    pack[22] = 0x00;
    EXPECT_EQ(test::DecodeDataPack(pack).scr, scr) << scr;
  }
}

TEST(PsFormat, FileStartPackLayout) {
  std::array<std::uint8_t, kPackSize> pack{};
  WriteFileStartPack(pack, 27'000'300);
  const std::uint8_t system[18] = {0x00, 0x00, 0x01, 0xBB, 0x00, 0x0C, 0x86, 0x1A, 0x81,
                                   0x04, 0xE1, 0x7F, 0xE0, 0xE4, 0xA8, 0xBD, 0xC0, 0x20};
  EXPECT_TRUE(std::equal(std::begin(system), std::end(system), pack.begin() + 14));
  EXPECT_EQ(pack[32], 0x00);
  EXPECT_EQ(pack[35], 0xBE);
  EXPECT_EQ(pack[36] << 8 | pack[37], 2010);
  EXPECT_TRUE(std::all_of(pack.begin() + 38, pack.end(), [](std::uint8_t b) { return b == 0xFF; }));
  // SCR 27,000,300 = base 90,001, extension 0.
  EXPECT_EQ(pack[4], 0x44);
  EXPECT_EQ(pack[8] >> 3, 90001 & 0x1F);
}

TEST(Ac3, FrameSizeTableCoversAllThirtyEightCodes) {
  EXPECT_EQ(Ac3FrameBytes(0, 0), 128u);    // 32 kbit/s at 48 kHz: 64 words
  EXPECT_EQ(Ac3FrameBytes(0, 1), 138u);    // 69 words at 44.1 kHz
  EXPECT_EQ(Ac3FrameBytes(1, 1), 140u);    // odd code: one word more
  EXPECT_EQ(Ac3FrameBytes(0, 2), 192u);    // 96 words at 32 kHz
  EXPECT_EQ(Ac3FrameBytes(28, 0), 1536u);  // 384 kbit/s
  EXPECT_EQ(Ac3FrameBytes(35, 0), 2304u);  // 576 kbit/s
  EXPECT_EQ(Ac3FrameBytes(36, 0), 2560u);  // 640 kbit/s
  EXPECT_EQ(Ac3FrameBytes(37, 0), 2560u);
  EXPECT_EQ(Ac3FrameBytes(36, 1), 2786u);  // 1393 words
  EXPECT_EQ(Ac3FrameBytes(37, 1), 2788u);  // 1394 words
  EXPECT_EQ(Ac3FrameBytes(37, 2), 3840u);
  EXPECT_EQ(Ac3FrameBytes(38, 0), 0u);
  EXPECT_EQ(Ac3FrameBytes(10, 3), 0u);
}

TEST(Ac3, SyncFrameTestChecksCodesAndCrc) {
  for (unsigned code : {0u, 14u, 36u, 37u}) {
    const auto frame = test::Ac3Frame(code, static_cast<std::uint8_t>(code));
    EXPECT_TRUE(IsAc3SyncFrame(frame, 0)) << code;
    auto damaged = frame;
    damaged[10] ^= 0x01;
    EXPECT_FALSE(IsAc3SyncFrame(damaged, 0)) << code;
  }
  auto frame = test::Ac3Frame(10, 1);
  frame[4] = static_cast<std::uint8_t>(0xC0 | 10);  // fscod 3
  EXPECT_FALSE(IsAc3SyncFrame(frame, 0));
  frame[4] = 38;
  EXPECT_FALSE(IsAc3SyncFrame(frame, 0));
}

TEST(Ac3, FrameCutShortCannotBeVerified) {
  const auto frame = test::Ac3Frame(10, 3);
  const std::span<const std::uint8_t> head(frame.data(), 40);
  EXPECT_FALSE(IsAc3SyncFrame(head, 0));
  EXPECT_FALSE(IsAc3SyncFrame(head.first(4), 0));
  // The whole checked range is enough, the rest of the frame is not needed.
  const std::size_t words = frame.size() / 2;
  EXPECT_TRUE(IsAc3SyncFrame(std::span(frame).first(((words >> 1) + (words >> 3)) * 2), 0));
  std::vector<std::uint8_t> stream(7 + frame.size(), 0x22);
  std::copy(frame.begin(), frame.end(), stream.begin() + 7);
  EXPECT_EQ(FindAc3SyncFrame(stream, 0, stream.size()), 7u);
  EXPECT_EQ(FindAc3SyncFrame(stream, 8, stream.size()), stream.size());
}

ChunkList SampleList() {
  ChunkList list;
  for (int i = 0; i < 7; ++i) {
    if (list.liveCount == kMaxLiveChunks) {
      list.Slot(list.oldest) = ChunkSlot{};
      ++list.oldest;
      --list.liveCount;
    }
    ++list.newest;
    ChunkSlot& slot = list.Slot(list.newest);
    slot.state = kSlotLive;
    slot.keep = i == 3 ? 1 : 0;
    slot.sequence = list.nextNumber++;
    const std::u16string name = u"/tmp/b/x_000" + std::u16string(1, char16_t(u'0' + i)) + u".mpg";
    std::copy(name.begin(), name.end(), slot.path.begin());
    ++list.liveCount;
  }
  return list;
}

TEST(ChunkList, FileLayoutAndRoundTrip) {
  const ChunkList list = SampleList();
  const auto bytes = list.Serialize();
  ASSERT_EQ(bytes.size(), 4272u);
  EXPECT_EQ(bytes[0], 6);   // newest
  EXPECT_EQ(bytes[4], 2);   // oldest
  EXPECT_EQ(bytes[8], 5);   // live count
  EXPECT_EQ(bytes[12], 7);  // next number
  // Entry 3 lives in slot 3: state at 16 + 532 * 3, keep, sequence, path.
  const std::size_t slot3 = 16 + 532 * 3;
  EXPECT_EQ(bytes[slot3], 2);
  EXPECT_EQ(bytes[slot3 + 4], 1);
  EXPECT_EQ(bytes[slot3 + 8], 3);
  EXPECT_EQ(bytes[slot3 + 12], '/');
  EXPECT_EQ(bytes[slot3 + 13], 0);
  EXPECT_EQ(bytes[16 + 532 * 1], 0);  // entry 1 was dropped: slot free

  const auto parsed = ChunkList::Parse(bytes);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Serialize(), bytes);
  EXPECT_EQ(parsed->Slot(6).Path(), u"/tmp/b/x_0006.mpg");
}

TEST(ChunkList, InconsistentCopiesAreRejected) {
  const auto good = SampleList().Serialize();
  EXPECT_FALSE(ChunkList::Parse(std::span(good).first(4271)));
  auto torn = [&](std::size_t offset, std::uint8_t value) {
    auto bytes = good;
    bytes[offset] = value;
    return ChunkList::Parse(bytes).has_value();
  };
  EXPECT_FALSE(torn(0, 7));                  // newest ahead of the live count
  EXPECT_FALSE(torn(8, 6));                  // six live
  EXPECT_FALSE(torn(12, 9));                 // next number off the newest
  EXPECT_FALSE(torn(16 + 532 * 4, 0));       // live entry with a free slot
  EXPECT_FALSE(torn(16 + 532 * 1, 2));       // dropped entry still marked live
  EXPECT_FALSE(torn(16 + 532 * 5 + 8, 13));  // sequence number off its index
  auto unterminated = good;
  for (std::size_t c = 0; c < 520; ++c)
    unterminated[16 + 532 * 2 + 12 + c] = 'a';
  EXPECT_FALSE(ChunkList::Parse(unterminated));
  EXPECT_TRUE(ChunkList::Parse(ChunkList{}.Serialize()));  // fresh, empty list
}

}  // namespace
}  // namespace filters
