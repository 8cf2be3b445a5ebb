#include "tools/cli/remux/RemuxRun.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "common/Utf16.h"
#include "filters/sink/Mpeg2Sink.h"
#include "filters/text/TextSource.h"
#include "filters/text/TextSourceAdapter.h"
#include "graph/ingest/ConnectFilters.h"
#include "graph/ingest/IngestGraph.h"
#include "platform/av/AvClasses.h"
#include "platform/av/VideoAnalyzer.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"
#include "tables/guide/GuideStore.h"
#include "tables/poll/PollSections.h"
#include "tools/cli/captions/TransportCaptions.h"
#include "tools/cli/psip/CaptureOnAir.h"
#include "tools/cli/psip/CaptureReceiver.h"
#include "tools/cli/psip/StreamGate.h"
#include "tools/cli/remux/StreamClock.h"
#include "tuning/scan/ChannelCollection.h"

namespace remux {
namespace {

struct Options {
  std::filesystem::path capture;
  std::string program;
  std::filesystem::path out;
  std::filesystem::path buffer;
  std::string seconds;
  // Where the capture is put on the air; only the channel records the
  // collection makes depend on it.
  psip::TuningText tuning;
};

int ParseOptions(std::span<const std::string> args, Options& o, std::FILE* err) {
  bool ok = true;
  for (std::size_t i = 0; i < args.size() && ok; ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--program" && hasValue) {
      o.program = args[++i];
    } else if (a == "--out" && hasValue) {
      o.out = args[++i];
    } else if (a == "--buffer" && hasValue) {
      o.buffer = args[++i];
    } else if (a == "--seconds" && hasValue) {
      o.seconds = args[++i];
    } else if (a == "--map" && hasValue) {
      o.tuning.map = args[++i];
    } else if (a == "--physical" && hasValue) {
      o.tuning.physical = args[++i];
    } else if (a == "--modulation" && hasValue) {
      o.tuning.modulation = args[++i];
    } else if (!a.starts_with("--") && o.capture.empty()) {
      o.capture = a;
    } else {
      ok = false;
    }
  }
  if (!ok || o.capture.empty() || o.program.empty() || o.out.empty() == o.buffer.empty()) {
    std::fprintf(err, "usage: corvane-cli remux %s\n", kRemuxUsage);
    return 2;
  }
  return 0;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

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

// The recording chain behind the ingest graph's demultiplexer.
class RecordingChain {
 public:
  HRESULT Build(graph::IngestGraph& ingest, const std::u16string& fileName, std::string* error) {
    graph_ = ingest.Graph();
    av::RegisterClasses();
    HRESULT hr = CoCreateInstance(CLSID_Mpeg2VideoStreamAnalyzer, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&analyzer_));
    if (FAILED(hr)) return Fail(hr, "Can't create mpeg-2 video stream analyzer filter", error);
    hr = graph_->AddFilter(analyzer_.Get(), u"Video Analyzer");
    if (FAILED(hr)) return Fail(hr, "Can't add video analyzer filter graph", error);
    hr = CreateMpeg2Sink(&sink_);
    if (SUCCEEDED(hr)) hr = graph_->AddFilter(sink_.Get(), u"MPEG-2 Sink");
    if (FAILED(hr)) return Fail(hr, "Can't add the MPEG-2 sink", error);
    CTextSource* text = nullptr;
    hr = CreateTextSource(&text);
    if (FAILED(hr)) return Fail(hr, "Can't create the text source", error);
    textSource_.Attach(text);
    hr = graph_->AddFilter(textSource_.Get(), u"Text Source");
    if (FAILED(hr)) return Fail(hr, "Can't add the text source", error);

    hr = graph::ConnectFilters(graph_, ingest.Demux(), analyzer_.Get());
    if (FAILED(hr)) return Fail(hr, "Can not connect demux to the video analyzer", error);
    hr = graph::ConnectFilters(graph_, analyzer_.Get(), sink_.Get());
    if (FAILED(hr)) return Fail(hr, "Can not connect the video analyzer to the MPEG-2 sink", error);
    hr = graph::ConnectFilters(graph_, ingest.Demux(), sink_.Get());
    if (FAILED(hr)) return Fail(hr, "Can not connect the demux audio to the MPEG-2 sink", error);
    hr = graph::ConnectFilters(graph_, textSource_.Get(), sink_.Get());
    if (FAILED(hr)) return Fail(hr, "Can not connect the text source to the MPEG-2 sink", error);

