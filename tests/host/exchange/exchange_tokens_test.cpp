// tirdex tokens: token values that are secrets, and the scope a profile is given.
#include <gtest/gtest.h>

#include <string>

#include "db/sqlite_connection.h"
#include "host/exchange/exchange_tokens.h"
#include "tests/host/tirdex/tirdex_run.h"
#include "tests/support/temp_base.h"

namespace {

using tir::test::RunTirdex;

const std::string kTirdex = TIRDEX_FILE;

TEST(ExchangeTokens, AddRefusesGuessableValuesAndStoresScopeAndRights) {
  const tir::test::TempFile path;
  ASSERT_EQ(RunTirdex(kTirdex, {"schema", path}).rc, 0);
  for (const char* value :
       {"a", "   ", "fifteen-chars-x", "sixteen chars ab", "tab\tin-a-token-value"}) {
    const auto run = RunTirdex(kTirdex, {"tokens", path, "add", "bad", "--token", value});
    EXPECT_NE(run.rc, 0) << value;
    EXPECT_NE(run.err.find("token value"), std::string::npos) << run.err;
  }
  const auto shop =
      RunTirdex(kTirdex, {"tokens", path, "add", "shop1", "--token", "shop1-token-0001", "--stores",
                          "1,2", "--entities", "1", "--doc-types", "1", "--read-only"});
  ASSERT_EQ(shop.rc, 0) << shop.err;
  ASSERT_EQ(RunTirdex(kTirdex, {"tokens", path, "add", "office", "--users"}).rc, 0);
  const auto list = RunTirdex(kTirdex, {"tokens", path, "list"});
  EXPECT_NE(list.out.find("store 1,2, entity 1, type 1; without users and rights; writes nothing"),
            std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find("every store, every entity, every type; with users and rights"),
            std::string::npos)
      << list.out;
  {
    auto c = tir::db::SqliteConnection::Open(path);
    const auto tokens = tir::exchange::LoadTokens(*c);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].token.m1_mStoreIds, "1,2");
    EXPECT_TRUE(tir::exchange::LoadPeerRights(*c, "shop1").readOnly);
    EXPECT_FALSE(tir::exchange::LoadPeerRights(*c, "shop1").users);
    EXPECT_TRUE(tir::exchange::LoadPeerRights(*c, "office").users);
  }
}

}  // namespace
