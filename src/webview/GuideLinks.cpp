#include "webview/GuideLinks.h"

#include "webview/BrowserDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWidget>

namespace tavren {

bool IsGuideLink(const QUrl& address, const QString& mimeType) {
  if (mimeType.compare(QStringLiteral("application/x-tavren-guide"), Qt::CaseInsensitive) == 0) return true;
  const QString path = address.path();
  return path.endsWith(QStringLiteral(".lst"), Qt::CaseInsensitive) ||
         path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

QString StandardGuideFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tavren/guides");
}

QString FreeGuidePath(const QString& folder, const QString& fileName) {
  QString name = QFileInfo(fileName).fileName();
  if (name.isEmpty() || name.startsWith(u'.')) name = QStringLiteral("guide.lst");
  const QDir dir(folder);
  QString path = dir.filePath(name);
  const QFileInfo parts(name);
  const QString suffix = parts.suffix().isEmpty() ? QString() : u'.' + parts.suffix();
  const QString stem = parts.completeBaseName();
  for (int n = 2; QFileInfo::exists(path); ++n)
    path = dir.filePath(QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix));
  return path;
}

void GuideLinks::SetOpener(const QString& folder, Opener opener) {
  folder_ = folder;
  opener_ = std::move(opener);
}

void GuideLinks::Watch(QWebEnginePage& page) {
  QObject::connect(&page, &QWebEnginePage::navigationRequested, &page,
                   [this, &page](QWebEngineNavigationRequest& request) {
                     if (!opener_ || !request.isMainFrame() ||
                         request.navigationType() != QWebEngineNavigationRequest::LinkClickedNavigation ||
                         !IsGuideLink(request.url())) {
                       return;
                     }
                     request.reject();
                     page.download(request.url());
                   });
}

bool GuideLinks::Take(QWebEngineDownloadRequest* download, QWidget* parent) {
  if (const auto opening = opening_.find(download->id()); opening != opening_.end()) {
    const auto [path, name] = opening->second;
    OpenWhenComplete(download, path, name, parent);
    return true;
  }
  if (!opener_ || !IsGuideLink(download->url(), download->mimeType())) return false;
  const QString name = download->downloadFileName();
  switch (dialogs_.AskGuideLink(parent, name)) {
    case GuideLinkAnswer::kSave:
      return false;
    case GuideLinkAnswer::kCancel:
      download->cancel();
      return true;
    case GuideLinkAnswer::kOpen:
      break;
  }
  if (!QDir().mkpath(folder_)) {
    download->cancel();
    dialogs_.ErrorBox(parent, QStringLiteral("ガイドを保存するフォルダー「%1」を作れませんでした。").arg(folder_));
    return true;
  }
  OpenWhenComplete(download, FreeGuidePath(folder_, name), name, parent);
  return true;
}

void GuideLinks::OpenWhenComplete(QWebEngineDownloadRequest* download, const QString& path, const QString& name,
                                  QWidget* parent) {
  opening_[download->id()] = {path, name};
  const QFileInfo target(path);
  download->setDownloadDirectory(target.absolutePath());
  download->setDownloadFileName(target.fileName());
  download->accept();
  QPointer<QWidget> over(parent);
  QObject::connect(download, &QWebEngineDownloadRequest::isFinishedChanged, download, [this, download, name, over] {
    if (!download->isFinished()) return;
    opening_.erase(download->id());
    if (download->state() == QWebEngineDownloadRequest::DownloadCompleted) {
      opener_(QDir(download->downloadDirectory()).filePath(download->downloadFileName()));
    } else {
      dialogs_.ErrorBox(over.data(), QStringLiteral("ガイド「%1」をダウンロードできませんでした。").arg(name));
    }
  });
}

}  // namespace tavren
