#include "webview/BrowserView.h"

#include "webview/AddressRule.h"
#include "webview/BrowserDialogs.h"
#include "webview/BrowserPage.h"
#include "webview/BrowserProfile.h"
#include "webview/FindBar.h"
#include "webview/FullScreenWindow.h"
#include "webview/LinkBubble.h"
#include "webview/PopupBlockBar.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPrinter>
#include <QTimer>
#include <QWebEngineContextMenuRequest>

#include <algorithm>
#include <array>
#include <utility>

namespace tavren {
namespace {

// The zoom ladder of the common desktop browsers.
constexpr std::array kZoomSteps{0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};

// The engine ships no Japanese words for its context menu.
constexpr std::pair<QWebEnginePage::WebAction, const char16_t*> kMenuTexts[] = {
    {QWebEnginePage::Back, u"戻る"},
    {QWebEnginePage::Forward, u"進む"},
    {QWebEnginePage::Stop, u"中止"},
    {QWebEnginePage::Reload, u"再読み込み"},
    {QWebEnginePage::Cut, u"切り取り"},
    {QWebEnginePage::Copy, u"コピー"},
    {QWebEnginePage::Paste, u"貼り付け"},
    {QWebEnginePage::Undo, u"元に戻す"},
    {QWebEnginePage::Redo, u"やり直し"},
    {QWebEnginePage::SelectAll, u"すべて選択"},
    {QWebEnginePage::PasteAndMatchStyle, u"書式なしで貼り付け"},
    {QWebEnginePage::OpenLinkInThisWindow, u"リンクを開く"},
    {QWebEnginePage::OpenLinkInNewWindow, u"リンクを新しいウィンドウで開く"},
    {QWebEnginePage::CopyLinkToClipboard, u"リンクのアドレスをコピー"},
    {QWebEnginePage::DownloadLinkToDisk, u"リンク先を保存..."},
    {QWebEnginePage::CopyImageToClipboard, u"画像をコピー"},
    {QWebEnginePage::CopyImageUrlToClipboard, u"画像のアドレスをコピー"},
    {QWebEnginePage::DownloadImageToDisk, u"画像を保存..."},
    {QWebEnginePage::CopyMediaUrlToClipboard, u"メディアのアドレスをコピー"},
    {QWebEnginePage::ToggleMediaControls, u"コントロールを表示"},
    {QWebEnginePage::ToggleMediaLoop, u"繰り返し再生"},
    {QWebEnginePage::ToggleMediaPlayPause, u"再生 / 一時停止"},
    {QWebEnginePage::ToggleMediaMute, u"ミュート"},
    {QWebEnginePage::DownloadMediaToDisk, u"メディアを保存..."},
    {QWebEnginePage::ExitFullScreen, u"全画面表示を終了"},
    {QWebEnginePage::SavePage, u"ページを保存..."},
    {QWebEnginePage::ViewSource, u"ページのソースを表示"},
    {QWebEnginePage::Unselect, u"選択を解除"},
};

}  // namespace

BrowserView::BrowserView(BrowserProfile& profile, QWidget* parent) : QWebEngineView(parent), profile_(profile) {
  setPage(new BrowserPage(profile, this));
  findBar_ = new FindBar(*this);
  new LinkBubble(*this);
  new FullScreenSwitch(*this);
  popupBar_ = new PopupBlockBar(*this, profile);
  findBar_->KeepBelow(*popupBar_);
  for (const auto& [action, text] : kMenuTexts) pageAction(action)->setText(QString::fromUtf16(text));
  AddShortcut(QKeySequence::Find, [this] { findBar_->Open(); });
  AddShortcut(QKeySequence(Qt::Key_F3), [this] { findBar_->Find(false); });
  AddShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findBar_->Find(true); });
  AddShortcut(QKeySequence::Print, [this] { Print(); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { Zoom(1); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { Zoom(1); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { Zoom(-1); });
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { Zoom(0); });
  // Reload is the window's key, wherever its focus is.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)}) {
    auto* reload = new QAction(this);
    reload->setShortcut(keys);
    reload->setShortcutContext(Qt::WindowShortcut);
    connect(reload, &QAction::triggered, this, [this] { triggerPageAction(QWebEnginePage::Reload); });
    addAction(reload);
  }
  connect(this, &QWebEngineView::printRequested, this, &BrowserView::Print);
  connect(this, &QWebEngineView::printFinished, this, &BrowserView::EndPrint);
}

BrowserView::~BrowserView() {
  delete findBar_.data();
  delete popupBar_.data();
}

FindBar& BrowserView::Find() const { return *findBar_; }

PopupBlockBar& BrowserView::PopupBar() const { return *popupBar_; }

void BrowserView::AddShortcut(const QKeySequence& keys, std::function<void()> action) {
  auto* item = new QAction(this);
  item->setShortcut(keys);
  // The engine's own widget inside the view holds the focus.
  item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(item, &QAction::triggered, this, std::move(action));
  addAction(item);
  // The find box sits beside the view: the view's keys work in it too.
  findBar_->addAction(item);
}

void BrowserView::Print() {
  if (printer_) return;
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!profile_.Dialogs().AskPrint(this, *printer_)) {
    EndPrint();
    return;
  }
  print(printer_.get());
}

void BrowserView::AfterPrinting(std::function<void()> then) {
  if (Printing()) {
    afterPrinting_.push_back(std::move(then));
  } else {
    QTimer::singleShot(0, this, std::move(then));
  }
}

void BrowserView::EndPrint() {
  printer_.reset();
  for (auto& then : std::exchange(afterPrinting_, {})) QTimer::singleShot(0, this, std::move(then));
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
  // A new tab would be a new window here, which the entry above offers.
  menu->removeAction(pageAction(QWebEnginePage::OpenLinkInNewTab));
  menu->addSeparator();
  const QUrl address = ContextAddress();
  QAction* external = menu->addAction(QStringLiteral("既定のブラウザで開く"));
  external->setObjectName(QStringLiteral("openInDefaultBrowser"));
  external->setEnabled(OpenerOf(address, Asker::kUserForDesktopBrowser) == Opener::kDesktop);
  connect(external, &QAction::triggered, this, [address] { OpenOnDesktop(address, Asker::kUserForDesktopBrowser); });
  menu->popup(event->globalPos());
}

}  // namespace tavren
