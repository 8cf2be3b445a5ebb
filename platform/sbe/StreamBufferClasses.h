// The creatable classes of the stream-buffer engine: CLSID_StreamBufferSink,
// CLSID_StreamBufferSource and CLSID_StreamBufferConfig. The program calls RegisterClasses() once
// at start-up, beside the other platform classes; calling it again does no harm.
#pragma once

namespace sbe {

void RegisterClasses();

}  // namespace sbe
