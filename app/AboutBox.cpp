#include "app/AboutBox.h"

#include "app/CommandLine.h"
#include "common/Utf16.h"

namespace app {

using ui::ControlKind;

ui::DialogTemplate AboutBox::Layout() {
  return {"About",
          {300, 136},
          {},
          {{ControlKind::kStatic, kAboutProduct, "", ui::ControlBox{16, 16, 268, 26}},
           {ControlKind::kStatic, kAboutVersion, "", ui::ControlBox{16, 48, 268, 26}},
           {ControlKind::kButton, ui::kIdOk, "OK", ui::ControlBox{108, 96, 84, 28}, ui::kOnDialog,
            0, true}}};
}

void AboutBox::OnInit(ui::DialogControls& dialog) {
  dialog.SetText(kAboutProduct, common::ToUtf8(kProductName));
  dialog.SetText(kAboutVersion, "Version " + version_);
}

void AboutBox::OnNotify(ui::DialogControls& dialog, ui::ControlId id, ui::Notification what, int) {
  if (what != ui::Notification::kClicked) return;
  // Escape and the close box arrive as Cancel.
  if (id == ui::kIdOk || id == ui::kIdCancel) dialog.End(ui::DialogResult::Ok);
}

}  // namespace app
