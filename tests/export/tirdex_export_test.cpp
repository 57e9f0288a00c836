// The tirdex commands of the export group, run as a user runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/export/export_test_support.h"
#include "tests/export/small_base.h"
#include "tests/support/temp_base.h"

namespace tir::exporting {
namespace {

int Tirdex(const std::string& args) {
  const std::string command = std::string("'") + TIRDEX_FILE + "' " + args + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TirdexExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::FillSmallBase(base_.conn());
    base_.Close();
  }
  void TearDown() override { std::filesystem::remove(out_); }

  test::TempBase base_;
  std::string out_ = test::TempPath(".json");
};

TEST_F(TirdexExportTest, ExportDocThroughThePluginWritesTheExpectedFile) {
  ASSERT_EQ(Tirdex("export-doc '" + base_.path() + "' 1 '" + out_ +
                   "' --user-ents 1 --user-stores -1,1,-1"),
            0);
  // Everything but the moment of the export is the hand-written file.
  const std::string expected =
      test::ReadFile(std::string(TIR_EXPORT_TEST_DATA) + "/one_doc_sale.json");
  const std::regex stamp(R"("jsondocdate":"\d{14}")");
  EXPECT_EQ(std::regex_replace(test::ReadFile(out_), stamp, "STAMP"),
            std::regex_replace(expected, stamp, "STAMP"));

  EXPECT_EQ(Tirdex("export-doc '" + base_.path() + "' 1 '" + out_ + "' --user-ents '1 OR 1'"), 2);
  EXPECT_EQ(Tirdex("export-doc '" + base_.path() + ".missing' 1 '" + out_ + "'"), 1);
}

TEST_F(TirdexExportTest, ExportPeriodWritesTheIndentedFullFile) {
  ASSERT_EQ(Tirdex("export-period '" + base_.path() + "' 2024-03-05 2024-03-05 '" + out_ + "'"), 0);
  const std::string text = test::ReadFile(out_);
  EXPECT_EQ(text.rfind("{\n  \"goodsgroups\": [", 0), 0u);
  EXPECT_NE(text.find("\"rrodevnum\": \"ПН123\""), std::string::npos);  // the day's sale
  EXPECT_EQ(Tirdex("export-period '" + base_.path() + "' 2024-13-01 2024-03-05 '" + out_ + "'"), 2);
}

}  // namespace
}  // namespace tir::exporting
