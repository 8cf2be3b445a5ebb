// A player graph for the source filter tests: "MPEG-2 Source" with a capture
// renderer on each of its three pins, no reference clock (samples render as
// soon as they arrive), and what the reader core itself reads from the same
// file, as the reference the delivered samples are compared with.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "filters/source/Mpeg2Source.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaGuids.h"
#include "tests/support/CaptureRenderer.h"

namespace filters::test {

struct SourceGraph {
  ComPtr<CFilterGraph> graph{new CFilterGraph};
  ComPtr<CMPEG2Source> source;
  std::array<ComPtr<CCaptureRenderer>, 3> renderers;

  SourceGraph() {
    HRESULT hr = S_OK;
    source = new CMPEG2Source(&hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(graph->AddFilter(source.Get(), u"MPEG-2 Source"), S_OK);
    graph->SetSyncSource(nullptr);
  }
  ~SourceGraph() { graph->Stop(); }

  HRESULT Load(const std::u16string& path) { return source->Load(path.c_str(), nullptr); }

  // A capture renderer per pin, each taking only its pin's major type.
  void ConnectAll() {
    const GUID majors[] = {MEDIATYPE_Video, MEDIATYPE_Audio, MEDIATYPE_TextStream};
    const char16_t* names[] = {u"Video Renderer", u"Audio Renderer", u"Text Renderer"};
    for (std::size_t k = 0; k < renderers.size(); ++k) {
      HRESULT hr = S_OK;
      renderers[k] = new CCaptureRenderer(&hr, majors[k]);
      ASSERT_EQ(graph->AddFilter(renderers[k].Get(), names[k]), S_OK);
      ASSERT_EQ(graph->ConnectDirect(source->GetPin(static_cast<int>(k)), renderers[k]->GetPin(0),
                                     nullptr),
                S_OK);
    }
  }
  CCaptureRenderer& Renderer(PinType stream) {
    return *renderers[static_cast<std::size_t>(stream) - 1];
  }
};

// One payload as the core hands it out.
struct ExpectedPayload {
  std::vector<std::uint8_t> bytes;
  bool hasPts = false;
  std::int64_t pts100 = 0;
};

// Every payload of a stream that the core reads from `path` after seeking to
// `position`, up to the end of a file or of the newest chunk.
std::vector<ExpectedPayload> CorePayloads(const std::u16string& path, PinType stream,
                                          std::int64_t position = 0);

// The same payloads' bytes, concatenated.
std::vector<std::uint8_t> CoreBytes(const std::u16string& path, PinType stream);

}  // namespace filters::test
