#include "webview/HistoryKeys.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace tavren {

void AddWindowKey(QWidget& window, const QKeySequence& keys, std::function<void()> action) {
  auto* item = new QAction(&window);
  item->setShortcut(keys);
  item->setShortcutContext(Qt::WindowShortcut);
  QObject::connect(item, &QAction::triggered, &window, std::move(action));
  window.addAction(item);
}

HistoryKeys::HistoryKeys(QWidget& window, std::function<void()> back, std::function<void()> forward)
    : QObject(&window), window_(window), back_(std::move(back)), forward_(std::move(forward)) {
  AddWindowKey(window_, QKeySequence(Qt::ALT | Qt::Key_Left), [this] { back_(); });
  AddWindowKey(window_, QKeySequence(Qt::ALT | Qt::Key_Right), [this] { forward_(); });
  // The buttons go to whichever widget is under the pointer, the engine's
  // own among them.
  qApp->installEventFilter(this);
}

HistoryKeys::~HistoryKeys() { qApp->removeEventFilter(this); }

bool HistoryKeys::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
    return false;
  }
  const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
  if (button != Qt::BackButton && button != Qt::ForwardButton) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != &window_) return false;
  if (type == QEvent::MouseButtonPress) (button == Qt::BackButton ? back_ : forward_)();
  return true;
}

}  // namespace tavren
