// Users with their scrambled members, access lists and rights, and the user-rights groups.
#include "import/json_loader_users.h"
#include "import/json_loader_catalog_rows.h"
#include "settings/tir_codes.h"

namespace tir::import {
namespace {

using TR = TRead;

// Access lists live in tirSettings under fMId 50 of the user.
constexpr int kStoresType = kKeyAccessStores.fPType, kEntitiesType = kKeyAccessEntities.fPType,
              kSalePointsType = kKeyAccessSalePoints.fPType;

std::vector<TUsersRights> ReadRights(const JValue& array, const TWhere& w) {
  std::vector<TUsersRights> rights;
  ForEachObject(array, "rights", [&](const JValue& obj, std::size_t index) {
    TUsersRights r;
    for (const auto& m : obj.GetObject()) {
      if (m.value.IsNull()) continue;
      const std::string_view key = KeyOf(m);
      const TWhere at{w.array, w.index, key};
      (void)index;
      if (key == "mid")
        r.fMid = ReadInt(m.value, at);
      else if (key == "pb")
        r.fPB = ReadInt64(m.value, at);
      else if (key == "pi")
        r.fPI = ReadInt64(m.value, at);
    }
    if (r.fMid != 0) rights.push_back(r);
    return true;
  });
  return rights;
}

std::vector<TUsersRights> StoredRights(db::Query& q, std::int64_t owner) {
  q.ParamByName("pUserId").SetInt64(owner);
  q.Open();
  std::vector<TUsersRights> rights;
  for (; !q.Eof(); q.Next()) {
    rights.push_back({q.FieldByName("fPB").AsInt64(), q.FieldByName("fPI").AsInt64(),
                      q.FieldByName("fMid").AsInt32()});
  }
  q.Close();
  return rights;
}

bool SameRights(const std::vector<TUsersRights>& a, const std::vector<TUsersRights>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].fMid != b[i].fMid || a[i].fPB != b[i].fPB || a[i].fPI != b[i].fPI) return false;
  }
  return true;
}

std::string RightsSelect(int pType) {
  return "SELECT fPB, fPI, fMid   FROM  tirSettings  WHERE ([fPType]=" + std::to_string(pType) +
         ") AND (fUserId=:pUserId);";
}

}  // namespace

std::vector<TUsersRights> TUserLists::Rights(TCatalogWriter& w, int pType, std::int64_t owner) {
  return StoredRights(w.Cached(RightsSelect(pType)), owner);
}

void TUserLists::SyncRights(TCatalogWriter& w, int pType, std::int64_t owner,
                            const std::vector<TUsersRights>& incoming) {
  const std::vector<TUsersRights> stored = Rights(w, pType, owner);
  const std::string type = std::to_string(pType);
  std::string kept = "-1", rows;
  for (const TUsersRights& r : incoming) {
    bool same = false;
    for (const TUsersRights& s : stored)
      same = same || (s.fMid == r.fMid && s.fPB == r.fPB && s.fPI == r.fPI);
    if (same) {
      kept += "," + std::to_string(r.fMid);
      continue;
    }
    if (!rows.empty()) rows += ",";
    rows += " (" + std::to_string(r.fMid) + ",:pId" + "," + type + "," + std::to_string(r.fPB) +
            (r.fPI != 0 ? ",CAST(" + std::to_string(r.fPI) + " AS bigint)"
                        : "," + std::to_string(r.fPI)) +
            ")";
  }
  db::Query& del = w.OneOff("DELETE FROM tirSettings WHERE ([fUserId]=:pId)AND([fPType]=" + type +
                            ")AND(NOT (fMid IN (" + kept + ")));");
  del.ParamByName("pId").SetInt64(owner);
  del.ExecSql();
  if (rows.empty()) return;
  db::Query& ins =
      w.Cached("INSERT INTO [tirSettings]  ([fMId] ,[fUserId] ,[fPType] ,[fPB] ,[fPI]) VALUES " +
               rows + ";");
  ins.ParamByName("pId").SetInt64(owner);
  ins.ExecSql();
}

