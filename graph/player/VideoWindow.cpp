#include "graph/player/VideoWindow.h"

#include <cstdio>
#include <memory>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "graph/ingest/ConnectFilters.h"
#include "platform/av/video/FrameSink.h"
#include "platform/av/video/SurfaceTable.h"
#include "platform/av/video/VideoFormats.h"
#include "platform/com/ClassFactory.h"

namespace graph {
namespace {

constexpr long kVideoWindowWidth = 500;
constexpr long kVideoWindowHeight = 280;
constexpr long kChildWindowStyle = 0x46000000;  // child, clipping siblings and children
constexpr long kKeptStyleBits = static_cast<long>(0xFF3BFFFF);  // no caption or sizing border
constexpr DWORD kWindowlessRenderingPrefs = 1;
constexpr DWORD kWindowlessMixingPrefs = 0x2019;

const char* Name(HRESULT hr, std::string& text) {
  text = com::ResultName(hr);
  return text.c_str();
}

// The renderer of a failed step leaves the graph again.
HRESULT Fail(IGraphBuilder* graph, IBaseFilter* added, HRESULT hr) {
  if (added != nullptr) graph->RemoveFilter(added);
  return FAILED(hr) ? hr : E_FAIL;
}

void SetUpOwnWindow(const VideoWindowState& window, IBaseFilter* renderer) {
  ComPtr<IVideoWindow> videoWindow;
  const HRESULT hr = renderer->QueryInterface(IID_PPV_ARGS(&videoWindow));
  std::string name;
  if (FAILED(hr)) {
    common::ErrorBox("No IVideoWindow interface found on video renderer. Error %s", Name(hr, name));
    return;
  }
  videoWindow->put_Owner(window.mainWindow);
  videoWindow->put_MessageDrain(window.mainWindow);
  LONG style = 0;
  videoWindow->get_WindowStyle(&style);
  videoWindow->put_WindowStyle((style & kKeptStyleBits) | kChildWindowStyle);
  videoWindow->put_BorderColor(static_cast<LONG>(window.borderColour));
}

// The windowless kinds' video window: the one given, or a frame sink.
OAHWND VideoWindowHandle(VideoWindowState& window) {
  if (window.videoWindow == 0) {
    auto sink = std::make_shared<av::video::CFrameSink>();
    sink->Place({0, 0, kVideoWindowWidth, kVideoWindowHeight});
    window.videoWindow = av::video::PublishSurface(std::move(sink));
    window.madeVideoWindow = true;
  }
  return window.videoWindow;
}

void DestroyVideoWindow(VideoWindowState& window) {
  if (!window.madeVideoWindow) return;
  av::video::WithdrawSurface(window.videoWindow);
  window.videoWindow = 0;
  window.madeVideoWindow = false;
}

HRESULT AddWindowed(IGraphBuilder* graph, IBaseFilter* decoder, const VideoWindowState& window,
                    ComPtr<IBaseFilter>& renderer) {
  std::string name;
  HRESULT hr = CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&renderer));
  if (FAILED(hr)) {
    common::ErrorBox("Creating VideoMixingRenderer9 returns %s", Name(hr, name));
    return hr;
  }
  ComPtr<IVMRFilterConfig9> config;
  hr = renderer.As(&config);
  if (FAILED(hr)) {
    common::ErrorBox("Querying IVMRFilterConfig9 returns %s", Name(hr, name));
    return hr;
  }
  hr = config->SetRenderingMode(VMR9Mode_Windowed);
  if (FAILED(hr)) {
    common::ErrorBox("SetRenderingMode returns %s", Name(hr, name));
    return hr;
  }
  hr = graph->AddFilter(renderer.Get(), u"VMR 9");
  if (FAILED(hr)) {
    common::ErrorBox("Adding Video Renderer to the FilterGraph Failed\n");
    return hr;
  }
  hr = ConnectFilters(graph, decoder, renderer.Get());
  if (FAILED(hr)) {
    common::ErrorBox("Can't connect render to video decoder\n");
    return Fail(graph, renderer.Get(), hr);
  }
  SetUpOwnWindow(window, renderer.Get());
  return S_OK;
}

