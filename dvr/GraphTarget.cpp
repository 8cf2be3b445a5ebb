#include "dvr/GraphTarget.h"

#include "platform/ui/MessageBox.h"
#include "platform/ui/Window.h"

namespace dvr {

void GraphTarget::Post(graph::WindowMessage message, std::uint32_t parameter) {
  const ui::WindowId channels = channelsWindow_.load();
  const bool toDialog =
      message == graph::WindowMessage::WM_CHANNEL_CHANGED && channels != ui::kNoWindow;
  ui::Post(toDialog ? channels : window_, static_cast<ui::Message>(message), parameter);
}

void GraphTarget::ShowError(const std::string& text) {
  ui::PostMessageBox({common::kErrorBoxCaption, text});
}

}  // namespace dvr
