#include "platform/ui/Screen.h"

#include <atomic>

namespace ui {
namespace {

// Window managers draw the frame outside the window on Linux; the window
// itself adds only its menu bar above the client area.
constexpr int kMenuBarHeight = 20;

std::atomic<Size (*)()> gScreenQuery{nullptr};

}  // namespace

Size PrimaryScreenSize() {
  if (auto query = gScreenQuery.load()) {
    const Size s = query();
    if (s.width > 0 && s.height > 0) return s;
  }
  return {1920, 1080};
}

void SetPrimaryScreenQuery(Size (*query)()) {
  gScreenQuery.store(query);
}

Size MainWindowSizeForClient(Size client) {
  return {client.width, client.height + kMenuBarHeight};
}

}  // namespace ui
