#include "platform/ui/qt/KeyInput.h"

#include <QCoreApplication>
#include <QPointer>
#include <map>

#include "platform/ui/Window.h"
#include "platform/ui/qt/Dispatcher.h"

namespace ui::qt {
namespace {

VirtualKey Vk(int code) {
  return static_cast<VirtualKey>(code);
}

VirtualKey KeypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return Vk(0x60 + key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Plus:
      return VirtualKey::Add;
    case Qt::Key_Minus:
      return VirtualKey::Subtract;
    case Qt::Key_Asterisk:
      return VirtualKey::Multiply;
    case Qt::Key_Period:
    case Qt::Key_Comma:
      return VirtualKey::Decimal;
    case Qt::Key_Enter:
      return VirtualKey::Return;
    default:
      return VirtualKey::None;
  }
}

VirtualKey MainKey(int key) {
  // Qt numbers letters and digits by their ASCII codes.
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
    return Vk(key);
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return Vk(0x70 + key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VirtualKey::Return;
    case Qt::Key_Escape:
      return VirtualKey::Escape;
    case Qt::Key_Space:
      return VirtualKey::Space;
    case Qt::Key_PageUp:
      return VirtualKey::Prior;
    case Qt::Key_PageDown:
      return VirtualKey::Next;
    case Qt::Key_End:
      return VirtualKey::End;
    case Qt::Key_Home:
      return VirtualKey::Home;
    case Qt::Key_Left:
      return VirtualKey::Left;
    case Qt::Key_Up:
      return VirtualKey::Up;
    case Qt::Key_Right:
      return VirtualKey::Right;
    case Qt::Key_Down:
      return VirtualKey::Down;
    default:
      return VirtualKey::None;
  }
}

// Posts the commands of key presses in windows that have a table.
class KeyFilter : public QObject {
 public:
  // One per application, which owns it.
  static KeyFilter& Instance() {
    static QPointer<KeyFilter> filter;
    if (!filter) {
      filter = new KeyFilter(QCoreApplication::instance());
      QCoreApplication::instance()->installEventFilter(filter);
    }
    return *filter;
  }

  using QObject::QObject;

  std::map<WindowId, AcceleratorTable> tables;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !object->isWidgetType()) return false;
    Dispatcher* d = Dispatcher::Instance();
    if (!d) return false;
    const WindowId window = d->WindowOfWidget(static_cast<QWidget*>(object));
    const auto table = tables.find(window);
    if (table == tables.end()) return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (const auto command = table->second.Translate(KeyPressOf(key))) {
      return Post(window, Message::WM_COMMAND, *command);
    }
    if (const auto app = AppCommandOf(key.key())) {
      return Post(window, Message::WM_APPCOMMAND, 0, static_cast<LParam>(*app));
    }
    return false;
  }
};

}  // namespace

KeyPress KeyPressOf(const QKeyEvent& event) {
  KeyPress press;
  const Qt::KeyboardModifiers mods = event.modifiers();
  if (mods & Qt::ShiftModifier) press.modifiers |= kShift;
  if (mods & Qt::ControlModifier) press.modifiers |= kControl;
  if (mods & Qt::AltModifier) press.modifiers |= kAlt;
  press.key = (mods & Qt::KeypadModifier) ? KeypadKey(event.key()) : MainKey(event.key());
  const QString text = event.text();
  if (!text.isEmpty()) {
    const char32_t c = text.toUcs4().value(0);
    if (c >= 0x20 && c != 0x7F) press.character = c;
  }
  return press;
}

std::optional<AppCommand> AppCommandOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_VolumeMute:
      return AppCommand::VolumeMute;
    case Qt::Key_VolumeDown:
      return AppCommand::VolumeDown;
    case Qt::Key_VolumeUp:
      return AppCommand::VolumeUp;
    case Qt::Key_MediaNext:
      return AppCommand::MediaNextTrack;
    case Qt::Key_MediaPrevious:
      return AppCommand::MediaPreviousTrack;
    case Qt::Key_MediaStop:
      return AppCommand::MediaStop;
    case Qt::Key_MediaTogglePlayPause:
      return AppCommand::MediaPlayPause;
    case Qt::Key_MediaPlay:
      return AppCommand::MediaPlay;
    case Qt::Key_MediaPause:
      return AppCommand::MediaPause;
    case Qt::Key_MediaRecord:
      return AppCommand::MediaRecord;
    case Qt::Key_AudioForward:
      return AppCommand::MediaFastForward;
    case Qt::Key_AudioRewind:
      return AppCommand::MediaRewind;
    case Qt::Key_ChannelUp:
      return AppCommand::MediaChannelUp;
    case Qt::Key_ChannelDown:
      return AppCommand::MediaChannelDown;
    default:
      return std::nullopt;
  }
}

}  // namespace ui::qt

namespace ui {

void SetAccelerators(WindowId window, AcceleratorTable table) {
  qt::KeyFilter::Instance().tables[window] = std::move(table);
}

}  // namespace ui
