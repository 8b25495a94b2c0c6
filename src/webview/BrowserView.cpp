#include "webview/BrowserView.h"

#include "webview/BrowserDialogs.h"
#include "webview/BrowserPage.h"
#include "webview/BrowserProfile.h"
#include "webview/FindBar.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QPrinter>
#include <QWebEngineContextMenuRequest>

#include <algorithm>
#include <array>

namespace tavren {
namespace {

// The zoom ladder of the common desktop browsers.
constexpr std::array kZoomSteps{0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};

}  // namespace

BrowserView::BrowserView(BrowserProfile& profile, QWidget* parent) : QWebEngineView(parent), profile_(profile) {
  setPage(new BrowserPage(profile, this));
  findBar_ = new FindBar(*this);
  AddShortcut(QKeySequence::Find, [this] { findBar_->Open(); });
  AddShortcut(QKeySequence(Qt::Key_F3), [this] { findBar_->Find(false); });
  AddShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findBar_->Find(true); });
  AddShortcut(QKeySequence::Print, [this] { Print(); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { Zoom(1); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { Zoom(1); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { Zoom(-1); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { Zoom(0); });
  connect(this, &QWebEngineView::printRequested, this, &BrowserView::Print);
  connect(this, &QWebEngineView::printFinished, this, [this] { printer_.reset(); });
}

BrowserView::~BrowserView() = default;

void BrowserView::AddShortcut(const QKeySequence& keys, std::function<void()> action) {
  auto* item = new QAction(this);
  item->setShortcut(keys);
  // The engine's own widget inside the view holds the focus.
  item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(item, &QAction::triggered, this, std::move(action));
  addAction(item);
}

void BrowserView::Print() {
  if (printer_) return;
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!profile_.Dialogs().AskPrint(this, *printer_)) {
    printer_.reset();
    return;
  }
  print(printer_.get());
}

void BrowserView::Zoom(int step) {
  if (step == 0) {
    setZoomFactor(1.0);
    return;
  }
  const qreal now = zoomFactor();
  if (step > 0) {
    const auto next = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), now + 0.001);
    if (next != kZoomSteps.end()) setZoomFactor(*next);
  } else {
    const auto next = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), now - 0.001);
    if (next != kZoomSteps.begin()) setZoomFactor(*(next - 1));
  }
}

QUrl BrowserView::ContextAddress() const {
  const QWebEngineContextMenuRequest* request = lastContextMenuRequest();
  if (request != nullptr && request->linkUrl().isValid() && !request->linkUrl().isEmpty()) return request->linkUrl();
  return url();
}

void BrowserView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addSeparator();
  const QUrl address = ContextAddress();
  QAction* external = menu->addAction(QStringLiteral("既定のブラウザで開く"));
  external->setObjectName(QStringLiteral("openInDefaultBrowser"));
  const QString scheme = address.scheme().toLower();
  external->setEnabled(scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ||
                       scheme == QStringLiteral("file"));
  connect(external, &QAction::triggered, this, [address] { QDesktopServices::openUrl(address); });
  menu->popup(event->globalPos());
}

}  // namespace tavren
