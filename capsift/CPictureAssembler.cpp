#include "capsift/CPictureAssembler.h"

#include <algorithm>
#include <cstring>

namespace capsift {
namespace {

constexpr std::uint32_t kPictureStartCode = 0x00000100;
constexpr std::uint32_t kSequenceHeaderCode = 0x000001B3;
constexpr std::uint32_t kSequenceEndCode = 0x000001B7;
constexpr std::uint32_t kGroupStartCode = 0x000001B8;

// Start code values (the byte after 0x00 0x00 0x01) the scanner reacts to.
constexpr bool IsReacted(std::uint8_t value) {
  return value == 0x00 || value == 0xB3 || value == 0xB7 || value == 0xB8;
}

}  // namespace

// The buffer is not cleared: only bytes already stored (up to length_) and the
// one Place writes just past them are ever read. Clearing 8 MiB would cost
// every new assembler (a filter instance, a command run) for nothing.
CPictureAssembler::CPictureAssembler(ICaptionSink* sink)
    : buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kSequenceBufferSize)), sink_(sink) {}

void CPictureAssembler::Reset() {
  shiftRegister_ = 0;
  length_ = 0;
  sequenceActive_ = false;
  picturePending_ = false;
  groupPending_ = false;
  picturePosition_ = 0;
  groupPosition_ = 0;
  sequencePosition_ = 0;
  streamFrameCount_ = 0;
  sequenceFrameCount_ = 0;
  accumulator_.Clear();
  frames_.Reset();
}

// The byte after a 0x00 0x00 0x01 prefix.
void CPictureAssembler::OnStartCode(std::uint8_t b) {
  switch (shiftRegister_) {
    case kPictureStartCode:
      OnPictureStart(b);
      break;
    case kSequenceHeaderCode:
      OnSequenceHeader(b);
      break;
    case kSequenceEndCode:
      OnSequenceEnd(b);
      break;
    case kGroupStartCode:
      OnGroupStart(b);
      break;
    default:
      if (sequenceActive_) Store(b);
      break;
  }
}

void CPictureAssembler::Push(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  const std::size_t n = bytes.size();
  // The first three bytes may finish a start code begun in an earlier push.
  const std::size_t head = std::min<std::size_t>(n, 3);
  for (std::size_t i = 0; i < head; ++i)
    PushByte(p[i]);
  if (n <= 3) return;

  std::size_t next = 3;  // first byte not yet pushed
  while (next < n) {
    // Find the next reacted start code value at index `at` >= next; its
    // prefix 0x00 0x00 0x01 then lies inside this push.
    std::size_t at = n;
    std::size_t k = next - 1;  // candidate position of the 0x01
    while (k + 1 < n) {
      const void* hit = std::memchr(p + k, 0x01, n - 1 - k);
      if (hit == nullptr) break;
      k = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - p);
      if (p[k - 1] == 0 && p[k - 2] == 0 && IsReacted(p[k + 1])) {
        at = k + 1;
        break;
      }
      ++k;
    }
    if (sequenceActive_) AppendPlain(p + next, at - next);
    if (at == n) break;
    shiftRegister_ = 0x000001;  // the prefix just seen
    PushByte(p[at]);
    next = at + 1;
  }
  shiftRegister_ = static_cast<std::uint32_t>(p[n - 4]) << 24 |
                   static_cast<std::uint32_t>(p[n - 3]) << 16 |
                   static_cast<std::uint32_t>(p[n - 2]) << 8 | p[n - 1];
}

void CPictureAssembler::OnPictureStart(std::uint8_t b) {
  if (!sequenceActive_) return;
  // The group is parsed before the picture is completed.
  if (groupPending_) {
    if (!Place(b)) return;
    ParsePendingGroup();
    groupPending_ = false;
  }
  if (picturePending_) {
    if (!Place(b)) return;
    CompletePendingPicture();
    picturePending_ = false;
  }
  pictureTime_ = inputStartTime_;
  picturePending_ = true;
  picturePosition_ = length_ - 3;
  Store(b);
}

void CPictureAssembler::OnSequenceHeader(std::uint8_t b) {
  // The picture is completed before the group is parsed.
  if (picturePending_) {
    if (Place(b)) CompletePendingPicture();
    picturePending_ = false;
  }
  if (groupPending_) {
    if (Place(b)) ParsePendingGroup();
    groupPending_ = false;
  }
  if (sequenceActive_ && sequenceFrameCount_ != 0) OutputLastFrame();
  sequenceActive_ = true;
  sequenceFrameCount_ = 0;
  sequencePosition_ = 0;
  buffer_[0] = 0x00;
  buffer_[1] = 0x00;
  buffer_[2] = 0x01;
  buffer_[3] = b;
  length_ = 4;
}