void gSetStoreEntIds(db::Query& q, std::int64_t pUserId, const std::string& pStores,
                     const std::string& pEntities) {
  const std::string id = std::to_string(pUserId);
  q.Close();
  q.SetSql("DELETE {IF SQLite}FROM{fi} " + std::string(" tirSettings WHERE (fUserId = ") + id +
           ")AND(fMId=50)AND((fPType=10250)OR(fPType=10260));"
           "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPStr)  VALUES (0," +
           id +
           ",50 ,10250, 0,0, :pStr1);"
           "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPStr)  VALUES (0," +
           id + ",50 ,10260, 0,0, :pStr2);");
  q.ParamByName("pStr1").SetText(pStores);
  q.ParamByName("pStr2").SetText(pEntities);
  q.ExecSql();
}

void gGetStoreEntIds(db::Query& q, std::int64_t pUserId, std::string& pStores,
                     std::string& pEntities) {
  std::string salePoints;
  TUserLists::ReadLists(q, pUserId, pStores, pEntities, salePoints);
}

void gSetSalesPIds(db::Query& q, std::int64_t pUserId, const std::string& pSalePoints) {
  const std::string id = std::to_string(pUserId);
  q.Close();
  q.SetSql("DELETE {IF SQLite}FROM{fi} " + std::string(" tirSettings WHERE (fUserId = ") + id +
           ")AND(fMId=50)AND(fPType=10270);"
           "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPStr)  VALUES (0," +
           id + ",50 ,10270, 0,0, :pStr1);");
  q.ParamByName("pStr1").SetText(pSalePoints);
  q.ExecSql();
}

std::string gGetSalesPIds(db::Query& q, std::int64_t pUserId) {
  std::string stores, entities, salePoints;
  TUserLists::ReadLists(q, pUserId, stores, entities, salePoints);
  return salePoints;
}

void TUserLists::ReadLists(db::Query& q, std::int64_t pUserId, std::string& pStores,
                           std::string& pEntities, std::string& pSalePoints) {
  pStores.clear();
  pEntities.clear();
  pSalePoints.clear();
  q.Close();
  q.SetSql("SELECT fPType, fPStr FROM tirSettings WHERE (fUserId = :pUserId)AND(fMId=50);");
  q.ParamByName("pUserId").SetInt64(pUserId);
  q.Open();
  for (; !q.Eof(); q.Next()) {
    const int type = q.FieldByName("fPType").AsInt32();
    const std::string text = q.FieldByName("fPStr").AsText();
    if (type == kStoresType) pStores = text;
    if (type == kEntitiesType) pEntities = text;
    if (type == kSalePointsType) pSalePoints = text;
  }
  q.Close();
}

