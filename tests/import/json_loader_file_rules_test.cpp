// How a file load reads what it is given: values it cannot read, repeats, the envelope, user
// lists and rights groups, and the posting that follows the documents' states.
#include <gtest/gtest.h>

#include <fstream>

#include "db/query.h"
#include "import/json_loader_atomic.h"
#include "tests/import/json_loader_fixture.h"

namespace tir::import::test {
namespace {

class FileRulesTest : public LoaderTest {
 protected:
  ~FileRulesTest() override { std::remove(path_.c_str()); }
  TLoadOutcome Run(const std::string& json,
                   const std::vector<TLoadStep>& steps = FileLoadSteps(true, true, true, true)) {
    std::ofstream(path_, std::ios::binary) << json;
    return RunAtomicLoad(loader, base.conn(), path_, steps, false, {}, true);
  }
  void Exec(const std::string& sql) { tir::test::Exec(base.conn(), sql); }
  bool Noted(const TLoadOutcome& out, const std::string& text) {
    for (const TLoadNote& n : out.report.notes) {
      if (n.Text().find(text) != std::string::npos) return true;
    }
    ADD_FAILURE() << "no note with \"" << text << "\" in:\n" << out.report.Text(20, 50);
    return false;
  }
  std::string path_ = tir::test::TempPath(".json");
};

std::string Obj(int guid, const std::string& members) {
  return R"({"guid":")" + G(guid) + "\"" + (members.empty() ? "" : "," + members) + "}";
}

TEST_F(FileRulesTest, UnreadableGuidsAndDatesSkipTheRowOrReadAsNone) {
  const TLoadOutcome out =
      Run(R"({"stores":[{"guid":"A0-1","name":"lost"},)" + Obj(2, R"("name":"S")") +
          R"(],"partners":[)" + Obj(4, R"("name":"P","date1":"20241399250000","group":"12")") +
          R"(],"goods":[)" + Obj(10, R"("name":"B","vendor":"not a guid")") +
          R"(,{"name":"none"}],)" + R"("docs":[)" +
          Obj(20, R"("num":1,"type":6,"state":1,"date":"yesterday","store":"x","docgoods":[)" +
                      Obj(10, "") + "]") +
          "]}");
  ASSERT_EQ(out.result, TLoadResult::kDone) << out.message;
  EXPECT_EQ(Text("SELECT group_concat(fName) FROM tirStores"), "S");
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 1);
  for (const auto& [kind, c] : out.report.kinds) {
    EXPECT_EQ(c.skipped, kind == "stores" || kind == "goods" ? 1 : 0) << kind;
  }
  // A date that is not a date reads as -1, a reference that is not a GUID as none.
  EXPECT_EQ(Num("SELECT JULIANDAY(fDate) - JULIANDAY('1899-12-30') FROM tirPartners"), -1.0);
  EXPECT_EQ(Int("SELECT fMainPartner FROM tirGoods"), 0);
  EXPECT_EQ(Num("SELECT JULIANDAY(fDateTime) - JULIANDAY('1899-12-30') FROM tirDocuments"), -1.0);
  EXPECT_EQ(Int("SELECT fStoreId FROM tirDocuments"), 0);
  Noted(out, "stores[0].guid: \"A0-1\" is not a GUID, read as none");
  Noted(out, "stores[0]: no GUID, row skipped");
  Noted(out, "goods[1]: no GUID, row skipped");
  Noted(out, "partners[0].date1: \"20241399250000\" is not a date, read as -1");
  Noted(out, "docs[0].date: \"yesterday\" is not a date");
  ASSERT_EQ(out.report.notes.size(), 8u);  // guid, skip, date1, group, vendor, skip, date, store
  EXPECT_NE(out.report.Text(200, 3).find("... and 5 more notes"), std::string::npos);

  // A GUID-long text that is no GUID is damage: nothing of the file is written.
  const std::string before = BaseDump(base.conn());
  const TLoadOutcome bad = Run(R"({"stores":[)" + Obj(3, R"("name":"T")") +
                               R"(,{"guid":"ZZZZZZZZ-ZZZZ-ZZZZ-ZZZZ-ZZZZZZZZZZZZ"}]})");
  EXPECT_EQ(bad.result, TLoadResult::kFailed);
  EXPECT_EQ(BaseDump(base.conn()), before);
}

