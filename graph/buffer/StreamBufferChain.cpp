#include "graph/buffer/StreamBufferChain.h"

#include <cstdio>
#include <system_error>

#include "common/Utf16.h"
#include "graph/ingest/ConnectFilters.h"
#include "platform/av/AvClasses.h"
#include "platform/av/VideoAnalyzer.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"
#include "platform/sbe/StreamBufferClasses.h"
#include "platform/sbe/StreamBufferInterfaces.h"

namespace graph {
namespace {

constexpr int kLastRecordingNumber = 99;

// `format` with the symbolic name of `hr` in place of its "%s".
HRESULT Fail(HRESULT hr, const char* format, std::string* error) {
  char text[256];
  std::snprintf(text, sizeof text, format, com::ResultName(hr).c_str());
  *error = text;
  return hr;
}

std::u16string Ascii(const char* text) {
  return common::FromUtf8(text);
}

void RemoveCompanion(const std::optional<std::filesystem::path>& ts) {
  std::error_code ignored;
  if (ts) std::filesystem::remove(*ts, ignored);
}

}  // namespace

HRESULT StreamBufferChain::Build(IngestGraph& ingest, const std::filesystem::path& bufferFolder,
                                 std::string* error) {
  graph_ = ingest.Graph();
  av::RegisterClasses();
  sbe::RegisterClasses();
  HRESULT hr = CoCreateInstance(CLSID_Mpeg2VideoStreamAnalyzer, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&analyzer_));
  if (FAILED(hr))
    return Fail(hr, "Can't create mpeg-2 video stream analyzer filter. Error %s", error);
  hr = graph_->AddFilter(analyzer_.Get(), u"Video Analyzer");
  if (FAILED(hr)) return Fail(hr, "Can't add video analyzer filter graph. Error %s", error);
  hr =
      CoCreateInstance(CLSID_StreamBufferSink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&sink_));
  if (FAILED(hr)) {
    graph_->RemoveFilter(analyzer_.Get());
    analyzer_ = nullptr;
    return Fail(hr, "Can't create stream buffer sink filter. Error %s", error);
  }
  hr = graph_->AddFilter(sink_.Get(), u"SB Sink");
  if (FAILED(hr)) {
    graph_->RemoveFilter(analyzer_.Get());
    analyzer_ = nullptr;
    sink_ = nullptr;
    return Fail(hr, "can't add stream buffer sink filter to graph. Error %s", error);
  }
  CTextSource* text = nullptr;
  hr = CreateTextSource(&text);
  if (FAILED(hr)) return Fail(hr, "Can't create the text source. Error: %s", error);
  textSource_.Attach(text);
  hr = graph_->AddFilter(textSource_.Get(), u"Text Source");
  if (FAILED(hr)) return Fail(hr, "Can't add the text source. Error: %s", error);

  // Only the text stream's connection decides: the others may find no pin
  // (a programme without audio, say) and the buffer still runs.
  ConnectFilters(graph_.Get(), ingest.Demux(), analyzer_.Get());
  ConnectFilters(graph_.Get(), analyzer_.Get(), sink_.Get());
  ConnectFilters(graph_.Get(), ingest.Demux(), sink_.Get());
  hr = ConnectFilters(graph_.Get(), textSource_.Get(), sink_.Get());
  if (FAILED(hr))
    return Fail(hr, "Can not connect stream buffer sink to text source filter. Error: %s", error);
  ComPtr<::ITextSource> textInterface = textSource_.As<::ITextSource>();
  adapter_ = std::make_unique<filters::TextSourceAdapter>(textInterface.Get());

  ComPtr<IStreamBufferConfigure> config;
  hr = CoCreateInstance(CLSID_StreamBufferConfig, nullptr, CLSCTX_INPROC_SERVER,
                        IID_PPV_ARGS(&config));
  if (FAILED(hr))
    return Fail(hr, "Can not create stream buffer configuration object. Error: %s", error);
  const LONG opened = RegCreateKeyExA(HKEY_CURRENT_USER, kStreamBufferKey, &key_);
  if (opened != 0) {
    key_ = nullptr;
    char text[256];
    std::snprintf(text, sizeof text, "Can not create registry key %s. Error: %d", kStreamBufferKey,
                  static_cast<int>(opened));
    *error = text;
    return HRESULT_FROM_WIN32(static_cast<std::uint32_t>(opened));
  }

  ComPtr<IStreamBufferInitialize> initialize = config.As<IStreamBufferInitialize>();
  if (!initialize)
    return Fail(E_NOINTERFACE,
                "Can not query IStreamBufferInitialize interface on sbe sink filter. Error: %s",
                error);
  hr = initialize->SetHKEY(key_);
  if (FAILED(hr)) return Fail(hr, "Can not set HKEY on IStreamBufferInitialize. Error: %s", error);
  hr = config->SetDirectory(common::FromUtf8(bufferFolder.string()).c_str());
  if (FAILED(hr)) return Fail(hr, "Can not set Buffered Video Folder. Error: %s", error);
  ComPtr<IStreamBufferConfigure3> config3 = config.As<IStreamBufferConfigure3>();
  if (!config3)
    return Fail(E_NOINTERFACE, "Can not query interface on IStreamBufferConfigure3. Error: %s",
                error);
  hr = config3->SetNamespace(nullptr);
  if (FAILED(hr))
    return Fail(hr, "Can not set namespace on IStreamBufferConfigure3. Error: %s", error);
  hr = config->SetBackingFileCount(kBackingFileCountMin, kBackingFileCountMax);
  if (FAILED(hr))
    return Fail(hr, "Can not set backing file count on IStreamBufferConfigure. Error: %s", error);
  hr = config->SetBackingFileDuration(kBackingFileSeconds);
  if (FAILED(hr))
    return Fail(hr, "Can not set backing file duration on IStreamBufferConfigure. Error: %s",
                error);

  ComPtr<IStreamBufferSink> bufferSink = sink_.As<IStreamBufferSink>();
  if (!bufferSink)
    return Fail(E_NOINTERFACE,
                "Can not query IStreamBufferSink interface on sbe sink filter. Error: %s", error);
  ComPtr<IStreamBufferInitialize> sinkInitialize = sink_.As<IStreamBufferInitialize>();
  if (!sinkInitialize)
    return Fail(E_NOINTERFACE,
                "Can not query IStreamBufferInitialize interface on sbe sink filter. Error: %s",
                error);
  hr = sinkInitialize->SetHKEY(key_);
  if (FAILED(hr)) return Fail(hr, "Can not set HKEY on IStreamBufferInitialize. Error: %s", error);

  stub_ = sbe::TakeStub(bufferFolder);
  if (!stub_) {
    *error = sbe::kTooManyStubs;
    return E_FAIL;
  }
  hr = bufferSink->LockProfile(common::FromUtf8(stub_->Path().string()).c_str());
  if (FAILED(hr)) return Fail(hr, "Can not lock profile. Error: %s", error);
  return S_OK;
}

