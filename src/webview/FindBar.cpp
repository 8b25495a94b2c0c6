#include "webview/FindBar.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace tavren {

FindBar::FindBar(QWebEngineView& view)
    // Beside the view rather than inside it: the engine view shows screen
    // readers its page only, never the widgets laid over it.
    : QFrame(view.parentWidget() != nullptr ? view.parentWidget() : &view),
      view_(view),
      field_(new QLineEdit(this)),
      count_(new QLabel(this)) {
  setObjectName(QStringLiteral("FindBar"));
  setAccessibleName(QStringLiteral("ページ内検索"));
  setFrameShape(QFrame::StyledPanel);
  // The desktop's colours, not those of the window the view sits in (every
  // role named, as a palette that names none is inherited whole).
  QPalette colours = palette();
  for (const QPalette::ColorRole role :
       {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText}) {
    colours.setColor(role, QApplication::palette().color(role));
  }
  setPalette(colours);
  setAutoFillBackground(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  field_->setPlaceholderText(QStringLiteral("ページ内を検索"));
  field_->setAccessibleName(field_->placeholderText());
  count_->setAccessibleName(QStringLiteral("見つかった数"));
  field_->setMinimumWidth(160);
  field_->installEventFilter(this);
  layout->addWidget(field_);
  count_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("見つかりません ")));
  layout->addWidget(count_);
  const auto addButton = [&](const QString& text, const QString& name, const QString& keys, auto slot) {
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(name, keys));
    button->setAccessibleName(name);
    button->setAccessibleDescription(keys);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, slot);
    layout->addWidget(button);
  };
  addButton(QStringLiteral("▲"), QStringLiteral("前を検索"), QStringLiteral("Shift+F3"), [this] { Find(true); });
  addButton(QStringLiteral("▼"), QStringLiteral("次を検索"), QStringLiteral("F3"), [this] { Find(false); });
  addButton(QStringLiteral("×"), QStringLiteral("閉じる"), QStringLiteral("Esc"), [this] { Close(); });
  // Searching as the user types, once the typing pauses: a search started
  // while another runs ends the earlier one without a count.
  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(150);
  connect(typing_, &QTimer::timeout, this, [this] { Find(false); });
  connect(field_, &QLineEdit::textEdited, typing_, qOverload<>(&QTimer::start));
  view_.installEventFilter(this);
  hide();
}

void FindBar::Open() {
  Place();
  show();
  raise();
  field_->setFocus(Qt::ShortcutFocusReason);
  field_->selectAll();
}

void FindBar::Find(bool backward) {
  if (isHidden() || field_->text().isEmpty()) {
    Open();
    // Emptied by the user: the old count and marks go.
    if (field_->text().isEmpty()) {
      ClearMarks();
      return;
    }
  }
  typing_->stop();
  // Only the latest search's count is shown.
  const int search = ++searches_;
  view_.page()->findText(field_->text(), backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags(),
                         [bar = QPointer<FindBar>(this), search](const QWebEngineFindTextResult& result) {
                           if (bar && bar->searches_ == search) bar->ShowResult(result);
                         });
}

void FindBar::Close() {
  hide();
  ClearMarks();
  view_.setFocus(Qt::OtherFocusReason);
}

void FindBar::ClearMarks() {
  typing_->stop();
  ++searches_;
  count_->clear();
  view_.page()->findText(QString());
}

QString FindBar::CountText() const { return count_->text(); }

void FindBar::KeepBelow(QWidget& bar) {
  above_ = &bar;
  bar.installEventFilter(this);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &view_ || watched == above_) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Resize || type == QEvent::Move || type == QEvent::Show || type == QEvent::Hide) Place();
    return false;
  }
  if (watched == field_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      Close();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Find(key->modifiers().testFlag(Qt::ShiftModifier));
      return true;
    }
  }
  return false;
}

void FindBar::Place() {
  adjustSize();
  const QPoint corner = parentWidget() == &view_ ? QPoint(0, 0) : view_.pos();
  move(corner +
       QPoint(qMax(0, view_.width() - width() - 16), above_ != nullptr && !above_->isHidden() ? above_->height() : 0));
}

void FindBar::ShowResult(const QWebEngineFindTextResult& result) {
  if (field_->text().isEmpty()) {
    count_->clear();
  } else if (result.numberOfMatches() == 0) {
    count_->setText(QStringLiteral("見つかりません"));
  } else {
    count_->setText(QStringLiteral("%1 / %2 件").arg(result.activeMatch()).arg(result.numberOfMatches()));
  }
}

}  // namespace tavren