TEST_F(FileRulesTest, RepeatedGuidsAndKeysLoadInTextOrder) {
  const TLoadOutcome out =
      Run(R"({"goods":[)" + Obj(10, R"("name":"first","p1":1)") + "," +
          Obj(10, R"("name":"second")") + R"(],"stores":[)" + Obj(2, R"("name":"S1")") +
          R"(],"goodsgroups":[)" + Obj(200, R"("name":"G")") + R"(],"stores":[)" +
          Obj(3, R"("name":"S2")") + R"(],"goods":[)" + Obj(11, R"("name":"third")") + "," +
          Obj(10, R"("name":"last","group":")" + G(200) + "\"") + "]}");
  ASSERT_EQ(out.result, TLoadResult::kDone) << out.message;
  EXPECT_EQ(Text("SELECT group_concat(fName) FROM (SELECT fName FROM tirStores ORDER BY fId)"),
            "S1,S2");
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirGoods"), 2);
  EXPECT_EQ(Text("SELECT fName FROM tirGoods WHERE fCode IS NULL AND fPriceOut1=1"), "last");
  EXPECT_EQ(Int("SELECT g.fName='G' FROM tirGoods t JOIN tirGoodsGroups g ON g.fId=t.fGroupID "
                "WHERE t.fName='last'"),
            1);
  Noted(out, "warning: goods[1].guid repeats goods[0] (" + G(10) + ")");
  Noted(out, "goods[3].guid repeats goods[1]");
}

TEST_F(FileRulesTest, AFileLoadLeavesTheEnvelopeToItsCaller) {
  const std::string text =
      R"({"info":{"sourceID":"{B1}","goodsCount":"many","lastGoodsSnapshot":7},"request":)"
      R"({"sourceID":"{B2}"},"stores":[)" +
      Obj(2, R"("name":"S")") + R"(],"docs":[)" +
      Obj(20, R"("num":1,"type":6,"state":1,"store":")" + G(2) + R"(","docgoods":[])") + "]}";
  ASSERT_EQ(Run(text).result, TLoadResult::kDone);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirDEXSBaseIDs"), 0);
  EXPECT_EQ(Int("SELECT fBaseId FROM tirDocuments"), 0);
  EXPECT_EQ(loader.mLResp.lastGoodsSnapshot, 0);
  // A caller that wants the answer's "info" reads it in a step of its own.
  const TLoadOutcome out = Run(text, {{"answer", [](TDMJsonLoader& l) {
                                         l.GetRespParams();
                                         EXPECT_EQ(l.mLResp.lastGoodsSnapshot, 7);
                                       }}});
  EXPECT_EQ(out.result, TLoadResult::kFailed);  // "goodsCount" is not a number
}

TEST_F(FileRulesTest, UserListsAbsentFromTheRecordAreEmptyAndRightsGroupsNeedAGuid) {
  Exec(
      "INSERT INTO tirUsersRG (fId, fName, fState, fBase) VALUES (1, 'local', 0, 0);"
      "INSERT INTO tirSettings (fMId, fUserId, fPType, fPB, fPI) VALUES (5, 1, -42, 1, 0);");
  const std::string stores = R"("stores":[)" + Obj(2, R"("name":"S")") + "],";
  ASSERT_EQ(Run("{" + stores + R"("users":[)" +
                Obj(6, R"("lid":2,"accessstores":1,"accessstoresids":[{"guid":")" + G(2) +
                           R"("}],"accesssalepids":"1,","rights":[{"mid":3,"pb":1}])") +
                R"(],"usersgroupsrights":[{"lid":1,"name":"peer","rights":[]}]})")
                .result,
            TLoadResult::kDone);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirSettings WHERE fUserId=2 AND fPType=-26"), 1);
  EXPECT_EQ(Text("SELECT fPStr FROM tirSettings WHERE fUserId=2 AND fPType=10250"), "0,1,");
  // The peer's group 1 without a GUID leaves the local group 1 and its rights alone.
  EXPECT_EQ(Text("SELECT fName FROM tirUsersRG WHERE fId=1"), "local");
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirSettings WHERE fUserId=1 AND fPType=-42"), 1);

  // The source lifted the restrictions and took the rights: the user arrives without lists.
  TLoadOutcome out = Run("{" + stores + R"("users":[)" + Obj(6, R"("lid":2)") + "]}");
  ASSERT_EQ(out.result, TLoadResult::kDone);
  EXPECT_EQ(out.report.Kind("users").updated, 1);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirSettings WHERE fUserId=2 AND fPType=-26"), 0);
  EXPECT_EQ(Int("SELECT COUNT(*) FROM tirSettings WHERE fUserId=2 AND fMId=50 AND fPStr<>''"), 0);
  out = Run("{" + stores + R"("users":[)" + Obj(6, R"("lid":2)") + "]}");
  EXPECT_EQ(out.report.Kind("users").identical, 1);
}

