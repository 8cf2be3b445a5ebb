// The tuner's signal statistics, from the control node of its RF tuner node.
#pragma once

#include "platform/com/HResult.h"
#include "platform/media/Interfaces.h"

namespace graph {

// The tuner's signal quality in percent. Failures are traced and returned.
HRESULT ReadSignalQuality(IBaseFilter* tuner, long* quality);

// The tuner's answer to "locked?"; false when any step fails.
bool ReadSignalLocked(IBaseFilter* tuner);

}  // namespace graph
