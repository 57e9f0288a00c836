#include "transport/data_mod.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "db/date_time.h"
#include "db/query.h"
#include "frame/message_hooks.h"
#include "frame/ui_services.h"
#include "settings/json_one_send.h"
#include "tests/export/export_test_support.h"
#include "tests/transport/transport_fixture.h"
#include "transport/timer_services.h"

namespace tir::transport {
namespace {

// A clock and timer the test drives: Advance moves the clock in 30-second timer steps and fires
// the handler at each step while the timer is on.
class DrivenTimers final : public TimerServices {
 public:
  double Now() override { return now_; }
  void StartTimer(std::int32_t intervalMs, std::function<void()> onTimer) override {
    interval_ = intervalMs;
    onTimer_ = std::move(onTimer);
  }
  void StopTimer() override { onTimer_ = nullptr; }

  bool Enabled() const { return static_cast<bool>(onTimer_); }
  std::int32_t Interval() const { return interval_; }
  void Tick() {
    now_ += interval_ / 86400000.0;
    if (onTimer_) onTimer_();
  }

 private:
  double now_ = db::EncodeDateTime({2024, 3, 6, 12, 0, 0, 0});
  std::function<void()> onTimer_;
  std::int32_t interval_ = 0;
};

class DataModTest : public ::testing::Test {
 protected:
  void AddProfile(const std::string& name, std::int8_t automatic, std::int32_t period) {
    TJSONOneSend p;
    p.mName = name;
    p.mIfAvtomat = automatic;
    p.mPeriodMin = period;
    tir::db::Query q(base_.conn());
    q.SetSql("INSERT INTO tirSettings (fPStr50, fMId, fPType, fPStr) VALUES (:g, 410, -2, :s);");
    q.ParamByName("g").SetText(test::TransportBase::kGuidCode);
    q.ParamByName("s").SetText(p.SaveToStr());
    q.ExecSql();
  }

  void MakeModule() {
    mod_ = std::make_unique<TDataMod>(base_.conn(), timers_);
    mod_->SetSendFunc([this](TJSONOneSend& p) {
      if (failNext_ > 0) {
        --failNext_;
        throw std::runtime_error("upload failed");
      }
      sent_.push_back(p.mName);
    });
    mod_->ReloadSettings();
  }

  // Ticks the timer n times; a tick whose send fails counts in `failedTicks_`.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      try {
        timers_.Tick();
      } catch (const std::runtime_error&) {
        ++failedTicks_;
      }
    }
  }

  test::TransportBase base_;
  DrivenTimers timers_;
  std::unique_ptr<TDataMod> mod_;
  std::vector<std::string> sent_;
  int failNext_ = 0;
  int failedTicks_ = 0;
};

TEST_F(DataModTest, NoProfilesMeansNoListAndNoTimer) {
  AddProfile("manual", 0, 1);
  MakeModule();
  EXPECT_EQ(mod_->mList(), nullptr);
  EXPECT_FALSE(mod_->TimerEnabled());
  EXPECT_FALSE(timers_.Enabled());
}

TEST_F(DataModTest, AutomaticProfileIsSentOnePeriodOfFiftyEightSecondsApart) {
  AddProfile("auto", 1, 1);
  AddProfile("manual", 0, 1);
  MakeModule();
  ASSERT_NE(mod_->mList(), nullptr);
  ASSERT_EQ(mod_->mList()->size(), 1u);
  EXPECT_EQ((*mod_->mList())[0]->mName, "auto");
  EXPECT_GT((*mod_->mList())[0]->mIDReccord, 0);
  EXPECT_TRUE(timers_.Enabled());
  EXPECT_EQ(timers_.Interval(), 30000);

  Ticks(1);  // 30 s after the reload: not yet
  EXPECT_TRUE(sent_.empty());
  Ticks(1);  // 60 s >= 58 s
  EXPECT_EQ(sent_.size(), 1u);
  Ticks(1);  // 30 s after the send
  EXPECT_EQ(sent_.size(), 1u);
  Ticks(1);
  EXPECT_EQ(sent_.size(), 2u);

  // A reload counts every profile as just sent.
  mod_->ReloadSettings();
  Ticks(1);
  EXPECT_EQ(sent_.size(), 2u);
  Ticks(1);
  EXPECT_EQ(sent_.size(), 3u);
}

TEST_F(DataModTest, APeriodUnitIsFiftyEightSecondsNotSixty) {
  AddProfile("auto", 1, 15);  // 870 s: the 29th tick, where minutes would wait for the 30th
  MakeModule();
  Ticks(28);
  EXPECT_TRUE(sent_.empty());
  Ticks(1);
  EXPECT_EQ(sent_.size(), 1u);
}

TEST_F(DataModTest, PeriodZeroSendsAtEveryTickAndAFailureIsRetriedAtTheNext) {
  AddProfile("first", 1, 0);
  AddProfile("second", 1, 0);
  MakeModule();
  Ticks(2);
  EXPECT_EQ(sent_, (std::vector<std::string>{"first", "second", "first", "second"}));

  sent_.clear();
  failNext_ = 1;  // "first" fails: the tick stops before "second"
  Ticks(1);
  EXPECT_EQ(failedTicks_, 1);
  EXPECT_TRUE(sent_.empty());
  Ticks(1);
  EXPECT_EQ(sent_, (std::vector<std::string>{"first", "second"}));
}

