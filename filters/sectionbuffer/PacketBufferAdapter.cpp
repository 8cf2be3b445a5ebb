#include "filters/sectionbuffer/PacketBufferAdapter.h"

#include "common/TsConstants.h"
#include "platform/com/TaskMemory.h"

namespace filters {

std::optional<tables::ReceivedSection> PacketBufferAdapter::TakeNextSection() {
  if (!buffer_) return std::nullopt;
  BYTE* bytes = nullptr;
  LONG length = 0, tuningSpace = 0, physical = 0, modulation = 0, program = 0, pid = 0;
  if (FAILED(buffer_->GetNextSection(&bytes, &length, &tuningSpace, &physical, &modulation,
                                     &program, &pid))) {
    return std::nullopt;
  }
  tables::ReceivedSection received;
  if (bytes && length > 0) received.bytes.assign(bytes, bytes + length);
  CoTaskMemFree(bytes);
  received.tag.tuningSpace = static_cast<std::uint8_t>(tuningSpace);
  received.tag.physical = static_cast<std::uint8_t>(physical);
  received.tag.modulation = static_cast<std::uint16_t>(modulation);
  received.tag.pid = static_cast<std::uint16_t>(pid & common::kMaxPid);
  received.program = program;
  return received;
}

}  // namespace filters
