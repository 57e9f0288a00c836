#include <gtest/gtest.h>

#include "import/exchange_records.h"
#include "tests/import/json_loader_fixture.h"

namespace tir::import::test {
namespace {

TEST(ExchangeRecords, SetZeroValuesTakePartAndUnsetValuesNeverDiffer) {
  TStoreInfo stored, incoming;
  stored.fName.uSetValue(u"Main");
  stored.fState.uSetValue(1);
  EXPECT_TRUE(stored.IsIdent_TestOnlySet(incoming));  // nothing sent
  incoming.fName.uSetValue(u"");
  EXPECT_FALSE(stored.IsIdent_TestOnlySet(incoming));  // an empty text is a value
  incoming.Clear();
  incoming.fState.uSetValue(0);
  EXPECT_FALSE(stored.IsIdent_TestOnlySet(incoming));
  incoming.fState.uSetValue(1);
  EXPECT_TRUE(stored.IsIdent_TestOnlySet(incoming));
  incoming.fName.uSetValue(u"main");  // case counts
  EXPECT_FALSE(stored.IsIdent_TestOnlySet(incoming));
}

TEST(ExchangeRecords, GuidWithAZeroHalfIsNotSent) {
  TVatInfo stored, incoming;
  stored.fGroupGUID.uSetValue(G(1));
  incoming.fGroupGUID.fGUID1 = 0;
  incoming.fGroupGUID.fGUID2 = 77;
  EXPECT_TRUE(stored.IsIdent_TestOnlySet(incoming));
  incoming.fGroupGUID.uSetValue(G(2));
  EXPECT_FALSE(stored.IsIdent_TestOnlySet(incoming));
  incoming.fVAT.uSetValue(20.0000000001L);  // within the float tolerance
  incoming.fGroupGUID = stored.fGroupGUID;
  stored.fVAT.uSetValue(20);
  EXPECT_TRUE(stored.IsIdent_TestOnlySet(incoming));
}

TEST(ExchangeRecords, GoodsIgnorePhotoFlagAndClassificationText) {
  TGooodInfo stored, incoming;
  stored.fCode.uSetValue(u"1");
  incoming.fCode.uSetValue(u"1");
  incoming.fHavePh.uSetValue(1);
  incoming.fUKTZED.uSetValue(u"0401");
  EXPECT_TRUE(stored.IsIdent_TestOnlySet(incoming));
  incoming.fUKTZED_ID.uSetValue(3);
  EXPECT_FALSE(stored.IsIdent_TestOnlySet(incoming));
  TDocInfo doc;
  EXPECT_FALSE(doc.IsIdent_TestOnlySet(doc));  // documents are always written
}

}  // namespace
}  // namespace tir::import::test
