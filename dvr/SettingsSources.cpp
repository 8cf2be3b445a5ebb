#include "dvr/SettingsSources.h"

#include "dvr/Players.h"
#include "graph/ingest/DecoderDevices.h"
#include "graph/ingest/TunerDevices.h"
#include "platform/av/video/RendererKinds.h"
#include "platform/ui/KnownFolders.h"
#include "platform/ui/Pickers.h"

namespace dvr {
namespace {

std::vector<app::DeviceEntry> Decoders(graph::DecoderKind kind, bool showAll) {
  std::vector<app::DeviceEntry> entries;
  for (graph::DecoderInfo& d : graph::EnumerateDecoders(kind, showAll))
    entries.push_back({std::move(d.friendlyName), std::move(d.displayName)});
  return entries;
}

}  // namespace

SettingsSources::SettingsSources(ui::WindowId owner, std::filesystem::path dataFolder,
                                 std::function<bool()> recording)
    : owner_(owner), dataFolder_(std::move(dataFolder)), recording_(std::move(recording)) {}

std::vector<app::DeviceEntry> SettingsSources::Tuners() {
  std::vector<app::DeviceEntry> entries;
  for (graph::TunerInfo& t : graph::EnumerateTuners())
    entries.push_back({std::move(t.friendlyName), std::move(t.displayName)});
  return entries;
}

std::vector<app::DeviceEntry> SettingsSources::VideoDecoders(bool showAll) {
  return Decoders(graph::DecoderKind::kMpeg2Video, showAll);
}

std::vector<app::DeviceEntry> SettingsSources::AudioDecoders(bool showAll) {
  return Decoders(graph::DecoderKind::kAc3Audio, showAll);
}

std::vector<app::RendererChoice> SettingsSources::Renderers() {
  std::vector<app::RendererChoice> choices;
  for (const av::video::RendererKind& kind : av::video::kRendererKinds) {
    if (kind.available) choices.push_back({kind.kind, std::string(kind.name)});
  }
  return choices;
}

std::uint32_t SettingsSources::RendererInUse(std::uint32_t chosen) {
  return RendererKindHere(chosen);
}

std::optional<std::filesystem::path> SettingsSources::BrowseFolder(
    std::string_view title, const std::filesystem::path& start) {
  return ui::PickFolder(owner_, title, start);
}

std::filesystem::path SettingsSources::DefaultRecordFolder() {
  return ui::VideoFolder().path;
}

}  // namespace dvr
