// The schema holds every column the module's statements use: each statement below is run on a
// fresh base (writes inside a transaction that is rolled back). A missing table or column fails
// with the database's "no such column" message.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "db/db_error.h"
#include "db/query.h"
#include "tests/support/temp_base.h"

namespace {

std::string List(const std::string& prefix, const char* const* names, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += (out.empty() ? "" : ",") + prefix + names[i];
  return out;
}

std::string Numbered(const std::string& column, int from, int to) {
  std::string out;
  for (int i = from; i <= to; ++i) out += (out.empty() ? "" : ",") + column + std::to_string(i);
  return out;
}

const char* const kGoodsColumns[] = {
    "fCode",     "fName",     "fNameFull", "fDesc",      "fBarCode",     "fBarCodeList",
    "fBarCode2", "fBarCode3", "fUnitType", "fUnitType2", "fUnitType3",   "fCoeff2",
    "fCoeff3",   "fType",     "fVATGroup", "fVisible",   "fColor",       "fGroupID",
    "fPriceIn",  "fDeleted",  "fMinCount", "fNomCount",  "fMainPartner", "fSCPLU",
    "fSCSrokG",  "fSCTare",   "fSCPiece",  "fHavePh",    "fWeightOut",   "fProcLost",
    "fDivList",  "fUKTZED",   "fRcCountD", "fAvtoProd",  "fExStamp",     "fOShop",
    "fImport",   "fMarkUp",   "fRV",       "fGUID1",     "fGUID2"};

const char* const kDocumentColumns[] = {
    "fId",        "fDocNum",     "fDateTime", "fRealDateTime",  "fEntityId",  "fPartnerId",
    "fStoreId",   "fContractId", "fUserId",   "fRealUserId",    "fDesc",      "fDocType",
    "fDocSum",    "fCurrId",     "fCurrRate", "fCashAccountId", "fItemCost",  "fInputNum",
    "fInputDate", "fTransactId", "fPr",       "fTreeId",        "fState",     "fStoreId2",
    "fTagChar50", "fTagInt",     "fTagInt2",  "fTagInt3",       "fIsPaid",    "fTableId",
    "fColor",     "fPRRODate",   "fPRROFN",   "fPRRORealDate",  "fWFrom",     "fPayCardId",
    "fBaseId",    "fSalePId",    "fRV",       "fSyncDate",      "fSyncState", "fGUID1",
    "fGUID2"};

const char* const kLineColumns[] = {
    "fId",           "fDocId",    "fGoodId",  "fPriceIn", "fPriceOut", "fDiscount",
    "fCurrId",       "fUnitType", "fSum",     "fQtty",    "fVatSum",   "fTypeInDoc",
    "fParentGoodId", "fStrTag1",  "fExStamp", "fPosId",   "fDesc"};

std::vector<std::string> Statements() {
  return {
      // Rights of the signed-in user.
      "SELECT  tuser.fId, tuser.fState, tugr.fBase , t1.fPB AS fPB_UR, t1.fPI AS fPI_UR , t2.fPB "
      "AS fPB_GR, t2.fPI AS fPI_GR  FROM tirUsers tuser  LEFT JOIN tirSettings t1 ON "
      "(t1.[fUserId]=tuser.fId)   AND (t1.[fMId]=:pDLLID)   AND (t1.[fPType]=-26)  LEFT JOIN "
      "tirSettings t2 ON (t2.[fUserId]=tuser.fState)   AND (t2.[fMId]=:pDLLID)   AND "
      "(t2.[fPType]=-42)  LEFT JOIN tirUsersRG tugr ON (tuser.fState = tugr.fId)  WHERE "
      "(tuser.fId=:pUserId);",
      // Profiles, base GUID, counters, mass re-posting control.
      "INSERT INTO [tirSettings] ([fPStr50],[fMId],[fPType],[fPStr],[fPDate]) VALUES "
      "(:pGUID,410,-2,:pStr,:pDate);",
      "INSERT INTO tirSettings (fPValId, fUserId, fMId, fPType, fPB, fPI, fPDate, fPStr50)  VALUES "
      "(0,0,450 ,-39, 0, 0,GETDATE(), :pGUID);",
      "INSERT INTO tirSettings (fMId,fPType,fPI,fPDate,fUserId,fPStr50,fPStr) SELECT "
      ":pMId,:pPType,0,NULL,0,'','' WHERE NOT EXISTS (  SELECT 1 FROM tirSettings   WHERE "
      "fMId=:pMId AND fPType=:pPType);",
      "UPDATE tirSettings SET fPI=1, fPDate=CURRENT_TIMESTAMP, fUserId=:pUserId, "
      "fPStr50=:pOwner, fPStr=:pDateFrom WHERE fMId=:pMId AND fPType=:pPType AND (  fPI=0 OR   "
      "fPDate IS NULL OR   fPDate<datetime(    CURRENT_TIMESTAMP,'-15 minutes'  ));",
      "INSERT INTO tirDEXSBaseIDs (fBaseGUID, fStartDate, fLastConnDate, fDesc) VALUES ( "
      ":pBageGUID, GETDATE(), GETDATE(), 'AutoCreated' );SELECT SCOPE_IDENTITY() as fId;",
      // Posting.
      "INSERT INTO tirAStore (fEntId, fStoreId, fGoodId, fPartId, fDateTime,  fOperType, fDocId, "
      "fSign, fQtty, fSum, fPosGoodId, fContractId, fTransactId )  VALUES (:pEntId, :pStoreId, "
      ":pGoodId, :pPartId, :pDateTime,  :pOperType, :pDocId, :pSign, :pQtty, :pSum, :pPosGoodId, "
      ":pContractId, :pTransactId );UPDATE tirAStoreNow SET fQtty = fQtty+(:pQtty * "
      ":pSign),fSum = fSum+(:pSum * :pSign)  WHERE (fEntId=:pEntId) AND (fStoreId=:pStoreId) AND "
      "(fGoodId=:pGoodId);",
      "INSERT INTO tirAMSettlement ([fContractId],[fTransactId],[fEntId],[fPartId],[fDocId],"
      "[fSign],[fSum],[fDateTime],[fStoreId],[fOperType] )  VALUES (     :pContractId,"
      ":pTransactId,:pEntId,:pPartId,:pDocId,:pSign,:pSum,:pDateTime,:pStoreId,:pOperType );",
      "INSERT INTO tirAPayments ([fContractId],[fTransactId],[fEntId],[fPartId],[fDocId],[fSign],"
      "[fSum],[fDateTime],[fOperType],[fCashAccountId],[fStoreId],[fItemCost] )  VALUES (     "
      ":pContractId,:pTransactId,:pEntId,:pPartId,:pDocId,:pSign,:pSummCurr,:pDateTime,"
      ":pOperType,:pCashAccountId,:pStoreId,:pItemCost );",
      "SELECT t1.[fId],t1.[fGoodId],t2.[fSum],t2.fQtty AS fQttyRealStore,t1.[fQtty],"
      "t1.[fPriceIn],t1.[fPriceOut],t1.[fDiscount] AS fQttyStore FROM [tirDocGoods] t1 LEFT JOIN "
      "tirAStoreNow t2 ON t2.fGoodId = t1.fGoodId AND t2.fEntId = :pEntId AND t2.fStoreId = "
      ":pStoreId  WHERE (t1.[fDocId] = :pId) ORDER BY t1.fId;",
      "SELECT g.fId,g.fDocId,g.fGoodId,g.fSum,g.fQtty,g.fPosId,g.fTypeInDoc,g.fPriceIn,"
      "g.fPriceOut,g.fDiscount,d.fEntityId,d.fStoreId,d.fStoreId2,n1.fQtty AS "
      "fStartQtty,n1.fSum AS fStartSum,n2.fQtty AS fStartQtty2,n2.fSum AS fStartSum2 FROM "
      "tirDocGoods g INNER JOIN tirDocuments d ON d.fId=g.fDocId LEFT JOIN tirAStoreNow n1 ON "
      "n1.fEntId=d.fEntityId  AND n1.fStoreId=d.fStoreId AND n1.fGoodId=g.fGoodId LEFT JOIN "
      "tirAStoreNow n2 ON n2.fEntId=d.fEntityId  AND n2.fStoreId=d.fStoreId2 AND "
      "n2.fGoodId=g.fGoodId WHERE g.fDocId IN (1) ORDER BY g.fDocId,g.fId;",
      "SELECT fId,fType FROM tirCashAccounts;",
      "DELETE FROM tirAStoreNow;INSERT INTO [tirAStoreNow]  ([fEntId] ,[fStoreId] ,[fGoodId] "
      ",[fQtty] ,[fSum])  SELECT  tE.fId AS fEntId ,tS.fId AS fStoreId ,tG.fId AS fGoodId ,0 AS "
      "fQtty ,0 AS fSum  FROM tirGoods tG  LEFT JOIN tirStores tS ON (1=1)  LEFT JOIN "
      "tirEntities tE ON (1=1);",
      // Export.
      "SELECT " + List("tg.", kGoodsColumns, std::size(kGoodsColumns)) + "," +
          Numbered("tg.fPriceOut", 1, 10) + "," + Numbered("tg.fpdop", 1, 5) +
          ",t2.[fGUID1] AS grUID1,tp.[fGUID1] AS tpUID1,tuktzed.[fZEDCode] AS uktZEDCode,"
          "tvat.fGUID1 AS gVatGIUD1 FROM tirGoods tg  LEFT JOIN tirGoodsGroups t2 ON t2.fId = "
          "tg.fGroupID  LEFT JOIN tirPartners tp ON tp.fId = tg.fMainPartner  LEFT JOIN "
          "tirUktzed tuktzed ON tuktzed.fId = tg.fUKTZED  LEFT JOIN tirVAT tvat ON tvat.fId = "
          "tg.fVATGroup ;",
      "SELECT t1.[fId] ,t1.[fGoodId],t1.[fCompId],t1.[fCount],t1.[fCountOut],t1.[fDesc],"
      "t1.[fCHot],t1.[fCCold],tg1.[fWeightOut] AS fQttyOut FROM tirRecipes t1  LEFT JOIN "
      "tirGoods tg1 ON tg1.fId=t1.fGoodId ORDER BY t1.[fGoodId];",
      "SELECT tG.[fId], t3.fPhoto FROM tirGoods tG  LEFT JOIN tirGPhotoes t3 ON "
      "((t3.fGoodId=tG.fId)AND(t3.fOrder=1))  WHERE (1=1)   AND ( (tG.fBarCode=:pS) OR "
      "(tG.fBarCode2=:pS) OR (tG.fBarCode3=:pS)  OR (tG.fBarCodeList LIKE :pBarList) ) ",
      "SELECT t1.* ,t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2 FROM tirPricesNames t1  LEFT JOIN "
      "tirPricesGroups t2 ON t2.fId=t1.fGroupID  WHERE (1=1) ;",
      "SELECT t1.* ,t2.[fGUID1] AS grUID1,t2.[fGUID2] AS grUID2 FROM tirUktzed t1  LEFT JOIN "
      "tirUktzedGroups t2 ON t2.fId=t1.fZEDGroupID  WHERE (1=1) ;",
      "SELECT fId, fNamePrint, fEDRPOU, fINN, fNDSN, fTel, fTel1, fTel2, fAdress, fAdress1, "
      "fAdress2, fState, fGroupID FROM tirEntities;",
      "SELECT fNamePrint, fAdress, fPriceId, fPriceId2, fState, fGroupID FROM tirStores;",
      "SELECT fNamePrint, fState, fGroupID FROM tirTables UNION ALL SELECT fNamePrint, fState, "
      "fGroupID FROM tirMods UNION ALL SELECT fNamePrint, fState, fGroupID FROM tirSalePoints;",
      "SELECT fCode, fName, fVAT, fVATA, fGroupID FROM tirVAT;",
      "SELECT fCode, fName, fNamePrint, fCurr, fState, fImg, fGroupID FROM tirCurrencies;",
      "SELECT t1.* ,t2.[fGUID1] AS grUID1,t3.[fGUID1] AS gr3UID1 FROM tirCashAccounts t1  LEFT "
      "JOIN tirEntities t2 ON t2.fId=t1.fEntitiId  LEFT JOIN tirCurrencies t3 ON "
      "t3.fId=t1.fCurrId  WHERE (1=1) ;",
      "SELECT t1.fName, t1.fPriceId, t1.fPriceId2, t1.fDiscount, t1.fDefault, t1.fType, "
      "t1.fAccountType FROM tirContracts t1  LEFT JOIN tirEntities t2 ON t2.fId=t1.fEntitiId  "
      "LEFT JOIN tirPartners t3 ON t3.fId=t1.fPartnerId  LEFT JOIN tirCurrencies t4 ON "
      "t4.fId=t1.fCurrId;",
      "SELECT fName, fNameF, fPos, fActiv, fPStr, fVer, fSalesPList FROM tirDiscount t1  WHERE "
      "(fVer >= 3) ;",
      "SELECT t1.fId, t1.fCode, t1.fName, t1.fNamePrint, t1.fState, t1.fGroupID, t1.fCardNumber, "
      "t1.fTel, t1.fTel1, t1.fTel2, t1.fTel3, t1.fTel4, t1.fTel5, t1.fAdress, t1.fAdress1, "
      "t1.fAdress2, " +
          Numbered("t1.fDate", 1, 5) +
          ", t1.fDate, t1.fDesc, t1.fEDRPOU, t1.fINN, t3.[fPriceId] AS contrPriceId, "
          "t3.[fDiscount] contrDisc FROM tirPartners t1  LEFT JOIN tirPartnersGroups t2 ON "
          "t2.fId=t1.fGroupID  LEFT JOIN tirContracts t3 ON ((t3.fPartnerId=t1.fId) AND "
          "(t3.fEntitiId=1)AND(t3.fDefault = 1)) WHERE (1=1) ;",
      "SELECT fCode, fName, fNamePrint, fState, fCardNumber, fPassword, fPassword2, fGroupID FROM "
      "tirUsers;",
      "SELECT t1.*  FROM tirUsersRG t1  WHERE (1=1) ORDER BY fId;",
      "SELECT fPValID,fPType, fPB, fPStr FROM tirSettings WHERE (fUserId = 1)AND (fMId = 50) AND "
      "(fPType in (10250,10260,10270));",
      "SELECT  tSP.fId  FROM tirSalePoints tSP WHERE ((tSP.fBitParams & 1) = 1) ORDER BY tSP.fId ;",
      "SELECT " + List("t1.", kDocumentColumns, std::size(kDocumentColumns)) + "," +
          List("td.", kLineColumns, std::size(kLineColumns)) +
          " FROM tirDocuments t1 LEFT JOIN tirDocGoods td ON td.fDocId=t1.fId ORDER BY "
          "t1.fDateTime, t1.fDocType, t1.fId;",
      "SELECT m.fDocId, m.fOldStoreId FROM tirDocStoreMove m;",
      "UPDATE tirDocuments SET fSyncDate = -1  WHERE fId IN (    SELECT fId    FROM tirDocuments  "
      "  WHERE (fSyncDate IS NULL) OR (fSyncDate <= 0)    ORDER BY fId ASC LIMIT 100 );",
      // Import.
      "INSERT INTO tirDocGoods (fDocId, fGoodId, fPriceIn, fPriceOut, fDiscount,  fUnitType, "
      "fCurrId,  fSum, fQtty, fVatSum, fTypeInDoc, fParentGoodId,  fStrTag1, fDesc, fExStamp, "
      "fPosId )  VALUES (:pDocId, :pGoodId, :pPriceIn, :pPriceOut, :pDiscount,  :pUnitType, "
      ":pCurrId,  :pSum, :pQtty, :pVatSum, :pTypeInDoc, :pParentGoodId,  :pStrTag1, :pDesc, "
      ":pExStamp, :pPosId );",
      "INSERT INTO tirRecipes (fGoodId, fCompId, fCount, fCountOut   )  VALUES (:pGoodId, "
      ":pCompId, :pCount, :pCountOut  );",
      "INSERT INTO tirPrices (fPriceId,fGoodId,fPrice) VALUES (:pPriceId,:pGoodId,:pPrice);",
      "SELECT fId, fcl, fcr, fclev, fName, fGUID1, fGUID2 FROM tirEKKAGroups;",
  };
}

TEST(SchemaColumns, EveryStatementOfTheModuleRunsOnAFreshBase) {
  tir::test::TempBase base;
  base.conn().StartTransaction();
  for (const std::string& sql : Statements()) {
    tir::db::Query query(base.conn());
    query.SetSql(sql);
    try {
      if (sql.rfind("SELECT", 0) == 0) {
        query.Open();
      } else {
        query.ExecSql();
      }
    } catch (const tir::db::DbError& e) {
      ADD_FAILURE() << e.what() << "\n  in: " << sql;
    }
  }
  base.conn().Rollback();
}

TEST(SchemaColumns, AMissingColumnIsReportedByTheCheckAbove) {
  // The check relies on the database refusing unknown columns.
  tir::test::TempBase base;
  tir::db::Query query(base.conn());
  query.SetSql("SELECT fNoSuchColumn FROM tirGoods;");
  EXPECT_THROW(query.Open(), tir::db::DbError);
}

}  // namespace
