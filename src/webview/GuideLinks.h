#pragma once
// Guide files reached from a page (the maker's guide list links to them):
// instead of asking where to save one, the program asks "このガイドを開きますか？"
// and, for 開く, keeps the file in the user's guide folder and hands its path
// to whoever loads guides (the main window, as "読込" does).

#include <QString>

#include <functional>
#include <map>
#include <utility>

class QUrl;
class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWidget;

namespace tavren {

class BrowserDialogs;

// True for an address whose path ends in ".lst" or ".csv" (any case), or
// a download of type application/x-tavren-guide.
bool IsGuideLink(const QUrl& address, const QString& mimeType = {});

// The user's guide folder: "tavren/guides" under the XDG data folder.
QString StandardGuideFolder();

// `fileName` in `folder` if no file has that name yet, else the first free
// "stem (2).ext", "stem (3).ext", ... An empty or unsafe name (a path, "..")
// becomes "guide.lst".
QString FreeGuidePath(const QString& folder, const QString& fileName);

class GuideLinks {
 public:
  using Opener = std::function<void(const QString& path)>;

  // `dialogs` must outlive this object.
  explicit GuideLinks(BrowserDialogs& dialogs) : dialogs_(dialogs) {}

  // From now on guide downloads are offered to open: kept in `folder` and
  // handed to `opener` once complete. Without an opener (the default) a
  // guide downloads as any file.
  void SetOpener(const QString& folder, Opener opener);
  bool Opens() const { return static_cast<bool>(opener_); }

  // From now on a link clicked in `page` to a guide file downloads it (while
  // an opener is set), so that it gets the question: served as text it
  // would otherwise show as a page of garbled text.
  void Watch(QWebEnginePage& page);

  // Takes `download` (not yet accepted) when it is a guide and an opener is
  // set: asks over `parent`; 開く accepts it into the folder, キャンセル
  // cancels it, and both return true. False for 保存… and for any other
  // download: the caller saves it as usual. A guide that fails to arrive is
  // reported in the error box. A download being opened that the engine
  // starts again after its connection failed (the same id) is taken into
  // the same file without a second question.
  bool Take(QWebEngineDownloadRequest* download, QWidget* parent);

 private:
  // Accepts `download` into `path` and opens the guide once it is complete.
  void OpenWhenComplete(QWebEngineDownloadRequest* download, const QString& path, const QString& name, QWidget* parent);

  BrowserDialogs& dialogs_;
  QString folder_;
  Opener opener_;
  // Each guide download under way, by id: its file and the name it was asked
  // about with.
  std::map<quint32, std::pair<QString, QString>> opening_;
};

}  // namespace tavren
