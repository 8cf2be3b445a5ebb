// The "Overscan" dialog: how many pixels to cut from each edge of the picture,
// "Top", "Left", "Right" and "Bottom", as signed numbers with arrows. Every
// change is applied at once, so that the user sees its effect; OK keeps the
// values, Cancel restores the old ones.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "app/Settings.h"
#include "platform/ui/Dialog.h"

namespace app {

inline constexpr ui::ControlId kOverscanTop = 1301;
inline constexpr ui::ControlId kOverscanLeft = 1302;
inline constexpr ui::ControlId kOverscanRight = 1303;
inline constexpr ui::ControlId kOverscanBottom = 1304;

class OverscanDialog final : public ui::DialogHandler {
 public:
  // `apply` lays the video out again with the settings' overscan.
  OverscanDialog(Settings& settings, std::function<void()> apply);

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;

 private:
  // The settings' four fields, in the order of the controls.
  std::array<std::uint16_t*, 4> Fields();

  Settings& settings_;
  std::function<void()> apply_;
  std::array<std::uint16_t, 4> old_{};
};

}  // namespace app