HRESULT AddWindowless(IGraphBuilder* graph, IBaseFilter* decoder, VideoWindowState& window,
                      ComPtr<IBaseFilter>& renderer) {
  std::string name;
  HRESULT hr = CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&renderer));
  if (FAILED(hr)) {
    common::ErrorBox("Could not create Video Mixing Renderer 9 (windowless) instance. Error %s\n",
                     Name(hr, name));
    return hr;
  }
  ComPtr<IVMRFilterConfig9> config;
  hr = renderer.As(&config);
  if (FAILED(hr)) {
    common::ErrorBox("Could not query IVMRFilterConfig9 interface %s.\n", Name(hr, name));
    return hr;
  }
  hr = config->SetNumberOfStreams(2);
  if (SUCCEEDED(hr)) hr = config->SetRenderingMode(VMR9Mode_Windowless);
  if (SUCCEEDED(hr)) hr = config->SetRenderingPrefs(kWindowlessRenderingPrefs);
  if (FAILED(hr)) {
    common::ErrorBox("Setting VMR9 rendering mode failed. Error: %s", Name(hr, name));
    return hr;
  }
  ComPtr<IVMRWindowlessControl9> windowless;
  hr = renderer.As(&windowless);
  if (FAILED(hr)) {
    common::ErrorBox("Querying windowless control interface failed. Error: %s", Name(hr, name));
    return hr;
  }
  windowless->SetVideoClippingWindow(VideoWindowHandle(window));
  windowless->SetBorderColor(window.borderColour);
  windowless->SetAspectRatioMode(VMR9ARMode_None);
  ComPtr<IVMRMixerControl9> mixer;
  if (SUCCEEDED(renderer.As(&mixer))) mixer->SetMixingPrefs(kWindowlessMixingPrefs);
  hr = graph->AddFilter(renderer.Get(), u"VMR 9");
  if (FAILED(hr)) {
    common::ErrorBox("Adding video renderer failed. Error: %s", Name(hr, name));
    return hr;
  }
  hr = ConnectFilters(graph, decoder, renderer.Get());
  if (FAILED(hr)) {
    common::ErrorBox("Connecting video render to video decoder failed. Error: %s", Name(hr, name));
    return Fail(graph, renderer.Get(), hr);
  }
  window.windowless = windowless;
  return S_OK;
}

}  // namespace

HRESULT AddVideoRenderer(IGraphBuilder* graph, IBaseFilter* decoder, std::uint32_t kind,
                         VideoWindowState& window, VideoRendererSlot& slot,
                         const common::VideoRect& area, const common::Overscan& overscan) {
  if (graph == nullptr || decoder == nullptr) return E_POINTER;
  ComPtr<IBaseFilter> renderer;
  HRESULT hr = E_FAIL;
  if (kind == 5) {
    hr = AddWindowed(graph, decoder, window, renderer);
  } else if (kind == 6) {
    hr = AddWindowless(graph, decoder, window, renderer);
    if (FAILED(hr)) DestroyVideoWindow(window);
  }
  if (FAILED(hr)) return hr;
  slot.kind = kind;
  slot.renderer = renderer;
  ReadNativeVideoFormat(slot);
  LayOutVideo(window, slot, area, overscan);
  return S_OK;
}

