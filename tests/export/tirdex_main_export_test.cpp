// tirdex export and good-card, run as a user runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/tir_token_one.h"
#include "tests/export/export_test_support.h"
#include "tests/export/small_base.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

// Exit code and standard output of a tirdex command.
int Tirdex(const std::string& args, std::string* out = nullptr) {
  return RunCommand(std::string("'") + TIRDEX_FILE + "' " + args, out);
}

class TirdexMainExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillSmallBase(base_.conn());
    base_.conn().ExecScript(
        "UPDATE tirDocuments SET fSyncDate = NULL;"
        "INSERT INTO tirGPhotoes (fGoodId, fOrder, fPhoto) VALUES (1, 1, "
        "X'00000000000000004142');");
    base_.Close();
  }
  std::string Base() const { return "'" + base_.path() + "'"; }

  TempBase base_;
  TempFile out_{".json"};
};

TEST_F(TirdexMainExportTest, ExportWritesSectionsAndMarksDocumentsSent) {
  std::string printed;
  ASSERT_EQ(Tirdex("export " + Base() + " '" + out_ +
                       "' --goods set1 --partners --docs-recent "
                       "--mark-sent",
                   &printed),
            0);
  EXPECT_NE(printed.find("goods: 3\n"), std::string::npos);
  EXPECT_NE(printed.find("partners: 1\n"), std::string::npos);
  EXPECT_NE(printed.find("docs: 1\n"), std::string::npos);
  EXPECT_NE(printed.find("marked as sent: 1 document(s)"), std::string::npos);
  EXPECT_EQ(ReadFile(out_).substr(0, 8), "{\"info\":");
  base_.Reopen();
  EXPECT_EQ(ScalarInt(base_.conn(), "SELECT fSyncState FROM tirDocuments WHERE fId = 1"), 1);
}

TEST_F(TirdexMainExportTest, TokenFileLimitsTheDocumentsOfAClient) {
  TTirTokenOne token;
  token.m1_mDocTypeSynk = 1;
  token.m1_mStoreIds = "2";  // the sale is in store 1
  const TempFile tokenFile(".token");
  std::ofstream(tokenFile.path()) << token.SaveToStr() << "\n";
  std::string printed;
  EXPECT_EQ(Tirdex("export " + Base() + " '" + out_ +
                       "' --docs-recent --run-mode 1 --token-file '" + tokenFile + "'",
                   &printed),
            0);
  EXPECT_EQ(printed.find("docs:"), std::string::npos);
  token.m1_mStoreIds = "1,2";
  std::ofstream(tokenFile.path()) << token.SaveToStr() << "\n";
  EXPECT_EQ(Tirdex("export " + Base() + " '" + out_ +
                       "' --docs-recent --run-mode 1 --token-file '" + tokenFile + "'",
                   &printed),
            0);
  EXPECT_NE(printed.find("docs: 1\n"), std::string::npos);
  EXPECT_EQ(Tirdex("export " + Base() + " '" + out_ + "' --token-file /nonexistent/token"), 2);
}

TEST_F(TirdexMainExportTest, FailuresAndBadUsage) {
  // A bad access list fails the run: nothing is written and the exit code is 1.
  base_.Reopen().ExecScript(
      "INSERT INTO tirSettings (fUserId, fMId, fPType, fPStr) VALUES (1, 50, 10260, 'x');");
  base_.Close();
  EXPECT_EQ(Tirdex("export " + Base() + " '" + out_ + "' --catalogs"), 1);
  EXPECT_FALSE(std::filesystem::exists(out_.path()));
  EXPECT_EQ(Tirdex("export " + Base() + " '" + out_ + "' --goods all"), 2);
  EXPECT_EQ(Tirdex("export " + Base() + " '" + out_ + "' --docs-recent --docs-after 5"), 2);
  // Kitchen orders and documents would both be "docs": refused, nothing written or marked sent.
  const std::string delivery =
      "SELECT group_concat(fId || ':' || IFNULL(fSyncState, '') || ':' || IFNULL(fSyncDate, "
      "'')) FROM tirDocuments";
  const std::string before = ScalarText(base_.Reopen(), delivery);
  base_.Close();
  for (const char* documents :
       {"--docs-recent --mark-sent", "--docs-period 2000-01-01 2100-01-01", "--docs-after 0"}) {
    EXPECT_EQ(Tirdex("export " + Base() + " '" + out_ + "' --cook-orders " + documents), 2)
        << documents;
    EXPECT_FALSE(std::filesystem::exists(out_.path())) << documents;
  }
  EXPECT_EQ(ScalarText(base_.Reopen(), delivery), before);
  base_.Close();
  EXPECT_EQ(Tirdex("export '" + base_.path() + ".missing' '" + out_ + "'"), 1);
}

TEST_F(TirdexMainExportTest, GoodCardPrintsTheGoodWithItsPhoto) {
  std::string printed;
  ASSERT_EQ(Tirdex("good-card " + Base() + " 4820000000017", &printed), 0);
  EXPECT_NE(printed.find("\"good_one\":{\"guid\":\"" + SmallGuid(513) + "\""), std::string::npos);
  EXPECT_NE(printed.find("\"photo\":\"QUI=\""), std::string::npos);
  EXPECT_EQ(Tirdex("good-card " + Base() + " 999"), 1);
}

}  // namespace
}  // namespace tir::test
