// The caption path of a player chain (renderer kinds with a second input):
// the "Video Tee" splits the video, the caption parser of "capsift.dll"
// takes the Line 21 pairs out of it, and the "Line 21 Decoder 2" draws them
// into the renderer's second input.
//
// A failure shows its message in the error box and removes every caption
// filter this call added, so the video decoder connects to the upstream
// filter as it would without captions: only the captions are lost.
// Removal goes by the filter slots, whatever renderer kind the graph has by
// then, and clears each slot.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

namespace graph {

// The caption filters of a graph manager.
struct CaptionSlots {
  ComPtr<IBaseFilter> videoTee;
  ComPtr<IBaseFilter> ccParser;
  ComPtr<IBaseFilter> line21Decoder;
};

// Adds and connects the caption filters after `upstream` and sets the
// captions on or off. On success the video decoder is to take its video
// from `slots.videoTee`. `libraryName` is the file name the caption library
// is loaded by.
HRESULT AddCaptionPath(IFilterGraph* graph, IBaseFilter* upstream, bool captionsOn,
                       CaptionSlots& slots, const char* libraryName = "capsift.dll");

// Connects the Line 21 decoder to the renderer's second input; S_FALSE
// without a caption path.
HRESULT ConnectCaptionRenderer(IFilterGraph* graph, const CaptionSlots& slots,
                               IBaseFilter* renderer);

// Turns the Line 21 decoder's service on or off (having read its level).
HRESULT SetCaptions(const CaptionSlots& slots, bool on);

// Removes the Line 21 decoder, the caption parser and the "Video Tee" that
// the slots hold, and clears the slots.
void RemoveCaptionPath(IFilterGraph* graph, CaptionSlots& slots);

}  // namespace graph
