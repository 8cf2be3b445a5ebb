// Identifiers and names of the caption filter library "capsift.dll": the
// filter's and the property page's class ids, the parameter interface's id,
// the media types on its pins and the names it registers under. The host and
// the library share this header.
#pragma once

#include "platform/com/GuidLiteral.h"
#include "platform/media/MediaGuids.h"

namespace capsift {

inline constexpr CLSID CLSID_CCParser = com::GuidOf("25C27591-171D-41EE-B715-B122D54550EF");
inline constexpr CLSID CLSID_CCParserPropertyPage =
    com::GuidOf("677BA5C4-231C-4A08-BFEB-6F86878B657B");
inline constexpr IID IID_ICCParserParams = com::GuidOf("59835252-5152-4F18-BA4D-EB790DC4F942");

// The file the host loads and the export it asks for the class factory.
inline constexpr char kLibraryFileName[] = "capsift.dll";
inline constexpr char kGetClassObjectExport[] = "DllGetClassObject";

// Class names written to the registry, and the filter's registered name.
inline constexpr char16_t kFilterClassName[] = u"Tallowmark MPEG-2 Video Decoder";
inline constexpr char16_t kPageClassName[] = u"Tallowmark MPEG-2 Video Decoder Properties";
inline constexpr char16_t kFilterName[] = u"Tallowmark capsift";

// Pin names.
inline constexpr char16_t kInputPinName[] = u"MPEG-2 Video ES";
inline constexpr char16_t kOutputPinName[] = u"Line 21";

// Output samples: 20 buffers of 256 bytes, one caption unit each.
inline constexpr long kOutputBufferCount = 20;
inline constexpr long kOutputBufferSize = 256;

}  // namespace capsift
