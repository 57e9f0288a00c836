#pragma once

#include <cstdint>
#include <functional>

namespace tir::transport {

// The clock and the window timer of the host's user-interface thread, as the background data
// module uses them. The host installs its implementation; tests install one they drive.
class TimerServices {
 public:
  virtual ~TimerServices() = default;
  // Local now as a date-time day number.
  virtual double Now() = 0;
  // Calls `onTimer` every `intervalMs` on the user-interface thread until StopTimer. A second
  // StartTimer replaces the first. Errors raised by `onTimer` are the host's to report.
  virtual void StartTimer(std::int32_t intervalMs, std::function<void()> onTimer) = 0;
  virtual void StopTimer() = 0;
};

// The wall clock and a timer that never fires by itself: a host without a message loop drives
// it with Fire (the command-line daemon) or leaves it idle.
class ManualTimerServices final : public TimerServices {
 public:
  double Now() override;
  void StartTimer(std::int32_t intervalMs, std::function<void()> onTimer) override;
  void StopTimer() override;

  bool Enabled() const { return static_cast<bool>(onTimer_); }
  std::int32_t IntervalMs() const { return intervalMs_; }
  // Runs the timer's handler once when it is enabled; false when it is not.
  bool Fire();

 private:
  std::function<void()> onTimer_;
  std::int32_t intervalMs_ = 0;
};

// The services in use: the installed ones, else a process-wide ManualTimerServices.
TimerServices& Timers();
// Installs the host's services (not owned); null goes back to the default.
void SetTimerServices(TimerServices* services);

}  // namespace tir::transport
