// The framework's creatable classes: filter graph, system clock, memory
// allocator, system device enumerator and filter mapper.
// The program calls media::RegisterClasses() once at start-up so that
// CoCreateInstance finds them; calling it again does no harm.
#pragma once

#include "platform/com/ClassFactory.h"

namespace media {

void RegisterClasses();

}  // namespace media
