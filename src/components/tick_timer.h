#pragma once
// A timer that needs no window of its own: every timer of the process is delivered by one
// shared hidden handler object, created with the first timer and destroyed with the last.
// Ticks arrive through the main thread's event loop, modal loops included.
#include <functional>

namespace chronolin {

class TTickTimerHandler;

class TTickTimer {
 public:
  using Handler = std::function<void(TTickTimer& sender)>;

  TTickTimer();  // 1000 ms, no handler
  TTickTimer(int interval, Handler onTimer);
  ~TTickTimer();
  TTickTimer(const TTickTimer&) = delete;
  TTickTimer& operator=(const TTickTimer&) = delete;

  // The identity the system timer is registered under: the object itself.
  const void* Id() const { return this; }

  int Interval() const { return interval_; }
  // On a running timer a non-zero value restarts it; 0 stops the system timer while Enabled
  // stays true, and a later non-zero value starts it again.
  void SetInterval(int interval);

  bool Enabled() const { return enabled_; }
  // Returns whether the timer now runs (false for an interval of 0).
  bool SetEnabled(bool enabled);

  bool AutoDisable() const { return autoDisable_; }
  void SetAutoDisable(bool value) { autoDisable_ = value; }

  const Handler& OnTimer() const { return onTimer_; }
  // Clearing the handler of a running timer stops the system timer while Enabled stays true.
  void SetOnTimer(Handler handler);

  // Whether a system timer is registered for this object right now.
  bool Running() const { return systemTimer_ != 0; }

  // The shared handler's state, for diagnostics and tests.
  static bool HandlerExists();
  static int HandlerRefCount();
  static int HandlerActiveCount();

 private:
  friend class TTickTimerHandler;
  bool Start();
  void Stop(bool clearEnabled);
  void Deliver();

  int interval_ = 1000;
  bool enabled_ = false;
  bool autoDisable_ = false;
  Handler onTimer_;
  int systemTimer_ = 0;
};

}  // namespace chronolin
