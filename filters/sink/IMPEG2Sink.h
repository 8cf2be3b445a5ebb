// Identifiers of the "MPEG-2 Sink" filter: its class id, its own interface,
// the identity query that hands back the filter object, and the media type of
// the programme text stream its third pin takes.
#pragma once

#include "filters/text/TextMediaType.h"
#include "platform/com/GuidLiteral.h"
#include "platform/com/Unknown.h"

inline constexpr CLSID CLSID_MPEG2Sink = com::GuidOf("B01D1143-5A8E-40F2-9BB7-BC15D16A1761");
inline constexpr IID IID_IMPEG2Sink = com::GuidOf("2E7967E3-DB91-4D69-8550-E5A02ABB6D29");
// QueryInterface with this id gives the CMPEG2Sink object itself (in-process only).
inline constexpr IID IID_MPEG2SinkObject = com::GuidOf("A3B152DF-7A90-4218-AC54-9830BEE8C0B6");

// The sink's own interface. Its one operation is not supported and always
// fails with E_FAIL; callers must not rely on it.
struct IMPEG2Sink : virtual IUnknown {
  static constexpr IID kIid = IID_IMPEG2Sink;
  virtual HRESULT SetParameters(LONG param1, LONG param2, LONG param3, LONG param4,
                                LONG param5) = 0;
};
