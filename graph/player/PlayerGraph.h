// The player of one graph manager: the chain that turns a stream into picture
// and sound, and the controls of playback.
//
// Kinds: the live player (1) inside the tuner graph, fed by its "Demux"; the
// time-shift player (2) and the file player (3) in a player graph of their
// own, fed by the source that reads the buffer or the playback file.
//
// Build order: source, caption path (kinds 6 and 7), video decoder, audio
// decoder (straight from the source), video renderer of the chosen kind,
// caption input, audio renderer with the volume, text renderer. A failure
// removes what was built, in the order of teardown, and the player is none.
// Teardown removes the audio renderer, the video renderer, the audio decoder,
// the video decoder, the caption filters (by their slots), then the source
// and the text renderer, and detaches the event notification.
//
// A time-shift player starts at the live position (the buffer may hold hours
// from before this player); a file player starts at the beginning.
//
// Controls may come from another thread than the builds; an own lock keeps
// them off a half-built player.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "common/VideoLayout.h"
#include "graph/manager/PlayerSteps.h"
#include "graph/player/CaptionPath.h"
#include "graph/player/PlaybackSource.h"
#include "graph/player/VideoWindow.h"
#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

namespace graph {

// What the player's builds read from the settings.
struct PlayerOptions {
  std::u16string videoDecoder;  // moniker display names
  std::u16string audioDecoder;
  std::uint32_t rendererKind = 5;
  bool captionsOn = false;
  std::int32_t volume = 20;  // 0 to 20
  bool muted = false;
  common::VideoRect area;  // where the video goes in the video window
  common::Overscan overscan;
  // The audio renderer's class: the sound card's, or a null renderer for a
  // tool that reads faster than real time.
  CLSID audioRenderer{};
  // False: the player graph runs without a clock, as fast as it decodes.
  bool paced = true;
};

enum class PlayerRunState : std::uint8_t { kStopped = 0, kPaused = 1, kRunning = 2 };

// Where playback is and what it can reach, in 100 ns units.
struct PlayerPosition {
  LONGLONG current = 0;
  LONGLONG earliest = 0;
  LONGLONG latest = 0;
};

class PlayerGraph : public IPlayerSteps {
 public:
  explicit PlayerGraph(VideoWindowState& window);
  ~PlayerGraph() override;
  PlayerGraph(const PlayerGraph&) = delete;
  PlayerGraph& operator=(const PlayerGraph&) = delete;

  void SetOptions(const PlayerOptions& options);
  // The file the file player reads (the open-file command's choice).
  void SetPlaybackFile(std::u16string path);
  std::u16string PlaybackFile() const;

  // IPlayerSteps
  HRESULT Build(PlayerState kind, IFilterGraph2* tunerGraph, const std::u16string& path) override;
  HRESULT Run() override;
  HRESULT Stop() override;
  HRESULT TearDown() override;
  HRESULT JumpToLive() override;

  HRESULT Pause();
  // Moves to earliest + (latest - earliest) * numerator / denominator.
  HRESULT SeekToFraction(LONGLONG numerator, LONGLONG denominator);
  // Moves to an absolute position.
  HRESULT SeekTo(LONGLONG position);
  HRESULT SetRate(double rate);
  double Rate();
  HRESULT GetPosition(PlayerPosition* position);
  // The volume (0 to 20) and mute through the audio renderer.
  HRESULT SetVolume(std::int32_t volume, bool muted);
  // The end of a played file: the player pauses and remembers it.
  void EndOfFile();
  // Reads the renderer's native video format again and lays the picture out
  // in `area` (the video window resized, the picture's size changed).
  void LayOut(const common::VideoRect& area);

  PlayerState Kind() const;
  PlayerRunState RunState() const;
  bool AtEndOfFile() const;
  // The filters, for readers of their statistics; null when absent.
  ComPtr<IBaseFilter> VideoDecoder() const;
  ComPtr<IBaseFilter> AudioDecoder() const;
  // The caption path's Line 21 decoder (renderer kinds 6 and 7).
  ComPtr<IBaseFilter> Line21Decoder() const;
  ComPtr<IGraphBuilder> Graph() const override;
  VideoRendererSlot Video() const;

 private:
  HRESULT BuildChain(IBaseFilter* upstream);
  HRESULT AddVideoDecoder(IBaseFilter* upstream);
  HRESULT AddAudioDecoder(IBaseFilter* upstream);
  HRESULT AddAudioRenderer();
  HRESULT AddTextRenderer();
  void RemoveChain();
  void RemoveFilter(ComPtr<IBaseFilter>& filter);
  ComPtr<IMediaSeeking> Seeking() const;
  ComPtr<IMediaControl> Control() const;

  mutable std::recursive_mutex lock_;
  VideoWindowState& window_;
  PlayerOptions options_;
  std::u16string playbackFile_;

  PlayerState kind_ = PlayerState::kNone;
  PlayerRunState runState_ = PlayerRunState::kStopped;
  bool endOfFile_ = false;
  ComPtr<IGraphBuilder> graph_;  // the player graph, or the tuner graph for kind 1
  SourceKind sourceKind_ = SourceKind::kNone;
  ComPtr<IBaseFilter> source_;
  CaptionSlots captions_;
  ComPtr<IBaseFilter> videoDecoder_;
  ComPtr<IBaseFilter> audioDecoder_;
  VideoRendererSlot video_;
  ComPtr<IBaseFilter> audioRenderer_;
  ComPtr<IBaseFilter> textRenderer_;
};

}  // namespace graph
