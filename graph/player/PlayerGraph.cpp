#include "graph/player/PlayerGraph.h"

#include <cstdio>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "filters/text/TextOutFilter.h"
#include "graph/ingest/ConnectFilters.h"
#include "graph/player/AudioVolume.h"
#include "graph/player/CaptionPath.h"
#include "platform/av/audio/AudioRenderer.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"
#include "platform/media/DeviceInterfaces.h"
#include "platform/media/MediaClasses.h"

namespace graph {
namespace {

HRESULT Show(const char* format, HRESULT hr) {
  common::ErrorBox(format, com::ResultName(hr).c_str());
  return FAILED(hr) ? hr : E_FAIL;
}

// A decoder bound from its moniker's display name, with its friendly name
// (empty when the moniker has none).
struct BoundDecoder {
  HRESULT parsed = E_FAIL;
  HRESULT bound = E_FAIL;
  ComPtr<IBaseFilter> filter;
  std::u16string friendlyName;
};

BoundDecoder BindDecoder(const std::u16string& displayName) {
  BoundDecoder d;
  ComPtr<IBindCtx> context;
  d.parsed = CreateBindCtx(0, &context);
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  if (SUCCEEDED(d.parsed))
    d.parsed = MkParseDisplayName(context.Get(), displayName.c_str(), &eaten, &moniker);
  if (FAILED(d.parsed)) return d;
  std::printf("Use device moniker: %s\n", common::ToUtf8(displayName).c_str());
  d.bound = moniker->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&d.filter));
  if (FAILED(d.bound)) return d;
  ComPtr<IPropertyBag> bag;
  VARIANT value;
  if (SUCCEEDED(moniker->BindToStorage(context.Get(), nullptr, IID_PPV_ARGS(&bag))) &&
      SUCCEEDED(bag->Read(u"FriendlyName", &value, nullptr))) {
    d.friendlyName = value.bstrVal;
  }
  return d;
}

}  // namespace

PlayerGraph::PlayerGraph(VideoWindowState& window) : window_(window) {
  options_.audioRenderer = CLSID_DSoundRender;
}

PlayerGraph::~PlayerGraph() {
  TearDown();
}

void PlayerGraph::SetOptions(const PlayerOptions& options) {
  std::lock_guard lock(lock_);
  options_ = options;
}

void PlayerGraph::SetPlaybackFile(std::u16string path) {
  std::lock_guard lock(lock_);
  playbackFile_ = std::move(path);
}

std::u16string PlayerGraph::PlaybackFile() const {
  std::lock_guard lock(lock_);
  return playbackFile_;
}

HRESULT PlayerGraph::Build(PlayerState kind, IFilterGraph2* tunerGraph,
                           const std::u16string& path) {
  std::lock_guard lock(lock_);
  if (kind_ != PlayerState::kNone) TearDown();
  if (kind == PlayerState::kNone) return S_OK;
  ComPtr<IBaseFilter> upstream;

  if (kind == PlayerState::kPlayerLive) {
    ComPtr<IGraphBuilder> tuner;
    if (tunerGraph) tunerGraph->QueryInterface(IID_PPV_ARGS(&tuner));
    if (!tuner || FAILED(tuner->FindFilterByName(u"Demux", &upstream)) || !upstream) {
      common::ErrorBox("Incompatible tuner player combination");
      return E_UNEXPECTED;
    }
    graph_ = tuner;
  } else {
    const std::u16string file = kind == PlayerState::kPlayerFile ? playbackFile_ : path;
    media::RegisterClasses();
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_));
    if (FAILED(hr)) return Show("Can not create player filter graph. Error: %s", hr);
    sourceKind_ = SourceFor(kind, file);
    hr = sourceKind_ == SourceKind::kNone ? E_INVALIDARG
                                          : LoadSource(graph_.Get(), sourceKind_, file, &source_);
    if (FAILED(hr)) {
      sourceKind_ = SourceKind::kNone;
      graph_.Reset();
      return hr;
    }
    upstream = source_;
  }

  kind_ = kind;
  const HRESULT hr = BuildChain(upstream.Get());
  if (FAILED(hr)) {
    RemoveChain();
    return hr;
  }
  if (kind == PlayerState::kPlayerLive) return S_OK;

  if (!options_.paced) {
    if (ComPtr<IMediaFilter> filter = graph_.As<IMediaFilter>()) filter->SetSyncSource(nullptr);
  }
  // A time-shift player shows what is on now, however long the buffer; a
  // file plays from its start.
  if (kind == PlayerState::kPlayerTimeShift) {
    JumpToLive();
  } else {
    SeekToFraction(0, 100);
  }
  return S_OK;
}

