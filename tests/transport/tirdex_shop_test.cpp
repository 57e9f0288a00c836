// The tirdex shop commands, run as a user runs them, against a local shop server.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include <cstdio>
#include <string>

#include "json/json_array.h"
#include "json/json_object.h"
#include "settings/json_one_send.h"
#include "settings/profile_rows.h"
#include "tests/export/small_base.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/transport/shop_server.h"
#include "tests/transport/transport_fixture.h"

namespace tir::transport {
namespace {

// Runs tirdex with `args`; returns the exit code and puts stdout in `out`.
int Tirdex(const std::string& args, std::string& out) {
  const std::string command = std::string("'") + TIRDEX_FILE + "' " + args +
                              " --service-library '" + TIR_SERVICE_LIBRARY_FILE + "' 2>/dev/null";
  out.clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0) out.append(buf, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TirdexShopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::FillSmallBase(base_.conn());
    base_.conn().ExecScript("UPDATE tirGoods SET fOShop = 1;");
  }

  std::string Db() const { return "'" + base_.path() + "'"; }
  TJSONOneSend Stored() {
    TJSONOneSend p;
    LoadProfile(base_.conn(), test::TransportBase::kGuidCode, kProfileTypeInetShop, p);
    return p;
  }

  test::TransportBase base_;
  test::ShopServer server_;
  std::string out_;
};

TEST_F(TirdexShopTest, ProfileSendAndDaemon) {
  // shop-profile takes no --service-library; the option is given to every command here, so the
  // profile is written through the library directly.
  TJSONOneSend profile;
  profile.mURL = server_.Url();
  profile.mGoodsGroupsIds = "2";
  SaveProfile(base_.conn(), test::TransportBase::kGuidCode, kProfileTypeInetShop, profile);

  ASSERT_EQ(Tirdex("shop-send " + Db() + " --user-ents 1 --user-stores 1", out_), 0) << out_;
  EXPECT_EQ(out_, "Успешно отправлен.\n");
  ASSERT_EQ(server_.Received().size(), 1u);
  const json::Array goods = json::Object::Parse(server_.Received()[0]).GetArray("goods");
  ASSERT_EQ(goods.Size(), 1u);
  EXPECT_EQ(goods.GetObject(0).GetInt64("lid"), 2);

  server_.Answer(403, "Chilkat: denied");
  EXPECT_EQ(Tirdex("shop-send " + Db(), out_), 1);
  EXPECT_EQ(out_.rfind("Ошибка: ", 0), 0u) << out_;
  EXPECT_NE(out_.find("TirR: denied"), std::string::npos) << out_;

  // Without an automatic profile the daemon has nothing to do.
  EXPECT_EQ(Tirdex("shop-daemon " + Db() + " --tick-ms 20 --ticks 1", out_), 1) << out_;
  profile.mIfAvtomat = 1;
  profile.mPeriodMin = 0;
  SaveProfile(base_.conn(), test::TransportBase::kGuidCode, kProfileTypeInetShop, profile);
  server_.Answer(200, "ok");
  EXPECT_EQ(Tirdex("shop-daemon " + Db() + " --tick-ms 20 --ticks 2", out_), 0) << out_;
  EXPECT_EQ(server_.Received().size(), 4u);
  EXPECT_NE(out_.find(": ok\n"), std::string::npos) << out_;
}

TEST_F(TirdexShopTest, ProfileOptionsAreStored) {
  std::string out;
  const std::string command = std::string("'") + TIRDEX_FILE + "' shop-profile " + Db() +
                              " --url http://127.0.0.1:1/upload.php --auto 1 --period 7 "
                              "--last-days 3 --groups 2,3 --stores -1,1,-1 >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const TJSONOneSend p = Stored();
  EXPECT_EQ(p.mURL, "http://127.0.0.1:1/upload.php");
  EXPECT_EQ(p.mIfAvtomat, 1);
  EXPECT_EQ(p.mPeriodMin, 7);
  EXPECT_EQ(p.mIfLastDayGoods, 1);
  EXPECT_EQ(p.mPeriodDay, 3);
  EXPECT_EQ(p.mGoodsGroupsIds, "2,3");
  EXPECT_EQ(p.mStoreIds, "-1,1,-1");
  const std::string bad =
      std::string("'") + TIRDEX_FILE + "' shop-profile " + Db() + " --groups '2;3' >/dev/null 2>&1";
  const int status = std::system(bad.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(Stored().mGoodsGroupsIds, "2,3");
}

TEST_F(TirdexShopTest, UnusableProfilesAndListsAreRefused) {
  TJSONOneSend profile;
  profile.mURL = server_.Url();
  SaveProfile(base_.conn(), test::TransportBase::kGuidCode, kProfileTypeInetShop, profile);
  base_.conn().ExecScript("UPDATE tirSettings SET fPStr = 'not a profile' WHERE fPType = -2;");
  EXPECT_EQ(Tirdex("shop-send " + Db(), out_), 1);
  EXPECT_TRUE(server_.Received().empty());
  for (const char* bad : {"--last-days 800000", "--url file:///etc/passwd", "--url ftp://h/x"}) {
    EXPECT_EQ(Tirdex("shop-profile " + Db() + " " + bad, out_), 2) << bad;
  }
  EXPECT_EQ(Tirdex("shop-daemon " + Db() + " --user-ents '1 OR 1' --ticks 1", out_), 2);
}

// A server that takes connections and never answers.
struct HangingServer {
  HangingServer() {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      ADD_FAILURE() << "no listening socket";
    }
    url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/upload.php";
  }
  ~HangingServer() { ::close(fd); }
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  std::string url;
};

TEST_F(TirdexShopTest, DaemonStopsAtOnceDuringAHangingSendAndLeavesNoFiles) {
  HangingServer hanging;
  TJSONOneSend profile;
  profile.mURL = hanging.url;
  profile.mIfAvtomat = 1;
  profile.mPeriodMin = 0;
  SaveProfile(base_.conn(), test::TransportBase::kGuidCode, kProfileTypeInetShop, profile);
  const test::TempDir tempDir;
  const std::string& temp = tempDir.path();
  ::setenv("TMPDIR", temp.c_str(), 1);
  const test::TirdexRun run = test::InterruptTirdex(TIRDEX_FILE,
                                                    {"shop-daemon", base_.path(), "--tick-ms", "20",
                                                     "--service-library", TIR_SERVICE_LIBRARY_FILE},
                                                    "watching", 400, SIGINT, 5);
  ::unsetenv("TMPDIR");
  EXPECT_LT(run.secondsToStop, 1.0) << run.out << run.err;
  EXPECT_EQ(run.rc, 0);
  EXPECT_NE(run.out.find("stopped"), std::string::npos) << run.out;
  EXPECT_TRUE(std::filesystem::is_empty(temp)) << "upload files left in " << temp;
}

}  // namespace
}  // namespace tir::transport
