#include "graph/capture/CaptureRecorder.h"

#include <memory>

#include "common/Utf16.h"
#include "graph/capture/StreamClock.h"
#include "platform/com/HResult.h"
#include "tables/collect/ChannelCollection.h"
#include "tables/poll/PollSections.h"

namespace graph {
namespace {

// The sink's write size for the recording: a few hundred packs per write.
constexpr std::size_t kWriteBatch = 256 * 1024;

// Finds the channel record the collection made for `program` on the tuned
// multiplex and makes it the watched channel; false while there is none yet.
bool WatchProgram(tuning::ChannelList& channels, unsigned program, std::uint8_t physical,
                  tables::GraphTables& graph) {
  auto lock = channels.Acquire();
  for (auto& [key, node] : channels) {
    if (node.record.programNumber != program || node.record.locator.physical() != physical)
      continue;
    graph.currentKey1 = node.key1();
    graph.currentKey2 = node.key2();
    return true;
  }
  return false;
}

}  // namespace

CaptureRecorder::~CaptureRecorder() {
  TearDown();
}

bool CaptureRecorder::Build(CaptureReceiver& receiver, const VideoStream& streams,
                            const std::filesystem::path& target, std::string* error) {
  std::error_code ec;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  if (!receiver.Build(error)) return false;
  receiver_ = &receiver;
  streams_ = streams;
  // A recording file without a list makes the sink keep its list in the
  // current folder, as the program's does; the recorder leaves no such file
  // behind that was not there before.
  const std::filesystem::path defaultList{std::u16string(filters::kDefaultListName)};
  if (target.extension() != ".lst" && !std::filesystem::exists(defaultList, ec))
    strayList_ = defaultList;
  IngestGraph& ingest = receiver.Ingest();
  HRESULT hr = chain_.Build(ingest, common::FromUtf8(target.string()), error);
  if (SUCCEEDED(hr)) {
    // Nothing reads the files while they grow, so the sink may gather its
    // packs into fewer, larger writes.
    chain_.Sink()->Core().SetWriteBatch(kWriteBatch);
    hr = ingest.Provider()->MapStreamPids(streams.streamType, streams.audioStreamType, streams.pid,
                                          streams.audioPid, streams.pcrPid, FALSE);
    if (FAILED(hr)) *error = "cannot map the programme's PIDs: " + com::ResultName(hr);
  }
  if (FAILED(hr)) {
    chain_.TearDown();
    strayList_.reset();  // only a recording run cleans up after the sink
    return false;
  }
  return true;
}

bool CaptureRecorder::Run(std::optional<std::uint64_t> seconds,
                          const std::function<void(std::uint64_t)>& onSecond, std::string* error) {
  if (receiver_ == nullptr) {
    *error = "the recording graph is not built";
    return false;
  }
  CaptureReceiver& receiver = *receiver_;
  IngestGraph& ingest = receiver.Ingest();
  auto channels = std::make_unique<tuning::ChannelList>();
  auto received = std::make_unique<tables::ProgramTables>();
  received->channels = channels.get();
  tables::GraphTables graph;
  receiver.Wire(graph);
  graph.textSource = chain_.PollText();
  // The scan runs until the programme's channel exists, so VCTs make it.
  graph.scanRunning = receiver.Physical();

  // The graph's clock follows the stream: the sink's stream time (its chunk
  // rollover) and the text source's second are seconds of the capture.
  ComPtr<StreamClock> clock(new StreamClock);
  ComPtr<IMediaFilter> graphFilter = ComPtr<IFilterGraph2>(ingest.Graph()).As<IMediaFilter>();
  if (graphFilter) graphFilter->SetSyncSource(clock.Get());
  chain_.Text()->OutputPin()->SetDrivenByCaller(true);

  bool watching = false;
  std::uint64_t streamSeconds = 0;
  const bool ran = receiver.Run(
      [&](const GatePosition& position) {
        if (!watching && position.stop != GateStop::kStart) {
          tables::TableContext ctx{received->sections, *channels, graph};
          tables::CollectChannels(ctx, receiver.Where());
          watching =
              WatchProgram(*channels, streams_.programNumber, receiver.Where().physical, graph);
          if (watching) graph.scanRunning = 0;
        }
        tables::PollSections(*received, graph);
        if (position.seconds > streamSeconds) {
          // The second is complete: the text source sends the record just set,
          // from this thread.
          clock->SetTime(chain_.Sink()->StartTime() +
                         static_cast<REFERENCE_TIME>(position.seconds) * 10'000'000);
          chain_.Text()->OutputPin()->DeliverNow();
          streamSeconds = position.seconds;
          if (onSecond) onSecond(streamSeconds);
        }
        return seconds ? position.seconds < *seconds : position.stop != GateStop::kPassEnd;
      },
      error);
  ingest.Stop();  // the sink ends its file with the program end code

  const filters::Mpeg2SinkCore& sink = chain_.Sink()->Core();
  outcome_.seconds = streamSeconds;
  outcome_.stats = sink.Stats();
  outcome_.listPath = sink.ListPath();
  const filters::ChunkList list = sink.List();
  for (std::int32_t index = list.oldest; index <= list.newest; ++index) {
    const filters::ChunkSlot& slot = list.Slot(index);
    if (slot.state == filters::kSlotLive) outcome_.chunks.emplace_back(slot.Path());
  }
  outcome_.nowPlaying = graph.nowPlaying;
  TearDown();
  return ran;
}

void CaptureRecorder::TearDown() {
  chain_.TearDown();
  if (receiver_) receiver_->TearDown();
  receiver_ = nullptr;
  std::error_code ec;
  if (strayList_) std::filesystem::remove(*strayList_, ec);
  strayList_.reset();
}

}  // namespace graph