HRESULT PlayerGraph::BuildChain(IBaseFilter* upstream) {
  const std::uint32_t rendererKind = options_.rendererKind;
  const bool captions = rendererKind == 6 || rendererKind == 7;
  IBaseFilter* videoUpstream = upstream;
  if (captions) {
    // A failure there has shown its message and costs only the captions.
    if (SUCCEEDED(AddCaptionPath(graph_.Get(), upstream, options_.captionsOn, captions_)))
      videoUpstream = captions_.videoTee.Get();
  }
  HRESULT hr = AddVideoDecoder(videoUpstream);
  if (FAILED(hr)) return hr;
  hr = AddAudioDecoder(upstream);
  if (FAILED(hr)) return hr;
  hr = AddVideoRenderer(graph_.Get(), videoDecoder_.Get(), rendererKind, window_, video_,
                        options_.area, options_.overscan);
  if (FAILED(hr)) return hr;
  if (captions) ConnectCaptionRenderer(graph_.Get(), captions_, video_.renderer.Get());
  hr = AddAudioRenderer();
  if (FAILED(hr)) return hr;
  if (kind_ == PlayerState::kPlayerLive) return S_OK;
  return AddTextRenderer();
}

HRESULT PlayerGraph::AddVideoDecoder(IBaseFilter* upstream) {
  BoundDecoder d = BindDecoder(options_.videoDecoder);
  if (FAILED(d.parsed)) return Show("Parse video decoder display name failed. Error: %s", d.parsed);
  if (FAILED(d.bound)) return Show("Create instance of video decoder failed. Error: %s", d.bound);
  const std::u16string name = d.friendlyName.empty() ? u"Video Decoder" : d.friendlyName;
  HRESULT hr = graph_->AddFilter(d.filter.Get(), name.c_str());
  if (FAILED(hr)) return Show("Adding video decoder to filter graph failed. Error: %s", hr);
  std::printf("loaded video decoder: %s\n", common::ToUtf8(name).c_str());
  hr = ConnectFilters(graph_.Get(), upstream, d.filter.Get());
  if (FAILED(hr)) {
    graph_->RemoveFilter(d.filter.Get());
    return Show("Video decoder failed to connect to upstream filter. Error: %s", hr);
  }
  videoDecoder_ = d.filter;
  return S_OK;
}

HRESULT PlayerGraph::AddAudioDecoder(IBaseFilter* upstream) {
  BoundDecoder d = BindDecoder(options_.audioDecoder);
  if (FAILED(d.parsed)) return Show("Invalid audio decoder. Error: %s\n", d.parsed);
  if (FAILED(d.bound)) return Show("Couldn't create audio decoder. Error: %s\n", d.bound);
  if (d.friendlyName.empty()) return E_FAIL;
  std::printf("loading audio decoder: %s\n", common::ToUtf8(d.friendlyName).c_str());
  HRESULT hr = graph_->AddFilter(d.filter.Get(), d.friendlyName.c_str());
  if (FAILED(hr)) return hr;
  audioDecoder_ = d.filter;
  hr = ConnectFilters(graph_.Get(), upstream, d.filter.Get());
  if (FAILED(hr)) return Show("Can not connect audio decoder to upstream filter. Error %s", hr);
  return S_OK;
}

