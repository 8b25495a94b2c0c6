// Times the program's start-up: from the process's start to the main window
// shown on screen (mapped and painted), and on to the home page loaded in
// its web view, with the program's own start-up order (RunProgram), its real
// windows, web view and fetcher, against the site at SITE_ROOT - a loopback
// server in the budget script. The main window's frozen start-up pause is
// set to 0, so the figure is the start-up work alone; the program itself
// adds its pause on top.
//
//   xvfb-run -a startup_bench http://127.0.0.1:PORT/
//
// Differences from the program: the pause, and failures are printed rather
// than shown in modal boxes (a box nobody closes would hang the run). Once
// the home page has loaded the main window is closed, which ends the
// program's order.
// Prints one "name value" line per figure, in milliseconds; exits 1 if the
// window never showed or a failure was reported.

#include <QApplication>
#include <QChildEvent>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWebEngineView>
#include <QWidget>
#include <QWindow>

#include <time.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/FontAliases.h"
#include "app/Startup.h"
#include "base/ErrorText.h"
#include "ui/Clock.h"
#include "ui/Dialogs.h"
#include "ui/QtDialogs.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "webview/BrowserProfile.h"
#include "webview/QtBrowserDialogs.h"
#include "webview/QtWebView.h"

namespace {

// Milliseconds since the process started, from the kernel's start time (in
// clock ticks since boot, so to the tick: 10 ms on most kernels); -1 if it
// cannot be read.
double MsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  // The command name in field 2 may hold blanks; the fields after it do not.
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  for (int n = 3; n < 22 && fields >> field; ++n) {
  }
  unsigned long long startTicks = 0;
  if (!(fields >> startTicks)) return -1;
  timespec now{};
  if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
  const double nowMs = static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
  return nowMs - static_cast<double>(startTicks) * 1e3 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Start-up failures are counted and printed; a modal box would wait forever.
class PrintedDialogs : public tavren::Dialogs {
 public:
  void ErrorBox(const QString& text) override {
    std::fprintf(stderr, "startup_bench: error box: %s\n", text.toUtf8().constData());
    ++failures;
  }
  void Message(const QString& text) override {
    std::fprintf(stderr, "startup_bench: message: %s\n", text.toUtf8().constData());
  }
  bool OpenGuideFile(QWidget*, QByteArray&) override { return false; }
  int failures = 0;
};

// Marks when the main window is exposed, then when it has been painted;
// then when its web view has loaded the home page (the engine starts only
// once the window is on screen), and closes the window.
class ShownWatcher : public QObject {
 public:
  ShownWatcher(QWidget* window, const QElapsedTimer& sinceMain) : window_(window), sinceMain_(sinceMain) {
    window->installEventFilter(this);
    if (auto* view = window->findChild<QWebEngineView*>()) {
      WatchLoad(view);
    } else if (auto* place = window->findChild<QWidget*>(QStringLiteral("WebBrowser1"))) {
      place->installEventFilter(this);
    }
  }
  double exposedMs = -1;
  double paintedMs = -1;
  double homeLoadedMs = -1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Show && window_->windowHandle() != nullptr) {
      window_->windowHandle()->installEventFilter(this);
    } else if (window_ && watched == window_->windowHandle() && event->type() == QEvent::Expose &&
               window_->windowHandle()->isExposed() && exposedMs < 0) {
      exposedMs = Ms();
      QTimer::singleShot(0, this, [this] {
        paintedMs = Ms();
        CloseWhenDone();
      });
    } else if (event->type() == QEvent::ChildPolished) {
      if (auto* view = qobject_cast<QWebEngineView*>(static_cast<QChildEvent*>(event)->child())) WatchLoad(view);
    }
    return false;
  }

 private:
  void WatchLoad(QWebEngineView* view) {
    connect(view, &QWebEngineView::loadFinished, this, [this] {
      if (homeLoadedMs >= 0) return;
      homeLoadedMs = Ms();
      CloseWhenDone();
    });
  }

  void CloseWhenDone() {
    if (paintedMs >= 0 && homeLoadedMs >= 0 && window_) window_->close();
  }

  double Ms() const { return static_cast<double>(sinceMain_.nsecsElapsed()) / 1e6; }
  QPointer<QWidget> window_;
  const QElapsedTimer& sinceMain_;
};

