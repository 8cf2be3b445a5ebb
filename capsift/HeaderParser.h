// Header-only MPEG-2 video syntax (ISO/IEC 13818-2): sequence, group and
// picture headers with their extensions and user data. Only the values the
// frame store needs are kept; caption pairs found in user data go to the one
// caption accumulator, wherever the user data stands.
#pragma once

#include <cstdint>
#include <span>

#include "capsift/CaptionAccumulator.h"

namespace capsift {

inline constexpr std::uint8_t kPictureI = 1;
inline constexpr std::uint8_t kPictureP = 2;
inline constexpr std::uint8_t kPictureB = 3;
inline constexpr std::uint8_t kTopField = 1;
inline constexpr std::uint8_t kBottomField = 2;
inline constexpr std::uint8_t kFramePicture = 3;

struct HeaderState {
  std::uint8_t pictureCodingType = 0;  // 1 I, 2 P, 3 B
  std::uint8_t pictureStructure = 0;   // 0 until a picture coding extension or a
                                       // sequence without sequence extension
  bool secondField = false;            // first field done, second awaited
  bool sequenceExtensionSeen = false;  // never cleared
};

// Each parser takes one region: from the first byte of its own start code to
// the end of the four bytes of the start code that caused the parse.

// Sequence header, extensions, user data. A stream that has shown no sequence
// extension (MPEG-1 syntax) is treated as frame-coded.
void ParseSequenceHeader(std::span<const std::uint8_t> region, HeaderState& state,
                         CaptionAccumulator& accumulator);

// Group of pictures header, extensions, user data.
void ParseGroupHeader(std::span<const std::uint8_t> region, HeaderState& state,
                      CaptionAccumulator& accumulator);

// Picture header, extensions, user data. Returns false, leaving `state`
// untouched, when the picture is unusable: its headers ran past the region end
// (a truncated or damaged picture) or its coding type is not I, P or B. Pairs
// found are in the accumulator either way.
bool ParsePictureHeader(std::span<const std::uint8_t> region, HeaderState& state,
                        CaptionAccumulator& accumulator);

}  // namespace capsift
