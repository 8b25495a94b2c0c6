// Works the real program's windows as a user would, from inside its own
// process: linked only into the end-to-end test's build of the program, it
// starts with the application object and then, step by step, waits for the
// windows, presses "読込", types the guide's name into the open dialog, clicks
// a major category, a middle category and a page, waits for a banner tick,
// presses the banner and ends the program with "終了". Every step has a time
// limit. What it does and sees goes to a report file (one JSON object a line)
// that the test script checks against the site and the guide file; the
// screenshots go to a folder of their own.
//
// Environment (read only by this driver, never by the program):
//   TAVREN_E2E_REPORT   the report file (required; without it the driver
//                       stays idle and the program runs as usual)
//   TAVREN_E2E_SHOTS    folder for the screenshots
//   TAVREN_E2E_GUIDE    what to type into the open dialog's file name box
//   TAVREN_E2E_PICK     major category, middle category and page title to
//                       click, UTF-8, separated by "|"
//   TAVREN_E2E_TICK_WAIT_MS  how long to wait for the first banner tick

#include "base/QtText.h"
#include "ui/GuideListBox.h"
#include "ui/PictureBox.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tavren {
namespace {

constexpr int kPollMs = 100;
constexpr qint64 kDefaultStepLimitMs = 60000;

double EpochSeconds() { return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }

QJsonArray ListItems(const GuideListBox& list) {
  QJsonArray items;
  for (int i = 0; i < list.Count(); ++i) items.append(cp932::ToQString(list.Item(i)));
  return items;
}

// One step of the scenario: once `ready` has held for `settleMs` (so that
// the windows have painted what the step waits for), `act` runs once.
struct Step {
  QString name;
  std::function<bool()> ready;
  std::function<void()> act;
  int settleMs = 0;
  qint64 limitMs = kDefaultStepLimitMs;
};

class ProgramDriver : public QObject {
 public:
  ProgramDriver(QString reportPath, QString shotsDir, QString guide, QStringList pick, qint64 tickWaitMs)
      : report_(reportPath), shotsDir_(std::move(shotsDir)), guide_(std::move(guide)), pick_(std::move(pick)) {
    report_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    if (!shotsDir_.isEmpty()) QDir().mkpath(shotsDir_);
    BuildScenario(tickWaitMs);
    connect(&poll_, &QTimer::timeout, this, &ProgramDriver::Poll);
    poll_.start(kPollMs);
    Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("driver-started")}});
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == watchedPlace_ && event->type() == QEvent::ChildPolished) WatchView();
    return false;
  }

 private:
  void Write(QJsonObject entry) {
    entry.insert(QStringLiteral("t"), EpochSeconds());
    report_.write(QJsonDocument(entry).toJson(QJsonDocument::Compact));
    report_.write("\n");
    report_.flush();
  }

  void Observe(const QString& key, const QJsonValue& value) {
    Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("observe")},
                      {QStringLiteral("key"), key},
                      {QStringLiteral("value"), value}});
  }

  void Shot(const QString& name) {
    if (shotsDir_.isEmpty()) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    const QString path = QDir(shotsDir_).filePath(name + QStringLiteral(".png"));
    const bool saved = screen != nullptr && screen->grabWindow(0).save(path, "PNG");
    Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("shot")},
                      {QStringLiteral("name"), name},
                      {QStringLiteral("path"), path},
                      {QStringLiteral("saved"), saved}});
  }

  // The main window once it is made (and, with `shown`, on screen).
  static TForm1* MainWindow(bool shown = true) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* form = qobject_cast<TForm1*>(widget); form != nullptr && (!shown || form->isVisible())) return form;
    }
    return nullptr;
  }

  // The engine view from the moment it is made in the main window's web
  // view place.
  static QWebEngineView* View() {
    TForm1* form = MainWindow(false);
    return form != nullptr ? form->WebBrowser1().findChild<QWebEngineView*>() : nullptr;
  }

  // Whether the web view finished loading `address` after `since`.
  bool Loaded(const QString& address, double since) const {
    for (const auto& [url, at] : loads_) {
      if (at >= since && url == QUrl(address)) return true;
    }
    return false;
  }

  // Watches the view's loads from the moment it exists; every finished load
  // goes into the report.
  void WatchView() {
    QWebEngineView* view = View();
    if (view == nullptr) {
      // The engine view is made after the window is shown: catch it as it
      // comes, before its first load can end between two polls.
      if (TForm1* form = MainWindow(false); form != nullptr && watchedPlace_ != &form->WebBrowser1()) {
        watchedPlace_ = &form->WebBrowser1();
        watchedPlace_->installEventFilter(this);
      }
      return;
    }
    if (watchedView_ == view) return;
    watchedView_ = view;
    connect(view, &QWebEngineView::loadFinished, this, [this, view](bool ok) {
      loads_.emplace_back(view->url(), EpochSeconds());
      Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("load")},
                        {QStringLiteral("url"), view->url().toString()},
                        {QStringLiteral("ok"), ok}});
    });
  }

  // An error box is never part of the scenario: report its text and press
  // its OK so that the run goes on to show what else is wrong.
  void AnswerErrorBoxes() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible() || answered_.contains(box)) continue;
      answered_.append(box);
      Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("error-box")}, {QStringLiteral("text"), box->text()}});
      Shot(QStringLiteral("error-box-%1").arg(answered_.size()));
      QPointer<QMessageBox> target(box);
      QTimer::singleShot(0, this, [target] {
        if (target) target->done(QMessageBox::Ok);
      });
    }
  }

  void Fail(const QString& why) {
    Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("fail")},
                      {QStringLiteral("step"), current_ < steps_.size() ? steps_[current_].name : QString()},
                      {QStringLiteral("why"), why}});
    Shot(QStringLiteral("failure"));
    poll_.stop();
    // Leaves every event loop, the open dialog's included.
    QCoreApplication::exit(3);
  }

  void Poll() {
    if (busy_) return;
    busy_ = true;
    WatchView();
    AnswerErrorBoxes();
    if (current_ >= steps_.size()) {
      busy_ = false;
      return;
    }
    Step& step = steps_[current_];
    if (stepStarted_ == 0) {
      stepStarted_ = EpochSeconds();
      readySince_ = 0;
      Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("step")}, {QStringLiteral("name"), step.name}});
    }
    const double now = EpochSeconds();
    if (step.ready()) {
      if (readySince_ == 0) readySince_ = now;
      if ((now - readySince_) * 1000.0 >= step.settleMs) {
        ++current_;
        stepStarted_ = 0;
        step.act();
      }
    } else {
      readySince_ = 0;
      if ((now - stepStarted_) * 1000.0 > static_cast<double>(step.limitMs)) {
        busy_ = false;
        Fail(QStringLiteral("timed out after %1 ms").arg(step.limitMs));
        return;
      }
    }
    busy_ = false;
  }

  // Presses the left button on `point` of `widget`, from the event loop:
  // a press that opens a modal dialog returns only when the dialog closes,
  // and the poll must go on meanwhile.
  void ClickLater(QWidget* widget, QPoint point) {
    QPointer<QWidget> target(widget);
    QTimer::singleShot(0, this, [target, point] {
      if (target) QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
    });
  }

  // The row of `list` whose text is `text`, or -1.
  static int RowOf(const GuideListBox& list, const QString& text) {
    for (int i = 0; i < list.Count(); ++i) {
      if (cp932::ToQString(list.Item(i)) == text) return i;
    }
    return -1;
  }

  // Clicks the row showing `text` in list `number` of the main window, the
  // row scrolled into view first as a user would.
  void ClickRow(int number, const QString& text) {
    TForm1* form = MainWindow();
    if (form == nullptr) return Fail(QStringLiteral("the main window is gone"));
    GuideListBox& list = form->ListBox(number);
    const int row = RowOf(list, text);
    if (row < 0) return Fail(QStringLiteral("ListBox%1 has no item \"%2\"").arg(number).arg(text));
    const QModelIndex index = list.model()->index(row, 0);
    list.scrollTo(index);
    const QRect rect = list.visualRect(index);
    Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("click")},
                      {QStringLiteral("control"), QStringLiteral("ListBox%1").arg(number)},
                      {QStringLiteral("row"), row},
                      {QStringLiteral("text"), text}});
    clickedAt_ = EpochSeconds();
    ClickLater(list.viewport(), rect.center());
  }

  void ObserveLists(const QString& when) {
    TForm1* form = MainWindow();
    if (form == nullptr) return;
    QJsonObject lists;
    for (int n = 1; n <= 5; ++n) lists.insert(QStringLiteral("ListBox%1").arg(n), ListItems(form->ListBox(n)));
    lists.insert(QStringLiteral("caption"), form->windowTitle());
    lists.insert(QStringLiteral("Button1"), form->Button(1).text());
    lists.insert(QStringLiteral("Label3"), form->Label3().text());
    Observe(when, lists);
  }

  QFileDialog* OpenDialog() const {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
  }

  QLineEdit* FileNameBox() const {
    QFileDialog* dialog = OpenDialog();
    return dialog != nullptr ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
  }

  void TypeGuideName() {
    QFileDialog* dialog = OpenDialog();
    if (dialog == nullptr) return Fail(QStringLiteral("the open dialog closed by itself"));
    Observe(QStringLiteral("open-dialog"),
            QJsonObject{{QStringLiteral("objectName"), dialog->objectName()},
                        {QStringLiteral("filters"), QJsonArray::fromStringList(dialog->nameFilters())}});
    QLineEdit* name = FileNameBox();
    if (name == nullptr) return Fail(QStringLiteral("the open dialog has no file name box"));
    name->setFocus();
    QTest::keyClicks(name, guide_);
  }

  void ConfirmOpenDialog() {
    QFileDialog* dialog = OpenDialog();
    QLineEdit* name = FileNameBox();
    if (dialog == nullptr || name == nullptr) return Fail(QStringLiteral("the open dialog closed by itself"));
    Shot(QStringLiteral("2-open-dialog"));
    // The name box offers completions in a popup; a user closes it first.
    if (QCompleter* completer = name->completer(); completer != nullptr && completer->popup()->isVisible()) {
      QTest::keyClick(completer->popup(), Qt::Key_Escape);
    }
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QAbstractButton* open = buttons != nullptr ? buttons->button(QDialogButtonBox::Open) : nullptr;
    Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("click")},
                      {QStringLiteral("control"), QStringLiteral("OpenDialog1")},
                      {QStringLiteral("text"), name->text()}});
    if (open != nullptr) {
      ClickLater(open, open->rect().center());
    } else {
      QTest::keyClick(name, Qt::Key_Return);
    }
  }

  void BuildScenario(qint64 tickWaitMs) {
    const QString major = pick_.value(0);
    const QString middle = pick_.value(1);
    const QString page = pick_.value(2);

    steps_.push_back({QStringLiteral("start-up"),
                      [this] {
                        // The home page has loaded in the shown main window.
                        TForm1* form = MainWindow();
                        return form != nullptr && !loads_.empty() && QApplication::activeModalWidget() == nullptr;
                      },
                      [this] {
                        QJsonArray notices;
                        for (QWidget* widget : QApplication::topLevelWidgets()) {
                          if (auto* notice = qobject_cast<TForm2*>(widget); notice != nullptr) {
                            // The main window covers the notice windows; their
                            // own rendering shows what they hold.
                            if (notices.isEmpty() && !shotsDir_.isEmpty()) {
                              const QString path = QDir(shotsDir_).filePath(QStringLiteral("1-notice-window.png"));
                              Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("shot")},
                                                {QStringLiteral("name"), QStringLiteral("1-notice-window")},
                                                {QStringLiteral("path"), path},
                                                {QStringLiteral("saved"), notice->grab().save(path, "PNG")}});
                            }
                            notices.append(QJsonObject{{QStringLiteral("visible"), notice->isVisible()},
                                                       {QStringLiteral("memo"), notice->MemoText()}});
                          }
                        }
                        Observe(QStringLiteral("notices"), notices);
                        ObserveLists(QStringLiteral("start-up"));
                        Observe(QStringLiteral("banner-before-tick"), MainWindow()->Image1().Picture() != nullptr);
                        Shot(QStringLiteral("1-start-up"));
                        TForm1* form = MainWindow();
                        Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("click")},
                                          {QStringLiteral("control"), QStringLiteral("Button3")},
                                          {QStringLiteral("text"), form->Button(3).text()}});
                        ClickLater(&form->Button(3), form->Button(3).rect().center());
                      },
                      1000});
    steps_.push_back(
        {QStringLiteral("open dialog"), [this] { return OpenDialog() != nullptr; }, [this] { TypeGuideName(); }, 500});
    steps_.push_back({QStringLiteral("guide name typed"),
                      [this] {
                        QLineEdit* name = FileNameBox();
                        return name != nullptr && name->text() == guide_;
                      },
                      [this] { ConfirmOpenDialog(); }, 500});
    steps_.push_back({QStringLiteral("guide loaded"),
                      [this] {
                        TForm1* form = MainWindow();
                        return form != nullptr && OpenDialog() == nullptr && form->ListBox(1).Count() > 0;
                      },
                      [this, major] {
                        ObserveLists(QStringLiteral("loaded"));
                        Shot(QStringLiteral("3-guide-loaded"));
                        ClickRow(1, major);
                      },
                      500});
    steps_.push_back({QStringLiteral("major picked"),
                      [this] {
                        TForm1* form = MainWindow();
                        return form != nullptr && form->ListBox(1).ItemIndex() >= 0;
                      },
                      [this, middle] {
                        ObserveLists(QStringLiteral("major-picked"));
                        ClickRow(2, middle);
                      },
                      300});
    steps_.push_back({QStringLiteral("middle picked"),
                      [this] {
                        TForm1* form = MainWindow();
                        return form != nullptr && form->ListBox(2).ItemIndex() >= 0;
                      },
                      [this, page] {
                        ObserveLists(QStringLiteral("middle-picked"));
                        ClickRow(3, page);
                      },
                      300});
    steps_.push_back({QStringLiteral("page loaded"),
                      [this] {
                        TForm1* form = MainWindow();
                        if (form == nullptr || form->ListBox(3).ItemIndex() < 0) return false;
                        const int i = form->ListBox(3).ItemIndex();
                        if (i >= form->ListBox(4).Count()) return false;
                        return Loaded(cp932::ToQString(form->ListBox(4).Item(i)), clickedAt_);
                      },
                      [this] {
                        ObserveLists(QStringLiteral("page-picked"));
                        Observe(QStringLiteral("page-url"), View()->url().toString());
                        Shot(QStringLiteral("4-page-picked"));
                      },
                      800});
    steps_.push_back({QStringLiteral("banner tick"),
                      [this] {
                        TForm1* form = MainWindow();
                        return form != nullptr && form->Image1().Picture() != nullptr && !form->NoticeUrl().empty();
                      },
                      [this] {
                        TForm1* form = MainWindow();
                        const JpegPicture* picture = form->Image1().Picture();
                        Observe(QStringLiteral("banner"),
                                QJsonObject{{QStringLiteral("NoticeUrl"), cp932::ToQString(form->NoticeUrl())},
                                            {QStringLiteral("width"), picture->Width()},
                                            {QStringLiteral("height"), picture->Height()}});
                        Shot(QStringLiteral("5-banner-tick"));
                        noticeUrl_ = cp932::ToQString(form->NoticeUrl());
                        Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("click")},
                                          {QStringLiteral("control"), QStringLiteral("Image1")},
                                          {QStringLiteral("NoticeUrl"), noticeUrl_}});
                        clickedAt_ = EpochSeconds();
                        ClickLater(&form->Image1(), form->Image1().rect().center());
                      },
                      800, tickWaitMs});
    steps_.push_back({QStringLiteral("banner link loaded"), [this] { return Loaded(noticeUrl_, clickedAt_); },
                      [this] {
                        Observe(QStringLiteral("banner-url"), View()->url().toString());
                        Shot(QStringLiteral("6-banner-link"));
                        TForm1* form = MainWindow();
                        Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("click")},
                                          {QStringLiteral("control"), QStringLiteral("Button7")},
                                          {QStringLiteral("text"), form->Button(7).text()}});
                        Write(QJsonObject{{QStringLiteral("event"), QStringLiteral("done")}});
                        ClickLater(&form->Button(7), form->Button(7).rect().center());
                      },
                      800});
  }

  QFile report_;
  QString shotsDir_;
  QString guide_;
  QStringList pick_;
  std::vector<Step> steps_;
  std::size_t current_ = 0;
  double stepStarted_ = 0;
  double readySince_ = 0;
  double clickedAt_ = 0;
  bool busy_ = false;
  QString noticeUrl_;
  QTimer poll_;
  QPointer<QWebEngineView> watchedView_;
  QPointer<QWidget> watchedPlace_;
  std::vector<std::pair<QUrl, double>> loads_;
  QList<QMessageBox*> answered_;
};

// Runs as the application object is made; the driver itself starts from the
// first pass of the event loop, when the application is complete.
void StartDriver() {
  const QString report = qEnvironmentVariable("TAVREN_E2E_REPORT");
  if (report.isEmpty()) return;
  QTimer::singleShot(0, [report] {
    const qint64 tickWait = qEnvironmentVariableIntValue("TAVREN_E2E_TICK_WAIT_MS");
    auto* driver = new ProgramDriver(
        report, qEnvironmentVariable("TAVREN_E2E_SHOTS"), qEnvironmentVariable("TAVREN_E2E_GUIDE"),
        qEnvironmentVariable("TAVREN_E2E_PICK").split(QLatin1Char('|')), tickWait > 0 ? tickWait : kDefaultStepLimitMs);
    driver->setParent(QCoreApplication::instance());
  });
}

}  // namespace
}  // namespace tavren

// Outside the anonymous namespace, as the macro's own helpers must be.
namespace tavren {
Q_COREAPP_STARTUP_FUNCTION(StartDriver)
}  // namespace tavren
