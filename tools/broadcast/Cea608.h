// CEA-608 Line 21 caption data for field 1, data channel 1 (CC1): pop-on
// captions built into the off-screen memory and flipped on screen with
// End Of Caption, one byte pair per video frame, odd parity on every byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace broadcast {

using CaptionPair = std::array<std::uint8_t, 2>;
inline constexpr CaptionPair kNullPair = {0x80, 0x80};

// Sets bit 7 so that the byte has an odd number of one bits.
std::uint8_t OddParity(std::uint8_t sevenBits);

// The pairs that show one pop-on caption of one or two rows (rows 14 and 15):
// RCL, ENM, PAC, text, EOC, with control codes sent twice. Characters that
// the basic set maps to other glyphs are sent as blanks.
std::vector<CaptionPair> PopOnCaption(const std::vector<std::string>& rows);

// One pair per frame for `frameCount` frames: caption i starts at frame
// i * frameCount / captions.size() or after the caption before it; captions
// that do not fit whole are left out; frames without data carry the null pair.
std::vector<CaptionPair> CaptionTrack(const std::vector<std::vector<std::string>>& captions,
                                      int frameCount);

}  // namespace broadcast
