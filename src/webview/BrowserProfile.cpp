#include "webview/BrowserProfile.h"

#include "webview/BrowserDialogs.h"
#include "webview/BrowserView.h"
#include "webview/DownloadWindow.h"
#include "webview/EngineLanguage.h"
#include "webview/PopupWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace tavren {
namespace {

QString FeatureText(QWebEnginePage::Feature feature) {
  switch (feature) {
    case QWebEnginePage::Geolocation:
      return QStringLiteral("現在地の利用");
    case QWebEnginePage::Notifications:
      return QStringLiteral("通知の表示");
    case QWebEnginePage::MediaAudioCapture:
      return QStringLiteral("マイクの使用");
    case QWebEnginePage::MediaVideoCapture:
      return QStringLiteral("カメラの使用");
    case QWebEnginePage::MediaAudioVideoCapture:
      return QStringLiteral("カメラとマイクの使用");
    case QWebEnginePage::DesktopVideoCapture:
      return QStringLiteral("画面の共有");
    case QWebEnginePage::DesktopAudioVideoCapture:
      return QStringLiteral("画面と音声の共有");
    case QWebEnginePage::MouseLock:
      return QStringLiteral("マウスポインターの固定");
  }
  return QStringLiteral("特別な機能の使用");
}

template <typename T>
QList<QWidget*> Living(const QList<QPointer<T>>& windows) {
  QList<QWidget*> living;
  for (const auto& window : windows) {
    if (window) living.append(window.data());
  }
  return living;
}

// What AllowPopups() keeps: the host, or the scheme of a page without one.
QString PopupSite(const QUrl& page) {
  return page.host().isEmpty() ? page.scheme() + QStringLiteral(":") : page.host();
}

// Centres `window` over `over`, so that a window the user caused opens
// where the user looks.
void PlaceOver(QWidget& window, const QWidget& over) {
  const QSize size = window.size().expandedTo(window.sizeHint());
  window.move(over.geometry().center() - QPoint(size.width() / 2, size.height() / 2));
}

}  // namespace

ProfileFolders StandardProfileFolders() {
  const QString tail = QStringLiteral("/tavren/web");
  return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + tail,
          QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + tail};
}

QString BrowserUserAgent(const QString& engineAgent) {
  static const QRegularExpression token(QStringLiteral("\\s*QtWebEngine/\\S*"));
  return QString(engineAgent).remove(token).trimmed();
}

BrowserProfile::BrowserProfile(BrowserDialogs& dialogs, const ProfileFolders& folders)
    : dialogs_(dialogs), folders_(folders) {}

QWebEngineProfile* BrowserProfile::Engine() {
  if (engine_ != nullptr) return engine_;
  // Its own pages, form messages and PDF viewer in Japanese, whatever the
  // process locale.
  StartEngineInJapanese();
  // The first engine profile starts the whole engine (its threads, its GPU
  // and network services): a quarter of a second that is spent only once a
  // page is really wanted.
  if (!folders_.storage.isEmpty() && !folders_.cache.isEmpty()) {
    engine_ = new QWebEngineProfile(QStringLiteral("tavren"));
    engine_->setPersistentStoragePath(folders_.storage);
    engine_->setCachePath(folders_.cache);
    engine_->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    // The desktop browser the guides were written for kept session cookies
    // across runs too, so sites keep their logins.
    engine_->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
  } else {
    engine_ = new QWebEngineProfile();
  }
  engine_->setHttpAcceptLanguage(QString::fromUtf16(kAcceptLanguage));
  engine_->setHttpUserAgent(BrowserUserAgent(engine_->httpUserAgent()));
  // An address of another scheme reaches the pages (which hand it to the
  // desktop) only when the user asked for it: a page's script alone never
  // starts a desktop program.
  engine_->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);
  // A file dropped on a page is the page's (an upload area); the view never
  // leaves the page to show it.
  engine_->settings()->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
  QObject::connect(engine_, &QWebEngineProfile::downloadRequested, engine_,
                   [this](QWebEngineDownloadRequest* download) { StartDownload(download); });
  return engine_;
}