void TDMJsonLoader::AddOrUpdateUsers() {
  using R = TUserInfo;
  if (ifExitNOW()) return;
  const TCatalog<R> c{
      "users",
      "users",
      "usersgroups",
      "tirUsers",
      TMatch::kGuidOrId,
      true,
      TStamp::kMainSPR,
      {{"lid", nullptr, &R::fId, TR::kInt64},
       {"code02", "fCode", &R::fCode, TR::kScrambled},
       {"name02", "fName", &R::fName, TR::kScrambled},
       {"namefull02", "fNamePrint", &R::fNamePrint, TR::kScrambled},
       {"state02", "fState", &R::fState, TR::kScrambledInt},
       {"p102", "fPassword", &R::fPass1, TR::kScrambled},
       {"p202", "fPassword2", &R::fPass2, TR::kScrambled},
       {"card02", "fCardNumber", &R::fCard, TR::kScrambled},
       {nullptr, "fGroupID", &R::fGroupID, TR::kInt64},
       {"accesssalep", nullptr, &R::fAccesssalep, TR::kInt},
       {"accessstores", nullptr, &R::fAccessstores, TR::kInt},
       {"accessentities", nullptr, &R::fAccessentities, TR::kInt}},
      {TRef<R>{"group", "tirUsersGroups", &R::fGroupGUID, &R::fGroupID, "fGroupID", "fGG"}}};
  // The group tree comes first, then the rights groups, then the users.
  CreateTreeGroups("usersgroups", "tirUsersGroups");
  AddOrUpdateUsersGroupsRights();
  TCatalog<R> rows = c;
  rows.groupKey = nullptr;

  TCatalogWriter w(*this);
  // A list the user object does not carry is an empty list: a restriction lifted at the source
  // is lifted here too, and an absent rights list removes the user's rights.
  std::string stores, entities, salePoints;
  std::vector<TUsersRights> rights;
  THooks<R> hooks;
  hooks.beginRow = [&] {
    stores.clear();
    entities.clear();
    salePoints.clear();
    rights.clear();
  };
  const auto idList = [&](const JValue& array, const char* table, const TWhere& where) {
    std::string text = "0,";
    ForEachObject(array, where.array, [&](const JValue& obj, std::size_t) {
      for (const auto& m : obj.GetObject()) {
        if (m.value.IsNull() || KeyOf(m) != "guid") continue;
        TJSGIUD g;
        ReadGuid(m.value, where, g, mReport);
        const std::int64_t id = FindIdByGUID(table, g);
        if (id != 0)
          text += std::to_string(id) + ",";
        else if (!g.isEmpty())
          mReport.Missing(TLoadNoteKind::kUserRefNotFound,
                          {where.Text(), gGetGUIDSTR(g.fGUID1, g.fGUID2), table});
      }
      return true;
    });
    return text;
  };
  hooks.member = [&](const JValue::Member& m, const TWhere& where) {
    const std::string_view key = KeyOf(m);
    if (key == "accessstoresids")
      stores = idList(m.value, "tirStores", where);
    else if (key == "accessentitiesids")
      entities = idList(m.value, "tirEntities", where);
    else if (key == "accesssalepids")
      salePoints = ReadText(m.value, where);
    else if (key == "rights")
      rights = ReadRights(m.value, where);
    else
      return false;
    return true;
  };
  // The access switches have no column: a stored switch is on when its stored list is not
  // empty, as the export derives it.
  std::string s, e, p;
  hooks.storedExtra = [&](std::int64_t id, R& st) {
    TUserLists::ReadLists(*FDQuery2, id, s, e, p);
    st.fAccesssalep.uSetValue(p.empty() ? 0 : 1);
    st.fAccessstores.uSetValue(s.empty() ? 0 : 1);
    st.fAccessentities.uSetValue(e.empty() ? 0 : 1);
  };
  hooks.identExtra = [&](std::int64_t id) {
    return stores == s && entities == e && salePoints == p &&
           SameRights(rights, TUserLists::Rights(w, kRightsOfUser, id));
  };
  hooks.afterWrite = [&](std::int64_t id) {
    if (id == 0) return;
    gSetStoreEntIds(*FDQuery2, id, stores, entities);
    gSetSalesPIds(*FDQuery2, id, salePoints);
    TUserLists::SyncRights(w, kRightsOfUser, id, rights);
  };
  w.Run(rows, hooks);
}

void TDMJsonLoader::AddOrUpdateUsersGroupsRights() {
  for (const TTopValue* array : FindAllTop(JSONResp.get(), "usersgroupsrights")) {
    if (ifExitNOW()) return;
    LoadRightsGroups(*array);
  }
}

