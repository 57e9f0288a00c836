#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/date_time.h"
#include "export/data_ex_out_export.h"
#include "frame/app_globals.h"
#include "frame/message_hooks.h"
#include "frame/wide_string.h"
#include "json/json_array.h"
#include "json/json_object.h"
#include "settings/data_ex_out.h"
#include "tests/export/export_test_support.h"
#include "tests/export/small_base.h"
#include "tests/support/temp_base.h"

namespace tir::exporting {
namespace {

double Day(int y, int m, int d) { return db::EncodeDateTime({y, m, d, 0, 0, 0, 0}); }

class FullExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::FillSmallBase(base_.conn());
    base_.conn().ExecScript(
        "INSERT INTO tirStores (fId, fName, fGUID1) VALUES (2, 'Склад 2', 1282);"
        "INSERT INTO tirDocuments (fId, fDateTime, fEntityId, fStoreId, fDocType, fGUID1) VALUES"
        " (2, '2024-03-05 11:00:00.000', 1, 2, 1, 1794),"
        " (3, '2024-04-01 11:00:00.000', 1, 1, 1, 1795);");
    test::SetUserLists("1", "1");
    profile_.mFilePath = test::TempPath(".json");
    frame::gAppPackParams.fFDConnect = &base_.conn();
  }
  void TearDown() override {
    frame::gAppPackParams.fFDConnect = nullptr;
    std::filesystem::remove(profile_.mFilePath);
  }

  test::TempBase base_;
  TDataExOut profile_;
};

TEST_F(FullExportTest, SectionsComeInTheirFixedOrder) {
  std::vector<std::string> sections;
  ASSERT_TRUE(DataExOutSaveFile(base_.conn(), profile_, Day(2024, 3, 1), Day(2024, 3, 31),
                                [&](const std::string& s) { sections.push_back(s); }));
  const json::Object file = json::Object::ParseFile(profile_.mFilePath);
  EXPECT_EQ(test::KeyLine(file),
            "goodsgroups recipes goods entitiesgroups entities moneyaccounts currenciesgroups "
            "currencies contracts itemscostgroups itemscost vatsgroups vats tablesgroups tables "
            "storesgroups stores usersgroups users partnersgroups partners docs info");
  EXPECT_EQ(sections.front(), "guids");
  EXPECT_EQ(sections.back(), "save");
  // Indented, and filtered by the user's lists: store 1 only, the document of the period only.
  EXPECT_EQ(test::ReadFile(profile_.mFilePath).substr(0, 4), "{\n  ");
  EXPECT_EQ(file.GetArray("stores").Size(), 1u);
  ASSERT_EQ(file.GetArray("docs").Size(), 1u);
  EXPECT_EQ(file.GetArray("docs").GetObject(0).GetInt64("lid"), 1);
  EXPECT_EQ(file.GetArray("goods").Size(), 3u);
  EXPECT_EQ(file.GetObject("info").GetString("sourceID"), test::kSmallBaseGuid);

  // The profile's own lists win over the user's.
  profile_.mStoreIds = "-1,2,-1";
  ASSERT_TRUE(profile_.SaveFile(Day(2024, 3, 1), Day(2024, 3, 31)));
  const json::Object second = json::Object::ParseFile(profile_.mFilePath);
  ASSERT_EQ(second.GetArray("docs").Size(), 1u);
  EXPECT_EQ(second.GetArray("docs").GetObject(0).GetInt64("lid"), 2);
  EXPECT_EQ(profile_.GetGUIDBase(), test::kSmallBaseGuid);
}

TEST_F(FullExportTest, ABadListWritesNothing) {
  base_.conn().ExecScript("INSERT INTO tirVAT (fName) VALUES ('vat');");
  profile_.mEntIds = "1) OR (1=1";
  EXPECT_THROW(DataExOutSaveFile(base_.conn(), profile_, 0, 1), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(profile_.mFilePath));
  EXPECT_EQ(test::ScalarInt(base_.conn(), "SELECT COUNT(*) FROM tirVAT WHERE fGUID1=0"), 1);
}

TEST_F(FullExportTest, MessageExportsOneDocumentAndRepliesWithSuccess) {
  const frame::MessageHandler handler = frame::FindMessageHandler(888034);
  ASSERT_NE(handler, nullptr);
  frame::TModSearchIn in{};
  frame::TModSearchOut out{};
  in.fModuleId = kDllId;
  in.fSearchMode = 888034;
  in.fDocId = 1;
  in.fSearchStr = frame::WideAllocUtf8(profile_.mFilePath);
  EXPECT_EQ(handler(in, out), 1);
  EXPECT_EQ(out.fId, 1);
  const json::Object file = json::Object::ParseFile(profile_.mFilePath);
  EXPECT_EQ(file.GetArray("docs").GetObject(0).GetInt64("lid"), 1);
  EXPECT_EQ(test::ReadFile(profile_.mFilePath).find('\n'), std::string::npos);  // not indented

  // A failing export answers fId 0 and reports the error to the host.
  test::StartLogCapture();
  base_.conn().ExecScript("DROP TABLE tirDocGoods;");
  out.fId = 0;
  EXPECT_EQ(handler(in, out), 1);
  EXPECT_EQ(out.fId, 0);
  ASSERT_EQ(test::CapturedLog().size(), 1u);
  EXPECT_EQ(test::CapturedLog()[0].rfind("ErrorSQL: ", 0), 0u);
  test::StopLogCapture();
  frame::WideFree(in.fSearchStr);
}

}  // namespace
}  // namespace tir::exporting
