// The graph manager of one tuner: it owns the tuner graph (network provider,
// tuner chain, demultiplexer, section buffer and, buffered, the tee, the
// transport dump and the list-buffer chain), hands the player states to the
// player steps, and moves both through the state machine. Its graph thread
// carries out tune and state requests posted from other threads, so the
// user-interface thread never waits for a tuner.
//
// Locks: the graph lock (recursive) is held by every state change and every
// tune; the tune requests' own small lock is never held while calling out;
// the channel-list lock is taken last, inside the graph lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "graph/buffer/BufferChain.h"
#include "graph/buffer/StreamBufferChain.h"
#include "graph/ingest/IngestGraph.h"
#include "graph/manager/GraphMessages.h"
#include "graph/manager/GraphNotify.h"
#include "graph/manager/GraphStateMachine.h"
#include "graph/manager/GraphSteps.h"
#include "graph/manager/GraphThread.h"
#include "graph/manager/PlayerSteps.h"
#include "graph/manager/TuneRequests.h"
#include "tables/poll/GraphTables.h"
#include "tables/poll/PollSections.h"
#include "tuning/ChannelList.h"

namespace graph {

// What a graph is made for: its tuner and the settings its builds read.
struct GraphConfig {
  std::u16string friendlyName;
  std::u16string devicePath;  // the tuner's display name
  tuning::ChannelLocator currentChannel;
  std::filesystem::path bufferFolder;
  std::filesystem::path recordFolder;
  std::uint8_t recordFormat = 0;  // 0 list buffer, 1 stream buffer; others add no buffer sink
  bool recordTransportStream = false;
  int tagNumber = 1;  // "T%d"
};

// What a graph works with: the channel list and the program's tables (shared
// by every graph), the windows, and this graph's player (null: no player
// states).
struct GraphServices {
  tuning::ChannelList* channels = nullptr;
  tables::ProgramTables* tables = nullptr;
  IGraphMessageTarget* target = nullptr;
  IPlayerSteps* player = nullptr;
};

class CBDAFilterGraph : private IGraphSteps {
 public:
  // Starts the graph thread; throws std::runtime_error with "Could not create
  // thread" or "Timeout waiting for thread to start".
  CBDAFilterGraph(GraphConfig config, GraphServices services);
  // Takes the graphs down on the calling thread, then ends the graph thread.
  ~CBDAFilterGraph() override;
  CBDAFilterGraph(const CBDAFilterGraph&) = delete;
  CBDAFilterGraph& operator=(const CBDAFilterGraph&) = delete;

  // Moves to tunerState + playerState under the graph lock (see
  // GraphStateMachine for the rows).
  HRESULT RequestGraphState(std::uint8_t tunerState, std::uint8_t playerState);
  // The same, carried out on the graph thread.
  HRESULT PostGraphState(std::uint8_t tunerState, std::uint8_t playerState);

  // Queues a tune to `locator` on the graph thread; with `remember` it
  // becomes the current channel at once. A burst ends in one tune.
  HRESULT TuneRequest(const tuning::ChannelLocator& locator, bool remember);
  // Before a recording: `locator` becomes the current channel, the tunes
  // still queued are forgotten, and a running tuner graph is tuned to it on
  // the calling thread, so the recording file begins on that channel.
  HRESULT TuneForRecording(const tuning::ChannelLocator& locator);
  // The title the next recording file is named from.
  void SetRecordingTitle(std::u16string title);
  std::u16string RecordingTitle() const;

  // A scan tune: the physical channel only, on the scan band, not remembered.
  HRESULT TunePhysical(std::uint8_t physical, std::uint8_t channelMap, std::uint8_t modulation);

  // Who started the recording (1 the user, 2 a timer, 0 none); set with the
  // title before asking for 48, back to 0 when it stops.
  void SetRecordingOrigin(std::uint8_t origin);
  // The file of the running recording, empty when none runs.
  std::filesystem::path RecordingPath() const;
  std::uint8_t RecordingOrigin() const;

  // The once-a-second work: the section poll (with the now-playing record and
  // the PID filter), the signal quality, and, while recording, the end of a
  // recording whose file cannot be written any more or whose tuner stream
  // has ended, and the watch on the tuner's lock.
  void MonitorTick();

  // True while a scan runs on this graph, with the scan channel.
  std::atomic<int>& ScanChannel() { return tables_.scanRunning; }
  bool SignalLocked();

  TunerState Tuner() const { return machine_.Tuner(); }
  PlayerState Player() const { return machine_.Player(); }
  tuning::ChannelLocator CurrentChannel() const { return tunes_.Current(); }
  std::int32_t SignalQuality() const { return signalQuality_; }
  const std::string& Tag() const { return tag_; }
  // The live buffer: the list file, or the stream buffer's stub (".tmp"),
  // which the player loads into the "StreamBufferSource" (CoCreateInstance
  // of CLSID_StreamBufferSource once sbe::RegisterClasses() has run), giving
  // it StreamBufferKey() through IStreamBufferInitialize.
  const std::u16string& BufferPath() const { return bufferPath_; }
  HKEY StreamBufferKey() const { return streamBuffer_.Key(); }
  const GraphConfig& Config() const { return config_; }
  IngestGraph& Ingest() { return ingest_; }
  tables::GraphTables& Tables() { return tables_; }

 private:
  void OnThreadMessage(GraphThreadMessage& message);
  void Tune(const tuning::ChannelLocator& locator);
  void Report(const std::string& message);
  void Wire();
  HRESULT BuildBufferSink();
  HRESULT StartStreamBufferRecording(const std::u16string& base);
  CMPEG2Sink* BufferSink() const;
  void EndUnwritableRecording();
  void EndRecordingOfEndedStream();
  void ReportEndedStream();
  void WatchRecordingSignal();
  ComPtr<IMediaControl> Control();

  // IGraphSteps over the real graphs.
  HRESULT BuildTunerGraph(TunerState mode) override;
  HRESULT RunTunerGraph() override;
  HRESULT StopTunerGraph() override;
  void TearDownTunerGraph() override;
  HRESULT BuildPlayer(PlayerState kind) override;
  HRESULT RunPlayer() override;
  HRESULT StopPlayer() override;
  HRESULT TearDownPlayer() override;
  HRESULT StartRecording() override;
  HRESULT StopRecording() override;

  GraphConfig config_;
  GraphServices services_;
  std::string tag_;
  mutable std::recursive_mutex lock_;
  IngestGraph ingest_;
  BufferChain buffer_;
  StreamBufferChain streamBuffer_;
  std::uint8_t graphRecordFormat_ = 0;  // recordFormat when the buffered graph was built
  GraphNotify notify_;
  GraphNotify playerNotify_;
  std::u16string bufferPath_;
  tables::GraphTables tables_;
  std::int32_t signalQuality_ = 0;
  std::u16string recordingTitle_;
  std::uint8_t recordingOrigin_ = 0;
  std::filesystem::path recordingPath_;
  bool writeFailureReported_ = false;  // for the running recording
  // While recording: since when the tuner has had no lock (empty: locked),
  // and whether the user was told.
  std::optional<std::chrono::steady_clock::time_point> signalLostSince_;
  std::time_t signalLostAt_ = 0;
  bool signalLossReported_ = false;
  bool streamEndReported_ = false;  // for the tuner graph built last
  GraphStateMachine machine_{*this};
  TuneRequests tunes_;
  std::unique_ptr<GraphThread> thread_;
};

}  // namespace graph
