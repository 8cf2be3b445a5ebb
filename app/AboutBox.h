// The About box: the product's name and version, and OK.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui/Dialog.h"

namespace app {

inline constexpr ui::ControlId kAboutProduct = 1401;
inline constexpr ui::ControlId kAboutVersion = 1402;

class AboutBox final : public ui::DialogHandler {
 public:
  explicit AboutBox(std::string_view version) : version_(version) {}

  static ui::DialogTemplate Layout();

  void OnInit(ui::DialogControls& dialog) override;
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what,
                int item) override;

 private:
  std::string version_;
};

}  // namespace app
