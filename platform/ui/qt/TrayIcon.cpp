#include "platform/ui/TrayIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include "platform/ui/Window.h"
#include "platform/ui/qt/NativeMenu.h"

namespace ui {
namespace {

constexpr int kHostPollMs = 2000;
constexpr WParam kTrayIconId = 100;

// A screen with a dot: white when idle, red for the recording frame.
QIcon DrawnIcon(bool recording) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(0x1f, 0x3a, 0x93));
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(2, 5, 28, 20, 3, 3);
  painter.setBrush(recording ? QColor(0xe0, 0x20, 0x20) : QColor(Qt::white));
  painter.drawEllipse(11, 10, 10, 10);
  return QIcon(pixmap);
}

QIcon LoadIcon(const std::filesystem::path& file, bool recording) {
  if (!file.empty()) {
    QIcon icon(QString::fromStdString(file.string()));
    if (!icon.isNull()) return icon;
  }
  return DrawnIcon(recording);
}

}  // namespace

struct TrayIcon::Impl {
  WindowId owner = kNoWindow;
  QSystemTrayIcon icon;
  QIcon normal;
  QIcon recording;
  bool recordingFrame = false;
  bool hostPresent = false;
  QTimer hostWatch;

  // Adds the icon again when a tray host has appeared since the last look.
  void WatchHost() {
    const bool present = QSystemTrayIcon::isSystemTrayAvailable();
    if (present && !hostPresent) {
      icon.hide();
      icon.show();
    }
    hostPresent = present;
  }
};

TrayIcon::TrayIcon(WindowId owner, std::string_view tip, Icons icons)
    : impl_(std::make_unique<Impl>()) {
  impl_->owner = owner;
  impl_->normal = LoadIcon(icons.normal, false);
  impl_->recording = LoadIcon(icons.recording, true);
  impl_->icon.setIcon(impl_->normal);
  impl_->icon.setToolTip(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
  Impl* impl = impl_.get();
  QObject::connect(&impl_->icon, &QSystemTrayIcon::activated, &impl_->icon,
                   [impl](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::DoubleClick) {
                       Post(impl->owner, Message::WM_TRAY_NOTIFY, kTrayIconId,
                            kTrayLeftDoubleClick);
                     } else if (reason == QSystemTrayIcon::Trigger) {
                       Post(impl->owner, Message::WM_TRAY_NOTIFY, kTrayIconId, kTrayLeftClick);
                     }
                   });
  impl_->hostPresent = QSystemTrayIcon::isSystemTrayAvailable();
  impl_->icon.show();
  QObject::connect(&impl_->hostWatch, &QTimer::timeout, &impl_->hostWatch,
                   [impl] { impl->WatchHost(); });
  impl_->hostWatch.start(kHostPollMs);
}

TrayIcon::~TrayIcon() {
  impl_->hostWatch.stop();
  impl_->icon.hide();
}

void TrayIcon::SetMenu(Menu& menu) {
  impl_->icon.setContextMenu(qt::NativeMenu(menu));
}

void TrayIcon::Refresh(std::string_view tip, bool recording) {
  impl_->recordingFrame = recording && !impl_->recordingFrame;
  impl_->icon.setIcon(impl_->recordingFrame ? impl_->recording : impl_->normal);
  impl_->icon.setToolTip(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
  impl_->WatchHost();
}

bool TrayIcon::RecordingFrameShown() const {
  return impl_->recordingFrame;
}

bool TrayIcon::HostPresent() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace ui
