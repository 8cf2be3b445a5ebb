#include "graph/manager/CBDAFilterGraph.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "common/Utf16.h"
#include "graph/manager/StreamMapping.h"
#include "graph/manager/TunerSignal.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "recording/naming/RecordingName.h"

namespace graph {
namespace {

constexpr auto kStopWait = std::chrono::milliseconds(1000);

// The list-buffer name: the buffer folder and the 32 hexadecimal digits of a
// new identity.
std::u16string NewListName(const std::filesystem::path& folder) {
  const GUID id = com::NewGuid();
  char name[40];
  std::snprintf(name, sizeof name, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X.lst",
                static_cast<unsigned>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
  return common::FromUtf8((folder / name).string());
}

std::string WithResult(const char* format, HRESULT hr) {
  char text[256];
  std::snprintf(text, sizeof text, format, com::ResultName(hr).c_str());
  return text;
}

}  // namespace

CBDAFilterGraph::CBDAFilterGraph(GraphConfig config, GraphServices services)
    : config_(std::move(config)), services_(services) {
  tag_ = "T" + std::to_string(config_.tagNumber);
  tunes_.SetCurrent(config_.currentChannel);
  tables_.recordTransportStream = config_.recordTransportStream;
  thread_ = std::make_unique<GraphThread>([this](GraphThreadMessage& m) { OnThreadMessage(m); });
}

CBDAFilterGraph::~CBDAFilterGraph() {
  // The graphs go down on this thread (windows of the player belong to it),
  // then the thread ends; tunes still queued find no tuner graph.
  {
    std::lock_guard lock(lock_);
    machine_.RequestGraphState(0, 0);
  }
  thread_->Stop();
}

HRESULT CBDAFilterGraph::RequestGraphState(std::uint8_t tunerState, std::uint8_t playerState) {
  std::lock_guard lock(lock_);
  return machine_.RequestGraphState(tunerState, playerState);
}

HRESULT CBDAFilterGraph::PostGraphState(std::uint8_t tunerState, std::uint8_t playerState) {
  GraphThreadMessage message;
  message.id = ThreadMessage::WM_GRAPH_COMMAND;
  message.tunerState = tunerState;
  message.playerState = playerState;
  return thread_->Post(std::move(message)) ? S_OK : E_FAIL;
}

HRESULT CBDAFilterGraph::TuneRequest(const tuning::ChannelLocator& locator, bool remember) {
  return tunes_.Post(*thread_, locator, remember);
}

HRESULT CBDAFilterGraph::TuneForRecording(const tuning::ChannelLocator& locator) {
  std::lock_guard lock(lock_);
  tunes_.SetCurrent(locator);
  tunes_.DiscardPending();
  Tune(locator);  // does nothing without a tuner graph: the run tunes the current channel
  return S_OK;
}

void CBDAFilterGraph::SetRecordingTitle(std::u16string title) {
  std::lock_guard lock(lock_);
  recordingTitle_ = std::move(title);
}

std::u16string CBDAFilterGraph::RecordingTitle() const {
  std::lock_guard lock(lock_);
  return recordingTitle_;
}

HRESULT CBDAFilterGraph::TunePhysical(std::uint8_t physical, std::uint8_t channelMap,
                                      std::uint8_t modulation) {
  return TuneRequest(tuning::ChannelLocator::Make(physical, tuning::kNoNumber, tuning::kNoNumber,
                                                  channelMap, modulation),
                     false);
}

void CBDAFilterGraph::OnThreadMessage(GraphThreadMessage& message) {
  if (message.id == ThreadMessage::WM_GRAPH_COMMAND) {
    RequestGraphState(message.tunerState, message.playerState);
    return;
  }
  // Only the newest of the queued tunes runs; every block is freed with its
  // message. The graph lock is taken first, so a tune that a recording's own
  // tune has discarded meanwhile cannot run after it.
  std::lock_guard lock(lock_);
  if (tunes_.TakeNewest()) Tune(*message.locator);
}

void CBDAFilterGraph::Tune(const tuning::ChannelLocator& locator) {
  std::lock_guard lock(lock_);
  // A tune needs a tuner graph; one that arrives after the graph went down
  // (a file opened, the program ending) has nothing to tune.
  if (machine_.Tuner() == TunerState::kNone) return;
  if (machine_.Player() == PlayerState::kPlayerTimeShift && services_.player)
    services_.player->JumpToLive();

  filters::CNetworkProvider* provider = ingest_.Provider();
  if (provider) provider->ClearPids();
  tables_.ResetForTune();
  tables::DrainSectionBuffer(tables_.packetBuffer);
  if (provider) {
    provider->Tune(locator.physical(), locator.channelMap, locator.modulation);
    if (const auto streams = StreamMappingFor(*services_.channels, locator)) {
      provider->MapStreamPids(streams->videoStreamType, streams->audioStreamType, streams->videoPid,
                              streams->audioPid, streams->pcrPid, config_.recordTransportStream);
    }
    // The tables of the new multiplex pass the tuner's filter from its first
    // packets on, not from the next poll.
    tables::MapPsiPids(tables_);
    tables_.lastSectionMarker = -1;
  }
  if (services_.target)
    services_.target->Post(WindowMessage::WM_CHANNEL_CHANGED, locator.physical());
}

void CBDAFilterGraph::MonitorTick() {
  // The tick never waits: while a state change or a tune holds the graph it
  // comes back next second.
  std::unique_lock lock(lock_, std::try_to_lock);
  if (!lock.owns_lock() || machine_.Tuner() == TunerState::kNone) return;
  const tuning::ChannelLocator current = tunes_.Current();
  tables_.currentKey1 = current.key1;
  tables_.currentKey2 = current.key2;
  if (services_.tables) tables::PollSections(*services_.tables, tables_);
  if (current.key1 != 0 || current.key2 != 0) {
    long quality = 0;
    if (SUCCEEDED(ReadSignalQuality(ingest_.Tuner(), &quality)))
      signalQuality_ = static_cast<std::int32_t>(quality);
  }
  if (machine_.Tuner() == TunerState::kTunerRecording) EndUnwritableRecording();
  if (machine_.Tuner() == TunerState::kTunerRecording) EndRecordingOfEndedStream();
  if (machine_.Tuner() == TunerState::kTunerRecording) WatchRecordingSignal();
  ReportEndedStream();
}

// Both buffer sinks are the programme-stream sink underneath; the chain keeps
// the reference.
CMPEG2Sink* CBDAFilterGraph::BufferSink() const {
  if (buffer_.Sink() != nullptr) return buffer_.Sink();
  CMPEG2Sink* object = nullptr;
  IBaseFilter* sink = streamBuffer_.Sink();
  if (sink == nullptr ||
      FAILED(sink->QueryInterface(IID_MPEG2SinkObject, reinterpret_cast<void**>(&object))))
    return nullptr;
  object->Release();
  return object;
}

// A recording file that takes no more (a full disk, a file-size limit) ends
// here: the sink wrote nothing into it after the failed group, the stop
// closes it with the end code and sends the live buffer on in a chunk of its
// own, and the user is told once.
void CBDAFilterGraph::EndUnwritableRecording() {
  if (writeFailureReported_) return;
  CMPEG2Sink* sink = BufferSink();
  if (sink == nullptr || sink->Core().Stats().recordingPacksLost == 0) return;
  writeFailureReported_ = true;
  const std::string file = recordingPath_.string();
  machine_.EndRecording();
  Report("Recording stopped: \"" + file +
         "\" cannot be written (the disk is full or the file too large).");
}

// A tuner whose stream has ended (its device unplugged, its capture removed)
// brings nothing more: the recording stops on the whole packs it has, and
// the user is told.
void CBDAFilterGraph::EndRecordingOfEndedStream() {
  const HRESULT failure = ingest_.TunerStreamFailure();
  if (SUCCEEDED(failure)) return;
  const std::string file = recordingPath_.string();
  machine_.EndRecording();
  streamEndReported_ = true;
  Report("Recording stopped: the tuner's stream ended (" + com::ResultName(failure) + "). \"" +
         file + "\" keeps what was received.");
}

// Without a recording to stop, the user is still told once that the picture
// stopped for good: nothing more comes from this tuner until the graph is
// built again.
void CBDAFilterGraph::ReportEndedStream() {
  if (streamEndReported_) return;
  const HRESULT failure = ingest_.TunerStreamFailure();
  if (SUCCEEDED(failure)) return;
  streamEndReported_ = true;
  Report("The tuner's stream ended (" + com::ResultName(failure) +
         "): nothing more arrives from it. Restart the graph to go on.");
}

// A lost lock is told once, when it has lasted long enough not to be a
// tuner still settling. The recording goes on: a timer still ends it at its
// time, a signal that returns fills the rest of the programme, and the file
// holds whole packs throughout (nothing arrives to be cut). The return is
// traced.
void CBDAFilterGraph::WatchRecordingSignal() {
  constexpr auto kSettle = std::chrono::seconds(2);
  const auto now = std::chrono::steady_clock::now();
  if (ReadSignalLocked(ingest_.Tuner())) {
    if (signalLostSince_ && signalLossReported_) {
      const auto lost =
          std::chrono::duration_cast<std::chrono::milliseconds>(now - *signalLostSince_);
      std::printf("%s: the signal returned after %lld s; recording goes on\n", tag_.c_str(),
                  static_cast<long long>((lost.count() + 500) / 1000));
    }
    signalLostSince_.reset();
    signalLossReported_ = false;
    return;
  }
  if (!signalLostSince_) {
    signalLostSince_ = now;
    signalLostAt_ = std::time(nullptr);
  }
  if (signalLossReported_ || now - *signalLostSince_ < kSettle) return;
  signalLossReported_ = true;
  std::tm local{};
  localtime_r(&signalLostAt_, &local);
  char at[16];
  std::strftime(at, sizeof at, "%H:%M:%S", &local);
  Report("Recording \"" + recordingPath_.string() + "\": the signal was lost at " + at +
         ". The recording goes on and continues when the signal returns.");
}

bool CBDAFilterGraph::SignalLocked() {
  std::lock_guard lock(lock_);
  return ReadSignalLocked(ingest_.Tuner());
}

void CBDAFilterGraph::Report(const std::string& message) {
  // Texts that end in a line feed are traces; the others are for the user.
  if (!message.empty() && message.back() == '\n') {
    std::printf("%s", message.c_str());
  } else if (services_.target) {
    services_.target->ShowError(message);
  } else {
    std::printf("%s\n", message.c_str());
  }
}

ComPtr<IMediaControl> CBDAFilterGraph::Control() {
  ComPtr<IMediaControl> control;
  if (ingest_.Graph()) ingest_.Graph()->QueryInterface(IID_PPV_ARGS(&control));
  return control;
}

void CBDAFilterGraph::Wire() {
  tables_.packetBuffer = ingest_.PollBuffer();
  tables_.networkProvider = ingest_.PollProvider();
  tables_.textSource = streamBuffer_.PollText() ? streamBuffer_.PollText() : buffer_.PollText();
  tables_.sectionPinPresent = ingest_.Demux() != nullptr;
}

HRESULT CBDAFilterGraph::BuildTunerGraph(TunerState mode) {
  std::string error;
  const IngestGraph::Mode ingestMode =
      mode == TunerState::kTunerLive ? IngestGraph::Mode::kLive : IngestGraph::Mode::kBuffered;
  HRESULT hr = ingest_.BuildFromDevice(config_.devicePath, ingestMode, &error);
  streamEndReported_ = false;
  if (FAILED(hr)) {
    Report(error);
    return hr;
  }
  if (mode != TunerState::kTunerLive) {
    hr = BuildBufferSink();
    if (FAILED(hr)) return hr;
  }
  if (mode != TunerState::kTunerLive) {
    hr = notify_.Start(ingest_.Graph(), services_.target, WindowMessage::WM_TUNER_GRAPH_EVENT,
                       &error);
    if (FAILED(hr)) {
      Report(error);
      TearDownTunerGraph();
      return hr;
    }
  }
  Wire();
  return S_OK;
}

// The buffer sink the record format asks for: the list buffer (0), the
// stream buffer (1), or none.
HRESULT CBDAFilterGraph::BuildBufferSink() {
  graphRecordFormat_ = config_.recordFormat;
  std::string error;
  HRESULT hr = S_OK;
  if (graphRecordFormat_ == 0) {
    bufferPath_ = NewListName(config_.bufferFolder);
    hr = buffer_.Build(ingest_, bufferPath_, &error);
  } else if (graphRecordFormat_ == 1) {
    hr = streamBuffer_.Build(ingest_, config_.bufferFolder, &error);
    if (SUCCEEDED(hr)) bufferPath_ = common::FromUtf8(streamBuffer_.StubPath().string());
  }
  if (FAILED(hr)) {
    Report(error);
    bufferPath_.clear();
    streamBuffer_.TearDown();
    ingest_.TearDown();
  }
  return hr;
}

HRESULT CBDAFilterGraph::RunTunerGraph() {
  filters::CNetworkProvider* provider = ingest_.Provider();
  if (provider == nullptr) return E_NOINTERFACE;
  const tuning::ChannelLocator current = tunes_.Current();
  provider->Tune(current.physical(), current.channelMap, current.modulation);
  tables_.lastSectionMarker = -1;
  ComPtr<IMediaControl> control = Control();
  if (!control) {
    Report(WithResult("Can not query IMediaControl interface. Error: %s", E_NOINTERFACE));
    return E_NOINTERFACE;
  }
  const HRESULT hr = control->Run();
  if (FAILED(hr)) {
    Report(WithResult("Can not run graph. Error: %s", hr));
    return StopTunerGraph();
  }
  if (const auto streams = StreamMappingFor(*services_.channels, current)) {
    provider->MapStreamPids(streams->videoStreamType, streams->audioStreamType, streams->videoPid,
                            streams->audioPid, streams->pcrPid, config_.recordTransportStream);
  }
  tables::MapPsiPids(tables_);
  return S_OK;
}

HRESULT CBDAFilterGraph::StopTunerGraph() {
  if (ingest_.Graph() == nullptr) return S_FALSE;
  ComPtr<IMediaControl> control = Control();
  if (!control) {
    Report(WithResult("Can not query IMediaControl interface. Error: %s\n", E_NOINTERFACE));
    return E_NOINTERFACE;
  }
  HRESULT hr = control->Stop();
  if (hr == S_FALSE) {
    // Still stopping: a graph that reaches the stopped state within the wait
    // has stopped.
    OAFilterState state = State_Running;
    hr = control->GetState(static_cast<LONG>(kStopWait.count()), &state);
    return hr == S_OK && state == State_Stopped ? S_OK : E_FAIL;
  }
  return hr == S_OK ? S_OK : (FAILED(hr) ? hr : E_FAIL);
}

void CBDAFilterGraph::TearDownTunerGraph() {
  notify_.Stop();
  tables_.packetBuffer = nullptr;
  tables_.networkProvider = nullptr;
  tables_.textSource = nullptr;
  tables_.sectionPinPresent = false;
  buffer_.TearDown();
  streamBuffer_.TearDown();
  ingest_.TearDown();
  bufferPath_.clear();
}

HRESULT CBDAFilterGraph::BuildPlayer(PlayerState kind) {
  if (services_.player == nullptr) return kNoPlayer;
  const HRESULT hr = services_.player->Build(kind, ingest_.Graph(), bufferPath_);
  if (FAILED(hr) || kind == PlayerState::kPlayerLive) return hr;
  // The player graph's events go to the main window.
  std::string error;
  if (FAILED(playerNotify_.Start(services_.player->Graph().Get(), services_.target,
                                 WindowMessage::WM_PLAYER_GRAPH_EVENT, &error)))
    Report(error + "\n");
  return hr;
}

HRESULT CBDAFilterGraph::RunPlayer() {
  return services_.player ? services_.player->Run() : kNoPlayer;
}

HRESULT CBDAFilterGraph::StopPlayer() {
  if (machine_.Player() == PlayerState::kNone) return S_OK;
  return services_.player ? services_.player->Stop() : kNoPlayer;
}

HRESULT CBDAFilterGraph::TearDownPlayer() {
  // Events of a player going down are not looked at any more.
  playerNotify_.Stop();
  if (machine_.Player() == PlayerState::kNone) return S_OK;
  return services_.player ? services_.player->TearDown() : kNoPlayer;
}

void CBDAFilterGraph::SetRecordingOrigin(std::uint8_t origin) {
  std::lock_guard lock(lock_);
  recordingOrigin_ = origin;
}

std::filesystem::path CBDAFilterGraph::RecordingPath() const {
  std::lock_guard lock(lock_);
  return recordingPath_;
}

std::uint8_t CBDAFilterGraph::RecordingOrigin() const {
  std::lock_guard lock(lock_);
  return recordingOrigin_;
}

// The live buffer's sink writes the programme into the recording file as well
// until StopRecording; the transport dump writes the multiplex beside it.
HRESULT CBDAFilterGraph::StartRecording() {
  const bool streamBuffer = streamBuffer_.Sink() != nullptr;
  ComPtr<IFileSinkFilter> sink;
  if (buffer_.Sink()) sink = ComPtr<IBaseFilter>(buffer_.Sink()).As<IFileSinkFilter>();
  if (!sink && !streamBuffer) return E_NOTIMPL;

  std::error_code ec;
  std::filesystem::create_directories(config_.recordFolder, ec);
  if (!std::filesystem::is_directory(config_.recordFolder, ec)) {
    Report("Can not create folder \"" + config_.recordFolder.string() + "\".");
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::u16string base =
      recording::RecordingBase(common::FromUtf8(config_.recordFolder.string()), recordingTitle_,
                               {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
  if (streamBuffer) return StartStreamBufferRecording(base);
  std::string error;
  const auto files = recording::ReserveRecordingFiles(base, config_.recordTransportStream, &error);
  if (!files) {
    Report(error);
    return E_FAIL;
  }
  const std::u16string name = common::FromUtf8(files->recording.string());
  const HRESULT hr = sink->SetFileName(name.c_str(), nullptr);
  if (hr != S_OK) {
    // The sink went on with the live buffer; the reserved names go back.
    std::filesystem::remove(files->recording, ec);
    if (files->transportStream) std::filesystem::remove(*files->transportStream, ec);
    Report(
        WithResult(("Can not record to \"" + files->recording.string() + "\". Error: %s").c_str(),
                   FAILED(hr) ? hr : E_FAIL));
    return FAILED(hr) ? hr : E_FAIL;
  }
  if (files->transportStream && ingest_.Dump()) {
    const std::u16string ts = common::FromUtf8(files->transportStream->string());
    ingest_.Dump()->SetFileName(ts.c_str(), nullptr);
  }
  recordingPath_ = files->recording;
  writeFailureReported_ = false;
  signalLostSince_.reset();
  signalLossReported_ = false;
  // Tunes posted before the recording began belong to what was watched.
  tunes_.DiscardPending();
  return S_OK;
}

// The stream buffer records through a recorder object of its sink; the
// engine answers a taken name, and the next number is tried.
HRESULT CBDAFilterGraph::StartStreamBufferRecording(const std::u16string& base) {
  std::filesystem::path path;
  std::optional<std::filesystem::path> ts;
  std::string error;
  const HRESULT hr =
      streamBuffer_.StartRecording(base, config_.recordTransportStream, &path, &ts, &error);
  if (FAILED(hr)) {
    if (!error.empty()) Report(error);
    return hr;
  }
  if (ts && ingest_.Dump()) {
    const std::u16string name = common::FromUtf8(ts->string());
    ingest_.Dump()->SetFileName(name.c_str(), nullptr);
  }
  recordingPath_ = path;
  writeFailureReported_ = false;
  signalLostSince_.reset();
  signalLossReported_ = false;
  tunes_.DiscardPending();
  return S_OK;
}

HRESULT CBDAFilterGraph::StopRecording() {
  if (streamBuffer_.Sink()) {
    // Releasing the recorder object ends its file.
    const HRESULT hr = streamBuffer_.StopRecording();
    if (FAILED(hr)) return hr;
    if (ingest_.Dump()) ingest_.Dump()->SetFileName(u"", nullptr);
    recordingPath_.clear();
    recordingOrigin_ = 0;
    return S_OK;
  }
  ComPtr<IFileSinkFilter> sink;
  if (buffer_.Sink()) sink = ComPtr<IBaseFilter>(buffer_.Sink()).As<IFileSinkFilter>();
  if (!sink) return E_NOTIMPL;
  sink->SetFileName(u"dummy.mpg", nullptr);
  HRESULT hr = S_OK;
  if (ingest_.Dump()) hr = ingest_.Dump()->SetFileName(nullptr, nullptr);
  recordingPath_.clear();
  recordingOrigin_ = 0;
  return hr;
}

}  // namespace graph
