// The universal loader on a real base: file checks, goods and group writes, lines handed back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "frame/app_globals.h"
#include "frame/ui_services.h"
#include "import/tir_json_loader.h"
#include "tests/export/export_test_support.h"
#include "tests/support/temp_base.h"
#include "tree/tree_integrity.h"

namespace tir::importing {
namespace {

using test::SmallGuid;

std::vector<std::pair<std::int32_t, std::int32_t>> gRequests;

std::int32_t TIR_STDCALL RecordRequest(frame::TModSearchIn pIn, frame::TModSearchOut*) {
  gRequests.emplace_back(pIn.fModuleId, pIn.fSearchMode);
  return 0;
}

const std::string kBaseGuid = "8495D472-6F1C-489A-3CBC-7C5AD04ACBF4";

std::string Info(const std::string& ver, const std::string& source) {
  return R"("info":{"ver":)" + ver + R"(,"sourceID":")" + source +
         R"(","jsondocdate":"20260101120000"})";
}

// A group node with its children (texts of nodes joined by commas).
std::string Group(int guid, const std::string& name, const std::string& children = "") {
  return R"({"name":")" + name + R"(","guid":")" + SmallGuid(guid) + R"(","children":[)" +
         children + "]}";
}

class UniversalLoaderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    std::remove(file_.c_str());
    frame::gAppPackParams.fSearchFunc = nullptr;
  }
  // Loads `body` (members of the top object) with an "info" block.
  bool Load(const std::string& body, const std::string& info = Info("1", "{" + kBaseGuid + "}")) {
    std::ofstream(file_, std::ios::binary) << "{" << body << "," << info << "}";
    return loader_.LoadFromFile(file_);
  }
  std::int64_t Int(const std::string& sql) { return test::ScalarInt(base_.conn(), sql); }
  std::string Text(const std::string& sql) { return test::ScalarText(base_.conn(), sql); }
  ::testing::AssertionResult TreeIsSound() {
    db::Query query(base_.conn());
    std::string report;
    if (tree::gTreeFunc_CheckIntegrity(query, "tirGoodsGroups", report)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << report;
  }

  test::TempBase base_;
  TTirJSonLoader loader_{base_.conn()};
  std::string file_ = test::TempPath(".json");
};

TEST_F(UniversalLoaderTest, OnlyAUniversalFileIsAcceptedAndARefusedOneWritesNothing) {
  const std::string goods = R"("goods":[{"guid":")" + SmallGuid(1) + R"(","name":"n"}])";
  EXPECT_TRUE(Load(goods, Info("2", kBaseGuid)));
  EXPECT_EQ(loader_.Ver(), 2);
  const std::string good = R"({"guid":")" + SmallGuid(1) + R"(","name":"n"})";
  const std::string mainInfo = R"("info":{"ver":1,"sourceID":"{)" + kBaseGuid +
                               R"(}","error":200,"errorTxt":"OK.","goodsCount":1})";
  const std::pair<std::string, std::string> refused[] = {
      {goods, Info("0", kBaseGuid)},
      {goods, Info("1", kBaseGuid.substr(1))},
      {goods, Info("1", kBaseGuid + "0")},
      {goods, Info("1", "{" + kBaseGuid)},
      {goods, Info("1", "(" + kBaseGuid + ")")},
      {goods, R"("i":0)"},
      // A main export with quantities only: a version and a base GUID, but not its "info".
      {R"("goods":[{"guid":")" + SmallGuid(1) + R"(","lid":1,"qtty":5}])", mainInfo},
      {goods + R"(,"request":{"ver":1})", Info("1", kBaseGuid)},
      {goods + R"(,"prices":[])", Info("1", kBaseGuid)},
      {R"("goods":{"guid":"x"})", Info("1", kBaseGuid)},
      {R"("goods":[{"guid":")" + SmallGuid(1) + R"(","lid":1,"qtty":5}])", Info("1", kBaseGuid)},
      {R"("goods":[)" + good + R"(,7])", Info("1", kBaseGuid)},
      {R"("goodsgroups":[)" + good + R"(,{"name":"g","guid":")" + SmallGuid(2) +
           R"(","children":[{"name":"no guid"}]}])",
       Info("1", kBaseGuid)},
      {R"("goodsgroups":[{"name":"g","guid":")" + SmallGuid(2) + R"(","children":{}}])",
       Info("1", kBaseGuid)},
  };
  for (const auto& [body, info] : refused) {
    EXPECT_FALSE(Load(body, info)) << body << info;
    EXPECT_FALSE(loader_.LastError().empty());
    loader_.AddGoodsToBase();  // a refused file writes nothing
  }
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 0);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoodsGroups WHERE fclev>0"), 0);
}

