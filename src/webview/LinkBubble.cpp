#include "webview/LinkBubble.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>

namespace tavren {

LinkBubble::LinkBubble(QWebEngineView& view) : QLabel(&view), view_(view) {
  setObjectName(QStringLiteral("LinkBubble"));
  setAccessibleName(QStringLiteral("リンク先のアドレス"));
  setTextFormat(Qt::PlainText);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setMargin(2);
  setFrameShape(QFrame::Box);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QApplication::palette().color(QPalette::ToolTipBase));
  colours.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ToolTipText));
  setPalette(colours);
  setAutoFillBackground(true);
  QWebEnginePage* page = view_.page();
  connect(page, &QWebEnginePage::linkHovered, this, [this, page](const QString& address) {
    // The page may be on show in another view for now (full screen).
    // and the engine repeats a stale link when the page returns: only a
    // pointer moving over this view shows one.
    Show(QWebEngineView::forPage(page) == &view_ && pointerInside_ ? address : QString());
  });
  // The engine's own widget inside the view gets the pointer's moves; it
  // comes and goes with the page's renderer.
  view_.installEventFilter(this);
  if (QWidget* engine = view_.focusProxy()) engine->installEventFilter(this);
  hide();
}

bool LinkBubble::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ChildAdded && watched == &view_) {
    QObject* child = static_cast<QChildEvent*>(event)->child();
    if (child != this) child->installEventFilter(this);
  }
  if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
    const QPointF at = static_cast<QMouseEvent*>(event)->position();
    pointer_ = static_cast<QWidget*>(watched)->mapTo(&view_, at.toPoint());
    pointerInside_ = true;
  }
  // The pointer left the view: no link is under it.
  if (event->type() == QEvent::Leave) {
    pointerInside_ = false;
    Show({});
  }
  if (!address_.isEmpty() && (event->type() == QEvent::Resize || event->type() == QEvent::MouseMove)) Place();
  return false;
}

void LinkBubble::Show(const QString& address) {
  // The engine reports the address percent-encoded; the bubble shows it as
  // a person reads it.
  address_ = address.isEmpty() ? QString() : QUrl(address).toDisplayString();
  if (address_.isEmpty()) {
    hide();
    return;
  }
  Place();
  show();
  raise();
}

void LinkBubble::Place() {
  const int room = std::max(view_.width() * 3 / 5, 1);
  const int frame = 2 * (margin() + frameWidth());
  setText(fontMetrics().elidedText(address_, Qt::ElideMiddle, std::max(room - frame, 1)));
  resize(std::min(sizeHint().width(), room), sizeHint().height());
  const QRect left(QPoint(0, view_.height() - height()), size());
  // Out of the pointer's way.
  const bool onLeft = !left.adjusted(0, -height(), 0, 0).contains(pointer_);
  move(onLeft ? left.topLeft() : QPoint(view_.width() - width(), left.y()));
}

}  // namespace tavren
