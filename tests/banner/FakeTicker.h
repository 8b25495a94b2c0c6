#pragma once
// A timer that ticks only when the test says so.

#include "banner/Ticker.h"

#include <functional>

namespace tavren {

class FakeTicker : public Ticker {
 public:
  void Start(int intervalMs, std::function<void()> onTick) override {
    interval_ = intervalMs;
    onTick_ = std::move(onTick);
  }
  void Stop() override { onTick_ = nullptr; }
  int IntervalMs() const override { return interval_; }
  bool IsActive() const override { return static_cast<bool>(onTick_); }
  // One tick, as the event loop would deliver it (none once stopped).
  void Fire() {
    if (onTick_) onTick_();
  }

 private:
  int interval_ = 0;
  std::function<void()> onTick_;
};

}  // namespace tavren