TEST_F(UniversalLoaderTest, GoodsOverwriteEveryKnownColumnAndMissingMembersClearThem) {
  frame::gAppPackParams.fSearchFunc = &RecordRequest;
  gRequests.clear();
  const std::string g = SmallGuid(0x101);
  ASSERT_TRUE(Load(R"("goodsgroups":[{"name":"Напої","guid":")" + SmallGuid(1) +
                   R"("}],"goods":[{"guid":")" + g + R"(","name":"Сік","desc":"d","coeff2":2.5,
                   "vat":3,"group":")" +
                   SmallGuid(1) + R"(","p3":5,"dopprop5":"e","min":4}])"));
  loader_.AddGoodsToBase();
  const std::vector<std::pair<std::int32_t, std::int32_t>> told{{20, 888046}, {170, 1024}};
  EXPECT_EQ(gRequests, told);
  const std::string row = " FROM tirGoods WHERE fGUID1=257 AND fGUID2=0";
  EXPECT_EQ(Text("SELECT fName||fDesc||fCoeff2||fVATGroup||fPriceOut3||fpdop5||fMinCount" + row),
            "Сікd2.535.0e0.0");  // "min" is not a column the loader writes
  EXPECT_EQ(Int("SELECT fGroupID" + row), Int("SELECT fId FROM tirGoodsGroups WHERE fGUID1=1"));

  // Again without "p3", "desc" and "group"; a new goods item in a group the base does not know;
  // the zero group GUID does not find the root.
  ASSERT_TRUE(Load(R"("goods":[{"guid":")" + g + R"(","name":""},{"guid":")" + SmallGuid(0x102) +
                   R"(","name":"","group":")" + SmallGuid(9) + R"("},{"guid":")" +
                   SmallGuid(0x103) + R"(","name":"","group":")" + SmallGuid(0) + R"("}])"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 3);
  EXPECT_EQ(Text("SELECT fDesc||fPriceOut3" + row), "0.0");
  EXPECT_EQ(Int("SELECT SUM(fGroupID) FROM tirGoods"), 0);
  EXPECT_EQ(loader_.Written().goodsUpdated, 1);
  // A new item whose "guid" is no GUID ends the load with an error.
  ASSERT_TRUE(Load(R"("goods":[{"guid":"x","name":"n"}])"));
  EXPECT_ANY_THROW(loader_.AddGoodsToBase());
  EXPECT_THROW(loader_.FindIdByGUID("tirGoods;DROP TABLE x", g), std::invalid_argument);
}