class BenchParts : public tavren::ProgramParts {
 public:
  BenchParts(std::string siteRoot, const QElapsedTimer& sinceMain)
      : siteRoot_(std::move(siteRoot)), sinceMain_(sinceMain) {}

  QString PlatformProblem() override { return tavren::WebViewPlatformProblem(); }
  tavren::Dialogs& StartupDialogs() override { return dialogs_; }
  std::unique_ptr<QWidget> MakeNoticeWindow() override {
    if (firstNoticeStartMs < 0) firstNoticeStartMs = Ms();
    return std::make_unique<tavren::TForm2>(dialogs_, siteRoot_);
  }
  std::unique_ptr<QWidget> MakeMainWindow() override {
    // The first notice window has been made and painted by now.
    mainStartMs = Ms();
    // The program's own kept session, in its own folders.
    profile_ = std::make_unique<tavren::BrowserProfile>(browserDialogs_, tavren::StandardProfileFolders());
    webView_ = std::make_unique<tavren::QtWebView>(*profile_);
    auto window = std::make_unique<tavren::TForm1>(tavren::TForm1Parts{
        .webView = *webView_, .dialogs = dialogs_, .clock = clock_, .siteRoot = siteRoot_, .startupPauseMs = 0});
    mainMadeMs = Ms();
    watcher = std::make_unique<ShownWatcher>(window.get(), sinceMain_);
    return window;
  }
  void OpenGuide(QWidget&, const std::string&) override {}

  PrintedDialogs dialogs_;
  std::unique_ptr<ShownWatcher> watcher;
  double firstNoticeStartMs = -1;
  double mainStartMs = -1;
  double mainMadeMs = -1;

 private:
  double Ms() const { return static_cast<double>(sinceMain_.nsecsElapsed()) / 1e6; }
  std::string siteRoot_;
  const QElapsedTimer& sinceMain_;
  tavren::SystemClock clock_;
  tavren::QtBrowserDialogs browserDialogs_;
  std::unique_ptr<tavren::BrowserProfile> profile_;
  std::unique_ptr<tavren::QtWebView> webView_;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceMain;
  sinceMain.start();
  const double processToMainMs = MsSinceProcessStart();
  if (argc != 2) {
    std::fprintf(stderr, "usage: startup_bench SITE_ROOT (e.g. http://127.0.0.1:8372/)\n");
    return 2;
  }

  // The program's own preparations, in its order.
  tavren::LoadFontAliases(tavren::FontAliasFile(tavren::ExecutableDir(), TAVREN_BUILD_TREE_FONT_ALIASES));
  tavren::PrepareWebViewPlatform();
  QApplication app(argc, argv);
  const QString title = QString::fromLocal8Bit(tavren::ApplicationTitle(argv[0]));
  QApplication::setApplicationName(title);
  tavren::InstallJapaneseTranslations(app);
  const double applicationMs = static_cast<double>(sinceMain.nsecsElapsed()) / 1e6;

  BenchParts parts(argv[1], sinceMain);
  // Never hang: a window that is not shown within 60 s ends the run.
  bool timedOut = false;
  QTimer::singleShot(60000, &app, [&] {
    timedOut = true;
    QCoreApplication::exit(1);
  });
  const int status = tavren::RunProgram(parts);
  const double shownMs = parts.watcher ? parts.watcher->paintedMs : -1;
  if (timedOut || shownMs < 0) {
    std::fprintf(stderr, "startup_bench: the main window was not shown (status %d)\n", status);
    return 1;
  }
  const double offset = processToMainMs >= 0 ? processToMainMs : 0;
  std::printf("process_start_to_main_ms %.0f\n", processToMainMs);
  std::printf("application_ready_ms %.1f\n", offset + applicationMs);
  std::printf("first_notice_painted_ms %.1f\n", offset + parts.mainStartMs);
  std::printf("main_window_made_ms %.1f\n", offset + parts.mainMadeMs);
  std::printf("main_window_exposed_ms %.1f\n", offset + parts.watcher->exposedMs);
  std::printf("startup_to_main_window_shown_ms %.1f\n", offset + shownMs);
  std::printf("home_page_loaded_ms %.1f\n",
              parts.watcher->homeLoadedMs >= 0 ? offset + parts.watcher->homeLoadedMs : -1);
  std::printf("startup_failures %d\n", parts.dialogs_.failures);
  return parts.dialogs_.failures > 0 ? 1 : 0;
}
