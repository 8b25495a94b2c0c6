#include "webview/PopupWindow.h"

#include "webview/BrowserView.h"
#include "webview/HistoryKeys.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include <utility>

namespace tavren {

PopupWindow::PopupWindow(BrowserProfile& profile) : view_(new BrowserView(profile, this)) {
  setObjectName(QStringLiteral("PopupWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  // A pop-up steps its history without a word when there is no page.
  new HistoryKeys(
      *this, [this] { view_->back(); }, [this] { view_->forward(); });
  AddWindowKey(*this, QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
  connect(view_, &QWebEngineView::titleChanged, this, &QWidget::setWindowTitle);
  connect(view_->page(), &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
  connect(view_->page(), &QWebEnginePage::geometryChangeRequested, this, [this](const QRect& geometry) {
    if (!geometry.size().isEmpty()) resize(geometry.size());
    move(geometry.topLeft());
  });
}

void PopupWindow::closeEvent(QCloseEvent* event) {
  if (view_->Printing()) {
    event->ignore();
    hide();
    if (!std::exchange(closeAfterPrinting_, true)) view_->AfterPrinting([this] { close(); });
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace tavren
