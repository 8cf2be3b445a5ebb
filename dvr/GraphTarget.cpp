#include "dvr/GraphTarget.h"

#include "platform/ui/MessageBox.h"
#include "platform/ui/Window.h"

namespace dvr {

void GraphTarget::Post(graph::WindowMessage message, std::uint32_t parameter) {
  ui::Post(window_, static_cast<ui::Message>(message), parameter);
}

void GraphTarget::ShowError(const std::string& text) {
  ui::PostMessageBox({common::kErrorBoxCaption, text});
}

}  // namespace dvr
