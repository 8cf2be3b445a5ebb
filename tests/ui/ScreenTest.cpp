#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "platform/ui/Screen.h"
#include "platform/ui/qt/Monitors.h"

namespace {

std::vector<ui::Monitor> TwoMonitors() {
  return {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true},
          {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, false}};
}

TEST(Screen, MonitorsAreTheToolkitsWhileTheApplicationRuns) {
  const QRect qt = QGuiApplication::primaryScreen()->geometry();
  const ui::Size size = ui::PrimaryScreenSize();
  EXPECT_EQ(size.width, qt.width());
  EXPECT_EQ(size.height, qt.height());
}

TEST(Screen, NearestMonitorSharesTheLargestAreaElseLiesClosest) {
  ui::SetMonitorQuery(&TwoMonitors);
  // Mostly on the second monitor.
  EXPECT_EQ(ui::MonitorNearest({1800, 100, 2400, 500}).area.left, 1920);
  // Off every monitor, below the second one.
  EXPECT_EQ(ui::MonitorNearest({2500, 1500, 2600, 1600}).area.left, 1920);
  EXPECT_EQ(ui::MonitorNearest({-500, -400, -100, -100}).area.left, 0);
  ui::qt::InstallMonitorQuery();
}

}  // namespace
