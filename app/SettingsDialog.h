// The "Settings" dialog: tuners, decoders and renderer ("DirectShow Filters"),
// the recording and buffer folders and the recording format ("Record"), and
// background guide collection ("Guide"). It edits the TunerManager and its
// Settings in memory only, on OK; the caller restarts the graphs and the
// settings file is written later.
//
// Limits the fields impose: at most 16 tuners can be checked (a 17th check is
// refused at once); a folder has at most 259 characters, the buffer folder at
// most 217, as the buffer's chunk names below it must fit the path limit
// (both said at OK, which then keeps the dialog open).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/TunerManager.h"
#include "platform/ui/Dialog.h"

namespace app {

// Control ids.
inline constexpr ui::ControlId kSettingsTabs = 1066;
inline constexpr ui::ControlId kTunerTree = 1016;
inline constexpr ui::ControlId kVideoDecoderList = 1015;
inline constexpr ui::ControlId kShowAllVideo = 1017;
inline constexpr ui::ControlId kAudioDecoderList = 1019;
inline constexpr ui::ControlId kShowAllAudio = 1021;
inline constexpr ui::ControlId kRendererList = 1018;
inline constexpr ui::ControlId kRecordFolderEdit = 1118;
inline constexpr ui::ControlId kRecordFolderBrowse = 1121;
inline constexpr ui::ControlId kRecordFolderDefault = 1122;
inline constexpr ui::ControlId kBufferFolderEdit = 1120;
inline constexpr ui::ControlId kBufferFolderBrowse = 1123;
inline constexpr ui::ControlId kBufferFolderDefault = 1124;
inline constexpr ui::ControlId kLiveBufferSize = 1119;
inline constexpr ui::ControlId kFormatMpg = 1168;
inline constexpr ui::ControlId kFormatDvrMs = 1165;
inline constexpr ui::ControlId kFormatTs = 1164;
inline constexpr ui::ControlId kBackgroundGuide = 1070;

inline constexpr std::size_t kMaxFolderLength = 259;
inline constexpr std::size_t kMaxBufferFolderLength = 217;

// Follows the name of the renderer the player uses for the stored choice.
inline constexpr char kRendererInUse[] = " (in use)";

inline constexpr char kSettingsWhileRecording[] =
    "Can not change settings while recording is in progress.";

// A device or filter: its friendly name and its moniker's display name.
struct DeviceEntry {
  std::u16string name;
  std::u16string displayName;
};

struct RendererChoice {
  std::uint32_t kind = 0;
  std::string name;
};

// What the dialog lists and asks of the system around it.
class ISettingsSources {
 public:
  virtual ~ISettingsSources() = default;
  virtual std::vector<DeviceEntry> Tuners() = 0;
  // MPEG-2 video or AC-3 decoders; with `showAll` those of lower merit too.
  virtual std::vector<DeviceEntry> VideoDecoders(bool showAll) = 0;
  virtual std::vector<DeviceEntry> AudioDecoders(bool showAll) = 0;
  // The renderer kinds this system has, in the list's order.
  virtual std::vector<RendererChoice> Renderers() = 0;
  // The kind the player shows the picture with when `chosen` is stored (a
  // kind this system lacks is stood in for by one it has).
  virtual std::uint32_t RendererInUse(std::uint32_t chosen) = 0;
  virtual bool Recording() = 0;
  // The folder browser; nothing when the user cancels.
  virtual std::optional<std::filesystem::path> BrowseFolder(std::string_view title,
                                                            const std::filesystem::path& start) = 0;
  virtual std::filesystem::path DefaultRecordFolder() = 0;
  virtual std::filesystem::path DefaultBufferFolder() = 0;
};

class SettingsDialog final : public ui::DialogHandler {
 public:
  // While no tuner is chosen (a first start, a damaged settings file) the
  // first tuner comes checked.
  SettingsDialog(TunerManager& manager, ISettingsSources& sources);

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;

 private:
  void FillDecoders(ui::DialogControls& dialog, ui::ControlId list, bool showAll,
                    std::u16string_view keep);
  void OnTunerChecked(ui::DialogControls& dialog, int item);
  void OnOk(ui::DialogControls& dialog);
  void Store(ui::DialogControls& dialog);

  TunerManager& manager_;
  ISettingsSources& sources_;
  std::vector<DeviceEntry> tuners_;
  std::vector<DeviceEntry> videoDecoders_;
  std::vector<DeviceEntry> audioDecoders_;
  std::vector<RendererChoice> renderers_;
};

}  // namespace app
