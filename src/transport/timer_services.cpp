#include "transport/timer_services.h"

#include "db/date_time.h"

namespace tir::transport {

namespace {
TimerServices* gInstalled = nullptr;
}  // namespace

double ManualTimerServices::Now() { return db::NowDateTime(); }

void ManualTimerServices::StartTimer(std::int32_t intervalMs, std::function<void()> onTimer) {
  intervalMs_ = intervalMs;
  onTimer_ = std::move(onTimer);
}

void ManualTimerServices::StopTimer() { onTimer_ = nullptr; }

bool ManualTimerServices::Fire() {
  if (!onTimer_) return false;
  const auto handler = onTimer_;  // the handler may stop or restart the timer
  handler();
  return true;
}

TimerServices& Timers() {
  static ManualTimerServices fallback;
  return gInstalled != nullptr ? *gInstalled : fallback;
}

void SetTimerServices(TimerServices* services) { gInstalled = services; }

}  // namespace tir::transport
