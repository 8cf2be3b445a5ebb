#include "filters/sectionbuffer/PacketBufferAdapter.h"

namespace sectionbuffer {

HRESULT PacketBufferAdapter::GetNextSection(std::uint8_t** section, std::int32_t* length,
                                            std::int32_t* tuningSpace, std::int32_t* physical,
                                            std::int32_t* modulation, std::int32_t* program,
                                            std::int32_t* pid) {
  if (!buffer_) return E_POINTER;
  return buffer_->GetNextSection(section, length, tuningSpace, physical, modulation, program, pid);
}

}  // namespace sectionbuffer