void StreamBufferChain::TearDown() {
  recorder_ = nullptr;
  adapter_.reset();
  if (graph_) {
    for (IBaseFilter* filter :
         {static_cast<IBaseFilter*>(textSource_.Get()), sink_.Get(), analyzer_.Get()}) {
      if (filter) graph_->RemoveFilter(filter);
    }
  }
  graph_ = nullptr;
  textSource_ = nullptr;
  sink_ = nullptr;  // the sink deletes its backing files as it goes
  analyzer_ = nullptr;
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
  stub_.reset();
}

HRESULT StreamBufferChain::StartRecording(const std::u16string& base, bool transportStream,
                                          std::filesystem::path* path,
                                          std::optional<std::filesystem::path>* ts,
                                          std::string* error) {
  ComPtr<IStreamBufferSink> bufferSink = sink_ ? sink_.As<IStreamBufferSink>() : nullptr;
  if (!bufferSink)
    return Fail(E_NOINTERFACE,
                "Can't query IStreamBufferSink interface on stream buffer sink filter. Error: %s",
                error);
  ComPtr<IUnknown> recorder;
  HRESULT hr = E_FAIL;
  for (int number = 1; number <= kLastRecordingNumber; ++number) {
    std::u16string stem = base;
    if (number > 1) stem += Ascii((" " + std::to_string(number)).c_str());
    const std::u16string name = stem + u".dvr-ms";
    recorder = nullptr;
    hr = bufferSink->CreateRecorder(name.c_str(), RECORDING_TYPE_CONTENT, &recorder);
    if (hr == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)) continue;
    if (FAILED(hr)) break;
    *path = std::filesystem::path(common::ToUtf8(name));
    ts->reset();
    if (!transportStream) break;
    // The recording's ".ts" must be free as well; a taken one moves on to
    // the next number (the recorder gives its name back as it goes).
    const std::filesystem::path dump(common::ToUtf8(stem + u".ts"));
    std::FILE* file = std::fopen(dump.c_str(), "wbx");
    if (file != nullptr) {
      std::fclose(file);
      *ts = dump;
      break;
    }
    hr = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  }
  if (FAILED(hr) || !recorder) {
    recorder = nullptr;
    return Fail(FAILED(hr) ? hr : E_FAIL, "Can't create record object. Error: %s", error);
  }
  ComPtr<IStreamBufferRecordControl> control = recorder.As<IStreamBufferRecordControl>();
  if (!control) {
    RemoveCompanion(*ts);
    return Fail(E_NOINTERFACE,
                "Can't query IStreamBufferRecordControl interface on stream buffer sink filter "
                "record object. Error: %s",
                error);
  }
  REFERENCE_TIME start = 0;
  hr = control->Start(&start);
  if (hr != S_OK) {
    error->clear();
    RemoveCompanion(*ts);
    return FAILED(hr) ? hr : E_FAIL;
  }
  recorder_ = recorder;
  return S_OK;
}

HRESULT StreamBufferChain::StopRecording() {
  if (!recorder_) return E_FAIL;
  const bool isRecorder = recorder_.As<IStreamBufferRecordControl>() != nullptr;
  recorder_ = nullptr;
  return isRecorder ? S_OK : E_FAIL;
}

}  // namespace graph
