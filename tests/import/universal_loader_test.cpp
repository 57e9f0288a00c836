// The universal loader on a real base: file checks, goods and group writes, lines handed back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "db/db_error.h"
#include "frame/app_globals.h"
#include "import/tir_json_loader.h"
#include "tests/export/export_test_support.h"
#include "tests/support/temp_base.h"
#include "tree/tree_integrity.h"

namespace tir::importing {
namespace {

using test::ScalarDouble;
using test::ScalarInt;
using test::ScalarText;
using test::SmallGuid;

std::vector<std::pair<std::int32_t, std::int32_t>> gRequests;

std::int32_t TIR_STDCALL RecordRequest(frame::TModSearchIn pIn, frame::TModSearchOut*) {
  gRequests.emplace_back(pIn.fModuleId, pIn.fSearchMode);
  return 0;
}

const std::string kInfo = R"("info":{"ver":1,"sourceID":"{8495D472-6F1C-489A-3CBC-7C5AD04ACBF4}"})";

class UniversalLoaderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    std::remove(file_.c_str());
    frame::gAppPackParams.fSearchFunc = nullptr;
  }

  // Loads `body` (members of the top object) with the standard "info" block.
  bool Load(const std::string& body, const std::string& info = kInfo) {
    std::ofstream(file_, std::ios::binary)
        << "{" << body << (body.empty() ? "" : ",") << info << "}";
    return loader_.LoadFromFile(file_);
  }
  std::int64_t Int(const std::string& sql) { return ScalarInt(base_.conn(), sql); }
  std::int64_t GroupId(int guid1) {
    return Int("SELECT fId FROM tirGoodsGroups WHERE fGUID1=" + std::to_string(guid1));
  }

  test::TempBase base_;
  TTirJSonLoader loader_{base_.conn()};
  std::string file_ = test::TempPath(".json");
};

