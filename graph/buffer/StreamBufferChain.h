// The stream-buffer chain of a buffered tuner graph (record format 1): the
// "Video Analyzer" and the stream-buffer engine's "SB Sink" behind the ingest
// chain's "Demux", with a "Text Source" for the sink's text stream. The sink
// keeps the live buffer under a numbered stub in the buffer folder, set up
// through the configuration object and the engine's registry key; a
// recording is a recorder object of the sink writing a ".dvr-ms" file.
//
// Build, StartRecording and StopRecording report the first failure with the
// message the graph manager shows for it; TearDown takes the filters out of
// the graph, closes the key and gives the stub back.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "filters/text/TextSource.h"
#include "filters/text/TextSourceAdapter.h"
#include "graph/ingest/IngestGraph.h"
#include "platform/com/Registry.h"
#include "platform/media/Interfaces.h"
#include "platform/sbe/StubFiles.h"

namespace graph {

// The engine's registry key under HKEY_CURRENT_USER.
inline constexpr char kStreamBufferKey[] = "SOFTWARE\\Corvane DVR";
inline constexpr DWORD kBackingFileCountMin = 20;
inline constexpr DWORD kBackingFileCountMax = 22;
inline constexpr DWORD kBackingFileSeconds = 300;

class StreamBufferChain {
 public:
  StreamBufferChain() = default;
  ~StreamBufferChain() { TearDown(); }
  StreamBufferChain(const StreamBufferChain&) = delete;
  StreamBufferChain& operator=(const StreamBufferChain&) = delete;

  // Adds and connects the chain behind `ingest` and starts the live buffer
  // under a stub in `bufferFolder`. On failure `error` gets the message.
  HRESULT Build(IngestGraph& ingest, const std::filesystem::path& bufferFolder, std::string* error);
  void TearDown();

  // Starts a recording into base + ".dvr-ms", or base + " N.dvr-ms" (N = 2
  // to 99) when the engine finds the name taken. With `transportStream` the
  // name's ".ts" must be free too, and is created for the dump. On success
  // `path` holds the recording's name. A failing start leaves `error` empty
  // (no message) and the live buffer running.
  HRESULT StartRecording(const std::u16string& base, bool transportStream,
                         std::filesystem::path* path, std::optional<std::filesystem::path>* ts,
                         std::string* error);
  // Ends the recording: the recorder object goes (which closes its file).
  // Fails without one, or when it is no recorder.
  HRESULT StopRecording();
  bool Recording() const { return recorder_ != nullptr; }

  // The stub of the live buffer (the player's path to it) and the key the
  // engine's objects were given.
  std::filesystem::path StubPath() const { return stub_ ? stub_->Path() : std::filesystem::path(); }
  HKEY Key() const { return key_; }
  IBaseFilter* Sink() const { return sink_.Get(); }
  tables::ITextSource* PollText() const { return adapter_.get(); }

 private:
  ComPtr<IFilterGraph2> graph_;
  ComPtr<IBaseFilter> analyzer_;
  ComPtr<IBaseFilter> sink_;
  ComPtr<IBaseFilter> textSource_;
  std::unique_ptr<filters::TextSourceAdapter> adapter_;
  HKEY key_ = nullptr;
  std::optional<sbe::Stub> stub_;
  ComPtr<IUnknown> recorder_;
};

}  // namespace graph
