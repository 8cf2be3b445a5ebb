// Identifiers of the "MPEG-2 Source" filter: its class id, its private
// interface (its text pin delivers MEDIATYPE_TextStream).
#pragma once

#include "filters/text/TextMediaType.h"
#include "platform/media/Interfaces.h"

inline constexpr CLSID CLSID_MPEG2Source = com::GuidOf("F6CC206A-8A74-4751-8E8C-835770DF3027");
inline constexpr IID IID_IMPEG2Source = com::GuidOf("8A11AED2-4139-42A7-BEF1-09F1608E4084");

struct IMPEG2Source : virtual IUnknown {
  static constexpr IID kIid = IID_IMPEG2Source;
  // Stores `value` as the flag that stops later list loading and plays the
  // path given to Load as one file.
  virtual HRESULT SetSingleFile(DWORD value) = 0;
};