TEST_F(UniversalLoaderTest, FileIsAcceptedOnlyWithAVersionAndABaseGuid) {
  const std::string goods = R"("goods":[{"guid":")" + SmallGuid(1) + R"(","name":"x"}])";
  const auto info = [](const std::string& ver, const std::string& source) {
    return R"("info":{"ver":)" + ver + R"(,"sourceID":")" + source + R"("})";
  };
  const std::string bare = "8495D472-6F1C-489A-3CBC-7C5AD04ACBF4";
  EXPECT_TRUE(Load(goods, info("1", bare)));
  EXPECT_EQ(loader_.SourceID(), bare);
  EXPECT_TRUE(Load(goods, info("2", "{" + bare + "}")));  // as the builder writes it
  EXPECT_EQ(loader_.Ver(), 2);
  for (const std::string& refused :
       {info("0", bare), info("1", bare.substr(1)), info("1", bare + "0"), info("1", "{" + bare),
        info("1", "(" + bare + ")"), info("1", "")}) {
    EXPECT_FALSE(Load(goods, refused)) << refused;
    EXPECT_FALSE(loader_.LastError().empty());
    loader_.AddGoodsToBase();  // a refused file writes nothing
  }
  EXPECT_FALSE(Load(goods, R"("info":[1])"));
  std::ofstream(file_, std::ios::binary) << "{" << goods << ",\"info\":{\"ver\":1,";  // truncated
  EXPECT_FALSE(loader_.LoadFromFile(file_));
  EXPECT_NE(loader_.LastError().find("line"), std::string::npos) << loader_.LastError();
  EXPECT_FALSE(loader_.LoadFromFile(file_ + ".missing"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 0);
}

TEST_F(UniversalLoaderTest, GoodsOverwriteEveryKnownColumnAndMissingMembersClearThem) {
  const std::string g = SmallGuid(0x101);
  ASSERT_TRUE(Load(R"("goodsgroups":[{"name":"Напої","guid":")" + SmallGuid(1) +
                   R"("}],"goods":[{"guid":")" + g +
                   R"(","code":"7","name":"Сік","desc":"d","unit1":"шт","coeff2":2.5,"type":1,
                   "vat":3,"visible":1,"group":")" +
                   SmallGuid(1) +
                   R"(","pin":1.25,"p1":2,"p3":5,"p10":9,"del":0,"dopprop5":"e","min":4}])"));
  loader_.AddGoodsToBase();
  const std::string row = "FROM tirGoods WHERE fGUID1=257 AND fGUID2=0";
  ASSERT_EQ(Int("SELECT COUNT(*) " + row), 1);
  EXPECT_EQ(ScalarText(base_.conn(), "SELECT fName " + row), "Сік");
  EXPECT_EQ(Int("SELECT fGroupID " + row), GroupId(1));
  EXPECT_EQ(ScalarDouble(base_.conn(), "SELECT fPriceOut3 " + row), 5.0);
  EXPECT_EQ(ScalarDouble(base_.conn(), "SELECT fCoeff2 " + row), 2.5);
  EXPECT_EQ(ScalarText(base_.conn(), "SELECT fpdop5 " + row), "e");
  EXPECT_EQ(Int("SELECT fMinCount " + row), 0);  // not a column the loader knows

  // The same goods again without "p3", "desc" and "group", and with a group not in the base.
  ASSERT_TRUE(Load(R"("goods":[{"guid":")" + g + R"(","name":"Сік 2","p1":3},{"guid":")" +
                   SmallGuid(0x102) + R"(","group":")" + SmallGuid(9) + R"("}])"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 2);
  EXPECT_EQ(ScalarText(base_.conn(), "SELECT fName " + row), "Сік 2");
  EXPECT_EQ(ScalarDouble(base_.conn(), "SELECT fPriceOut3 " + row), 0.0);
  EXPECT_EQ(ScalarText(base_.conn(), "SELECT fDesc " + row), "");
  EXPECT_EQ(Int("SELECT fGroupID " + row), 0);
  EXPECT_EQ(Int("SELECT fGroupID FROM tirGoods WHERE fGUID1=258"), 0);
  EXPECT_EQ(loader_.Written().goodsUpdated, 1);
  EXPECT_EQ(loader_.Written().goodsAdded, 1);
}

TEST_F(UniversalLoaderTest, GoodsWithoutAGuidOrWithTheZeroGroupAreNotTiedToAnyRow) {
  // The group root of the base carries the zero GUID pair; a zero group text must not find it.
  ASSERT_TRUE(Load(R"("goods":[{"name":"no guid"},{"guid":"not a guid"},7,{"guid":")" +
                   SmallGuid(0) + R"("},{"guid":")" + SmallGuid(5) + R"(","group":")" +
                   SmallGuid(0) + R"("}])"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 1);
  EXPECT_EQ(Int("SELECT fGroupID FROM tirGoods"), 0);
  EXPECT_EQ(loader_.Written().skipped, 4);
  EXPECT_EQ(loader_.FindIdByGUID("tirGoodsGroups", SmallGuid(0)), 0);
  EXPECT_THROW(loader_.FindIdByGUID("tirGoods;DROP TABLE x", SmallGuid(5)), std::invalid_argument);
}

