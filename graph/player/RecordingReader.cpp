#include "graph/player/RecordingReader.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/Utf16.h"
#include "filters/text/TextRecord.h"
#include "graph/ingest/ConnectFilters.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"

namespace graph {
namespace {

using namespace std::chrono_literals;

// A list's newest chunk may grow for ever: reading ends once nothing has
// arrived for this long.
constexpr auto kIdleEnd = 1500ms;

constexpr const char* kStreamNames[] = {"video", "audio", "text"};
constexpr std::size_t kTextStream = 2;

void DecodeText(IMediaSample* sample, const RecordingReader::TextCallback& onText) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || data == nullptr) return;
  const auto length = static_cast<std::size_t>(std::max<LONG>(sample->GetActualDataLength(), 0));
  tables::NowPlayingInfo info{};
  onText(filters::DecodeTextRecord({data, length}, &info) ? &info : nullptr);
}

}  // namespace

RecordingReader::~RecordingReader() {
  TearDown();
}

bool RecordingReader::Build(const std::filesystem::path& file, TextCallback onText,
                            std::string* error) {
  onText_ = std::move(onText);
  media::RegisterClasses();
  HRESULT hr =
      CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_));
  if (FAILED(hr)) {
    *error = "cannot create a filter graph: " + com::ResultName(hr);
    return false;
  }

  HRESULT created = S_OK;
  source_ = new filters::CMPEG2Source(&created);
  if (FAILED(created)) {
    *error = "cannot create the MPEG-2 source";
    return false;
  }
  hr = graph_->AddFilter(source_.Get(), u"MPEG-2 Source");
  const std::u16string path = common::FromUtf8(file.string());
  if (SUCCEEDED(hr)) hr = source_->Load(path.c_str(), nullptr);
  if (FAILED(hr)) {
    *error = "cannot open \"" + file.string() + "\": " + com::ResultName(hr);
    return false;
  }

  // Renderers for the three pins, in the source's pin order.
  for (std::size_t i = 0; i < renderers_.size(); ++i) {
    ComPtr<av::CNullRenderer>& renderer = renderers_[i];
    renderer = new av::CNullRenderer(&created);
    renderer->SetRenderImmediately(true);
    hr = graph_->AddFilter(renderer.Get(),
                           common::FromUtf8(std::string(kStreamNames[i]) + " renderer").c_str());
    if (SUCCEEDED(hr)) hr = ConnectFilters(graph_.Get(), source_.Get(), renderer.Get());
    if (FAILED(hr)) {
      *error = std::string("cannot connect the ") + kStreamNames[i] + " pin";
      return false;
    }
  }
  renderers_[kTextStream]->SetCallback([this](IMediaSample* sample) {
    if (onText_) DecodeText(sample, onText_);
  });

  // No clock: the streams are read as fast as the source delivers them.
  if (ComPtr<IMediaFilter> filter = graph_.As<IMediaFilter>()) filter->SetSyncSource(nullptr);
  seeking_ = graph_.As<IMediaSeeking>();
  if (!seeking_) seeking_ = source_.As<IMediaSeeking>();
  return true;
}

bool RecordingReader::SetRate(double rate, std::string* error) {
  const HRESULT hr = seeking_ ? seeking_->SetRate(rate) : E_NOINTERFACE;
  if (FAILED(hr)) {
    *error = "rate " + std::to_string(rate) + " refused: " + com::ResultName(hr);
    return false;
  }
  return true;
}

bool RecordingReader::Seek(double seconds, std::string* error) {
  LONGLONG position = static_cast<LONGLONG>(seconds * 10'000'000.0);
  const HRESULT hr = seeking_ ? seeking_->SetPositions(&position, AM_SEEKING_AbsolutePositioning,
                                                       nullptr, AM_SEEKING_NoPositioning)
                              : E_NOINTERFACE;
  if (FAILED(hr)) {
    *error = "cannot seek: " + com::ResultName(hr);
    return false;
  }
  return true;
}

bool RecordingReader::Read(ReadReport& report, std::string* error) {
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>();
  const HRESULT hr = control ? control->Run() : E_NOINTERFACE;
  if (FAILED(hr)) {
    *error = "cannot run the graph: " + com::ResultName(hr);
    return false;
  }

  // Until every stream has ended, or nothing more arrives (a list's live edge).
  std::uint64_t lastCount = 0;
  auto lastChange = std::chrono::steady_clock::now();
  bool ended = false;
  for (;;) {
    std::this_thread::sleep_for(20ms);
    std::uint64_t count = 0;
    ended = true;
    for (const ComPtr<av::CNullRenderer>& renderer : renderers_) {
      const av::CNullRenderer::Stats stats = renderer->GetStats();
      count += stats.samples;
      ended = ended && stats.endOfStreams > 0;
    }
    if (ended) break;
    if (count != lastCount) {
      lastCount = count;
      lastChange = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - lastChange > kIdleEnd) {
      break;
    }
  }
  LONGLONG earliest = 0, latest = 0;
  const HRESULT available = source_->GetAvailable(&earliest, &latest);
  control->Stop();

  for (std::size_t i = 0; i < renderers_.size(); ++i)
    report.streams[i] = {kStreamNames[i], renderers_[i]->GetStats()};
  if (SUCCEEDED(available)) report.available = std::array<LONGLONG, 2>{earliest, latest};
  report.ended = ended;
  TearDown();
  return true;
}

void RecordingReader::TearDown() {
  if (!graph_) return;
  if (ComPtr<IMediaControl> control = graph_.As<IMediaControl>()) control->Stop();
  for (ComPtr<av::CNullRenderer>& renderer : renderers_) {
    if (renderer) graph_->RemoveFilter(renderer.Get());
  }
  if (source_) graph_->RemoveFilter(source_.Get());
  renderers_ = {};
  source_ = nullptr;
  seeking_ = nullptr;
  graph_ = nullptr;
}

}  // namespace graph
