// Lets the once-a-second section poll (tables::ITextSource) hand the
// now-playing record to the text source filter's ITextSource. The graph
// manager wires one adapter per live graph that has a text source.
#pragma once

#include "filters/text/TextInterfaces.h"
#include "platform/com/ComPtr.h"
#include "tables/poll/GraphTables.h"

namespace filters {

class TextSourceAdapter final : public tables::ITextSource {
 public:
  // Holds a reference to the filter's interface while it lives.
  explicit TextSourceAdapter(::ITextSource* source) : source_(source) {}

  bool SetText(const tables::NowPlayingInfo& info) override {
    return source_ && SUCCEEDED(source_->SetText(&info));
  }

 private:
  ComPtr<::ITextSource> source_;
};

}  // namespace filters
