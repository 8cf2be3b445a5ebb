#include "app/SettingsDefaults.h"

#include <cstring>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "platform/ui/KnownFolders.h"
#include "platform/ui/Screen.h"

namespace app {

void SetDefaults(Settings& s) {
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  s.currentChannel = tuning::ChannelLocator::Make(31, 5, 5, 0, 1);
  s.reserved28 = 1;
  s.scanFlags = 1;
  s.backgroundGuideScan = 1;
  s.videoRenderer = kDefaultVideoRenderer;
  s.overscanLeft = s.overscanRight = s.overscanTop = s.overscanBottom = 12;
  s.volume = 10;
  s.scanChannelMap = 0;
  s.scanModulation = 1;
  s.viewFlags = kMenuVisible | kViewReserved | kControlPanelVisible;

  const ui::Size screen = ui::PrimaryScreenSize();
  const ui::Size window = ui::MainWindowSizeForClient({kDefaultClientWidth, kDefaultClientHeight});
  WindowPlacement& p = s.windowPlacement;
  p = WindowPlacement{};
  p.left = (screen.width - window.width) / 2;
  p.top = (screen.height - window.height) / 2;
  p.right = p.left + window.width;
  p.bottom = p.top + window.height;
}

void SetDefaultFolders(Settings& s, const std::filesystem::path& dataFolder) {
  const ui::FolderResult videos = ui::VideoFolder();
  if (FAILED(videos.error)) {
    common::ErrorBox("Can not get data folder path. Error %s",
                     com::ResultName(videos.error).c_str());
    common::SetField(s.recordFolder, u"");
  } else {
    common::SetField(s.recordFolder, common::FromUtf8(videos.path.string()));
  }
  common::SetField(s.bufferFolder, common::FromUtf8(dataFolder.string()));
}

}  // namespace app
