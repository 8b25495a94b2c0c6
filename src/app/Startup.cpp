#include "app/Startup.h"

#include "ui/AccessibleRoles.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace tavren {
namespace {

// Ends the event loop once the main window has closed. Qt would otherwise
// keep running while the notice windows stay open (or end it as soon as the
// last window of any kind closes).
class QuitWhenClosed : public QObject {
 public:
  explicit QuitWhenClosed(QWidget* window) : window_(window) { window->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The window may still refuse the close, and may ask the user first in a
    // nested event loop (which would run a check queued at the close event
    // before the answer); its hiding is the close decided. A hide that the
    // system reports (the window minimised) is none.
    if (watched == window_ && event->type() == QEvent::Hide && !event->spontaneous()) {
      QMetaObject::invokeMethod(
          this,
          [this] {
            if (!window_ || !window_->isVisible()) QCoreApplication::quit();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QPointer<QWidget> window_;
};

}  // namespace

void PaintNow(QWidget& window, int exposeWaitMs) {
  window.show();
  QElapsedTimer waited;
  waited.start();
  while (window.windowHandle() != nullptr && !window.windowHandle()->isExposed() && waited.elapsed() < exposeWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
  }
  window.repaint();
}

int RunProgram(ProgramParts& parts, const std::optional<std::string>& guide) {
  // Before any window: Qt keeps the first interface it makes for a widget,
  // so the roles must be in place before a screen reader asks about one.
  InstallAccessibleRoles();
  if (const QString problem = parts.PlatformProblem(); !problem.isEmpty()) {
    parts.StartupDialogs().ErrorBox(problem);
    return 1;
  }
  // The main window alone decides when the program ends.
  QGuiApplication::setQuitOnLastWindowClosed(false);

  // The first notice window goes up before anything else of the program. It
  // stays painted but frozen through the main window's start-up pause.
  std::unique_ptr<QWidget> firstNotice = parts.MakeNoticeWindow();
  PaintNow(*firstNotice);

  std::unique_ptr<QWidget> mainWindow = parts.MakeMainWindow();
  // The second notice window is the application's second window. It has no
  // Qt parent (a parent would keep it above the main window); holding it
  // here lets it end after the main window and before the first one.
  std::unique_ptr<QWidget> secondNotice = parts.MakeNoticeWindow();

  QuitWhenClosed quitter(mainWindow.get());
  mainWindow->show();
  if (guide) {
    // Queued, so that the guide loads as a command of the running program
    // would: its failure box goes up over the shown window, and a main window
    // closed before then ends the program without it.
    QTimer::singleShot(0, mainWindow.get(), [&parts, window = mainWindow.get(), path = *guide] {
      if (window->isVisible()) parts.OpenGuide(*window, path);
    });
  }
  const int status = QApplication::exec();

  mainWindow.reset();
  secondNotice.reset();
  firstNotice.reset();
  return status;
}

}  // namespace tavren
