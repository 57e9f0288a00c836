#include "settings/profile_rows.h"

#include <gtest/gtest.h>

#include "db/db_error.h"
#include "db/query.h"
#include "settings/data_ex_out.h"
#include "settings/ini_settings.h"
#include "settings/json_one_send.h"
#include "settings_env.h"
#include "tests/support/temp_base.h"

namespace tir {
namespace {

std::int64_t CountRows(db::Connection& c, const std::string& where) {
  return test::ScalarInt(c, "SELECT COUNT(*) FROM tirSettings WHERE " + where + ";");
}

TEST(ProfileRows, SavingLeavesOneRowPerCodeModuleAndKind) {
  test::TempBase base;
  auto& c = base.conn();
  // Rows of other codes, modules and kinds must survive.
  c.ExecScript(
      "INSERT INTO tirSettings (fPStr50,fMId,fPType,fPStr) VALUES ('OTHER',410,-2,'x');"
      "INSERT INTO tirSettings (fPStr50,fMId,fPType,fPStr) VALUES ('BASE',450,-2,'x');"
      "INSERT INTO tirSettings (fPStr50,fMId,fPType,fPStr) VALUES ('BASE',410,-39,'x');"
      "INSERT INTO tirSettings (fPStr50,fMId,fPType,fPStr) VALUES ('BASE',410,-2,'old1');"
      "INSERT INTO tirSettings (fPStr50,fMId,fPType,fPStr) VALUES ('BASE',410,-2,'old2');");

  TJSONOneSend shop;
  shop.mName = "Shop A";
  shop.mIfAvtomat = 1;
  SaveProfile(c, "BASE", kProfileTypeInetShop, shop);
  shop.mName = "Shop B";
  SaveProfile(c, "BASE", kProfileTypeInetShop, shop);
  TDataExOut out;
  out.mFilePath = "/tmp/x.json";
  SaveProfile(c, "BASE", kProfileTypeDataExOut, out);
  SaveProfile(c, "BASE", kProfileTypeDataExOut, out);

  EXPECT_EQ(CountRows(c, "fPStr50='BASE' AND fMId=410 AND fPType=-2"), 1);
  EXPECT_EQ(CountRows(c, "fPStr50='BASE' AND fMId=410 AND fPType=-3"), 1);
  EXPECT_EQ(CountRows(c, "fMId<>0"), 5);  // the base's own counter row aside
  EXPECT_EQ(CountRows(c, "fPStr50='OTHER'"), 1);

  const std::vector<TProfileRow> rows = LoadProfileRows(c, "BASE", kProfileTypeInetShop);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_GT(rows[0].fId, 0);
  EXPECT_EQ(rows[0].fPDate, 0.0);

  TJSONOneSend loaded;
  const TProfileRow row = LoadProfile(c, "BASE", kProfileTypeInetShop, loaded);
  EXPECT_EQ(row.fId, rows[0].fId);
  EXPECT_EQ(loaded.mName, "Shop B");
  EXPECT_EQ(loaded.mIfAvtomat, 1);

  TDataExOut loadedOut;
  EXPECT_GT(LoadProfile(c, "BASE", kProfileTypeDataExOut, loadedOut).fId, 0);
  EXPECT_EQ(loadedOut.mFilePath, "/tmp/x.json");
}

TEST(ProfileRows, MissingProfileKeepsDefaults) {
  test::TempBase base;
  TJSONOneSend p;
  const TProfileRow row = LoadProfile(base.conn(), "NOPE", kProfileTypeInetShop, p);
  EXPECT_EQ(row.fId, 0);
  EXPECT_EQ(p.mName, "Интернет магазин 1");
  EXPECT_TRUE(LoadProfileRows(base.conn(), "NOPE", kProfileTypeDataExOut).empty());
  EXPECT_THROW(LoadProfileRows(base.conn(), "NOPE", -7), std::invalid_argument);
}

TEST(ProfileRows, FailedSaveKeepsTheOldRow) {
  test::TempBase base;
  auto& c = base.conn();
  SaveProfileRow(c, "BASE", kProfileTypeInetShop, "first");
  // Make the insert fail after the delete ran.
  c.ExecScript(
      "CREATE TRIGGER no_insert BEFORE INSERT ON tirSettings BEGIN SELECT RAISE(ABORT, 'no'); "
      "END;");
  EXPECT_THROW(SaveProfileRow(c, "BASE", kProfileTypeInetShop, "second"), db::DbError);
  const auto rows = LoadProfileRows(c, "BASE", kProfileTypeInetShop);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].fPStr, "first");
  EXPECT_FALSE(c.InTransaction());
}

TEST(ProfileRows, GuidCodeComesFromTheUserSettingsFile) {
  test::SettingsEnv env;
  EXPECT_EQ(gGetBaseGUIDCode(), "");
  ASSERT_TRUE(WriteIniSettingsSectionAndParam("MAIN", "GUIDCODE", "{A-B}", 'N'));
  EXPECT_EQ(gGetBaseGUIDCode(), "{A-B}");
}

}  // namespace
}  // namespace tir
