#include "webview/HistoryKeys.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace tavren {

HistoryKeys::HistoryKeys(QWidget& window, std::function<void()> back, std::function<void()> forward)
    : QObject(&window), window_(window), back_(std::move(back)), forward_(std::move(forward)) {
  const auto add = [this](Qt::Key key, const std::function<void()>& step) {
    auto* action = new QAction(&window_);
    action->setShortcut(QKeySequence(Qt::ALT | key));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [step] { step(); });
    window_.addAction(action);
  };
  add(Qt::Key_Left, back_);
  add(Qt::Key_Right, forward_);
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
