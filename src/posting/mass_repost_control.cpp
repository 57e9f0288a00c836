// The mass re-posting control row in tirSettings (fMId 170, fPType -48): fPI 1 while a run is
// active, fPDate the holder's last sign of life (database time), fUserId and fPStr50 the holder,
// fPStr the date the run re-posts from. A holder silent for 15 minutes counts as gone.
#include <string>

#include "db/db_error.h"
#include "db/query.h"
#include "frame/app_globals.h"
#include "posting/iso8601_dates.h"
#include "posting/main_provodka.h"
#include "settings/guid_forms.h"

namespace tir::posting {

namespace {
constexpr const char* kControlStaleMinutes = "15";

void BindControlRow(db::Query& q) {
  q.ParamByName("pMId").SetInt32(kKeyMassRepostControl.fMId);
  q.ParamByName("pPType").SetInt32(kKeyMassRepostControl.fPType);
}
}  // namespace

bool TDMMainProvodka::TryBeginMassRepostControl(double ADateFrom) {
  auto q = NewQuery();
  if (IsMSSQL()) {
    q->SetSql(
        "INSERT INTO tirSettings (fMId,fPType,fPI,fPDate,fUserId,fPStr50,fPStr) SELECT "
        ":pMId,:pPType,0,NULL,0,'','' WHERE NOT EXISTS (  SELECT 1   FROM tirSettings WITH "
        "(UPDLOCK,HOLDLOCK)   WHERE fMId=:pMId AND fPType=:pPType);");
  } else {
    q->SetSql(
        "INSERT INTO tirSettings (fMId,fPType,fPI,fPDate,fUserId,fPStr50,fPStr) SELECT "
        ":pMId,:pPType,0,NULL,0,'','' WHERE NOT EXISTS (  SELECT 1 FROM tirSettings   WHERE "
        "fMId=:pMId AND fPType=:pPType);");
  }
  BindControlRow(*q);
  q->ExecSql();

  q->SetSql("SELECT COUNT(*) AS fCount FROM tirSettings WHERE fMId=:pMId AND fPType=:pPType;");
  BindControlRow(*q);
  q->Open();
  const std::int64_t count = q->FieldByName("fCount").AsInt64();
  q->Close();
  if (count != 1) {
    throw db::DbError(
        "У tirSettings знайдено декілька службових записів для перепроведення (fMId=170, "
        "fPType=-48).");
  }

  mMassRepostOwner = GUIDToString(CreateGUID());
  if (IsMSSQL()) {
    q->SetSql(std::string("UPDATE tirSettings SET fPI=1, fPDate=CURRENT_TIMESTAMP, "
                          "fUserId=:pUserId, fPStr50=:pOwner, fPStr=:pDateFrom WHERE fMId=:pMId "
                          "AND fPType=:pPType AND (  fPI=0 OR   fPDate IS NULL OR   "
                          "fPDate<DATEADD(MINUTE,-") +
              kControlStaleMinutes + ",CURRENT_TIMESTAMP)" + ");");
  } else {
    q->SetSql(std::string("UPDATE tirSettings SET fPI=1, fPDate=CURRENT_TIMESTAMP, "
                          "fUserId=:pUserId, fPStr50=:pOwner, fPStr=:pDateFrom WHERE fMId=:pMId "
                          "AND fPType=:pPType AND (  fPI=0 OR   fPDate IS NULL OR   "
                          "fPDate<datetime(    CURRENT_TIMESTAMP,'-") +
              kControlStaleMinutes + " minutes'" + "  )" + ");");
  }
  BindControlRow(*q);
  q->ParamByName("pUserId").SetInt64(frame::gAppParams.fUserID);
  q->ParamByName("pOwner").SetText(mMassRepostOwner);
  q->ParamByName("pDateFrom").SetText(DateToISO8601(ADateFrom));
  const bool taken = q->ExecSql() == 1;
  if (!taken) mMassRepostOwner.clear();
  return taken;
}

void TDMMainProvodka::SetMassRepostControl(bool AActive, double ADateFrom) {
  if (AActive) {
    if (!TryBeginMassRepostControl(ADateFrom)) {
      throw db::DbError("Перепроведення вже виконується іншим користувачем.");
    }
    return;
  }
  if (mMassRepostOwner.empty()) return;
  auto q = NewQuery();
  q->SetSql(
      "UPDATE tirSettings SET fPI=0, fPDate=NULL, fUserId=0, fPStr50='', fPStr='' WHERE "
      "fMId=:pMId AND fPType=:pPType AND fPStr50=:pOwner;");
  BindControlRow(*q);
  q->ParamByName("pOwner").SetText(mMassRepostOwner);
  q->ExecSql();
  mMassRepostOwner.clear();
}

void TDMMainProvodka::TouchMassRepostControl() {
  if (mMassRepostOwner.empty()) {
    throw db::DbError("Не задано власника масового перепроведення.");
  }
  auto q = NewQuery();
  q->SetSql(
      "UPDATE tirSettings SET fPDate=CURRENT_TIMESTAMP WHERE fMId=:pMId AND fPType=:pPType AND "
      "fPI=1 AND fPStr50=:pOwner;");
  BindControlRow(*q);
  q->ParamByName("pOwner").SetText(mMassRepostOwner);
  if (q->ExecSql() != 1) {
    throw db::DbError("Втрачено право на виконання масового перепроведення.");
  }
}

namespace {

// The live holder's row, selecting `column`.
std::string LiveControlSql(bool mssql, const char* column) {
  if (mssql) {
    return std::string("SELECT TOP 1 ") + column +
           " FROM tirSettings WHERE fMId=:pMId AND fPType=:pPType AND fPI=1 AND fPDate IS NOT "
           "NULL AND fPDate>=DATEADD(MINUTE,-" +
           kControlStaleMinutes + ",CURRENT_TIMESTAMP);";
  }
  return std::string("SELECT ") + column +
         " FROM tirSettings WHERE fMId=:pMId AND fPType=:pPType AND fPI=1 AND fPDate IS NOT "
         "NULL AND fPDate>=datetime(CURRENT_TIMESTAMP,'-" +
         kControlStaleMinutes + " minutes') LIMIT 1;";
}

// Opens the live holder's row, selecting `column`; true when one came back.
bool OpenLiveControl(db::Query& q, bool mssql, const char* column) {
  q.SetSql(LiveControlSql(mssql, column));
  BindControlRow(q);
  q.Open();
  return !q.Eof();
}

}  // namespace

bool TDMMainProvodka::IsMassRepostControlActive() {
  // Asked before every document posted one by one: the query stays prepared.
  db::Query& q = Kept(LiveControlSql(IsMSSQL(), "fPI"));
  BindControlRow(q);
  q.Open();
  const bool active = !q.Eof();
  q.Close();
  return active;
}

double TDMMainProvodka::MassRepostControlDateFrom() {
  auto q = NewQuery();
  double result = 0;
  if (OpenLiveControl(*q, IsMSSQL(), "fPStr")) {
    const std::string text =
        q->FieldByName("fPStr").IsNull() ? "" : q->FieldByName("fPStr").AsText();
    if (!text.empty()) result = ISO8601ToDate(text).value_or(0);
  }
  q->Close();
  return result;
}

}  // namespace tir::posting