TEST_F(UniversalLoaderTest, GroupTreeIsAddedThenRenamedAndMovedByGuid) {
  const auto group = [](int guid, const std::string& name, const std::string& children = "") {
    return R"({"name":")" + name + R"(","guid":")" + SmallGuid(guid) + "\"" +
           (children.empty() ? "" : R"(,"children":[)" + children + "]") + "}";
  };
  ASSERT_TRUE(Load(R"("goodsgroups":[)" + group(1, "A", group(2, "B", group(3, "C"))) + "," +
                   group(4, "D") + "]"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(loader_.Written().groupsAdded, 4);
  // C moves from B to D and is renamed; B stays where it is.
  ASSERT_TRUE(Load(R"("goodsgroups":[)" + group(1, "A", group(2, "B")) + "," +
                   group(4, "D", group(3, "C2")) + "]"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(loader_.Written().groupsUpdated, 4);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoodsGroups"), 5);
  const auto parentOf = [&](int guid) {
    return Int(
        "SELECT p.fGUID1 FROM tirGoodsGroups g JOIN tirGoodsGroups p ON p.fcl<g.fcl AND "
        "p.fcr>g.fcr AND p.fclev=g.fclev-1 WHERE g.fGUID1=" +
        std::to_string(guid));
  };
  EXPECT_EQ(parentOf(3), 4);
  EXPECT_EQ(parentOf(2), 1);
  EXPECT_EQ(ScalarText(base_.conn(), "SELECT fName FROM tirGoodsGroups WHERE fGUID1=3"), "C2");
  db::Query query(base_.conn());
  std::string report;
  EXPECT_TRUE(tree::gTreeFunc_CheckIntegrity(query, "tirGoodsGroups", report)) << report;

  // A group listed under itself cannot be moved there: the load stops with an error.
  ASSERT_TRUE(Load(R"("goodsgroups":[)" + group(1, "A", group(1, "A")) + "]"));
  EXPECT_THROW(loader_.AddGoodsToBase(), db::DbError);
}

TEST_F(UniversalLoaderTest, LinesAndQuantitiesStopAtTheFirstUnknownGoods) {
  ASSERT_TRUE(Load(R"("goods":[{"guid":")" + SmallGuid(1) +
                   R"(","code":"c1","name":"one","p1":4,"vat":2,"qtty":2,"pin":1.5},{"guid":")" +
                   SmallGuid(2) + R"(","qtty":0}])"));
  loader_.AddGoodsToBase();
  ASSERT_TRUE(Load(R"("docs":[{"docgoods":[{"guid":")" + SmallGuid(1) +
                   R"(","qtty":3,"sum":12},{"guid":")" + SmallGuid(7) + R"("},{"guid":")" +
                   SmallGuid(2) + R"("}]}],"goods":[{"guid":")" + SmallGuid(1) +
                   R"(","qtty":2,"pin":1.5},{"guid":")" + SmallGuid(2) +
                   R"(","qtty":0},{"guid":")" + SmallGuid(1) + R"(","qtty":-1},{"guid":")" +
                   SmallGuid(8) + R"(","qtty":5},{"guid":")" + SmallGuid(1) + R"(","qtty":6}])"));
  std::vector<TGoodsExportsDOCFromJS> list(3);
  loader_.GetDocGoods(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].fCode, "c1");
  EXPECT_EQ(list[0].fName, "one");
  EXPECT_EQ(list[0].fPriceOut, 4);
  EXPECT_EQ(list[0].fVAT, 2);
  EXPECT_EQ(list[0].fQtty, 3);
  EXPECT_EQ(list[0].fSumIn, 12);

  loader_.GetGoodsQttyFromSPR(list);
  ASSERT_EQ(list.size(), 1u);  // zero and negative quantities left out, stop at unknown goods
  EXPECT_EQ(list[0].fQtty, 2);
  EXPECT_EQ(list[0].fSumIn, 3);
}

TEST_F(UniversalLoaderTest, HostIsToldAfterTheGoodsAreWritten) {
  frame::gAppPackParams.fSearchFunc = &RecordRequest;
  gRequests.clear();
  ASSERT_TRUE(Load(R"("goodsgroups":[])"));  // no goods array: nothing to tell
  loader_.AddGoodsToBase();
  EXPECT_TRUE(gRequests.empty());
  ASSERT_TRUE(Load(R"("goods":[])"));
  loader_.AddGoodsToBase();
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected{{20, 888046}, {170, 1024}};
  EXPECT_EQ(gRequests, expected);
}

}  // namespace
}  // namespace tir::importing
