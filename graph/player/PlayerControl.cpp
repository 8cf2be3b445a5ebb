// Run, pause, stop, positions and rate of a PlayerGraph.
#include <chrono>

#include "common/ErrorBox.h"
#include "graph/player/AudioVolume.h"
#include "graph/player/PlayerGraph.h"
#include "platform/av/audio/BasicAudio.h"
#include "platform/com/HResult.h"

namespace graph {
namespace {

constexpr LONG kStopWaitMilliseconds = 1000;

}  // namespace

ComPtr<IMediaControl> PlayerGraph::Control() const {
  return graph_ ? graph_.As<IMediaControl>() : ComPtr<IMediaControl>();
}

// The stream-buffer source seeks itself; the MPEG-2 source through the graph.
ComPtr<IMediaSeeking> PlayerGraph::Seeking() const {
  if (sourceKind_ == SourceKind::kStreamBufferSource && source_) return source_.As<IMediaSeeking>();
  return graph_ ? graph_.As<IMediaSeeking>() : ComPtr<IMediaSeeking>();
}

HRESULT PlayerGraph::Run() {
  std::lock_guard lock(lock_);
  if (kind_ == PlayerState::kNone) {
    runState_ = PlayerRunState::kStopped;
    return S_OK;
  }
  if (kind_ == PlayerState::kPlayerLive) {  // the tuner graph runs it
    runState_ = PlayerRunState::kRunning;
    return S_OK;
  }
  ComPtr<IMediaControl> control = Control();
  if (!control) {
    common::ErrorBox("Can not query IMediaControl interface. Error: %s", "E_NOINTERFACE");
    return E_NOINTERFACE;
  }
  // A file that played to its end plays again from its start.
  if (endOfFile_ && kind_ == PlayerState::kPlayerFile) SeekToFraction(0, 100);
  const HRESULT hr = control->Run();
  if (FAILED(hr)) {
    common::ErrorBox("Can not run graph. Error: %s", com::ResultName(hr).c_str());
    const HRESULT stopped = Stop();
    return FAILED(stopped) ? stopped : hr;
  }
  endOfFile_ = false;
  runState_ = PlayerRunState::kRunning;
  return S_OK;
}

HRESULT PlayerGraph::Pause() {
  std::lock_guard lock(lock_);
  ComPtr<IMediaControl> control = Control();
  if (!control || kind_ == PlayerState::kPlayerLive) return E_UNEXPECTED;
  const HRESULT hr = control->Pause();
  if (FAILED(hr)) return hr;
  runState_ = PlayerRunState::kPaused;
  return S_OK;
}

HRESULT PlayerGraph::Stop() {
  std::lock_guard lock(lock_);
  if (kind_ == PlayerState::kPlayerTimeShift || kind_ == PlayerState::kPlayerFile) {
    ComPtr<IMediaControl> control = Control();
    if (!control) {
      common::ErrorBox("Can not query IMediaControl interface. Error: %s\n", "E_NOINTERFACE");
      return E_NOINTERFACE;
    }
    HRESULT hr = control->Stop();
    if (hr == S_FALSE) {
      // Still stopping: stopped within the wait is stopped.
      OAFilterState state = State_Running;
      hr = control->GetState(kStopWaitMilliseconds, &state);
      hr = hr == S_OK && state == State_Stopped ? S_OK : E_FAIL;
    }
    if (FAILED(hr)) return hr;
  }
  runState_ = PlayerRunState::kStopped;
  return S_OK;
}

HRESULT PlayerGraph::SeekToFraction(LONGLONG numerator, LONGLONG denominator) {
  std::lock_guard lock(lock_);
  ComPtr<IMediaSeeking> seeking = Seeking();
  if (!seeking || denominator == 0) return E_UNEXPECTED;
  LONGLONG earliest = 0, latest = 0;
  HRESULT hr = seeking->GetAvailable(&earliest, &latest);
  if (FAILED(hr)) return hr;
  return SeekTo(earliest + (latest - earliest) * numerator / denominator);
}

HRESULT PlayerGraph::SeekTo(LONGLONG position) {
  std::lock_guard lock(lock_);
  ComPtr<IMediaSeeking> seeking = Seeking();
  if (!seeking) return E_UNEXPECTED;
  return seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                               AM_SEEKING_NoPositioning);
}

HRESULT PlayerGraph::JumpToLive() {
  std::lock_guard lock(lock_);
  ComPtr<IMediaSeeking> seeking = Seeking();
  if (!seeking || kind_ == PlayerState::kPlayerLive) return S_FALSE;
  LONGLONG earliest = 0, latest = 0;
  const HRESULT hr = seeking->GetAvailable(&earliest, &latest);
  return FAILED(hr) ? hr : SeekTo(latest);
}

HRESULT PlayerGraph::SetRate(double rate) {
  std::lock_guard lock(lock_);
  ComPtr<IMediaSeeking> seeking = Seeking();
  if (!seeking) return E_UNEXPECTED;
  DWORD capabilities = 0;
  seeking->GetCapabilities(&capabilities);
  const HRESULT hr = seeking->SetRate(rate);
  double now = 1.0;
  seeking->GetRate(&now);
  return hr;
}

double PlayerGraph::Rate() {
  std::lock_guard lock(lock_);
  ComPtr<IMediaSeeking> seeking = Seeking();
  double rate = 1.0;
  if (seeking) seeking->GetRate(&rate);
  return rate;
}

HRESULT PlayerGraph::GetPosition(PlayerPosition* position) {
  std::lock_guard lock(lock_);
  ComPtr<IMediaSeeking> seeking = Seeking();
  if (!seeking) return E_UNEXPECTED;
  PlayerPosition p;
  HRESULT hr = seeking->GetCurrentPosition(&p.current);
  if (SUCCEEDED(hr)) hr = seeking->GetAvailable(&p.earliest, &p.latest);
  if (FAILED(hr)) return hr;
  if (sourceKind_ == SourceKind::kMpeg2Source && p.current > p.latest) p.current = p.latest;
  *position = p;
  return S_OK;
}

HRESULT PlayerGraph::SetVolume(std::int32_t volume, bool muted) {
  std::lock_guard lock(lock_);
  options_.volume = volume;
  options_.muted = muted;
  ComPtr<IBasicAudio> audio;
  if (!audioRenderer_ || FAILED(audioRenderer_.As(&audio))) return E_NOINTERFACE;
  return audio->put_Volume(RendererVolume(volume, muted));
}

void PlayerGraph::EndOfFile() {
  std::lock_guard lock(lock_);
  // The live buffer has no end to reach: its player goes on.
  if (kind_ != PlayerState::kPlayerFile) return;
  Pause();
  endOfFile_ = true;
}

void PlayerGraph::LayOut(const common::VideoRect& area) {
  std::lock_guard lock(lock_);
  if (!area.IsEmpty()) options_.area = area;
  if (!video_.renderer) return;
  ReadNativeVideoFormat(video_);
  LayOutVideo(window_, video_, options_.area, options_.overscan);
}

}  // namespace graph
