#include "capsift/CFrameStore.h"

#include <algorithm>
#include <utility>

namespace capsift {

void CFrameStore::Reset() {
  for (auto& record : records_)
    record.pictureCodingType = 0;
  forward_ = 0;
  auxiliary_ = 1;
  backward_ = 2;
  current_ = kNone;
}

bool CFrameStore::CompletePicture(HeaderState& state, std::int64_t pictureTime,
                                  CaptionAccumulator& accumulator, std::uint32_t sequenceFrameCount,
                                  ICaptionSink* sink) {
  const std::uint8_t type = state.pictureCodingType;
  if (state.pictureStructure == kFramePicture && state.secondField) state.secondField = false;

  if (type == kPictureB) {
    current_ = auxiliary_;
  } else {
    if (!state.secondField) std::swap(forward_, backward_);
    current_ = backward_;
  }

  // A second field overwrites what its first field wrote.
  CFrameRecord& record = records_[current_];
  record.startTime = pictureTime;
  record.pictureCodingType = type;
  const auto bytes = accumulator.Bytes();
  std::copy(bytes.begin(), bytes.end(), record.captionBytes.begin());
  record.captionByteCount = bytes.size();
  accumulator.Clear();

  // Slices are not looked at: nothing after the headers is kept.

  if (sequenceFrameCount != 0 && (state.pictureStructure == kFramePicture || state.secondField)) {
    if (type == kPictureB) {
      if (IsReference(records_[backward_]) && IsReference(records_[forward_])) {
        Emit(records_[auxiliary_], sink);
      }
    } else {
      Emit(records_[forward_], sink);
    }
  }

  if (state.pictureStructure != kFramePicture) state.secondField = !state.secondField;
  return !state.secondField;
}

void CFrameStore::OutputLastFrame(const HeaderState& state, ICaptionSink* sink) {
  if (state.secondField) return;
  Emit(records_[backward_], sink);
}

void CFrameStore::Emit(const CFrameRecord& record, ICaptionSink* sink) const {
  if (record.captionByteCount == 0 || sink == nullptr) return;
  sink->EmitCaptionUnit({record.captionBytes.data(), record.captionByteCount}, record.startTime);
}

}  // namespace capsift
