#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/query.h"
#include "json/json_object.h"
#include "tree/tree_types.h"

namespace tir::db {
class Connection;
}

namespace tir::importing {

// One goods line of the universal loader handed to the caller: the goods row found by GUID with
// the line's quantity and sum. (The exchange loader's line is TGoodsExportsDOCFromJS; this one is
// a plain record: it never leaves the module, so it has no binary layout to keep.)
struct TTirGoodsExportsDOCFromJS {
  std::int32_t fID = 0;
  std::string fCode;
  std::string fBarCode;
  std::string fUnitType;
  std::string fName;
  long double fQtty = 0;
  long double fSumIn = 0;
  long double fPriceOut = 0;
  std::int32_t fVAT = 0;
};

// The universal JSON loader: reads a file written by the universal builder back into a base. The
// goods group tree and the goods catalog are written (every known goods column is overwritten,
// rows matched by GUID); document lines and stock quantities are handed to the caller.
//
// The loader opens no transaction: run it inside one to have a whole file written or nothing.
// Database errors raise tir::db::DbError; a tree operation that fails is counted in Written() and
// the load goes on; a new goods item whose "guid" is no GUID raises EConvertError.
class TTirJSonLoader {
 public:
  // Binds the queries to the host's connection (gAppPackParams.fFDConnect).
  TTirJSonLoader();
  explicit TTirJSonLoader(db::Connection& connection);

  // Loads and checks a file; true when it is accepted. A file that cannot be read or parsed,
  // whose "info" lacks a positive "ver", a base GUID "sourceID" or the "jsondocdate" of the
  // universal export, or whose members are not laid out as that export writes them (arrays of the
  // known sections; goods and groups objects with "guid" and "name" texts), leaves the loader
  // empty and every later operation without effect; LastError() says why.
  bool LoadFromFile(const std::string& file);
  bool IsLoaded() const { return mJson.Size() > 0; }
  const std::string& LastError() const { return mError; }
  std::int32_t Ver() const { return mVer; }
  const std::string& SourceID() const { return mSourceID; }

  // Writes the group tree of the array `key` into the nested-set table `table`.
  void AddGroupsToBase(const std::string& table, const std::string& key);
  // Writes "goodsgroups" and "goods", then tells the host that goods changed. Always false.
  bool AddGoodsToBase();

  // The id of the row of `table` with the GUID of a 36-character text; 0 when there is none.
  std::int64_t FindIdByGUID(const std::string& table, const std::string& guid);
  // The goods row with that GUID: fills `entry` and gives its id; 0 when there is none.
  std::int64_t FindGoodByGUID(const std::string& guid, TTirGoodsExportsDOCFromJS& entry);

  // The lines of the file's first document, up to the first line whose goods is not in the base.
  void GetDocGoods(std::vector<TTirGoodsExportsDOCFromJS>& list);
  // The goods of the file with a positive quantity ("qtty", sum = qtty * "pin"), up to the first
  // goods that is not in the base.
  void GetGoodsQttyFromSPR(std::vector<TTirGoodsExportsDOCFromJS>& list);

  // What the last AddGoodsToBase / AddGroupsToBase wrote.
  struct Counts {
    std::int64_t groupsAdded = 0;
    std::int64_t groupsUpdated = 0;
    std::int64_t goodsAdded = 0;
    std::int64_t goodsUpdated = 0;
    std::int64_t treeFailures = 0;          // tree operations that reported a failure
    std::vector<std::string> treeMessages;  // the first few of them, with the group's name
  };
  const Counts& Written() const { return mCounts; }

 private:
  // The pair of a GUID text of exactly 36 characters; false for any other text, for a text that
  // is not a GUID and for the all-zero GUID (the pair of a row that has none).
  static bool GuidPair(const std::string& text, std::int64_t& half1, std::int64_t& half2);
  void Empty(const std::string& why);
  static constexpr std::size_t kNamedTreeFailures = 5;
  // Counts a failed tree operation (naming the first few); true when it succeeded.
  bool Note(const tree::TFuncR& result, const std::string& what);
  int AddGroupNode(const std::string& table, const json::Object& node, int parentId, bool moves);
  std::int64_t GroupIdOf(const std::string& guid,
                         std::unordered_map<std::string, std::int64_t>& known);
  void TellHostGoodsChanged();

  db::Query FDQuery1;      // writes and tree operations
  db::Query FDQuery2;      // look-ups
  db::Query mUpdateQuery;  // goods updates, kept prepared beside the inserts of FDQuery1
  json::Object mJson;
  std::int32_t mVer = 0;
  std::string mSourceID;
  std::string mError;
  Counts mCounts;
};

}  // namespace tir::importing
