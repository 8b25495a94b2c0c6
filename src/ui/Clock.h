#pragma once
// The local clock, replaceable in tests.

#include <QDateTime>

namespace tavren {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime Now() const = 0;
};

class SystemClock : public Clock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

}  // namespace tavren
