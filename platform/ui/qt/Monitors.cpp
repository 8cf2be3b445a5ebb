#include "platform/ui/qt/Monitors.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/ui/Screen.h"

namespace ui::qt {
namespace {

Rect RectOf(const QRect& r) {
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

std::vector<Monitor> QueryMonitors() {
  std::vector<Monitor> monitors;
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary)
    monitors.push_back({RectOf(primary->geometry()), RectOf(primary->availableGeometry()), true});
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen == primary) continue;
    monitors.push_back({RectOf(screen->geometry()), RectOf(screen->availableGeometry()), false});
  }
  return monitors;
}

}  // namespace

void InstallMonitorQuery() {
  SetMonitorQuery(&QueryMonitors);
}

void RemoveMonitorQuery() {
  SetMonitorQuery(nullptr);
}

}  // namespace ui::qt
