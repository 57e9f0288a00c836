#include "tests/export/small_base.h"

namespace tir::test {

void FillSmallBase(db::SqliteConnection& connection) {
  connection.ExecScript(R"SQL(
UPDATE tirGoodsGroups SET fcr = 8 WHERE fclev = 0;
INSERT INTO tirGoodsGroups (fId, fName, fcl, fcr, fclev, fGUID1, fGUID2) VALUES
  (2, 'Напої', 2, 5, 1, 258, 0), (3, 'Соки', 3, 4, 2, 259, 0), (4, 'Їжа', 6, 7, 1, 260, 0);
INSERT INTO tirUktzed (fId, fZEDCode, fGUID1) VALUES (1, '2009', 2305);
INSERT INTO tirPartners (fId, fCode, fName, fGUID1) VALUES (1, 'P1', 'Постачальник', 769);
INSERT INTO tirEntities (fId, fCode, fName, fGUID1) VALUES (1, 'E1', 'ТОВ Кава', 1025);
INSERT INTO tirStores (fId, fCode, fName, fGUID1) VALUES (1, 'S1', 'Склад', 1281);
INSERT INTO tirUsers (fId, fCode, fName, fGUID1) VALUES (1, 'U1', 'Касир', 1537);
INSERT INTO tirGoods (fId, fCode, fName, fNameFull, fBarCode, fUnitType, fVATGroup, fGroupID,
                      fPriceIn, fPriceOut1, fMainPartner, fUKTZED, fWeightOut, fGUID1)
  VALUES (1, '101', 'Сік яблучний', 'Сік яблучний 1л', '4820000000017', 'шт', 1, 3,
          20, 32.5, 1, 1, 1, 513);
INSERT INTO tirGoods (fId, fCode, fName, fUnitType, fGroupID, fPriceIn, fPriceOut1, fGUID1)
  VALUES (2, '102', 'Вода', 'л', 2, 5, 15, 514);
INSERT INTO tirGoods (fId, fCode, fName, fGroupID, fWeightOut, fGUID1)
  VALUES (3, '201', 'Піца', 4, 0.45, 515);
INSERT INTO tirRecipes (fId, fGoodId, fCompId, fCount, fCountOut) VALUES
  (1, 3, 1, 0.2, 0.18), (2, 3, 2, 0.5, 0.5);
INSERT INTO tirDocuments (fId, fDocNum, fDateTime, fEntityId, fPartnerId, fStoreId, fUserId,
                          fDesc, fDocType, fDocSum, fTransactId, fState, fTagChar50, fTagInt,
                          fGUID1)
  VALUES (1, 15, '2024-03-05 10:20:30.000', 1, 1, 1, 1, 'Продаж', 2, 47.5, 7, 1, 'ПН123', 3,
          1793);
INSERT INTO tirDocGoods (fId, fDocId, fGoodId, fPriceIn, fPriceOut, fSum, fQtty, fStrTag1, fPosId)
  VALUES (1, 1, 1, 20, 12.5, 25, 2, 'a', 1), (2, 1, 2, 5, 15, 22.5, 1.5, NULL, 2);
INSERT INTO tirSettings (fUserId, fMId, fPType, fPStr50)
  VALUES (0, 450, -39, '5A1B2C3D-0000-4000-8000-00000000ABCD');
)SQL");
}

}  // namespace tir::test
