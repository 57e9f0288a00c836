// Rebuild of the current stock balances tirAStoreNow from the movements in tirAStore.
#include <string>

#include "db/query.h"
#include "posting/main_provodka.h"

namespace tir::posting {

void TDMMainProvodka::RebuildGoodsStores(db::Query& FDQuery1, int pBaseType) {
  FDQuery1.Close();
  FDQuery1.SetSql("");
  std::string sql;
  if (pBaseType == 1) {
    // Existing rows stay (reset to 0 first); rows of removed goods, stores or entities remain.
    sql =
        "MERGE INTO tirAStoreNow AS Target\r\nUSING (\r\n    SELECT \r\n        tE.fId AS fEntId, "
        "\r\n        tS.fId AS fStoreId, \r\n        tG.fId AS fGoodId, \r\n        0 AS fQtty, "
        "\r\n        0 AS fSum\r\n    FROM tirGoods tG\r\n    CROSS JOIN tirStores tS\r\n    "
        "CROSS JOIN tirEntities tE\r\n) AS Source\r\nON (Target.fEntId = Source.fEntId \r\n    "
        "AND Target.fStoreId = Source.fStoreId \r\n    AND Target.fGoodId = "
        "Source.fGoodId)\r\nWHEN MATCHED THEN \r\n    UPDATE SET Target.fQtty = 0, Target.fSum = "
        "0\r\nWHEN NOT MATCHED THEN \r\n    INSERT ([fEntId], [fStoreId], [fGoodId], [fQtty], "
        "[fSum])\r\n    VALUES (Source.fEntId, Source.fStoreId, Source.fGoodId, Source.fQtty, "
        "Source.fSum);\r\n";
    sql +=
        "UPDATE t1  SET t1.fSum = ISNULL(t2.SumT,0),  t1.fQtty = ISNULL(t2.QttyT,0)  FROM "
        "tirAStoreNow t1  INNER JOIN ( SELECT 1.0*SUM(t3.fSum*t3.fSign) AS SumT, "
        "1.0*SUM(t3.fQtty*t3.fSign) AS QttyT, t3.fEntId, t3.fStoreId, t3.fGoodId  FROM tirAStore "
        "t3  GROUP BY t3.fEntId, t3.fStoreId, t3.fGoodId  ) AS t2 ON ((t2.fEntId=t1.fEntId) AND "
        "(t2.fStoreId=t1.fStoreId) AND (t2.fGoodId=t1.fGoodId));";
  } else {
    // The table is rebuilt from scratch.
    sql =
        "DELETE FROM tirAStoreNow;INSERT INTO [tirAStoreNow]  ([fEntId] ,[fStoreId] ,[fGoodId] "
        ",[fQtty] ,[fSum])  SELECT  tE.fId AS fEntId ,tS.fId AS fStoreId ,tG.fId AS fGoodId ,0 AS "
        "fQtty ,0 AS fSum  FROM tirGoods tG  LEFT JOIN tirStores tS ON (1=1)  LEFT JOIN "
        "tirEntities tE ON (1=1);";
    sql +=
        "UPDATE  tirAStoreNow SET fSum = ifnull((SELECT 1.0*SUM(fSum*fSign)  FROM tirAStore WHERE "
        "((tirAStore.fEntId=tirAStoreNow.fEntId) AND (tirAStore.fStoreId=tirAStoreNow.fStoreId) "
        "AND (tirAStore.fGoodId=tirAStoreNow.fGoodId))),0)   ,fQtty = ifnull((SELECT "
        "1.0*SUM(fQtty*fSign) FROM tirAStore WHERE ((tirAStore.fEntId=tirAStoreNow.fEntId) AND "
        "(tirAStore.fStoreId=tirAStoreNow.fStoreId) AND (tirAStore.fGoodId=tirAStoreNow.fGoodId)))"
        ",0) ;";
  }
  FDQuery1.SetSql(sql);
  FDQuery1.ExecSql();
  FDQuery1.Close();
}

void TDMMainProvodka::RebuildStores() {
  auto q = NewQuery();
  RebuildGoodsStores(*q, IsMSSQL() ? 1 : 0);
  q->Close();
}

void TDMMainProvodka::RebuildStoresFull() { RebuildStores(); }

}  // namespace tir::posting
