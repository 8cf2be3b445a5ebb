// What the Settings dialog lists on this system: the tuners and decoders the
// device enumerator and filter mapper know, the renderer kinds the video
// renderers have, the folder browser and the default folders.
#pragma once

#include <filesystem>
#include <functional>

#include "app/SettingsDialog.h"
#include "platform/ui/Message.h"

namespace dvr {

class SettingsSources final : public app::ISettingsSources {
 public:
  // `recording` tells whether any graph records now.
  SettingsSources(ui::WindowId owner, std::filesystem::path dataFolder,
                  std::function<bool()> recording);

  std::vector<app::DeviceEntry> Tuners() override;
  std::vector<app::DeviceEntry> VideoDecoders(bool showAll) override;
  std::vector<app::DeviceEntry> AudioDecoders(bool showAll) override;
  std::vector<app::RendererChoice> Renderers() override;
  std::uint32_t RendererInUse(std::uint32_t chosen) override;
  bool Recording() override { return recording_(); }
  std::optional<std::filesystem::path> BrowseFolder(std::string_view title,
                                                    const std::filesystem::path& start) override;
  std::filesystem::path DefaultRecordFolder() override;
  std::filesystem::path DefaultBufferFolder() override { return dataFolder_; }

 private:
  ui::WindowId owner_;
  std::filesystem::path dataFolder_;
  std::function<bool()> recording_;
};

}  // namespace dvr
