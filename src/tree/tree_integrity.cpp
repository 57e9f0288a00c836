#include "tree/tree_integrity.h"

#include "db/db_error.h"
#include "db/unicode_case.h"
#include "tree/tree_sql.h"

namespace tir::tree {

bool TTreeCheckCounts::IsSound() const {
  return NodeCount > 0 && RootCount == 1 && BadBase == 0 && DupCl == 0 && DupCr == 0 &&
         BadParity == 0 && MaxFcr == ExpectedMax && ExpectedMax == DistinctVals && BadLevel == 0 &&
         RootNotFcl1 == 0;
}

TTreeCheckCounts ReadTreeCheckCounts(db::Query& aQuery, const std::string& aTable) {
  if (aQuery.Kind() == db::DbKind::kMSSQL) {
    aQuery.Close();
    aQuery.SetSql(
        "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; EXEC dbo.usp_Tree_CheckIntegrity "
        "@TableName=:tbl;");
    aQuery.ParamByName("tbl").SetWideText(db::Utf8ToUtf16(aTable));
  } else {
    detail::LoadTreeSql(
        aQuery,
        "SELECT  (SELECT COUNT(*) FROM &paramTblName) AS NodeCount,  (SELECT COUNT(*) FROM "
        "&paramTblName WHERE fclev=0) AS RootCount,  (SELECT COUNT(*) FROM &paramTblName WHERE "
        "fcl<=0 OR fcr<=0 OR fcl>=fcr OR fclev<0) AS BadBase,  (SELECT COUNT(*) FROM (SELECT fcl "
        "FROM &paramTblName GROUP BY fcl HAVING COUNT(*)>1) a) AS DupCl,  (SELECT COUNT(*) FROM "
        "(SELECT fcr FROM &paramTblName GROUP BY fcr HAVING COUNT(*)>1) a) AS DupCr,  (SELECT "
        "COUNT(*) FROM &paramTblName WHERE ((fcr - fcl) % 2)=0) AS BadParity,  (SELECT "
        "COALESCE(MAX(fcr),0) FROM &paramTblName) AS MaxFcr,  (SELECT 2*COUNT(*) FROM "
        "&paramTblName) AS ExpectedMax,  (SELECT COUNT(DISTINCT v) FROM (SELECT fcl AS v FROM "
        "&paramTblName UNION ALL SELECT fcr FROM &paramTblName) u) AS DistinctVals,  (SELECT "
        "COUNT(*) FROM (     SELECT g.fId     FROM &paramTblName g     WHERE g.fclev <> (       "
        "SELECT COUNT(*)-1 FROM &paramTblName p WHERE g.fcl BETWEEN p.fcl AND p.fcr     )  ) t) "
        "AS BadLevel,  (SELECT COUNT(*) FROM &paramTblName WHERE fclev=0 AND fcl<>1) AS "
        "RootNotFcl1;",
        aTable);
  }
  aQuery.Open();
  if (aQuery.Eof()) {
    aQuery.Close();
    throw db::DbError("Перевірка дерева не повернула результат.");
  }
  TTreeCheckCounts c;
  c.NodeCount = aQuery.FieldByName("NodeCount").AsInt64();
  c.RootCount = aQuery.FieldByName("RootCount").AsInt64();
  c.BadBase = aQuery.FieldByName("BadBase").AsInt64();
  c.DupCl = aQuery.FieldByName("DupCl").AsInt64();
  c.DupCr = aQuery.FieldByName("DupCr").AsInt64();
  c.BadParity = aQuery.FieldByName("BadParity").AsInt64();
  c.MaxFcr = aQuery.FieldByName("MaxFcr").AsInt64();
  c.ExpectedMax = aQuery.FieldByName("ExpectedMax").AsInt64();
  c.DistinctVals = aQuery.FieldByName("DistinctVals").AsInt64();
  c.BadLevel = aQuery.FieldByName("BadLevel").AsInt64();
  c.RootNotFcl1 = aQuery.FieldByName("RootNotFcl1").AsInt64();
  aQuery.Close();
  return c;
}

std::string TreeCheckReport(const TTreeCheckCounts& c) {
  using detail::FormatMessage;
  const std::string crlf = "\r\n";
  return "Перевірка дерева:" + crlf + FormatMessage("- Вузлів: %d", {c.NodeCount}) + crlf +
         FormatMessage("- Коренів (fclev=0): %d", {c.RootCount}) + crlf +
         FormatMessage("- Базові помилки (fcl<=0 / fcr<=0 / fcl>=fcr / fclev<0): %d", {c.BadBase}) +
         crlf + FormatMessage("- Дублікати fcl: %d", {c.DupCl}) + crlf +
         FormatMessage("- Дублікати fcr: %d", {c.DupCr}) + crlf +
         FormatMessage("- Помилка парності (fcr-fcl має бути непарним): %d", {c.BadParity}) + crlf +
         FormatMessage("- Max fcr: %d, Очікувано 2*N: %d", {c.MaxFcr, c.ExpectedMax}) + crlf +
         FormatMessage("- Унікальних значень (fcl+fcr): %d", {c.DistinctVals}) + crlf +
         FormatMessage("- Невірний fclev (не збігається з розрахунком): %d", {c.BadLevel}) + crlf +
         FormatMessage("- Root fcl<>1: %d", {c.RootNotFcl1});
}

bool gTreeFunc_CheckIntegrity(db::Query& aQuery, const std::string& aTable, std::string& aReport) {
  const TTreeCheckCounts counts = ReadTreeCheckCounts(aQuery, aTable);
  aReport = TreeCheckReport(counts);
  return counts.IsSound();
}

}  // namespace tir::tree