BrowserProfile::~BrowserProfile() {
  for (QWidget* window : Living(popups_)) delete window;
  for (QWidget* window : Living(downloads_)) delete window;
  delete engine_;
}

bool BrowserProfile::OpenWindow(QWebEngineNewWindowRequest& request, QWebEnginePage& opener) {
  // Refused before anything else, whatever the scheme: the engine says for
  // every window whether a user action asked for it.
  if (!request.isUserInitiated() && !popupSites_.contains(PopupSite(opener.url()))) return false;
  const QUrl address = request.requestedUrl();
  const Asker asker = request.isUserInitiated() ? Asker::kUser : Asker::kScript;
  if (OpenerOf(address, asker) != Opener::kView) {
    OpenOnDesktop(address, asker);
    return true;
  }
  auto* window = new PopupWindow(*this);
  popups_.removeAll(nullptr);
  popups_.append(window);
  const QRect geometry = request.requestedGeometry();
  window->resize(geometry.size().isEmpty() ? QSize(800, 600) : geometry.size());
  if (!geometry.size().isEmpty() && !geometry.topLeft().isNull()) {
    window->move(geometry.topLeft());
  } else if (const QWidget* view = QWebEngineView::forPage(&opener)) {
    PlaceOver(*window, *view->window());
  }
  request.openIn(window->View()->page());
  window->ShowPage(address);
  return true;
}

void BrowserProfile::AllowPopups(const QUrl& page) { popupSites_.insert(PopupSite(page)); }

bool BrowserProfile::AskPermission(QWidget* parent, const QUrl& origin, QWebEnginePage::Feature feature) {
  const std::pair<QString, int> key{origin.toString(), static_cast<int>(feature)};
  if (const auto known = permissions_.find(key); known != permissions_.end()) return known->second;
  const QString site = origin.host().isEmpty() ? origin.toString() : origin.host();
  const bool allowed =
      dialogs_.AskYesNo(parent, QStringLiteral("%1 が%2を求めています。許可しますか?").arg(site, FeatureText(feature)));
  permissions_[key] = allowed;
  return allowed;
}

QList<QWidget*> BrowserProfile::PopupWindows() const { return Living(popups_); }

QList<QWidget*> BrowserProfile::DownloadWindows() const { return Living(downloads_); }

void BrowserProfile::StartDownload(QWebEngineDownloadRequest* download) {
  QWidget* parent = download->page() != nullptr ? QWebEngineView::forPage(download->page()) : nullptr;
  // A download whose connection failed comes back under the same id as the
  // engine starts it again: it goes on in its window, unasked.
  for (QWidget* window : Living(downloads_)) {
    auto* follower = static_cast<DownloadWindow*>(window);
    if (follower->Follows(download->id())) {
      follower->Restart(download);
      return;
    }
  }
  if (guides_.Take(download, parent)) return;
  // The user's download folder, made when it does not exist yet (as the
  // desktop's browsers do); the home folder when it cannot be made.
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  if (!QDir().mkpath(folder)) folder = QDir::homePath();
  QString target;
  if (!dialogs_.AskSavePath(parent, QDir(folder).filePath(download->downloadFileName()), target)) {
    download->cancel();
    return;
  }
  const QFileInfo chosen(target);
  download->setDownloadDirectory(chosen.absolutePath());
  download->setDownloadFileName(DownloadWindow::WorkingName(chosen.dir(), chosen.fileName()));
  if (download->isSavePageDownload()) download->setSavePageFormat(QWebEngineDownloadRequest::MimeHtmlSaveFormat);
  download->accept();
  auto* window = new DownloadWindow(download, chosen.absoluteFilePath(), dialogs_);
  downloads_.removeAll(nullptr);
  downloads_.append(window);
  if (parent != nullptr) PlaceOver(*window, *parent->window());
  window->show();
}

}  // namespace tavren
