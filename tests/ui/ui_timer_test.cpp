// The module's own timer inside a Qt application: after -160 the host makes no further call, and
// the automatic shop profile still reaches the shop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>

#include "settings/json_one_send.h"
#include "settings/profile_rows.h"
#include "tests/support/temp_base.h"
#include "tests/transport/shop_server.h"
#include "tests/ui/ui_host.h"

namespace tir::test {
namespace {

TEST(UiTimer, AutomaticShopProfileIsSentByTheModulesOwnTimer) {
  if (std::string(TIR_SERVICE_LIBRARY_FILE).empty()) GTEST_SKIP() << "no service library";
  TempBase base;
  Exec(base.conn(),
       "INSERT INTO tirGoods (fId, fName, fOShop) VALUES (1, 'Кава', 1), (2, 'Чай', 1);");
  ShopServer shop;
  TJSONOneSend profile;
  profile.mURL = shop.Url();
  profile.mIfAvtomat = 1;
  profile.mPeriodMin = 0;  // due at every tick
  SaveProfile(base.conn(), UiHost::kGuidCode, kProfileTypeInetShop, profile);
  UiHost host;
  QElapsedTimer waited;
  // An interval under a second (here 0) is ignored: the timer keeps its 30 s.
  ::setenv("TIR_TIMER_INTERVAL_MS", "0", 1);
  host.Start(base.path(), 1);
  waited.start();
  while (waited.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_TRUE(shop.Received().empty());
  host.Stop();

  ::setenv("TIR_TIMER_INTERVAL_MS", "1000", 1);
  host.Start(base.path(), 1);
  waited.restart();
  while (shop.Received().size() < 2 && waited.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  ::unsetenv("TIR_TIMER_INTERVAL_MS");
  ASSERT_GE(shop.Received().size(), 2u);
  EXPECT_NE(shop.Received()[0].find("Кава"), std::string::npos);
  // A background send is mode 1 of the service library.
  EXPECT_EQ(shop.Agents()[0], "tirvalosm/1.0 (mode 1)");
  host.Stop();
  // After -170 the timer is gone.
  const std::size_t sent = shop.Received().size();
  waited.restart();
  while (waited.elapsed() < 600) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(shop.Received().size(), sent);
}

}  // namespace
}  // namespace tir::test
