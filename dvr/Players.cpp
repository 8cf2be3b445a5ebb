#include "dvr/Players.h"

#include <cstdio>
#include <utility>

#include "common/Utf16.h"
#include "graph/player/StreamBufferPlayback.h"
#include "platform/av/AvClasses.h"
#include "platform/av/audio/AudioRenderer.h"
#include "platform/av/decoders/DecoderClasses.h"
#include "platform/av/video/SurfaceTable.h"
#include "platform/av/video/qt/ChildVideoWidget.h"

namespace dvr {

std::uint32_t RendererKindHere(std::uint32_t chosen) {
  return chosen == 0 || chosen == 5 || chosen == 6 ? chosen : 6;
}

namespace {

common::VideoRect AreaOf(const ui::Frame* frame) {
  if (frame == nullptr) return {};
  const ui::Rect r = frame->VideoArea();
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

Players::Players(const app::TunerManager& manager, std::function<void()> refreshControls)
    : manager_(manager), refreshControls_(std::move(refreshControls)) {
  av::RegisterClasses();
  av::RegisterDecoders();
  graph::UseStreamBufferSource();
}

Players::~Players() {
  Clear();
  av::video::SetWindowMaker(nullptr);
  if (window_.videoWindow != 0 && !window_.madeVideoWindow)
    av::video::WithdrawSurface(window_.videoWindow);
}

void Players::AttachVideoArea(ui::Frame& frame) {
  frame_ = &frame;
  area_ = av::video::MakeChildVideoWidget(frame.VideoAreaHandle());
  const OAHWND handle = av::video::PublishSurface(area_);
  window_.videoWindow = handle;
  window_.mainWindow = handle;
  // The windowed renderer's own window is the same widget.
  std::weak_ptr<av::video::VideoSurface> area = area_;
  av::video::SetWindowMaker(
      [area, handle](OAHWND owner) -> std::shared_ptr<av::video::VideoSurface> {
        if (owner == handle) {
          if (auto surface = area.lock()) return surface;
        }
        return nullptr;
      });
}

graph::PlayerOptions Players::Options() const {
  const app::Settings& s = manager_.settings;
  graph::PlayerOptions o;
  o.videoDecoder = std::u16string(common::FieldView(manager_.videoDecoder));
  o.audioDecoder = std::u16string(common::FieldView(manager_.audioDecoder));
  o.rendererKind = RendererKindHere(s.videoRenderer);
  o.captionsOn = (s.viewFlags & app::kCaptionsOn) != 0;
  o.volume = s.volume;
  o.muted = s.muted != 0;
  o.area = AreaOf(frame_);
  o.overscan = {s.overscanLeft, s.overscanRight, s.overscanTop, s.overscanBottom};
  o.audioRenderer = CLSID_DSoundRender;
  return o;
}

graph::PlayerGraph* Players::Add() {
  players_.push_back(std::make_unique<graph::PlayerGraph>(window_));
  players_.back()->SetOptions(Options());
  return players_.back().get();
}

void Players::RefreshOptions() {
  for (const auto& player : players_)
    player->SetOptions(Options());
}

void Players::Clear() {
  players_.clear();
  if (area_) area_->Clear();
}

graph::PlayerGraph* Players::At(std::size_t index) const {
  return index < players_.size() ? players_[index].get() : nullptr;
}

bool Players::Showing(const graph::CBDAFilterGraph* graph) {
  return graph != nullptr && graph->Player() != graph::PlayerState::kNone;
}

void Players::OnPlayerGraphEvent(std::size_t index) {
  graph::PlayerGraph* player = At(index);
  if (player == nullptr) return;
  ComPtr<IMediaEventEx> events;
  if (const ComPtr<IGraphBuilder> g = player->Graph()) g.As(&events);
  handling_ = player;
  graph::HandlePlayerGraphEvents(events.Get(), *player, *this);
  handling_ = nullptr;
}

void Players::OnTunerGraphEvent(graph::CBDAFilterGraph& graph, std::size_t index) {
  graph::PlayerGraph* player = At(index);
  if (player == nullptr || !Showing(&graph)) return;
  ComPtr<IMediaEventEx> events;
  if (IFilterGraph2* g = graph.Ingest().Graph()) g->QueryInterface(IID_PPV_ARGS(&events));
  handling_ = player;
  graph::HandleTunerGraphEvents(events.Get(), *player, *this);
  handling_ = nullptr;
}

void Players::OnVideoResized(std::size_t index) {
  if (graph::PlayerGraph* player = At(index)) player->LayOut(AreaOf(frame_));
}

void Players::Trace(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
}

void Players::RefreshControls() {
  if (refreshControls_) refreshControls_();
}

void Players::LayOutVideo() {
  if (handling_ != nullptr) handling_->LayOut(AreaOf(frame_));
}

}  // namespace dvr
