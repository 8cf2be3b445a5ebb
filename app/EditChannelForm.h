// The "Edit Channel" form of the "Channels" dialog's "Add Channel": a channel
// entered by hand. OK makes a channel record of what was entered (refused
// with a message while the physical channel lies outside the map or the
// channel number is missing); Cancel makes none.
#pragma once

#include <optional>
#include <vector>

#include "platform/ui/Dialog.h"
#include "tuning/BandPlan.h"
#include "tuning/ChannelRecord.h"

namespace app {

inline constexpr ui::ControlId kFormMap = 1201;
inline constexpr ui::ControlId kFormModulation = 1202;
inline constexpr ui::ControlId kFormPhysical = 1203;
inline constexpr ui::ControlId kFormMajor = 1204;
inline constexpr ui::ControlId kFormMinor = 1205;
inline constexpr ui::ControlId kFormName = 1206;
inline constexpr ui::ControlId kFormVideoPid = 1207;
inline constexpr ui::ControlId kFormAudioPid = 1208;
inline constexpr ui::ControlId kFormBandwidth = 1209;

// The PIDs a hand-made channel starts with: the first programme's of the
// ATSC default assignment.
inline constexpr int kDefaultVideoPid = 0x31;
inline constexpr int kDefaultAudioPid = 0x34;

class EditChannelForm final : public ui::DialogHandler {
 public:
  // The lists offer `maps` and `modes`, with `map` and `mode` selected.
  EditChannelForm(std::vector<tuning::ChannelMap> maps, std::vector<tuning::ModulationMask> modes,
                  tuning::ChannelMap map, tuning::ModulationMask mode);

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;

  // After OK: the channel entered.
  const std::optional<tuning::ChannelRecord>& Record() const { return record_; }

 private:
  std::optional<tuning::ChannelRecord> Read(ui::DialogControls& dialog) const;

  std::vector<tuning::ChannelMap> maps_;
  std::vector<tuning::ModulationMask> modes_;
  tuning::ChannelMap map_;
  tuning::ModulationMask mode_;
  std::optional<tuning::ChannelRecord> record_;
};

}  // namespace app
