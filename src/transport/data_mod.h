#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "settings/json_one_send.h"

namespace tir::db {
class Connection;
}

namespace tir::transport {

class TimerServices;

// The background data module: keeps the automatic internet-shop profiles of this base and sends
// each again when its period has passed, from a 30-second timer of the host.
class TDataMod {
 public:
  static constexpr std::int32_t kTimerIntervalMs = 30000;
  static constexpr double kSecondsPerPeriodUnit = 58.0;

  // Sends one profile; the shop sender unless replaced (tests).
  using SendFunc = std::function<void(TJSONOneSend& aProfile)>;

  // Binds to the host's connection and the installed timer services; the timer starts disabled.
  TDataMod();
  TDataMod(db::Connection& aConnection, TimerServices& aTimers);
  ~TDataMod();
  TDataMod(const TDataMod&) = delete;
  TDataMod& operator=(const TDataMod&) = delete;

  // Rereads the automatic profiles of this base's GUID code; every one counts as sent now. The
  // timer runs exactly when at least one is listed. Errors are swallowed: the timer then stays
  // off and the profiles read before the error stay listed.
  void ReloadSettings();
  // Sends every listed automatic profile whose period has passed. An error stops the tick: the
  // failing profile keeps its last send time, so the next tick tries it again. A send hands the
  // host's message loop turns; a reload in such a turn ends the walk (the new list counts as just
  // sent), and a tick in such a turn does nothing. While the connection is inside a
  // transaction (a file load in progress) a tick does nothing either.
  void SendToInetIfNeed(std::int32_t aReason);
  void Timer1Timer();

  // The listed profiles; null when none is automatic.
  const std::vector<std::unique_ptr<TJSONOneSend>>* mList() const { return mList_.get(); }
  bool TimerEnabled() const { return timerEnabled_; }
  void SetSendFunc(SendFunc aSend) { send_ = std::move(aSend); }

 private:
  void SetTimerEnabled(bool on);

  db::Connection* connection_;
  TimerServices& timers_;
  // Shared so that a walk in progress keeps the profile it is sending alive across a reload.
  std::shared_ptr<std::vector<std::unique_ptr<TJSONOneSend>>> mList_;
  std::uint64_t reloads_ = 0;
  bool sending_ = false;
  bool timerEnabled_ = false;
  SendFunc send_;
};

// The module's instance between messages -160 and -170 (null otherwise).
extern TDataMod* gDataMod;

// Registers the creation of gDataMod (with ReloadSettings) at -160 and its freeing at -170. The
// plug-in has this from load on; hosts that link the libraries directly call it once.
void InstallDataModHooks();

}  // namespace tir::transport
