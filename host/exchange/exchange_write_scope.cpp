#include "host/exchange/exchange_write_scope.h"

#include <rapidjson/document.h>

#include <sstream>

#include "db/connection.h"
#include "db/query.h"
#include "db/sql_text.h"
#include "settings/guid_forms.h"

namespace tir::exchange {
namespace {

// An id list of a token as a set; empty when the list does not limit.
std::vector<std::int64_t> ListIds(const std::string& list, const char* name) {
  if (!db::IsValidIdList(list))
    throw std::invalid_argument(std::string("Invalid id list in the token's ") + name + ": \"" +
                                list + "\"");
  std::vector<std::int64_t> ids;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');) {
    if (!item.empty()) ids.push_back(std::stoll(item));
  }
  return ids;
}

bool Allows(const std::vector<std::int64_t>& list, std::int64_t id) {
  if (list.empty()) return true;
  for (const std::int64_t allowed : list) {
    if (allowed == id) return true;
  }
  return false;
}

std::string Text(const rapidjson::Value& object, const char* key) {
  if (!object.IsObject() || !object.HasMember(key) || !object[key].IsString()) return "";
  return object[key].GetString();
}

std::int64_t Integer(const rapidjson::Value& object, const char* key, std::int64_t absent) {
  if (!object.IsObject() || !object.HasMember(key)) return absent;
  const rapidjson::Value& v = object[key];
  if (v.IsInt64()) return v.GetInt64();
  if (v.IsString()) {
    try {
      return std::stoll(v.GetString());
    } catch (const std::exception&) {
      return absent;
    }
  }
  return absent;
}

// Where a document lies: its stores, entity and type.
struct TPlace {
  std::int64_t store = 0, store2 = 0, entity = 0, type = 0;
};

class ScopeCheck {
 public:
  ScopeCheck(db::Connection& connection, const TTirTokenOne& token)
      : mConnection(connection),
        mStores(ListIds(token.m1_mStoreIds, "store list")),
        mEntities(ListIds(token.m1_mEntIds, "entity list")),
        mTypes(ListIds(token.m1_mDocTypeIds, "document type list")) {}

  // Why a document at pPlace lies outside the scope; empty when it lies inside.
  std::string Outside(const TPlace& place) const {
    if (!mStores.empty() && !Allows(mStores, place.store) && !Allows(mStores, place.store2))
      return "its store is not one of the token's stores";
    if (!Allows(mEntities, place.entity)) return "its entity is not one of the token's entities";
    if (!Allows(mTypes, place.type)) return "its type is not one of the token's document types";
    return "";
  }

  // The id of the row of pTable with this GUID text; 0 when none (or no GUID).
  std::int64_t IdOf(const char* table, const std::string& guidText) {
    TGUID guid;
    if (guidText.empty() || !TryStringToGUID(guidText, guid)) return 0;
    db::Query q(mConnection);
    q.SetSql(std::string("SELECT fId FROM ") + table + " WHERE fGUID1=:pG1 AND fGUID2=:pG2;");
    q.ParamByName("pG1").SetInt64(gGetGUID1(guid));
    q.ParamByName("pG2").SetInt64(gGetGUID2(guid));
    q.Open();
    return q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
  }

  // Where the base keeps document pId.
  std::optional<TPlace> Stored(std::int64_t id) {
    if (id == 0) return std::nullopt;
    db::Query q(mConnection);
    q.SetSql("SELECT fStoreId, fStoreId2, fEntityId, fDocType FROM tirDocuments WHERE fId=:pId;");
    q.ParamByName("pId").SetInt64(id);
    q.Open();
    if (q.Eof()) return std::nullopt;
    return TPlace{q.FieldByIndex(0).AsInt64(), q.FieldByIndex(1).AsInt64(),
                  q.FieldByIndex(2).AsInt64(), q.FieldByIndex(3).AsInt64()};
  }

  // The refusal for a document sent at pSent whose GUID is pGuid; none when both the sent place
  // and the place of the document the GUID already names lie in the scope.
  std::optional<TScopeRefusal> Check(const std::string& guid, const TPlace& sent) {
    if (const std::optional<TPlace> stored = Stored(IdOf("tirDocuments", guid))) {
      const std::string why = Outside(*stored);
      if (!why.empty())
        return TScopeRefusal{guid, "it names a document outside the token's scope: " + why};
    }
    const std::string why = Outside(sent);
    if (!why.empty()) return TScopeRefusal{guid, why};
    return std::nullopt;
  }

 private:
  db::Connection& mConnection;
  std::vector<std::int64_t> mStores, mEntities, mTypes;
};

}  // namespace

std::optional<TScopeRefusal> CheckWriteScope(db::Connection& pConnection,
                                             const TTirTokenOne& pToken, TRequestKind pKind,
                                             const std::string& pBody,
                                             std::vector<std::string>& pGuids) {
  pGuids.clear();
  rapidjson::Document json;
  json.Parse<rapidjson::kParseIterativeFlag>(pBody.c_str(), pBody.size());
  if (json.HasParseError() || !json.IsObject()) return std::nullopt;  // the loader says why
  ScopeCheck scope(pConnection, pToken);
  if (pKind == TRequestKind::kCookStatus) {
    if (!json.HasMember("ordercookdoc")) return std::nullopt;
    const std::int64_t id = Integer(json["ordercookdoc"], "lid", -1);
    if (const std::optional<TPlace> stored = scope.Stored(id)) {
      const std::string why = scope.Outside(*stored);
      if (!why.empty()) return TScopeRefusal{"", "document " + std::to_string(id) + ": " + why};
    }
    return std::nullopt;
  }
  if (!json.HasMember("docs") || !json["docs"].IsArray()) return std::nullopt;
  for (const rapidjson::Value& doc : json["docs"].GetArray()) {
    const std::string guid = Text(doc, "guid");
    if (!guid.empty()) pGuids.push_back(guid);
    TPlace sent;
    sent.type = Integer(doc, "type", 0);
    if (pKind == TRequestKind::kImportMobileOrders) {
      sent.store = pToken.m2_mStoreIDMapped;
      sent.entity = pToken.m2_mEntIDMapped;
    } else {
      sent.store = scope.IdOf("tirStores", Text(doc, "store"));
      sent.store2 = scope.IdOf("tirStores", Text(doc, "storeto"));
      sent.entity = scope.IdOf("tirEntities", Text(doc, "entity"));
    }
    if (auto refusal = scope.Check(guid, sent)) return refusal;
  }
  return std::nullopt;
}

std::vector<std::int64_t> DocIdsOf(db::Connection& pConnection,
                                   const std::vector<std::string>& pGuids) {
  ScopeCheck lookup(pConnection, TTirTokenOne());
  std::vector<std::int64_t> ids;
  for (const std::string& guid : pGuids) {
    if (const std::int64_t id = lookup.IdOf("tirDocuments", guid)) ids.push_back(id);
  }
  return ids;
}

}  // namespace tir::exchange
