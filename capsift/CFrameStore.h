// Three frame records that put the captions of coded frames into display
// order.
//
// B frames are complete in display order as soon as they are decoded; an I or
// P frame is held (backward) until the next I or P frame arrives, which moves
// it to forward and emits it. A B frame is emitted only when both its
// reference records hold an I or P frame, so the B frames that follow the
// first I frame after a reset (whose forward reference was never seen) give
// nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "capsift/CaptionAccumulator.h"
#include "capsift/CaptionSink.h"
#include "capsift/HeaderParser.h"

namespace capsift {

struct CFrameRecord {
  std::int64_t startTime = 0;          // 100-nanosecond units
  std::uint8_t pictureCodingType = 0;  // 0 none, 1 I, 2 P, 3 B
  std::array<std::uint8_t, kCaptionBytes> captionBytes{};
  std::size_t captionByteCount = 0;  // 0 to 256
};

class CFrameStore {
 public:
  CFrameStore() { Reset(); }

  // Marks all three records empty (coding type 0) and restores the initial
  // roles. Start times and caption bytes are kept.
  void Reset();

  // Files one parsed picture (steps after the header parse): selects the
  // record, writes the picture into it, emits what is now in display order
  // and advances the field state. `sequenceFrameCount` is the number of
  // frames completed since the sequence header; nothing is emitted while it is
  // 0. Empties the accumulator. Returns true when a whole frame is complete.
  bool CompletePicture(HeaderState& state, std::int64_t pictureTime,
                       CaptionAccumulator& accumulator, std::uint32_t sequenceFrameCount,
                       ICaptionSink* sink);

  // At a sequence header or sequence end: emits the held I or P frame unless
  // a field-coded frame is incomplete.
  void OutputLastFrame(const HeaderState& state, ICaptionSink* sink);

  const CFrameRecord& Forward() const { return records_[forward_]; }
  const CFrameRecord& Auxiliary() const { return records_[auxiliary_]; }
  const CFrameRecord& Backward() const { return records_[backward_]; }

 private:
  static bool IsReference(const CFrameRecord& record) {
    return record.pictureCodingType == kPictureI || record.pictureCodingType == kPictureP;
  }
  void Emit(const CFrameRecord& record, ICaptionSink* sink) const;

  std::array<CFrameRecord, 3> records_{};  // A, B, C
  std::size_t forward_ = 0;
  std::size_t auxiliary_ = 1;
  std::size_t backward_ = 2;
  static constexpr std::size_t kNone = 3;
  std::size_t current_ = kNone;
};

}  // namespace capsift
