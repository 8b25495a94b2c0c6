#include "banner/Ticker.h"

#include <utility>

namespace tavren {

QtTicker::QtTicker(const QString& name) {
  timer_.setObjectName(name);
  timer_.setTimerType(Qt::PreciseTimer);
}

void QtTicker::Start(int intervalMs, std::function<void()> onTick) {
  // A tick may wait in a nested event loop (its error box), and while a
  // timer's handler runs Qt fires no timer, this one included. Run as a
  // queued call, the tick leaves the timer's handler at once and the timer
  // goes on at its rhythm behind the box. Queued on the timer itself, a
  // pending tick dies with the ticker; one still queued when the ticker is
  // stopped is dropped when it comes.
  QObject::connect(
      &timer_, &QTimer::timeout, &timer_,
      [this, onTick = std::move(onTick)] {
        if (!stopped_) onTick();
      },
      Qt::QueuedConnection);
  timer_.start(intervalMs);
}

void QtTicker::Stop() {
  stopped_ = true;
  timer_.stop();
}

}  // namespace tavren
