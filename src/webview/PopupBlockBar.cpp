#include "webview/PopupBlockBar.h"

#include "webview/BrowserProfile.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace tavren {

PopupBlockBar::PopupBlockBar(QWebEngineView& view, BrowserProfile& profile)
    // Beside the view rather than inside it: the engine view shows screen
    // readers its page only, never the widgets laid over it.
    : QFrame(view.parentWidget() != nullptr ? view.parentWidget() : &view),
      view_(view),
      text_(new QLabel(this)),
      allow_(new QPushButton(QStringLiteral("このサイトでは許可する"), this)),
      close_(new QPushButton(QStringLiteral("閉じる"), this)) {
  setObjectName(QStringLiteral("PopupBlockBar"));
  setFrameShape(QFrame::StyledPanel);
  // The desktop's colours for a notice (every role named, as a palette that
  // names none is inherited whole from the window the view sits in).
  const QPalette desktop = QApplication::palette();
  QPalette colours = palette();
  colours.setColor(QPalette::Window, desktop.color(QPalette::ToolTipBase));
  colours.setColor(QPalette::WindowText, desktop.color(QPalette::ToolTipText));
  colours.setColor(QPalette::Button, desktop.color(QPalette::Button));
  colours.setColor(QPalette::ButtonText, desktop.color(QPalette::ButtonText));
  setPalette(colours);
  setAutoFillBackground(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 2, 4, 2);
  text_->setTextFormat(Qt::PlainText);
  layout->addWidget(text_, 1);
  layout->addWidget(allow_);
  layout->addWidget(close_);
  allow_->setAccessibleName(allow_->text());
  allow_->setAccessibleDescription(QStringLiteral("このサイトのポップアップを開くようにします"));
  close_->setAccessibleName(close_->text());
  close_->setAccessibleDescription(QStringLiteral("このお知らせを閉じます"));
  connect(allow_, &QPushButton::clicked, this, [this, &profile] {
    profile.AllowPopups(view_.url());
    Dismiss();
  });
  connect(close_, &QPushButton::clicked, this, &PopupBlockBar::Dismiss);
  connect(view.page(), &QWebEnginePage::loadStarted, this, &PopupBlockBar::Dismiss);
  view.installEventFilter(this);
  hide();
}

void PopupBlockBar::Count() {
  ++blocked_;
  text_->setText(QStringLiteral("ポップアップをブロックしました（%1 件）").arg(blocked_));
  setAccessibleName(text_->text());
  Place();
  if (isHidden()) {
    show();
    raise();
    // Said at once by a screen reader, as the desktop's notices are.
    QAccessibleEvent shown(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
  }
}

QString PopupBlockBar::Text() const { return isHidden() ? QString() : text_->text(); }

bool PopupBlockBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &view_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) Place();
  return false;
}

void PopupBlockBar::Place() {
  const QPoint corner = parentWidget() == &view_ ? QPoint(0, 0) : view_.pos();
  setGeometry(QRect(corner, QSize(view_.width(), sizeHint().height())));
}

void PopupBlockBar::Dismiss() {
  blocked_ = 0;
  // The focus was on a button of the bar; it goes back to the page.
  const bool hadFocus = isAncestorOf(QApplication::focusWidget());
  hide();
  if (hadFocus) view_.setFocus(Qt::OtherFocusReason);
}

}  // namespace tavren
