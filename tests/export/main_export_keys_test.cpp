// Key order of every object the main export writes, on a sample base that fills every section,
// against the tables of the exchange format; and the exit flag, which must stop each long loop
// within one row and leave a well-formed text.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <map>
#include <set>

#include "db/query.h"
#include "export/dn_json_builder.h"
#include "frame/global_exit.h"
#include "frame/ui_services.h"
#include "host/demo/demo_base.h"
#include "tests/support/temp_base.h"

namespace tir::test {
namespace {

// Ordered keys of an object kind; a leading '?' marks a key written only in some cases.
using Layout = std::vector<std::string>;

const Layout kGroup = {"name", "fullpath", "level", "lid", "guid", "?children"};
const std::map<std::string, Layout> kLayouts = {
    {"info",
     {"ver", "sourceID", "error", "errorTxt", "dateCreate", "goodsCount", "lastGoodsSnapshot",
      "taskid", "taskstatuscode", "taskstatusTxt"}},
    {"goods",
     {"guid",      "lid",      "code",     "name",        "group",      "unit1",    "pin",
      "p1",        "visible",  "version",  "qtty",        "namefull",   "desc",     "unit2",
      "unit3",     "coeff2",   "coeff3",   "type",        "vat",        "vatguid",  "del",
      "min",       "nom",      "barcode",  "barcodelist", "barcode2",   "barcode3", "dopprop1",
      "dopprop2",  "dopprop3", "dopprop4", "dopprop5",    "import",     "autoprod", "isexstamp",
      "onlyishop", "markup",   "divlist",  "uktzed",      "uktzedguid", "color",    "p2",
      "p3",        "p4",       "p5",       "p6",          "p7",         "p8",       "p9",
      "p10",       "vendor",   "plu",      "scs",         "tare",       "piece",    "outw",
      "lost",      "prices"}},
    {"prices", {"id", "p"}},
    {"recipes", {"lid", "qttyout", "guid", "components"}},
    {"components", {"lid", "qtty", "qttynetto", "guid"}},
    {"pricenames", {"guid", "lid", "code", "name", "namefull", "currid", "group"}},
    {"uktzed", {"guid", "lid", "code", "name", "import", "group"}},
    {"partners", {"guid",   "lid",    "group",  "code",    "name",  "type",     "?namefull",
                  "?card",  "?tel1",  "?tel2",  "?tel3",   "?adr1", "?adr2",    "?adr3",
                  "?date1", "?date2", "?date3", "?edrpou", "?inn",  "?priceid", "?pricedisc"}},
    {"contracts",
     {"guid", "lid", "name", "pricetype", "pricetype2", "discount", "default", "type", "partner",
      "curr", "entity"}},
    {"usersgroupsrights", {"lid", "name", "state", "base", "rights"}},
    {"rights", {"pb", "pi", "mid"}},
    {"users",
     {"guid", "lid", "code", "code02", "name02", "namefull02", "state02", "card02", "p102", "p202",
      "group", "rights", "accesssalep", "?accesssalepids", "accessstores", "?accessstoresids",
      "accessentities", "?accessentitiesids"}},
    {"accessstoresids", {"guid"}},
    {"accessentitiesids", {"guid"}},
    {"salepoints", {"guid", "lid", "code", "name", "namefull", "group"}},
    {"vats", {"guid", "lid", "code", "name", "vat", "vat_a", "group"}},
    {"entities",
     {"guid", "lid", "code", "name", "namefull", "edrpou", "inn", "nnds", "tel1", "tel2", "tel3",
      "adr1", "adr2", "adr3", "visible", "group"}},
    {"stores",
     {"guid", "lid", "code", "name", "namefull", "address", "priceid", "priceid2", "visible",
      "group"}},
    {"currencies", {"guid", "lid", "code", "name", "namefull", "rate", "visible", "img", "group"}},
    {"moneyaccounts", {"guid", "lid", "name", "desc", "info", "default", "type", "curr", "entity"}},
    {"itemscost", {"guid", "lid", "code", "name", "group"}},
    {"salesrules",
     {"guid", "lid", "name", "namef", "pos", "active", "rule", "version", "salesplist"}},
    {"tables", {"guid", "lid", "code", "name", "namefull", "visible", "group"}},
    {"modifiers", {"guid", "lid", "code", "name", "namefull", "visible", "group"}},
    {"docs", {"guid",        "partner", "store",    "entity",       "user",     "userreal",
              "contract",    "table",   "?storeto", "?rrodevnum",   "?rrocnum", "?rrorealdate",
              "?rrodateint", "?color",  "lid",      "num",          "date",     "datereal",
              "desc",        "tagint",  "tagint2",  "tagint3",      "type",     "sum",
              "innum",       "indate",  "transact", "transactguid", "tree",     "treeguid",
              "state",       "wfrom",   "baseid",   "salepid",      "version",  "?moneyaccid",
              "?itemcostid", "docgoods"}},
    {"docgoods",
     {"lposid", "guid", "pin", "pout", "curr", "disc", "sum", "qtty", "vatsum", "tindoc",
      "parentid", "posdoc", "tag1", "desc", "exstamp"}},
};

// Checks the keys of `object` against the layout named `kind`, then every array member whose
// elements are objects against the layout of its own key (group arrays against kGroup).
void CheckObject(const std::string& kind, const rapidjson::Value& object,
                 std::set<std::string>& seen) {
  const bool group = kind.size() > 6 && kind.substr(kind.size() - 6) == "groups";
  const auto found = kLayouts.find(kind);
  ASSERT_TRUE(group || kind == "children" || found != kLayouts.end()) << "no layout for " << kind;
  const Layout& layout = (group || kind == "children") ? kGroup : found->second;
  seen.insert(kind);
  std::size_t at = 0;
  for (const auto& member : object.GetObject()) {
    const std::string key = member.name.GetString();
    while (at < layout.size() && layout[at] != key && layout[at] != "?" + key) {
      ASSERT_EQ(layout[at].front(), '?')
          << kind << ": \"" << layout[at] << "\" missing before \"" << key << "\"";
      ++at;
    }
    ASSERT_LT(at, layout.size()) << kind << ": \"" << key << "\" out of order or unknown";
    ++at;
    if (member.value.IsArray()) {
      for (const auto& element : member.value.GetArray()) {
        if (element.IsObject()) CheckObject(key, element, seen);
      }
    }
  }
  for (; at < layout.size(); ++at) EXPECT_EQ(layout[at].front(), '?') << kind << ": " << layout[at];
}

class MainExportSampleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    base_ = new TempBase();
    demo::DemoOptions options;
    options.goods = 90;
    options.docs = 120;
    demo::GenerateDemoBase(base_->conn(), options);
    base_->conn().ExecScript(  // more partners than one step of the exit test
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
        "INSERT INTO tirPartners (fCode, fName) SELECT 'X' || i, 'Extra ' || i FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
        "INSERT INTO tirTables (fCode, fName) SELECT 'T' || i, 'Extra ' || i FROM n;");
  }
  static void TearDownTestSuite() {
    delete base_;
    base_ = nullptr;
  }