TEST_F(UniversalLoaderTest, GroupTreeIsAddedThenRenamedAndMovedByGuid) {
  ASSERT_TRUE(Load(R"("goodsgroups":[)" + Group(1, "A", Group(2, "B", Group(3, "C"))) + "," +
                   Group(4, "D") + "]"));
  loader_.AddGoodsToBase();
  // C moves from B to D and is renamed.
  ASSERT_TRUE(Load(R"("goodsgroups":[)" + Group(1, "A", Group(2, "B")) + "," +
                   Group(4, "D", Group(3, "C2")) + "]"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(loader_.Written().groupsUpdated, 4);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoodsGroups"), 5);
  EXPECT_EQ(Text("SELECT p.fName||'/'||g.fName FROM tirGoodsGroups g JOIN tirGoodsGroups p ON "
                 "p.fcl<g.fcl AND p.fcr>g.fcr AND p.fclev=g.fclev-1 WHERE g.fGUID1=3"),
            "D/C2");
  EXPECT_TRUE(TreeIsSound());
  // The same text again leaves the tree as it is; swapped top groups still swap.
  const std::string order =
      "SELECT group_concat(fName || fcl || '-' || fcr, ' ') FROM (SELECT * FROM tirGoodsGroups "
      "ORDER BY fcl)";
  const std::string before = Text(order);
  loader_.AddGoodsToBase();
  EXPECT_EQ(Text(order), before);
  EXPECT_EQ(loader_.Written().groupsUpdated, 4);
  ASSERT_TRUE(Load(R"("goodsgroups":[)" + Group(4, "D", Group(3, "C2")) + "," +
                   Group(1, "A", Group(2, "B")) + "]"));
  loader_.AddGoodsToBase();
  EXPECT_EQ(Text(order), "root1-10 D2-5 C23-4 A6-9 B7-8");
}

TEST_F(UniversalLoaderTest, FailedTreeOperationsAreCountedAndTheLoadGoesOn) {
  // A under itself cannot be moved there; its child B, the later group C and the goods still come.
  ASSERT_TRUE(Load(R"("goodsgroups":[)" + Group(1, "A", Group(1, "A", Group(2, "B"))) + "," +
                   Group(3, "C") + R"(],"goods":[{"guid":")" + SmallGuid(0x101) +
                   R"(","name":"g","group":")" + SmallGuid(2) + R"("}])"));
  const std::int64_t calls = frame::HeadlessUi().ProcessMessagesCalls();
  loader_.AddGoodsToBase();
  // The host's messages are processed before every group node, nested ones too.
  EXPECT_EQ(frame::HeadlessUi().ProcessMessagesCalls() - calls, 4);
  const auto& n = loader_.Written();
  EXPECT_EQ(n.treeFailures, 1);
  ASSERT_EQ(n.treeMessages.size(), 1u);
  EXPECT_NE(n.treeMessages[0].find("\"A\" not moved"), std::string::npos) << n.treeMessages[0];
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoodsGroups WHERE fclev>0"), 3);
  EXPECT_EQ(Int("SELECT fGroupID FROM tirGoods"),
            Int("SELECT fId FROM tirGoodsGroups WHERE fGUID1=2"));
  EXPECT_EQ(Text("SELECT p.fName FROM tirGoodsGroups g JOIN tirGoodsGroups p ON p.fcl<g.fcl AND "
                 "p.fcr>g.fcr AND p.fclev=g.fclev-1 WHERE g.fGUID1=2"),
            "A");
  EXPECT_TRUE(TreeIsSound());
}

TEST_F(UniversalLoaderTest, LinesAndQuantitiesStopAtTheFirstUnknownGoods) {
  const auto item = [](int guid, const std::string& rest) {
    return R"({"guid":")" + SmallGuid(guid) + R"(","name":"")" + rest + "}";
  };
  ASSERT_TRUE(Load(R"("goods":[)" + item(1, R"(,"code":"c1","p1":4)") + "," + item(2, "") + "]"));
  loader_.AddGoodsToBase();
  ASSERT_TRUE(Load(R"("docs":[{"docgoods":[)" + item(1, R"(,"qtty":3,"sum":12)") + "," +
                   item(7, "") + "," + item(2, "") + R"(]}],"goods":[)" +
                   item(1, R"(,"qtty":2,"pin":1.5)") + "," + item(2, R"(,"qtty":0)") + "," +
                   item(1, R"(,"qtty":-1)") + "," + item(8, R"(,"qtty":5)") + "," +
                   item(1, R"(,"qtty":6)") + "]"));
  std::vector<TTirGoodsExportsDOCFromJS> list(3);
  loader_.GetDocGoods(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].fCode + "/" + std::to_string(list[0].fID), "c1/1");
  EXPECT_EQ(list[0].fPriceOut * 100 + list[0].fQtty * 10 + list[0].fSumIn, 442);

  loader_.GetGoodsQttyFromSPR(list);
  ASSERT_EQ(list.size(), 1u);  // zero and negative quantities left out, stop at unknown goods
  EXPECT_EQ(list[0].fQtty * 10 + list[0].fSumIn, 23);
}

}  // namespace
}  // namespace tir::importing
