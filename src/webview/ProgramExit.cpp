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

#include <algorithm>

namespace tavren {

bool MayEndProgram(BrowserProfile& profile, QWidget* parent) {
  // A finished download's window stays open saying so.
  const QList<QWidget*> downloads = profile.DownloadWindows();
  const bool running = std::any_of(downloads.begin(), downloads.end(),
                                   [](QWidget* window) { return static_cast<DownloadWindow*>(window)->Running(); });
  return !running || profile.Dialogs().AskYesNo(parent, QString::fromUtf16(kDownloadRunningQuestion));
}

void ClosePopupsForExit(BrowserProfile& profile, int limitMs) {
  for (QWidget* window : profile.PopupWindows()) window->close();
  const QDeadlineTimer deadline(limitMs);
  // Not a nested event loop: the windows' deferred deletion would wait for
  // the loop they were closed from. The timer wakes the wait below.
  QTimer tick;
  tick.start(50);
  while (!profile.PopupWindows().isEmpty() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

}  // namespace tavren
