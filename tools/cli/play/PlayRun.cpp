#include "tools/cli/play/PlayRun.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/Utf16.h"
#include "filters/source/Mpeg2Source.h"
#include "filters/text/TextRecord.h"
#include "graph/ingest/ConnectFilters.h"
#include "platform/av/NullRenderer.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"

namespace play {
namespace {

using namespace std::chrono_literals;

// A list's newest chunk may grow for ever: reading ends once nothing has
// arrived for this long.
constexpr auto kIdleEnd = 1500ms;

struct Options {
  std::filesystem::path file;
  std::optional<double> seek;
  std::optional<double> rate;
};

std::optional<double> ParseNumber(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

int ParseOptions(std::span<const std::string> args, Options& o, std::FILE* err) {
  bool ok = true;
  for (std::size_t i = 0; i < args.size() && ok; ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--seek" && hasValue) {
      o.seek = ParseNumber(args[++i]);
      ok = o.seek.has_value() && *o.seek >= 0;
    } else if (a == "--rate" && hasValue) {
      o.rate = ParseNumber(args[++i]);
      ok = o.rate.has_value();
    } else if (!a.starts_with("--") && o.file.empty()) {
      o.file = a;
    } else {
      ok = false;
    }
  }
  if (!ok || o.file.empty()) {
    std::fprintf(err, "usage: corvane-cli play %s\n", kPlayUsage);
    return 2;
  }
  return 0;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

double Seconds(REFERENCE_TIME time) {
  return static_cast<double>(time) / 10'000'000.0;
}

// The text records the text stream carried, each once, in order of arrival.
class TextLog {
 public:
  void Add(IMediaSample* sample) {
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || data == nullptr) return;
    const auto length = static_cast<std::size_t>(std::max<LONG>(sample->GetActualDataLength(), 0));
    tables::NowPlayingInfo info{};
    if (!text::DecodeTextRecord({data, length}, &info)) {
      std::lock_guard lock(mutex_);
      ++undecodable_;
      return;
    }
    std::string line = common::ToUtf8(common::FieldView(info.shortName));
    const std::string title = common::ToUtf8(common::FieldView(info.title));
    const std::string timeLine = common::ToUtf8(common::FieldView(info.timeLine));
    if (!title.empty()) line += (line.empty() ? "" : ": ") + title;
    if (!timeLine.empty()) line += " (" + timeLine + ")";
    if (line.empty()) line = "(no programme information)";
    std::lock_guard lock(mutex_);
    if (lines_.empty() || lines_.back() != line) lines_.push_back(line);
  }

  void Print(std::FILE* out) {
    std::lock_guard lock(mutex_);
    for (const std::string& line : lines_)
      std::fprintf(out, "text: %s\n", line.c_str());
    if (undecodable_ > 0) std::fprintf(out, "text: %llu samples not readable\n", undecodable_);
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
  unsigned long long undecodable_ = 0;
};

struct Stream {
  const char* name;
  psfile::PinType pin;
  ComPtr<av::CNullRenderer> renderer;
};

}  // namespace

int RunPlay(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (const int code = ParseOptions(args, o, err)) return code;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(o.file, ec))
    return Fail(err, "no file \"" + o.file.string() + "\"");

  media::RegisterClasses();
  ComPtr<IFilterGraph2> graph;
  HRESULT hr =
      CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
  if (FAILED(hr)) return Fail(err, "cannot create a filter graph: " + com::ResultName(hr));

  HRESULT created = S_OK;
  ComPtr<psfile::CMPEG2Source> source(new psfile::CMPEG2Source(&created));
  if (FAILED(created)) return Fail(err, "cannot create the MPEG-2 source");
  hr = graph->AddFilter(source.Get(), u"MPEG-2 Source");
  const std::u16string path = common::FromUtf8(o.file.string());
  if (SUCCEEDED(hr)) hr = source->Load(path.c_str(), nullptr);
  if (FAILED(hr))
    return Fail(err, "cannot open \"" + o.file.string() + "\": " + com::ResultName(hr));

  // Renderers for the three pins, in the source's pin order.
  Stream streams[] = {{"video", psfile::PinType::kVideo, nullptr},
                      {"audio", psfile::PinType::kAudio, nullptr},
                      {"text", psfile::PinType::kText, nullptr}};
  TextLog texts;
  for (Stream& s : streams) {
    s.renderer = new av::CNullRenderer(&created);
    s.renderer->SetRenderImmediately(true);
    hr = graph->AddFilter(s.renderer.Get(),
                          common::FromUtf8(std::string(s.name) + " renderer").c_str());
    if (SUCCEEDED(hr)) hr = graph::ConnectFilters(graph.Get(), source.Get(), s.renderer.Get());
    if (FAILED(hr)) return Fail(err, std::string("cannot connect the ") + s.name + " pin");
  }
  streams[2].renderer->SetCallback([&texts](IMediaSample* sample) { texts.Add(sample); });

  // No clock: the streams are read as fast as the source delivers them.
  if (ComPtr<IMediaFilter> filter = graph.As<IMediaFilter>()) filter->SetSyncSource(nullptr);
  ComPtr<IMediaSeeking> seeking = graph.As<IMediaSeeking>();
  if (!seeking) seeking = source.As<IMediaSeeking>();
  if (o.rate) {
    hr = seeking ? seeking->SetRate(*o.rate) : E_NOINTERFACE;
    if (FAILED(hr))
      return Fail(err, "rate " + std::to_string(*o.rate) + " refused: " + com::ResultName(hr));
  }
  if (o.seek) {
    LONGLONG position = static_cast<LONGLONG>(*o.seek * 10'000'000.0);
    hr = seeking ? seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                         AM_SEEKING_NoPositioning)
                 : E_NOINTERFACE;
    if (FAILED(hr)) return Fail(err, "cannot seek: " + com::ResultName(hr));
  }

  ComPtr<IMediaControl> control = graph.As<IMediaControl>();
  hr = control ? control->Run() : E_NOINTERFACE;
  if (FAILED(hr)) return Fail(err, "cannot run the graph: " + com::ResultName(hr));

  // Until every stream has ended, or nothing more arrives (a list's live edge).
  std::uint64_t lastCount = 0;
  auto lastChange = std::chrono::steady_clock::now();
  bool ended = false;
  for (;;) {
    std::this_thread::sleep_for(20ms);
    std::uint64_t count = 0;
    ended = true;
    for (Stream& s : streams) {
      const av::CNullRenderer::Stats stats = s.renderer->GetStats();
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
  const HRESULT available = source->GetAvailable(&earliest, &latest);
  control->Stop();

  for (Stream& s : streams) {
    const av::CNullRenderer::Stats stats = s.renderer->GetStats();
    std::fprintf(out, "%s: %llu samples, %llu bytes", s.name,
                 static_cast<unsigned long long>(stats.samples),
                 static_cast<unsigned long long>(stats.bytes));
    if (stats.timedSamples > 0)
      std::fprintf(out, ", %.3f s to %.3f s", Seconds(stats.firstStart), Seconds(stats.lastStart));
    std::fprintf(out, "\n");
  }
  texts.Print(out);
  if (SUCCEEDED(available))
    std::fprintf(out, "available: %.3f s to %.3f s\n", Seconds(earliest), Seconds(latest));
  std::fprintf(out, "%s\n", ended ? "end of stream" : "no more data (live edge)");
  for (Stream& s : streams)
    graph->RemoveFilter(s.renderer.Get());
  graph->RemoveFilter(source.Get());
  return 0;
}

}  // namespace play
