// Major type of the programme text stream: the "Text Source" output, the
// "Text" pins of the recording sink and playback source, the text renderer's
// input.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/GuidLiteral.h"

inline constexpr GUID MEDIATYPE_TextStream = com::GuidOf("6509BF2A-6E9F-41EF-AAF8-3697F2CD5051");