  rapidjson::Document Export(exporting::TDNJSonBuilder& builder) {
    builder.RunBuildProcess();
    EXPECT_EQ(builder.ErrorText(), "");
    const std::string text = builder.Text();
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    EXPECT_FALSE(doc.HasParseError());
    return doc;
  }
  static void Everything(exporting::TDNJSonBuilder& builder) {
    builder.SetRunMode(kRunInteractive);
    builder.SetAddGoodsFull();
    builder.SetAddPartnersAndContract("");
    builder.SetAddAllCatalogs();
    builder.SetAddDocsPeriod(0, 0);
  }

  static TempBase* base_;
};

TempBase* MainExportSampleTest::base_ = nullptr;

TEST_F(MainExportSampleTest, EveryObjectFollowsItsLayout) {
  exporting::TDNJSonBuilder builder(base_->conn());
  Everything(builder);
  const rapidjson::Document doc = Export(builder);
  std::set<std::string> seen;
  for (const auto& section : doc.GetObject()) {
    const std::string key = section.name.GetString();
    if (section.value.IsObject()) CheckObject(key, section.value, seen);
    if (!section.value.IsArray()) continue;
    for (const auto& element : section.value.GetArray()) CheckObject(key, element, seen);
  }
  // Every layout was met at least once, optional documents keys included.
  for (const auto& [kind, layout] : kLayouts) EXPECT_TRUE(seen.count(kind)) << kind;
  EXPECT_TRUE(seen.count("children"));
}

// Sets the exit flag the first time the builder lets the host process its messages (after the
// 30th row of a loop).
class ExitOnFirstMessages final : public frame::UiServices {
 public:
  explicit ExitOnFirstMessages(transport::TMDGlobalExitNow& flag) : flag_(flag) {}
  frame::TModalResult MessageDlg(const std::string&, frame::TMsgDlgType, std::uint32_t) override {
    return frame::mrOk;
  }
  void* CreateMDIFormButton(void*, const std::string&) override { return nullptr; }
  void ProcessMessages() override { flag_.SetExitNOW(true); }
  bool OpenCommandWindow(std::int32_t) override { return false; }

 private:
  transport::TMDGlobalExitNow& flag_;
};

TEST_F(MainExportSampleTest, ExitFlagStopsEachLongLoopAfterTheRowThatSetIt) {
  // Each long section alone; the flag goes up after its 30th row.
  const std::vector<std::pair<std::string, std::function<void(exporting::TDNJSonBuilder&)>>>
      sections = {
          {"goods", [](auto& b) { b.SetAddGoodsFull(); }},
          {"goods", [](auto& b) { b.SetAddGoodsSetOnlyQtty(); }},
          {"partners", [](auto& b) { b.SetAddPartners(""); }},
          {"docs", [](auto& b) { b.SetAddDocsPeriod(0, 0); }},
          {"docs", [](auto& b) { b.SetGetOrdersCookMonitors(); }},
          {"tables", [](auto& b) { b.SetAddAllCatalogs(); }},
      };
  for (const auto& [key, command] : sections) {
    transport::TMDGlobalExitNow flag;
    ExitOnFirstMessages ui(flag);
    frame::SetUiServices(&ui);
    exporting::TDNJSonBuilder builder(base_->conn());
    builder.SetRunMode(kRunInteractive);
    builder.SetPtr_ExitNow(&flag);
    command(builder);
    const rapidjson::Document doc = Export(builder);
    frame::SetUiServices(nullptr);
    if (key == "tables") {
      EXPECT_FALSE(doc.HasMember("modifiers"));  // the sections after a stop are skipped
    }
    ASSERT_TRUE(doc.HasMember(key.c_str())) << key;
    EXPECT_EQ(doc[key.c_str()].Size(), 30u) << key;
  }
}

}  // namespace
}  // namespace tir::test
