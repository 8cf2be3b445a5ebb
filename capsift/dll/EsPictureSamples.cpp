#include "capsift/dll/EsPictureSamples.h"

#include <algorithm>

#include "common/ByteReader.h"

namespace capsift {

namespace {

constexpr std::uint8_t kPictureStart = 0x00;
constexpr std::uint8_t kSequenceHeader = 0xB3;
constexpr std::uint8_t kGroupStart = 0xB8;

}  // namespace

std::int64_t EsPictureSamples::FramePeriod(unsigned frameRateCode) {
  // 10^7 x denominator / numerator of each frame rate.
  switch (frameRateCode) {
    case 1:
      return 417083;  // 24000/1001
    case 2:
      return 416667;  // 24
    case 3:
      return 400000;  // 25
    case 4:
      return 333667;  // 30000/1001
    case 5:
      return 333333;  // 30
    case 6:
      return 200000;  // 50
    case 7:
      return 166833;  // 60000/1001
    case 8:
      return 166667;  // 60
    default:
      return 0;
  }
}

void EsPictureSamples::Push(std::span<const std::uint8_t> bytes, std::vector<EsSample>& out) {
  for (const std::uint8_t b : bytes) {
    current_.push_back(b);
    shift_ = shift_ << 8 | b;
    if ((shift_ & 0xFFFFFF00u) != 0x00000100u) continue;
    const std::uint8_t code = b;
    if (code != kPictureStart && code != kSequenceHeader && code != kGroupStart) continue;
    if (currentHasPicture_ && current_.size() > 4) {
      // The start code opens the next sample.
      std::vector<std::uint8_t> next(current_.end() - 4, current_.end());
      current_.resize(current_.size() - 4);
      Complete(std::move(current_), out);
      current_ = std::move(next);
      currentHasPicture_ = false;
    }
    if (code == kPictureStart) currentHasPicture_ = true;
  }
}

void EsPictureSamples::Finish(std::vector<EsSample>& out) {
  if (!current_.empty()) Complete(std::move(current_), out);
  current_.clear();
  currentHasPicture_ = false;
  shift_ = 0xFFFFFFFF;
}

void EsPictureSamples::Complete(std::vector<std::uint8_t> bytes, std::vector<EsSample>& out) {
  std::optional<std::int64_t> time;
  // Walk the start codes of the sample and read the header fields that
  // follow them, each through a reader limited to the sample.
  for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
    if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1) continue;
    common::ByteReader header(std::span<const std::uint8_t>(bytes).subspan(i + 3));
    const std::uint8_t code = header.U8();
    if (code == kSequenceHeader) {
      header.Skip(3);  // horizontal and vertical size
      const unsigned frameRateCode = header.U8() & 0x0F;
      if (header.Ok() && FramePeriod(frameRateCode) != 0) framePeriod_ = FramePeriod(frameRateCode);
    } else if (code == kGroupStart) {
      groupBase_ += groupPictures_;
      groupPictures_ = 0;
    } else if (code == kPictureStart) {
      const auto temporalReference = static_cast<std::int64_t>(header.Bits(10));
      if (header.Ok()) {
        groupPictures_ = std::max(groupPictures_, temporalReference + 1);
        if (framePeriod_ != 0) time = (groupBase_ + temporalReference) * framePeriod_;
      }
    }
    i += 3;
  }
  out.push_back({std::move(bytes), time});
}

}  // namespace capsift