    ComPtr<IFileSinkFilter> fileSink = sink_.As<IFileSinkFilter>();
    if (!fileSink) return Fail(E_NOINTERFACE, "The MPEG-2 sink has no file name", error);
    hr = fileSink->SetFileName(fileName.c_str(), nullptr);
    if (hr != S_OK)
      return Fail(FAILED(hr) ? hr : E_FAIL, "Can't set the recording file name", error);
    ComPtr<::ITextSource> textInterface = textSource_.As<::ITextSource>();
    adapter_ = std::make_unique<text::TextSourceAdapter>(textInterface.Get());
    return S_OK;
  }

  void TearDown() {
    adapter_.reset();
    if (!graph_) return;
    for (IBaseFilter* filter :
         {static_cast<IBaseFilter*>(textSource_.Get()), sink_.Get(), analyzer_.Get()}) {
      if (filter) graph_->RemoveFilter(filter);
    }
    graph_ = nullptr;
  }

  tables::ITextSource* PollText() const { return adapter_.get(); }
  CTextSource* Text() const { return static_cast<CTextSource*>(textSource_.Get()); }
  CMPEG2Sink* Sink() const { return static_cast<CMPEG2Sink*>(sink_.Get()); }

 private:
  static HRESULT Fail(HRESULT hr, const char* what, std::string* error) {
    *error = std::string(what) + ". Error: " + com::ResultName(hr);
    return hr;
  }

