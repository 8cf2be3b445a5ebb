#include "graph/buffer/BufferChain.h"

#include "common/Utf16.h"
#include "graph/buffer/ListFiles.h"
#include "graph/ingest/ConnectFilters.h"
#include "platform/av/AvClasses.h"
#include "platform/av/VideoAnalyzer.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"

namespace graph {
namespace {

HRESULT Fail(HRESULT hr, const char* what, std::string* error) {
  *error = std::string(what) + ". Error: " + com::ResultName(hr);
  return hr;
}

}  // namespace

HRESULT BufferChain::Build(IngestGraph& ingest, const std::u16string& fileName,
                           std::string* error) {
  graph_ = ingest.Graph();
  fileName_ = fileName;
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

  hr = ConnectFilters(graph_.Get(), ingest.Demux(), analyzer_.Get());
  if (FAILED(hr)) return Fail(hr, "Can not connect demux to the video analyzer", error);
  hr = ConnectFilters(graph_.Get(), analyzer_.Get(), sink_.Get());
  if (FAILED(hr)) return Fail(hr, "Can not connect the video analyzer to the MPEG-2 sink", error);
  hr = ConnectFilters(graph_.Get(), ingest.Demux(), sink_.Get());
  if (FAILED(hr)) return Fail(hr, "Can not connect the demux audio to the MPEG-2 sink", error);
  hr = ConnectFilters(graph_.Get(), textSource_.Get(), sink_.Get());
  if (FAILED(hr)) return Fail(hr, "Can not connect the text source to the MPEG-2 sink", error);

  ComPtr<IFileSinkFilter> fileSink = sink_.As<IFileSinkFilter>();
  if (!fileSink) return Fail(E_NOINTERFACE, "The MPEG-2 sink has no file name", error);
  hr = fileSink->SetFileName(fileName.c_str(), nullptr);
  if (hr != S_OK) return Fail(FAILED(hr) ? hr : E_FAIL, "Can't set the recording file name", error);
  ComPtr<::ITextSource> textInterface = textSource_.As<::ITextSource>();
  adapter_ = std::make_unique<filters::TextSourceAdapter>(textInterface.Get());
  return S_OK;
}

void BufferChain::TearDown() {
  adapter_.reset();
  if (!graph_) return;
  for (IBaseFilter* filter :
       {static_cast<IBaseFilter*>(textSource_.Get()), sink_.Get(), analyzer_.Get()}) {
    if (filter) graph_->RemoveFilter(filter);
  }
  graph_ = nullptr;
  textSource_ = nullptr;
  sink_ = nullptr;
  analyzer_ = nullptr;
  // A live buffer's files go with it; a programme-stream file stays.
  const std::filesystem::path file(common::ToUtf8(fileName_));
  if (IsBufferListName(file)) RemoveListFiles(file);
  fileName_.clear();
}

}  // namespace graph