TEST_F(FileRulesTest, PostingFollowsTheStateOfEachDocument) {
  // State 0 is posted (20), 1 and 3 leave their entries removed (21), 2 is deleted (2); an order
  // in state 3 becomes not posted.
  std::string docs;
  const int states[][2] = {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {6, 3}};
  for (int i = 0; i < 5; ++i) {
    docs += (i ? "," : "") +
            Obj(20 + i, R"("num":)" + std::to_string(i + 1) + R"(,"type":)" +
                            std::to_string(states[i][0]) + R"(,"state":)" +
                            std::to_string(states[i][1]) +
                            R"(,"date":"20240105100000","entity":")" + G(1) + R"(","store":")" +
                            G(2) + R"(","docgoods":[)" + Obj(10, R"("qtty":2,"sum":20)") + "]");
  }
  ASSERT_EQ(Run(R"({"entities":[)" + Obj(1, R"("name":"E")") + R"(],"stores":[)" +
                Obj(2, R"("name":"S")") + R"(],"goods":[)" + Obj(10, R"("name":"B")") +
                R"(],"docs":[)" + docs + "]}")
                .result,
            TLoadResult::kDone);
  EXPECT_EQ(Text("SELECT group_concat(fState) FROM (SELECT fState FROM tirDocuments ORDER BY "
                 "fDocNum)"),
            "0,1,2,3,1");
  EXPECT_EQ(Text("SELECT group_concat(DISTINCT d.fDocNum) FROM tirAStore s JOIN tirDocuments d "
                 "ON d.fId=s.fDocId"),
            "1");
  EXPECT_EQ(Num("SELECT SUM(fQtty) FROM tirAStoreNow"), 2.0);
}

TEST_F(FileRulesTest, AFileWithNothingToLoadIsRefused) {
  const std::string before = BaseDump(base.conn());
  for (const char* text : {"{}", "[1,2]", R"({"goods":[]})", R"({"info":{"ver":1}})"}) {
    const TLoadOutcome out = Run(text, FileLoadSteps(true, true, false, true));
    EXPECT_EQ(out.result, TLoadResult::kNothing) << text;
    EXPECT_NE(out.message.find("none of the asked sections (catalogs, partners, documents)"),
              std::string::npos)
        << out.message;
  }
  const TLoadOutcome universal =
      Run(R"({"goodsgroups":[],"goods":[],"docs":[{"docgoods":[{"parentid":0}]}],)"
          R"("info":{"ver":1,"sourceID":"x","jsondocdate":"20240105100000"}})");
  EXPECT_EQ(universal.result, TLoadResult::kNothing);
  EXPECT_NE(universal.message.find("load-universal"), std::string::npos) << universal.message;
  EXPECT_EQ(BaseDump(base.conn()), before);
  // Sections that are present but empty are a load that finds nothing to change.
  EXPECT_EQ(Run(R"({"docs":[]})").result, TLoadResult::kDone);
}

}  // namespace
}  // namespace tir::import::test
