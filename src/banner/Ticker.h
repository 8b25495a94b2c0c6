#pragma once
// A periodic timer behind a small interface, so that the banner's rhythm can
// be driven by hand in tests.

#include <QTimer>

#include <functional>

namespace tavren {

class Ticker {
 public:
  virtual ~Ticker() = default;
  // Calls `onTick` every `intervalMs` from now on, the first time one
  // interval from now, until the ticker is destroyed. Called once. A tick
  // that waits in a nested event loop (a modal box) does not hold back the
  // next: those run inside that loop, at the same rhythm.
  virtual void Start(int intervalMs, std::function<void()> onTick) = 0;
  // No tick runs from now on, not even one already due. For good: the
  // ticker is not started again.
  virtual void Stop() = 0;
  // The period given to Start (0 before it).
  virtual int IntervalMs() const = 0;
  virtual bool IsActive() const = 0;
};

// The event loop's timer. It is precise, so no tick comes early; a tick that
// falls due while the thread is busy is delivered once it is free again, and
// missed intervals are never made up (at most one tick is pending). Each
// tick runs as a queued call from the event loop, after the timer's own
// handler has returned.
class QtTicker : public Ticker {
 public:
  // `name` becomes the timer's object name.
  explicit QtTicker(const QString& name);
  void Start(int intervalMs, std::function<void()> onTick) override;
  void Stop() override;
  int IntervalMs() const override { return timer_.interval(); }
  bool IsActive() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
  bool stopped_ = false;
};

}  // namespace tavren
