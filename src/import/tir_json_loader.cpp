#include "import/tir_json_loader.h"

#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "db/sql_text.h"
#include "frame/app_globals.h"
#include "json/json_array.h"
#include "json/json_error.h"
#include "settings/guid_forms.h"
#include "settings/number_forms.h"

namespace tir::importing {

namespace {

// Characters of a UTF-8 text (continuation bytes do not count).
std::size_t CharCount(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

// The universal builder writes the base GUID as the runtime's text with braces (38 characters),
// while the check of a file asks for the 36-character form. Both forms are accepted so that every
// file the module writes can be read back; any other length is refused.
bool IsSourceID(const std::string& text) {
  const std::size_t length = CharCount(text);
  if (length == 36) return true;
  return length == 38 && text.front() == '{' && text.back() == '}';
}

// The members the universal builder writes at the top of a file.
constexpr std::string_view kUniversalKeys[] = {"goodsgroups",
                                               "recipes",
                                               "goods",
                                               "entitiesgroups",
                                               "entities",
                                               "moneyaccounts",
                                               "currenciesgroups",
                                               "currencies",
                                               "contracts",
                                               "itemscostgroups",
                                               "itemscost",
                                               "vatsgroups",
                                               "vats",
                                               "tablesgroups",
                                               "tables",
                                               "storesgroups",
                                               "stores",
                                               "usersgroups",
                                               "users",
                                               "partnersgroups",
                                               "partners",
                                               "docs"};

bool IsUniversalKey(std::string_view key) {
  for (const std::string_view known : kUniversalKeys) {
    if (key == known) return true;
  }
  return false;
}

// Elements of `array` must be objects with the texts "guid" and "name" (the loader overwrites a
// goods item's name and a group's name with them); `at` names the array in the message.
std::string RowFault(const json::Array& array, const std::string& at) {
  for (std::size_t i = 0; i < array.Size(); ++i) {
    const std::string where = at + "[" + std::to_string(i) + "]";
    if (array.KindAt(i) != json::Kind::kObject) return where + " is not an object";
    const json::Object row = array.GetObject(i);
    if (row.KindOf("guid") != json::Kind::kString || row.KindOf("name") != json::Kind::kString) {
      return where + " has no \"guid\" and \"name\" texts";
    }
  }
  return {};
}

// Why `file` is not laid out as the universal builder writes it; empty when it is. A main export
// also has an "info" with a version and a base GUID, but neither its "info" ("jsondocdate") nor
// its rows match, and loading its goods would overwrite names and prices with nothing.
std::string LayoutFault(const json::Object& file) {
  if (file.GetObject("info").KindOf("jsondocdate") != json::Kind::kString) {
    return "its \"info\" has no \"jsondocdate\" as the universal export writes it";
  }
  for (std::size_t i = 0; i < file.Size(); ++i) {
    const std::string key(file.KeyAt(i));
    if (key == "info") continue;
    if (!IsUniversalKey(key)) return "\"" + key + "\" is not a section of a universal file";
    if (file.KindOf(key) != json::Kind::kArray) return "\"" + key + "\" is not an array";
  }
  std::string fault = RowFault(file.GetArray("goods"), "goods");
  // Group nodes at every depth, without recursion.
  std::vector<std::pair<json::Array, std::string>> groups{
      {file.GetArray("goodsgroups"), "goodsgroups"}};
  while (fault.empty() && !groups.empty()) {
    const auto [nodes, at] = groups.back();
    groups.pop_back();
    fault = RowFault(nodes, at);
    for (std::size_t i = 0; fault.empty() && i < nodes.Size(); ++i) {
      const json::Object node = nodes.GetObject(i);
      const std::string where = at + "[" + std::to_string(i) + "].children";
      if (!node.Has("children")) continue;
      if (node.KindOf("children") != json::Kind::kArray) return where + " is not an array";
      groups.emplace_back(node.GetArray("children"), where);
    }
  }
  return fault;
}

}  // namespace

bool TTirJSonLoader::GuidPair(const std::string& text, std::int64_t& half1, std::int64_t& half2) {
  TGUID guid;
  if (text.size() != 36 || !TryStringToGUID("{" + text + "}", guid)) return false;
  half1 = gGetGUID1(guid);
  half2 = gGetGUID2(guid);
  return half1 != 0 || half2 != 0;
}

TTirJSonLoader::TTirJSonLoader() : TTirJSonLoader(frame::HostConnection()) {}

TTirJSonLoader::TTirJSonLoader(db::Connection& connection)
    : FDQuery1(connection), FDQuery2(connection), mUpdateQuery(connection) {
  FDQuery1.SetFetchAll(true);
  FDQuery2.SetFetchAll(true);
  mUpdateQuery.SetFetchAll(true);
  mJson = json::Object::Parse("{}");
}

void TTirJSonLoader::Empty(const std::string& why) {
  mJson = json::Object::Parse("{}");
  mError = why;
}

bool TTirJSonLoader::LoadFromFile(const std::string& file) {
  mVer = 0;
  mSourceID.clear();
  mError.clear();
  try {
    mJson = json::Object::ParseFile(file);
  } catch (const json::JsonError& e) {
    Empty(e.what());
    return false;
  }
  if (mJson.KindOf("info") == json::Kind::kObject) {
    const json::Object info = mJson.GetObject("info");
    mVer = static_cast<std::int32_t>(info.GetInt64("ver"));
    mSourceID = info.GetString("sourceID");
  }
  if (mVer <= 0) {
    Empty(file + ": not a universal file (no \"info\" with a positive \"ver\")");
    return false;
  }
  if (!IsSourceID(mSourceID)) {
    Empty(file + ": the \"sourceID\" of \"info\" is not a base GUID: \"" + mSourceID + "\"");
    return false;
  }
  const std::string fault = LayoutFault(mJson);
  if (!fault.empty()) {
    Empty(file + ": not a universal file: " + fault);
    return false;
  }
  return true;
}

std::int64_t TTirJSonLoader::FindIdByGUID(const std::string& table, const std::string& guid) {
  if (!db::IsPlainIdentifier(table)) {
    throw std::invalid_argument("Invalid table name: \"" + table + "\"");
  }
  std::int64_t half1 = 0, half2 = 0;
  if (!GuidPair(guid, half1, half2)) return 0;
  FDQuery2.SetSql("SELECT {IF MSSQL}TOP 1{fi} fId FROM " + table +
                  " WHERE (fGUID1=:pG1)AND(fGUID2=:pG2) {IF SQLite} LIMIT 1{fi};");
  FDQuery2.ParamByIndex(0).SetInt64(half1);
  FDQuery2.ParamByIndex(1).SetInt64(half2);
  FDQuery2.Open();
  const std::int64_t id = FDQuery2.Eof() ? 0 : FDQuery2.FieldByIndex(0).AsInt64();
  FDQuery2.Close();
  return id;
}

std::int64_t TTirJSonLoader::FindGoodByGUID(const std::string& guid,
                                            TTirGoodsExportsDOCFromJS& entry) {
  std::int64_t half1 = 0, half2 = 0;
  if (!GuidPair(guid, half1, half2)) return 0;
  FDQuery2.SetSql(
      "SELECT {IF MSSQL}TOP 1{fi} fId, fCode,fBarCode,fUnitType,fName,fPriceOut1,fVATGroup FROM "
      "tirGoods WHERE (fGUID1=:pG1)AND(fGUID2=:pG2) {IF SQLite} LIMIT 1{fi};");
  FDQuery2.ParamByIndex(0).SetInt64(half1);
  FDQuery2.ParamByIndex(1).SetInt64(half2);
  FDQuery2.Open();
  std::int64_t id = 0;
  if (!FDQuery2.Eof()) {
    id = FDQuery2.FieldByIndex(0).AsInt64();
    entry.fID = static_cast<std::int32_t>(id);
    entry.fCode = FDQuery2.FieldByIndex(1).AsText();
    entry.fBarCode = FDQuery2.FieldByIndex(2).AsText();
    entry.fUnitType = FDQuery2.FieldByIndex(3).AsText();
    entry.fName = FDQuery2.FieldByIndex(4).AsText();
    entry.fPriceOut = FDQuery2.FieldByIndex(5).AsExtended();
    entry.fVAT = FDQuery2.FieldByIndex(6).AsInt32();
  }
  FDQuery2.Close();
  return id;
}

void TTirJSonLoader::GetDocGoods(std::vector<TTirGoodsExportsDOCFromJS>& list) {
  list.clear();
  const json::Array lines = mJson.GetArray("docs").GetObject(0).GetArray("docgoods");
  for (std::size_t i = 0; i < lines.Size(); ++i) {
    const json::Object line = lines.GetObject(i);
    TTirGoodsExportsDOCFromJS entry;
    if (FindGoodByGUID(line.GetString("guid"), entry) == 0) break;
    entry.fQtty = line.GetNumber("qtty");
    entry.fSumIn = line.GetNumber("sum");
    list.push_back(std::move(entry));
  }
}

void TTirJSonLoader::GetGoodsQttyFromSPR(std::vector<TTirGoodsExportsDOCFromJS>& list) {
  list.clear();
  const json::Array goods = mJson.GetArray("goods");
  for (std::size_t i = 0; i < goods.Size(); ++i) {
    const json::Object item = goods.GetObject(i);
    TTirGoodsExportsDOCFromJS entry;
    if (FindGoodByGUID(item.GetString("guid"), entry) == 0) break;
    const long double qtty = item.GetNumber("qtty");
    entry.fQtty = qtty;
    entry.fSumIn = qtty * static_cast<long double>(item.GetNumber("pin"));
    if (IsFloatCMP(qtty, ">", 0)) list.push_back(std::move(entry));
  }
}

}  // namespace tir::importing
