#include "graph/player/PlaybackSource.h"

#include <mutex>
#include <string>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "filters/source/Mpeg2Source.h"
#include "platform/com/HResult.h"

namespace graph {
namespace {

std::mutex makerMutex;
StreamBufferSourceMaker streamBufferMaker;

bool EndsWith(const std::u16string& path, std::u16string_view extension) {
  return path.size() > extension.size() &&
         path.compare(path.size() - extension.size(), extension.size(), extension) == 0;
}

const char16_t* NameOf(SourceKind kind) {
  return kind == SourceKind::kMpeg2Source ? u"MPEG-2 Source" : u"StreamBufferSource";
}

}  // namespace

SourceKind SourceFor(PlayerState kind, const std::u16string& path) {
  if (kind == PlayerState::kPlayerTimeShift) {
    if (EndsWith(path, u".lst")) return SourceKind::kMpeg2Source;
    if (EndsWith(path, u".tmp")) return SourceKind::kStreamBufferSource;
  } else if (kind == PlayerState::kPlayerFile) {
    if (EndsWith(path, u".mpg")) return SourceKind::kMpeg2Source;
    if (EndsWith(path, u".dvr-ms")) return SourceKind::kStreamBufferSource;
  }
  return SourceKind::kNone;
}

void SetStreamBufferSourceMaker(StreamBufferSourceMaker maker) {
  std::lock_guard lock(makerMutex);
  streamBufferMaker = std::move(maker);
}

HRESULT LoadSource(IGraphBuilder* graph, SourceKind kind, const std::u16string& path,
                   ComPtr<IBaseFilter>* source) {
  const bool mpeg2 = kind == SourceKind::kMpeg2Source;
  ComPtr<IBaseFilter> filter;
  HRESULT hr = E_FAIL;
  if (mpeg2) {
    HRESULT created = S_OK;
    filter = new filters::CMPEG2Source(&created);
    hr = created;
  } else if (kind == SourceKind::kStreamBufferSource) {
    StreamBufferSourceMaker maker;
    {
      std::lock_guard lock(makerMutex);
      maker = streamBufferMaker;
    }
    hr = maker ? maker(&filter) : REGDB_E_CLASSNOTREG;
    if (SUCCEEDED(hr) && !filter) hr = E_POINTER;
  }
  if (FAILED(hr)) {
    common::ErrorBox(mpeg2 ? "Can't create ASF source filter. Error: %s"
                           : "Can't create stream buffer source filter. Error: %s",
                     com::ResultName(hr).c_str());
    return hr;
  }
  hr = graph->AddFilter(filter.Get(), NameOf(kind));
  if (FAILED(hr)) {
    common::ErrorBox(mpeg2 ? "Can't add ASF source filter to graph. Error: %s"
                           : "Can't add stream buffer source filter to graph. Error: %s",
                     com::ResultName(hr).c_str());
    return hr;
  }
  ComPtr<IFileSourceFilter> file;
  hr = filter.As(&file);
  if (FAILED(hr)) {
    common::ErrorBox("Can't query FileSourceFilter interface. Error: %s",
                     com::ResultName(hr).c_str());
  } else {
    hr = file->Load(path.c_str(), nullptr);
    if (FAILED(hr)) {
      common::ErrorBox("Player can not load file \"%s\". Error: %s", common::ToUtf8(path).c_str(),
                       com::ResultName(hr).c_str());
    }
  }
  if (FAILED(hr)) {
    graph->RemoveFilter(filter.Get());
    return hr;
  }
  *source = std::move(filter);
  return S_OK;
}

HRESULT RemoveSource(IGraphBuilder* graph, SourceKind kind, ComPtr<IBaseFilter>& source) {
  if (!source) return S_OK;
  const HRESULT hr = graph->RemoveFilter(source.Get());
  if (FAILED(hr)) {
    common::ErrorBox(kind == SourceKind::kMpeg2Source
                         ? "Can't remove MPEG2Source filter. Error: %s"
                         : "Can't remove stream buffer source filter. Error: %s",
                     com::ResultName(hr).c_str());
  }
  source.Reset();
  return hr;
}

}  // namespace graph
