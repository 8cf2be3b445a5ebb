// What "play --decode" and "watch --decode" share: the real player run
// headless (the platform's decoders, renderer kind 5 on a frame sink, sound
// to a null renderer), PNG snapshots each second of stream, and the report of
// what each decoder did.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "graph/player/PlayerGraph.h"

namespace cli {

// The player options of a headless run: the decoders named (the platform's
// when empty), no clock when `paced` is false.
graph::PlayerOptions HeadlessPlayerOptions(const std::u16string& videoDecoder,
                                           const std::u16string& audioDecoder, bool paced);

// Saves "NNNNNN.png" into `folder` for the first picture of every second of
// stream, from the moment it is installed as the renderer's window until it
// is destroyed.
class SecondSnapshots {
 public:
  explicit SecondSnapshots(std::filesystem::path folder);
  ~SecondSnapshots();
  SecondSnapshots(const SecondSnapshots&) = delete;
  SecondSnapshots& operator=(const SecondSnapshots&) = delete;

  int Saved() const;

 private:
  class Sink;
  std::shared_ptr<Sink> sink_;
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