  IFilterGraph2* graph_ = nullptr;
  ComPtr<IBaseFilter> analyzer_;
  ComPtr<IBaseFilter> sink_;
  ComPtr<IBaseFilter> textSource_;
  std::unique_ptr<text::TextSourceAdapter> adapter_;
};

// Waits (a little) until the text source has delivered a sample after `sent`.
void WaitForText(CTextSource& text, std::uint64_t sent) {
  using namespace std::chrono_literals;
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (text.OutputPin()->SamplesDelivered() <= sent &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
}

void PrintResult(std::FILE* out, CMPEG2Sink& sink, const std::filesystem::path& target,
                 const cli::VideoStream& streams, std::uint64_t seconds,
                 const tables::NowPlayingInfo& nowPlaying) {
  const psfile::SinkStats stats = sink.Core().Stats();
  std::fprintf(out, "programme %u: video PID 0x%04X, audio PID ", streams.programNumber,
               streams.pid);
  if (streams.audioPid >= 0) {
    std::fprintf(out, "0x%04X", static_cast<unsigned>(streams.audioPid));
  } else {
    std::fprintf(out, "none");
  }
  std::fprintf(out, ", %llu s of stream\n", static_cast<unsigned long long>(seconds));
  std::fprintf(out, "packs written: %llu, lost: %llu\n",
               static_cast<unsigned long long>(stats.packsWritten),
               static_cast<unsigned long long>(stats.packsLost));
  const std::u16string listPath = sink.Core().ListPath();
  if (target.extension() != ".lst") {
    std::fprintf(out, "file: %s\n", target.string().c_str());
  } else {
    std::fprintf(out, "list: %s\n", common::ToUtf8(listPath).c_str());
    const psfile::ChunkList list = sink.Core().List();
    for (std::int32_t index = list.oldest; index <= list.newest; ++index) {
      const psfile::ChunkSlot& slot = list.Slot(index);
      if (slot.state == psfile::kSlotLive)
        std::fprintf(out, "chunk: %s\n", common::ToUtf8(slot.Path()).c_str());
    }
  }
  const std::string title = common::ToUtf8(common::FieldView(nowPlaying.title));
  if (!title.empty()) std::fprintf(out, "now playing: %s\n", title.c_str());
}

}  // namespace

int RunRemux(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (const int code = ParseOptions(args, o, err)) return code;

  const auto programNumber = psip::ParseInt(o.program);
  if (!programNumber || *programNumber < 1 || *programNumber > 0xFFFF)
    return Fail(err, "programme number \"" + o.program + "\" is not 1-65535");
  std::optional<int> seconds;
  if (!o.seconds.empty()) {
    seconds = psip::ParseInt(o.seconds);
    if (!seconds || *seconds < 1) return Fail(err, "--seconds wants a whole number of seconds");
  }
  psip::CaptureReceiver receiver;
  std::string error;
  if (!receiver.Prepare(o.capture, o.tuning, &error)) return Fail(err, error);

  // The programme's PIDs, known before the tune as the program knows a
  // channel's from its record.
  cli::VideoStream streams;
  {
    std::ifstream in(o.capture, std::ios::binary);
    cli::FileChunks chunks(in);
    switch (cli::FindVideoStream(chunks, static_cast<unsigned>(*programNumber), streams)) {
      case cli::FindVideoResult::kFound:
        break;
      case cli::FindVideoResult::kProgramNotInPat:
        return Fail(err, "programme " + o.program + " is not in the capture's PAT");
      case cli::FindVideoResult::kNotFound:
        return Fail(err, "programme " + o.program + " has no MPEG-2 video in the capture");
    }
  }

  const std::filesystem::path target = o.out.empty() ? o.buffer : o.out;
  std::error_code ec;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  if (!receiver.Build(&error)) return Fail(err, error);
  graph::IngestGraph& ingest = receiver.Ingest();
  // A recording file without a list makes the sink keep its list in the
  // current folder, as the program's does; the command leaves no such file
  // behind that was not there before.
  const std::filesystem::path defaultList{std::u16string(psfile::kDefaultListName)};
  const bool strayList = target.extension() != ".lst" && !std::filesystem::exists(defaultList, ec);
  RecordingChain chain;
  HRESULT hr = chain.Build(ingest, common::FromUtf8(target.string()), &error);
  if (SUCCEEDED(hr)) {
    hr = ingest.Provider()->MapStreamPids(streams.streamType, streams.audioStreamType, streams.pid,
                                          streams.audioPid, streams.pcrPid, FALSE);
    if (FAILED(hr)) error = "cannot map the programme's PIDs: " + com::ResultName(hr);
  }
  if (FAILED(hr)) {
    chain.TearDown();
    return Fail(err, error);
  }

  auto channels = std::make_unique<tuning::ChannelList>();
  auto received = std::make_unique<tables::ProgramTables>();
  received->channels = channels.get();
  tables::GraphTables graph;
  receiver.Wire(graph);
  graph.textSource = chain.PollText();
  // The scan runs until the programme's channel exists, so VCTs make it.
  graph.scanRunning = receiver.Physical();

  // The graph's clock follows the stream: the sink's stream time (its chunk
  // rollover) and the text source's second are seconds of the capture.
  ComPtr<StreamClock> clock(new StreamClock);
  ComPtr<IMediaFilter> graphFilter = ComPtr<IFilterGraph2>(ingest.Graph()).As<IMediaFilter>();
  if (graphFilter) graphFilter->SetSyncSource(clock.Get());

  bool watching = false;
  std::uint64_t streamSeconds = 0;
  // Seconds recorded so far, on a terminal only.
  const bool progress = isatty(fileno(err)) != 0;
  const bool ran = receiver.Run(
      [&](const psip::GatePosition& position) {
        if (!watching && position.stop != psip::GateStop::kStart) {
          tables::TableContext ctx{received->sections, *channels, graph};
          tuning::CollectChannels(ctx, receiver.Where());
          watching = WatchProgram(*channels, static_cast<unsigned>(*programNumber),
                                  receiver.Where().physical, graph);
          if (watching) graph.scanRunning = 0;
        }
        tables::PollSections(*received, graph);
        if (position.seconds > streamSeconds) {
          // The second is complete: the text source sends the record just set.
          const std::uint64_t sent = chain.Text()->OutputPin()->SamplesDelivered();
          clock->SetTime(chain.Sink()->StartTime() +
                         static_cast<REFERENCE_TIME>(position.seconds) * 10'000'000);
          WaitForText(*chain.Text(), sent);
          streamSeconds = position.seconds;
          if (progress) {
            std::fprintf(err, "\rrecording: %llu s",
                         static_cast<unsigned long long>(streamSeconds));
            std::fflush(err);
          }
        }
        return seconds ? position.seconds < static_cast<std::uint64_t>(*seconds)
                       : position.stop != psip::GateStop::kPassEnd;
      },
      &error);
  if (progress) std::fprintf(err, "\n");
  ingest.Stop();  // the sink ends its file with the program end code
  if (ran) PrintResult(out, *chain.Sink(), target, streams, streamSeconds, graph.nowPlaying);
  const std::uint64_t lost = chain.Sink()->Core().Stats().packsLost;
  chain.TearDown();
  receiver.TearDown();
  if (strayList) std::filesystem::remove(defaultList, ec);
  if (!ran) return Fail(err, error);
  if (lost > 0) return Fail(err, std::to_string(lost) + " packs could not be written (disk full?)");
  return 0;
}

}  // namespace remux