HRESULT RemoveVideoRenderer(IGraphBuilder* graph, VideoWindowState& window,
                            VideoRendererSlot& slot) {
  if (graph == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  if (slot.kind == 6) {
    window.windowless.Reset();
    if (slot.renderer) hr = graph->RemoveFilter(slot.renderer.Get());
    DestroyVideoWindow(window);
  } else if (slot.kind == 5 && slot.renderer) {
    ComPtr<IVideoWindow> videoWindow;
    if (SUCCEEDED(slot.renderer.As(&videoWindow))) {
      videoWindow->put_Visible(0);
      videoWindow->put_Owner(0);
    }
    hr = graph->RemoveFilter(slot.renderer.Get());
  }
  slot.renderer.Reset();
  slot.kind = 0;
  return hr;
}

void ReadNativeVideoFormat(VideoRendererSlot& slot) {
  if (!slot.renderer) return;
  ComPtr<IEnumPins> pins;
  if (FAILED(slot.renderer->EnumPins(&pins))) return;
  ComPtr<IPin> pin;
  // The connection type's picture and aspect.
  LONG connectedWidth = 0, connectedHeight = 0;
  common::PictureAspect connectedAspect;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_INFO info;
    pin->QueryPinInfo(&info);
    if (info.pFilter) info.pFilter->Release();
    const std::u16string pinName(info.achName);
    AM_MEDIA_TYPE mt;
    const bool connected = SUCCEEDED(pin->ConnectionMediaType(&mt));
    std::printf("found pin: %s %s\n", common::ToUtf8(pinName).c_str(),
                connected ? media::DescribeMediaType(mt).c_str() : "not connected");
    if (pinName == u"VMR Input0" && connected) {
      if (const auto format = av::video::ReadNativeVideoFormat(mt)) {
        slot.source = format->source;
        slot.nativeWidth = format->source.Width();
        slot.nativeHeight = format->source.Height();
        slot.aspect = format->aspect;
        slot.frameRate = format->framesPerSecond;
        slot.interlaced = format->interlaced;
        connectedWidth = format->width;
        connectedHeight = format->height;
        connectedAspect = common::AspectFor(common::AspectMode::kPicture, format->aspect,
                                            format->width, format->height, {});
      }
    }
    if (connected) FreeMediaType(mt);
    pin.Reset();
  }
  // The connection keeps the type it was made with; a picture that changed
  // its size or aspect later (the decoder's first sequence header) is known
  // to the renderer.
  ComPtr<IVMRWindowlessControl9> renderer;
  LONG width = 0, height = 0, aspectX = 0, aspectY = 0;
  if (SUCCEEDED(slot.renderer.As(&renderer)) &&
      SUCCEEDED(renderer->GetNativeVideoSize(&width, &height, &aspectX, &aspectY)) &&
      (width != connectedWidth || height != connectedHeight ||
       aspectX * connectedAspect.y != aspectY * connectedAspect.x) &&
      width > 0 && height > 0) {
    slot.source = {0, 0, width, height};
    slot.nativeWidth = width;
    slot.nativeHeight = height;
    slot.aspect = {aspectX, aspectY};
  }
}

void LayOutVideo(const VideoWindowState& window, VideoRendererSlot& slot,
                 const common::VideoRect& area, const common::Overscan& overscan) {
  if (area.IsEmpty() || !slot.renderer) return;
  const common::PictureAspect aspect =
      common::AspectFor(window.aspectMode, slot.aspect, slot.nativeWidth, slot.nativeHeight, area);
  slot.destination = common::FitAspect(area, aspect);
  const common::VideoRect& d = slot.destination;
  const RECT client{0, 0, static_cast<LONG>(d.Width()), static_cast<LONG>(d.Height())};

  if (slot.kind == 6 && window.windowless) {
    LONG width = 0, height = 0;
    window.windowless->GetNativeVideoSize(&width, &height, nullptr, nullptr);
    const common::VideoRect s = common::CutOverscan({}, width, height, overscan);
    if (auto surface = av::video::FindSurface(window.videoWindow)) surface->Place(d);
    ComPtr<IVMRMixerControl9> mixer;
    if (SUCCEEDED(slot.renderer.As(&mixer))) {
      const VMR9NormalizedRect whole;
      mixer->SetOutputRect(0, &whole);
    }
    const RECT source{static_cast<LONG>(s.left), static_cast<LONG>(s.top),
                      static_cast<LONG>(s.right), static_cast<LONG>(s.bottom)};
    window.windowless->SetVideoPosition(&source, &client);
    window.windowless->RepaintVideo(window.videoWindow, 0);
  } else if (slot.kind == 5) {
    const common::VideoRect s =
        common::CutOverscan(slot.source, slot.nativeWidth, slot.nativeHeight, overscan);
    ComPtr<IVideoWindow> videoWindow;
    if (SUCCEEDED(slot.renderer.As(&videoWindow))) {
      videoWindow->SetWindowPosition(static_cast<LONG>(d.left), static_cast<LONG>(d.top),
                                     client.right, client.bottom);
    }
    // The destination inside the renderer's window, which already sits at
    // the destination rectangle: the whole window.
    ComPtr<IBasicVideo> basicVideo;
    if (SUCCEEDED(slot.renderer.As(&basicVideo))) {
      basicVideo->SetSourcePosition(static_cast<LONG>(s.left), static_cast<LONG>(s.top),
                                    static_cast<LONG>(s.Width()), static_cast<LONG>(s.Height()));
      basicVideo->SetDestinationPosition(0, 0, client.right, client.bottom);
    }
  }
}

}  // namespace graph
