// IBasicAudio: the volume and balance of an audio renderer, in hundredths of a
// decibel. Volume runs from -10000 (silence) to 0 (full); balance from -10000
// (right channel silent) through 0 to 10000 (left channel silent).
#pragma once

#include "platform/com/Unknown.h"

inline constexpr IID IID_IBasicAudio = com::GuidOf("56A868B3-0AD4-11CE-B03A-0020AF0BA770");

struct IBasicAudio : virtual IUnknown {
  static constexpr IID kIid = IID_IBasicAudio;
  virtual HRESULT put_Volume(long volume) = 0;
  virtual HRESULT get_Volume(long* volume) = 0;
  virtual HRESULT put_Balance(long balance) = 0;
  virtual HRESULT get_Balance(long* balance) = 0;
};

inline constexpr long kVolumeSilent = -10000;
inline constexpr long kVolumeFull = 0;
inline constexpr long kBalanceLeft = -10000;
inline constexpr long kBalanceRight = 10000;
