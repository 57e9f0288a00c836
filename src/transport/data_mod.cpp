#include "transport/data_mod.h"

#include "db/connection.h"
#include "frame/app_globals.h"
#include "frame/host_services.h"
#include "settings/profile_rows.h"
#include "transport/inet_shop_send.h"
#include "transport/timer_services.h"

namespace tir::transport {

TDataMod* gDataMod = nullptr;

TDataMod::TDataMod() : TDataMod(frame::HostConnection(), Timers()) {}

TDataMod::TDataMod(db::Connection& aConnection, TimerServices& aTimers)
    : connection_(&aConnection),
      timers_(aTimers),
      send_([](TJSONOneSend& aProfile) { SendJsonToInetShop(aProfile, true); }) {}

TDataMod::~TDataMod() { SetTimerEnabled(false); }

void TDataMod::SetTimerEnabled(bool on) {
  if (on == timerEnabled_) return;
  timerEnabled_ = on;
  if (on) {
    timers_.StartTimer(kTimerIntervalMs, [this] { Timer1Timer(); });
  } else {
    timers_.StopTimer();
  }
}

void TDataMod::ReloadSettings() {
  SetTimerEnabled(false);
  mList_.reset();
  ++reloads_;
  try {
    const std::string guidCode = gGetBaseGUIDCode();
    const std::vector<TProfileRow> rows =
        LoadProfileRows(*connection_, guidCode, kProfileTypeInetShop);
    if (!rows.empty()) mList_ = std::make_shared<std::vector<std::unique_ptr<TJSONOneSend>>>();
    for (const TProfileRow& row : rows) {
      auto profile = std::make_unique<TJSONOneSend>();
      profile->ReadFromStr(row.fPStr);
      profile->mIDReccord = row.fId;
      profile->mLastDateSend = timers_.Now();
      if (profile->mIfAvtomat != 0) mList_->push_back(std::move(profile));
    }
    if (mList_ && mList_->empty()) mList_.reset();
    SetTimerEnabled(mList_ != nullptr);
  } catch (const std::exception& e) {
    // Profiles that cannot be read leave the timer off until the next reload; the host's log
    // says why, or the user would only see that nothing is sent any more.
    frame::SendToMainMGS(
        std::string("Автоматическая отправка выключена: настройки не прочитаны: ") + e.what(), 1,
        1);
  }
}

void TDataMod::SendToInetIfNeed(std::int32_t /*aReason*/) {
  if (!mList_ || sending_) return;
  // A load in the host's message-loop turns holds the base in its transaction: a send now would
  // stamp rows inside it and be lost with its rollback. The profiles stay due for the next tick.
  if (connection_->InTransaction()) return;
  const auto list = mList_;
  const std::uint64_t reloadsBefore = reloads_;
  sending_ = true;
  struct SendingGuard {
    bool& flag;
    ~SendingGuard() { flag = false; }
  } guard{sending_};
  for (const auto& profile : *list) {
    if (profile->mIfAvtomat == 0) continue;
    const double now = timers_.Now();
    const double elapsedSeconds = (now - profile->mLastDateSend) * 86400.0;
    // A millisecond of slack absorbs the rounding of day-number arithmetic.
    if (elapsedSeconds + 0.001 >= profile->mPeriodMin * kSecondsPerPeriodUnit) {
      send_(*profile);
      if (reloads_ != reloadsBefore) return;
      profile->mLastDateSend = timers_.Now();
    }
  }
}

void TDataMod::Timer1Timer() { SendToInetIfNeed(0); }

}  // namespace tir::transport
