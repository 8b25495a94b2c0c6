#include "webview/FullScreenWindow.h"

#include "webview/LinkBubble.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace tavren {

FullScreenWindow::FullScreenWindow(QWebEnginePage& page)
    : view_(new QWebEngineView(this)), hint_(new QLabel(this)), page_(&page) {
  setObjectName(QStringLiteral("FullScreenWindow"));
  setAccessibleName(QStringLiteral("全画面表示"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  // The screen the page was on; without a window manager (a bare X server)
  // nothing else would size the window to it.
  if (QWidget* before = QWebEngineView::forPage(&page)) setGeometry(before->window()->screen()->geometry());
  view_->setPage(&page);
  new LinkBubble(*view_);
  // The engine does not leave full screen on Esc by itself; these keys are
  // ours even while a text field of the page has the focus.
  auto* leave = new QAction(this);
  leave->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_F11)});
  leave->setShortcutContext(Qt::WindowShortcut);
  connect(leave, &QAction::triggered, this, [this] {
    if (page_) page_->triggerAction(QWebEnginePage::ExitFullScreen);
  });
  addAction(leave);

  hint_->setObjectName(QStringLiteral("FullScreenHint"));
  hint_->setText(QStringLiteral("Esc キーで全画面表示を終了します"));
  hint_->setAccessibleName(hint_->text());
  hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
  hint_->setFocusPolicy(Qt::NoFocus);
  hint_->setStyleSheet(
      QStringLiteral("QLabel { background: rgba(32, 32, 32, 220); color: white; padding: 12px 20px;"
                     " border-radius: 6px; font-size: 16px; }"));
  hint_->adjustSize();
  QTimer::singleShot(kHintMs, hint_, &QWidget::hide);
  showFullScreen();
  hint_->move((width() - hint_->width()) / 2, 40);
  hint_->raise();
  view_->setFocus();
}

void FullScreenWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (page_) page_->triggerAction(QWebEnginePage::ExitFullScreen);
}

FullScreenSwitch::FullScreenSwitch(QWebEngineView& view) : QObject(&view), view_(view), page_(view.page()) {
  page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
  connect(page_, &QWebEnginePage::fullScreenRequested, this, &FullScreenSwitch::Request);
}

FullScreenSwitch::~FullScreenSwitch() { delete window_.data(); }

void FullScreenSwitch::Request(QWebEngineFullScreenRequest request) {
  if (request.toggleOn()) {
    if (window_) return request.reject();
    request.accept();
    window_ = new FullScreenWindow(*page_);
    return;
  }
  request.accept();
  if (!window_) return;
  view_.setPage(page_);
  delete window_.data();
  view_.setFocus();
}

}  // namespace tavren
