#pragma once
// A clock that shows whatever time the test sets and whose pauses return at
// once, recorded.

#include "base/Clock.h"

#include <vector>

namespace tavren {

class FakeClock : public Clock {
 public:
  // Starts at 2026-01-01 00:00:00 local time.
  FakeClock();
  QDateTime Now() const override { return now_; }
  void Set(const QDateTime& now) { now_ = now; }
  // Sets today's date at hh:mm:ss local time.
  void SetTime(int hour, int minute, int second);
  void Pause(int ms) const override { pauses.push_back(ms); }

  mutable std::vector<int> pauses;

 private:
  QDateTime now_;
};

}  // namespace tavren
