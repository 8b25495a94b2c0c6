#include "webview/ProgramExit.h"

#include "webview/BrowserDialogs.h"
#include "webview/BrowserProfile.h"
#include "webview/DownloadWindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

namespace tavren {

bool MayEndProgram(BrowserProfile& profile, QWidget* parent) {
  bool running = false;
  for (QWidget* window : profile.DownloadWindows()) {
    // A finished download's window stays open saying so; a failed one has
    // closed itself.
    running = running || static_cast<DownloadWindow*>(window)->StatusText() != u"完了しました";
  }
  return !running || profile.Dialogs().AskYesNo(parent, QString::fromUtf16(kDownloadRunningQuestion));
}

void ClosePopupsForExit(BrowserProfile& profile, int limitMs) {
  for (QWidget* window : profile.PopupWindows()) window->close();
  const QDeadlineTimer deadline(limitMs);
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    // The main loop has ended: windows closed now are deleted only here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (profile.PopupWindows().isEmpty() || deadline.hasExpired()) loop.quit();
  });
  poll.start(50);
  loop.exec();
}

}  // namespace tavren
