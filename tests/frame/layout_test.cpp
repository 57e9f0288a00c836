// Offsets and sizes of the boundary records: printed, and compared with the 32-bit layout table
// and its 64-bit counterpart (each pointer-sized field widens by 4 bytes).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "frame/packets_main.h"

namespace tir::frame {
namespace {

struct Expected {
  const char* record;
  const char* field;  // "sizeof" for the record's size
  std::size_t offset32;
  std::size_t offset64;
};

// clang-format off
constexpr Expected kTable[] = {
    {"TDllInfo", "fDllID", 0, 0},
    {"TDllInfo", "fDllName", 4, 4},
    {"TDllInfo", "fDllVer", 8, 12},
    {"TDllInfo", "fDllType", 12, 20},
    {"TDllInfo", "fDllAutostart", 16, 24},
    {"TDllInfo", "fDllReserv1", 20, 28},
    {"TDllInfo", "fDllReserv2", 24, 32},
    {"TDllInfo", "fDllReserv3", 28, 36},
    {"TDllInfo", "fDllReserv4", 32, 40},
    {"TDllInfo", "fDllReserv5", 36, 44},
    {"TDllInfo", "sizeof", 40, 48},
    {"TModSearchIn", "fSearchStr", 0, 0},
    {"TModSearchIn", "fModuleId", 4, 8},
    {"TModSearchIn", "fSearchMode", 8, 12},
    {"TModSearchIn", "fUserId", 12, 16},
    {"TModSearchIn", "fDocId", 20, 24},
    {"TModSearchIn", "fStoreId", 28, 32},
    {"TModSearchIn", "fEntityId", 36, 40},
    {"TModSearchIn", "fCurrensyId", 44, 48},
    {"TModSearchIn", "fGoodId", 52, 56},
    {"TModSearchIn", "fPartnerId", 60, 64},
    {"TModSearchIn", "fDocType", 68, 72},
    {"TModSearchIn", "fContractId", 76, 80},
    {"TModSearchIn", "fTransactionId", 84, 88},
    {"TModSearchIn", "fPriceId", 92, 96},
    {"TModSearchIn", "fDataBigInt1", 96, 100},
    {"TModSearchIn", "fDataBigInt2", 104, 108},
    {"TModSearchIn", "fDataBigInt3", 112, 116},
    {"TModSearchIn", "fDataFloat1", 120, 124},
    {"TModSearchIn", "fDataFloat2", 130, 134},
    {"TModSearchIn", "fDataFloat3", 140, 144},
    {"TModSearchIn", "fStr1", 150, 154},
    {"TModSearchIn", "fStr2", 154, 162},
    {"TModSearchIn", "fStr3", 158, 170},
    {"TModSearchIn", "fHandle", 162, 178},
    {"TModSearchIn", "sizeof", 170, 186},
    {"TModSearchOut", "fId", 0, 0},
    {"TModSearchOut", "fCode", 8, 8},
    {"TModSearchOut", "fName", 12, 16},
    {"TModSearchOut", "fNameFull", 16, 24},
    {"TModSearchOut", "fNameShowMod", 20, 32},
    {"TModSearchOut", "fBarCode", 24, 40},
    {"TModSearchOut", "fStr1", 28, 48},
    {"TModSearchOut", "fStr2", 32, 56},
    {"TModSearchOut", "fStr3", 36, 64},
    {"TModSearchOut", "fCountDataList", 40, 72},
    {"TModSearchOut", "fStrDataList", 44, 76},
    {"TModSearchOut", "fPriceIn", 48, 84},
    {"TModSearchOut", "fPriceOut", 58, 94},
    {"TModSearchOut", "fDataFloat1", 68, 104},
    {"TModSearchOut", "fDataFloat2", 78, 114},
    {"TModSearchOut", "fDataFloat3", 88, 124},
    {"TModSearchOut", "fCanceled", 98, 134},
    {"TModSearchOut", "fDataBigInt1", 102, 138},
    {"TModSearchOut", "fDataBigInt2", 110, 146},
    {"TModSearchOut", "fDataBigInt3", 118, 154},
    {"TModSearchOut", "fDataBigInt4", 126, 162},
    {"TModSearchOut", "fGroupId", 134, 170},
    {"TModSearchOut", "fDataInt1", 138, 174},
    {"TModSearchOut", "sizeof", 142, 178},
    {"TU3MenuParams", "fIdItemMenu", 0, 0},
    {"TU3MenuParams", "fTypeMenu", 4, 4},
    {"TU3MenuParams", "fMenuName", 8, 8},
    {"TU3MenuParams", "fMenuOrder", 12, 16},
    {"TU3MenuParams", "fIdParentMenu1", 16, 20},
    {"TU3MenuParams", "fMenuImageIndex", 20, 24},
    {"TU3MenuParams", "fToolbarImageIndex", 24, 28},
    {"TU3MenuParams", "sizeof", 28, 32},
    {"TU6MenuParams", "fUserID", 0, 0},
    {"TU6MenuParams", "fUserType", 4, 4},
    {"TU6MenuParams", "fBaseType", 8, 8},
    {"TU6MenuParams", "fPriceDigit", 12, 12},
    {"TU6MenuParams", "fCountDigit", 16, 16},
    {"TU6MenuParams", "fDecSeparator", 20, 20},
    {"TU6MenuParams", "fPriceFormat", 22, 22},
    {"TU6MenuParams", "fCountFormat", 26, 30},
    {"TU6MenuParams", "fSettingsParamSection", 30, 38},
    {"TU6MenuParams", "fPID", 34, 46},
    {"TU6MenuParams", "fUserName", 42, 54},
    {"TU6MenuParams", "fResellerId", 46, 62},
    {"TU6MenuParams", "fUserStoreId", 50, 70},
    {"TU6MenuParams", "fUserEntId", 54, 78},
    {"TU6MenuParams", "fSettinsFileName", 58, 86},
    {"TU6MenuParams", "fSettinsFileNameAll", 62, 94},
    {"TU6MenuParams", "fSettinsFolderName", 66, 102},
    {"TU6MenuParams", "fVerMainPro", 70, 110},
    {"TU6MenuParams", "fBaseReplType", 74, 114},
    {"TU6MenuParams", "sizeof", 78, 118},
    {"TU7MenuParams", "fBarMDI", 0, 0},
    {"TU7MenuParams", "fFDConnect", 4, 8},
    {"TU7MenuParams", "fSearchFunc", 8, 16},
    {"TU7MenuParams", "fLogMessage", 12, 24},
    {"TU7MenuParams", "fSysLogDB", 16, 32},
    {"TU7MenuParams", "sizeof", 20, 40},
    {"TU8Params", "fCode", 0, 0},
    {"TU8Params", "fReserv1", 4, 4},
    {"TU8Params", "fReserv2", 8, 8},
    {"TU8Params", "fReserv3", 12, 12},
    {"TU8Params", "fReserv4", 16, 16},
    {"TU8Params", "fReserv5", 20, 20},
    {"TU8Params", "sizeof", 24, 24},
};
// clang-format on

struct Actual {
  const char* record;
  const char* field;
  std::size_t offset;
};

#define FIELD(rec, field) \
  { #rec, #field, offsetof(rec, field) }
const Actual kActual[] = {
    FIELD(TDllInfo, fDllID),
    FIELD(TDllInfo, fDllName),
    FIELD(TDllInfo, fDllVer),
    FIELD(TDllInfo, fDllType),
    FIELD(TDllInfo, fDllAutostart),
    FIELD(TDllInfo, fDllReserv1),
    FIELD(TDllInfo, fDllReserv2),
    FIELD(TDllInfo, fDllReserv3),
    FIELD(TDllInfo, fDllReserv4),
    FIELD(TDllInfo, fDllReserv5),
    {"TDllInfo", "sizeof", sizeof(TDllInfo)},
    FIELD(TModSearchIn, fSearchStr),
    FIELD(TModSearchIn, fModuleId),
    FIELD(TModSearchIn, fSearchMode),
    FIELD(TModSearchIn, fUserId),
    FIELD(TModSearchIn, fDocId),
    FIELD(TModSearchIn, fStoreId),
    FIELD(TModSearchIn, fEntityId),
    FIELD(TModSearchIn, fCurrensyId),
    FIELD(TModSearchIn, fGoodId),
    FIELD(TModSearchIn, fPartnerId),
    FIELD(TModSearchIn, fDocType),
    FIELD(TModSearchIn, fContractId),
    FIELD(TModSearchIn, fTransactionId),
    FIELD(TModSearchIn, fPriceId),
    FIELD(TModSearchIn, fDataBigInt1),
    FIELD(TModSearchIn, fDataBigInt2),
    FIELD(TModSearchIn, fDataBigInt3),
    FIELD(TModSearchIn, fDataFloat1),
    FIELD(TModSearchIn, fDataFloat2),
    FIELD(TModSearchIn, fDataFloat3),
    FIELD(TModSearchIn, fStr1),
    FIELD(TModSearchIn, fStr2),
    FIELD(TModSearchIn, fStr3),
    FIELD(TModSearchIn, fHandle),
    {"TModSearchIn", "sizeof", sizeof(TModSearchIn)},
    FIELD(TModSearchOut, fId),
    FIELD(TModSearchOut, fCode),
    FIELD(TModSearchOut, fName),
    FIELD(TModSearchOut, fNameFull),
    FIELD(TModSearchOut, fNameShowMod),
    FIELD(TModSearchOut, fBarCode),
    FIELD(TModSearchOut, fStr1),
    FIELD(TModSearchOut, fStr2),
    FIELD(TModSearchOut, fStr3),
    FIELD(TModSearchOut, fCountDataList),
    FIELD(TModSearchOut, fStrDataList),
    FIELD(TModSearchOut, fPriceIn),
    FIELD(TModSearchOut, fPriceOut),
    FIELD(TModSearchOut, fDataFloat1),
    FIELD(TModSearchOut, fDataFloat2),
    FIELD(TModSearchOut, fDataFloat3),
    FIELD(TModSearchOut, fCanceled),
    FIELD(TModSearchOut, fDataBigInt1),
    FIELD(TModSearchOut, fDataBigInt2),
    FIELD(TModSearchOut, fDataBigInt3),
    FIELD(TModSearchOut, fDataBigInt4),
    FIELD(TModSearchOut, fGroupId),
    FIELD(TModSearchOut, fDataInt1),
    {"TModSearchOut", "sizeof", sizeof(TModSearchOut)},
    FIELD(TU3MenuParams, fIdItemMenu),
    FIELD(TU3MenuParams, fTypeMenu),
    FIELD(TU3MenuParams, fMenuName),
    FIELD(TU3MenuParams, fMenuOrder),
    FIELD(TU3MenuParams, fIdParentMenu1),
    FIELD(TU3MenuParams, fMenuImageIndex),
    FIELD(TU3MenuParams, fToolbarImageIndex),
    {"TU3MenuParams", "sizeof", sizeof(TU3MenuParams)},
    FIELD(TU6MenuParams, fUserID),
    FIELD(TU6MenuParams, fUserType),
    FIELD(TU6MenuParams, fBaseType),
    FIELD(TU6MenuParams, fPriceDigit),
    FIELD(TU6MenuParams, fCountDigit),
    FIELD(TU6MenuParams, fDecSeparator),
    FIELD(TU6MenuParams, fPriceFormat),
    FIELD(TU6MenuParams, fCountFormat),
    FIELD(TU6MenuParams, fSettingsParamSection),
    FIELD(TU6MenuParams, fPID),
    FIELD(TU6MenuParams, fUserName),
    FIELD(TU6MenuParams, fResellerId),
    FIELD(TU6MenuParams, fUserStoreId),
    FIELD(TU6MenuParams, fUserEntId),
    FIELD(TU6MenuParams, fSettinsFileName),
    FIELD(TU6MenuParams, fSettinsFileNameAll),
    FIELD(TU6MenuParams, fSettinsFolderName),
    FIELD(TU6MenuParams, fVerMainPro),
    FIELD(TU6MenuParams, fBaseReplType),
    {"TU6MenuParams", "sizeof", sizeof(TU6MenuParams)},
    FIELD(TU7MenuParams, fBarMDI),
    FIELD(TU7MenuParams, fFDConnect),
    FIELD(TU7MenuParams, fSearchFunc),
    FIELD(TU7MenuParams, fLogMessage),
    FIELD(TU7MenuParams, fSysLogDB),
    {"TU7MenuParams", "sizeof", sizeof(TU7MenuParams)},
    FIELD(TU8Params, fCode),
    FIELD(TU8Params, fReserv1),
    FIELD(TU8Params, fReserv2),
    FIELD(TU8Params, fReserv3),
    FIELD(TU8Params, fReserv4),
    FIELD(TU8Params, fReserv5),
    {"TU8Params", "sizeof", sizeof(TU8Params)},
};
#undef FIELD

TEST(PacketsLayout, EveryFieldSitsWhereTheTableSays) {
  ASSERT_EQ(std::size(kTable), std::size(kActual));
  for (std::size_t i = 0; i < std::size(kTable); ++i) {
    const Expected& e = kTable[i];
    const Actual& a = kActual[i];
    ASSERT_EQ(std::string(e.record) + "." + e.field, std::string(a.record) + "." + a.field);
    const std::size_t expected = sizeof(void*) == 8 ? e.offset64 : e.offset32;
    std::printf("%-14s %-22s %3zu (table %3zu)\n", a.record, a.field, a.offset, expected);
    EXPECT_EQ(a.offset, expected) << a.record << "." << a.field;
  }
}

TEST(PacketsLayout, ExtendedKeepsTheX87ValueInTenBytes) {
  for (long double v : {0.0L, 1.0L, -2.5L, 1234567.125L, 1e-300L, 1e300L, 0.1L}) {
    const Extended e = Extended::From(v);
    EXPECT_EQ(e.Value(), v);
  }
  // 1.0 in x87 form: significand 0x8000000000000000, exponent 0x3FFF.
  const Extended one = Extended::From(1.0L);
  const unsigned char expected[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(one.bytes[i], expected[i]) << i;
}

}  // namespace
}  // namespace tir::frame
