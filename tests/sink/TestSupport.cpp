#include "tests/sink/TestSupport.h"

#include <gtest/gtest.h>

#include "common/Utf16.h"
#include "filters/sink/Ac3SyncFrame.h"
#include "tests/support/Bytes.h"

namespace filters::test {

std::u16string TempDir::File(const std::string& name) const {
  return U16(Path() / name);
}

std::u16string U16(const std::filesystem::path& path) {
  return common::FromUtf8(path.string());
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
  return testsupport::ReadBytes(path);
}

std::vector<std::uint8_t> SequenceHeader(unsigned rateCode) {
  // 720x480, aspect 2, bit rate and VBV filler, then a sequence extension.
  return {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0, static_cast<std::uint8_t>(0x20 | rateCode),
          0x09, 0xC4, 0x23, 0x80, 0x00, 0x00, 0x01, 0xB5,
          0x14, 0x82, 0x00, 0x01, 0x00, 0x00};
}

std::vector<std::uint8_t> Picture(unsigned temporalReference, std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> out = {0x00,
                                   0x00,
                                   0x01,
                                   0x00,
                                   static_cast<std::uint8_t>(temporalReference >> 2),
                                   static_cast<std::uint8_t>((temporalReference & 3) << 6 | 0x08),
                                   0xFF,
                                   0xF8};
  // Filler that never forms a start code (no two zero bytes in a row).
  std::uint8_t v = seed;
  while (out.size() < size) {
    v = static_cast<std::uint8_t>(v * 13 + 7);
    out.push_back(v == 0 ? 0x55 : v);
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> Ac3Frame(unsigned frmsizecod, std::uint8_t seed, unsigned fscod) {
  const std::size_t size = Ac3FrameBytes(frmsizecod, fscod);
  std::vector<std::uint8_t> frame(size);
  std::uint8_t v = seed;
  for (auto& b : frame) {
    v = static_cast<std::uint8_t>(v * 29 + 11);
    b = v == 0x0B ? 0x0C : v;  // keep stray sync bytes out of the filler
  }
  frame[0] = 0x0B;
  frame[1] = 0x77;
  frame[2] = frame[3] = 0;
  frame[4] = static_cast<std::uint8_t>(fscod << 6 | frmsizecod);
  frame[5] = 0x40;  // bsid 8, bsmod 0
  // The last word of the five-eighths range makes its CRC zero.
  const std::size_t words = size / 2;
  const std::size_t end = ((words >> 1) + (words >> 3)) * 2;
  const std::uint16_t crc = Ac3Crc16(std::span(frame).subspan(2, end - 4));
  frame[end - 2] = static_cast<std::uint8_t>(crc >> 8);
  frame[end - 1] = static_cast<std::uint8_t>(crc);
  return frame;
}

namespace {

class QuotaWriteFile final : public WriteFile {
 public:
  QuotaWriteFile(QuotaFileSystem& fs, std::unique_ptr<WriteFile> inner)
      : fs_(fs), inner_(std::move(inner)) {}
  bool Write(std::span<const std::uint8_t> bytes) override {
    if (!fs_.Take(bytes.size())) {
      // A full disk takes part of the write before failing.
      inner_->Write(bytes.first(bytes.size() / 3));
      return false;
    }
    if (!inner_->Write(bytes)) return false;
    size_ += bytes.size();
    return true;
  }
  bool Truncate(std::uint64_t size) override {
    if (size < size_) {
      fs_.Give(size_ - size);
      size_ = size;
    }
    return inner_->Truncate(size);
  }
  bool Close() override { return inner_->Close(); }

 private:
  QuotaFileSystem& fs_;
  std::unique_ptr<WriteFile> inner_;
  std::uint64_t size_ = 0;  // bytes written whole, the ones the budget paid for
};

}  // namespace

bool QuotaFileSystem::Take(std::size_t bytes) {
  if (bytes > budget_) {
    if (!keepSpaceOnRefusal_) budget_ = 0;
    return false;
  }
  budget_ -= bytes;
  return true;
}

std::unique_ptr<WriteFile> QuotaFileSystem::Create(const std::u16string& path) {
  auto inner = SystemFileSystem().Create(path);
  if (!inner) return nullptr;
  return std::make_unique<QuotaWriteFile>(*this, std::move(inner));
}

std::unique_ptr<ReadFile> QuotaFileSystem::Open(const std::u16string& path) {
  return SystemFileSystem().Open(path);
}

bool QuotaFileSystem::Remove(const std::u16string& path) {
  return SystemFileSystem().Remove(path);
}

bool QuotaFileSystem::Replace(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  if (!Take(bytes.size())) return false;
  return SystemFileSystem().Replace(path, bytes);
}

namespace {

std::int64_t Timestamp90k(std::span<const std::uint8_t> b) {
  EXPECT_EQ(b[0] & 1, 1);
  EXPECT_EQ(b[2] & 1, 1);
  EXPECT_EQ(b[4] & 1, 1);
  return (std::int64_t{b[0] & 0x0E} << 29) | (std::int64_t{b[1]} << 22) |
         (std::int64_t{b[2] & 0xFE} << 14) | (std::int64_t{b[3]} << 7) | (b[4] >> 1);
}

}  // namespace

DecodedPack DecodeDataPack(std::span<const std::uint8_t> pack) {
  DecodedPack out;
  EXPECT_EQ(pack.size(), 2048u);
  if (pack.size() != 2048) return out;
  EXPECT_EQ(pack[0], 0x00);
  EXPECT_EQ(pack[1], 0x00);
  EXPECT_EQ(pack[2], 0x01);
  EXPECT_EQ(pack[3], 0xBA);
  EXPECT_EQ(pack[4] & 0xC4, 0x44);
  const std::int64_t base =
      (std::int64_t{pack[4] & 0x38} << 27) | (std::int64_t{pack[4] & 0x03} << 28) |
      (std::int64_t{pack[5]} << 20) | (std::int64_t{pack[6] & 0xF8} << 12) |
      (std::int64_t{pack[6] & 0x03} << 13) | (std::int64_t{pack[7]} << 5) | (pack[8] >> 3);
  const int ext = ((pack[8] & 0x03) << 7) | (pack[9] >> 1);
  out.scr = base * 300 + ext;
  EXPECT_EQ(pack[10], 0x0C);  // mux rate 200000
  EXPECT_EQ(pack[11], 0x35);
  EXPECT_EQ(pack[12], 0x03);
  EXPECT_EQ(pack[13], 0xF8);

  const auto pes = pack.subspan(14);
  EXPECT_EQ(pes[0], 0x00);
  EXPECT_EQ(pes[1], 0x00);
  EXPECT_EQ(pes[2], 0x01);
  out.streamId = pes[3];
  out.pesLength = static_cast<std::size_t>(pes[4] << 8 | pes[5]);
  EXPECT_EQ(pes[6], 0x81);
  out.flags2 = pes[7];
  out.headerDataLength = pes[8];
  std::size_t pos = 9;
  if (out.flags2 & 0x80) {
    EXPECT_EQ(pes[pos] >> 4, (out.flags2 & 0x40) ? 3 : 2);
    out.pts = Timestamp90k(pes.subspan(pos, 5));
    pos += 5;
  }
  if (out.flags2 & 0x40) {
    EXPECT_EQ(pes[pos] >> 4, 1);
    out.dts = Timestamp90k(pes.subspan(pos, 5));
    pos += 5;
  }
  const std::size_t headerEnd = 9 + out.headerDataLength;
  for (; pos < headerEnd; ++pos) {
    EXPECT_EQ(pes[pos], 0xFF);
    ++out.stuffing;
  }
  const std::size_t pesEnd = 6 + out.pesLength;
  EXPECT_LE(pesEnd, pes.size());
  if (pesEnd > pes.size()) return out;
  const std::size_t substream = out.streamId == 0xBD ? 4 : out.streamId == 0xBF ? 1 : 0;
  out.substream.assign(pes.begin() + static_cast<std::ptrdiff_t>(headerEnd),
                       pes.begin() + static_cast<std::ptrdiff_t>(headerEnd + substream));
  out.payload.assign(pes.begin() + static_cast<std::ptrdiff_t>(headerEnd + substream),
                     pes.begin() + static_cast<std::ptrdiff_t>(pesEnd));
  if (pesEnd < pes.size()) {
    const auto pad = pes.subspan(pesEnd);
    EXPECT_GE(pad.size(), 6u);
    out.hasPadding = true;
    EXPECT_EQ(pad[0], 0x00);
    EXPECT_EQ(pad[1], 0x00);
    EXPECT_EQ(pad[2], 0x01);
    EXPECT_EQ(pad[3], 0xBE);
    out.paddingLength = static_cast<std::size_t>(pad[4] << 8 | pad[5]);
    EXPECT_EQ(out.paddingLength + 6, pad.size());
    for (std::size_t i = 6; i < pad.size(); ++i)
      EXPECT_EQ(pad[i], 0xFF);
  }
  return out;
}

std::vector<DecodedPack> DecodeFile(const std::vector<std::uint8_t>& file) {
  std::vector<DecodedPack> packs;
  EXPECT_EQ(file.size() % 2048, 4u);
  if (file.size() < 2048 + 4) return packs;
  const std::size_t count = file.size() / 2048;
  for (std::size_t i = 1; i < count; ++i) {
    packs.push_back(DecodeDataPack(std::span(file).subspan(i * 2048, 2048)));
  }
  return packs;
}

}  // namespace filters::test
