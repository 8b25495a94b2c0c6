// Times the main window with a generated 100,000-page guide, offscreen:
//   load: from the load command (Button3Click) to the three visible lists
//         painted;
//   click: from a major category click (ListBox1Click) to the page list
//         repainted;
//   search: from a key press in the page search box to its drop-down
//         repainted, over queries typed a character at a time;
// and the process's peak resident set afterwards. The window is the real
// one, with a web view that only records and a file dialog that answers with
// the generated guide; the start-up pause is 0.
//
//   QT_QPA_PLATFORM=offscreen window_bench [--runs N] [--pages N]
//
// Prints one "name value" line per figure (milliseconds, MiB), best and
// median of N runs (default 7). Exits 1 if the window reports a failure.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QWidget>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../catalogue/GuideGenerator.h"
#include "base/Clock.h"
#include "ui/Dialogs.h"
#include "ui/GuideListBox.h"
#include "ui/PageSearchBox.h"
#include "ui/SearchDropDown.h"
#include "ui/Unit1.h"
#include "webview/WebView.h"

namespace {

// Peak resident set size in MiB, from the kernel's high-water mark.
double PeakRssMiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
  }
  return -1;
}

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// CPU time the process has used, in milliseconds: on a busy machine it
// shows the work apart from the waiting.
double CpuMs() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A web view that draws nothing and goes nowhere: the lists are measured,
// not the page below them.
// The window takes the widget as its child and deletes it with itself.
class BlankWebView : public tavren::WebView {
 public:
  ~BlankWebView() override { delete widget_.data(); }
  QWidget* Widget() override { return widget_.data(); }
  void GoBack() override {}
  void GoForward() override {}

 protected:
  void DoNavigate(const QString&) override {}

 private:
  QPointer<QWidget> widget_ = new QWidget;
};

// Answers every open dialog with one file; any error box is a failed run.
class GuideDialogs : public tavren::Dialogs {
 public:
  explicit GuideDialogs(QByteArray path) : path_(std::move(path)) {}
  void ErrorBox(const QString& text) override {
    std::fprintf(stderr, "window_bench: error box: %s\n", text.toUtf8().constData());
    ++failures;
  }
  void Message(const QString& text) override {
    std::fprintf(stderr, "window_bench: message: %s\n", text.toUtf8().constData());
  }
  bool OpenGuideFile(QWidget*, QByteArray& path) override {
    path = path_;
    return true;
  }
  int failures = 0;

 private:
  QByteArray path_;
};