TEST_F(DataModTest, FailedSendKeepsItsLastTimeSoTheNextTickTriesAgain) {
  AddProfile("auto", 1, 1);
  MakeModule();
  Ticks(1);
  failNext_ = 1;
  Ticks(1);  // due, fails
  EXPECT_EQ(failedTicks_, 1);
  Ticks(1);  // still due: retried without waiting another period
  EXPECT_EQ(sent_.size(), 1u);
}

TEST_F(DataModTest, TickInsideAnOpenTransactionSendsNothingAndTheProfileStaysDue) {
  AddProfile("auto", 1, 1);
  MakeModule();
  base_.conn().StartTransaction();
  Ticks(3);
  EXPECT_TRUE(sent_.empty());
  base_.conn().Rollback();
  Ticks(1);
  EXPECT_EQ(sent_, std::vector<std::string>{"auto"});
}

// A host whose message-loop turn runs `turn` (the shop window's OK reloading the settings).
class TurningUi final : public frame::UiServices {
 public:
  frame::TModalResult MessageDlg(const std::string&, frame::TMsgDlgType, std::uint32_t) override {
    return frame::mrOk;
  }
  void* CreateMDIFormButton(void*, const std::string&) override { return nullptr; }
  void ProcessMessages() override {
    if (turn) std::exchange(turn, nullptr)();
  }
  bool OpenCommandWindow(std::int32_t) override { return false; }
  std::function<void()> turn;
};

TEST_F(DataModTest, ReloadDuringASendTurnEndsTheWalkSafely) {
  AddProfile("first", 1, 0);
  AddProfile("second", 1, 0);
  MakeModule();
  TurningUi ui;
  frame::SetUiServices(&ui);
  // The send hands the loop a turn, then uses its profile again (as the shop sender does).
  mod_->SetSendFunc([this](TJSONOneSend& p) {
    frame::ProcessMessages();
    sent_.push_back(p.mName);
  });
  // The turn reloads the list and fires the timer again: that tick waits for the running one.
  ui.turn = [this] {
    mod_->ReloadSettings();
    mod_->Timer1Timer();
  };
  Ticks(1);
  EXPECT_EQ(sent_, (std::vector<std::string>{"first"}));
  Ticks(1);
  EXPECT_EQ(sent_, (std::vector<std::string>{"first", "first", "second"}));
  frame::SetUiServices(nullptr);
}

TEST_F(DataModTest, UnreadableProfileRowsLeaveTheTimerOff) {
  AddProfile("auto", 1, 1);
  base_.conn().ExecScript(
      "INSERT INTO tirSettings (fPStr50, fMId, fPType, fPStr) "
      "VALUES ('BASE-GUID-CODE-1', 410, -2, 'not a settings string');");
  MakeModule();
  // The broken row reads as a default (manual) profile; the automatic one is kept.
  ASSERT_NE(mod_->mList(), nullptr);
  EXPECT_EQ(mod_->mList()->size(), 1u);

  // A base whose settings cannot be read turns the sending off, and the host's log says why.
  base_.conn().ExecScript("DROP TABLE tirSettings;");
  test::StartLogCapture();
  mod_->ReloadSettings();
  test::StopLogCapture();
  EXPECT_EQ(mod_->mList(), nullptr);
  EXPECT_FALSE(timers_.Enabled());
  ASSERT_EQ(test::CapturedLog().size(), 1u);
  EXPECT_NE(test::CapturedLog()[0].find("tirSettings"), std::string::npos)
      << test::CapturedLog()[0];
}

TEST_F(DataModTest, StartAndStopMessagesCreateAndFreeTheModule) {
  AddProfile("auto", 1, 1);
  InstallDataModHooks();
  SetTimerServices(&timers_);
  frame::RunStartHook(frame::LifecycleSlot::kDataModule, 1);
  ASSERT_NE(gDataMod, nullptr);
  EXPECT_TRUE(gDataMod->TimerEnabled());
  frame::RunStopHook(frame::LifecycleSlot::kDataModule);
  EXPECT_EQ(gDataMod, nullptr);
  EXPECT_FALSE(timers_.Enabled());
  frame::RunStopHook(frame::LifecycleSlot::kDataModule);  // harmless twice

  // Without the host's connection there is nothing to send from: no module and no message.
  frame::gAppPackParams.fFDConnect = nullptr;
  test::StartLogCapture();
  frame::RunStartHook(frame::LifecycleSlot::kDataModule, 1);
  EXPECT_EQ(gDataMod, nullptr);
  EXPECT_TRUE(test::CapturedLog().empty());
  test::StopLogCapture();
  frame::gAppPackParams.fFDConnect = &base_.conn();
  SetTimerServices(nullptr);
}

}  // namespace
}  // namespace tir::transport
