#include "banner/Ticker.h"

#include <utility>

namespace tavren {

QtTicker::QtTicker(const QString& name) {
  timer_.setObjectName(name);
  timer_.setTimerType(Qt::PreciseTimer);
}

void QtTicker::Start(int intervalMs, std::function<void()> onTick) {
  QObject::connect(&timer_, &QTimer::timeout, std::move(onTick));
  timer_.start(intervalMs);
}

}  // namespace tavren
