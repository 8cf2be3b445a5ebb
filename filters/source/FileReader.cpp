#include "filters/source/FileReader.h"

#include <array>

#include "filters/sink/PsFormat.h"
#include "filters/source/Timestamp33.h"

namespace filters {
namespace {

constexpr std::uint64_t kBlockPacks = 32;  // read-ahead: 64 KiB
constexpr std::uint64_t kMinPacksToSearch = 11;

}  // namespace

FileReader::FileReader(FileSystem& fs, std::u16string path)
    : fs_(fs), path_(std::move(path)), file_(fs_.Open(path_)) {}

std::uint64_t FileReader::PackCount() {
  return file_ ? file_->Size() / kPackSize : 0;
}

std::int64_t FileReader::ProbeScr(std::uint64_t index) {
  if (!file_) return -1;
  std::array<std::uint8_t, kPackSize> pack;
  if (file_->ReadAt(index * kPackSize, pack) != pack.size()) return -1;
  ParsePack(pack, probe_, true);
  if (!probe_.hasScr) return -1;
  return ExtendTime27(probe_.scr27, firstTime_ >= 0 ? firstTime_ : reference_);
}

void FileReader::Measure(std::int64_t reference) {
  if (!file_) return;
  const std::uint64_t packs = PackCount();
  if (packs == 0) return;
  const std::int64_t savedFirst = firstTime_;
  firstTime_ = -1;
  reference_ = reference;
  firstTime_ = ProbeScr(0);
  if (firstTime_ < 0) firstTime_ = savedFirst;
  const std::int64_t last = ProbeScr(packs - 1);
  if (last >= 0) lastTime_ = last;
  if (reference_ < 0) reference_ = firstTime_;
}

void FileReader::SeekToTime(std::int64_t time27) {
  const std::uint64_t packs = PackCount();
  if (packs < kMinPacksToSearch) {
    SeekToPack(0);
    return;
  }
  if (firstTime_ < 0) Measure(reference_);
  std::uint64_t lo = 0, hi = packs;
  while (lo < hi) {
    const std::uint64_t mid = lo + (hi - lo) / 2;
    const std::int64_t scr = ProbeScr(mid);
    if (scr < time27) {  // unreadable packs count as earlier
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  SeekToPack(lo);
  const std::int64_t found = ProbeScr(lo);
  if (found >= 0) reference_ = found;
}

void FileReader::SeekToPack(std::uint64_t index) {
  position_ = index;
  blockPacks_ = 0;
  if (index == 0 && firstTime_ >= 0) reference_ = firstTime_;
}

bool FileReader::LoadBlock(std::uint64_t index) {
  if (!file_) return false;
  block_.resize(kBlockPacks * kPackSize);
  const std::size_t got = file_->ReadAt(index * kPackSize, block_);
  blockStart_ = index;
  blockPacks_ = got / kPackSize;
  return blockPacks_ > 0;
}

bool FileReader::ReadPack(ParsedPack& pack, std::int64_t& scr27) {
  if (position_ < blockStart_ || position_ >= blockStart_ + blockPacks_) {
    if (!LoadBlock(position_)) return false;
  }
  const std::span<const std::uint8_t> bytes(block_.data() + (position_ - blockStart_) * kPackSize,
                                            kPackSize);
  ++position_;
  ParsePack(bytes, pack);
  if (pack.hasScr) {
    reference_ = ExtendTime27(pack.scr27, reference_ >= 0 ? reference_ : firstTime_);
  }
  scr27 = reference_;
  return true;
}

std::int64_t FileReader::ExtendedPts(const EsPayload& payload) const {
  return ExtendTime27(payload.pts27, reference_);
}

}  // namespace filters
