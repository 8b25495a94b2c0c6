#include "FakeClock.h"

namespace tavren {

FakeClock::FakeClock() : now_(QDate(2026, 1, 1), QTime(0, 0, 0)) {}

void FakeClock::SetTime(int hour, int minute, int second) {
  now_ = QDateTime(now_.date(), QTime(hour, minute, second));
}

}  // namespace tavren
