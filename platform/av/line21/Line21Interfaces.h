// The Line 21 decoder's class and interfaces: IAMLine21Decoder, through which
// the player turns the caption service on and off and reads the decoder
// level, and ILine21Pages, which reports the text of every caption page the
// decoder sends (for tools that print captions and for tests).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/GuidLiteral.h"
#include "platform/com/Unknown.h"
#include "platform/media/Interfaces.h"

inline constexpr CLSID CLSID_Line21Decoder2 = com::GuidOf("E4206432-01A1-4BEE-B3E1-3702C8EDC574");
inline constexpr IID IID_IAMLine21Decoder = com::GuidOf("6E8D4A21-310C-11D0-B79A-00AA003767A7");
inline constexpr IID IID_ILine21Pages = com::GuidOf("3B5E2C71-8D4F-4A96-B1E0-7C2A9D6F4E18");

enum AM_LINE21_CCLEVEL {
  AM_L21_CCLEVEL_TC2 = 0,  // the full caption and text feature set of TC2 decoders
};

enum AM_LINE21_CCSERVICE {
  AM_L21_CCSERVICE_None = 0,
  AM_L21_CCSERVICE_Caption1 = 1,
  AM_L21_CCSERVICE_Caption2 = 2,
  AM_L21_CCSERVICE_Text1 = 3,
  AM_L21_CCSERVICE_Text2 = 4,
  AM_L21_CCSERVICE_XDS = 5,
  AM_L21_CCSERVICE_DefChannel = 10,
  AM_L21_CCSERVICE_Invalid = 11,
};

enum AM_LINE21_CCSTATE {
  AM_L21_CCSTATE_Off = 0,
  AM_L21_CCSTATE_On = 1,
};

struct IAMLine21Decoder : virtual IUnknown {
  static constexpr IID kIid = IID_IAMLine21Decoder;
  virtual HRESULT GetDecoderLevel(AM_LINE21_CCLEVEL* level) = 0;
  virtual HRESULT GetCurrentService(AM_LINE21_CCSERVICE* service) = 0;
  // Caption1, Caption2, Text1, Text2, None, or DefChannel (Caption1).
  virtual HRESULT SetCurrentService(AM_LINE21_CCSERVICE service) = 0;
  virtual HRESULT GetServiceState(AM_LINE21_CCSTATE* state) = 0;
  virtual HRESULT SetServiceState(AM_LINE21_CCSTATE state) = 0;
};

// One caption picture as text: the stream time of the pair that changed it
// and its visible rows, top to bottom, without the blank ones.
struct Line21Page {
  REFERENCE_TIME time = 0;
  std::vector<std::string> rows;
};

struct ILine21Pages : virtual IUnknown {
  static constexpr IID kIid = IID_ILine21Pages;
  // Called on the streaming thread for every picture sent; empty: none.
  virtual HRESULT SetPageObserver(std::function<void(const Line21Page&)> observer) = 0;
};
