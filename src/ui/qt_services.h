#pragma once

// The Qt implementations of the frame's dialog, window-bar and message-loop services and of the
// transport's timer. Installed at message -160 when the module runs inside a Qt application.

#include <QTimer>

#include "frame/ui_services.h"
#include "transport/timer_services.h"

class QMdiArea;
class QToolBar;

namespace tir::ui {

class QtUiServices final : public frame::UiServices {
 public:
  frame::TModalResult MessageDlg(const std::string& text, frame::TMsgDlgType type,
                                 std::uint32_t buttons) override;
  // A checkable button in the host's window bar: checked while its window is the active one,
  // activates the window when clicked, removed with the window.
  void* CreateMDIFormButton(void* form, const std::string& caption) override;
  void ProcessMessages() override;
  bool OpenCommandWindow(std::int32_t command) override;
};

// The shortest interval TIR_TIMER_INTERVAL_MS may set: a shorter one would send without pause.
constexpr std::int32_t kMinTimerIntervalMs = 1000;
// The timer's interval: aSetting in ms when it is a whole number from kMinTimerIntervalMs to a
// day, else aDefaultMs.
std::int32_t TimerIntervalMs(std::int32_t aDefaultMs, const char* aSetting);

// A QTimer on the user-interface thread. The interval may be shortened with the environment
// variable TIR_TIMER_INTERVAL_MS (demonstrations and tests of the background send).
class QtTimerServices final : public transport::TimerServices {
 public:
  double Now() override;
  void StartTimer(std::int32_t intervalMs, std::function<void()> onTimer) override;
  void StopTimer() override;

 private:
  QTimer timer_;
  std::function<void()> onTimer_;
};

// The host's window bar (gAppPackParams.fBarMDI) and the MDI area of the window that holds it;
// null when the host passed no bar or its window has no MDI area.
QToolBar* HostBar();
QMdiArea* HostMdiArea();

}  // namespace tir::ui
