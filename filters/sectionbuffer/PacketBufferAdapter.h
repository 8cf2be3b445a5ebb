// Lets the once-a-second section poll (tables::IPacketBuffer) take sections
// from the section buffer filter's IPacketBuffer: each section is copied out
// of its task-memory buffer into a plain value and the buffer freed. The
// graph manager wires one adapter per live graph.
#pragma once

#include "filters/sectionbuffer/IPacketBuffer.h"
#include "platform/com/ComPtr.h"
#include "tables/poll/GraphTables.h"

namespace filters {

class PacketBufferAdapter final : public tables::IPacketBuffer {
 public:
  // Holds a reference to the filter's interface while it lives.
  explicit PacketBufferAdapter(::IPacketBuffer* buffer) : buffer_(buffer) {}

  std::optional<tables::ReceivedSection> TakeNextSection() override;

 private:
  ComPtr<::IPacketBuffer> buffer_;
};

}  // namespace filters