void TDMJsonLoader::LoadRightsGroups(const TTopValue& pArray) {
  TLoadKindCounts& report = mReport.Kind("usersgroupsrights");
  TCatalogWriter w(*this);
  TRightGRoupInfo in, stored;
  ForEachObject(*JSONResp, pArray, "usersgroupsrights", [&](const JValue& obj, std::size_t index) {
    in.Clear();
    stored.Clear();
    std::vector<TUsersRights> rights;  // absent: none
    for (const auto& m : obj.GetObject()) {
      if (m.value.IsNull()) continue;
      const std::string_view key = KeyOf(m);
      const TWhere at{"usersgroupsrights", index, key};
      if (key == "guid")
        ReadGuid(m.value, at, in.fGUID, mReport);
      else if (key == "name")
        in.fName.uSetValue(ReadWide(m.value, at));
      else if (key == "lid")
        in.fId.uSetValue(ReadInt64(m.value, at));
      else if (key == "state")
        in.fState.uSetValue(ReadInt(m.value, at));
      else if (key == "base")
        in.fBase.uSetValue(ReadInt(m.value, at));
      else if (key == "rights")
        rights = ReadRights(m.value, at);
    }
    // A group without a GUID is dropped like any catalog row: its id alone is the sender's
    // numbering and would overwrite the rights of whatever group has that id here.
    if (in.fGUID.isEmpty()) {
      SkipRow(mReport, report, TWhere{"usersgroupsrights", index, {}});
      return true;
    }
    // FindRightGroupByID
    std::int64_t id = 0;
    if (in.fId.rawValue > 0) {
      db::Query& q = w.OneOff("SELECT t1.*  FROM tirUsersRG t1  WHERE (t1.fId=" +
                              std::to_string(in.fId.rawValue) + ");");
      q.Open();
      if (!q.Eof()) {
        id = q.FieldByName("fId").AsInt64();
        if (!q.FieldByName("fName").IsNull())
          stored.fName.uSetValue(q.FieldByName("fName").AsWideText());
        if (!q.FieldByName("fState").IsNull())
          stored.fState.uSetValue(q.FieldByName("fState").AsInt32());
        if (!q.FieldByName("fBase").IsNull())
          stored.fBase.uSetValue(q.FieldByName("fBase").AsInt32());
      }
    }
    if (id != 0 && stored.IsIdent_TestOnlySet(in) &&
        SameRights(rights, TUserLists::Rights(w, kRightsOfGroup, id))) {
      ++report.identical;
      return true;
    }
    std::string set, cols, vals;
    const auto add = [&](bool isSet, const char* column, const char* param) {
      if (!isSet) return;
      set += std::string(",[") + column + "]=:" + param;
      cols += std::string(",[") + column + "]";
      vals += std::string(",:") + param;
    };
    add(in.fName.isSet, "fName", "pName");
    add(in.fState.isSet, "fState", "pState");
    add(in.fBase.isSet, "fBase", "pBase");
    const bool withId = id == 0 && in.fId.rawValue > 0;
    std::string sql;
    if (id != 0) {
      if (!set.empty())
        sql = "UPDATE tirUsersRG SET " + set.substr(1) + " WHERE fId=" + std::to_string(id) + ";";
    } else if (withId) {
      sql = "INSERT INTO tirUsersRG ([fId]" + cols + ") VALUES (:pId" + vals + ");";
    } else {
      sql = cols.empty() ? "INSERT INTO tirUsersRG DEFAULT VALUES;"
                         : "INSERT INTO tirUsersRG (" + cols.substr(1) + ") VALUES (" +
                               vals.substr(1) + ");";
    }
    if (!sql.empty()) {
      if (withId) w.Cached("{IF MSSQL}SET IDENTITY_INSERT [tirUsersRG] ON{fi}").ExecSql();
      db::Query& q = id != 0 ? w.OneOff(sql) : w.Cached(sql);
      if (in.fName.isSet) q.ParamByName("pName").SetWideText(in.fName.rawValue);
      if (in.fState.isSet) q.ParamByName("pState").SetInt32(in.fState.rawValue);
      if (in.fBase.isSet) q.ParamByName("pBase").SetInt32(in.fBase.rawValue);
      if (withId) q.ParamByName("pId").SetInt64(in.fId.rawValue);
      q.ExecSql();
      if (withId) w.Cached("{IF MSSQL}SET IDENTITY_INSERT [tirUsersRG] OFF{fi}").ExecSql();
    }
    if (id == 0) {
      id = withId ? in.fId.rawValue : TUserLists::LastId(w);
      ++report.inserted;
    } else {
      ++report.updated;
    }
    TUserLists::SyncRights(w, kRightsOfGroup, id, rights);
    w.Stamp(TStamp::kMainSPR);
    return !ifExitNOW();
  });
}

std::int64_t TUserLists::LastId(TCatalogWriter& w) {
  db::Query& q = w.Cached("SELECT SCOPE_IDENTITY() as LastID;");
  q.Open();
  return q.Eof() ? 0 : q.FieldByIndex(0).AsInt64();
}

}  // namespace tir::import
