#include "settings/profile_rows.h"

#include <stdexcept>

#include "db/query.h"
#include "settings/ini_settings.h"
#include "settings/settings_record.h"

namespace tir {

namespace {

struct TProfileSql {
  const char* select;
  const char* save;
};

TProfileSql SqlFor(int aPType) {
  switch (aPType) {
    case kProfileTypeInetShop:
      return {"SELECT * FROM tirSettings WHERE (fPStr50=:pGUID)AND(fMId=410)AND(fPType=-2);",
              "DELETE FROM  [tirSettings]  WHERE (fPStr50=:pGUID)AND(fMId=410)AND(fPType=-2);"
              "INSERT INTO [tirSettings] ([fPStr50],[fMId],[fPType],[fPStr],[fPDate]) VALUES "
              "(:pGUID,410,-2,:pStr,:pDate);"};
    case kProfileTypeDataExOut:
      return {"SELECT * FROM tirSettings WHERE (fPStr50=:pGUID)AND(fMId=410)AND(fPType=-3);",
              "DELETE FROM  [tirSettings]  WHERE (fPStr50=:pGUID)AND(fMId=410)AND(fPType=-3);"
              "INSERT INTO [tirSettings] ([fPStr50],[fMId],[fPType],[fPStr],[fPDate]) VALUES "
              "(:pGUID,410,-3,:pStr,:pDate);"};
    default:
      throw std::invalid_argument("Unknown profile kind " + std::to_string(aPType));
  }
}

}  // namespace

std::string gGetBaseGUIDCode() { return ReadIniSettingsSectionAndParam("MAIN", "GUIDCODE", 'N'); }

std::vector<TProfileRow> LoadProfileRows(db::Connection& aConnection, const std::string& aGUIDCode,
                                         int aPType) {
  db::Query query(aConnection);
  query.SetSql(SqlFor(aPType).select);
  query.ParamByName("pGUID").SetText(aGUIDCode);
  query.Open();
  std::vector<TProfileRow> rows;
  for (; !query.Eof(); query.Next()) {
    TProfileRow row;
    row.fId = query.FieldByName("fId").AsInt32();
    row.fPStr = query.FieldByName("fPStr").AsText();
    row.fPDate =
        query.FieldByName("fPDate").IsNull() ? 0.0 : query.FieldByName("fPDate").AsDateTime();
    rows.push_back(std::move(row));
  }
  query.Close();
  return rows;
}

void SaveProfileRow(db::Connection& aConnection, const std::string& aGUIDCode, int aPType,
                    const std::string& aStr) {
  db::Query query(aConnection);
  query.SetSql(SqlFor(aPType).save);
  query.ParamByName("pGUID").SetText(aGUIDCode);
  query.ParamByName("pStr").SetText(aStr);
  query.ParamByName("pDate").SetDateTime(0.0);
  // The delete and the insert stand or fall together.
  const bool ownTransaction = !aConnection.InTransaction();
  if (ownTransaction) aConnection.StartTransaction();
  try {
    query.ExecSql();
    if (ownTransaction) aConnection.Commit();
  } catch (...) {
    if (ownTransaction) aConnection.Rollback();
    throw;
  }
}

TProfileRow LoadProfile(db::Connection& aConnection, const std::string& aGUIDCode, int aPType,
                        TSettingsRecord& aProfile) {
  const std::vector<TProfileRow> rows = LoadProfileRows(aConnection, aGUIDCode, aPType);
  if (rows.empty()) return TProfileRow{};
  aProfile.ReadFromStr(rows.front().fPStr);
  return rows.front();
}

void SaveProfile(db::Connection& aConnection, const std::string& aGUIDCode, int aPType,
                 TSettingsRecord& aProfile) {
  SaveProfileRow(aConnection, aGUIDCode, aPType, aProfile.SaveToStr());
}

}  // namespace tir
