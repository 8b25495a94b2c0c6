#pragma once
// The small window that follows one download: the file's name, a progress
// bar with the bytes received and a cancel button. The engine writes into a
// working file of our own beside the chosen one; only a finished download
// replaces the chosen file, in one step, so a cancel or a failure leaves
// nothing behind but an error box that says what happened. Deletes itself
// when closed.

#include <QDir>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QWebEngineDownloadRequest;

namespace tavren {

class BrowserDialogs;

class DownloadWindow : public QWidget {
 public:
  // Follows `download`, accepted already with its working file, towards
  // `target`, the path the user chose.
  DownloadWindow(QWebEngineDownloadRequest* download, QString target, BrowserDialogs& dialogs);
  // A download still under way is cancelled and its working file removed,
  // without a box.
  ~DownloadWindow() override;

  // "完了しました" once the file is in place.
  QString StatusText() const;
  // True until the file is in place or the download has ended without one.
  bool Running() const { return !over_ && download_; }
  // True while the window follows the running download the engine numbers
  // `id`.
  bool Follows(quint32 id) const;
  // Goes on with `restart`, the engine's new start of the download this
  // window follows (after a failed connection it starts again, up to five
  // times, each time as a new request with the same id): accepted into the
  // same working file, with no second save dialog.
  void Restart(QWebEngineDownloadRequest* restart);
  QPushButton* Button() const { return button_; }

  // A name for the working file of a download to `fileName` in `folder`
  // that no file there has: the chosen name, cut at a character boundary
  // where it is long, with a random tag and ".part". It stays short enough
  // for the engine to add its own suffix to it within the file system's
  // 255-byte limit, however long the chosen name is.
  static QString WorkingName(const QDir& folder, const QString& fileName);

 private:
  void Follow(QWebEngineDownloadRequest* download);
  void ShowProgress();
  void Finish();
  // Ends the download with no file (cancelled by the user or failed):
  // removes the working file, closes the window and shows `message`.
  void EndWithoutFile(const QString& message);
  QString WorkingPath() const;

  QPointer<QWebEngineDownloadRequest> download_;
  QString target_;
  BrowserDialogs& dialogs_;
  QLabel* status_;
  QProgressBar* bar_;
  QPushButton* button_;
  bool over_ = false;
};

}  // namespace tavren
