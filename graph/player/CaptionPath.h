// The caption path of a player with a two-input video renderer: the video
// splits in the "Video Tee", the caption filter of the caption library
// ("capsift.dll", loaded by name and kept loaded) finds the Line 21 data, and
// the platform's Line 21 decoder draws it for the renderer's second input.
// Any failure shows its message and costs only the captions.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

namespace graph {

inline constexpr CLSID CLSID_Line21Decoder2 = com::GuidOf("E4206432-01A1-4BEE-B3E1-3702C8EDC574");

struct CaptionFilters {
  ComPtr<IBaseFilter> videoTee;
  ComPtr<IBaseFilter> ccParser;
  ComPtr<IBaseFilter> line21Decoder;
};

// Adds what it can of the path to `graph` behind `upstream` and returns the
// filters added (the tee whatever follows it). S_OK when the whole path
// stands.
HRESULT AddCaptionPath(IGraphBuilder* graph, IBaseFilter* upstream, CaptionFilters& added);

}  // namespace graph
