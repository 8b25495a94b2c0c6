// The start-up and shutdown order, run with windows that record what happens
// to them.

#include "app/Startup.h"

#include "FakeDialogs.h"
#include "MemorySite.h"
#include "ui/Unit2.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavren {
namespace {

using Log = std::vector<std::string>;

// A window that logs its first paint, its showing and its end.
class RecordingWindow : public QWidget {
 public:
  RecordingWindow(std::string name, Log& log) : name_(std::move(name)), log_(log) { resize(300, 200); }
  ~RecordingWindow() override { log_.push_back(name_ + " destroyed"); }
  // Runs before the window accepts a close (the close question).
  std::function<void()> beforeClose;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      log_.push_back(name_ + " painted");
    }
    return QWidget::event(event);
  }
  void closeEvent(QCloseEvent* event) override {
    if (beforeClose) beforeClose();
    QWidget::closeEvent(event);
  }

 private:
  std::string name_;
  Log& log_;
  bool painted_ = false;
};

class RecordingParts : public ProgramParts {
 public:
  QString problem;
  FakeDialogs dialogs;
  Log log;
  std::vector<QWidget*> notices;
  QWidget* main = nullptr;
  bool noticesVisibleAtQuit = false;
  QAccessible::Role noticeRole = QAccessible::NoRole;

  QString PlatformProblem() override {
    log.push_back("platform checked");
    return problem;
  }
  Dialogs& StartupDialogs() override { return dialogs; }
  std::unique_ptr<QWidget> MakeNoticeWindow() override {
    const std::string name = "notice " + std::to_string(notices.size() + 1);
    log.push_back(name + " created");
    auto window = std::make_unique<RecordingWindow>(name, log);
    // A notice window shows itself at the end of its creation.
    window->show();
    notices.push_back(window.get());
    return window;
  }
  std::unique_ptr<QWidget> MakeMainWindow() override {
    log.push_back("main created");
    auto window = std::make_unique<RecordingWindow>("main", log);
    main = window.get();
    // Once the loop runs and has handled what start-up queued for it, the
    // user closes the main window with the notices open.
    QTimer::singleShot(0, window.get(), [this] {
      QTimer::singleShot(0, main, [this] {
        log.push_back("main closed by the user");
        noticesVisibleAtQuit = notices.size() == 2 && notices[0]->isVisible() && notices[1]->isVisible();
        if (!notices.empty()) noticeRole = QAccessible::queryAccessibleInterface(notices.front())->role();
        main->close();
      });
    });
    return window;
  }
  void OpenGuide(QWidget& window, const std::string& path) override {
    log.push_back("guide " + path + (&window == main && window.isVisible() ? " opened in the shown main" : " opened"));
  }
};

TEST(RunProgramTest, StepsRunInTheirOrder) {
  struct Row {
    const char* what;
    QString problem;
    std::optional<std::string> guide;
    int expectedStatus;
    Log expectedLog;
  };
  const Row rows[] = {
      {"a normal run",
       {},
       std::nullopt,
       0,
       {"platform checked", "notice 1 created", "notice 1 painted", "main created", "notice 2 created",
        "main closed by the user", "main destroyed", "notice 2 destroyed", "notice 1 destroyed"}},
      {"a guide on the command line",
       {},
       "/tmp/onsen.lst",
       0,
       {"platform checked", "notice 1 created", "notice 1 painted", "main created", "notice 2 created",
        "guide /tmp/onsen.lst opened in the shown main", "main closed by the user", "main destroyed",
        "notice 2 destroyed", "notice 1 destroyed"}},
      {"the web engine cannot start",
       QStringLiteral("WebEngine cannot run"),
       "/tmp/onsen.lst",
       1,
       {"platform checked"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RecordingParts parts;
    parts.problem = row.problem;
    const int status = RunProgram(parts, row.guide);
    EXPECT_EQ(status, row.expectedStatus);
    // Paints of later windows may fall anywhere once the loop runs; the
    // order that matters is that of the steps and of the first window's paint.
    Log steps;
    for (const std::string& entry : parts.log) {
      if (entry.ends_with(" painted") && entry != "notice 1 painted") continue;
      steps.push_back(entry);
    }
    EXPECT_EQ(steps, row.expectedLog);
    if (row.problem.isEmpty()) {
      EXPECT_TRUE(parts.dialogs.errorBoxes.isEmpty());
    } else {
      EXPECT_EQ(parts.dialogs.errorBoxes, QStringList{row.problem});
    }
  }
}

TEST(RunProgramTest, ClosingTheMainWindowEndsTheProgramWithNoticesOpen) {
  RecordingParts parts;
  EXPECT_EQ(RunProgram(parts), 0);
  EXPECT_TRUE(parts.noticesVisibleAtQuit);
  // And a screen reader found them as windows (Qt alone: fillers).
  EXPECT_EQ(parts.noticeRole, QAccessible::Window);
}

// The main window asked before closing (a download running) in a nested event
// loop, which ran the program's look at the window while the window was still
// open; after "はい" the hidden window left the program running for good.
TEST(RunProgramTest, RegressionACloseAskedInANestedLoopStillEndsTheProgram) {
  struct AskingParts : RecordingParts {
    std::unique_ptr<QWidget> MakeMainWindow() override {
      auto window = RecordingParts::MakeMainWindow();
      static_cast<RecordingWindow*>(window.get())->beforeClose = [this] {
        log.push_back("asked");
        // Queued last, so that whatever the close queued runs in this loop.
        QEventLoop question;
        QMetaObject::invokeMethod(&question, &QEventLoop::quit, Qt::QueuedConnection);
        question.exec();
      };
      return window;
    }
  } parts;
  // Without the fault's mending the program would never end.
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(2); });
  limit.start(60000);
  EXPECT_EQ(RunProgram(parts), 0);
  EXPECT_NE(std::find(parts.log.begin(), parts.log.end(), "asked"), parts.log.end());
}

// The real notice windows against a site that refuses connections.
class UnreachableSiteParts : public RecordingParts {
 public:
  UnreachableSiteParts() {
    dialogs.onShow = [this](const QString& entry) { log.push_back(entry.toStdString()); };
  }
  std::unique_ptr<QWidget> MakeNoticeWindow() override {
    log.push_back("notice " + std::to_string(notices.size() + 1) + " created");
    auto window = std::make_unique<TForm2>(dialogs, test::MemorySite::Root(), FetcherLimits{}, site_.NewConnector());
    log.push_back(window->isVisible() ? "notice shown" : "notice hidden");
    notices.push_back(window.get());
    return window;
  }

 private:
  test::MemorySite site_ = [] {
    test::MemorySite site;
    site.Refuse();
    return site;
  }();
};

TEST(RunProgramTest, UnreachableSiteGivesOneBoxPerNoticeWindowThenTheMainWindow) {
  UnreachableSiteParts parts;
  EXPECT_EQ(RunProgram(parts), 0);
  Log steps;
  for (const std::string& entry : parts.log) {
    if (!entry.ends_with(" painted") && !entry.ends_with(" destroyed")) steps.push_back(entry);
  }
  const std::string box = "ErrorBox: Socket Error # 10061\r\nConnection refused.";
  const Log expected = {"platform checked",       "notice 1 created", box, "notice shown",
                        "main created",           "notice 2 created", box, "notice shown",
                        "main closed by the user"};
  EXPECT_EQ(steps, expected);
  EXPECT_TRUE(parts.noticesVisibleAtQuit);
}

}  // namespace
}  // namespace tavren
