// The event loop's timer under a busy thread: the first tick one interval
// after the start, and missed intervals never made up.

#include "banner/Ticker.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

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
  EXPECT_EQ(ticks, 2);
}

}  // namespace
}  // namespace tavren
