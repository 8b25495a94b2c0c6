// The event loop's timer under a busy thread: the first tick one interval
// after the start, missed intervals never made up, and later ticks going on
// while an earlier tick waits in a nested event loop (its error box), and
// none after the ticker is stopped.

#include "banner/Ticker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <cstddef>
#include <vector>

namespace tavren {
namespace {

TEST(QtTickerTest, FirstTickAfterOneIntervalAndMissedTicksAreNotMadeUp) {
  QtTicker ticker(QStringLiteral("Timer1"));
  int ticks = 0;
  QElapsedTimer elapsed;
  qint64 firstAt = -1;
  elapsed.start();
  ticker.Start(200, [&] {
    if (ticks++ == 0) firstAt = elapsed.elapsed();
  });
  EXPECT_TRUE(ticker.IsActive());
  EXPECT_EQ(ticker.IntervalMs(), 200);
  QTRY_COMPARE_WITH_TIMEOUT(ticks, 1, 3000);
  EXPECT_GE(firstAt, 200);  // a precise timer never comes early

  // The thread is busy for five intervals: one tick is pending, not five.
  QThread::msleep(1000);
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();  // the queued tick; delivers no timer
  EXPECT_EQ(ticks, 2);
}

TEST(QtTickerTest, RegressionAnOpenBoxNoLongerHoldsBackLaterTicks) {
  QtTicker ticker(QStringLiteral("Timer1"));
  QElapsedTimer elapsed;
  std::vector<qint64> at;
  std::vector<std::size_t> boxesOpenAt;
  std::vector<bool*> boxes;
  // Ticks 1 and 2 each open a box, a nested event loop inside the tick as a
  // modal box runs; tick 3 closes both; tick 4 comes with none open. The
  // boxes give up after 10 s, so that the fault fails the test, not hangs it.
  elapsed.start();
  ticker.Start(100, [&] {
    at.push_back(elapsed.elapsed());
    boxesOpenAt.push_back(boxes.size());
    if (at.size() <= 2) {
      bool open = true;
      boxes.push_back(&open);
      const QDeadlineTimer limit(10000);
      while (open && !limit.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
      }
      boxes.pop_back();
    } else if (at.size() == 3) {
      for (bool* open : boxes) *open = false;
    }
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return at.size() >= 4; }, 60000));
  EXPECT_EQ(boxesOpenAt[0], 0u);
  EXPECT_EQ(boxesOpenAt[1], 1u);  // on top of the first box
  EXPECT_EQ(boxesOpenAt[2], 2u);
  EXPECT_EQ(boxesOpenAt[3], 0u);
  for (std::size_t i = 0; i < at.size(); ++i) EXPECT_GE(at[i], static_cast<qint64>(i + 1) * 100) << i;
}

// Stops the ticker when its first tick, already queued, is about to run.
class StopAtQueuedTick : public QObject {
 public:
  explicit StopAtQueuedTick(QtTicker& ticker) : ticker_(ticker) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  bool stopped = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!stopped && event->type() == QEvent::MetaCall && watched->objectName() == u"Timer1") {
      ticker_.Stop();
      stopped = true;
    }
    return false;
  }

 private:
  QtTicker& ticker_;
};

// The main window closed while a tick was due: that tick ran anyway, and
// its error box held up the program's end.
TEST(QtTickerTest, RegressionATickQueuedBeforeStopNeverRuns) {
  QtTicker ticker(QStringLiteral("Timer1"));
  int ticks = 0;
  StopAtQueuedTick stopper(ticker);
  ticker.Start(50, [&] { ++ticks; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return stopper.stopped; }, 10000));
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(ticker.IsActive());
}

}  // namespace
}  // namespace tavren
