#pragma once
// The local clock and the thread's pause, replaceable in tests.

#include <QDateTime>
#include <QThread>

namespace tavren {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime Now() const = 0;
  // Freezes the calling thread for `ms` milliseconds (nothing for ms <= 0):
  // no events are handled meanwhile.
  virtual void Pause(int ms) const = 0;
};

class SystemClock : public Clock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
  void Pause(int ms) const override {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
  }
};

}  // namespace tavren
