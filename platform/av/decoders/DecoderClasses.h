// The libavcodec decoders as the platform's decoders: their classes for
// CoCreateInstance, and their entries in the legacy filter category with
// merit and pin types ("FilterData"), so that the filter mapper finds them for
// MPEG-2 video and AC-3 audio input and their monikers bind them by display
// name ("@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\{class id}").
//
// Their class ids are those the decoder lists offer whatever the merit (the
// platform's own MPEG-2 video and AC-3 decoders), and their merit is normal
// (0x600000), so they are offered without "Show All" as well.
#pragma once

#include <string>

#include "platform/media/DeviceInterfaces.h"

namespace av {

inline constexpr char16_t kMpeg2VideoDecoderName[] = u"MPEG-2 Video Decoder";
inline constexpr char16_t kAc3DecoderName[] = u"AC-3 Audio Decoder";
inline constexpr DWORD kDecoderMerit = MERIT_NORMAL;

// Registers both; calling it again does no harm. Called at start-up beside
// media::RegisterClasses() and av::RegisterClasses().
void RegisterDecoders();

const AMOVIESETUP_FILTER& Mpeg2VideoDecoderSetup();
const AMOVIESETUP_FILTER& Ac3DecoderSetup();

// The display names of their monikers.
std::u16string Mpeg2VideoDecoderDisplayName();
std::u16string Ac3DecoderDisplayName();

}  // namespace av
