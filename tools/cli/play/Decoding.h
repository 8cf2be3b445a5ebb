// What "play --decode" and "watch --decode" share: the real player run
// headless (the platform's decoders, renderer kind 5 on a frame sink, or kind
// 6 with the caption path for captions; sound to a null renderer when
// unpaced), PNG snapshots each second of stream, the captions as text, and
// the report of what each decoder did.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "graph/player/PlayerGraph.h"

namespace cli {

// The player options of a headless run: the decoders named (the platform's
// when empty), no clock when `paced` is false, the caption path with captions
// on when `captions` is true.
graph::PlayerOptions HeadlessPlayerOptions(const std::u16string& videoDecoder,
                                           const std::u16string& audioDecoder, bool paced,
                                           bool captions = false);

// Saves "NNNNNN.png" into `folder` for the first picture of every second of
// stream, from the moment it is installed as the renderers' window (own
// window and video window of `window`) until it is destroyed.
class SecondSnapshots {
 public:
  SecondSnapshots(std::filesystem::path folder, graph::VideoWindowState& window);
  ~SecondSnapshots();
  SecondSnapshots(const SecondSnapshots&) = delete;
  SecondSnapshots& operator=(const SecondSnapshots&) = delete;

  int Saved() const;

 private:
  class Sink;
  std::shared_ptr<Sink> sink_;
  graph::VideoWindowState& window_;
};

// Prints a line for every caption page the player's Line 21 decoder sends:
// the stream time in seconds with three decimals, a blank, and the visible
// rows joined by " / " (nothing after the blank when the caption is cleared).
class CaptionLines {
 public:
  explicit CaptionLines(std::FILE* out) : out_(out) {}
  ~CaptionLines();
  CaptionLines(const CaptionLines&) = delete;
  CaptionLines& operator=(const CaptionLines&) = delete;

  // False when the player has no Line 21 decoder.
  bool Watch(graph::PlayerGraph& player);

 private:
  std::FILE* out_;
  std::mutex mutex_;
  std::string shown_;  // the rows on screen, as printed
  ComPtr<IBaseFilter> decoder_;
};

// Frames decoded so far by the player's video decoder (0 without one).
std::uint64_t VideoFramesDecoded(graph::PlayerGraph& player);

// Waits until the player graph reports its end (true), or until its video
// decoder has delivered nothing for a while (a list's live edge).
bool WaitForEnd(graph::PlayerGraph& player);

// One line per stream: frames decoded, the first and last times, and the
// decode errors.
void PrintDecoding(std::FILE* out, graph::PlayerGraph& player);

}  // namespace cli