HRESULT PlayerGraph::AddAudioRenderer() {
  ComPtr<IBaseFilter> renderer;
  HRESULT hr = CoCreateInstance(options_.audioRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&renderer));
  if (FAILED(hr)) return Show("Creating audio renderer failed. Error %s", hr);
  hr = graph_->AddFilter(renderer.Get(), u"Audio Renderer");
  if (FAILED(hr)) return Show("Adding audio renderer failed. Error: %s", hr);
  hr = ConnectFilters(graph_.Get(), audioDecoder_.Get(), renderer.Get());
  if (FAILED(hr)) {
    graph_->RemoveFilter(renderer.Get());
    return Show("Connecting audio renderer failed. Error: %s", hr);
  }
  audioRenderer_ = renderer;
  SetVolume(options_.volume, options_.muted);
  return S_OK;
}

HRESULT PlayerGraph::AddTextRenderer() {
  CTextOutFilter* created = nullptr;
  HRESULT hr = CreateTextRenderer(&created);
  ComPtr<IBaseFilter> renderer;
  if (SUCCEEDED(hr)) renderer.Attach(created);
  if (FAILED(hr)) return Show("Can not create text renderer filter. Error: %s", hr);
  hr = graph_->AddFilter(renderer.Get(), u"text renderer");
  if (FAILED(hr)) return Show("Can not add text renderer filter to graph. Error: %s", hr);
  textRenderer_ = renderer;
  ConnectFilters(graph_.Get(), source_.Get(), renderer.Get());  // a stream without text is no fault
  return S_OK;
}

void PlayerGraph::RemoveFilter(ComPtr<IBaseFilter>& filter) {
  if (filter && graph_) graph_->RemoveFilter(filter.Get());
  filter.Reset();
}

// Removes in the order of teardown whatever is there; the caption filters go
// by their slots, whatever the renderer kind now is.
void PlayerGraph::RemoveChain() {
  if (graph_) {
    RemoveFilter(audioRenderer_);
    RemoveVideoRenderer(graph_.Get(), window_, video_);
    RemoveFilter(audioDecoder_);
    RemoveFilter(videoDecoder_);
    RemoveCaptionPath(graph_.Get(), captions_);
    if (kind_ != PlayerState::kPlayerLive) {
      RemoveSource(graph_.Get(), sourceKind_, source_);
      if (textRenderer_ && FAILED(graph_->RemoveFilter(textRenderer_.Get())))
        common::ErrorBox("Can not remove text render filter from graph. Error: %s", "E_FAIL");
      textRenderer_.Reset();
    }
  }
  sourceKind_ = SourceKind::kNone;
  graph_.Reset();
  kind_ = PlayerState::kNone;
  runState_ = PlayerRunState::kStopped;
}

HRESULT PlayerGraph::TearDown() {
  std::lock_guard lock(lock_);
  if (kind_ == PlayerState::kNone) return S_OK;
  RemoveChain();
  return S_OK;
}

PlayerState PlayerGraph::Kind() const {
  std::lock_guard lock(lock_);
  return kind_;
}

PlayerRunState PlayerGraph::RunState() const {
  std::lock_guard lock(lock_);
  return runState_;
}

bool PlayerGraph::AtEndOfFile() const {
  std::lock_guard lock(lock_);
  return endOfFile_;
}

ComPtr<IBaseFilter> PlayerGraph::VideoDecoder() const {
  std::lock_guard lock(lock_);
  return videoDecoder_;
}

ComPtr<IBaseFilter> PlayerGraph::AudioDecoder() const {
  std::lock_guard lock(lock_);
  return audioDecoder_;
}

ComPtr<IBaseFilter> PlayerGraph::Line21Decoder() const {
  std::lock_guard lock(lock_);
  return captions_.line21Decoder;
}

ComPtr<IGraphBuilder> PlayerGraph::Graph() const {
  std::lock_guard lock(lock_);
  return kind_ == PlayerState::kPlayerLive ? nullptr : graph_;
}

VideoRendererSlot PlayerGraph::Video() const {
  std::lock_guard lock(lock_);
  return video_;
}

}  // namespace graph
