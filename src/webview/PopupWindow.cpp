#include "webview/PopupWindow.h"

#include "webview/BrowserView.h"
#include "webview/HistoryKeys.h"

#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineScript>

#include <utility>

namespace tavren {
namespace {

// What a window opened at no address holds until its first navigation: the
// engine's first blank document, which its opener may write into.
bool IsBlank(const QUrl& address) {
  return address.isEmpty() || (address.scheme() == u"about" && address.path() == u"blank");
}

// Qt WebEngine 6.4 ends the whole process (a null pointer in the engine) when
// it paints a window's first blank document after the opener wrote into it,
// the receipt pattern: w = window.open(); w.document.write(...). A document
// the window navigated to paints safely, later writes included. So a blank
// window stays hidden, and this script (in a world of its own, out of the
// page's reach) replaces its document, at every change, with a copy of
// itself loaded from a blob: address the window makes: the same origin, so
// the opener keeps its hold; location.replace, so no history entry. The
// copy is UTF-8 and says so, whatever charset a written <meta> names, and a
// <base> keeps relative addresses on the opener's page. Its scripts run
// once more, as on a reload (a print() among them meets the first job still
// in its dialog, and is dropped), and an element the opener kept from the
// first document is no longer shown. `tavrenCopy()` also copies a document
// nobody wrote.
constexpr char16_t kCopyScript[] =
    uR"(
var tavrenCopy = () => {
  const root = document.documentElement;
  if (!root) return;
  const copy = root.cloneNode(true);
  if (!document.querySelector('base')) {
    const base = document.createElement('base');
    base.href = document.baseURI;
    copy.querySelector('head')?.prepend(base);
  }
  const doctype = document.doctype ? new XMLSerializer().serializeToString(document.doctype) : '';
  location.replace(URL.createObjectURL(new Blob([doctype + copy.outerHTML], {type: 'text/html;charset=utf-8'})));
};
if (!window.tavrenWatching) {
  tavrenWatching = true;
  new MutationObserver(tavrenCopy).observe(document, {childList: true, subtree: true, characterData: true, attributes: true});
  if (document.head?.hasChildNodes() || document.body?.hasChildNodes()) tavrenCopy();
}
)";

// How long a blank window nobody writes into or sends anywhere waits before
// it shows as a blank page.
constexpr int kBlankShowMs = 1000;

}  // namespace

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

void PopupWindow::ShowPage(const QUrl& requested) {
  if (!IsBlank(requested)) {
    show();
    return;
  }
  QWebEnginePage* page = view_->page();
  connect(page, &QWebEnginePage::loadStarted, this, [this] { loading_ = true; });
  connect(page, &QWebEnginePage::loadFinished, this, [this] {
    loading_ = false;
    if (!IsBlank(view_->url()) && !closeAfterPrinting_) show();
  });
  CopyBlankPage(false);
  QTimer::singleShot(kBlankShowMs, this, [this] {
    // A form the opener sent here may still be on its way.
    if (!loading_) CopyBlankPage(true);
  });
}

void PopupWindow::CopyBlankPage(bool evenUnwritten) {
  if (closeAfterPrinting_ || !IsBlank(view_->url())) return;
  // The engine prints from the document it has; it is not replaced under a
  // print job.
  if (view_->Printing()) {
    view_->AfterPrinting([this, evenUnwritten] { CopyBlankPage(evenUnwritten); });
    return;
  }
  QString script = QString::fromUtf16(kCopyScript);
  if (evenUnwritten) script += QStringLiteral("tavrenCopy();");
  view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld);
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
