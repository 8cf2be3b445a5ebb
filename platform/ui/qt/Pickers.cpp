#include "platform/ui/Pickers.h"

#include <QFileDialog>
#include <algorithm>
#include <string>

#include "platform/ui/qt/Dispatcher.h"

namespace ui {
namespace {

QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::filesystem::path> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return std::filesystem::path(path.toStdString());
}

}  // namespace

std::string PickerFilter(std::string_view filter) {
  std::string out(filter);
  const std::size_t open = out.find('(');
  if (open != std::string::npos) std::replace(out.begin() + open, out.end(), ';', ' ');
  return out;
}

std::optional<std::filesystem::path> PickFile(WindowId owner, std::string_view title,
                                              std::string_view filter,
                                              const std::filesystem::path& startFolder) {
  return Chosen(QFileDialog::getOpenFileName(qt::WidgetOf(owner), ToQ(title),
                                             QString::fromStdString(startFolder.string()),
                                             ToQ(PickerFilter(filter))));
}

std::optional<std::filesystem::path> PickFolder(WindowId owner, std::string_view title,
                                                const std::filesystem::path& startFolder) {
  return Chosen(QFileDialog::getExistingDirectory(qt::WidgetOf(owner), ToQ(title),
                                                  QString::fromStdString(startFolder.string())));
}

}  // namespace ui
