#include "components/tick_timer.h"

#include <QObject>
#include <QTimerEvent>
#include <map>
#include <memory>

namespace chronolin {

// The hidden object every timer is registered on.
class TTickTimerHandler : public QObject {
 public:
  // Lives exactly as long as at least one timer does.
  static std::unique_ptr<TTickTimerHandler> instance;

  static void Acquire() {
    if (!instance) instance = std::make_unique<TTickTimerHandler>();
    ++instance->refCount;
  }

  static void Release() {
    if (instance && --instance->refCount == 0) instance.reset();
  }

  int Register(TTickTimer* timer, int interval) {
    const int id = startTimer(interval, Qt::PreciseTimer);
    if (id != 0) {
      timers[id] = timer;
      ++activeCount;
    }
    return id;
  }

  bool Unregister(int id) {
    if (id == 0 || timers.erase(id) == 0) return false;
    killTimer(id);
    if (activeCount > 0) --activeCount;
    return true;
  }

  int refCount = 0;
  int activeCount = 0;

 protected:
  void timerEvent(QTimerEvent* event) override {
    const auto it = timers.find(event->timerId());
    if (it != timers.end()) it->second->Deliver();
  }

 private:
  std::map<int, TTickTimer*> timers;
};

std::unique_ptr<TTickTimerHandler> TTickTimerHandler::instance;

TTickTimer::TTickTimer() { TTickTimerHandler::Acquire(); }

TTickTimer::TTickTimer(int interval, Handler onTimer)
    : interval_(interval), onTimer_(std::move(onTimer)) {
  TTickTimerHandler::Acquire();
}

TTickTimer::~TTickTimer() {
  if (enabled_ || systemTimer_ != 0) Stop(true);
  TTickTimerHandler::Release();
}

bool TTickTimer::Start() {
  if (interval_ == 0) return false;
  if (enabled_) Stop(false);
  systemTimer_ = TTickTimerHandler::instance->Register(this, interval_);
  if (systemTimer_ != 0) enabled_ = true;
  return systemTimer_ != 0;
}

void TTickTimer::Stop(bool clearEnabled) {
  if (clearEnabled) enabled_ = false;
  if (TTickTimerHandler::instance) TTickTimerHandler::instance->Unregister(systemTimer_);
  systemTimer_ = 0;
}

bool TTickTimer::SetEnabled(bool enabled) {
  if (enabled) return Start();
  Stop(true);
  return false;
}

void TTickTimer::SetInterval(int interval) {
  interval_ = interval;
  if (!enabled_) return;
  if (interval_ != 0)
    Start();
  else
    Stop(false);
}

void TTickTimer::SetOnTimer(Handler handler) {
  onTimer_ = std::move(handler);
  if (!enabled_) return;
  if (onTimer_)
    Start();
  else
    Stop(false);
}

void TTickTimer::Deliver() {
  if (autoDisable_) Stop(true);
  // A copy: the handler may replace itself or destroy nothing else of ours while it runs.
  if (onTimer_) {
    Handler handler = onTimer_;
    handler(*this);
  }
}

bool TTickTimer::HandlerExists() { return TTickTimerHandler::instance != nullptr; }
int TTickTimer::HandlerRefCount() {
  return TTickTimerHandler::instance ? TTickTimerHandler::instance->refCount : 0;
}
int TTickTimer::HandlerActiveCount() {
  return TTickTimerHandler::instance ? TTickTimerHandler::instance->activeCount : 0;
}

}  // namespace chronolin
