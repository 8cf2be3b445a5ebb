// Lets the once-a-second section poll (tables::IPacketBuffer) take sections
// from the section buffer filter's IPacketBuffer. The graph manager wires one
// adapter per live graph.
#pragma once

#include "filters/sectionbuffer/IPacketBuffer.h"
#include "platform/com/ComPtr.h"
#include "tables/poll/GraphTables.h"

namespace sectionbuffer {

class PacketBufferAdapter final : public tables::IPacketBuffer {
 public:
  // Holds a reference to the filter's interface while it lives.
  explicit PacketBufferAdapter(::IPacketBuffer* buffer) : buffer_(buffer) {}

  HRESULT GetNextSection(std::uint8_t** section, std::int32_t* length, std::int32_t* tuningSpace,
                         std::int32_t* physical, std::int32_t* modulation, std::int32_t* program,
                         std::int32_t* pid) override;

 private:
  ComPtr<::IPacketBuffer> buffer_;
};

}  // namespace sectionbuffer