// Counts paint events reaching a list's viewport.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* viewport) { viewport->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// Handles events until every counter has moved past its mark (the lists
// painted since the command) or `limitMs` has passed. False on time-out.
bool ProcessUntilPainted(const std::vector<PaintCounter*>& counters, const std::vector<int>& marks, int limitMs) {
  QElapsedTimer waited;
  waited.start();
  auto allPainted = [&] {
    for (std::size_t i = 0; i < counters.size(); ++i) {
      if (counters[i]->count <= marks[i]) return false;
    }
    return true;
  };
  while (!allPainted()) {
    if (waited.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

struct Figures {
  double best = 0;
  double median = 0;
  double worst = 0;
};

Figures Summarise(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2], times.back()};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int runs = 7;
  tavren::bench::GuideShape shape;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--pages" && i + 1 < argc) {
      shape.pages = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: window_bench [--runs N] [--pages N]\n");
      return 2;
    }
  }
  // The guide is written and its bytes let go before anything of the window
  // exists, and the kernel's peak is then reset: the peak that is printed is
  // the window's own, not the generator's.
  std::string bytes = tavren::bench::GenerateGuide(shape);
  const double megabytes = static_cast<double>(bytes.size()) / 1e6;
  const std::filesystem::path guide =
      std::filesystem::temp_directory_path() / ("tavren-window-bench-" + std::to_string(::getpid()) + ".lst");
  std::ofstream(guide, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  std::string().swap(bytes);
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5" << std::flush;  // 5: reset the peak resident set to the current one
  const bool peakReset = static_cast<bool>(clearRefs);

  QApplication app(argc, argv);

  BlankWebView webView;
  GuideDialogs dialogs(QByteArray::fromStdString(guide.string()));
  tavren::SystemClock clock;
  // Nothing listens on the discard port; the banner timer is set never to
  // fire while measuring.
  tavren::TForm1 form(tavren::TForm1Parts{.webView = webView,
                                          .dialogs = dialogs,
                                          .clock = clock,
                                          .siteRoot = "http://127.0.0.1:9/",
                                          .startupPauseMs = 0,
                                          .bannerIntervalMs = 24 * 3600 * 1000});
  form.show();
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  const double rssBefore = PeakRssMiB();

  PaintCounter majors(form.ListBox(1).viewport());
  PaintCounter middles(form.ListBox(2).viewport());
  PaintCounter pages(form.ListBox(3).viewport());
  const std::vector<PaintCounter*> lists{&majors, &middles, &pages};
  int timeouts = 0;

  // Load to painted.
  std::vector<double> load;
  std::vector<double> loadCommand;
  std::vector<double> loadCpu;
  for (int run = 0; run < runs; ++run) {
    const std::vector<int> marks{majors.count, middles.count, pages.count};
    QElapsedTimer t;
    t.start();
    const double cpuStart = CpuMs();
    form.Button3Click();
    loadCommand.push_back(Ms(t));
    if (!ProcessUntilPainted(lists, marks, 10000)) ++timeouts;
    load.push_back(Ms(t));
    loadCpu.push_back(CpuMs() - cpuStart);
  }
  const int majorCount = form.ListBox(1).Count();
  const int pageCount = form.ListBox(3).Count();

  // Category click to the page list repainted, over every major category in
  // turn, so that short and long page lists are both in the figure.
  std::vector<double> click;
  std::vector<double> clickCommand;
  int shownAfterClick = 0;
  for (int run = 0; run < std::max(runs, majorCount); ++run) {
    const int row = majorCount > 0 ? run % majorCount : 0;
    form.ListBox(1).SetItemIndex(row);
    QCoreApplication::processEvents();
    const std::vector<int> marks{pages.count};
    QElapsedTimer t;
    t.start();
    form.ListBox1Click();
    clickCommand.push_back(Ms(t));
    if (!ProcessUntilPainted({&pages}, marks, 10000)) ++timeouts;
    click.push_back(Ms(t));
    shownAfterClick = std::max(shownAfterClick, form.ListBox(3).Count());
  }
  const double rss = PeakRssMiB();
  std::filesystem::remove(guide);

  // Key press in the page search box to its drop-down painted: queries typed
  // a character at a time over every page of the guide.
  std::vector<double> search;
  {
    // The last load's index holds every page; the clicks since left it be.
    tavren::PageSearchBox& box = form.SearchBox();
    box.setFocus();
    PaintCounter rows(box.DropDown().List().viewport());
    PaintCounter count(&box.DropDown().Count());
    const QStringList queries = {QStringLiteral("らーめん"),       QStringLiteral("温泉 駅"),
                                 QStringLiteral("ｶﾞｲﾄﾞ"),          QStringLiteral("no 12"),
                                 QStringLiteral("東京ラーメン店"), QStringLiteral("ご注意")};
    for (const QString& query : queries) {
      box.clear();
      QCoreApplication::processEvents();
      for (const QChar c : query) {
        const int marks[] = {rows.count, count.count};
        QElapsedTimer t;
        t.start();
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&box, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&box, &release);
        while (rows.count == marks[0] && count.count == marks[1] && t.elapsed() < 10000)
          QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (rows.count == marks[0] && count.count == marks[1]) {
          std::fprintf(stderr, "window_bench: no repaint after \"%s\" in \"%s\"\n", QString(c).toUtf8().constData(),
                       query.toUtf8().constData());
          ++timeouts;
        }
        search.push_back(Ms(t));
      }
    }
  }
  const double rssAfterSearch = PeakRssMiB();

  const Figures l = Summarise(load);
  if (!peakReset) std::fprintf(stderr, "window_bench: the peak could not be reset; it includes the generator's\n");
  const Figures lc = Summarise(loadCommand);
  const Figures c = Summarise(click);
  const Figures cc = Summarise(clickCommand);
  std::printf("guide_mb %.1f\n", megabytes);
  std::printf("guide_pages %d\n", pageCount);
  std::printf("major_categories %d\n", majorCount);
  std::printf("load_runs %d\n", runs);
  std::printf("clicks %zu\n", click.size());
  std::printf("load_to_painted_ms_best %.1f\n", l.best);
  std::printf("load_to_painted_ms_median %.1f\n", l.median);
  std::printf("load_to_painted_ms_first %.1f\n", load.front());
  std::printf("load_command_ms_median %.1f\n", lc.median);
  std::printf("load_command_ms_first %.1f\n", loadCommand.front());
  std::printf("load_to_painted_cpu_ms_first %.1f\n", loadCpu.front());
  std::printf("load_to_painted_cpu_ms_median %.1f\n", Summarise(loadCpu).median);
  std::printf("click_to_repainted_ms_best %.2f\n", c.best);
  std::printf("click_to_repainted_ms_median %.2f\n", c.median);
  std::printf("click_to_repainted_ms_worst %.2f\n", c.worst);
  std::printf("click_command_ms_median %.2f\n", cc.median);
  std::printf("click_most_pages_shown %d\n", shownAfterClick);
  std::printf("peak_rss_mib_before_load %.1f\n", rssBefore);
  std::printf("peak_rss_mib %.1f\n", rss);
  const Figures k = Summarise(search);
  std::printf("search_keys %zu\n", search.size());
  std::printf("search_key_to_painted_ms_median %.2f\n", k.median);
  std::printf("search_key_to_painted_ms_worst %.2f\n", k.worst);
  std::printf("search_peak_rss_growth_mib %.1f\n", rssAfterSearch - rss);
  if (timeouts > 0) std::fprintf(stderr, "window_bench: %d runs never saw the lists painted\n", timeouts);
  return dialogs.failures > 0 || timeouts > 0 || pageCount != shape.pages ? 1 : 0;
}