void CPictureAssembler::OnSequenceEnd(std::uint8_t b) {
  if (!sequenceActive_) return;
  if (!Place(b)) return;  // abandoned: the sequence is already over
  if (picturePending_) CompletePendingPicture();
  if (groupPending_) ParsePendingGroup();
  picturePending_ = false;
  groupPending_ = false;
  if (sequenceFrameCount_ != 0) OutputLastFrame();
  sequenceActive_ = false;
}

void CPictureAssembler::OnGroupStart(std::uint8_t b) {
  if (!sequenceActive_) return;
  if (groupPending_) {
    if (!Place(b)) return;
    ParsePendingGroup();
  }
  if (sequenceFrameCount_ == 0) {
    if (!Place(b)) return;
    ParseSequenceHeader(RegionFrom(sequencePosition_), header_, accumulator_);
  }
  groupPending_ = true;
  groupPosition_ = length_ - 3;
  Store(b);
}

bool CPictureAssembler::Store(std::uint8_t b) {
  if (!Place(b)) return false;
  ++length_;
  return true;
}

// Writes b just past the stored bytes so that a parser sees the whole start
// code that ends its region. Fails (after abandoning the sequence) only when
// the buffer is full of bytes that are still to be parsed.
bool CPictureAssembler::Place(std::uint8_t b) {
  if (length_ == kSequenceBufferSize && !MakeRoom()) {
    Abandon();
    return false;
  }
  buffer_[length_] = b;
  return true;
}

void CPictureAssembler::AppendPlain(const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    if (length_ == kSequenceBufferSize && !MakeRoom()) {
      Abandon();
      return;
    }
    const std::size_t chunk = std::min(count, kSequenceBufferSize - length_);
    std::memcpy(buffer_.get() + length_, bytes, chunk);
    length_ += chunk;
    bytes += chunk;
    count -= chunk;
  }
}

// The buffer is full. Bytes before the earliest region still to be parsed
// (the pending picture, the pending group, the sequence header while no frame
// of the sequence is complete) and before the last three bytes (a start code
// prefix in progress) are never read again: they are discarded and the rest
// moves to the front. So a sequence of any length streams through the buffer;
// only a single region of nearly 8 MiB cannot be kept.
bool CPictureAssembler::MakeRoom() {
  std::size_t keep = length_ - 3;
  if (picturePending_) keep = std::min(keep, picturePosition_);
  if (groupPending_) keep = std::min(keep, groupPosition_);
  if (sequenceFrameCount_ == 0) keep = std::min(keep, sequencePosition_);
  if (keep == 0) return false;
  std::memmove(buffer_.get(), buffer_.get() + keep, length_ - keep);
  length_ -= keep;
  picturePosition_ -= picturePending_ ? keep : 0;
  groupPosition_ -= groupPending_ ? keep : 0;
  return true;
}

// A region larger than the buffer: treated like a sequence end whose pending
// picture and group are lost. Nothing is stored until the next sequence header.
void CPictureAssembler::Abandon() {
  ++abandonedSequences_;
  picturePending_ = false;
  groupPending_ = false;
  accumulator_.Clear();
  if (sequenceActive_ && sequenceFrameCount_ != 0) OutputLastFrame();
  sequenceActive_ = false;
  length_ = 0;
}

std::span<const std::uint8_t> CPictureAssembler::RegionFrom(std::size_t position) const {
  return {buffer_.get() + position, length_ + 1 - position};
}

// A picture whose headers ran past its region (truncated or damaged) or whose
// coding type is not I, P or B is dropped: it changes neither the frame store
// nor the field state, and the pairs collected for it are discarded.
void CPictureAssembler::CompletePendingPicture() {
  if (!ParsePictureHeader(RegionFrom(picturePosition_), header_, accumulator_)) {
    accumulator_.Clear();
    ++droppedPictures_;
    return;
  }
  if (frames_.CompletePicture(header_, pictureTime_, accumulator_, sequenceFrameCount_, sink_)) {
    ++streamFrameCount_;
    ++sequenceFrameCount_;
  }
}

void CPictureAssembler::ParsePendingGroup() {
  ParseGroupHeader(RegionFrom(groupPosition_), header_, accumulator_);
}

void CPictureAssembler::OutputLastFrame() {
  frames_.OutputLastFrame(header_, sink_);
}

}  // namespace capsift
