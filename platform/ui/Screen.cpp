#include "platform/ui/Screen.h"

#include <algorithm>
#include <atomic>
#include <climits>

namespace ui {
namespace {

// Window managers draw the frame outside the window on Linux; the window
// itself adds only its menu bar above the client area.
constexpr int kMenuBarHeight = 20;

constexpr Rect kHeadlessScreen{0, 0, 1920, 1080};

std::atomic<std::vector<Monitor> (*)()> gMonitorQuery{nullptr};

long long Overlap(const Rect& a, const Rect& b) {
  const long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
  const long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

// How far apart two rectangles are (0 when they touch or overlap), squared.
long long GapSquared(const Rect& a, const Rect& b) {
  const long long dx = std::max({0, b.left - a.right, a.left - b.right});
  const long long dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
  return dx * dx + dy * dy;
}

}  // namespace

std::vector<Monitor> Monitors() {
  if (auto query = gMonitorQuery.load()) {
    std::vector<Monitor> monitors = query();
    if (!monitors.empty()) return monitors;
  }
  return {Monitor{kHeadlessScreen, kHeadlessScreen, true}};
}

Monitor MonitorNearest(const Rect& rect) {
  const std::vector<Monitor> monitors = Monitors();
  const Monitor* best = &monitors.front();
  long long bestOverlap = 0;
  long long bestGap = LLONG_MAX;
  for (const Monitor& m : monitors) {
    const long long overlap = Overlap(rect, m.area);
    const long long gap = GapSquared(rect, m.area);
    if (overlap > bestOverlap || (bestOverlap == 0 && overlap == 0 && gap < bestGap)) {
      best = &m;
      bestOverlap = overlap;
      bestGap = gap;
    }
  }
  return *best;
}

Size PrimaryScreenSize() {
  const Rect area = Monitors().front().area;
  return {area.Width(), area.Height()};
}

void SetMonitorQuery(std::vector<Monitor> (*query)()) {
  gMonitorQuery.store(query);
}

Size MainWindowSizeForClient(Size client) {
  return {client.width, client.height + kMenuBarHeight};
}

}  // namespace ui
