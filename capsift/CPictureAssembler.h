// The caption extractor: a byte-driven start-code scanner over an MPEG-2
// video elementary stream that parses headers only, collects "GA94" caption
// pairs per picture and hands them, one unit per frame and in display order,
// to an ICaptionSink.
//
// Bytes from the most recent sequence header on are kept in an 8 MiB sequence
// buffer so that a header can be parsed as a whole once the start code after
// it arrives. The scanner reacts to four start codes: picture (0x00),
// sequence header (0xB3), sequence end (0xB7) and group of pictures (0xB8).
// Until the first sequence header nothing is stored.
//
// Damaged and unusual input:
// - A parser never reads outside its region (common::ByteReader). A picture whose
//   headers run past the region end, or whose coding type is not I, P or B,
//   is dropped whole: the frame store, the field state and the frame counts
//   stay as they were and the pairs collected for it are discarded. Sequence
//   and group headers keep whatever pairs were read before the end.
// - The sequence buffer is never overrun. When it is full, the bytes before
//   the earliest region still to be parsed are discarded, so a sequence of
//   any length streams through it. Only a single region (one picture, or a
//   sequence header before the sequence's first frame) of nearly 8 MiB cannot
//   be kept: then the sequence is abandoned like at a sequence end (the held
//   frame is emitted, the pending picture is lost) until the next sequence
//   header.
// - At most 128 pairs are kept per frame; further pairs are dropped.
// - Temporal scalability extensions are stepped over like other extensions
//   without kept values; such pictures are ordered by coding type like those
//   of a single-layer stream.
// - cc_data constructs are read only within their user data, whatever
//   cc_count claims.
//
// Single-threaded: Push, Reset and SetInputStartTime come from one thread;
// units are emitted synchronously from inside Push.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "capsift/CFrameStore.h"
#include "capsift/CaptionAccumulator.h"
#include "capsift/CaptionSink.h"
#include "capsift/HeaderParser.h"

namespace capsift {

class CPictureAssembler {
 public:
  static constexpr std::size_t kSequenceBufferSize = 8 * 1024 * 1024;

  explicit CPictureAssembler(ICaptionSink* sink = nullptr);
  CPictureAssembler(const CPictureAssembler&) = delete;
  CPictureAssembler& operator=(const CPictureAssembler&) = delete;

  // Binds the output (a filter created later takes the extractor over).
  void SetSink(ICaptionSink* sink) { sink_ = sink; }

  // Forgets the stream position: no sequence, nothing pending, frame counts 0,
  // the three frame records empty. Bytes of a picture in progress are lost.
  // Kept: the input start time and the last picture time, the second-field
  // flag, the records' times and bytes, whether a sequence extension was seen.
  // Caption pairs collected for a picture that never completed are dropped so
  // that they cannot attach to a frame after the reset.
  void Reset();

  // The start time (100 ns units) of the input now being pushed; a picture
  // takes the value current when its start code's last byte is pushed. A
  // sample without a time simply does not call this. Initially 0.
  void SetInputStartTime(std::int64_t startTime) { inputStartTime_ = startTime; }
  std::int64_t InputStartTime() const { return inputStartTime_; }

  // One byte of elementary stream.
  void PushByte(std::uint8_t b) {
    shiftRegister_ = shiftRegister_ << 8 | b;
    if ((shiftRegister_ & 0xFFFFFF00u) == 0x00000100u) {
      OnStartCode(b);
    } else if (sequenceActive_ && length_ < kSequenceBufferSize) {
      buffer_[length_++] = b;
    } else if (sequenceActive_) {
      Store(b);
    }
  }
  // Bytes in stream order; same result as pushing them one at a time, but
  // runs of bytes that hold no start code the scanner reacts to are copied
  // and searched in bulk.
  void Push(std::span<const std::uint8_t> bytes);

  // Counters for tests and diagnostics.
  std::uint32_t StreamFrameCount() const { return streamFrameCount_; }
  std::uint32_t SequenceFrameCount() const { return sequenceFrameCount_; }
  bool SequenceActive() const { return sequenceActive_; }
  std::uint64_t DroppedPictures() const { return droppedPictures_; }
  std::uint64_t AbandonedSequences() const { return abandonedSequences_; }
  std::uint64_t DroppedPairs() const { return accumulator_.DroppedPairs(); }

 private:
  void OnStartCode(std::uint8_t b);
  void OnPictureStart(std::uint8_t b);
  void OnSequenceHeader(std::uint8_t b);
  void OnSequenceEnd(std::uint8_t b);
  void OnGroupStart(std::uint8_t b);

  bool Store(std::uint8_t b);
  bool Place(std::uint8_t b);
  void AppendPlain(const std::uint8_t* bytes, std::size_t count);
  bool MakeRoom();
  void Abandon();

  std::span<const std::uint8_t> RegionFrom(std::size_t position) const;
  void CompletePendingPicture();
  void ParsePendingGroup();
  void OutputLastFrame();

  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t length_ = 0;
  std::uint32_t shiftRegister_ = 0;
  bool sequenceActive_ = false;
  bool picturePending_ = false;
  bool groupPending_ = false;
  std::size_t picturePosition_ = 0;
  std::size_t groupPosition_ = 0;
  std::size_t sequencePosition_ = 0;
  std::int64_t pictureTime_ = 0;
  std::uint32_t streamFrameCount_ = 0;
  std::uint32_t sequenceFrameCount_ = 0;

  HeaderState header_;
  CaptionAccumulator accumulator_;
  CFrameStore frames_;
  std::int64_t inputStartTime_ = 0;
  ICaptionSink* sink_ = nullptr;

  std::uint64_t droppedPictures_ = 0;
  std::uint64_t abandonedSequences_ = 0;
};

}  // namespace capsift
