// Times the main window's three visible lists the way the load command uses
// them: 100,000 items added to each, then shown and painted; and one category
// click's refill of the page list with 500 items, to repainted. Prints one
// "name value" line per figure: times in milliseconds, the process's peak
// resident set in MiB.
//
//   QT_QPA_PLATFORM=offscreen list_bench [items]

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "ui/Fonts.h"
#include "ui/GuideListBox.h"

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

void Paint(QWidget& w) {
  QApplication::processEvents();
  (void)w.grab();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;

  QWidget window;
  window.resize(792, 573);
  window.setFont(tavren::WindowsFont(tavren::PGothicFamily(), 12));
  tavren::GuideListBox major(&window), middle(&window), titles(&window);
  major.setGeometry(0, 0, 121, 73);
  major.SetItemHeight(12);
  middle.setGeometry(120, 0, 129, 73);
  titles.setGeometry(248, 0, 249, 73);
  window.show();
  Paint(window);
  const double rssBefore = PeakRssMiB();

  // Items as a guide holds them: CP932, Japanese with numbers.
  const std::string majorText = tavren::cp932::FromUtf8("大分類その");
  const std::string middleText = tavren::cp932::FromUtf8("中分類のなまえ");
  const std::string titleText = tavren::cp932::FromUtf8("ご覧になりたいページの題名 Page title ");

  QElapsedTimer t;
  t.start();
  for (int i = 0; i < items; ++i) {
    const std::string n = std::to_string(i);
    major.Add(majorText + n);
    middle.Add(middleText + n);
    titles.Add(titleText + n);
  }
  const double addMs = Ms(t);
  QApplication::processEvents();  // the lists learn of their new rows and lay them out
  const double flushMs = Ms(t) - addMs;
  (void)window.grab();
  const double loadMs = Ms(t);

  // A category click: the page list cleared and refilled with 500 pages.
  std::vector<double> refill;
  for (int round = 0; round < 21; ++round) {
    t.restart();
    titles.Clear();
    for (int i = 0; i < 500; ++i) titles.Add(titleText + std::to_string(i * 7 + round));
    Paint(titles);
    refill.push_back(Ms(t));
  }
  std::sort(refill.begin(), refill.end());

  std::printf("items_per_list %d\n", items);
  std::printf("add_ms %.1f\n", addMs);
  std::printf("notify_and_layout_ms %.1f\n", flushMs);
  std::printf("paint_ms %.1f\n", loadMs - addMs - flushMs);
  std::printf("load_to_painted_ms %.1f\n", loadMs);
  std::printf("refill_500_to_painted_ms_median %.2f\n", refill[refill.size() / 2]);
  std::printf("refill_500_to_painted_ms_max %.2f\n", refill.back());
  std::printf("peak_rss_mib_before_load %.1f\n", rssBefore);
  std::printf("peak_rss_mib %.1f\n", PeakRssMiB());
  return 0;
}
