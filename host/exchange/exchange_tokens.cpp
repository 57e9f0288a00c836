#include "host/exchange/exchange_tokens.h"

#include <random>

#include "db/connection.h"
#include "db/query.h"
#include "host/exchange/exchange_exec.h"
#include "settings/tir_codes.h"

namespace tir::exchange {

namespace {
void BindTokenKey(db::Query& q) {
  q.ParamByName("pMId").SetInt32(kKeyTokenProfile.fMId);
  q.ParamByName("pPType").SetInt32(kKeyTokenProfile.fPType);
}
}  // namespace

std::vector<TStoredToken> LoadTokens(db::Connection& pConnection) {
  db::Query q(pConnection);
  q.SetSql(
      "SELECT fId, fPStr FROM tirSettings WHERE (fMId=:pMId)AND(fPType=:pPType) ORDER BY fId;");
  BindTokenKey(q);
  q.Open();
  std::vector<TStoredToken> tokens;
  for (; !q.Eof(); q.Next()) {
    TStoredToken row;
    row.fId = q.FieldByIndex(0).AsInt64();
    row.token.ReadFromStr(q.FieldByIndex(1).AsText());
    tokens.push_back(std::move(row));
  }
  return tokens;
}

void SaveToken(db::Connection& pConnection, TTirTokenOne& pToken) {
  db::Query q(pConnection);
  q.SetSql(
      "DELETE FROM tirSettings WHERE (fMId=:pMId)AND(fPType=:pPType)AND(fPStr50=:pName);"
      "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPStr50, fPStr, fPDate) "
      "VALUES (0, 0, :pMId, :pPType, 0, 0, :pName, :pStr, 0);");
  BindTokenKey(q);
  q.ParamByName("pName").SetText(pToken.mName);
  q.ParamByName("pStr").SetText(pToken.SaveToStr());
  ExecAtomically(pConnection, q);
}

std::optional<TTirTokenOne> FindToken(db::Connection& pConnection, const std::string& pValue) {
  if (pValue.empty()) return std::nullopt;
  for (TStoredToken& row : LoadTokens(pConnection)) {
    if (row.token.mToken == pValue) return row.token;
  }
  return std::nullopt;
}

TPeerRights LoadPeerRights(db::Connection& pConnection, const std::string& pName) {
  db::Query q(pConnection);
  q.SetSql("SELECT fUsers, fReadOnly FROM tirxPeers WHERE fName=:pName;");
  q.ParamByName("pName").SetText(pName);
  q.Open();
  TPeerRights rights;
  if (!q.Eof()) {
    rights.users = q.FieldByIndex(0).AsInt64() != 0;
    rights.readOnly = q.FieldByIndex(1).AsInt64() != 0;
  }
  q.Close();
  db::Query admin(pConnection);
  admin.SetSql("SELECT COUNT(*) FROM tirxAdmins WHERE fName=:pName;");
  admin.ParamByName("pName").SetText(pName);
  admin.Open();
  rights.admin = admin.FieldByIndex(0).AsInt64() != 0;
  return rights;
}

void SavePeerRights(db::Connection& pConnection, const std::string& pName,
                    const TPeerRights& pRights) {
  db::Query q(pConnection);
  q.SetSql(
      "DELETE FROM tirxPeers WHERE fName=:pName;"
      "INSERT INTO tirxPeers (fName, fUsers, fReadOnly) VALUES (:pName, :pUsers, :pReadOnly);"
      "DELETE FROM tirxAdmins WHERE fName=:pName;" +
      std::string(pRights.admin ? "INSERT INTO tirxAdmins (fName) VALUES (:pName);" : ""));
  q.ParamByName("pName").SetText(pName);
  q.ParamByName("pUsers").SetInt64(pRights.users ? 1 : 0);
  q.ParamByName("pReadOnly").SetInt64(pRights.readOnly ? 1 : 0);
  ExecAtomically(pConnection, q);
}

std::string ScopeInWords(const TTirTokenOne& pToken, const TPeerRights& pRights) {
  if (pRights.admin) return "administers the service: status pages only, no data";
  const auto list = [](const std::string& ids, const char* what) {
    return ids.empty() ? std::string("every ") + what : std::string(what) + " " + ids;
  };
  return "reads documents of " + list(pToken.m1_mStoreIds, "store") + ", " +
         list(pToken.m1_mEntIds, "entity") + ", " + list(pToken.m1_mDocTypeIds, "type") + "; " +
         (pRights.users ? "with" : "without") + " users and rights; " +
         (pRights.readOnly ? "writes nothing" : "may write documents of that scope");
}

std::string NewTokenValue() {
  std::random_device device;
  std::uniform_int_distribution<int> digit(0, 15);
  std::string value(32, '0');
  for (char& c : value) c = "0123456789abcdef"[digit(device)];
  return value;
}

}  // namespace tir::exchange
